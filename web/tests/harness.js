// What the page's tests share: the browser engine (browsers.js), the built
// page opened from the disk or from a local static server, the page's
// service worker and its releases, pelvaro-id for the numbers to compare
// with, and the window's description read from its one table.
import { spawnSync } from "node:child_process";
import { cpSync, mkdtempSync, readdirSync, readFileSync, rmSync, statSync, utimesSync, writeFileSync } from "node:fs";
import { createServer } from "node:http";
import { tmpdir } from "node:os";
import { dirname, extname, join, normalize, resolve } from "node:path";
import { setTimeout as sleep } from "node:timers/promises";
import { after } from "node:test";
import { fileURLToPath, pathToFileURL } from "node:url";
import { engine, launch } from "./browsers.js";

export { engine, launch };

const here = dirname(fileURLToPath(import.meta.url));
export const root = resolve(here, "../..");
export const pageDir = resolve(process.env.PELVARO_PAGE_DIR || join(root, "build/web/page"));
export const pelvaroId = resolve(process.env.PELVARO_ID || join(root, "build/linux/cli/pelvaro-id"));
export const pageUrl = pathToFileURL(join(pageDir, "index.html")).href;

// A new page at url (the page from the disk by default), once the engine has
// laid the window out and its first code page is in use. With a site (see
// serve), a screen narrower than the engine's window can be is a frame there.
export function openPage(browser, { url = pageUrl, site, ...options } = {}) {
  return browser.open({ url, frame: site?.frame, ...options });
}

// The browser every test of the run shares, started by the first to ask and
// closed once the last test has run: each page opens apart from the others
// (browsers.js), and a browser is the dearest thing a test starts.
let shared;
export function theBrowser() {
  if (!shared) {
    shared = launch();
    after(async () => (await shared).close());
  }
  return shared;
}

// A static server of the page for test t alone, closed when t ends: an
// earlier page's service worker may still be fetching files to keep, and its
// requests must not count as t's.
export async function siteFor(t) {
  const site = await serve();
  t.after(() => site.close());
  return site;
}

// Skips the rest of a test where the engine cannot make its check, saying
// why: `what` is null when the engine cannot report it.
export function engineCan(t, what, reason) {
  if (what !== null && what !== undefined && what !== false) return true;
  t.skip(reason);
  return false;
}

// Chooses a code page in the page's control and waits until it is in use.
export async function chooseCodePage(page, codePage) {
  await page.select("#code-page", String(codePage));
  await page.waitFor((wanted) => document.documentElement.dataset.codePage === wanted &&
    /^In use/.test(document.getElementById("code-page-status").textContent), String(codePage));
}

// The code pages the page offers, as its control lists them.
export function offeredCodePages(page) {
  return page.evaluate(() => [...document.querySelectorAll("#code-page option")].map((option) => Number(option.value)));
}

// The page's number for each text: typed into Text1 as its 16-bit units
// (value set directly, lone surrogates included), then Work out clicked.
export async function pageNumbers(page, texts) {
  return page.evaluate((all) => all.map((text) => {
    document.getElementById("Text1").value = text;
    document.getElementById("Command1").click();
    return document.getElementById("Text2").value;
  }), texts);
}

export const valueOf = (page, selector) => page.evaluate((s) => document.querySelector(s).value, selector);
export const textOf = (page, selector) => page.evaluate((s) => document.querySelector(s).textContent, selector);
export const focused = (page) => page.evaluate(() => document.activeElement.id);

// pelvaro-id's numbers for the texts in a code page, given as UTF-16 with a
// byte-order mark so that every unit, a lone surrogate too, reaches it as it is.
export function pelvaroIdNumbers(texts, codePage) {
  const units = [0xfeff];
  for (const text of texts) {
    for (let i = 0; i < text.length; i++) units.push(text.charCodeAt(i));
    units.push(0x0a);
  }
  const input = Buffer.from(new Uint16Array(units).buffer);
  const run = spawnSync(pelvaroId, ["--code-page", String(codePage)], { input, maxBuffer: 1 << 24 });
  if (run.status !== 0) throw new Error(`pelvaro-id failed (${run.status}): ${run.stderr}`);
  return run.stdout.toString("utf8").split("\n").slice(0, texts.length);
}

// Form1's controls and client size from ui/form1_layout.h, in twips.
export function windowTable() {
  const source = readFileSync(join(root, "ui/form1_layout.h"), "utf8");
  const controls = [...source.matchAll(
    /\{k\w+Id, "(\w+)", L"([^"]*)", (\d+), (\d+), (\d+), (\d+)\}/g,
  )].map(([, name, caption, ...box]) => {
    const [left, top, width, height] = box.map(Number);
    return { name, caption, left, top, width, height };
  });
  const client = (name) => Number(source.match(new RegExp(`${name} = (\\d+);`))[1]);
  return { controls, clientWidth: client("kForm1ClientWidth"), clientHeight: client("kForm1ClientHeight") };
}

// The version, from CMakeLists.txt's project VERSION, and as the programs show it.
export const projectVersion = () =>
  readFileSync(join(root, "CMakeLists.txt"), "utf8").match(/project\(Pelvaro VERSION (\d+\.\d+\.\d+\.\d+)/)[1];

export function shownVersion() {
  const [major, minor, , tweak] = projectVersion().split(".");
  return `${major}.${minor}.${tweak}`;
}

// ---- The service worker ------------------------------------------------------

// Whether the worker of the page's own folder is active and controls the
// page, waiting for it a while.
export async function workerInControl(page) {
  try {
    await page.waitFor(() => {
      const worker = navigator.serviceWorker?.controller;
      return worker?.state === "activated" && worker.scriptURL === new URL("pelvaro-sw.js", location.href).href;
    }, null, 15000);
    return true;
  } catch {
    return false;
  }
}

// The files in the origin's caches, by cache name.
export const keptFiles = (page) => page.evaluate(async () => Object.fromEntries(await Promise.all((await caches.keys()).map(
  async (name) => [name, (await (await caches.open(name)).keys()).map((request) => request.url)]))));

// Asks the browser to look for a new release of the page's worker now, and
// gives what became of the new worker: "installed" (it waits to take over),
// "redundant" (its install failed), or "none" (the worker has not changed).
export const updateWorker = (page) => page.evaluate(async () => {
  const registration = await navigator.serviceWorker.getRegistration();
  await registration.update();
  const worker = registration.installing || registration.waiting;
  if (!worker) return "none";
  while (worker.state === "installing") await new Promise((settle) => worker.addEventListener("statechange", settle, { once: true }));
  return worker.state;
});

// The files of the worker's list by kind, as the build wrote them into it.
export const workerList = (dir = pageDir) =>
  JSON.parse(readFileSync(join(dir, "pelvaro-sw.js"), "utf8").match(/const files = (\{.*\});/)[1]);

// A copy of the page in a folder of its own for test t, as another release:
// `edits` change its files (name -> old text -> new text), the build's own
// script writes the worker's list of them again, and every file is dated
// `age` milliseconds back.
export function pageRelease(t, { edits = {}, age = 0 } = {}) {
  const dir = mkdtempSync(join(tmpdir(), "pelvaro-release-"));
  t.after(() => rmSync(dir, { recursive: true, force: true }));
  cpSync(pageDir, dir, { recursive: true });
  for (const [file, edit] of Object.entries(edits)) writeFileSync(join(dir, file), edit(readFileSync(join(dir, file), "utf8")));
  const lists = Object.entries(workerList()).map(([kind, files]) => `-D${kind.toUpperCase()}=${Object.keys(files).join(";")}`);
  const run = spawnSync("cmake", [`-DTEMPLATE=${join(root, "web/page/pelvaro-sw.js.in")}`, `-DOUTPUT=${join(dir, "pelvaro-sw.js")}`,
    `-DVERSION=${projectVersion()}`, `-DPAGE_DIR=${dir}`, ...lists, "-P", join(root, "web/service_worker.cmake")]);
  if (run.status !== 0) throw new Error(`service_worker.cmake failed: ${run.stderr}`);
  const date = new Date(Date.now() - age);
  for (const file of readdirSync(dir)) utimesSync(join(dir, file), date, date);
  return dir;
}

// ---- Pixels ------------------------------------------------------------------

// The pixels of a screenshot of the page in each area ({left, top, width,
// height} in CSS pixels), as rows of [red, green, blue], decoded by the
// browser itself on a blank page: the page is left.
export async function screenshotAreas(page, areas) {
  const scale = await page.evaluate(() => devicePixelRatio);
  const png = await page.screenshot();
  await page.goto("about:blank", { ready: false });
  return page.evaluate(async (base64, areas, scale) => {
    const bytes = Uint8Array.from(atob(base64), (c) => c.charCodeAt(0));
    const bitmap = await createImageBitmap(new Blob([bytes], { type: "image/png" }));
    const context = new OffscreenCanvas(bitmap.width, bitmap.height).getContext("2d");
    context.drawImage(bitmap, 0, 0);
    return areas.map((area) => {
      const [left, top, width, height] = [area.left, area.top, area.width, area.height].map((v) => Math.round(v * scale));
      const { data } = context.getImageData(left, top, width, height);
      return Array.from({ length: height }, (_, y) => Array.from({ length: width }, (_, x) =>
        Array.from(data.subarray((y * width + x) * 4, (y * width + x) * 4 + 3))));
    });
  }, png, areas, scale);
}

// The policy the tests' server sends with every file, beside the page's own:
// anything from another origin is refused and reported back to the server
// (site.reports), so that a request to another origin is caught in every
// engine that reports a violation.
const reportingPolicy = "default-src 'self'; script-src 'self' 'wasm-unsafe-eval'; form-action 'self'; " +
  "base-uri 'self'; report-uri /csp-report";

// A static web server for the page's folder on a free local port. It keeps
// the path of every request (site.requests) and the policy's reports
// (site.reports); it can hold a file back for a while (site.delays: path ->
// milliseconds), answer for it (site.answers: path -> {status, body, type}),
// or answer nothing at all (site.offline). site.folders maps the start of a
// path to a folder, "/" to the page's: another copy of the page, or another
// release, at a folder of the site. With site.lastModified it sends each
// file's date, as static hosts do, so that a browser keeps the files in its
// HTTP cache for a while. It answers a Range request with the part asked
// for, and serves /test-frame.html?width=W&height=H&src=URL, a frame of that
// size around the page, for a screen narrower than a browser's window can be.
export async function serve() {
  const types = {
    ".html": "text/html", ".js": "text/javascript", ".css": "text/css", ".png": "image/png",
    ".ico": "image/vnd.microsoft.icon", ".webmanifest": "application/manifest+json",
  };
  const site = {
    requests: [], reports: [], delays: new Map(), answers: new Map(), folders: new Map([["/", pageDir]]),
    offline: false, lastModified: false,
  };
  const fileOf = (path) => {
    const start = [...site.folders.keys()].filter((prefix) => path.startsWith(prefix)).sort((a, b) => b.length - a.length)[0];
    const folder = site.folders.get(start);
    const file = normalize(join(folder, path.slice(start.length - 1).replace(/\/$/, "/index.html")));
    return file.startsWith(folder) && statSync(file, { throwIfNoEntry: false })?.isFile() ? file : null;
  };
  const server = createServer(async (request, response) => {
    const url = new URL(request.url, "http://x");
    const path = decodeURIComponent(url.pathname);
    site.requests.push(path);
    if (site.offline) return request.socket.destroy();
    if (path === "/csp-report") {
      const body = [];
      for await (const chunk of request) body.push(chunk);
      site.reports.push(JSON.parse(Buffer.concat(body).toString())["csp-report"]);
      return response.writeHead(204).end();
    }
    if (path === "/test-frame.html") {
      const [width, height, src] = ["width", "height", "src"].map((name) => url.searchParams.get(name));
      response.writeHead(200, { "Content-Type": "text/html" });
      return response.end(`<!DOCTYPE html><body style="margin:0"><iframe src="${encodeURI(src)}" ` +
        `style="width:${Number(width)}px;height:${Number(height)}px;border:0"></iframe>`);
    }
    if (site.delays.has(path)) await sleep(site.delays.get(path));
    const headers = { "Content-Security-Policy": reportingPolicy };
    const answer = site.answers.get(path);
    if (answer) {
      response.writeHead(answer.status || 200, { ...headers, "Content-Type": answer.type || "text/javascript" });
      return response.end(answer.body || "");
    }
    const file = fileOf(path);
    if (!file) return response.writeHead(404).end();
    headers["Content-Type"] = types[extname(file)] || "application/octet-stream";
    if (site.lastModified) {
      headers["Last-Modified"] = statSync(file).mtime.toUTCString();
    }
    const data = readFileSync(file);
    const range = /^bytes=(\d+)-(\d*)$/.exec(request.headers.range || "");
    if (!range) return response.writeHead(200, headers).end(data);
    const [first, last] = [Number(range[1]), Math.min(Number(range[2] || data.length - 1), data.length - 1)];
    headers["Content-Range"] = `bytes ${first}-${last}/${data.length}`;
    response.writeHead(206, headers).end(data.subarray(first, last + 1));
  });
  await new Promise((done) => server.listen(0, "127.0.0.1", done));
  site.url = `http://127.0.0.1:${server.address().port}/`;
  site.frame = (src, { width, height }) => `${site.url}test-frame.html?width=${width}&height=${height}&src=${encodeURIComponent(src)}`;
  site.close = () => { server.closeAllConnections(); server.close(); };
  return site;
}

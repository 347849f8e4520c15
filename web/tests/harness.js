// What the page's tests share: the browser engine (browsers.js), the built
// page opened from the disk or from a local static server, pelvaro-id for the
// numbers to compare with, and the window's description read from its one
// table.
import { spawnSync } from "node:child_process";
import { readFileSync, statSync } from "node:fs";
import { createServer } from "node:http";
import { dirname, extname, join, normalize, resolve } from "node:path";
import { setTimeout as sleep } from "node:timers/promises";
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

// The engine's browser and a static server of the page (see serve), for a
// suite; stopBrowserAndSite closes what came up.
export async function startBrowserAndSite() {
  const browser = await launch();
  return { browser, site: await serve() };
}

export async function stopBrowserAndSite(browser, site) {
  await browser?.close();
  site?.close();
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

// The version as the programs show it, from CMakeLists.txt's project VERSION.
export function shownVersion() {
  const [major, minor, , tweak] = readFileSync(join(root, "CMakeLists.txt"), "utf8")
    .match(/project\(Pelvaro VERSION (\d+\.\d+\.\d+\.\d+)/)[1].split(".");
  return `${major}.${minor}.${tweak}`;
}

// A static web server for the page's folder on a free local port. It keeps
// the path of every request (site.requests), can hold a file back for a
// while (site.delays: path -> milliseconds), answer for it
// (site.answers: path -> {status, body}), or answer nothing at all
// (site.offline), and serves /test-frame.html?width=W&height=H&src=URL, a
// frame of that size around the page, for a screen narrower than a browser's
// window can be.
export async function serve() {
  const types = {
    ".html": "text/html", ".js": "text/javascript", ".css": "text/css", ".png": "image/png",
    ".ico": "image/vnd.microsoft.icon", ".webmanifest": "application/manifest+json",
  };
  const site = { requests: [], delays: new Map(), answers: new Map(), offline: false };
  const server = createServer(async (request, response) => {
    const url = new URL(request.url, "http://x");
    const path = decodeURIComponent(url.pathname);
    site.requests.push(path);
    if (site.offline) return request.socket.destroy();
    if (path === "/test-frame.html") {
      const [width, height, src] = ["width", "height", "src"].map((name) => url.searchParams.get(name));
      response.writeHead(200, { "Content-Type": "text/html" });
      return response.end(`<!DOCTYPE html><body style="margin:0"><iframe src="${encodeURI(src)}" ` +
        `style="width:${Number(width)}px;height:${Number(height)}px;border:0"></iframe>`);
    }
    if (site.delays.has(path)) await sleep(site.delays.get(path));
    const answer = site.answers.get(path);
    if (answer) {
      response.writeHead(answer.status || 200, { "Content-Type": "text/javascript" });
      return response.end(answer.body || "");
    }
    const file = normalize(join(pageDir, path.endsWith("/") ? join(path, "index.html") : path));
    const found = file.startsWith(pageDir) && statSync(file, { throwIfNoEntry: false })?.isFile();
    if (!found) return response.writeHead(404).end();
    response.writeHead(200, { "Content-Type": types[extname(file)] || "application/octet-stream" });
    response.end(readFileSync(file));
  });
  await new Promise((done) => server.listen(0, "127.0.0.1", done));
  site.url = `http://127.0.0.1:${server.address().port}/`;
  site.frame = (src, { width, height }) => `${site.url}test-frame.html?width=${width}&height=${height}&src=${encodeURIComponent(src)}`;
  site.close = () => { server.closeAllConnections(); server.close(); };
  return site;
}

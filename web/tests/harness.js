// What the page's tests share: the browser (Debian's headless Chromium through
// playwright-core), the built page opened from the disk or from a local
// static server, pelvaro-id for the numbers to compare with, and the window's
// description read from its one table.
import { spawnSync } from "node:child_process";
import { readFileSync, statSync } from "node:fs";
import { createServer } from "node:http";
import { dirname, extname, join, normalize, resolve } from "node:path";
import { fileURLToPath, pathToFileURL } from "node:url";
import { chromium } from "playwright-core";

const here = dirname(fileURLToPath(import.meta.url));
export const root = resolve(here, "../..");
export const pageDir = resolve(process.env.PELVARO_PAGE_DIR || join(root, "build/web/page"));
export const pelvaroId = resolve(process.env.PELVARO_ID || join(root, "build/linux/cli/pelvaro-id"));
export const pageUrl = pathToFileURL(join(pageDir, "index.html")).href;

export async function launch() {
  return chromium.launch({
    executablePath: process.env.CHROMIUM || "/usr/bin/chromium",
    args: ["--headless", "--no-sandbox", "--disable-gpu", "--disable-background-networking",
      "--disable-component-update", "--disable-sync", "--no-first-run"],
  });
}

// A new page at url, once the engine has laid the window out and its first
// code page is in use. Requests and console errors are recorded.
export async function openPage(browser, { url = pageUrl, locale = "en-US", viewport } = {}) {
  const context = await browser.newContext({ locale, viewport: viewport || { width: 1000, height: 600 } });
  const page = await context.newPage();
  page.requests = [];
  page.errors = [];
  page.on("request", (request) => page.requests.push(request.url()));
  page.on("console", (message) => { if (message.type() === "error") page.errors.push(message.text()); });
  page.on("pageerror", (error) => page.errors.push(error.message));
  await page.goto(url);
  await page.waitForSelector("html[data-ready=true]", { timeout: 20000 });
  return page;
}

// Chooses a code page in the page's control and waits until it is in use.
export async function chooseCodePage(page, codePage) {
  await page.selectOption("#code-page", String(codePage));
  await page.waitForFunction((wanted) => document.documentElement.dataset.codePage === wanted &&
    /^In use/.test(document.getElementById("code-page-status").textContent), String(codePage));
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

// A static web server for the page's folder on a free local port.
export async function serve() {
  const types = { ".html": "text/html", ".js": "text/javascript", ".css": "text/css" };
  const server = createServer((request, response) => {
    const path = normalize(join(pageDir, decodeURIComponent(new URL(request.url, "http://x").pathname)));
    const file = path.endsWith("/") ? join(path, "index.html") : path;
    const found = file.startsWith(pageDir) && statSync(file, { throwIfNoEntry: false })?.isFile();
    if (!found) return response.writeHead(404).end();
    response.writeHead(200, { "Content-Type": types[extname(file)] || "application/octet-stream" });
    response.end(readFileSync(file));
  });
  await new Promise((done) => server.listen(0, "127.0.0.1", done));
  return { server, url: `http://127.0.0.1:${server.address().port}/` };
}

// The browser engines the page's tests run in, each from Debian's own
// packages, behind one small interface, so that every test is written once:
//   chromium  Chromium, headless, through puppeteer-core (DevTools protocol);
//   firefox   Firefox ESR, headless, through puppeteer-core (WebDriver BiDi);
//   webkit    WebKitGTK's MiniBrowser through WebKitWebDriver and
//             selenium-webdriver (classic WebDriver); it needs a display:
//             run under xvfb-run.
// PELVARO_BROWSER names the engine (chromium when unset).
//
// A page offers: evaluate(fn, ...args), waitFor(fn, arg), click, focus,
// select (a choice in a <select>, with its change event), type, press ("Tab",
// "Shift+Tab", "Enter", "Escape", "Control+V"), reload, back, goto,
// screenshot (to a file, or as PNG in base64), cookies (the cookie jar of
// the page's site, as the browser holds it), close. open() takes the page's
// url, the browser's language (locale), the screen's size (viewport),
// whether the page may use the clipboard, for a screen narrower than a
// window can be here, frame(url, viewport): the address of a page that shows
// it in a frame of that size, and whether to wait until the page is ready.
// What an engine cannot report is null: `errors` (console errors),
// `requests` (every URL the page asked for, opened from the disk too) and
// `accessible(selector)` (the role and name in the accessibility tree); the
// browser's `cannot` says why.
import { spawn } from "node:child_process";
import { once } from "node:events";
import { existsSync, mkdirSync, readdirSync, symlinkSync } from "node:fs";
import { writeFile } from "node:fs/promises";
import { createServer } from "node:net";
import { dirname, join } from "node:path";
import { setTimeout as sleep } from "node:timers/promises";
import { fileURLToPath } from "node:url";
import puppeteer from "puppeteer-core";
import { Builder, By, Key } from "selenium-webdriver";
import { Select } from "selenium-webdriver/lib/select.js";

export const engine = process.env.PELVARO_BROWSER || "chromium";

const executables = {
  chromium: process.env.CHROMIUM || "/usr/bin/chromium",
  firefox: process.env.FIREFOX || "/usr/bin/firefox-esr",
  webkit: process.env.MINIBROWSER || "/usr/lib/x86_64-linux-gnu/webkit2gtk-4.1/MiniBrowser",
};

// The browser's language unless a page asks for another.
const defaultLocale = "en-US";

// How long a page may take to become ready, and an action to take effect.
const readyTimeout = 30000;

// What an engine's wait gave, or, where it timed out, an error that names
// what was waited for, raised where the test waited.
async function waited(promise, what) {
  try {
    return await promise;
  } catch (error) {
    if (error?.name !== "TimeoutError") throw error;
    throw new Error(`timed out waiting for ${what}`);
  }
}

// Makes navigator.language(s) say `locale` before the page's scripts run, as
// a browser set to that language does.
function pretendLanguage(locale) {
  for (const [name, value] of [["language", locale], ["languages", Object.freeze([locale])]])
    Object.defineProperty(Navigator.prototype, name, { get: () => value, configurable: true });
}

// ---- Chromium and Firefox, through puppeteer-core -------------------------

async function launchPuppeteer() {
  const firefox = engine === "firefox";
  const browser = await puppeteer.launch({
    browser: firefox ? "firefox" : "chrome",
    executablePath: executables[engine],
    headless: true,
    args: firefox ? [] : ["--no-sandbox", "--disable-gpu", "--disable-background-networking",
      "--disable-component-update", "--disable-sync", "--no-first-run"],
  });
  return {
    engine,
    cannot: {
      requests: firefox ? "Firefox over WebDriver BiDi reports no request for a file opened from the disk" : null,
      accessibilityTree: firefox ? "puppeteer reads no accessibility tree from Firefox over WebDriver BiDi" : null,
    },
    async open({ url, locale = defaultLocale, viewport = { width: 1000, height: 600 }, clipboard = false, ready = true } = {}) {
      const context = await browser.createBrowserContext();
      // Firefox lets a page write the clipboard; Chromium asks the user, here the test.
      if (clipboard && !firefox) await context.overridePermissions(new URL(url).origin, ["clipboard-read", "clipboard-write", "clipboard-sanitized-write"]);
      const page = await context.newPage();
      await page.setViewport(viewport);
      await page.evaluateOnNewDocument(pretendLanguage, locale);
      const wrapped = wrapPuppeteer(page, context, firefox);
      await wrapped.goto(url, { ready });
      return wrapped;
    },
    close: () => browser.close(),
  };
}

function wrapPuppeteer(page, context, firefox) {
  const errors = [];
  const requests = [];
  page.on("console", (message) => { if (message.type() === "error") errors.push(message.text()); });
  page.on("pageerror", (error) => errors.push(error.message));
  page.on("request", (request) => requests.push(request.url()));
  const keys = async (combination) => {
    const parts = combination.split("+");
    for (const key of parts.slice(0, -1)) await page.keyboard.down(key);
    await page.keyboard.press(parts.at(-1));
    for (const key of parts.slice(0, -1).reverse()) await page.keyboard.up(key);
  };
  return {
    puppeteer: page,
    errors,
    requests: firefox ? null : requests,
    goto: async (url, { ready = true } = {}) => {
      await waited(page.goto(url), `${url} to load`);
      if (ready) await waitReady(page.waitForFunction.bind(page));
    },
    reload: async () => {
      await waited(page.reload(), "the page to load again");
      await waitReady(page.waitForFunction.bind(page));
    },
    // Through the page's history: puppeteer's goBack waits, over WebDriver
    // BiDi, for a load that a return from the back/forward cache never makes.
    back: async () => {
      // Started once the evaluation has returned: a navigation during it
      // would end its context before it could answer.
      await page.evaluate(() => void setTimeout(() => history.back()));
      await page.waitForFunction(() => location.protocol !== "about:", { timeout: readyTimeout });
      await waitReady(page.waitForFunction.bind(page));
    },
    evaluate: (fn, ...args) => page.evaluate(fn, ...args),
    run: (source) => page.evaluate(source),
    waitFor: (fn, arg, timeout = readyTimeout) => waited(page.waitForFunction(fn, { timeout }, arg), fn),
    accessible: firefox ? null : async (selector) => {
      const node = await page.accessibility.snapshot({ root: await page.$(selector), interestingOnly: false });
      return { role: node.role, name: node.name };
    },
    click: (selector) => page.click(selector),
    focus: (selector) => page.focus(selector),
    select: (selector, value) => page.select(selector, value),
    type: (text) => page.keyboard.type(text),
    press: keys,
    screenshot: (path) => page.screenshot(path ? { path } : { encoding: "base64" }),
    cookies: () => context.cookies(),
    close: () => context.close(),
  };
}

function waitReady(waitForFunction) {
  return waited(waitForFunction(() => document.documentElement.dataset.ready === "true", { timeout: readyTimeout }),
    "the page to be ready");
}

// ---- WebKitGTK, through WebKitWebDriver and selenium-webdriver -------------

async function freePort() {
  const server = createServer();
  server.listen(0, "127.0.0.1");
  await once(server, "listening");
  const { port } = server.address();
  server.close();
  return port;
}

// WebKitGTK takes the browser's language from the name of the system's
// locale ("ja_JP.UTF-8" for "ja-JP"), so each language gets a MiniBrowser of
// its own, started in that locale. The C library takes a locale only where it
// finds its files: each name, checked against Debian's locale sources, is a
// folder of the build's that stands for C.UTF-8's files, which are all that
// the language needs, and which localedef would take seconds a locale to make.
// A locale names no script: "sr-Latn-RS" becomes sr_RS@latin, which WebKit
// reports as "sr-RS".
const localeSources = "/usr/share/i18n/locales";
const localeFiles = "/usr/lib/locale/C.utf8";
const localeNames = join(dirname(fileURLToPath(import.meta.url)), "../../build/web-tests/locales");

function systemLocale(tag) {
  const [language, ...rest] = tag.split("-");
  const script = rest.find((part) => part.length === 4);
  const region = rest.find((part) => part.length === 2)?.toUpperCase();
  const modifier = script === "Latn" ? "@latin" : "";
  const candidates = region ? [`${language}_${region}${modifier}`]
    : readdirSync(localeSources).filter((name) => name.startsWith(`${language}_`) && name.endsWith(modifier) && !name.includes("@") === !modifier);
  const name = candidates.find((candidate) => existsSync(join(localeSources, candidate)));
  if (!name) throw new Error(`no system locale for ${tag}`);
  const [base, variant] = name.split("@");
  const folder = `${base}.UTF-8${variant ? `@${variant}` : ""}`;
  if (!existsSync(join(localeNames, folder))) {
    mkdirSync(localeNames, { recursive: true });
    symlinkSync(localeFiles, join(localeNames, folder));
  }
  return folder;
}

async function startWebKit(locale) {
  const port = await freePort();
  const driverProcess = spawn("WebKitWebDriver", ["--host=127.0.0.1", `--port=${port}`], {
    stdio: "ignore",
    env: { ...process.env, LOCPATH: localeNames, LANG: systemLocale(locale), LANGUAGE: "", LC_ALL: "" },
  });
  const exited = once(driverProcess, "exit").then(() => { throw new Error("WebKitWebDriver ended"); });
  for (let tries = 0; ; tries++) {
    try {
      const driver = await Promise.race([exited, new Builder().usingServer(`http://127.0.0.1:${port}`).withCapabilities({
        browserName: "MiniBrowser",
        "webkitgtk:browserOptions": {
          binary: executables.webkit,
          args: ["--automation", "--javascript-can-access-clipboard=true"],
        },
      }).build()]);
      return { driver, stop: async () => { await driver.quit().catch(() => {}); driverProcess.kill(); } };
    } catch (error) {
      if (tries >= 20 || /ended/.test(error.message)) { driverProcess.kill(); throw error; }
      await sleep(250);  // the driver is not listening yet
    }
  }
}

// MiniBrowser's window cannot be made narrower than its toolbar (447 px);
// a narrower screen is a frame of that width on a page of the test server.
const narrowestWindow = 460;

async function launchWebKit() {
  // A running browser for each locale asked for: the default one's, and the
  // last other's, which ends when another language is asked for.
  const sessions = new Map();
  const session = async (locale) => {
    if (!sessions.has(locale)) {
      for (const [other, running] of sessions) {
        if (other === defaultLocale) continue;
        sessions.delete(other);
        await (await running).stop();
      }
      sessions.set(locale, startWebKit(locale));
    }
    return sessions.get(locale);
  };
  await session(defaultLocale);
  return {
    engine,
    cannot: {
      requests: "WebKitWebDriver reports no requests",
      accessibilityTree: null,
    },
    async open({ url, locale = defaultLocale, viewport = { width: 1000, height: 600 }, frame, ready = true } = {}) {
      const { driver } = await session(locale);
      await driver.switchTo().defaultContent();
      const framed = viewport.width < narrowestWindow;
      if (framed && !frame) throw new Error(`a screen ${viewport.width} px wide needs a page with a frame`);
      const width = Math.max(viewport.width, narrowestWindow);
      await driver.manage().window().setRect({ width: width + 100, height: viewport.height + 200 });
      const page = wrapWebKit(driver, framed ? frame(url, viewport) : null);
      await page.goto(url, { ready });
      return page;
    },
    close: async () => { for (const running of sessions.values()) await (await running).stop(); },
  };
}

const webDriverKeys = { Tab: Key.TAB, Enter: Key.ENTER, Escape: Key.ESCAPE, Shift: Key.SHIFT, Control: Key.CONTROL };

function wrapWebKit(driver, frame) {
  const script = (fn, args) => driver.executeScript(`return (${fn}).apply(null, arguments)`, ...args);
  const element = (selector) => driver.findElement(By.css(selector));
  // A page that is navigating may not run the script: asked again.
  const waitFor = async (fn, arg, timeout = readyTimeout) => {
    const until = Date.now() + timeout;
    let failure = "";
    for (;;) {
      const value = await script(fn, [arg]).catch((error) => { failure = ` (last: ${error.message})`; });
      if (value) return value;
      if (Date.now() > until) throw new Error(`timed out waiting for ${fn}${failure}`);
      await sleep(50);
    }
  };
  // The page itself, or the frame that stands for a narrow screen.
  const enter = async (url) => {
    if (!frame) return driver.get(url);
    await driver.get(frame);
    await driver.switchTo().frame(0);
  };
  const ready = () => waitFor(() => document.documentElement.dataset.ready === "true");
  const unframed = (what) => { if (frame) throw new Error(`no ${what} in a frame`); };
  return {
    errors: null,
    requests: null,
    goto: async (url, { ready: waiting = true } = {}) => {
      await enter(url);
      if (waiting) await ready();
    },
    reload: async () => { unframed("reload"); await driver.navigate().refresh(); await ready(); },
    back: async () => { unframed("going back"); await driver.navigate().back(); await ready(); },
    evaluate: (fn, ...args) => script(fn, args),
    run: (source) => driver.executeScript(source),
    waitFor,
    accessible: async (selector) => {
      const found = await element(selector);
      return { role: await found.getAriaRole(), name: await found.getAccessibleName() };
    },
    click: async (selector) => (await element(selector)).click(),
    focus: (selector) => script((s) => document.querySelector(s).focus(), [selector]),
    select: async (selector, value) => new Select(await element(selector)).selectByValue(value),
    type: (text) => driver.actions().sendKeys(text).perform(),
    press: async (combination) => {
      const parts = combination.split("+").map((key) => webDriverKeys[key] || key.toLowerCase());
      let actions = driver.actions();
      for (const key of parts.slice(0, -1)) actions = actions.keyDown(key);
      actions = actions.sendKeys(parts.at(-1));
      for (const key of parts.slice(0, -1).reverse()) actions = actions.keyUp(key);
      await actions.perform();
    },
    screenshot: async (path) => {
      // WebKit draws a change of the page some frames later; until then its screenshot is blank.
      await script(() => new Promise((drawn) => requestAnimationFrame(() => requestAnimationFrame(drawn))), []);
      const png = await driver.takeScreenshot();
      return path ? writeFile(path, png, "base64") : png;
    },
    cookies: () => driver.manage().getCookies(),
    // The next page opens in the same browser: it gets no worker and no
    // cache of this one.
    close: async () => {
      await driver.switchTo().defaultContent();
      await script(async () => {
        for (const registration of await navigator.serviceWorker?.getRegistrations() ?? []) await registration.unregister();
        for (const name of await globalThis.caches?.keys() ?? []) await caches.delete(name);
      }, []).catch(() => {});
      await driver.get("about:blank");
    },
  };
}

// ---- The engine chosen ------------------------------------------------------

export function launch() {
  return engine === "webkit" ? launchWebKit() : launchPuppeteer();
}

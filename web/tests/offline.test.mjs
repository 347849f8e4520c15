// Offline and private: the page works from the disk and from a static
// server, requests nothing but its own files and none it lacks, keeps its own
// files for offline use where it may, asks no other origin for anything, and
// keeps nothing of what is typed.
import assert from "node:assert/strict";
import { readFileSync, statSync } from "node:fs";
import { join } from "node:path";
import { describe, it } from "node:test";
import { setTimeout as sleep } from "node:timers/promises";
import {
  chooseCodePage, engineCan, keptFiles, openPage, pageDir, pageNumbers, pageUrl, pelvaroIdNumbers, projectVersion,
  siteFor, textOf, theBrowser, workerInControl,
} from "./harness.js";

// What opening the page loads, in the order the page asks for it; and what
// else a browser may ask for as it opens: the icon, the manifest and, over
// https or from this machine, the service worker.
const openingFiles = ["index.html", "pelvaro.css", "pelvaro-engine.js", "pelvaro-engine-wasm.js", "pelvaro-page.js"];
const mayAskFor = ["favicon.ico", "apple-touch-icon.png", "pelvaro.webmanifest", "pelvaro-sw.js"];
const bytes = (files) => files.reduce((sum, file) => sum + statSync(join(pageDir, file)).size, 0);

const browser = await theBrowser();

describe("offline and private", () => {
  it("works opened from the disk, with no error", async (t) => {
    const page = await openPage(browser, { url: pageUrl });
    assert.deepEqual(await pageNumbers(page, ["hello", "ABC"]), ["2337520240", "999494"]);
    assert.equal(await page.evaluate(() => navigator.serviceWorker?.controller ?? null), null);
    await page.close();
    if (!engineCan(t, page.errors, `${browser.engine}: the driver reports no console messages`)) return;
    assert.deepEqual(page.errors, []);
  });

  it("loads its own files and no other, opened from the disk", async (t) => {
    const page = await openPage(browser, { url: pageUrl });
    await page.close();
    if (!engineCan(t, page.requests, `${browser.engine}: ${browser.cannot.requests}`)) return;
    const base = pageUrl.replace(/index\.html$/, "");
    assert.deepEqual(page.requests.filter((url) => !mayAskFor.some((file) => url === base + file)),
      openingFiles.map((file) => base + file));
  });

  for (const [locale, table] of [["en-US", null], ["ja-JP", "pelvaro-cp932.js"]]) {
    it(`from a static server in ${locale}: its own files, none missing, at most 75 KB for 1252`, async (t) => {
      const site = await siteFor(t);
      const page = await openPage(browser, { url: site.url, locale });
      await workerInControl(page);
      const asked = [...new Set(site.requests.map((path) => (path === "/" ? "index.html" : path.slice(1))))];
      const expected = table ? [...openingFiles, table] : openingFiles;
      assert.deepEqual(asked.filter((file) => !mayAskFor.includes(file)).sort(), expected.sort());
      const missing = asked.filter((file) => !statSync(join(pageDir, file), { throwIfNoEntry: false }));
      assert.deepEqual(missing, []);
      t.diagnostic(`${browser.engine}: opening in ${locale} asked for ${asked.join(", ")}: ${bytes(asked)} bytes`);
      if (!table) assert.ok(bytes(asked) <= 75000, `${bytes(asked)} bytes`);
      await page.close();
    });
  }

  it("loads a code page chosen later alone, and keeps the code page in use when its table is missing, damaged or another's", async (t) => {
    const site = await siteFor(t);
    const page = await openPage(browser, { url: site.url });
    await workerInControl(page);
    site.requests.length = 0;
    await chooseCodePage(page, 932);
    assert.deepEqual(site.requests, ["/pelvaro-cp932.js"]);
    site.answers.set("/pelvaro-cp1253.js", { body: 'pelvaroCodePageData(1253,"/////w==");' });
    site.answers.set("/pelvaro-cp874.js", { status: 404 });
    // 1250's table in another's place: with its call naming 1251, and as it is for 1257.
    const table1250 = readFileSync(join(pageDir, "pelvaro-cp1250.js"), "utf8");
    site.answers.set("/pelvaro-cp1251.js", { body: table1250.replace("(1250,", "(1251,") });
    site.answers.set("/pelvaro-cp1257.js", { body: table1250 });
    await chooseCodePage(page, 1252);
    for (const [codePage, why] of [[1253, "is damaged"], [874, "did not load"], [1251, "is damaged"], [1257, "is damaged"]]) {
      await page.select("#code-page", String(codePage));
      await page.waitFor(() => /could not/.test(document.getElementById("code-page-status").textContent));
      assert.match(await textOf(page, "#code-page-status"),
        new RegExp(`^Code page ${codePage} could not be loaded \\(.*${why}\\); still in use: 1252 `));
      assert.equal(await page.evaluate(() => document.getElementById("code-page").value), "1252");
      assert.deepEqual(await pageNumbers(page, ["Ελληνικά"]), ["41509384"]);
    }
    site.answers.clear();
    await chooseCodePage(page, 1251);  // a table refused is fetched again
    await page.close();
  });

  it("opens offline after the first visit, with the code pages it loaded and was given, from files of this release only", async (t) => {
    const site = await siteFor(t);
    const page = await openPage(browser, { url: site.url, locale: "ja-JP" });
    await chooseCodePage(page, 1250);  // at once, likely before the worker is there
    if (!engineCan(t, await workerInControl(page), `${browser.engine}: no service worker came to control the page`)) return;
    const tables = ["pelvaro-cp932.js", "pelvaro-cp1250.js"].map((file) => site.url + file);
    await page.waitFor(async (urls) => (await Promise.all(urls.map((url) => caches.match(url)))).every(Boolean), tables);
    const kept = await keptFiles(page);
    assert.deepEqual(Object.keys(kept).map((name) => name.replace(/-[0-9a-f]{12} /, " ")), [`pelvaro-${projectVersion()} ${site.url}`]);
    const files = Object.values(kept)[0];
    assert.ok(files.every((url) => url.startsWith(site.url)), files.join(" "));
    assert.ok([...openingFiles.map((file) => site.url + file), ...tables].every((url) => files.includes(url)), files.join(" "));
    site.offline = true;
    await page.reload();
    assert.equal(await textOf(page, "#code-page-status"), "In use: code page 932 Japanese.");
    const texts = ["あいう@Example.JP", "hello"];
    assert.deepEqual(await pageNumbers(page, texts), pelvaroIdNumbers(texts, 932));
    await chooseCodePage(page, 1250);
    assert.deepEqual(await pageNumbers(page, ["Łódź ŻÓŁW"]), pelvaroIdNumbers(["Łódź ŻÓŁW"], 1250));
    await page.close();
  });

  it("says in plain words what to do when its engine cannot start, the cause in the console", async (t) => {
    const site = await siteFor(t);
    site.answers.set("/pelvaro-engine-wasm.js", { body: 'self.pelvaroEngineWasm="AGFzbQEAAAAB";' });  // cut short
    const page = await openPage(browser, { url: site.url, ready: false });
    await page.waitFor(() => !document.getElementById("page-error").hidden);
    const shown = await textOf(page, "#page-error");
    assert.match(shown, /^The page could not start\. Reload it.* open index\.html from /);
    assert.doesNotMatch(shown, /atob|Abort|CompileError|ASSERTIONS|wasm/i);
    await page.close();
    if (!engineCan(t, page.errors, `${browser.engine}: the driver reports no console messages`)) return;
    assert.ok(page.errors.some((error) => /could not start/.test(error)), page.errors.join("\n"));
  });

  it("names its icon in the sizes browsers ask for, each file the size it says", () => {
    const png = (file) => {
      const data = readFileSync(join(pageDir, file));
      return data.subarray(1, 4).toString() === "PNG" ? `${data.readUInt32BE(16)}x${data.readUInt32BE(20)}` : "not a PNG";
    };
    const html = readFileSync(join(pageDir, "index.html"), "utf8");
    const link = (rel) => html.match(new RegExp(`<link rel="${rel}" href="([^"]+)"(?: sizes="([^"]+)")?`)).slice(1);
    const [favicon, faviconSizes] = link("icon");
    const ico = readFileSync(join(pageDir, favicon));
    const entries = Array.from({ length: ico.readUInt16LE(4) }, (_, i) => {
      const [width, offset] = [ico[6 + 16 * i], ico.readUInt32LE(6 + 16 * i + 12)];
      return `${width}x${width}` + (ico.subarray(offset + 1, offset + 4).toString() === "PNG" ? "" : " not a PNG");
    });
    assert.deepEqual([favicon, entries.join(" ")], ["favicon.ico", faviconSizes]);
    assert.equal(png(link("apple-touch-icon")[0]), "180x180");
    const manifest = JSON.parse(readFileSync(join(pageDir, link("manifest")[0]), "utf8"));
    assert.equal(manifest.display, "standalone");
    assert.deepEqual(manifest.icons.map((icon) => [icon.sizes, png(icon.src)]), [["192x192", "192x192"], ["512x512", "512x512"]]);
    assert.match(html, /<meta name="description" content="[^"]{50,}">/);
  });

  it("keeps its text to itself: its policy refuses any connection, and it stores nothing of what is typed", async (t) => {
    const site = await siteFor(t);
    const page = await openPage(browser, { url: site.url });
    const policy = await page.evaluate(() => document.querySelector('meta[http-equiv="Content-Security-Policy"]').content);
    for (const directive of ["default-src 'none'", "connect-src 'none'", "form-action 'none'"])
      assert.ok(policy.includes(directive), directive);
    site.requests.length = 0;
    await page.focus("#Text1");
    await page.type("someone@example.com");
    await page.click("#Command1");
    await page.click("#Label3");
    await page.press("Escape");
    const refused = await page.evaluate(async (url) => {
      try { await fetch(url); return false; } catch { return true; }
    }, `${site.url}index.html`);
    assert.ok(refused, "a fetch, even of the page's own file, is refused");
    const kept = await page.evaluate(async () => ({
      cookie: document.cookie,
      local: localStorage.length,
      session: sessionStorage.length,
      databases: (await indexedDB.databases()).length,
    }));
    assert.deepEqual(kept, { cookie: "", local: 0, session: 0, databases: 0 });
    assert.deepEqual(await page.cookies(), [], "the browser's cookie jar for the site");
    const own = (path) => path === "/" || statSync(join(pageDir, path), { throwIfNoEntry: false })?.isFile();
    assert.ok(site.requests.every(own), `asked for ${site.requests.join(" ")}`);
    await workerInControl(page);
    for (const files of Object.values(await keptFiles(page)))
      assert.ok(files.every((url) => url.startsWith(site.url) && !url.includes("someone")), files.join(" "));
    // The jar is read where the page's own cookie would be.
    await page.evaluate(() => { document.cookie = "probe=1"; });
    assert.deepEqual((await page.cookies()).map((cookie) => cookie.name), ["probe"]);
    await page.close();
  });

  // The tests' server sends a policy beside the page's own that refuses
  // anything from another origin and reports it back: what the browser
  // reports, and in Chromium the requests it saw, name no other origin. A
  // request the page is then made to make shows that the engine reports one.
  it("asks no other origin for anything while it opens and is used, as the browser reports", async (t) => {
    const site = await siteFor(t);
    const page = await openPage(browser, { url: site.url });
    await page.focus("#Text1");
    await page.type("someone@example.com");
    await page.click("#Command1");
    await chooseCodePage(page, 1253);
    await page.click("#Label3");
    await page.press("Escape");
    await workerInControl(page);
    assert.deepEqual(site.reports, []);
    assert.deepEqual((page.requests ?? []).filter((url) => !url.startsWith(site.url)), []);
    const elsewhere = `http://localhost:${new URL(site.url).port}/elsewhere.png`;
    await page.evaluate((url) => { new Image().src = url; }, elsewhere);
    for (let tries = 0; tries < 50 && site.reports.length === 0; tries++) await sleep(100);
    await page.close();
    if (!engineCan(t, site.reports.length > 0, `${browser.engine} sent no report of the policy's refusal`)) return;
    assert.deepEqual(site.reports.map((report) => new URL(report["blocked-uri"]).origin), [new URL(elsewhere).origin]);
  });
});

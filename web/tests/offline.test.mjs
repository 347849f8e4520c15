// Offline and private: the page works from the disk and from a static
// server, requests nothing but its own files, and keeps nothing.
import assert from "node:assert/strict";
import { statSync } from "node:fs";
import { join } from "node:path";
import { after, before, describe, it } from "node:test";
import { chooseCodePage, launch, openPage, pageDir, pageNumbers, pageUrl, serve } from "./harness.js";

// What opening the page loads, in the order the page asks for it.
const openingFiles = ["index.html", "pelvaro.css", "pelvaro-engine.js", "pelvaro-engine-wasm.js", "pelvaro-page.js"];

describe("offline and private", () => {
  let browser;
  let site;
  before(async () => {
    browser = await launch();
    site = await serve();
  });
  after(async () => {
    await browser?.close();
    site?.server.close();
  });

  it("works opened from the disk, loading its own files and no other", async (t) => {
    const page = await openPage(browser, { url: pageUrl });
    assert.deepEqual(await pageNumbers(page, ["hello", "ABC"]), ["2337520240", "999494"]);
    const base = pageUrl.replace(/index\.html$/, "");
    assert.deepEqual(page.requests, openingFiles.map((file) => base + file));
    assert.deepEqual(page.errors, []);
    const bytes = openingFiles.reduce((sum, file) => sum + statSync(join(pageDir, file)).size, 0);
    t.diagnostic(`opening the page in code page 1252 costs ${bytes} bytes`);
    await page.context().close();
  });

  it("works from a static server, and a code page chosen later loads its table alone", async () => {
    const page = await openPage(browser, { url: site.url });
    assert.deepEqual(page.requests, [site.url, ...openingFiles.slice(1).map((file) => site.url + file)]);
    await chooseCodePage(page, 932);
    assert.deepEqual(page.requests.slice(openingFiles.length), [`${site.url}pelvaro-cp932.js`]);
    assert.ok(page.requests.every((url) => url.startsWith(site.url)), page.requests.join(" "));
    await page.context().close();
  });

  it("keeps the code page in use when a chosen table is missing or damaged, and says so", async () => {
    const page = await openPage(browser, { url: site.url });
    await page.route("**/pelvaro-cp1253.js", (route) => route.fulfill({
      contentType: "text/javascript", body: 'pelvaroCodePageData(1253,"/////w==");',
    }));
    await page.route("**/pelvaro-cp874.js", (route) => route.fulfill({ status: 404 }));
    for (const [codePage, why] of [[1253, "is damaged"], [874, "did not load"]]) {
      await page.selectOption("#code-page", String(codePage));
      await page.waitForFunction(() => /could not/.test(document.getElementById("code-page-status").textContent));
      assert.match(await page.textContent("#code-page-status"),
        new RegExp(`^Code page ${codePage} could not be loaded \\(.*${why}\\); still in use: 1252 `));
      assert.equal(await page.inputValue("#code-page"), "1252");
      assert.deepEqual(await pageNumbers(page, ["Ελληνικά"]), ["41509384"]);
    }
    await page.context().close();
  });

  it("keeps its text to itself: its policy refuses any connection, and it stores nothing", async () => {
    const page = await openPage(browser, { url: site.url });
    const policy = await page.getAttribute('meta[http-equiv="Content-Security-Policy"]', "content");
    for (const directive of ["default-src 'none'", "connect-src 'none'", "form-action 'none'"])
      assert.ok(policy.includes(directive), directive);
    await page.fill("#Text1", "someone@example.com");
    await page.click("#Command1");
    await page.click("#Label3");
    await page.keyboard.press("Escape");
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
    assert.deepEqual(await page.context().cookies(), []);
    assert.ok(page.requests.every((url) => url.startsWith(site.url)), page.requests.join(" "));
    await page.context().close();
  });
});

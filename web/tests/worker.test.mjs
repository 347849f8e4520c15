// The page's service worker: it answers and keeps the page's own files alone,
// and only whole, for its own copy of the page; a new release reaches the
// page past the browser's HTTP cache, and a file cut short never sticks.
import assert from "node:assert/strict";
import { readFileSync } from "node:fs";
import { join } from "node:path";
import { describe, it } from "node:test";
import {
  keptFiles, openPage, pageNumbers, pageRelease, siteFor, textOf, theBrowser, updateWorker, workerInControl,
  workerList,
} from "./harness.js";

const day = 24 * 60 * 60 * 1000;
const listed = Object.values(workerList()).flatMap(Object.keys);

// Release B: the page with one line more, which marks it as B's.
const releaseB = { edits: { "pelvaro-page.js": (text) => `${text}document.documentElement.dataset.release = "B";\n` } };
const release = (page) => page.evaluate(() => document.documentElement.dataset.release ?? "A");
const releaseRuns = (page, name) => page.waitFor((wanted) =>
  document.documentElement.dataset.release === wanted && document.documentElement.dataset.ready === "true", name);

const browser = await theBrowser();

describe("the page's service worker", () => {
  // The page at the site's root once its worker controls it; null, the test
  // skipped, where the engine never gets there.
  async function openControlled(t, site) {
    const page = await openPage(browser, { url: site.url });
    if (await workerInControl(page)) return page;
    await page.close();
    t.skip(`${browser.engine}: no service worker came to control the page`);
    return null;
  }

  it("answers and keeps the page's files alone: other pages, methods, queries and ranges go to the server", async (t) => {
    const site = await siteFor(t);
    site.answers.set("/other.html", { type: "text/html", body: "other v1" });
    site.answers.set("/secret.json", { type: "application/json", body: "{}" });
    const page = await openControlled(t, site);
    if (!page) return;
    // A page beside it, in the worker's folder and so under its control.
    const other = () => page.evaluate(() => [document.body.textContent, Boolean(navigator.serviceWorker.controller)]);
    await page.goto(`${site.url}other.html`, { ready: false });
    assert.deepEqual(await other(), ["other v1", true]);
    site.answers.set("/other.html", { type: "text/html", body: "other v2" });
    await page.goto(`${site.url}other.html`, { ready: false });
    assert.deepEqual(await other(), ["other v2", true]);

    site.requests.length = 0;
    const answers = await page.evaluate(async () => {
      const range = await fetch("pelvaro-engine.js", { headers: { Range: "bytes=0-9" } });
      const query = await fetch("pelvaro-page.js?v=2");
      const post = await fetch("pelvaro.css", { method: "POST" });
      return [range.status, (await range.text()).length, query.status, post.status];
    });
    assert.deepEqual(answers, [206, 10, 200, 200]);
    assert.deepEqual(site.requests, ["/pelvaro-engine.js", "/pelvaro-page.js", "/pelvaro.css"]);

    // `keep` from any page of the site takes the list's tables, and nothing else.
    const names = ["/secret.json", "../secret.json", `${site.url}secret.json`, "other.html", "pelvaro-cp1250.js?token=A",
      "pelvaro-cp1251.js"];
    await page.evaluate((keep) => navigator.serviceWorker.controller.postMessage({ keep }), names);
    const table = `${site.url}pelvaro-cp1251.js`;
    await page.waitFor(async (url) => Boolean(await caches.match(url)), table);
    const kept = Object.values(await keptFiles(page)).flat();
    assert.deepEqual(kept.filter((url) => !listed.some((file) => url === site.url + file)), []);
    assert.deepEqual([kept.includes(table), kept.includes(`${site.url}pelvaro-cp1250.js`)], [true, false]);
    assert.ok(!site.requests.includes("/secret.json"), site.requests.join(" "));
    // A file is kept with the server's headers: a policy sent as a header holds offline too.
    const header = await page.evaluate(async (url) => (await caches.match(url)).headers.get("Content-Security-Policy"),
      `${site.url}index.html`);
    assert.match(header ?? "", /report-uri/);
    await page.close();
  });

  it("leaves the cache of a copy in another folder alone, a copy of another release", async (t) => {
    const site = await siteFor(t);
    site.folders.set("/two/", pageRelease(t, releaseB));
    const page = await openControlled(t, site);
    if (!page) return;
    const first = await keptFiles(page);
    await page.goto(`${site.url}two/`);
    assert.ok(await workerInControl(page), "the second copy's worker controls it");
    assert.equal(await release(page), "B");
    const both = await keptFiles(page);
    assert.deepEqual(Object.keys(both).map((name) => name.split(" ")[1]).sort(), [site.url, `${site.url}two/`]);
    for (const [name, files] of Object.entries(first)) assert.deepEqual(both[name], files, name);
    await page.close();
  });

  it("brings release B, after A, both dated days back, in one line: B's code runs once it is taken", async (t) => {
    const site = await siteFor(t);
    site.lastModified = true;
    site.folders.set("/", pageRelease(t, { age: 10 * day }));
    const page = await openControlled(t, site);
    if (!page) return;
    site.folders.set("/", pageRelease(t, { ...releaseB, age: 9 * day }));
    assert.equal(await updateWorker(page), "installed");
    await page.waitFor(() => !document.getElementById("release-ready").hidden);
    assert.equal(await textOf(page, "#release-ready"), "A new release is ready: reload");
    assert.equal(await release(page), "A");
    await page.click("#release-reload");
    await releaseRuns(page, "B");
    assert.equal(Object.keys(await keptFiles(page)).length, 1, "A's cache is gone");
    await page.close();
  });

  it("installs no release with a file cut short: the release in use goes on, and the mended file comes with the next update", async (t) => {
    const site = await siteFor(t);
    const page = await openControlled(t, site);
    if (!page) return;
    const releaseDir = pageRelease(t, releaseB);
    site.folders.set("/", releaseDir);
    const engine = readFileSync(join(releaseDir, "pelvaro-engine-wasm.js"), "utf8");
    site.answers.set("/pelvaro-engine-wasm.js", { body: engine.slice(0, engine.length / 2) });
    assert.equal(await updateWorker(page), "redundant");
    await page.reload();
    assert.deepEqual([await release(page), await pageNumbers(page, ["hello"])], ["A", ["2337520240"]]);
    site.answers.delete("/pelvaro-engine-wasm.js");
    assert.equal(await updateWorker(page), "installed");
    await page.reload();  // the page opens as A's, offering B
    await page.waitFor(() => !document.getElementById("release-ready").hidden);
    await page.click("#release-reload");
    await releaseRuns(page, "B");
    assert.deepEqual(await pageNumbers(page, ["hello"]), ["2337520240"]);
    await page.close();
  });
});


// The page's numbers against pelvaro-id's, text for text and code page for
// code page; the code page the browser's language picks; and the number
// shown always the shown code page's, while tables arrive late and out of order.
import assert from "node:assert/strict";
import { existsSync } from "node:fs";
import { join } from "node:path";
import { after, before, describe, it } from "node:test";
import {
  chooseCodePage, offeredCodePages, openPage, pageDir, pageNumbers, pelvaroIdNumbers, serve, siteFor, textOf,
  theBrowser, valueOf,
} from "./harness.js";

const texts = [
  "", "hello", "ABC", "abc", "Someone@Example.COM", "  spaced  out  ", " ", "a b\tc",
  "\u{1F600}@smile.example", "\u{20BB7}\u{1F468}\u200D\u{1F469}",  // beyond U+FFFF, and a joiner
  "\uD800", "x\uDC00y", "\uDBFF\uD800",                            // lone halves of surrogate pairs
  "Ünïcödé@Bücher.de", "ÀÉÎÕÜ ßÿ", "€‚ƒ„…†‡ˆ‰Š‹ŒŽ", "İstanbul@x.ru", "\u212A\u212B\u01C5\u1E9E",
  "あいう@Example.JP", "ｱｲｳ¥\\~", "中文@例子.中国", "繁體字", "한국어@예시.한국", "Ελληνικά@ΠΑΡΆΔΕΙΓΜΑ.gr",
  "Привет@ПРИМЕР.рф", "שלום@דוגמה", "مرحبا@مثال", "ภาษาไทย", "Tiếng Việt", "Łódź ŻÓŁW", "ĀāĒē",
  "\uE000\uF8FF\uFFFD\uFFFF\u0001\u0080\u00A0",
];

// A code page whose table the engine carries has no script of its own.
const hasTableScript = (codePage) => existsSync(join(pageDir, `pelvaro-cp${codePage}.js`));

const browser = await theBrowser();

describe("the page's numbers are pelvaro-id's", () => {
  let page;
  before(async () => { page = await openPage(browser); });
  after(() => page.close());

  it("in every code page the page offers, which are pelvaro-id's 15", async (t) => {
    const offered = await offeredCodePages(page);
    assert.equal(offered.length, 15);
    for (const codePage of offered) {
      await t.test(`in code page ${codePage}`, async () => {
        await chooseCodePage(page, codePage);
        const expected = pelvaroIdNumbers(texts, codePage);
        const shown = await pageNumbers(page, texts);
        texts.forEach((text, i) => assert.equal(shown[i], expected[i], `${JSON.stringify(text)} in ${codePage}`));
      });
    }
  });

  it("for a 1 MiB paste", async () => {
    const site = await serve();
    try {
      const pasting = await openPage(browser, { url: site.url, clipboard: true });
      const unit = "Pasted@Example.com Ünïcödé \u{1F600} ";
      const text = unit.repeat(Math.ceil((1 << 20) / unit.length)).slice(0, 1 << 20);
      await pasting.click("#Text1");  // the click lets the page write the clipboard
      await pasting.evaluate((pasted) => navigator.clipboard.writeText(pasted), text);
      await pasting.press("Control+V");
      await pasting.waitFor(() => document.getElementById("Text1").value.length > 0);
      // WebKit holds at most 524,288 units in a text box, and cuts a paste there.
      const held = await valueOf(pasting, "#Text1");
      assert.equal(held, text.slice(0, browser.engine === "webkit" ? 524288 : 1 << 20));
      await pasting.click("#Command1");
      assert.equal(await valueOf(pasting, "#Text2"), pelvaroIdNumbers([held], 1252)[0]);
      await pasting.close();
    } finally {
      site.close();
    }
  });
});

describe("the browser's language picks the code page, as the system's locale does on Windows", () => {
  const cases = [
    ["en-US", 1252], ["pt-BR", 1252], ["ja-JP", 932], ["zh-CN", 936], ["zh-TW", 950], ["zh-Hant-HK", 950],
    ["ko-KR", 949], ["th-TH", 874], ["pl-PL", 1250], ["sr-Latn-RS", 1250], ["ru-RU", 1251], ["sr", 1251],
    ["el-GR", 1253], ["tr-TR", 1254], ["he-IL", 1255], ["ar-EG", 1256], ["lt-LT", 1257], ["vi-VN", 1258],
  ];
  it("from the language to the code page in use, loading that code page's table and no other", async (t) => {
    for (const [locale, codePage] of cases) await t.test(locale, async (t) => {
      const site = await siteFor(t);
      const page = await openPage(browser, { url: site.url, locale });
      const language = await page.evaluate(() => navigator.language);
      if (language !== locale) {
        await page.close();
        return t.skip(`${browser.engine} reports ${language} for ${locale}: it takes the language from the system's locale`);
      }
      const inUse = { shown: await valueOf(page, "#code-page"), status: await textOf(page, "#code-page-status") };
      assert.equal(inUse.shown, String(codePage), locale);
      assert.match(inUse.status, new RegExp(`^In use: code page ${codePage} `), locale);
      const tables = site.requests.filter((path) => /pelvaro-cp\d+\.js$/.test(path)).map((path) => path.match(/cp(\d+)/)[1]);
      assert.deepEqual([...new Set(tables)], hasTableScript(codePage) ? [String(codePage)] : [], locale);
      await page.close();
    });
  });
});

describe("the number shown is always the number for the code page shown", () => {
  let site;
  before(async () => { site = await serve(); });
  after(() => site.close());

  // Chooses the code pages one after another without waiting, each table
  // held back as long as given, presses Work out on text while the last one
  // loads, and gives what the page shows then and once every table is in.
  async function race(delays, text) {
    for (const [codePage, milliseconds] of delays) site.delays.set(`/pelvaro-cp${codePage}.js`, milliseconds);
    const page = await openPage(browser, { url: site.url });
    await page.focus("#Text1");
    await page.type(text);
    for (const [codePage] of delays) await page.select("#code-page", String(codePage));
    await page.click("#Command1");
    const whileLoading = await page.evaluate(() => ({
      picker: document.getElementById("code-page").value,
      status: document.getElementById("code-page-status").textContent,
      number: document.getElementById("Text2").value,
    }));
    await page.waitFor(() => document.getElementById("Text2").value !== "");
    const last = String(delays.at(-1)[0]);
    await page.waitFor((wanted) => document.documentElement.dataset.codePage === wanted, last);
    await new Promise((settle) => setTimeout(settle, Math.max(...delays.map(([, ms]) => ms))));  // every table in
    const settled = { picker: await valueOf(page, "#code-page"), number: await valueOf(page, "#Text2") };
    site.delays.clear();
    await page.close();
    return { whileLoading, settled };
  }

  it("Work out pressed while the chosen table loads shows that code page's number", async () => {
    const { whileLoading, settled } = await race([[950, 1500], [932, 1500], [1251, 1500], [949, 1500]], "한국@example.kr");
    assert.equal(whileLoading.picker, "949");
    assert.match(whileLoading.status, /^Loading code page 949 Korean….*Work out shows the number when it is in/);
    assert.equal(whileLoading.number, "");
    assert.deepEqual(settled, { picker: "949", number: "2079372573" });
    assert.equal(pelvaroIdNumbers(["한국@example.kr"], 949)[0], "2079372573");
  });

  it("the latest choice wins whatever order the tables arrive in", async () => {
    const { settled } = await race([[949, 200], [950, 1200], [932, 100]], "中文@例子.中国");
    assert.deepEqual(settled, { picker: "932", number: pelvaroIdNumbers(["中文@例子.中国"], 932)[0] });
  });

  it("a number shown is cleared when another code page is chosen", async () => {
    const page = await openPage(browser, { url: site.url });
    await page.focus("#Text1");
    await page.type("Ελληνικά");
    await page.click("#Command1");
    assert.equal(await valueOf(page, "#Text2"), "41509384");
    await chooseCodePage(page, 1253);
    assert.equal(await valueOf(page, "#Text2"), "");
    await page.close();
  });
});

// The page's numbers against pelvaro-id's, text for text and code page for
// code page, and the code page the browser's language picks.
import assert from "node:assert/strict";
import { after, before, describe, it } from "node:test";
import { chooseCodePage, launch, openPage, pageNumbers, pelvaroIdNumbers } from "./harness.js";

const texts = [
  "", "hello", "ABC", "abc", "Someone@Example.COM", "  spaced  out  ", " ", "a b\tc",
  "\u{1F600}@smile.example", "\u{20BB7}\u{1F468}\u200D\u{1F469}",  // beyond U+FFFF, and a joiner
  "\uD800", "x\uDC00y", "\uDBFF\uD800",                            // lone halves of surrogate pairs
  "Ünïcödé@Bücher.de", "ÀÉÎÕÜ ßÿ", "€‚ƒ„…†‡ˆ‰Š‹ŒŽ", "İstanbul@x.ru", "\u212A\u212B\u01C5\u1E9E",
  "あいう@Example.JP", "ｱｲｳ¥\\~", "中文@例子.中国", "繁體字", "한국어@예시.한국", "Ελληνικά@ΠΑΡΆΔΕΙΓΜΑ.gr",
  "Привет@ПРИМЕР.рф", "שלום@דוגמה", "مرحبا@مثال", "ภาษาไทย", "Tiếng Việt", "Łódź ŻÓŁW", "ĀāĒē",
  "\uE000\uF8FF\uFFFD\uFFFF\u0001\u0080\u00A0",
];

// pelvaro-id's code pages; the page's engine is built with 1252's table and
// loads each other one's as a script when it is chosen; 65001 is worked out.
const codePages = [874, 932, 936, 949, 950, 1250, 1251, 1252, 1253, 1254, 1255, 1256, 1257, 1258, 65001];
const compiledIn = [1252];

describe("the page's numbers are pelvaro-id's", () => {
  let browser;
  let page;
  before(async () => {
    browser = await launch();
    page = await openPage(browser);
  });
  after(() => browser?.close());

  for (const codePage of codePages) {
    it(`in code page ${codePage}`, async () => {
      await chooseCodePage(page, codePage);
      const expected = pelvaroIdNumbers(texts, codePage);
      const shown = await pageNumbers(page, texts);
      texts.forEach((text, i) => assert.equal(shown[i], expected[i], `${JSON.stringify(text)} in ${codePage}`));
    });
  }

  it("for a 1 MiB paste", async () => {
    await chooseCodePage(page, 1252);
    const unit = "Pasted@Example.com Ünïcödé \u{1F600} ";
    const text = unit.repeat(Math.ceil((1 << 20) / unit.length)).slice(0, 1 << 20);
    await page.context().grantPermissions(["clipboard-read", "clipboard-write"]);
    await page.evaluate((pasted) => navigator.clipboard.writeText(pasted), text);
    await page.fill("#Text1", "");
    await page.keyboard.press("Control+V");
    assert.equal((await page.inputValue("#Text1")).length, 1 << 20);
    await page.click("#Command1");
    assert.equal(await page.inputValue("#Text2"), pelvaroIdNumbers([text], 1252)[0]);
  });
});

describe("the browser's language picks the code page, as the system's locale does on Windows", () => {
  let browser;
  before(async () => { browser = await launch(); });
  after(() => browser?.close());

  const cases = [
    ["en-US", 1252], ["pt-BR", 1252], ["ja-JP", 932], ["zh-CN", 936], ["zh-TW", 950], ["zh-Hant-HK", 950],
    ["ko-KR", 949], ["th-TH", 874], ["pl-PL", 1250], ["sr-Latn-RS", 1250], ["ru-RU", 1251], ["sr", 1251],
    ["el-GR", 1253], ["tr-TR", 1254], ["he-IL", 1255], ["ar-EG", 1256], ["lt-LT", 1257], ["vi-VN", 1258],
  ];
  it("from the language to the code page in use, loading that code page's table and no other", async () => {
    for (const [locale, codePage] of cases) {
      const page = await openPage(browser, { locale });
      const inUse = await page.evaluate(() => ({
        shown: document.getElementById("code-page").value,
        status: document.getElementById("code-page-status").textContent,
      }));
      assert.equal(inUse.shown, String(codePage), locale);
      assert.match(inUse.status, new RegExp(`^In use: code page ${codePage} `), locale);
      const tables = page.requests.filter((url) => /pelvaro-cp\d+\.js$/.test(url)).map((url) => url.match(/cp(\d+)/)[1]);
      assert.deepEqual(tables, compiledIn.includes(codePage) ? [] : [String(codePage)], locale);
      await page.context().close();
    }
  });
});

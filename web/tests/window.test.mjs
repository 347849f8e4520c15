// The page as the window: its boxes at the window's places, captions, title,
// focus and tab order, About's dialog, accessible names, About's and Text2's
// look in a screenshot's pixels; no stale number after a reload; one column
// on a phone's screen; axe-core's every rule.
import assert from "node:assert/strict";
import { readFileSync } from "node:fs";
import { createRequire } from "node:module";
import { after, before, describe, it } from "node:test";
import {
  engineCan, focused, openPage, screenshotAreas, serve, shownVersion, textOf, theBrowser, valueOf, windowTable,
} from "./harness.js";

const title = `Work out your MSN Messenger 6 id number - ${shownVersion()}`;
const table = windowTable();
const pixels = ({ left, top, width, height }) => [left, top, width, height].map((twips) => twips / 15);  // 96 DPI
const tabOrder = ["Text1", "Command1", "Text2", "Label3"];

// Tab from Text1 three times forward and three back: the ids focused.
async function tabbing(page) {
  await page.focus("#Text1");
  const order = [await focused(page)];
  for (const key of ["Tab", "Tab", "Tab", "Shift+Tab", "Shift+Tab", "Shift+Tab"]) {
    await page.press(key);
    order.push(await focused(page));
  }
  return order;
}

const browser = await theBrowser();

describe("the page is the window", () => {
  let page;
  before(async () => { page = await openPage(browser); });
  after(() => page.close());

  it("has the window's title after Load, with the project's version", async () => {
    assert.deepEqual([await page.evaluate(() => document.title), await textOf(page, "#Form1-title")], [title, title]);
  });

  it("logs no error", async (t) => {
    if (!engineCan(t, page.errors, `${browser.engine}: the driver reports no console messages`)) return;
    assert.deepEqual(page.errors, []);
  });

  it("places each caption's box at the table's twips, its caption whole on one line at the window's size", async () => {
    const shown = await page.evaluate((names) => {
      const client = document.getElementById("Form1-client").getBoundingClientRect();
      return names.map((name) => {
        const element = document.getElementById(name);
        const r = element.getBoundingClientRect();
        // About's link reaches above its caption's box (a bigger target): the box is below its padding.
        const padding = parseFloat(getComputedStyle(element).paddingTop);
        const range = document.createRange();
        range.selectNodeContents(element);
        const drawn = [...range.getClientRects()];
        return {
          box: [r.left - client.left, r.top + padding - client.top, r.width, r.height - padding],
          text: element.textContent,
          lines: new Set(drawn.map((rect) => Math.round(rect.top))).size,
          inside: drawn.every((rect) => rect.left >= r.left - 0.5 && rect.right <= r.right + 0.5 &&
            rect.top >= r.top + padding - 0.5 && rect.bottom <= r.bottom + 1),
          height: Math.max(0, ...drawn.map((rect) => rect.height)),
        };
      }).concat([{ box: [0, 0, client.width, client.height] }]);
    }, table.controls.map((control) => control.name));
    assert.equal(table.controls.length, 6);
    assert.deepEqual(shown.pop().box, pixels({ left: 0, top: 0, width: table.clientWidth, height: table.clientHeight }));
    table.controls.forEach((control, i) => {
      const { box, text, lines, inside, height } = shown[i];
      assert.deepEqual(box, pixels(control), control.name);
      if (control.caption === "") return;
      assert.deepEqual([text, lines, inside], [control.caption, 1, true], `${control.name}'s caption`);
      // 8.25 pt is 11 px: a line of it is 12 to 15 px high in the faces that stand in.
      assert.ok(height >= 11 && height <= 16, `${control.name}'s caption ${height} px high`);
    });
  });

  it("centres About's caption above the button, and the button takes a click on their shared row", async () => {
    const [about, button, hit] = await page.evaluate(() => {
      const range = document.createRange();
      range.selectNodeContents(document.getElementById("Label3"));
      const text = range.getBoundingClientRect();
      const button = document.getElementById("Command1").getBoundingClientRect();
      return [text.left + text.width / 2, button.left + button.width / 2,
        document.elementFromPoint(button.left + 2, button.top).id];
    });
    assert.ok(Math.abs(about - button) <= 1, `About's caption centred at ${about}, the button at ${button}`);
    assert.equal(hit, "Command1");
  });

  it("opens with the focus in Text1; Tab goes Text1, Work out, Text2, About and Shift+Tab back", async () => {
    assert.equal(await focused(page), "Text1");
    assert.deepEqual(await tabbing(page), [...tabOrder, ...tabOrder.slice(0, 3).reverse()]);
  });

  it("works out the number on a click; Text1 keeps its text and Text2 waits for the next click", async () => {
    await page.click("#Text1");
    await page.type("ABC");
    await page.click("#Command1");
    assert.deepEqual([await valueOf(page, "#Text2"), await valueOf(page, "#Text1")], ["999494", "ABC"]);
    await page.evaluate(() => { document.getElementById("Text1").value = ""; });
    await page.focus("#Text1");
    await page.type("hello");
    assert.equal(await valueOf(page, "#Text2"), "999494");
    await page.click("#Command1");
    await page.focus("#Text1");
    await page.type("x");
    await page.press("Enter");  // no default button: Enter changes nothing
    await page.focus("#Text2");
    await page.type("typed");  // read-only
    assert.equal(await valueOf(page, "#Text2"), "2337520240");
  });

  it("opens About as a modal dialog with the title and the two lines, closed by OK or Esc, focus returned", async () => {
    const dialog = () => page.evaluate(() => {
      const about = document.getElementById("About");
      return {
        open: about.open, modal: about.matches(":modal"), title: document.getElementById("About-title").textContent,
        text: document.getElementById("About-text").textContent,
        lines: (() => {
          const range = document.createRange();
          range.selectNodeContents(document.getElementById("About-text"));
          return new Set([...range.getClientRects()].map((rect) => Math.round(rect.top))).size;
        })(),
        buttons: [...about.querySelectorAll("button")].map((button) => button.textContent),
        focus: document.activeElement.id,
      };
    });
    await page.click("#Label3");
    assert.deepEqual(await dialog(), {
      open: true, modal: true, title, buttons: ["OK"], focus: "About-OK", lines: 2,
      text: "This program has been made by Tolvareth\nThe main code has been provided by Quenmar",
    });
    await page.press("Enter");
    assert.deepEqual([(await dialog()).open, (await dialog()).focus], [false, "Label3"]);
    await page.focus("#Text2");
    await page.press("Tab");
    await page.press("Enter");
    assert.equal((await dialog()).open, true);
    await page.press("Escape");
    assert.deepEqual([(await dialog()).open, (await dialog()).focus], [false, "Label3"]);
  });

  it("gives each box its caption as its accessible name, and About's dialog the title", async (t) => {
    if (!engineCan(t, page.accessible, `${browser.engine}: ${browser.cannot.accessibilityTree}`)) return;
    const expected = [["#Text1", "textbox", "Your passport email:"], ["#Text2", "textbox", "Your MSN Messenger 6 id number:"],
      ["#Command1", "button", "Work out"], ["#Label3", "link", "About"]];
    for (const [selector, role, name] of expected) assert.deepEqual(await page.accessible(selector), { role, name }, selector);
    await page.click("#Label3");
    assert.deepEqual(await page.accessible("#About"), { role: "dialog", name: title });
    await page.press("Escape");
  });

  // The last of these: the browser decodes the screenshot on a blank page.
  it("draws About blue and underlined, and Text2's digits up to its right edge, as a screenshot's pixels show", async () => {
    await page.evaluate(() => {
      document.getElementById("Text1").value = "hello";
      document.getElementById("Command1").click();
      document.activeElement.blur();  // no caret or focus ring in the pixels
    });
    const areas = await page.evaluate(() => {
      const range = document.createRange();
      range.selectNodeContents(document.getElementById("Label3"));
      const about = range.getBoundingClientRect();
      const text2 = document.getElementById("Text2");
      const box = text2.getBoundingClientRect();
      // About's caption, with room for an underline just below it; Text2 inside its border.
      return [{ left: about.left, top: about.top, width: about.width, height: about.height + 3 },
        { left: box.left + text2.clientLeft, top: box.top + text2.clientTop, width: text2.clientWidth, height: text2.clientHeight }];
    });
    const [about, text2] = await screenshotAreas(page, areas);

    // About on the window's light grey face: where red and green fall far,
    // blue stays up, as blue ink does; the lowest row of ink runs across the
    // whole caption, as an underline does.
    const strong = about.flat().filter(([red, green]) => Math.min(red, green) < 128);
    assert.ok(strong.length >= 20, `About has ${strong.length} dark pixels`);
    assert.deepEqual(strong.filter(([, , blue]) => blue < 200), [], "About's ink is blue");
    const inked = about.map((row) => row.flatMap(([red, green], x) => (Math.min(red, green) < 200 ? [x] : [])));
    const columns = inked.flat();
    const width = Math.max(...columns) - Math.min(...columns) + 1;
    const lowest = inked.findLastIndex((row) => row.length > 0);
    assert.ok(inked[lowest].length >= 0.9 * width, `About's lowest row of ink covers ${inked[lowest].length} of ${width} columns`);
    assert.ok(inked.slice(0, lowest).some((row) => row.length > 0), "About's caption stands above its underline");

    // "2337520240": its dark pixels end at Text2's right edge, less its
    // padding and a glyph's side, and start well right of its left edge.
    const dark = text2.flatMap((row) => row.flatMap(([red, green, blue], x) => (red + green + blue < 480 ? [x] : [])));
    const area = text2[0].length;
    assert.ok(Math.max(...dark) >= area - 5, `Text2's digits end at column ${Math.max(...dark)} of ${area}`);
    assert.ok(Math.min(...dark) > area / 4, `Text2's digits start at column ${Math.min(...dark)} of ${area}`);
  });
});

describe("no stale number", () => {
  // Text2 may show nothing, or the number of what Text1 holds.
  const shown = (page) => page.evaluate(() => [document.getElementById("Text1").value, document.getElementById("Text2").value]);
  const consistent = ([text1, text2]) => text2 === "" || (text1 === "hello" && text2 === "2337520240");

  it("after a reload, and after a return through the back/forward cache", async () => {
    const page = await openPage(browser);
    await page.focus("#Text1");
    await page.type("hello");
    await page.click("#Command1");
    assert.deepEqual(await shown(page), ["hello", "2337520240"]);
    await page.reload();
    const reloaded = await shown(page);
    assert.ok(consistent(reloaded), `after a reload: ${reloaded}`);
    await page.focus("#Text1");
    await page.type("hello");
    await page.click("#Command1");
    await page.goto("about:blank", { ready: false });
    await page.back();
    const returned = await shown(page);
    assert.ok(consistent(returned), `after going back: ${returned}`);
    await page.close();
  });
});

// The phone layout's sizes, as a user's finger and eyes meet them.
function phoneSizes() {
  const box = (id) => document.getElementById(id).getBoundingClientRect();
  const size = (id) => parseFloat(getComputedStyle(document.getElementById(id)).fontSize);
  const ids = ["Form1-title", "Label1", "Text1", "Command1", "Label2", "Text2", "Label3", "code-page"];
  return {
    oneColumn: document.documentElement.classList.contains("one-column"),
    scrollWidth: document.scrollingElement.scrollWidth,
    boxes: Object.fromEntries(ids.map((id) => {
      const r = box(id);
      return [id, { left: r.left, top: r.top, right: r.right, width: r.width, height: r.height, font: size(id) }];
    })),
  };
}

describe("on a phone's screen the window stands in one column", () => {
  let site;
  before(async () => { site = await serve(); });
  after(() => site.close());

  for (const width of [360, 320]) {
    it(`at ${width} px: the controls in their order, no sideways scrolling, text of 16 px, targets of 44 px`, async (t) => {
      const page = await openPage(browser, { url: site.url, site, viewport: { width, height: 640 } });
      const { oneColumn, scrollWidth, boxes } = await page.evaluate(phoneSizes);
      assert.equal(oneColumn, true);
      assert.ok(scrollWidth <= width, `the page is ${scrollWidth} px wide`);
      const column = ["Form1-title", "Label1", "Text1", "Command1", "Label2", "Text2", "Label3"];
      column.forEach((id, i) => {
        const { left, right, top } = boxes[id];
        assert.ok(left >= 0 && right <= width, `${id} from ${left} to ${right} px`);
        if (i > 0) assert.ok(top >= boxes[column[i - 1]].top + boxes[column[i - 1]].height - 0.5, `${id} below ${column[i - 1]}`);
      });
      for (const id of ["Text1", "Text2"]) assert.ok(boxes[id].font >= 16, `${id}'s text ${boxes[id].font} px`);
      assert.ok(boxes.Text2.font >= 24, `the number at ${boxes.Text2.font} px`);
      for (const id of ["Command1", "Label3", "code-page"])
        assert.ok(boxes[id].width >= 44 && boxes[id].height >= 44, `${id} ${boxes[id].width} x ${boxes[id].height} px`);
      assert.equal(await textOf(page, "#Form1-title"), title);
      assert.deepEqual(await tabbing(page), [...tabOrder, ...tabOrder.slice(0, 3).reverse()]);
      t.diagnostic(`${browser.engine} at ${width} px: ` + Object.entries(boxes).map(([id, b]) =>
        `${id} ${b.width.toFixed(1)}x${b.height.toFixed(1)} text ${b.font} px`).join("; "));
      await page.close();
    });
  }

  it("Text1 is an address box whose Go key works the number out; in the window Enter presses nothing", async () => {
    const phone = await openPage(browser, { url: site.url, site, viewport: { width: 360, height: 640 } });
    assert.deepEqual(await phone.evaluate(() => ["inputmode", "autocapitalize", "autocorrect", "spellcheck", "enterkeyhint"]
      .map((name) => document.getElementById("Text1").getAttribute(name))), ["email", "off", "off", "false", "go"]);
    await phone.focus("#Text1");
    await phone.type("hello");
    await phone.press("Enter");
    assert.equal(await valueOf(phone, "#Text2"), "2337520240");
    await phone.close();
    const desktop = await openPage(browser, { url: site.url, viewport: { width: 1280, height: 720 } });
    await desktop.focus("#Text1");
    await desktop.type("hello");
    await desktop.press("Enter");
    assert.equal(await valueOf(desktop, "#Text2"), "");
    await desktop.close();
  });

  it("stays the window, pixel for pixel, where it fits", async () => {
    const page = await openPage(browser, { url: site.url, site, viewport: { width: 480, height: 640 } });
    const { oneColumn, boxes } = await page.evaluate(phoneSizes);
    assert.equal(oneColumn, false);
    assert.deepEqual([boxes.Text1.width, boxes.Text1.height], [table.controls[1].width / 15, table.controls[1].height / 15]);
    await page.close();
  });
});

describe("axe-core, every rule on, finds nothing", () => {
  const axeSource = readFileSync(createRequire(import.meta.url).resolve("axe-core/axe.min.js"), "utf8");
  let site;
  before(async () => { site = await serve(); });
  after(() => site.close());

  for (const width of [360, 1280]) {
    it(`at ${width} px`, async (t) => {
      const page = await openPage(browser, { url: site.url, site, viewport: { width, height: 720 } });
      await page.run(axeSource);
      const { rules, violations } = await page.evaluate(async () => {
        const ids = window.axe.getRules().map((rule) => rule.ruleId);
        const result = await window.axe.run(document, { rules: Object.fromEntries(ids.map((id) => [id, { enabled: true }])) });
        return {
          rules: ids.length,
          violations: result.violations.map((v) => `${v.id} (${v.impact}): ${v.nodes.map((node) => node.target.join(" ")).join(", ")}`),
        };
      });
      t.diagnostic(`${browser.engine} at ${width} px: ${rules} rules, ${violations.length} violations`);
      assert.deepEqual(violations, []);
      await page.close();
    });
  }
});

// The page as the window: its boxes at the window's places, captions, title,
// focus and tab order, About's dialog, accessible names, a narrow screen.
import assert from "node:assert/strict";
import { after, before, describe, it } from "node:test";
import { launch, openPage, shownVersion, windowTable } from "./harness.js";

const title = `Work out your MSN Messenger 6 id number - ${shownVersion()}`;
const table = windowTable();
const pixels = ({ left, top, width, height }) => [left, top, width, height].map((twips) => twips / 15);  // 96 DPI
const focused = (page) => page.evaluate(() => document.activeElement.id);

describe("the page is the window", () => {
  let browser;
  let page;
  before(async () => {
    browser = await launch();
    page = await openPage(browser);
  });
  after(() => browser?.close());

  it("has the window's title after Load, with the project's version, and no errors", async () => {
    assert.deepEqual([await page.title(), await page.textContent("#Form1-title"), page.errors], [title, title, []]);
  });

  it("places each box at the table's twips, its caption whole on one line, in MS Sans Serif 8.25 pt or the nearest", async () => {
    const shown = await page.evaluate((names) => {
      const client = document.getElementById("Form1-client").getBoundingClientRect();
      return names.map((name) => {
        const element = document.getElementById(name);
        const r = element.getBoundingClientRect();
        const range = document.createRange();
        range.selectNodeContents(element);
        const style = getComputedStyle(element);
        return {
          box: [r.left - client.left, r.top - client.top, r.width, r.height],
          text: element.textContent,
          lines: new Set([...range.getClientRects()].map((rect) => Math.round(rect.top))).size,
          fits: element.scrollWidth <= element.clientWidth && element.scrollHeight <= element.clientHeight,
          face: style.fontFamily.split(",")[0].replace(/"/g, ""),
          size: parseFloat(style.fontSize),
        };
      }).concat([{ box: [0, 0, client.width, client.height] }]);
    }, table.controls.map((control) => control.name));
    assert.equal(table.controls.length, 6);
    assert.deepEqual(shown.pop().box, pixels({ left: 0, top: 0, width: table.clientWidth, height: table.clientHeight }));
    table.controls.forEach((control, i) => {
      const { box, text, lines, fits, face, size } = shown[i];
      assert.deepEqual(box, pixels(control), control.name);
      assert.equal(face, "MS Sans Serif");
      if (control.caption === "") return;
      assert.deepEqual([text, lines, fits], [control.caption, 1, true], `${control.name}'s caption`);
      assert.ok(size <= 11 && size >= 9, `${control.name} at ${size} px`);  // 8.25 pt is 11 px
    });
  });

  it("draws About blue, underlined and centred with the pointer, and Text2 read-only and right-aligned", async () => {
    assert.deepEqual(await page.evaluate(() => {
      const about = getComputedStyle(document.getElementById("Label3"));
      const text2 = document.getElementById("Text2");
      return [about.color, about.textDecorationLine, about.textAlign, about.cursor,
        text2.readOnly, getComputedStyle(text2).textAlign];
    }), ["rgb(0, 0, 255)", "underline", "center", "pointer", true, "right"]);
  });

  it("opens with the focus in Text1; Tab goes Text1, Work out, Text2, About and Shift+Tab back", async () => {
    const order = [await focused(page)];
    for (const key of ["Tab", "Tab", "Tab", "Shift+Tab", "Shift+Tab", "Shift+Tab"]) {
      await page.keyboard.press(key);
      order.push(await focused(page));
    }
    assert.deepEqual(order, ["Text1", "Command1", "Text2", "Label3", "Text2", "Command1", "Text1"]);
  });

  it("works out the number on a click; Text1 keeps its text and Text2 waits for the next click", async () => {
    await page.click("#Text1");
    await page.keyboard.type("ABC");
    await page.click("#Command1");
    assert.deepEqual([await page.inputValue("#Text2"), await page.inputValue("#Text1")], ["999494", "ABC"]);
    await page.fill("#Text1", "hello");
    assert.equal(await page.inputValue("#Text2"), "999494");
    await page.click("#Command1");
    await page.keyboard.press("Enter");  // no default button: Enter changes nothing
    await page.focus("#Text2");
    await page.keyboard.type("typed");  // read-only
    assert.equal(await page.inputValue("#Text2"), "2337520240");
  });

  it("opens About as a modal dialog with the title and the two lines, closed by OK or Esc, focus returned", async () => {
    const dialog = () => page.evaluate(() => {
      const about = document.getElementById("About");
      return {
        open: about.open, modal: about.matches(":modal"), title: document.getElementById("About-title").textContent,
        text: document.getElementById("About-text").innerText,
        buttons: [...about.querySelectorAll("button")].map((button) => button.textContent),
        focus: document.activeElement.id,
      };
    });
    await page.click("#Label3");
    assert.deepEqual(await dialog(), {
      open: true, modal: true, title, buttons: ["OK"], focus: "About-OK",
      text: "This program has been made by Tolvareth\nThe main code has been provided by Quenmar",
    });
    await page.keyboard.press("Enter");
    assert.deepEqual([(await dialog()).open, (await dialog()).focus], [false, "Label3"]);
    await page.focus("#Text2");
    await page.keyboard.press("Tab");
    await page.keyboard.press("Enter");
    assert.equal((await dialog()).open, true);
    await page.keyboard.press("Escape");
    assert.deepEqual([(await dialog()).open, (await dialog()).focus], [false, "Label3"]);
  });

  it("gives each box its caption as its accessible name in the browser's accessibility tree", async () => {
    const session = await page.context().newCDPSession(page);
    const named = async (role) => (await session.send("Accessibility.getFullAXTree")).nodes
      .filter((node) => !node.ignored && node.role?.value === role).map((node) => node.name?.value);
    assert.deepEqual(await named("textbox"), ["Your passport email:", "Your MSN Messenger 6 id number:"]);
    assert.deepEqual([await named("button"), await named("link")], [["Work out"], ["About"]]);
    await page.click("#Label3");
    assert.deepEqual(await named("dialog"), [title]);
    await page.keyboard.press("Escape");
  });

  it("scales down to fit a 360 px wide screen, with no sideways scrolling", async () => {
    const narrow = await openPage(browser, { viewport: { width: 360, height: 640 } });
    const [scrollWidth, left, right, clientWidth] = await narrow.evaluate(() => {
      const window = document.getElementById("Form1").getBoundingClientRect();
      return [document.scrollingElement.scrollWidth, window.left, window.right,
        document.getElementById("Form1-client").getBoundingClientRect().width];
    });
    assert.ok(scrollWidth <= 360 && left >= 0 && right <= 360, `page ${scrollWidth} px, window ${left} to ${right}`);
    assert.ok(clientWidth < 400 && clientWidth > 300, `client area ${clientWidth} px`);
    await narrow.fill("#Text1", "hello");
    await narrow.click("#Command1");
    assert.equal(await narrow.inputValue("#Text2"), "2337520240");
    await narrow.context().close();
  });
});

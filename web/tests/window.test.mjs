// The page as the window: its boxes at the window's places, captions, title,
// focus and tab order, About's dialog, accessible names, a narrow screen.
import assert from "node:assert/strict";
import { after, before, describe, it } from "node:test";
import { launch, openPage, shownVersion, twipsToPixels, windowTable } from "./harness.js";

const title = `Work out your MSN Messenger 6 id number - ${shownVersion()}`;
const table = windowTable();

describe("the page is the window", () => {
  let browser;
  let page;
  before(async () => {
    browser = await launch();
    page = await openPage(browser);
  });
  after(() => browser?.close());

  it("has the window's title after Load, with the project's version, and no errors", async () => {
    assert.equal(await page.title(), title);
    assert.equal(await page.textContent("#Form1-title"), title);
    assert.deepEqual(page.errors, []);
  });

  it("places every control's box and the client area at the table's twips at 96 DPI", async () => {
    assert.equal(table.controls.length, 6);
    const boxes = await page.evaluate((names) => {
      const client = document.getElementById("Form1-client").getBoundingClientRect();
      const box = (element) => {
        const r = element.getBoundingClientRect();
        return { left: r.left - client.left, top: r.top - client.top, width: r.width, height: r.height };
      };
      return {
        client: { width: client.width, height: client.height },
        controls: names.map((name) => box(document.getElementById(name))),
      };
    }, table.controls.map((control) => control.name));
    assert.deepEqual(boxes.client,
      { width: twipsToPixels(table.clientWidth), height: twipsToPixels(table.clientHeight) });
    table.controls.forEach((control, i) => {
      const { left, top, width, height } = control;
      assert.deepEqual(boxes.controls[i], {
        left: twipsToPixels(left), top: twipsToPixels(top), width: twipsToPixels(width), height: twipsToPixels(height),
      }, control.name);
    });
  });

  it("shows the window's captions, each whole on one line of its box, in MS Sans Serif 8.25 pt or the nearest", async () => {
    const captioned = table.controls.filter((control) => control.caption !== "");
    const shown = await page.evaluate((names) => names.map((name) => {
      const element = document.getElementById(name);
      const range = document.createRange();
      range.selectNodeContents(element);
      const style = getComputedStyle(element);
      return {
        text: element.textContent,
        lines: new Set([...range.getClientRects()].map((rect) => Math.round(rect.top))).size,
        fits: element.scrollWidth <= element.clientWidth && element.scrollHeight <= element.clientHeight,
        face: style.fontFamily.split(",")[0].replace(/"/g, ""),
        size: parseFloat(style.fontSize),
      };
    }), captioned.map((control) => control.name));
    captioned.forEach((control, i) => {
      assert.equal(shown[i].text, control.caption);
      assert.equal(shown[i].lines, 1, `${control.name} on one line`);
      assert.ok(shown[i].fits, `${control.name}'s caption fits its box`);
      assert.equal(shown[i].face, "MS Sans Serif");
      assert.ok(shown[i].size <= 11 && shown[i].size >= 9, `${control.name} at ${shown[i].size} px`);
    });
  });

  it("draws About blue, underlined and centred with the pointer, and Text2 read-only and right-aligned", async () => {
    const styles = await page.evaluate(() => {
      const about = getComputedStyle(document.getElementById("Label3"));
      const text2 = document.getElementById("Text2");
      return {
        about: [about.color, about.textDecorationLine, about.textAlign, about.cursor],
        text2: [text2.readOnly, getComputedStyle(text2).textAlign],
      };
    });
    assert.deepEqual(styles.about, ["rgb(0, 0, 255)", "underline", "center", "pointer"]);
    assert.deepEqual(styles.text2, [true, "right"]);
  });

  it("opens with the focus in Text1; Tab goes Text1, Work out, Text2, About and Shift+Tab back", async () => {
    const focused = () => page.evaluate(() => document.activeElement.id);
    assert.equal(await focused(), "Text1");
    const order = [];
    for (let i = 0; i < 3; i++) {
      await page.keyboard.press("Tab");
      order.push(await focused());
    }
    assert.deepEqual(order, ["Command1", "Text2", "Label3"]);
    for (const expected of ["Text2", "Command1", "Text1"]) {
      await page.keyboard.press("Shift+Tab");
      assert.equal(await focused(), expected);
    }
  });

  it("works out the number on a click; Text1 keeps its text and Text2 waits for the next click", async () => {
    await page.click("#Text1");
    await page.keyboard.type("ABC");
    await page.click("#Command1");
    assert.equal(await page.inputValue("#Text2"), "999494");
    assert.equal(await page.inputValue("#Text1"), "ABC");
    await page.fill("#Text1", "hello");
    assert.equal(await page.inputValue("#Text2"), "999494");
    await page.click("#Command1");
    assert.equal(await page.inputValue("#Text2"), "2337520240");
    await page.keyboard.press("Enter");  // no default button: Enter changes nothing
    await page.focus("#Text2");
    await page.keyboard.type("typed");  // read-only
    assert.equal(await page.inputValue("#Text2"), "2337520240");
  });

  it("opens About as a modal dialog with the title and the two lines, closed by OK or Esc, focus returned", async () => {
    const dialog = () => page.evaluate(() => {
      const about = document.getElementById("About");
      return {
        open: about.open,
        modal: about.matches(":modal"),
        title: document.getElementById("About-title").textContent,
        text: document.getElementById("About-text").innerText,
        buttons: [...about.querySelectorAll("button")].map((button) => button.textContent),
        focus: document.activeElement.id,
      };
    });
    await page.click("#Label3");
    assert.deepEqual(await dialog(), {
      open: true, modal: true, title,
      text: "This program has been made by Tolvareth\nThe main code has been provided by Quenmar",
      buttons: ["OK"], focus: "About-OK",
    });
    await page.keyboard.press("Enter");
    assert.equal((await dialog()).open, false);
    assert.equal((await dialog()).focus, "Label3");

    await page.focus("#Text1");
    await page.keyboard.press("Tab");
    await page.keyboard.press("Tab");
    await page.keyboard.press("Tab");
    await page.keyboard.press("Enter");
    assert.equal((await dialog()).open, true);
    await page.keyboard.press("Escape");
    assert.deepEqual([(await dialog()).open, (await dialog()).focus], [false, "Label3"]);
  });

  it("gives each box its caption as its accessible name in the browser's accessibility tree", async () => {
    const session = await page.context().newCDPSession(page);
    const { nodes } = await session.send("Accessibility.getFullAXTree");
    const named = nodes.filter((node) => !node.ignored)
      .map((node) => [node.role?.value, node.name?.value])
      .filter(([role]) => ["textbox", "button", "link", "StaticText"].includes(role));
    const names = (role) => named.filter(([r]) => r === role).map(([, name]) => name);
    assert.deepEqual(names("textbox"), ["Your passport email:", "Your MSN Messenger 6 id number:"]);
    assert.deepEqual(names("button"), ["Work out"]);
    assert.deepEqual(names("link"), ["About"]);
    await page.click("#Label3");
    const { nodes: withDialog } = await session.send("Accessibility.getFullAXTree");
    const dialogNode = withDialog.find((node) => node.role?.value === "dialog");
    assert.equal(dialogNode?.name?.value, title);
    await page.keyboard.press("Escape");
  });

  it("scales down to fit a 360 px wide screen, with no sideways scrolling", async () => {
    const narrow = await openPage(browser, { viewport: { width: 360, height: 640 } });
    const fit = await narrow.evaluate(() => {
      const window = document.getElementById("Form1").getBoundingClientRect();
      const client = document.getElementById("Form1-client").getBoundingClientRect();
      return {
        scrollWidth: document.scrollingElement.scrollWidth,
        left: window.left, right: window.right, clientWidth: client.width,
      };
    });
    assert.ok(fit.scrollWidth <= 360, `page ${fit.scrollWidth} px wide`);
    assert.ok(fit.left >= 0 && fit.right <= 360, `window from ${fit.left} to ${fit.right}`);
    assert.ok(fit.clientWidth < 400 && fit.clientWidth > 300, `client area ${fit.clientWidth} px`);
    await narrow.fill("#Text1", "hello");
    await narrow.click("#Command1");
    assert.equal(await narrow.inputValue("#Text2"), "2337520240");
    await narrow.context().close();
  });
});

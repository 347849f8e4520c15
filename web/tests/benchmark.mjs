// How long the page takes over a 1 MiB paste, and the fold's time a character
// in WebAssembly against the native build's, in the same run.
//
//   node web/tests/benchmark.mjs [RUNS]
//
// In Chromium, or the engine PELVARO_BROWSER names (see browsers.js; webkit
// under xvfb-run, and it cuts the paste at 524,288 characters).
// Needs the web build and the linux build's bench/fold_instructions.
import { spawnSync } from "node:child_process";
import { join } from "node:path";
import { engine, launch, openPage, root, serve, valueOf } from "./harness.js";

const runs = Number(process.argv[2] || 5);
const characters = 1 << 20;
const address = "Some.Person+Tag@Example.COM;";  // as bench/fold_instructions folds
const text = address.repeat(Math.ceil(characters / address.length)).slice(0, characters);
const best = (times) => Math.min(...times);

// The native build: the engine's fold over the text's first `characters`,
// best of the runs.
function nativeFold(characters) {
  const program = join(root, "build/linux/bench/fold_instructions");
  const times = [];
  let number = "";
  for (let i = 0; i < runs; i++) {
    const run = spawnSync(program, ["engine", String(characters)], { encoding: "utf8" });
    if (run.status !== 0) throw new Error(`${program}: ${run.error || run.stderr}`);
    number = run.stdout.trim();
    times.push(Number(run.stderr.match(/in ([\d.]+) s/)[1]) * 1000);
  }
  return { number, milliseconds: best(times) };
}

const browser = await launch();
const site = await serve();
try {
  const page = await openPage(browser, { url: site.url, clipboard: true });
  await page.click("#Text1");  // the click lets the page write the clipboard
  await page.evaluate((pasted) => navigator.clipboard.writeText(pasted), text);
  const clicks = [];
  for (let i = 0; i < runs; i++) {
    await page.evaluate(() => { document.getElementById("Text1").value = ""; });
    await page.focus("#Text1");
    await page.press("Control+V");
    // The click's own time, from the event to Text2 set, measured in the page.
    clicks.push(await page.evaluate(() => {
      const start = performance.now();
      document.getElementById("Command1").click();
      return performance.now() - start;
    }));
  }
  const shown = await valueOf(page, "#Text2");
  // What the box took of the paste, which the native fold then takes too.
  const held = await page.evaluate(() => document.getElementById("Text1").value.length);
  const native = nativeFold(held);
  const nanoseconds = (milliseconds) => (milliseconds * 1e6 / held).toFixed(1);
  console.log(`"Work out" on a 1 MiB paste (${held} of its ${characters} characters held), best of ${runs}: ` +
    `${best(clicks).toFixed(0)} ms in ${engine} (${nanoseconds(best(clicks))} ns a character, ` +
    `the copy into WebAssembly included), number ${shown}`);
  console.log(`The fold natively (bench/fold_instructions engine): ${native.milliseconds.toFixed(0)} ms, ` +
    `${nanoseconds(native.milliseconds)} ns a character, number ${native.number}`);
  console.log(`WebAssembly against native: ${(best(clicks) / native.milliseconds).toFixed(2)} times as long`);
  if (shown !== native.number) {
    console.error("The page's number and the native build's differ.");
    process.exitCode = 1;
  }
} finally {
  await browser.close();
  site.close();
}

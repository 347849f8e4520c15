// Every test file of the page, in one process and on one browser (see
// theBrowser), reporting in TAP when run with --test-reporter=tap. An engine
// that cannot start here skips them all: exit status 77, and the last lines
// of why as the reason.
import { readdirSync } from "node:fs";
import { dirname } from "node:path";
import { fileURLToPath } from "node:url";
import { engine, theBrowser } from "./harness.js";

try {
  await theBrowser();
} catch (error) {
  const lines = String(error?.message ?? error).split("\n").filter((line) => line.trim() && !/^TROUBLESHOOTING/.test(line));
  console.log(`skipped: ${engine} cannot start here: ${lines.slice(-3).join(" ").replace(/\s+/g, " ")}`);
  process.exit(77);
}
const here = dirname(fileURLToPath(import.meta.url));
for (const file of readdirSync(here).filter((name) => name.endsWith(".test.mjs")).sort()) await import(`./${file}`);

// Start-up of the page against a bare page, in Chromium and Firefox:
//
//     node bench/web/page_bench.mjs PAGE [RUNS] [ENGINE...]
//
// From opening the file (navigation start) to the first drawing with every
// font loaded: the first frame after the first contentful paint and after
// every declared face has loaded. The bare page has the same size (padded
// with a comment) and one label in the browser's default font; the two are
// opened in alternation in the same browser, RUNS times each (20 by
// default), after one warm-up each. Prints the medians and their ratio per
// engine; the goal is at most 1.5. WebKit's driver cannot run a script before
// the page's own, so the probe below cannot be put in there.
import { mkdtempSync, statSync, writeFileSync } from "node:fs";
import { tmpdir } from "node:os";
import { join, resolve } from "node:path";
import { launch } from "../../tests/web/drivers.mjs";

const GOAL = 1.5;
// Resolves window.drawnWithFonts with the time of the first frame after the
// first contentful paint and after every face has loaded.
const PROBE = `window.drawnWithFonts = new Promise((resolve) => {
  const painted = new Promise((p) => new PerformanceObserver((list, observer) => {
    if (list.getEntriesByName("first-contentful-paint").length) { observer.disconnect(); p(); }
  }).observe({ type: "paint", buffered: true }));
  const fonts = new Promise((f) => document.addEventListener("DOMContentLoaded",
    () => Promise.all([...document.fonts].map((face) => face.load())).then(f)));
  Promise.all([painted, fonts]).then(() => requestAnimationFrame(() => resolve(performance.now())));
});`;

function barePage(size) {
  const head = '<!DOCTYPE html><html lang="it"><head><meta charset="utf-8"><title>Calorvin</title></head>'
    + '<body style="margin:0"><div style="width:632px;height:597px;background:#efefef"><div>Calorvin</div></div><!--';
  const tail = "--></body></html>\n", path = join(mkdtempSync(join(tmpdir(), "calorvin-bench-")), "bare.html");
  writeFileSync(path, head + "x".repeat(Math.max(0, size - head.length - tail.length)) + tail);
  return path;
}

const [page, runs = "20", ...engines] = process.argv.slice(2);
if (!page || !(Number(runs) > 0)) {
  console.error("usage: node bench/web/page_bench.mjs PAGE [RUNS] [chromium|firefox...]");
  process.exit(2);
}
const size = statSync(page).size, bare = barePage(size);
const stats = (t) => { const s = [...t].sort((a, b) => a - b); return { median: s[s.length >> 1], min: s[0], max: s.at(-1) }; };
let met = true;
for (const engine of engines.length ? engines : ["chromium", "firefox"]) {
  const d = await launch(engine, "it-IT"), times = { [page]: [], [bare]: [] };
  try {
    await d.preload(PROBE);
    for (let run = 0; run <= Number(runs); run++)
      for (const path of [page, bare]) {
        await d.open("about:blank");
        await d.open("file://" + resolve(path));
        const ms = await d.js("return await window.drawnWithFonts");
        if (run) times[path].push(ms);
      }
  } finally { await d.close(); }
  const [p, b] = [stats(times[page]), stats(times[bare])], ratio = p.median / b.median;
  met &&= ratio <= GOAL;
  console.log(`${engine}: calorvin.html (${size} bytes) median ${p.median.toFixed(1)} ms (${p.min.toFixed(1)}-${p.max.toFixed(1)}),`
    + ` bare page ${b.median.toFixed(1)} ms (${b.min.toFixed(1)}-${b.max.toFixed(1)}), ratio ${ratio.toFixed(2)}`
    + ` (goal <= ${GOAL}): ${ratio <= GOAL ? "met" : "NOT met"}`);
}
process.exitCode = met ? 0 : 1;

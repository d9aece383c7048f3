#!/usr/bin/python3
"""Start-up of the page in headless Chromium, against a bare page.

    page_bench.py PAGE [RUNS]

From opening the file (navigation start) to the first drawing with every font
loaded: the first frame after the first contentful paint and after every
declared face has loaded. The bare page has the same size (padded with a
comment) and one label in the browser's default font; the two are opened in
alternation in the same browser, RUNS times each (20 by default). Prints the
medians and their ratio; the goal is at most 1.5.
"""
import os
import shutil
import statistics
import sys
import tempfile

from selenium import webdriver
from selenium.webdriver.chrome.service import Service

GOAL = 1.5

# Resolves window.drawnWithFonts with the time of the first frame after the
# first contentful paint and after every face has loaded.
PROBE = """
window.drawnWithFonts = new Promise((resolve) => {
  const painted = new Promise((p) => new PerformanceObserver((list, observer) => {
    if (list.getEntriesByName("first-contentful-paint").length) { observer.disconnect(); p(); }
  }).observe({ type: "paint", buffered: true }));
  const fonts = new Promise((f) => document.addEventListener("DOMContentLoaded",
    () => Promise.all([...document.fonts].map((face) => face.load())).then(f)));
  Promise.all([painted, fonts]).then(() => requestAnimationFrame(() => resolve(performance.now())));
});
"""


def bare_page(size, folder):
    head = ('<!DOCTYPE html><html lang="it"><head><meta charset="utf-8"><title>Calorvin</title></head>'
            '<body style="margin:0"><div style="width:632px;height:597px;background:#efefef">'
            "<div>Calorvin</div></div><!--")
    tail = "--></body></html>\n"
    path = os.path.join(folder, "bare.html")
    with open(path, "w", encoding="ascii") as f:
        f.write(head + "x" * max(0, size - len(head) - len(tail)) + tail)
    return path


def main(page, runs=20):
    page = os.path.abspath(page)
    folder = tempfile.mkdtemp(prefix="calorvin-bench-")
    bare = bare_page(os.path.getsize(page), folder)
    options = webdriver.ChromeOptions()
    options.binary_location = os.environ.get("CALORVIN_CHROMIUM") or shutil.which("chromium")
    for flag in ("--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                 "--disable-background-networking", "--disable-component-update", "--disable-sync",
                 f"--user-data-dir={folder}/profile", "--window-size=800,700"):
        options.add_argument(flag)
    driver = webdriver.Chrome(service=Service(os.environ.get("CALORVIN_CHROMEDRIVER") or shutil.which("chromedriver")), options=options)
    driver.execute_cdp_cmd("Page.addScriptToEvaluateOnNewDocument", {"source": PROBE})
    times = {page: [], bare: []}
    try:
        for run in range(int(runs) + 1):  # the first of each is a warm-up
            for path in (page, bare):
                driver.get("about:blank")
                driver.get("file://" + path)
                ms = driver.execute_async_script("window.drawnWithFonts.then(arguments[0])")
                if run:
                    times[path].append(ms)
    finally:
        driver.quit()
    median = {path: statistics.median(t) for path, t in times.items()}
    ratio = median[page] / median[bare]
    print(f"calorvin.html ({os.path.getsize(page)} bytes): median {median[page]:.1f} ms, "
          f"min {min(times[page]):.1f}, max {max(times[page]):.1f}")
    print(f"bare page, same size, one label: median {median[bare]:.1f} ms, "
          f"min {min(times[bare]):.1f}, max {max(times[bare]):.1f}")
    print(f"ratio {ratio:.2f} (goal <= {GOAL}): {'met' if ratio <= GOAL else 'NOT met'}")
    return 0


if __name__ == "__main__":
    if len(sys.argv) not in (2, 3):
        sys.exit(__doc__)
    sys.exit(main(*sys.argv[1:]))

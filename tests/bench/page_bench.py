#!/usr/bin/env python3
"""The browser page in headless Chromium, opened from disk: the time from
the start of the page's load to its first interactive state (the core
started, every control showing the first view), and the time from a user's
action to the page showing its outcome: Generate (the text in the code
box) and a typed period (the view applied). Each over 20 loads.

Usage: page_bench.py build-web/orlet.html
"""
import gzip
import pathlib
import statistics
import sys
import tempfile

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.support.ui import WebDriverWait

RUNS = 20
ACTIONS = 50  # of each kind per load

# One load's action latencies: Generate with timer 0 and the serial port in
# use, and typing a period, each timed from the event to the page idle.
MEASURE = """
const done = arguments[0];
(async () => {
  const $ = (id) => document.getElementById(id);
  const timed = async (act) => { const start = performance.now(); act(); await page.idle(); return performance.now() - start; };
  const click = (id) => timed(() => $(id).click());
  const type = (id, text) => timed(() => { $(id).value = text; $(id).dispatchEvent(new InputEvent('input')); });
  await click('useTimer0');
  await click('useUart');
  const generate = [], typing = [];
  for (let i = 0; i < %d; ++i) {
    typing.push(await type('timer0Period', String(1000 + i)));
    generate.push(await click('generateButton'));
  }
  done({ ready: performance.getEntriesByName('orlet-ready')[0].startTime, generate, typing });
})();
""" % ACTIONS


def headless_chromium(profile):
    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    for flag in ("--headless", "--no-sandbox", "--disable-gpu", "--no-first-run", "--disable-background-networking",
                 "--disable-component-update", "--disable-sync", f"--user-data-dir={profile}"):
        options.add_argument(flag)
    return webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)


def quantile(values, q):
    return statistics.quantiles(values, n=100)[q - 1]


def main():
    page = pathlib.Path(sys.argv[1]).resolve()
    ready, generate, typing = [], [], []
    with tempfile.TemporaryDirectory() as profile:
        browser = headless_chromium(profile)
        try:
            for _ in range(RUNS):
                browser.get(page.as_uri())
                WebDriverWait(browser, 20).until(lambda b: b.execute_script("return document.body.dataset.ready"))
                run = browser.execute_async_script(MEASURE)
                ready.append(run["ready"])
                generate += run["generate"]
                typing += run["typing"]
        finally:
            browser.quit()
    size = page.read_bytes()
    print(f"page, size: {len(size) / 1024:.1f} KB (goal: at most 250), gzipped {len(gzip.compress(size, 9)) / 1024:.1f} KB"
          " (goal: at most 100)")
    print(f"page, load to first interactive state, median of {RUNS}: {statistics.median(ready):.1f} ms"
          f" (fastest {min(ready):.1f} ms, slowest {max(ready):.1f} ms)")
    for name, times in (("Generate", generate), ("a typed period", typing)):
        print(f"page, {name} to the page updated (before painting), over {RUNS} loads: median {statistics.median(times):.2f} ms,"
              f" p95 {quantile(times, 95):.2f} ms")


if __name__ == "__main__":
    main()

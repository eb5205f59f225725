#!/usr/bin/python3
"""Takes the README's screenshots of the browser page in headless Chromium:
the typical run (timer 0 in "定时方式1", 1000 us at 12 MHz, "注释", "生成")
clicked and typed through, at a desktop browser's width or as a phone shows
it (390 CSS pixels wide, twice the pixels).

Usage: scripts/page-screenshot.py [--phone] [PAGE] [OUTPUT]
       scripts/page-screenshot.py build-web/orlet.html docs/page-desktop.png
       scripts/page-screenshot.py --phone build-web/orlet.html docs/page-phone.png
"""
import argparse
import base64
import pathlib
import tempfile

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.keys import Keys
from selenium.webdriver.support.select import Select
from selenium.webdriver.support.ui import WebDriverWait

DESKTOP = {"width": 1280, "height": 800, "deviceScaleFactor": 1, "mobile": False}
PHONE = {"width": 390, "height": 844, "deviceScaleFactor": 2, "mobile": True}


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--phone", action="store_true")
    parser.add_argument("page", nargs="?", default="build-web/orlet.html", type=pathlib.Path)
    parser.add_argument("output", nargs="?", type=pathlib.Path)
    args = parser.parse_args()
    output = args.output or pathlib.Path(f"docs/page-{'phone' if args.phone else 'desktop'}.png")
    screen = PHONE if args.phone else DESKTOP

    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    with tempfile.TemporaryDirectory() as profile:
        for flag in ("--headless", "--no-sandbox", "--disable-gpu", "--hide-scrollbars", "--no-first-run",
                     "--disable-background-networking", f"--user-data-dir={profile}", "--lang=zh-CN"):
            options.add_argument(flag)
        browser = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
        try:
            browser.execute_cdp_cmd("Emulation.setDeviceMetricsOverride", screen)
            browser.get(args.page.resolve().as_uri())
            WebDriverWait(browser, 20).until(lambda b: b.execute_script("return document.body.dataset.ready"))
            find = lambda name: browser.find_element("id", name)  # noqa: E731
            find("useTimer0").click()
            Select(find("timer0Mode")).select_by_index(1)
            find("timer0Period").send_keys(Keys.CONTROL, "a", Keys.NULL, "1000")
            find("commentCheck").click()
            find("generateButton").click()
            browser.execute_script("document.activeElement.blur(); window.scrollTo(0, 0);")
            height = browser.execute_script("return document.documentElement.scrollHeight;")
            shot = browser.execute_cdp_cmd("Page.captureScreenshot", {
                "captureBeyondViewport": True,
                "clip": {"x": 0, "y": 0, "width": screen["width"], "height": min(height, 2400), "scale": 1}})
            output.write_bytes(base64.b64decode(shot["data"]))
        finally:
            browser.quit()
    print(output)


if __name__ == "__main__":
    main()

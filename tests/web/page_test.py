#!/usr/bin/env python3
"""The browser page, opened from disk in headless Chromium: the core's text
against orlet-gen's byte for byte (UTF-8 and GBK), refusals, the size budget,
and a page that loads nothing and logs no error.

Usage: page_test.py --page build-web/orlet.html --orlet-gen build/cli/orlet-gen
"""
import argparse
import gzip
import json
import pathlib
import subprocess
import sys
import tempfile
import unittest

try:
    from selenium import webdriver
    from selenium.webdriver.chrome.service import Service
    from selenium.webdriver.support.ui import WebDriverWait
except ImportError:
    sys.exit("page_test: python3-selenium is missing (scripts/install-deps.sh installs it)")

CHROMIUM = "/usr/bin/chromium"
CHROMEDRIVER = "/usr/bin/chromedriver"
# The final page's budget, in bytes: as it is on disk, and gzipped on the wire.
MAX_PAGE = 250 * 1024
MAX_PAGE_GZIPPED = 100 * 1024

# The page's settings and orlet-gen's flags for the same configuration.
GENERATE_ROWS = [
    ("the typical run, the page's first text", {"crystalHz": 12000000, "comments": True,
                                                "timer0": {"mode": 1, "value": 1000}},
     "--timer0 1:1000 --comments"),
    ("SDCC at 11.0592 MHz, timer 1 in mode 2", {"crystalHz": 11059200, "dialect": "sdcc",
                                                "timer1": {"mode": 2, "value": 100}},
     "--crystal 11.0592 --dialect sdcc --timer1 2:100"),
    ("Chinese comments, a counter, GATE", {"comments": True, "int0": "level", "int1": "falling",
                                           "timer0": {"mode": 2, "counter": True, "value": 50},
                                           "timer1": {"mode": 0, "value": 5000, "gate": True}},
     "--comments --int0 level --int1 falling --counter0 2:50 --timer1 0:5000 --gate1"),
]

# What the page is asked (the text the core gets) and the error it answers.
REFUSAL_ROWS = [
    ("not JSON", "{crystalHz:", "the settings are not JSON"),
    ("not an object", "[12000000]", "the settings must be a JSON object"),
    ("a string for a number", '{"crystalHz": "12"}', '"crystalHz" must be a whole number from 0 to 4294967295'),
    ("beyond 32 bits", '{"crystalHz": 4294967296}', '"crystalHz" must be a whole number from 0 to 4294967295'),
    ("a negative mode", '{"timer0": {"mode": -1}}', '"timer0.mode" must be a whole number from 0 to 4294967295'),
    ("an unknown dialect", '{"dialect": "iar"}', '"dialect" must be "keil" or "sdcc"'),
    ("an unknown trigger", '{"int1": "rising"}', '"int1" must be "level" or "falling"'),
]


def parse_arguments():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--page", required=True, type=pathlib.Path)
    parser.add_argument("--orlet-gen", required=True)
    arguments, rest = parser.parse_known_args()
    return arguments, [sys.argv[0]] + rest


ARGS, UNITTEST_ARGV = parse_arguments()


def orlet_gen(flags):
    return subprocess.run([ARGS.orlet_gen] + flags.split(), capture_output=True, check=False)


def headless_chromium(profile):
    options = webdriver.ChromeOptions()
    options.binary_location = CHROMIUM
    # No network here: Chromium's own connections would only fail.
    for flag in ("--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                 "--disable-background-networking", "--disable-component-update", "--disable-sync",
                 f"--user-data-dir={profile}"):
        options.add_argument(flag)
    options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
    return webdriver.Chrome(service=Service(CHROMEDRIVER), options=options)


class PageTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.profile = tempfile.TemporaryDirectory()
        cls.browser = headless_chromium(cls.profile.name)
        cls.browser.get(ARGS.page.resolve().as_uri())
        WebDriverWait(cls.browser, 20).until(lambda b: b.execute_script("return document.body.dataset.ready"))

    @classmethod
    def tearDownClass(cls):
        cls.browser.quit()
        cls.profile.cleanup()

    def generate(self, settings_text):
        answer = self.browser.execute_script(
            "return core.ccall('orlet_generate', 'string', ['string'], [arguments[0]]);", settings_text)
        return json.loads(answer)

    def test_first_text_is_orlet_gens(self):
        box = "document.getElementById('source')"
        shown = self.browser.execute_script(f"return {box}.textContent")
        gbk = self.browser.execute_script(f"return {box}.dataset.gbk")
        self.assertEqual(shown.encode(), orlet_gen("--timer0 1:1000 --comments --encoding utf-8").stdout)
        self.assertEqual(bytes.fromhex(gbk), orlet_gen("--timer0 1:1000 --comments").stdout)

    def test_generate_matches_orlet_gen(self):
        for name, settings, flags in GENERATE_ROWS:
            with self.subTest(name):
                answer = self.generate(json.dumps(settings))
                self.assertEqual(answer["source"].encode(), orlet_gen(flags + " --encoding utf-8").stdout)
                self.assertEqual(bytes.fromhex(answer["gbk"]), orlet_gen(flags).stdout)

    def test_range_refusal_is_the_windows_message(self):
        refused = orlet_gen("--timer0 0:100000")
        self.assertEqual(refused.returncode, 2)
        message = refused.stderr.decode().removeprefix("orlet-gen: ").split(":")[0]
        answer = self.generate('{"timer0": {"mode": 0, "value": 100000}}')
        self.assertEqual(answer, {"error": message})

    def test_bad_settings_get_one_clear_error(self):
        for name, settings, error in REFUSAL_ROWS:
            with self.subTest(name):
                self.assertEqual(self.generate(settings), {"error": error})
        # and the core still answers
        self.assertIn("source", self.generate("{}"))

    def test_page_loads_nothing_and_logs_no_error(self):
        loaded = self.browser.execute_script("return performance.getEntriesByType('resource').map(e => e.name)")
        self.assertEqual(loaded, [])
        errors = [entry for entry in self.browser.get_log("browser") if entry["level"] in ("SEVERE", "WARNING")]
        self.assertEqual(errors, [])

    def test_page_within_its_budget(self):
        page = ARGS.page.read_bytes()
        self.assertLessEqual(len(page), MAX_PAGE)
        self.assertLessEqual(len(gzip.compress(page, 9)), MAX_PAGE_GZIPPED)


if __name__ == "__main__":
    if not ARGS.page.is_file():
        sys.exit(f"page_test: {ARGS.page} is missing: build it with make web")
    unittest.main(argv=UNITTEST_ARGV, verbosity=2)

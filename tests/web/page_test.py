#!/usr/bin/env python3
"""The browser page, opened from disk in headless Chromium and worked through
its controls: what it shows against the core's view, Generate against
orlet-gen byte for byte (UTF-8 and GBK), its messages and dialogs, copy and
download, keys only, the size budget, and a page that loads nothing and
logs no error.

Usage: page_test.py --page build-web/orlet.html --orlet-gen build/cli/orlet-gen [--sessions N] [-k NAME]
"""
import argparse
import concurrent.futures
import gzip
import json
import pathlib
import subprocess
import sys
import tempfile
import time
import unittest
import urllib.parse

try:
    from selenium import webdriver
    from selenium.webdriver.chrome.service import Service
    from selenium.webdriver.common.action_chains import ActionChains
    from selenium.webdriver.common.keys import Keys
    from selenium.webdriver.support.ui import WebDriverWait
except ImportError:
    sys.exit("page_test: python3-selenium is missing (scripts/install-deps.sh installs it)")

CHROMIUM = "/usr/bin/chromium"
CHROMEDRIVER = "/usr/bin/chromedriver"
DRIVER = pathlib.Path(__file__).with_name("driver.js").read_text(encoding="utf-8")
# The page's size budget, in bytes: as it is on disk, and gzipped on the wire.
MAX_PAGE = 250 * 1024
MAX_PAGE_GZIPPED = 100 * 1024
STEPS = 20


def parse_arguments():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--page", required=True, type=pathlib.Path)
    parser.add_argument("--orlet-gen", required=True)
    parser.add_argument("--sessions", type=int, default=200, help="random sessions (a soak: more)")
    arguments, rest = parser.parse_known_args()
    return arguments, [sys.argv[0]] + rest


ARGS, UNITTEST_ARGV = parse_arguments()
SESSIONS = ARGS.sessions


def orlet_gen(flags):
    return subprocess.run([ARGS.orlet_gen] + flags, capture_output=True, check=False)


def headless_chromium(profile, downloads):
    options = webdriver.ChromeOptions()
    options.binary_location = CHROMIUM
    # No network here: Chromium's own connections would only fail.
    for flag in ("--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                 "--disable-background-networking", "--disable-component-update", "--disable-sync",
                 "--window-size=1280,900", f"--user-data-dir={profile}"):
        options.add_argument(flag)
    options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
    browser = webdriver.Chrome(service=Service(CHROMEDRIVER), options=options)
    browser.execute_cdp_cmd("Browser.setDownloadBehavior", {"behavior": "allow", "downloadPath": downloads})
    browser.execute_cdp_cmd("Browser.grantPermissions", {
        "origin": "file://", "permissions": ["clipboardReadWrite", "clipboardSanitizedWrite"]})
    browser.set_script_timeout(max(600, 3 * SESSIONS))
    return browser


class PageTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.profile = tempfile.TemporaryDirectory()
        cls.downloads = tempfile.TemporaryDirectory()
        cls.browser = headless_chromium(cls.profile.name, cls.downloads.name)
        cls.load()

    @classmethod
    def load(cls, address=""):
        cls.browser.get("about:blank")
        cls.browser.get(ARGS.page.resolve().as_uri() + address)
        WebDriverWait(cls.browser, 20).until(lambda b: b.execute_script("return document.body.dataset.ready"))
        cls.browser.execute_script(DRIVER)

    @classmethod
    def tearDownClass(cls):
        cls.browser.quit()
        cls.profile.cleanup()
        cls.downloads.cleanup()

    def setUp(self):
        self.run_js("orletTest.startAfresh(); orletTest.clearMessages();")

    def tearDown(self):
        errors = [entry for entry in self.browser.get_log("browser") if entry["level"] in ("SEVERE", "WARNING")]
        self.assertEqual(errors, [])

    def run_js(self, script, *args):
        return self.browser.execute_script(script, *args)

    def do(self, action, *args):
        """orletTest.<action>(args...), waited for; the messages it raised."""
        self.run_js("orletTest.clearMessages();")
        self.browser.execute_async_script(
            f"orletTest.{action}(...Array.from(arguments).slice(0, -1)).then(arguments[arguments.length - 1]);",
            *args)
        return self.run_js("return orletTest.messages();")

    def shown(self, name, what="value"):
        return self.run_js(f"return document.getElementById(arguments[0]).{what};", name)

    def assert_as_the_view_says(self):
        self.assertEqual(self.run_js("return orletTest.differencesFromView();"), [])

    def test_first_state(self):
        self.assert_as_the_view_says()
        rows = [("crystalList", "value", "12"), ("chipList", "value", "8051"), ("useTimer0", "checked", False),
                ("timer0Period", "disabled", True), ("timer0Period", "value", "1"),
                ("timer0Reload", "textContent", "ffH,ffH"), ("timer0Unit", "textContent", "us"),
                ("int0Trigger", "value", "下降沿"), ("baudList", "value", "9600"),
                ("baudError", "textContent", "00%"), ("useTimer2", "checkVisibility()", False)]
        for name, what, value in rows:
            with self.subTest(name):
                self.assertEqual(self.shown(name, what), value)

    def test_an_internal_oscillator_is_chosen_by_name(self):
        # The internal oscillators stand before the custom entry, which the model counts first.
        chips = self.run_js("return [...document.getElementById('chipList').options].map(o => o.text);")
        self.do("choose", "chipList", chips.index("N76E003"))
        crystals = self.run_js("return [...document.getElementById('crystalList').options].map(o => o.text);")
        self.do("choose", "crystalList", crystals.index("16 (内部)"))
        self.assertEqual(self.shown("crystalList"), "16 (内部)")
        self.assert_as_the_view_says()

    def test_every_chips_blocks_come_and_go(self):
        # What some chips add to the 8051's blocks; every chip's page is
        # held against the core's view.
        adds = {"8051": set(), "8052": {"useTimer2", "uartTimer2"}, "stc89": {"useTimer2", "uartTimer2", "sixTCheck"},
                "stc15": {"useTimer2", "uartTimer2", "timer0Clock", "vendorHeader"},
                "at89c2051": set(), "stc8h": {"useTimer2", "uartTimer2", "timer0Clock", "vendorHeader"}}
        chips = self.run_js("return [...document.getElementById('chipList').options].map(o => o.text);")
        self.assertLessEqual({"8051", "8052", "stc89", "stc15", "stc8"}, {chip.lower() for chip in chips})
        # The makers head their chips and are no options.
        makers = self.run_js("return [...document.querySelectorAll('#chipList optgroup')].map(g => g.label);")
        self.assertLessEqual({"STC", "Nuvoton"}, set(makers))
        for index, chip in enumerate(chips + ["8051"]):
            with self.subTest(chip):
                self.do("choose", "chipList", index % len(chips))
                self.assert_as_the_view_says()
                if chip.lower() not in adds:
                    continue
                for name in set().union(*adds.values()):
                    self.assertEqual(self.shown(name, "checkVisibility()"), name in adds[chip.lower()], name)
                self.assertEqual(self.run_js("return document.getElementById('groupTIME2').hidden;"),
                                 "useTimer2" not in adds[chip.lower()])

    def test_boxes_and_lists_are_named_after_their_labels(self):
        self.do("choose", "chipList", 3)
        self.do("click", "useTimer0")
        self.do("choose", "timer0Mode", 4)
        rows = [("int0Trigger", "INT0 触发方式"), ("int1Trigger", "INT1 触发方式"), ("crystalList", "晶振(MHz)"),
                ("timer0Period", "定时器0 计数值(plus)"), ("timer1Period", "定时器1 定时时间(us)"),
                ("timer2Postscale", "定时器2 软件计数(×N)"), ("timer0Clock", "定时器0 1T"),
                ("uartInterrupt", "串口 使用中断"), ("useUart", "使用串口"), ("outputBox", "生成的代码")]
        for name, label in rows:
            with self.subTest(name):
                self.assertEqual(self.browser.find_element("id", name).accessible_name, label)

    def test_random_sessions_generate_what_orlet_gen_writes(self):
        started = time.monotonic()
        result = self.browser.execute_async_script(
            "orletTest.sessions(1, arguments[0], arguments[1]).then(arguments[2]);", SESSIONS, STEPS)
        print(f"sessions {time.monotonic() - started:.1f} s", file=sys.stderr)
        self.assertIsNone(result["problem"])
        # Kept on purpose: timer 0 switched off keeps its TMOD bits, which
        # orlet-gen cannot be asked for; a block just ticked shows no
        # calculation yet.
        records = [r for r in result["generated"] if r["state"]["settled"] and (
            {"timer0", "counter0"} & json.loads(r["settings"]).keys() or not r["state"]["tmod"] & 0x0F)]
        with tempfile.TemporaryDirectory() as folder, concurrent.futures.ThreadPoolExecutor() as pool:
            files = []
            for number, record in enumerate(records):
                files.append(pathlib.Path(folder, f"{number}.orlet"))
                files[-1].write_text(record["settings"], encoding="utf-8")
            utf8 = pool.map(lambda f: orlet_gen(["--config", str(f), "--encoding", "utf-8"]), files)
            gbk = pool.map(lambda f, r: orlet_gen(["--config", str(f)]).stdout if r["refusal"] is None else None,
                           files, records)
            for record, written, written_gbk in zip(records, utf8, gbk):
                with self.subTest(settings=record["settings"]):
                    self.assertEqual(record["refusal"] is not None, written.returncode != 0, record["refusal"])
                    if record["refusal"] is None:
                        self.assertEqual(record["text"].encode(), written.stdout)
                        self.assertEqual(bytes.fromhex(record["gbk"]), written_gbk)
        self.assertGreater(sum(r["refusal"] is None for r in records), SESSIONS)
        print(f"{len(result['generated'])} Generates, {len(records)} compared with orlet-gen,"
              f" {time.monotonic() - started:.1f} s", file=sys.stderr)

    def test_range_messages_in_order_over_the_page_as_it_stood(self):
        for timer, mode, period in (("0", 1, "60000"), ("1", 2, "200")):
            self.do("click", f"useTimer{timer}")
            self.do("choose", f"timer{timer}Mode", mode)
            self.assertEqual(self.do("type", f"timer{timer}Period", period), [])
        # At 24 MHz neither fits: timer 0's message first, each over the
        # periods as they stood when it was raised.
        self.run_js("orletTest.watch(['timer0Period', 'timer1Period']);")
        self.assertEqual(self.do("choose", "crystalList", 8), [["Orlet", "定时时间超出16位范围", "60000", "200"],
                                                               ["Orlet", "定时时间超出8位范围", "32768", "200"]])
        self.assertEqual((self.shown("timer0Period"), self.shown("timer1Period")), ("32768", "128"))
        # A box that holds no number keeps its number, with the framework's
        # message, and has the focus back.
        self.assertEqual(self.do("type", "timer0Period", ""), [["Orlet", "请输入一个正整数。", "", "128"]])
        self.assertEqual(self.shown("timer0Period"), "32768")
        self.assertEqual(self.run_js("return document.activeElement.id;"), "timer0Period")
        self.run_js("orletTest.watch([]);")

    def test_custom_crystal_dialog(self):
        rows = [  # typed, closed with, messages, the MHz box
            ("11.0592", "ok", [], "11.059200"),
            ("7.3728", "ok", [], "7.372800"),
            ("0", "ok", [["错误输入", "数值应该在0~100之间\r\n不能带有非数字输入"]], "12.000000"),
            ("x", "ok", [["Orlet", "请输入一个数字。"]] * 2, "12.000000"),
            ("33", "cancel", [], "12.000000"),
        ]
        for typed, close, messages, mhz_box in rows:
            with self.subTest(typed):
                self.run_js("orletTest.answerCustom(arguments[0], arguments[1]);", typed, close)
                self.assertEqual(self.do("choose", "crystalList", 11), messages)
                self.assertEqual(self.shown("customMhz", "textContent"), mhz_box)
                self.assertEqual(self.shown("crystalList"), "自定义")
        self.do("choose", "crystalList", 6)
        self.assertEqual(self.shown("customMhz", "textContent"), "")

    def test_rate_dialog(self):
        self.do("click", "useUart")
        rows = [  # typed, closed with, messages, the list's choice
            ("31250", "ok", [], "31250"),
            ("x", "ok", [["Orlet", "请输入一个正整数。"]], "31250"),
            ("1", "ok", [["Orlet", "波特率应在122~62500bps之间"]], "31250"),
            ("4800", "cancel", [], "31250"),
        ]
        for typed, close, messages, shown in rows:
            with self.subTest(typed):
                self.run_js("orletTest.answerBaud(arguments[0], arguments[1]);", typed, close)
                last = self.run_js("return document.getElementById('baudList').options.length - 1;")
                self.assertEqual(self.do("choose", "baudList", last), messages)
                self.assertEqual(self.shown("baudList"), shown)
                self.assert_as_the_view_says()

    def test_copy_and_download(self):
        self.do("click", "commentCheck")
        self.do("click", "useInt0")
        self.do("click", "generateButton")
        expected = orlet_gen(["--comments", "--int0", "falling"])
        for button, encoding in (("downloadGbk", "gbk"), ("downloadUtf8", "utf-8")):
            with self.subTest(encoding):
                saved = pathlib.Path(self.downloads.name, "orlet.c")
                saved.unlink(missing_ok=True)
                self.do("click", button)
                WebDriverWait(self.browser, 10).until(lambda _: saved.is_file() and saved.stat().st_size > 0)
                self.assertEqual(saved.read_bytes(), expected.stdout.decode("gbk").encode(encoding))
        self.do("click", "copyButton")
        copied = self.browser.execute_async_script("navigator.clipboard.readText().then(arguments[0]);")
        self.assertEqual(copied.replace("\n", "\r\n").encode("gbk"), expected.stdout)

    def test_settings_in_the_address_and_in_files(self):
        def shown():
            return self.run_js("return [ask('orlet_view'), ask('orlet_generate'), document.title];")

        def open_file(name, text):
            self.run_js("""const input = document.getElementById('settingsFileInput');
                           const files = new DataTransfer();
                           files.items.add(new File([arguments[1]], arguments[0]));
                           input.files = files.files;
                           input.dispatchEvent(new Event('change'));""", name, text)
            return self.do("settle")

        def address():
            # The address follows a moment after the last change.
            WebDriverWait(self.browser, 5).until(
                lambda _: self.run_js("return location.hash.slice(1) === ask('orlet_address').address;"))
            return self.run_js("return location.hash;")

        self.assertEqual(address(), "#orlet=1&chip=8051&crystal=12&dialect=keil")
        self.do("choose", "chipList", 3)
        for name in ("useTimer0", "gate0", "useUart", "commentCheck"):
            self.do("click", name)
        self.do("choose", "timer0Mode", 1)
        self.do("type", "timer0Period", "1000")
        self.do("choose", "crystalList", 5)
        link = address()
        pairs = [urllib.parse.unquote(pair) for pair in link[1:].split("&")]
        for pair in ("orlet=1", "chip=stc15", "crystal=11.0592", "comments", "timer0=1:1000", "gate0", "uart=9600"):
            self.assertIn(pair, pairs)
        before = shown()
        saved = pathlib.Path(self.downloads.name, "orlet.orlet")
        saved.unlink(missing_ok=True)
        self.do("click", "saveSettingsButton")
        WebDriverWait(self.browser, 10).until(lambda _: saved.is_file() and saved.stat().st_size > 0)
        # A link brings the settings back, and so does the file, in a new page.
        self.load(link)
        self.assertEqual(shown(), before)
        self.load()
        self.assertEqual(open_file("kept.orlet", saved.read_text(encoding="utf-8")), [])
        self.assertEqual(shown()[:2], before[:2])
        self.assertEqual(shown()[2], "kept.orlet - Orlet 8051 C代码生成器")
        self.assertEqual(address(), link)
        # What cannot be read changes nothing, with the reader's message.
        rows = [("timer0=1:abc", "“timer0” 应为一个对象（{…}）。"),
                ("{\"orlet\": 1, \"chip\": \"8086\"}", "“chip” 不能是 \"8086\""),
                (" " * (2 << 20), "这个文件太大，不是 Orlet 的设置文件。")]
        self.assertEqual(self.run_js("location.hash = '#orlet=1&' + arguments[0];", rows[0][0]), None)
        self.assertEqual([m[1][:len(rows[0][1])] for m in self.do("settle")], [rows[0][1]])
        for text, message in rows[1:]:
            self.assertEqual(open_file("bad.orlet", text)[0][1][:len(message)], message)
        self.assertEqual(shown()[:2], before[:2])
        self.load()

    def test_compiler_choice(self):
        self.do("choose", "dialectList", 1)
        self.do("click", "generateButton")
        self.assertEqual(self.shown("outputBox").replace("\n", "\r\n").encode(),
                         orlet_gen(["--dialect", "sdcc"]).stdout)
        WebDriverWait(self.browser, 5).until(lambda _: "dialect=sdcc" in self.run_js("return location.hash;"))
        self.load(self.run_js("return location.hash;"))
        self.assertEqual(self.shown("dialectList", "value"), "sdcc")
        self.load()

    def test_keys_alone(self):
        body = self.browser.find_element("tag name", "body")
        self.run_js("document.activeElement.blur();")

        def tab_to(name):
            for _ in range(80):
                ActionChains(self.browser).send_keys(Keys.TAB).perform()
                if self.run_js("return document.activeElement.id;") == name:
                    return
            self.fail(f"Tab never reaches {name}")

        def keys(*sequence):
            ActionChains(self.browser).send_keys(*sequence).perform()
            self.do("settle")

        tab_to("useTimer0")
        keys(Keys.SPACE)
        tab_to("timer0Mode")
        keys(Keys.ARROW_DOWN)
        tab_to("timer0Period")
        keys(Keys.CONTROL, "a", Keys.NULL, "1000")
        keys(Keys.ENTER)
        self.assertEqual(self.shown("outputBox").replace("\n", "\r\n").encode(), orlet_gen(["--timer0", "1:1000"]).stdout)
        # Esc closes a dialog, not the page.
        tab_to("crystalList")
        ActionChains(self.browser).send_keys(Keys.END).perform()
        WebDriverWait(self.browser, 5).until(lambda _: self.shown("customDialog", "open"))
        ActionChains(self.browser).send_keys(Keys.ESCAPE).perform()
        self.do("settle")
        self.assertFalse(self.shown("customDialog", "open"))
        self.assertEqual(self.shown("customMhz", "textContent"), "12.000000")
        body.send_keys(Keys.ESCAPE)
        self.assertTrue(self.run_js("return document.body.dataset.ready === 'true';"))

    def test_page_loads_nothing_and_stays_within_its_budget(self):
        loaded = self.run_js("return performance.getEntriesByType('resource').map(e => e.name)")
        self.assertEqual(loaded, [])
        page = ARGS.page.read_bytes()
        self.assertLessEqual(len(page), MAX_PAGE)
        self.assertLessEqual(len(gzip.compress(page, 9)), MAX_PAGE_GZIPPED)


if __name__ == "__main__":
    if not ARGS.page.is_file():
        sys.exit(f"page_test: {ARGS.page} is missing: build it with make web")
    unittest.main(argv=UNITTEST_ARGV, verbosity=2)

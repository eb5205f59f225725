#!/usr/bin/env python3
"""Puts the page together: one HTML file that holds everything it runs.

Usage: make-page.py --version V --homepage URL --notices TXT --core JS --wasm WASM
                    --esbuild ESBUILD --output HTML page.html page.css lzma.js page.js TEMPLATE.ui...

In page.html, the line <!-- orlet-style --> becomes page.css, <!-- orlet-core -->
the core's script (emscripten's, MODULARIZE'd as createOrletCore) and its
wasm, packed as .lzma and in base64, with lzma.js that unpacks it: packed,
the wasm takes less than half the room it takes in base64 as it is, and a
sixth less than gzipped, in the file and on the wire alike (a gzipped page
gains nothing from gzipping the wasm again). <!-- orlet-page -->
becomes page.js with the window templates' texts before it: each widget's
caption, title, tooltip and placeholder by object name, so that the page
says what the window says, and the version, the homepage and the notices of
what the page carries besides Orlet. Scripts and style go in minified by
esbuild: the page's size is its users' wait on a slow line.
"""
import argparse
import base64
import json
import lzma
import pathlib
import struct
import subprocess
import sys
import xml.etree.ElementTree as ElementTree

TEXT_PROPERTIES = ("text", "title", "toolTip", "placeholderText", "windowTitle")


def template_texts(path):
    """{objectName: {property: text}} of one Designer template."""
    texts = {}
    for widget in ElementTree.parse(path).iter("widget"):
        found = {}
        for prop in widget.findall("property"):
            string = prop.find("string")
            if prop.get("name") in TEXT_PROPERTIES and string is not None and string.text:
                found[prop.get("name")] = string.text
        if found:
            texts[widget.get("name")] = found
    return texts


def packed_lzma(data):
    """data as an .lzma stream whose header says its unpacked size."""
    filters = [{"id": lzma.FILTER_LZMA1, "preset": 9 | lzma.PRESET_EXTREME, "lc": 3, "lp": 0, "pb": 0}]
    packed = bytearray(lzma.compress(data, format=lzma.FORMAT_ALONE, filters=filters))
    packed[5:13] = struct.pack("<Q", len(data))  # the encoder writes "unknown"
    return bytes(packed)


def minified(esbuild, text, loader):
    done = subprocess.run([esbuild, "--minify", f"--loader={loader}", "--charset=utf8", "--log-level=warning"],
                          input=text.encode("utf-8"), capture_output=True, check=False)
    if done.returncode != 0:
        sys.exit(f"make-page: esbuild could not minify the page's {loader}: {done.stderr.decode(errors='replace')}")
    return done.stdout.decode("utf-8")


def inline_script(esbuild, text, name):
    if "</script" in text.lower():
        sys.exit(f"make-page: {name} holds </script and cannot stand inline")
    return f"<script>{minified(esbuild, text, 'js')}</script>"


def replace_once(page, marker, text):
    if page.count(marker) != 1:
        sys.exit(f"make-page: the page must hold {marker} once")
    return page.replace(marker, text)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    for option in ("--version", "--homepage", "--notices", "--core", "--wasm", "--esbuild", "--output"):
        parser.add_argument(option, required=True)
    parser.add_argument("html", type=pathlib.Path)
    parser.add_argument("css", type=pathlib.Path)
    parser.add_argument("unpacker", type=pathlib.Path)
    parser.add_argument("js", type=pathlib.Path)
    parser.add_argument("templates", type=pathlib.Path, nargs="+")
    args = parser.parse_args()

    texts = {"version": args.version, "homepage": args.homepage,
             "notices": pathlib.Path(args.notices).read_text(encoding="utf-8")}
    for template in args.templates:
        texts[template.stem] = template_texts(template)
    packed = base64.b64encode(packed_lzma(pathlib.Path(args.wasm).read_bytes())).decode("ascii")
    core = (inline_script(args.esbuild, args.unpacker.read_text(encoding="utf-8"), args.unpacker) +
            inline_script(args.esbuild, pathlib.Path(args.core).read_text(encoding="utf-8"), args.core) +
            f'\n<script type="application/octet-stream" id="orlet-core-wasm">{packed}</script>')
    page_script = (f"const templateTexts = {json.dumps(texts, ensure_ascii=False, separators=(',', ':'))};\n" +
                   args.js.read_text(encoding="utf-8"))

    page = args.html.read_text(encoding="utf-8")
    style = minified(args.esbuild, args.css.read_text(encoding="utf-8"), "css")
    page = replace_once(page, "<!-- orlet-style -->", f"<style>{style}</style>")
    page = replace_once(page, "<!-- orlet-core -->", core)
    page = replace_once(page, "<!-- orlet-page -->", inline_script(args.esbuild, page_script, args.js))
    pathlib.Path(args.output).write_text(page, encoding="utf-8", newline="\n")


if __name__ == "__main__":
    main()

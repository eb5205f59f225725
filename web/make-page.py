#!/usr/bin/env python3
"""Puts the page together: one HTML file that holds everything it runs.

Usage: make-page.py --version V --homepage URL --notices TXT --core JS --wasm WASM
                    --output HTML page.html page.css page.js TEMPLATE.ui...

In page.html, the line <!-- orlet-style --> becomes page.css, <!-- orlet-core -->
the core's script (emscripten's, MODULARIZE'd as createOrletCore) and its
wasm, gzipped and in base64: the page inflates it with the browser's
DecompressionStream (gzipped, the wasm takes half the room it takes in
base64 as it is, in the file and on the wire alike). <!-- orlet-page -->
becomes page.js with the window templates' texts before it: each widget's
caption, title, tooltip and placeholder by object name, so that the page
says what the window says, and the version, the homepage and the notices of
what the page carries besides Orlet.
"""
import argparse
import base64
import gzip
import json
import pathlib
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


def inline_script(text, name):
    if "</script" in text.lower():
        sys.exit(f"make-page: {name} holds </script and cannot stand inline")
    return f"<script>\n{text}\n</script>"


def replace_once(page, marker, text):
    if page.count(marker) != 1:
        sys.exit(f"make-page: the page must hold {marker} once")
    return page.replace(marker, text)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    for option in ("--version", "--homepage", "--notices", "--core", "--wasm", "--output"):
        parser.add_argument(option, required=True)
    parser.add_argument("html", type=pathlib.Path)
    parser.add_argument("css", type=pathlib.Path)
    parser.add_argument("js", type=pathlib.Path)
    parser.add_argument("templates", type=pathlib.Path, nargs="+")
    args = parser.parse_args()

    texts = {"version": args.version, "homepage": args.homepage,
             "notices": pathlib.Path(args.notices).read_text(encoding="utf-8")}
    for template in args.templates:
        texts[template.stem] = template_texts(template)
    packed = base64.b64encode(gzip.compress(pathlib.Path(args.wasm).read_bytes(), 9, mtime=0)).decode("ascii")
    core = (inline_script(pathlib.Path(args.core).read_text(encoding="utf-8"), args.core) +
            f'\n<script type="application/octet-stream" id="orlet-core-wasm">{packed}</script>')
    page_script = (f"const templateTexts = {json.dumps(texts, ensure_ascii=False, separators=(',', ':'))};\n" +
                   args.js.read_text(encoding="utf-8"))

    page = args.html.read_text(encoding="utf-8")
    page = replace_once(page, "<!-- orlet-style -->", f"<style>\n{args.css.read_text(encoding='utf-8')}</style>")
    page = replace_once(page, "<!-- orlet-core -->", core)
    page = replace_once(page, "<!-- orlet-page -->", inline_script(page_script, args.js))
    pathlib.Path(args.output).write_text(page, encoding="utf-8", newline="\n")


if __name__ == "__main__":
    main()

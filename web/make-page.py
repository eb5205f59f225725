#!/usr/bin/env python3
"""Puts the page together: one HTML file that holds everything it runs.

Usage: make-page.py TEMPLATE SCRIPT WASM OUTPUT

The line of TEMPLATE that holds only <!-- orlet-core --> becomes the core's
script (emscripten's, MODULARIZE'd as createOrletCore) and its wasm, gzipped
and in base64: the page inflates it with the browser's DecompressionStream.
Gzipped, the wasm takes half the room it takes in base64 as it is, in the
file and on the wire alike.
"""
import base64
import gzip
import sys

MARKER = "<!-- orlet-core -->"


def main():
    if len(sys.argv) != 5:
        sys.exit(__doc__)
    template_path, script_path, wasm_path, output_path = sys.argv[1:]
    with open(template_path, encoding="utf-8") as f:
        template = f.read()
    with open(script_path, encoding="utf-8") as f:
        script = f.read()
    with open(wasm_path, "rb") as f:
        wasm = f.read()
    if template.count(MARKER) != 1:
        sys.exit(f"make-page: {template_path} must hold {MARKER} once")
    if "</script" in script.lower():
        sys.exit(f"make-page: {script_path} holds </script and cannot stand inline")
    packed = base64.b64encode(gzip.compress(wasm, 9, mtime=0)).decode("ascii")
    core = (f"<script>\n{script}\n</script>\n"
            f'<script type="application/octet-stream" id="orlet-core-wasm">{packed}</script>')
    with open(output_path, "w", encoding="utf-8", newline="\n") as f:
        f.write(template.replace(MARKER, core))


if __name__ == "__main__":
    main()

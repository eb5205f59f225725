#!/usr/bin/env python3
"""Checks that the examples in the README and the man pages are what the
programs print.

An example is a transcript: a line "$ orlet-gen ARGS" (or "$ orlet ARGS")
in a code block of README.md or between .EX and .EE of a man page, followed
by the lines the program prints (standard output, then standard error) up to
the next "$ " line or the end of the block.  A block that shows one
program's output alone is marked in README.md by the line before it:

    <!-- output of: orlet-gen ARGS -->

An example whose last shown line is "..." is an excerpt: the lines before it
must stand in the printed text in that order, each whole, with any lines
between them (the members of --json that an example does not dwell on).

Add an example in either form and this test checks it.  The commands run in
an empty folder, so an example may write with -o; CR LF prints as LF,
and whether the last line ends is not compared.

Usage: check_examples.py --orlet-gen PATH [--orlet PATH] FILE...
"""
import argparse
import os
import re
import shlex
import subprocess
import sys
import tempfile

PROMPT = "$ "
OUTPUT_MARK = re.compile(r"^<!-- output of: (.+?) -->$")


def markdown_blocks(lines):
    """Yields (first line number, lines, command of an output mark or None)
    for every fenced or indented code block."""
    i = 0
    mark = None
    while i < len(lines):
        line = lines[i]
        found = OUTPUT_MARK.match(line.strip())
        if found:
            mark = found.group(1)
            i += 1
            continue
        if line.startswith("```"):
            start, body = i + 1, []
            i += 1
            while i < len(lines) and not lines[i].startswith("```"):
                body.append(lines[i])
                i += 1
            yield start + 1, body, mark
            mark = None
            i += 1
            continue
        if line.startswith("    ") and (i == 0 or not lines[i - 1].strip()):
            start, body = i, []
            while i < len(lines):
                if lines[i].startswith("    "):
                    body.append(lines[i][4:])
                elif not lines[i].strip() and any(l.startswith("    ") for l in lines[i + 1:i + 2]):
                    body.append("")
                else:
                    break
                i += 1
            yield start + 1, body, mark
            mark = None
            continue
        if line.strip():
            mark = None
        i += 1


def roff_text(line):
    return line.replace("\\-", "-").replace("\\e", "\\").replace("\\&", "")


def man_blocks(lines):
    i = 0
    while i < len(lines):
        if lines[i].strip() == ".EX":
            start, body = i + 1, []
            i += 1
            while i < len(lines) and lines[i].strip() != ".EE":
                body.append(roff_text(lines[i]))
                i += 1
            yield start + 1, body, None
        i += 1


def transcripts(blocks):
    """Yields (line number, command, expected output) of every example."""
    for start, body, mark in blocks:
        if mark is not None:
            yield start, mark, "\n".join(body) + "\n"
            continue
        command = None
        for offset, line in enumerate(body):
            if line.startswith(PROMPT + "orlet"):
                if command is not None:
                    yield command
                command = (start + offset, line[len(PROMPT):], [])
            elif command is not None:
                command[2].append(line)
        if command is not None:
            yield command


def expected_text(output):
    if isinstance(output, str):
        return output
    while output and not output[-1]:
        output = output[:-1]
    return "".join(line + "\n" for line in output)


EXCERPT_MARK = "..."


def matches(got, expected):
    got_lines = got.rstrip("\n").split("\n")
    shown = expected.rstrip("\n").split("\n")
    if shown[-1].strip() != EXCERPT_MARK:
        # A text block cannot show whether the last line ends.
        return got_lines == shown
    remaining = iter(got_lines)
    return all(any(line.strip() == want.strip() for line in remaining) for want in shown[:-1])


def run(command, programs, folder):
    args = shlex.split(command)
    if args[0] not in programs:
        return None
    environment = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM")}
    environment["LC_ALL"] = "C.UTF-8"
    result = subprocess.run([programs[args[0]]] + args[1:], cwd=folder, capture_output=True, env=environment)
    text = (result.stdout + result.stderr).decode("utf-8", errors="replace")
    return text.replace("\r\n", "\n")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--orlet-gen", required=True)
    parser.add_argument("--orlet")
    parser.add_argument("files", nargs="+")
    options = parser.parse_args()
    programs = {"orlet-gen": os.path.abspath(options.orlet_gen)}
    if options.orlet:
        programs["orlet"] = os.path.abspath(options.orlet)

    checked, failures = 0, []
    for path in options.files:
        with open(path, encoding="utf-8") as f:
            lines = f.read().splitlines()
        blocks = man_blocks(lines) if re.search(r"\.\d(\.in|\.utf8)?$", path) else markdown_blocks(lines)
        for number, command, output in transcripts(blocks):
            with tempfile.TemporaryDirectory() as folder:
                got = run(command, programs, folder)
            if got is None:
                continue
            checked += 1
            expected = expected_text(output)
            if not matches(got, expected):
                failures.append(f"{os.path.basename(path)}:{number}: $ {command}\n"
                                f"--- shown\n{expected}--- printed\n{got}")
    for failure in failures:
        print(failure)
    print(f"{checked} examples checked, {len(failures)} differ")
    return 1 if failures or checked == 0 else 0


if __name__ == "__main__":
    sys.exit(main())

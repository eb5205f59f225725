#!/usr/bin/env python3
"""Times the serial port in s51 where orlet-gen warns about its rate, and after each fix it names.

  serial_proof.py --orlet-gen PATH fixes MHZ   the rates of the table at one crystal: the warning,
                                               then each fix made, bytes sent and their bit time
  serial_proof.py --orlet-gen PATH rates       rates off the list (MIDI, DMX, 100000 ...)

orlet-gen names its fixes on one warning line on standard error. Each fix is
made by adding its flags, the SDCC text compiled and run in s51, and the time
between successive writes to SBUF measured: ten bits of 32 timer 1 overflows
(16 with SMOD) or 16 timer 2 overflows, plus the few overflows the sending
loop takes to see TI. The bit time must give exactly the real rate orlet-gen
shows (actualBaud) and its deviation (baudDeviationPercent), within 2 % for
a fix (0.5 % for a crystal). Timer 1 runs on s51's 80C51 (its 8052 models
run timer 1's baud clock twice as fast), timer 2 on its 52 model.
"""

import argparse
import json
import re
import subprocess
import sys
import tempfile

from firmware_tools import (Failure, address_of, check_orlet_gen, find_tool, missing_tools_failure,
                            sdcc_compile, with_main_loop)

TOLERANCE = 2.0
CRYSTAL_TOLERANCE = 0.5
FRAMES = 6
SEND = "SBUF=0x55;"
SEND_LOOP = "for(;;){\r\n " + SEND + "\r\n while(!TI);\r\n TI=0;\r\n}"

# By crystal: (flags, the fixes orlet-gen must name, best first). The warning
# may name no others.
FIX_CASES = {
    "12": [
        ("--uart 9600", ["--crystal 11.0592", "--uart 2400"]),
        # Doubling gives -6.99 %: no fix. Timer 2 does.
        ("--chip 8052 --uart 9600", ["--uart-timer 2", "--crystal 11.0592", "--uart 2400"]),
        ("--uart 4800", ["--double-baud", "--crystal 11.0592", "--uart 2400"]),
    ],
    "11.0592": [
        ("--uart 57600", ["--double-baud", "--crystal 22.1184", "--uart 9600"]),
        # Timer 2 takes no doubling: the fix drops it.
        ("--chip 8052 --uart 115200 --double-baud",
         ["--uart-timer 2 without --double-baud", "--crystal 22.1184", "--uart 57600"]),
    ],
    "24": [
        ("--chip 8052 --uart 19200", ["--uart-timer 2", "--crystal 22.1184", "--uart 4800"]),
    ],
    "16": [
        # A custom crystal of 14.7456 MHz is 14745599 Hz: 9599.99 bit/s.
        ("--uart 9600", ["--crystal 14.7456", "--uart 1200"]),
    ],
}

# Rates off the list, met exactly by the formula's count. s51 moves timer 2
# on by whole instructions, so its overflows here take two machine cycles or
# more (250000 bit/s at 16 MHz, 4 clocks, is left to the formula's tests).
RATE_CASES = [
    "--crystal 12 --uart 31250",
    "--crystal 12 --uart 62500 --double-baud",
    "--chip 8052 --crystal 12 --uart 15625 --uart-timer 2",
    "--chip 8052 --crystal 16 --uart 31250 --uart-timer 2",
    "--chip 8052 --crystal 24 --uart 62500 --uart-timer 2",
]

WARNING = re.compile(r"^orlet-gen: warning: .*?(?:; fixes, best first: (.*))?$")


def tool(name):
    path = find_tool(name)
    if not path:
        raise missing_tools_failure([name])
    return path


def orlet_gen(path, args):
    """The JSON (with the SDCC text) and the warning's fixes for `args`;
    None for the fixes when there is no warning."""
    run = subprocess.run([path, "--dialect", "sdcc", "--json"] + args.split(), capture_output=True, timeout=60)
    if run.returncode != 0:
        raise Failure("orlet-gen %s: %s" % (args, run.stderr.decode(errors="replace").strip()))
    lines = run.stderr.decode().splitlines()
    if len(lines) > 1 or (lines and not WARNING.match(lines[0])):
        raise Failure("orlet-gen %s said more than one warning line: %r" % (args, lines))
    fixes = None
    if lines:
        named = WARNING.match(lines[0]).group(1)
        fixes = [re.sub(r" \(.*", "", fix) for fix in named.split("; ")] if named else []
    return json.loads(run.stdout), fixes


def with_fix(args, fix):
    """`args` with a fix's flags: a flag given again takes the new value,
    one named after "without" goes."""
    words = args.split()
    change, _, dropped = fix.partition(" without ")
    flag, *value = change.split()
    for gone in (flag, dropped):
        if gone in words:
            at = words.index(gone)
            del words[at : at + 1 + (0 if gone == "--double-baud" else 1)]
    return " ".join(words + [flag] + value)


def frame_intervals(numbers, timer, workdir, name):
    """Clocks between successive SBUF writes after the first."""
    source = with_main_loop(numbers["source"], SEND_LOOP)
    ihx, listing = sdcc_compile(tool("sdcc"), source.encode(), workdir, name, "rst")
    script = "break 0x%x\n" % address_of(listing, SEND) + "run\nstate\n" * FRAMES + "quit\n"
    model = "52" if timer == 2 else "80C51"
    hz = numbers["crystalHz"]
    run = subprocess.run([tool("s51"), "-t", model, "-X", str(hz), ihx], input=script.encode(), capture_output=True,
                         timeout=120)
    out = run.stdout.decode(errors="replace")
    clocks = [int(c) for c in re.findall(r"Total time since last reset= *[0-9.e+-]+ sec \((\d+) clks\)", out)]
    if len(clocks) != FRAMES:
        raise Failure("s51 stopped %d times at the SBUF write, not %d:\n%s" % (len(clocks), FRAMES, out[-1500:]))
    # The first write comes at any point of the count.
    return [b - a for a, b in zip(clocks[1:], clocks[2:])]


def bit_clocks(numbers, doubled, intervals):
    """The bit time the frames show, in clocks, from the reload the text loads."""
    timer = numbers.get("uartTimer", 1)
    if timer == 2:
        # Timer 2 counts state times (2 clocks); a bit is 16 overflows.
        overflow = 2 * (65536 - ((numbers["th2"] << 8) | numbers["tl2"]))
        per_bit = 16
    else:
        overflow = 12 * (256 - numbers["th1"])
        per_bit = 16 if doubled else 32
    frame = 10 * per_bit * overflow
    for interval in intervals:
        extra = interval - frame
        if extra % overflow or not 0 <= extra <= max(2 * overflow, 72):
            raise Failure("a frame took %d clocks: not 10 bits of %d overflows of %d clocks" % (interval, per_bit,
                                                                                               overflow))
    return per_bit * overflow


def timed(gen, workdir, args, name):
    """Sends bytes with the text of `args`; checks the real rate shown. Returns (JSON, fixes, measured rate)."""
    numbers, fixes = orlet_gen(gen, args)
    timer = numbers.get("uartTimer", 1)
    bit = bit_clocks(numbers, "--double-baud" in args.split(), frame_intervals(numbers, timer, workdir, name))
    measured = numbers["crystalHz"] / bit
    rate = int(re.search(r"--uart (\d+)", args).group(1))
    if abs(measured - numbers["actualBaud"]) > 1e-6 * measured:
        raise Failure("%s: the bits come at %.3f bit/s, orlet-gen shows %.3f" % (args, measured, numbers["actualBaud"]))
    deviation = (measured / rate - 1) * 100
    if abs(deviation - numbers["baudDeviationPercent"]) > 1e-6:
        raise Failure("%s: the bits deviate %+.4f %%, orlet-gen shows %+.4f %%"
                      % (args, deviation, numbers["baudDeviationPercent"]))
    return numbers, fixes, measured, deviation


def prove_fixes(gen, workdir, mhz):
    for number, (flags, expected) in enumerate(FIX_CASES[mhz]):
        args = "--crystal %s %s" % (mhz, flags)
        _, fixes, measured, deviation = timed(gen, workdir, args, "asked%d" % number)
        if abs(deviation) <= TOLERANCE or fixes is None:
            raise Failure("%s: %+.2f %% off, and orlet-gen %s" % (args, deviation,
                                                                 "warns" if fixes is not None else "does not warn"))
        if fixes != expected:
            raise Failure("%s: orlet-gen names the fixes %s, not %s" % (args, fixes, expected))
        print("%s: %.2f bit/s (%+.2f %%)" % (args, measured, deviation))
        for count, fix in enumerate(fixes):
            fixed = with_fix(args, fix)
            _, warning, measured, deviation = timed(gen, workdir, fixed, "fix%d_%d" % (number, count))
            within = CRYSTAL_TOLERANCE if fix.startswith("--crystal") else TOLERANCE
            if warning is not None or abs(deviation) > within:
                raise Failure("%s: %+.4f %% off after the fix %s" % (fixed, deviation, fix))
            print("  %-18s %10.2f bit/s (%+.2f %%)" % (fix, measured, deviation))


def prove_rates(gen, workdir):
    for number, args in enumerate(RATE_CASES):
        numbers, warning, measured, deviation = timed(gen, workdir, args, "rate%d" % number)
        if warning is not None or abs(deviation) > 1e-9:
            raise Failure("%s: %+.4f %% off" % (args, deviation))
        print("%s: reload %s, %.2f bit/s" % (args, numbers["baudReloadText"], measured))


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--orlet-gen", required=True)
    parser.add_argument("group", choices=["fixes", "rates"])
    parser.add_argument("mhz", nargs="?", choices=sorted(FIX_CASES))
    args = parser.parse_args()
    try:
        check_orlet_gen(args.orlet_gen)
        with tempfile.TemporaryDirectory(prefix="orlet-serial-") as workdir:
            if args.group == "fixes":
                prove_fixes(args.orlet_gen, workdir, args.mhz)
            else:
                prove_rates(args.orlet_gen, workdir)
    except Failure as failure:
        print("FAIL: %s" % failure, file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())

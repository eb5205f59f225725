#!/usr/bin/env python3
"""Checks the chip formulas on a simulated chip, independently of the generator.

  chip_proof.py timer2 MHZ US      8052 timer 2 auto-reload: an interrupt every count machine cycles, no drift
  chip_proof.py baud MHZ RATE      8052 timer 2 as baud generator: frames of 10 bit times at the real rate
  chip_proof.py stc                STC15/STC8 init code: AUXR, TMOD, TH0/TL0, T2H/T2L, IE2 and SCON read back

The init code is written here by hand from the vendors' register
descriptions, compiled with SDCC and run in s51 (-t C52: an 80C52 with timer
2 and idle mode). The reload values come from the vendors' formulas, computed
here, and are compared with the reference values of the manuals. s51 has no
STC core: it keeps what the code writes to AUXR, IE2, T2H and T2L, so the
STC check reads the init code's writes back rather than timing them.
"""

import argparse
import os
import re
import shutil
import subprocess
import sys
import tempfile

CLOCKS_PER_CYCLE = 12
INTERRUPTS = 1000
TIMER2_VECTOR = 0x2B

# Reference values of the manuals (docs/chips.md).
REFERENCES = {
    ("timer2", 12000000, 1000): 0xFC18,
    ("baud", 11059200, 9600): 0xFFDC,
    ("baud", 12000000, 9600): 0xFFD9,
}


class Failure(Exception):
    pass


def tool(name):
    path = shutil.which(os.environ.get(name.upper(), name))
    if not path:
        raise Failure(
            "%s not found: the firmware tests need SDCC and its simulator "
            "(Debian packages sdcc and sdcc-ucsim; scripts/install-deps.sh installs them)" % name
        )
    return path


def compile_c(source, workdir, name):
    """Compiles `source` with sdcc -mmcs51; returns (ihx path, .rst listing)."""
    with open(os.path.join(workdir, name + ".c"), "w") as f:
        f.write(source)
    run = subprocess.run([tool("sdcc"), "-mmcs51", name + ".c"], cwd=workdir, capture_output=True, timeout=120)
    said = (run.stdout + run.stderr).decode(errors="replace").strip()
    if run.returncode != 0 or said:
        raise Failure("sdcc %s.c (exit %d): %s" % (name, run.returncode, said))
    with open(os.path.join(workdir, name + ".rst"), encoding="latin-1") as f:
        return os.path.join(workdir, name + ".ihx"), f.read()


def s51(ihx, crystal_hz, script):
    run = subprocess.run(
        [tool("s51"), "-t", "C52", "-X", str(crystal_hz), ihx], input=script.encode(), capture_output=True, timeout=120
    )
    out = run.stdout.decode(errors="replace")
    frequency = re.search(r"frequency= *(\d+) HZ", out)
    if script.count("state") and (not frequency or int(frequency.group(1)) != crystal_hz):
        raise Failure("s51 did not run at %d Hz:\n%s" % (crystal_hz, out[-2000:]))
    return out


def clocks_at_stops(out, stops):
    reasons = re.findall(r"Stop at 0x[0-9a-f]+: \(\d+\) ([^\n]*)", out)
    clocks = [int(c) for c in re.findall(r"Total time since last reset= *[0-9.e+-]+ sec \((\d+) clks\)", out)]
    if len(clocks) != stops or any(not r.startswith("Breakpoint") for r in reasons):
        raise Failure("s51 stopped %s, expected %d breakpoint stops:\n%s" % (reasons, stops, out[-2000:]))
    return clocks


def address_of(listing, statement):
    """Code address of the first instruction SDCC emitted for `statement` (a C line)."""
    lines = listing.splitlines()
    for i, line in enumerate(lines):
        if line.rstrip().endswith(statement):
            for following in lines[i + 1 :]:
                code = re.match(r"\s+([0-9A-F]{6}) [0-9A-F]{2}", following)
                if code:
                    return int(code.group(1), 16)
    raise Failure("no code for %r in the listing" % statement)


def mhz_to_hz(text):
    return int(round(float(text) * 1000000))


def rounded(x):
    return int(x + 0.5)


def check_reference(kind, crystal_hz, value, reload):
    want = REFERENCES.get((kind, crystal_hz, value))
    if want is not None and reload != want:
        raise Failure("reload 0x%04X, the manual's reference is 0x%04X" % (reload, want))


# --- 8052 timer 2 as a timer ------------------------------------------------

TIMER2_SOURCE = """#include <8052.h>
void timer2(void) __interrupt(5)
{
    TF2 = 0;
}
void main(void)
{
    T2CON = 0x00;
    RCAP2H = 0x%(high)02X;
    RCAP2L = 0x%(low)02X;
    TH2 = 0x%(high)02X;
    TL2 = 0x%(low)02X;
    ET2 = 1;
    EA = 1;
    TR2 = 1;
    for (;;)
        PCON |= 1;
}
"""


def prove_timer2(workdir, crystal_hz, period_us):
    """12 * (65536 - RCAP2) / fosc per interrupt, the same after INTERRUPTS of them."""
    count = rounded(crystal_hz * period_us / (CLOCKS_PER_CYCLE * 1e6))
    if not 1 <= count <= 65536:
        raise Failure("%d us do not fit timer 2 at %d Hz" % (period_us, crystal_hz))
    reload = 65536 - count
    check_reference("timer2", crystal_hz, period_us, reload)
    ihx, _ = compile_c(TIMER2_SOURCE % {"high": reload >> 8, "low": reload & 0xFF}, workdir, "timer2")
    # Three successive interrupts, then the INTERRUPTS-th after the first.
    script = "break 0x%x\n" % TIMER2_VECTOR + "run\nstate\n" * 3
    script += "delete\nbreak 0x%x %d\nrun\nstate\nquit\n" % (TIMER2_VECTOR, INTERRUPTS - 2)
    first, second, third, last = clocks_at_stops(s51(ihx, crystal_hz, script), 4)
    expected = count * CLOCKS_PER_CYCLE
    if second - first != expected or third - second != expected:
        raise Failure("interrupts %d and %d clocks apart, expected %d" % (second - first, third - second, expected))
    if last - first != INTERRUPTS * expected:
        raise Failure(
            "%d interrupts took %d clocks, expected %d: the period drifts"
            % (INTERRUPTS, last - first, INTERRUPTS * expected)
        )
    print("timer 2 at %d Hz, %d us: RCAP2 = 0x%04X, %d clocks per interrupt over %d interrupts"
          % (crystal_hz, period_us, reload, expected, INTERRUPTS))


# --- 8052 timer 2 as the baud generator ------------------------------------

BAUD_SOURCE = """#include <8052.h>
void main(void)
{
    SCON = 0x50;
    RCAP2H = 0x%(high)02X;
    RCAP2L = 0x%(low)02X;
    TH2 = 0x%(high)02X;
    TL2 = 0x%(low)02X;
    T2CON = 0x34;
    for (;;) {
        SBUF = 0x55;
        while (!TI)
            ;
        TI = 0;
    }
}
"""

FRAMES = 6


def prove_baud(workdir, crystal_hz, rate):
    """Frames of 10 bits at fosc / (32 * (65536 - RCAP2))."""
    count = rounded(crystal_hz / (32.0 * rate))
    reload = 65536 - count
    check_reference("baud", crystal_hz, rate, reload)
    ihx, listing = compile_c(BAUD_SOURCE % {"high": reload >> 8, "low": reload & 0xFF}, workdir, "baud")
    write = address_of(listing, "SBUF = 0x55;")
    script = "break 0x%x\n" % write + "run\nstate\n" * FRAMES + "quit\n"
    clocks = clocks_at_stops(s51(ihx, crystal_hz, script), FRAMES)
    # Timer 2 steps every 2 clocks (state time) and a bit lasts 16 overflows.
    overflow = 2 * count
    frame = 10 * 16 * overflow
    for interval in (b - a for a, b in zip(clocks, clocks[1:])):
        # The loop writes the next byte within two overflows of the last bit.
        if not frame <= interval <= frame + 2 * overflow:
            raise Failure("a frame took %d clocks, 10 bits at the real rate take %d" % (interval, frame))
    real = crystal_hz * 10.0 / frame
    print("UART from timer 2 at %d Hz, %d bit/s: RCAP2 = 0x%04X, frames of %d clocks, %.1f bit/s (%+.2f %%)"
          % (crystal_hz, rate, reload, frame, real, (1 - rate / real) * 100))


# --- STC15/STC8 init code ---------------------------------------------------

STC_DECLARATIONS = """#include <8051.h>
__sfr __at(0x8E) AUXR;
__sfr __at(0xAF) IE2;
__sfr __at(0xD6) T2H;
__sfr __at(0xD7) T2L;
"""

AUXR = {"T0x12": 0x80, "T1x12": 0x40, "T2R": 0x10, "T2x12": 0x04, "S1ST2": 0x01}


def stc_uart_timer2(crystal_hz, rate, one_t):
    """UART1 mode 1 from timer 2: SYSclk / (4 * (65536 - RL)), / 12 more in 12T."""
    reload = 65536 - rounded(crystal_hz / (4.0 * (1 if one_t else 12) * rate))
    auxr = AUXR["T2R"] | AUXR["S1ST2"] | (AUXR["T2x12"] if one_t else 0)
    source = STC_DECLARATIONS + """void main(void)
{
    SCON = 0x50;
    AUXR |= 0x%02X;
    T2L = 0x%02X;
    T2H = 0x%02X;
    AUXR |= 0x10;
    for (;;)
        ;
}
""" % (auxr & ~AUXR["T2R"], reload & 0xFF, reload >> 8)
    return source, {"AUXR": auxr, "T2H": reload >> 8, "T2L": reload & 0xFF, "SCON": 0x50}, None


def stc_timer0_mode0(crystal_hz, period_us, one_t):
    """Timer 0 mode 0, the 16-bit auto-reload: 65536 - SYSclk * t (/ 12 in 12T)."""
    reload = 65536 - rounded(crystal_hz * period_us / ((1 if one_t else 12) * 1e6))
    auxr = AUXR["T0x12"] if one_t else 0
    source = STC_DECLARATIONS + """void main(void)
{
    AUXR = (AUXR & 0x7F) | 0x%02X;
    TMOD = 0x00;
    TL0 = 0x%02X;
    TH0 = 0x%02X;
    ET0 = 1;
    TR0 = 1;
    for (;;)
        ;
}
""" % (auxr, reload & 0xFF, reload >> 8)
    # s51 runs timer 0 as a 13-bit 8051 timer: the bytes are read before TR0 = 1.
    return source, {"AUXR": auxr, "TMOD": 0x00, "TH0": reload >> 8, "TL0": reload & 0xFF}, "TR0 = 1;"


def stc_timer2(crystal_hz, period_us, one_t):
    """Timer 2 as a timer, enabled by IE2 bit 2 (IE.5 is EADC on STC)."""
    reload = 65536 - rounded(crystal_hz * period_us / ((1 if one_t else 12) * 1e6))
    auxr = AUXR["T2R"] | (AUXR["T2x12"] if one_t else 0)
    source = STC_DECLARATIONS + """void main(void)
{
    AUXR |= 0x%02X;
    T2L = 0x%02X;
    T2H = 0x%02X;
    IE2 |= 0x04;
    AUXR |= 0x10;
    for (;;)
        ;
}
""" % (auxr & ~AUXR["T2R"], reload & 0xFF, reload >> 8)
    return source, {"AUXR": auxr, "T2H": reload >> 8, "T2L": reload & 0xFF, "IE2": 0x04, "IE": 0x00}, None


SFR_ADDRESS = {"AUXR": 0x8E, "TMOD": 0x89, "TH0": 0x8C, "TL0": 0x8A, "T2H": 0xD6, "T2L": 0xD7, "IE2": 0xAF,
               "SCON": 0x98, "IE": 0xA8}

STC_CASES = [
    # (name, source builder, arguments, reference values of the manuals)
    ("stc15/stc8 11.0592 MHz 115200 bit/s timer 2 1T", stc_uart_timer2, (11059200, 115200, True),
     {"AUXR": 0x15, "T2H": 0xFF, "T2L": 0xE8, "SCON": 0x50}),
    ("stc8 11.0592 MHz 9600 bit/s timer 2 12T", stc_uart_timer2, (11059200, 9600, False),
     {"AUXR": 0x11, "T2H": 0xFF, "T2L": 0xE8}),
    ("stc15 12 MHz timer 0 mode 0 1000 us 1T", stc_timer0_mode0, (12000000, 1000, True),
     {"AUXR": 0x80, "TH0": 0xD1, "TL0": 0x20}),
    ("stc15 12 MHz timer 0 mode 0 1000 us 12T", stc_timer0_mode0, (12000000, 1000, False),
     {"AUXR": 0x00, "TH0": 0xFC, "TL0": 0x18}),
    ("stc8 24 MHz timer 2 2000 us 12T", stc_timer2, (24000000, 2000, False), {"T2H": 0xF0, "T2L": 0x60}),
]


def read_sfrs(ihx, crystal_hz, names, stop=None):
    """Runs the init code (into its endless loop, or up to code address
    `stop`) and dumps `names`."""
    start = "break 0x%x\nrun\n" % stop if stop is not None else "step 5000\n"
    script = start + "".join("dump sfr 0x%x 0x%x\n" % (SFR_ADDRESS[n], SFR_ADDRESS[n]) for n in names)
    out = s51(ihx, crystal_hz, script + "quit\n")
    values = {}
    for name in names:
        found = re.search(r"^0x%02x\S*\s+(?:\S+:\s+0b[01]{8} 0x)?([0-9a-f]{2})\b" % SFR_ADDRESS[name], out, re.M)
        if not found:
            raise Failure("no dump of %s:\n%s" % (name, out[-1500:]))
        values[name] = int(found.group(1), 16)
    return values


def prove_stc(workdir):
    for number, (name, build, arguments, reference) in enumerate(STC_CASES):
        source, expected, stop_statement = build(*arguments)
        for register, value in reference.items():
            if expected[register] != value:
                raise Failure("%s: the formula gives %s = 0x%02X, the manual 0x%02X"
                              % (name, register, expected[register], value))
        ihx, listing = compile_c(source, workdir, "stc%d" % number)
        stop = address_of(listing, stop_statement) if stop_statement else None
        got = read_sfrs(ihx, arguments[0], list(expected), stop)
        wrong = ["%s = 0x%02X (expected 0x%02X)" % (r, got[r], v) for r, v in expected.items() if got[r] != v]
        if wrong:
            raise Failure("%s: after init %s" % (name, ", ".join(wrong)))
        print("%s: %s" % (name, ", ".join("%s = 0x%02X" % item for item in expected.items())))


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("group", choices=["timer2", "baud", "stc"])
    parser.add_argument("arguments", nargs="*")
    args = parser.parse_args()
    try:
        with tempfile.TemporaryDirectory(prefix="orlet-chips-") as workdir:
            if args.group == "timer2":
                prove_timer2(workdir, mhz_to_hz(args.arguments[0]), int(args.arguments[1]))
            elif args.group == "baud":
                prove_baud(workdir, mhz_to_hz(args.arguments[0]), int(args.arguments[1]))
            else:
                prove_stc(workdir)
    except Failure as failure:
        print("FAIL: %s" % failure, file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())

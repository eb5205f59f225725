#!/usr/bin/env python3
"""Runs orlet-gen's code for the 8052, STC89, STC15 and STC8 on a simulated chip.

  chip_proof.py --orlet-gen PATH timer2 MHZ US [6t]  8052 (or STC89 in 6T) timer 2: an interrupt every count, no drift
  chip_proof.py --orlet-gen PATH baud MHZ RATE       8052 timer 2 as baud generator: frames of 10 bit times
  chip_proof.py --orlet-gen PATH stc                 STC15/STC8 init code: AUXR, TMOD, TH/TL, T2H/T2L, IE2, SCON
  chip_proof.py --orlet-gen PATH parts               STC12C5A60S2, STC15W408AS, N76E003 and CH552 init code: their own
                                                     registers (BRT, T3CON, RH3/RL3, CKCON, T2MOD, CLOCK_CFG) read back
  chip_proof.py --orlet-gen PATH compile             every chip's text, every block in use, compiles without a warning,
                                                     also with the user's own header named by --header

The code is orlet-gen's SDCC text, with the two changes any user makes
("//EA=1;" switched on, an endless loop at the end of main()), compiled with
SDCC and run in s51 (-t C52: an 80C52 with timer 2 and idle mode). The
values it must give come from the vendors' formulas, computed here
independently of the generator, and are compared with the reference values
of the manuals. A 6T STC89 at f runs as a 12-clock 80C52 at 2f. s51 has no
STC core: it keeps what the code writes to AUXR, IE2, T2H and T2L, so the
STC check reads the init code's writes back rather than timing them; so do
the checks of the STC12C5A60S2, N76E003 and CH552, whose registers s51 keeps
without modelling them.
"""

import argparse
import os
import re
import subprocess
import sys
import tempfile

from firmware_tools import (Failure, address_of, check_orlet_gen, find_tool, missing_tools_failure,
                            orlet_gen_json, sdcc_compile, with_main_loop)

CLOCKS_PER_CYCLE = 12
INTERRUPTS = 1000
TIMER2_VECTOR = 0x2B

# Reference values of the manuals (docs/chips.md).
REFERENCES = {
    ("timer2", 12000000, 1000): 0xFC18,
    ("baud", 11059200, 9600): 0xFFDC,
    ("baud", 12000000, 9600): 0xFFD9,
}


def tool(name):
    path = find_tool(name)
    if not path:
        raise missing_tools_failure([name])
    return path


def compile_c(source, workdir, name, flags=()):
    """Compiles `source` with sdcc -mmcs51; returns (ihx path, .rst listing)."""
    return sdcc_compile(tool("sdcc"), source.encode(), workdir, name, "rst", flags)


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


class Generator:
    def __init__(self, path):
        check_orlet_gen(path)
        self.path = path

    def json(self, args):
        """orlet-gen's SDCC text and numbers for `args`."""
        return orlet_gen_json(self.path, args)


def check_bytes(numbers, high_name, low_name, reload):
    got = (numbers[high_name] << 8) | numbers[low_name]
    if got != reload:
        raise Failure("orlet-gen gives %s/%s = 0x%04X, the formula 0x%04X" % (high_name, low_name, got, reload))


def mhz_to_hz(text):
    return int(round(float(text) * 1000000))


def rounded(x):
    return int(x + 0.5)


def check_reference(kind, crystal_hz, value, reload):
    want = REFERENCES.get((kind, crystal_hz, value))
    if want is not None and reload != want:
        raise Failure("reload 0x%04X, the manual's reference is 0x%04X" % (reload, want))


# --- 8052 timer 2 as a timer ------------------------------------------------


def prove_timer2(gen, workdir, crystal_hz, period_us, six_t):
    """12 (6 in 6T) * (65536 - RCAP2) / fosc per interrupt, the same after INTERRUPTS of them."""
    clocks_per_count = 6 if six_t else CLOCKS_PER_CYCLE
    count = rounded(crystal_hz * period_us / (clocks_per_count * 1e6))
    if not 1 <= count <= 65536:
        raise Failure("%d us do not fit timer 2 at %d Hz" % (period_us, crystal_hz))
    reload = 65536 - count
    if not six_t:
        check_reference("timer2", crystal_hz, period_us, reload)
    chip = "--chip stc89 --6t" if six_t else "--chip 8052"
    numbers = gen.json("%s --crystal %g --timer2 %d" % (chip, crystal_hz / 1e6, period_us))
    check_bytes(numbers, "th2", "tl2", reload)
    if numbers["interruptCycles2"] != count:
        raise Failure("orlet-gen says %d counts per interrupt, the formula %d" % (numbers["interruptCycles2"], count))
    source = with_main_loop(numbers["source"], "for(;;)\r\n PCON|=1;")
    ihx, _ = compile_c(source, workdir, "timer2")
    # 6T at f: every machine cycle of 6 clocks is one of 12 at 2f.
    simulated_hz = crystal_hz * CLOCKS_PER_CYCLE // clocks_per_count
    # Three successive interrupts, then the INTERRUPTS-th after the first.
    script = "break 0x%x\n" % TIMER2_VECTOR + "run\nstate\n" * 3
    script += "delete\nbreak 0x%x %d\nrun\nstate\nquit\n" % (TIMER2_VECTOR, INTERRUPTS - 2)
    first, second, third, last = clocks_at_stops(s51(ihx, simulated_hz, script), 4)
    expected = count * CLOCKS_PER_CYCLE
    if second - first != expected or third - second != expected:
        raise Failure("interrupts %d and %d clocks apart, expected %d" % (second - first, third - second, expected))
    if last - first != INTERRUPTS * expected:
        raise Failure(
            "%d interrupts took %d clocks, expected %d: the period drifts"
            % (INTERRUPTS, last - first, INTERRUPTS * expected)
        )
    print("timer 2 of the %s at %d Hz, %d us: RCAP2 = 0x%04X, %d machine cycles per interrupt over %d interrupts"
          % ("STC89 in 6T" if six_t else "8052", crystal_hz, period_us, reload, count, INTERRUPTS))


# --- 8052 timer 2 as the baud generator ------------------------------------

FRAMES = 6
SEND = "SBUF=0x55;"


def prove_baud(gen, workdir, crystal_hz, rate):
    """Frames of 10 bits at fosc / (32 * (65536 - RCAP2))."""
    count = rounded(crystal_hz / (32.0 * rate))
    reload = 65536 - count
    check_reference("baud", crystal_hz, rate, reload)
    numbers = gen.json("--chip 8052 --crystal %g --uart %d --uart-timer 2" % (crystal_hz / 1e6, rate))
    check_bytes(numbers, "th2", "tl2", reload)
    if numbers["t2con"] != 0x34:
        raise Failure("T2CON 0x%02X, RCLK + TCLK + TR2 is 0x34" % numbers["t2con"])
    source = with_main_loop(numbers["source"], "for(;;){\r\n " + SEND + "\r\n while(!TI);\r\n TI=0;\r\n}")
    ihx, listing = compile_c(source, workdir, "baud")
    write = address_of(listing, SEND)
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
    if abs(numbers["actualBaud"] - real) > 1e-6 * real:
        raise Failure("orlet-gen shows %.2f bit/s, the frames run at %.2f" % (numbers["actualBaud"], real))
    print("UART from timer 2 at %d Hz, %d bit/s: RCAP2 = 0x%04X, frames of %d clocks, %.1f bit/s (%+.2f %%)"
          % (crystal_hz, rate, reload, frame, real, (1 - rate / real) * 100))


# --- STC15/STC8 init code ---------------------------------------------------

AUXR = {"T0x12": 0x80, "T1x12": 0x40, "T2R": 0x10, "T2_CT": 0x08, "T2x12": 0x04, "S1ST2": 0x01}


def stc_reload(crystal_hz, counts_per_unit, one_t):
    """65536 - round(counts), a 1T count being 12 of 12T."""
    return 65536 - rounded(counts_per_unit / (1 if one_t else 12))


def stc_uart_timer2(crystal_hz, rate, one_t):
    """UART1 mode 1 from timer 2: SYSclk / (4 * (65536 - RL)), / 12 more in 12T."""
    reload = stc_reload(crystal_hz, crystal_hz / (4.0 * rate), one_t)
    auxr = AUXR["T2R"] | AUXR["S1ST2"] | (AUXR["T2x12"] if one_t else 0)
    return {"AUXR": auxr, "T2H": reload >> 8, "T2L": reload & 0xFF, "SCON": 0x50}


def stc_uart_timer1(crystal_hz, rate, one_t):
    """UART1 mode 1 from timer 1 in mode 0 (16-bit auto-reload), S1ST2 = 0."""
    reload = stc_reload(crystal_hz, crystal_hz / (4.0 * rate), one_t)
    auxr = AUXR["T1x12"] if one_t else 0
    return {"AUXR": auxr, "TMOD": 0x00, "TH1": reload >> 8, "TL1": reload & 0xFF, "SCON": 0x50}


def stc_timer0_mode0(crystal_hz, period_us, one_t):
    """Timer 0 mode 0, the 16-bit auto-reload: 65536 - SYSclk * t (/ 12 in 12T)."""
    reload = stc_reload(crystal_hz, crystal_hz * period_us / 1e6, one_t)
    auxr = AUXR["T0x12"] if one_t else 0
    return {"AUXR": auxr, "TMOD": 0x00, "TH0": reload >> 8, "TL0": reload & 0xFF}


def stc_timer2(crystal_hz, period_us, one_t):
    """Timer 2 as a timer, enabled by IE2 bit 2 (IE.5 is EADC on STC: only EA in IE)."""
    reload = stc_reload(crystal_hz, crystal_hz * period_us / 1e6, one_t)
    auxr = AUXR["T2R"] | (AUXR["T2x12"] if one_t else 0)
    return {"AUXR": auxr, "T2H": reload >> 8, "T2L": reload & 0xFF, "IE2": 0x04, "IE": 0x80}


def merged(*parts):
    values = {}
    for part in parts:
        for name, value in part.items():
            values[name] = values.get(name, 0) | value if name in ("AUXR", "TMOD", "IE") else value
    return values


SFR_ADDRESS = {"AUXR": 0x8E, "TMOD": 0x89, "TH0": 0x8C, "TL0": 0x8A, "TH1": 0x8D, "TL1": 0x8B, "T2H": 0xD6,
               "T2L": 0xD7, "IE2": 0xAF, "SCON": 0x98, "IE": 0xA8}

STC_CASES = [
    # (name, orlet-gen arguments, values by the formulas, reference values of the manuals, where to stop: s51
    # runs timers 0 and 1 as a 13-bit 8051 timer, so their bytes are read before they start)
    ("stc15 11.0592 MHz 115200 bit/s timer 2 1T", "--chip stc15 --crystal 11.0592 --uart 115200 --uart-timer 2",
     stc_uart_timer2(11059200, 115200, True), {"AUXR": 0x15, "T2H": 0xFF, "T2L": 0xE8, "SCON": 0x50}, None),
    ("stc8 11.0592 MHz 115200 bit/s timer 2 1T", "--chip stc8 --crystal 11.0592 --uart 115200 --uart-timer 2",
     stc_uart_timer2(11059200, 115200, True), {"AUXR": 0x15, "T2H": 0xFF, "T2L": 0xE8, "SCON": 0x50}, None),
    ("stc8 11.0592 MHz 9600 bit/s timer 2 12T",
     "--chip stc8 --crystal 11.0592 --uart 9600 --uart-timer 2 --clock2 12t",
     stc_uart_timer2(11059200, 9600, False), {"AUXR": 0x11, "T2H": 0xFF, "T2L": 0xE8}, None),
    ("stc8 22.1184 MHz 115200 bit/s timer 1 1T", "--chip stc8 --crystal 22.1184 --uart 115200",
     stc_uart_timer1(22118400, 115200, True), {"TH1": 0xFF, "TL1": 0xD0}, "TR1=1;"),
    ("stc15 12 MHz timer 0 mode 0 1000 us 1T", "--chip stc15 --timer0 0:1000 --clock0 1t",
     stc_timer0_mode0(12000000, 1000, True), {"AUXR": 0x80, "TH0": 0xD1, "TL0": 0x20}, "TR0=1;"),
    ("stc15 12 MHz timer 0 mode 0 1000 us 12T", "--chip stc15 --timer0 0:1000 --clock0 12t",
     stc_timer0_mode0(12000000, 1000, False), {"AUXR": 0x00, "TH0": 0xFC, "TL0": 0x18}, "TR0=1;"),
    ("stc8 24 MHz timer 2 2000 us 12T", "--chip stc8 --crystal 24 --timer2 2000 --clock2 12t",
     stc_timer2(24000000, 2000, False), {"T2H": 0xF0, "T2L": 0x60}, None),
    ("stc15 11.0592 MHz timer 0 1T and 115200 bit/s from timer 2",
     "--chip stc15 --crystal 11.0592 --timer0 0:1000 --uart 115200 --uart-timer 2",
     merged(stc_timer0_mode0(11059200, 1000, True), stc_uart_timer2(11059200, 115200, True)),
     {"AUXR": 0x95}, "TR0=1;"),
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


def check_after_init(name, source, workdir, label, expected, stop_statement):
    """Compiles `source`, runs it in s51 to `stop_statement` (or the end of init) and reads the registers back."""
    ihx, listing = compile_c(with_main_loop(source, "for(;;)\r\n ;"), workdir, label)
    stop = address_of(listing, stop_statement) if stop_statement else None
    got = read_sfrs(ihx, 12000000, list(expected), stop)
    wrong = ["%s = 0x%02X (expected 0x%02X)" % (r, got[r], v) for r, v in expected.items() if got[r] != v]
    if wrong:
        raise Failure("%s: after init %s" % (name, ", ".join(wrong)))
    print("%s: %s" % (name, ", ".join("%s = 0x%02X" % item for item in expected.items())))


def prove_stc(gen, workdir):
    for number, (name, args, expected, reference, stop_statement) in enumerate(STC_CASES):
        for register, value in reference.items():
            if expected[register] != value:
                raise Failure("%s: the formula gives %s = 0x%02X, the manual 0x%02X"
                              % (name, register, expected[register], value))
        numbers = gen.json(args)
        if numbers["auxr"] != expected["AUXR"]:
            raise Failure("%s: orlet-gen says AUXR = 0x%02X, the formula 0x%02X" % (name, numbers["auxr"], expected["AUXR"]))
        check_after_init(name, numbers["source"], workdir, "stc%d" % number, expected, stop_statement)


# --- Parts with registers of their own --------------------------------------

PART_SFRS = {"BRT": 0x9C, "T3CON": 0xC4, "RL3": 0xC5, "RH3": 0xC6, "CKCON": 0x8E, "T2MOD": 0xC9, "CLOCK_CFG": 0xB9,
             "SAFE_MOD": 0xA1, "PCON": 0x87, "RCAP2L": 0xCA, "RCAP2H": 0xCB, "T2CON": 0xC8}
SFR_ADDRESS.update(PART_SFRS)


def stc12_brt(crystal_hz, rate, one_t, smod=False):
    """UART1 from BRT: 2^SMOD * SYSclk / (32 * (256 - BRT)), / 12 more with BRTx12 = 0; AUXR BRTR.4 BRTx12.2 S1BRS.0."""
    count = rounded((2 if smod else 1) * crystal_hz / (32.0 * rate * (1 if one_t else 12)))
    auxr = 0x10 | 0x01 | (0x04 if one_t else 0)
    return {"AUXR": auxr, "BRT": 256 - count, "SCON": 0x50}


def n76_timer3(fsys_hz, rate):
    """UART0 from timer 3, prescale 1/1, SMOD = 1: Fsys / (16 * (65536 - RH3:RL3)); T3CON BRCK.5 TR3.3."""
    reload = 65536 - rounded(fsys_hz / (16.0 * rate))
    return {"T3CON": 0x28, "RH3": reload >> 8, "RL3": reload & 0xFF, "PCON": 0x80, "SCON": 0x50}


def n76_timer0_mode1(fsys_hz, period_us, one_t):
    """Timer 0 mode 1 at Fsys (CKCON.T0M = 1) or Fsys/12."""
    reload = 65536 - rounded(fsys_hz * period_us / (1e6 * (1 if one_t else 12)))
    return {"CKCON": 0x08 if one_t else 0, "TMOD": 0x01, "TH0": reload >> 8, "TL0": reload & 0xFF}


CH552_CLOCK_CFG = {24000000: 6, 16000000: 5, 12000000: 4, 6000000: 3, 3000000: 2}


def ch552_timer0_mode1(fsys_hz, period_us, divisor):
    """Timer 0 mode 1 at Fsys/12 (bT0_CLK = 0), Fsys/4 (bT0_CLK) or Fsys (bT0_CLK and bTMR_CLK)."""
    reload = 65536 - rounded(fsys_hz * period_us / (1e6 * divisor))
    t2mod = {12: 0x00, 4: 0x10, 1: 0x90}[divisor]
    return {"T2MOD": t2mod, "TMOD": 0x01, "TH0": reload >> 8, "TL0": reload & 0xFF,
            "CLOCK_CFG": CH552_CLOCK_CFG[fsys_hz], "SAFE_MOD": 0}


def ch552_uart_timer2(fsys_hz, rate):
    """UART0 from timer 2 at Fsys (bT2_CLK and bTMR_CLK): RCAP2 = 65536 - Fsys / (16 * rate); T2CON RCLK TCLK TR2."""
    reload = 65536 - rounded(fsys_hz / (16.0 * rate))
    return {"T2MOD": 0xC0, "RCAP2H": reload >> 8, "RCAP2L": reload & 0xFF, "T2CON": 0x34, "SCON": 0x50,
            "CLOCK_CFG": CH552_CLOCK_CFG[fsys_hz]}


def ch552_uart_timer1(fsys_hz, rate):
    """UART0 from timer 1 mode 2 at Fsys, SMOD = 1: TH1 = 256 - Fsys / (16 * rate)."""
    count = rounded(fsys_hz / (16.0 * rate))
    return {"T2MOD": 0xA0, "TMOD": 0x20, "TH1": 256 - count, "PCON": 0x80, "SCON": 0x50}


PART_CASES = [
    # (name, orlet-gen arguments, values by the formulas, reference values, where to stop)
    ("stc12c5a60s2 11.0592 MHz 9600 bit/s from BRT 1T", "--chip stc12c5a60s2 --crystal 11.0592 --uart 9600",
     stc12_brt(11059200, 9600, True), {"AUXR": 0x15, "BRT": 0xDC}, None),
    ("stc12c5a60s2 11.0592 MHz 9600 bit/s from BRT 12T",
     "--chip stc12c5a60s2 --crystal 11.0592 --uart 9600 --uart-clock 12t",
     stc12_brt(11059200, 9600, False), {"AUXR": 0x11, "BRT": 0xFD}, None),
    ("stc15w408as 11.0592 MHz 9600 bit/s from timer 2", "--chip stc15w408as --crystal 11.0592 --uart 9600",
     stc_uart_timer2(11059200, 9600, True), {"AUXR": 0x15, "T2H": 0xFE, "T2L": 0xE0}, None),
    # The vendor's sample at 16 MHz writes 65536 - 1000000 / 115200 - 1 = 0xFFF7; so does rounding.
    ("n76e003 16 MHz 115200 bit/s from timer 3", "--chip n76e003 --crystal 16 --internal-clock --uart 115200",
     n76_timer3(16000000, 115200), {"T3CON": 0x28, "RH3": 0xFF, "RL3": 0xF7}, None),
    ("n76e003 16 MHz 9600 bit/s from timer 3", "--chip n76e003 --crystal 16 --uart 9600",
     n76_timer3(16000000, 9600), {"RH3": 0xFF, "RL3": 0x98}, None),
    ("n76e003 16 MHz timer 0 mode 1 1000 us at Fsys", "--chip n76e003 --crystal 16 --timer0 1:1000 --clock0 1t",
     n76_timer0_mode1(16000000, 1000, True), {"CKCON": 0x08, "TH0": 0xC1, "TL0": 0x80}, "TR0=1;"),
    ("n76e003 16 MHz timer 0 mode 1 1000 us at Fsys/12", "--chip n76e003 --crystal 16 --timer0 1:1000",
     n76_timer0_mode1(16000000, 1000, False), {"CKCON": 0x00, "TH0": 0xFA, "TL0": 0xCB}, "TR0=1;"),
    ("ch552 24 MHz timer 0 mode 1 1000 us at Fsys/12", "--chip ch552 --crystal 24 --timer0 1:1000 --clock0 12t",
     ch552_timer0_mode1(24000000, 1000, 12), {"T2MOD": 0x00, "TH0": 0xF8, "TL0": 0x30}, "TR0=1;"),
    ("ch552 24 MHz timer 0 mode 1 1000 us at Fsys/4", "--chip ch552 --crystal 24 --timer0 1:1000 --clock0 4t",
     ch552_timer0_mode1(24000000, 1000, 4), {"T2MOD": 0x10, "TH0": 0xE8, "TL0": 0x90}, "TR0=1;"),
    ("ch552 24 MHz timer 0 mode 1 1000 us at Fsys", "--chip ch552 --crystal 24 --timer0 1:1000 --clock0 1t",
     ch552_timer0_mode1(24000000, 1000, 1), {"T2MOD": 0x90, "TH0": 0xA2, "TL0": 0x40}, "TR0=1;"),
    ("ch552 24 MHz 115200 bit/s from timer 2 at Fsys",
     "--chip ch552 --crystal 24 --uart 115200 --uart-timer 2 --clock2 1t",
     ch552_uart_timer2(24000000, 115200), {"RCAP2H": 0xFF, "RCAP2L": 0xF3}, None),
    ("ch552 24 MHz 115200 bit/s from timer 1 at Fsys, doubled",
     "--chip ch552 --crystal 24 --uart 115200 --clock1 1t --double-baud",
     ch552_uart_timer1(24000000, 115200), {"TH1": 0xF3}, "TR1=1;"),
]


def prove_parts(gen, workdir):
    for number, (name, args, expected, reference, stop_statement) in enumerate(PART_CASES):
        for register, value in reference.items():
            if expected[register] != value:
                raise Failure("%s: the formula gives %s = 0x%02X, the reference 0x%02X"
                              % (name, register, expected[register], value))
        check_after_init(name, gen.json(args)["source"], workdir, "part%d" % number, expected, stop_statement)


# Every block each chip offers, with and without comments, drift-free and counters.
COMPILE_CASES = [
    "--chip 8052 --timer0 1:1000 --counter1 2:10 --timer2 5000 --postscale2 300 --int0 level --int1 falling",
    "--chip 8052 --crystal 11.0592 --timer0 0:2000 --timer1 1:3000 --drift-free --uart 9600 --uart-timer 2"
    " --uart-interrupt --comments",
    "--chip 8052 --uart 4800 --double-baud --counter2 100",
    "--chip stc89 --6t --timer0 2:100 --timer2 10000 --uart 9600 --comments",
    "--chip stc15 --timer0 0:1000 --timer1 1:2000 --counter2 50 --uart-interrupt --int1 level --postscale0 10",
    "--chip stc15 --crystal 22.1184 --uart 115200 --clock1 12t --timer0 2:10 --timer2 500 --postscale2 4"
    " --comments",
    "--chip stc8 --crystal 24 --timer1 0:2000 --clock1 12t --uart 57600 --uart-timer 2 --clock2 12t --drift-free",
    "--chip stc12c5a60s2 --timer0 2:20 --timer1 1:5000 --clock1 12t --uart 4800 --uart-clock 12t --comments",
    "--chip stc15w408as --crystal 22.1184 --timer0 0:1000 --uart 115200 --uart-interrupt --comments",
    "--chip stc15f104w --timer0 1:500 --timer2 1000 --comments",
    "--chip n76e003 --crystal 16.6 --internal-clock --timer0 1:1000 --clock0 1t --timer1 2:50 --uart 115200"
    " --comments",
    "--chip ch552 --crystal 24 --timer0 1:1000 --clock0 4t --timer1 1:2000 --clock1 4t --timer2 500 --clock2 4t"
    " --comments",
    "--chip ch552 --crystal 6 --timer0 2:100 --uart 9600 --double-baud --clock1 1t",
]


# A user's own header in place of the text's declarations, found through -I.
VENDOR_HEADER = "stc/STC8H.h"
VENDOR_HEADER_TEXT = """#include <8051.h>
__sfr __at(0x8E) AUXR;
__sfr __at(0xAF) IE2;
__sfr __at(0xD6) T2H;
__sfr __at(0xD7) T2L;
"""
VENDOR_HEADER_CASE = "--chip stc8 --timer0 0:1000 --timer2 500 --uart 9600 --comments --header " + VENDOR_HEADER


def prove_compile_with_vendor_header(gen, workdir):
    include = os.path.join(workdir, "vendor-include")
    os.makedirs(os.path.join(include, os.path.dirname(VENDOR_HEADER)))
    with open(os.path.join(include, VENDOR_HEADER), "w") as f:
        f.write(VENDOR_HEADER_TEXT)
    source = gen.json(VENDOR_HEADER_CASE)["source"]
    if not source.startswith('#include "%s"\r\n\r\n' % VENDOR_HEADER) or "__sfr" in source:
        raise Failure("with --header the text still declares registers:\n%s" % source[:300])
    compile_c(with_main_loop(source, "for(;;)\r\n ;"), workdir, "vendor", ["-I", include])
    print("compiles with its own header: %s" % VENDOR_HEADER_CASE)


def prove_compile(gen, workdir):
    for number, args in enumerate(COMPILE_CASES):
        compile_c(with_main_loop(gen.json(args)["source"], "for(;;)\r\n ;"), workdir, "chip%d" % number)
        print("compiles: %s" % args)
    prove_compile_with_vendor_header(gen, workdir)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--orlet-gen", required=True)
    parser.add_argument("group", choices=["timer2", "baud", "stc", "parts", "compile"])
    parser.add_argument("arguments", nargs="*")
    args = parser.parse_args()
    try:
        gen = Generator(args.orlet_gen)
        with tempfile.TemporaryDirectory(prefix="orlet-chips-") as workdir:
            if args.group == "timer2":
                six_t = args.arguments[2:] == ["6t"]
                prove_timer2(gen, workdir, mhz_to_hz(args.arguments[0]), int(args.arguments[1]), six_t)
            elif args.group == "baud":
                prove_baud(gen, workdir, mhz_to_hz(args.arguments[0]), int(args.arguments[1]))
            elif args.group == "parts":
                prove_parts(gen, workdir)
            elif args.group == "compile":
                prove_compile(gen, workdir)
            else:
                prove_stc(gen, workdir)
    except Failure as failure:
        print("FAIL: %s" % failure, file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())

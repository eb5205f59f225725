#!/usr/bin/env python3
"""Runs orlet-gen's firmware on an 8051: compiles it with SDCC and times it in s51.

  firmware_test.py --orlet-gen PATH compile          every configuration class compiles without a warning
  firmware_test.py --orlet-gen PATH timers MHZ       timer periods at one crystal
  firmware_test.py --orlet-gen PATH exact MHZ        the same with --exact: counts from the exact crystal
  firmware_test.py --orlet-gen PATH postscale        the software counter: the user's code every N interrupts
  firmware_test.py --orlet-gen PATH baud             serial bit times
  firmware_test.py --orlet-gen PATH mutants          a wrong byte, TMOD bit or PCON line is caught
  firmware_test.py --orlet-gen PATH drift MHZ         interruptCycles as measured; --drift-free keeps the count
  firmware_test.py --orlet-gen PATH cpu              a short period: the routine's cycles, and a period it cannot keep

The generated source runs as it is, with two changes any user makes: "//EA=1;"
is switched on and main() gets an endless loop. Times come from the
simulator's clock counter, in oscillator periods ("clocks"; 12 per machine
cycle). The simulated chip is an 80C51, whose idle mode lets main() sleep
between interrupts so that every interrupt is taken at the same point.
"""

import argparse
import os
import re
import subprocess
import sys
import tempfile

from firmware_tools import (Failure, check_orlet_gen, find_tool, missing_tools_failure, orlet_gen_json,
                            sdcc_compile, with_main_loop)

CLOCKS_PER_CYCLE = 12
TIMER_LIMIT = {0: 8192, 1: 65536, 2: 256}
TIMER_VECTOR = {0: 0x0B, 1: 0x1B}

# Modes 0 and 1 reload in the interrupt routine. With main() idle the overflow
# is taken at once, and the timer starts again from the reload this many
# machine cycles after it overflowed: 2 for the hardware call to the vector,
# 2 for the LJMP there, 2 for MOV THx,#data and 2 for MOV TLx,#data. The test
# checks that the compiled routine does begin with those two moves.
RELOAD_LATENCY = 8

# Serial mode 1 as s51 runs it: a frame of 10 bits counts from the SBUF write,
# one bit being 32 timer 1 overflows (16 with SMOD), and TI is set at the end
# of the frame, on an overflow. A loop that writes the next byte when it sees
# TI adds the overflows that pass before its write, so from one write to the
# next lasts 10 * 32 + m overflows (10 * 16 + m with SMOD), the m overflows
# fitting in the loop's reaction time, in machine cycles:
#   polled:    JBC TI (2) + SJMP back (2) + MOV SBUF (2)                   = 6
#   interrupt: call (2) + LJMP (2) + JBC RI (2) + CLR TI (1) + RETI (2)
#              + SJMP (2) + MOV SBUF (2)                                  = 13
TEST_BYTE = 0x55
SEND_LOOPS = {
    False: ("for(;;){ SBUF=0x%02x; while(!TI); TI=0; }" % TEST_BYTE, 6),
    True: ("for(;;){ SBUF=0x%02x; PCON|=1; }" % TEST_BYTE, 13),
}
IDLE_LOOP = "for(;;) PCON|=1;"
# main() idle as interruptCycles counts it: an endless 2-cycle SJMP.
BUSY_LOOP = "for(;;);"


class Tools:
    def __init__(self, orlet_gen):
        self.orlet_gen = orlet_gen
        self.sdcc = find_tool("sdcc")
        self.s51 = find_tool("s51")
        missing = [name for name, path in (("sdcc", self.sdcc), ("s51", self.s51)) if not path]
        if missing:
            raise missing_tools_failure(missing)
        check_orlet_gen(orlet_gen)

    def generate(self, args):
        """orlet-gen's JSON for `args` (a string), with the SDCC source."""
        return orlet_gen_json(self.orlet_gen, args)

    def generate_bytes(self, args):
        """The source exactly as orlet-gen writes it (GBK comments)."""
        run = subprocess.run([self.orlet_gen, "--dialect", "sdcc"] + args.split(), capture_output=True, timeout=60)
        if run.returncode != 0:
            raise Failure("orlet-gen %s: %s" % (args, run.stderr.decode(errors="replace").strip()))
        return run.stdout

    def compile(self, source, workdir, name):
        """Compiles `source` (bytes) with sdcc -mmcs51; any message fails. Returns (ihx path, asm text)."""
        return sdcc_compile(self.sdcc, source, workdir, name, "asm")

    def simulate(self, ihx, crystal_hz, breakpoint, stops, step_limit, serial_out=None):
        """Runs `ihx` in s51 at `crystal_hz`, stopping `stops` times at `breakpoint`.

        Returns the clock count at each stop; fails when a stop does not come
        within `step_limit` steps (an instruction or an idle machine cycle each).
        """
        script = "break %s\n" % breakpoint + ("step %d\nstate\n" % step_limit) * stops + "quit\n"
        command = [self.s51, "-t", "80C51", "-X", str(crystal_hz)]
        if serial_out:
            command += ["-S", "out=" + serial_out]
        run = subprocess.run(command + [ihx], input=script.encode(), capture_output=True, timeout=120)
        out = run.stdout.decode(errors="replace")
        frequency = re.search(r"frequency= *(\d+) HZ", out)
        if not frequency or int(frequency.group(1)) != crystal_hz:
            raise Failure("s51 did not run at %d Hz:\n%s" % (crystal_hz, out[-2000:]))
        reasons = re.findall(r"Stop at 0x[0-9a-f]+: \(\d+\) ([^\n]*)", out)
        clocks = [int(c) for c in re.findall(r"Total time since last reset= *[0-9.e+-]+ sec \((\d+) clks\)", out)]
        if len(reasons) != stops or len(clocks) != stops:
            raise Failure("s51 stopped %d times, expected %d:\n%s" % (len(reasons), stops, out[-2000:]))
        for reason in reasons:
            if reason.startswith("stepped"):
                raise Failure("no stop at %s within %d steps" % (breakpoint, step_limit))
        return clocks

    def hits(self, ihx, crystal_hz, breakpoint, first, later, timer_registers=None):
        """Clock counts at the `first`th hit of `breakpoint` and `later` hits
        after it; with `timer_registers`, also the timer registers at each."""
        stop = "go\nstate\ndump sfr 0x8a 0x8d\n"
        script = "break %s %d\n%sdelete\nbreak %s %d\n%squit\n" % (breakpoint, first, stop, breakpoint, later, stop)
        run = subprocess.run(
            [self.s51, "-t", "80C51", "-X", str(crystal_hz), ihx], input=script.encode(), capture_output=True, timeout=120
        )
        out = run.stdout.decode(errors="replace")
        clocks = [int(c) for c in re.findall(r"Total time since last reset= *[0-9.e+-]+ sec \((\d+) clks\)", out)]
        if len(re.findall(r"Stop at 0x[0-9a-f]+: \(\d+\) Breakpoint", out)) != 2 or len(clocks) != 2:
            raise Failure("s51 did not stop twice at %s:\n%s" % (breakpoint, out[-2000:]))
        if timer_registers is not None:
            for name in ("TL0", "TL1", "TH0", "TH1"):
                pattern = r"0x8[a-d] %s: +0b[01]{8} 0x([0-9a-f]{2})" % name
                timer_registers[name] = [int(v, 16) for v in re.findall(pattern, out)]
        return clocks


def routine_instructions(asm, name):
    """The instructions of routine `name` in SDCC's assembly output."""
    body = asm.split("\n_%s:\n" % name, 1)[1]
    instructions = []
    for line in body.splitlines():
        line = line.split(";", 1)[0].strip()
        if not line or "=" in line or line.endswith(":"):
            continue
        instructions.append(re.sub(r"\s+", " ", line))
        if line.startswith("reti"):
            return instructions
    return instructions


def whole_mhz_count(crystal_hz, period_us):
    """Machine cycles of a period: whole megahertz only, never 0."""
    return max(1, crystal_hz // 1000000 * period_us // 12)


def longest_period(crystal_hz, mode):
    """The longest period the mode takes: its count fills the counter, or
    comes as close as whole microseconds allow."""
    return (12 * (TIMER_LIMIT[mode] + 1) - 1) // (crystal_hz // 1000000)


# --- timers ---------------------------------------------------------------


def measure_timer(tools, workdir, timer, data, source=None, intervals=3):
    """Clock counts between successive entries of the timer's interrupt routine."""
    source = with_main_loop(source or data["source"], IDLE_LOOP)
    name = "timer%d_%d" % (timer, len(os.listdir(workdir)))
    ihx, asm = tools.compile(source.encode(), workdir, name)
    count = data["cycles%d" % timer]
    limit = count + RELOAD_LATENCY + 5000
    clocks = tools.simulate(ihx, data["crystalHz"], "0x%02x" % TIMER_VECTOR[timer], intervals + 1, limit)
    return [b - a for a, b in zip(clocks, clocks[1:])], asm


def expected_timer_cycles(mode, count):
    return count + (0 if mode == 2 else RELOAD_LATENCY)


def check_timer_timing(mode, count, measured):
    expected = expected_timer_cycles(mode, count) * CLOCKS_PER_CYCLE
    wrong = [m for m in measured if m != expected]
    if wrong:
        raise Failure("interrupt every %s clocks, expected %d" % (sorted(set(measured)), expected))


def reload_latency(asm, timer):
    """Machine cycles from the overflow to the reload: RELOAD_LATENCY plus 2
    for each register the compiler saves before it (the software counter
    needs ACC and PSW, and SDCC saves them on entry)."""
    instructions = routine_instructions(asm, "timer%d" % timer)
    pushes = 0
    while pushes < len(instructions) and instructions[pushes].startswith("push "):
        pushes += 1
    check_reload_first(instructions[pushes:], timer)
    return RELOAD_LATENCY + 2 * pushes


def check_reload_first(asm, timer):
    """The reload latency above holds only if the routine starts with the reload."""
    start = (asm if isinstance(asm, list) else routine_instructions(asm, "timer%d" % timer))[:2]
    wanted = [r"mov _TH%d,#0x[0-9a-f]{2}$" % timer, r"mov _TL%d,#0x[0-9a-f]{2}$" % timer]
    if len(start) != 2 or not all(re.match(w, i) for w, i in zip(wanted, start)):
        raise Failure("timer%d routine does not start with its reload: %s" % (timer, start))


def run_timer_case(tools, workdir, crystal_text, timer, mode, period_us, gate):
    gate_flag = " --gate%d" % timer if gate else ""
    args = "--crystal %s --timer%d %d:%d%s" % (crystal_text, timer, mode, period_us, gate_flag)
    data = tools.generate(args)
    hz = data["crystalHz"]
    count = whole_mhz_count(hz, period_us)
    if data["cycles%d" % timer] != count:
        counted = data["cycles%d" % timer]
        raise Failure("%s: orlet-gen counts %d cycles, whole megahertz give %d" % (args, counted, count))
    measured, asm = measure_timer(tools, workdir, timer, data)
    if mode != 2:
        check_reload_first(asm, timer)
    check_timer_timing(mode, count, measured)
    cycles = measured[0] // CLOCKS_PER_CYCLE
    period = measured[0] * 1e6 / hz
    return "%-9s %d    %d%s  %7d  %6d  %7d  %7d  %11.4f  %+9.4f%%  %+9.4f%%" % (
        crystal_text,
        timer,
        mode,
        "g" if gate else " ",
        period_us,
        count,
        expected_timer_cycles(mode, count),
        cycles,
        period,
        data["periodError%d" % timer],
        (period - period_us) / period_us * 100,
    )


def timers(tools, crystal_text):
    hz = tools.generate("--crystal %s" % crystal_text)["crystalHz"]
    cases = []
    for timer in (0, 1):
        for mode, period in ((0, 1000), (1, 20000), (2, 100)):
            cases.append((timer, mode, period, False))
            cases.append((timer, mode, longest_period(hz, mode), False))
    cases.append((0, 1, 5000, True))  # GATE with INT0 high: the timer runs
    print("crystal   timer mode  period  count  expect  measured  period(us)  shown err  measured err")
    print("                        (us)            (cycles)")
    with tempfile.TemporaryDirectory() as workdir:
        for case in cases:
            print(run_timer_case(tools, workdir, crystal_text, *case))
    print("modes 0 and 1: expect = count + %d cycles of reload latency; mode 2: expect = count" % RELOAD_LATENCY)


# --- exact counts -------------------------------------------------------------


def exact_count(crystal_hz, period_us):
    """Machine cycles of a period from the exact crystal, rounded half up, never 0."""
    return max(1, (crystal_hz * period_us + 6000000) // 12000000)


def longest_exact_period(crystal_hz, mode):
    """The corrected period of the mode, which the exact count always fits."""
    return TIMER_LIMIT[mode] * 12000000 // crystal_hz


def fitting(crystal_hz, mode, period_us):
    """`period_us`, halved until its count fits the mode."""
    while exact_count(crystal_hz, period_us) > TIMER_LIMIT[mode]:
        period_us //= 2
    return period_us


def run_exact_case(tools, workdir, crystal_text, hz, timer, mode, period_us):
    args = "--exact --crystal %s --timer%d %d:%d" % (crystal_text, timer, mode, period_us)
    data = tools.generate(args)
    count = exact_count(hz, period_us)
    if data["cycles%d" % timer] != count or not data.get("exact"):
        counted = data["cycles%d" % timer]
        raise Failure("%s: orlet-gen counts %d cycles, the exact crystal gives %d" % (args, counted, count))
    measured, asm = measure_timer(tools, workdir, timer, data)
    latency = 0 if mode == 2 else reload_latency(asm, timer)
    check_timer_timing(mode, count, measured)
    # Rounded to the nearest cycle: within half a machine cycle (6 clocks) of
    # the period asked for plus the reload latency.
    asked_clocks = period_us * hz / 1e6 + latency * CLOCKS_PER_CYCLE
    off = measured[0] - asked_clocks
    if abs(off) > CLOCKS_PER_CYCLE / 2 + 1e-6:
        raise Failure("%s: %d clocks, %.3f clocks from the %.3f asked" % (args, measured[0], off, asked_clocks))
    classic = whole_mhz_count(hz, period_us)
    period = measured[0] * 1e6 / hz
    return "%-8s %d  %d   %6d  %6d %+8.4f%%  %6d %+8.4f%%  %6d  %12.4f  %+8.4f%%  %+6.2f" % (
        crystal_text,
        timer,
        mode,
        period_us,
        classic,
        (classic * 12e6 / hz - period_us) / period_us * 100,
        count,
        data["periodError%d" % timer],
        measured[0] // CLOCKS_PER_CYCLE,
        period,
        (period - period_us) / period_us * 100,
        off,
    )


def exact(tools, crystal_text):
    hz = tools.generate("--crystal %s" % crystal_text)["crystalHz"]
    # Mode 2 at 100 us, or 50 cycles at the slow crystals: the idle loop
    # cannot take interrupts that come every few cycles at a steady point.
    cases = [
        (0, 0, fitting(hz, 0, 2000)),
        (1, 1, 1000),
        (0, 1, fitting(hz, 1, 50000)),
        (1, 2, fitting(hz, 2, max(100, 600000000 // hz))),
        (0, 2, longest_exact_period(hz, 2)),
    ]
    print("crystal  t  mode period  whole-MHz count/err  exact count/err   cycles   period(us)  error     off(clk)")
    with tempfile.TemporaryDirectory() as workdir:
        for timer, mode, period in cases:
            print(run_exact_case(tools, workdir, crystal_text, hz, timer, mode, period))
    print("cycles: measured between interrupts (count + reload latency in modes 0 and 1); error: measured against"
          " the period asked; off: measured minus (asked + latency), at most half a machine cycle")


# --- software counter ----------------------------------------------------------

USER_CODE_MARK = " P2=0x55;"  # breaks on a write to P2 (0xa0) mark the user's code


def measure_user_runs(tools, workdir, data, expected_cycles, source=None):
    """Clock counts between successive runs of the user's code in the timer routine."""
    source = mutated(source or data["source"], " //add your code here.", USER_CODE_MARK)
    ihx, _ = tools.compile(with_main_loop(source, IDLE_LOOP).encode(), workdir, "user%d" % len(os.listdir(workdir)))
    # Every run takes the same path, so one run after the first tells.
    clocks = tools.simulate(ihx, data["crystalHz"], "sfr w 0xa0", 2, expected_cycles + 5000)
    return [b - a for a, b in zip(clocks, clocks[1:])]


def check_user_runs(runs, postscale, per_interrupt):
    if set(runs) != {postscale * per_interrupt}:
        raise Failure("the user's code runs every %s clocks, expected %d x %d" % (runs, postscale, per_interrupt))


def run_postscale_case(tools, workdir, args, timer, mode, postscale, period_us):
    data = tools.generate("%s --timer%d %d:%d --postscale%d %d" % (args, timer, mode, period_us, timer, postscale))
    if data["postscale%d" % timer] != postscale:
        raise Failure("%s: JSON says postscale %s" % (args, data["postscale%d" % timer]))
    count = data["cycles%d" % timer]
    interrupts, asm = measure_timer(tools, workdir, timer, data)
    latency = 0 if mode == 2 else reload_latency(asm, timer)
    per_interrupt = (count + latency) * CLOCKS_PER_CYCLE
    if set(interrupts) != {per_interrupt}:
        raise Failure("%s: interrupts every %s clocks, expected %d" % (args, sorted(set(interrupts)), per_interrupt))

    runs = measure_user_runs(tools, workdir, data, postscale * (count + latency))
    check_user_runs(runs, postscale, per_interrupt)
    whole = runs[0] * 1e6 / data["crystalHz"]
    asked = postscale * period_us
    return "%-24s %d  %d  %5d x %5d  %6d  %2d  %9d  %14.4f  %+8.4f%%  %+8.4f%%" % (
        args,
        timer,
        mode,
        period_us,
        postscale,
        count,
        latency,
        runs[0] // CLOCKS_PER_CYCLE,
        whole,
        data["wholePeriodError%d" % timer],
        (whole - asked) / asked * 100,
    )


POSTSCALE_CASES = [
    ("--crystal 12", 0, 1, 16, 62500),  # 1 s, as the range error suggests
    ("--crystal 11.0592 --exact", 1, 1, 16, 62500),
    ("--crystal 12", 1, 2, 400, 250),  # an unsigned int counter, no reload latency
    # The split the range error offers first: exactly 1 s with the hardware reload.
    ("--crystal 11.0592 --exact", 0, 2, 3600, 278),
]


def postscale(tools):
    print("crystal                  t  mode  period x N     count  lat  cycles/run  run(us)"
          "         shown err  measured err")
    with tempfile.TemporaryDirectory() as workdir:
        for case in POSTSCALE_CASES:
            print(run_postscale_case(tools, workdir, *case))
    print("lat: reload latency of the routine, in machine cycles (8, plus 2 for each register saved before the reload)")


# --- serial port ------------------------------------------------------------


def measure_serial(tools, workdir, data, interrupt, source=None, frames=5):
    """Clock counts between successive SBUF writes, and the bytes that came out."""
    loop, _ = SEND_LOOPS[interrupt]
    source = with_main_loop(source or data["source"], loop)
    name = "uart_%d" % len(os.listdir(workdir))
    ihx, _ = tools.compile(source.encode(), workdir, name)
    out = os.path.join(workdir, name + ".out")
    frame_cycles = 10 * 32 * (256 - int(data["baudReloadText"], 16))
    limit = 2 * frame_cycles + 5000
    clocks = tools.simulate(ihx, data["crystalHz"], "sfr w 0x99", frames + 2, limit, serial_out=out)
    with open(out, "rb") as f:
        sent = f.read()
    # The first write comes at any point of timer 1's count; every later one
    # follows a TI, which comes with an overflow.
    return [b - a for a, b in zip(clocks[1:], clocks[2:])], sent


def serial_bit_clocks(data, doubled, interrupt, intervals):
    """The bit time the frames show, in clocks, checked against the model above
    at the displayed reload."""
    reload = int(data["baudReloadText"], 16)
    overflow = (256 - reload) * CLOCKS_PER_CYCLE
    per_bit = 16 if doubled else 32
    _, reaction = SEND_LOOPS[interrupt]
    for interval in intervals:
        whole, rest = divmod(interval, overflow)
        extra = whole - 10 * per_bit
        if rest or extra < 0 or extra * overflow > reaction * CLOCKS_PER_CYCLE:
            raise Failure(
                "a frame took %d clocks: not 10 bits of %d overflows of %d clocks plus at most %d cycles"
                % (interval, per_bit, overflow, reaction)
            )
    return per_bit * overflow


def run_baud_case(tools, workdir, crystal_text, rate, doubled, interrupt):
    flags = (" --double-baud" if doubled else "") + (" --uart-interrupt" if interrupt else "")
    args = "--crystal %s --uart %d%s" % (crystal_text, rate, flags)
    data = tools.generate(args)
    hz = data["crystalHz"]
    intervals, sent = measure_serial(tools, workdir, data, interrupt)
    if len(sent) < len(intervals) or set(sent) != {TEST_BYTE}:
        raise Failure("%s: the port sent %r" % (args, sent))
    bit = serial_bit_clocks(data, doubled, interrupt, intervals)
    if abs(hz / bit - data["actualBaud"]) > 1e-6 * data["actualBaud"]:
        raise Failure("%s: %d clocks a bit is not %.3f bit/s" % (args, bit, data["actualBaud"]))
    # The displayed error compares the count with x = k * q / 384, q dropping
    # the remainder of crystal / rate; the bit time compares with the exact
    # quotient, which lies less than 1/q above.
    shown = data["baudError"] / 100
    measured = 1 - bit * rate / hz
    q = hz // rate
    if not (-1e-6 <= measured - shown <= (1 - shown) / (q + 1) + 1e-6):
        raise Failure("%s: measured error %.4f%%, shown %.4f%%" % (args, measured * 100, shown * 100))
    return "%-9s %6d  %-3s  %-3s  %-5s  %9s  %6d  %10.4f  %+10.4f%%  %s" % (
        crystal_text,
        rate,
        "yes" if doubled else "no",
        "yes" if interrupt else "no",
        data["baudReloadText"],
        data["baudErrorText"],
        bit,
        bit * 1e6 / hz,
        measured * 100,
        "/".join(str(i) for i in sorted(set(intervals))),
    )


BAUD_CASES = [
    ("11.0592", 9600, False, False),
    ("11.0592", 9600, True, True),
    ("11.0592", 57600, True, False),
    ("11.0592", 1200, False, False),
    ("12", 9600, False, False),
    ("12", 9600, True, False),
    ("12", 4800, False, True),
    ("12", 19200, True, False),
    ("22.1184", 115200, True, False),
    ("22.1184", 9600, False, True),
    ("22.1184", 300, False, False),
    ("24", 9600, False, False),
    ("24", 9600, True, True),
    ("24", 19200, True, False),
    ("14.7456", 19200, True, False),
    ("14.7456", 9600, False, True),
    ("14.7456", 300, True, False),
]


def baud(tools):
    print("crystal     rate  dbl  int  reload  shown err  bit(clk)  bit(us)   measured err  frame(clk)")
    with tempfile.TemporaryDirectory() as workdir:
        for case in BAUD_CASES:
            print(run_baud_case(tools, workdir, *case))


# --- compiling ----------------------------------------------------------------


def compile_classes():
    classes = [""]
    for mode in (0, 1, 2):
        classes.append("--timer0 %d:100 --counter1 %d:10" % (mode, mode))
        classes.append("--counter0 %d:10 --timer1 %d:100" % (mode, mode))
    classes.append("--timer0 1:1000 --gate0 --timer1 0:1000 --gate1")
    for doubled in ("", " --double-baud"):
        for interrupt in ("", " --uart-interrupt"):
            classes.append("--uart 9600" + doubled + interrupt)
    classes.append("--uart-interrupt")
    classes.append("--int0 level --int1 falling")
    classes.append("--int0 falling --int1 level")
    classes.append("--int0 level --int1 level --timer0 2:100 --uart 4800 --double-baud --uart-interrupt")
    classes.append("--timer0 1:62500 --postscale0 16 --timer1 2:250 --postscale1 4000")
    classes.append("--exact --crystal 11.0592 --counter0 2:10 --postscale0 255 --timer1 0:1000 --postscale1 256")
    classes.append("--exact --crystal 22.1184 --timer0 1:1000 --uart 115200 --double-baud --uart-interrupt")
    classes.append("--drift-free --timer0 0:3000 --timer1 1:5000 --postscale1 300")
    classes.append("--drift-free --timer0 1:784 --timer1 0:8128")  # 0 to add to TL0, 2 to TH1
    return [c for base in classes for c in (base, (base + " --comments").strip())]


def compile_all(tools):
    with tempfile.TemporaryDirectory() as workdir:
        for number, args in enumerate(compile_classes()):
            tools.compile(tools.generate_bytes(args), workdir, "class%d" % number)
            print("compiled without a message: orlet-gen --dialect sdcc %s" % args)


# --- mutants ------------------------------------------------------------------


def expect_caught(what, check):
    try:
        check()
    except Failure as failure:
        print("caught  %-44s %s" % (what, failure))
        return
    raise Failure("not caught: " + what)


def mutated(source, old, new):
    broken = source.replace(old, new)
    if broken == source:
        raise Failure("the generated source has no %r to break" % old)
    return broken


def mutants(tools):
    """Breaks one byte, bit or line of firmware that passes and expects the
    timing checks alone to see it."""
    with tempfile.TemporaryDirectory() as workdir:

        def timer_check(data, timer, mode, source=None):
            measured, _ = measure_timer(tools, workdir, timer, data, source)
            check_timer_timing(mode, data["cycles%d" % timer], measured)

        def serial_check(data, source=None):
            serial_bit_clocks(data, True, False, measure_serial(tools, workdir, data, False, source)[0])

        timer0 = tools.generate("--crystal 12 --timer0 1:1000")
        timer_check(timer0, 0, 1)
        for what, old, new in (
            ("TL0 reload 0x18 -> 0x19", "TL0=0x18;", "TL0=0x19;"),
            ("TH0 reload 0xfc -> 0xfd", "TH0=0xfc;", "TH0=0xfd;"),
            ("TMOD mode bit: mode 1 -> mode 0", "TMOD=0x1;", "TMOD=0x0;"),
            ("TMOD C/T bit set: counts T0 pulses", "TMOD=0x1;", "TMOD=0x5;"),
        ):
            broken = mutated(timer0["source"], old, new)
            expect_caught(what, lambda: timer_check(timer0, 0, 1, broken))

        timer1 = tools.generate("--crystal 24 --timer1 2:100")
        timer_check(timer1, 1, 2)
        broken = mutated(timer1["source"], "TH1=0x38;", "TH1=0x39;")
        expect_caught("TH1 auto-reload 0x38 -> 0x39", lambda: timer_check(timer1, 1, 2, broken))

        counted = tools.generate("--crystal 12 --timer1 2:250 --postscale1 400")
        check_user_runs(measure_user_runs(tools, workdir, counted, 400 * 250), 400, 250 * CLOCKS_PER_CYCLE)
        broken = mutated(counted["source"], "if(++count<400)", "if(++count<399)")
        expect_caught(
            "software counter 400 -> 399",
            lambda: check_user_runs(
                measure_user_runs(tools, workdir, counted, 400 * 250, broken), 400, 250 * CLOCKS_PER_CYCLE
            ),
        )

        kept = tools.generate("--crystal 12 --drift-free --timer0 1:1000")

        def drift_free_check(source):
            ihx, _ = tools.compile(with_main_loop(source, BUSY_LOOP).encode(), workdir, "kept%d" % len(os.listdir(workdir)))
            mean, _ = mean_interrupt_cycles(tools, ihx, kept, 0, 1000)
            if abs(mean - 1000) > 0.01:
                raise Failure("drift-free timer 0 interrupts every %.4f cycles on average" % mean)

        drift_free_check(kept["source"])
        for what, old, new in (
            ("drift-free add one stopped cycle short", "TL0+=0x28;", "TL0+=0x27;"),
            ("drift-free overwriting TL0", "TL0+=0x28;", "TL0=0x28;"),
        ):
            broken = mutated(kept["source"], old, new)
            expect_caught(what, lambda: drift_free_check(broken))

        uart = tools.generate("--crystal 12 --uart 9600 --double-baud")
        serial_check(uart)
        for what, old, new in (
            ("PCON line dropped", " PCON|=0x80;\r\n", ""),
            ("baud reload 0xf9 -> 0xfa", "=0xf9;", "=0xfa;"),
            ("TMOD|=0x20 -> 0x10: timer 1 in mode 1", "TMOD|=0x20;", "TMOD|=0x10;"),
        ):
            broken = mutated(uart["source"], old, new)
            expect_caught(what, lambda: serial_check(uart, broken))


# --- drift ------------------------------------------------------------------------

# Simulated machine cycles per mean: a few hundred thousand interrupts' worth
# would take minutes, so long periods get fewer interrupts.
DRIFT_CYCLES = 1000000
MAX_INTERRUPTS = 10000


def drift_free_cases(crystal_text):
    exact = " --exact" if crystal_text == "11.0592" else ""
    # At 12 MHz, 784 us and 783 us would leave 0 and 1 to add to TL0
    # (0xfcf0 + 16 stopped cycles), which compilers shorten.
    nothing_to_add = ["--timer0 1:784 --timer1 1:783"] if crystal_text == "12" else []
    return nothing_to_add + [
        "--timer0 0:3000 --timer1 1:5000" + exact,
        "--timer0 1:5000 --postscale0 7 --timer1 0:3000 --postscale1 300" + exact,
        "--timer0 2:100 --postscale0 10 --timer1 2:120",
        "--timer0 2:100 --postscale0 10 --timer1 1:5000 --postscale1 3",
    ]


def plain_cases():
    """Single timers with the plain reload: even and odd counts, with and
    without a software counter, and mode 2."""
    return [
        (0, "--timer0 1:1000"),
        (0, "--timer0 1:1001"),
        (1, "--timer1 0:999"),
        (1, "--timer1 0:3000 --postscale1 20"),
        (0, "--timer0 1:5001 --postscale0 300"),
        (0, "--timer0 2:100"),
    ]


def compile_busy(tools, workdir, data):
    name = "drift%d" % len(os.listdir(workdir))
    ihx, _ = tools.compile(with_main_loop(data["source"], BUSY_LOOP).encode(), workdir, name)
    return ihx


def counted_since_overflow(registers, timer, mode, hit):
    """What the timer has counted since it overflowed, at the vector: it runs
    on until the routine stops it."""
    th = registers["TH%d" % timer][hit]
    tl = registers["TL%d" % timer][hit]
    if mode == 2:
        return (tl - th) % 256
    return th * 32 + tl % 32 if mode == 0 else th * 256 + tl


def mean_interrupt_cycles(tools, ihx, data, timer, count):
    """The mean period over up to MAX_INTERRUPTS, from overflow to overflow:
    the call may wait for the other timer's routine, but the timer has
    counted meanwhile, so each hit tells when its overflow came."""
    later = max(10, min(MAX_INTERRUPTS, DRIFT_CYCLES // count))
    registers = {}
    hits = tools.hits(ihx, data["crystalHz"], "0x%02x" % TIMER_VECTOR[timer], 1, later, registers)
    mode = data["tmod"] >> (4 * timer) & 3
    overflows = [hits[i] - CLOCKS_PER_CYCLE * counted_since_overflow(registers, timer, mode, i) for i in (0, 1)]
    return (overflows[1] - overflows[0]) / CLOCKS_PER_CYCLE / later, later


def run_drift_free_case(tools, workdir, crystal_text, args):
    data = tools.generate("--crystal %s --drift-free %s" % (crystal_text, args))
    ihx = compile_busy(tools, workdir, data)
    rows = []
    for timer in (0, 1):
        if "cycles%d" % timer not in data:
            continue
        count = data["cycles%d" % timer]
        if data["interruptCycles%d" % timer] != count:
            raise Failure("%s: interruptCycles%d %d, count %d" % (args, timer, data["interruptCycles%d" % timer], count))
        mean, interrupts = mean_interrupt_cycles(tools, ihx, data, timer, count)
        if abs(mean - count) > 0.01:
            raise Failure("%s: timer %d interrupts every %.4f cycles on average, count %d" % (args, timer, mean, count))
        rows.append("%-8s %-66s %d  %6d  %5d  %11.4f" % (crystal_text, args, timer, count, interrupts, mean))
    return rows


def run_plain_case(tools, workdir, crystal_text, timer, args):
    data = tools.generate("--crystal %s %s" % (crystal_text, args))
    ihx = compile_busy(tools, workdir, data)
    # From the second interrupt on, every one takes the same path. The
    # hardware reload of mode 2 does not wait for the routine, so there the
    # call comes a cycle early or late with main's SJMP, and only the mean tells.
    later = 1000 if data["tmod"] >> (4 * timer) & 3 == 2 else 1
    first, last = tools.hits(ihx, data["crystalHz"], "0x%02x" % TIMER_VECTOR[timer], 2, later)
    measured = (last - first) / CLOCKS_PER_CYCLE / later
    shown = data["interruptCycles%d" % timer]
    if abs(measured - shown) > 0.01:
        raise Failure("%s: s51 measures %d cycles between interrupts, interruptCycles%d says %d"
                      % (args, measured, timer, shown))
    return "%-8s %-34s %d  %6d  %8.2f  %+10.1f  %+8.1f" % (
        crystal_text,
        args,
        timer,
        data["cycles%d" % timer],
        measured,
        data["driftPpm%d" % timer],
        data["driftSecondsPerDay%d" % timer],
    )


def drift(tools, crystal_text):
    with tempfile.TemporaryDirectory() as workdir:
        print("crystal  plain reload                       t   count  measured   drift ppm    s/day")
        for timer, args in plain_cases():
            print(run_plain_case(tools, workdir, crystal_text, timer, args))
        print("\ncrystal  --drift-free" + " " * 55 + "t   count  irqs   mean cycles")
        for args in drift_free_cases(crystal_text):
            for row in run_drift_free_case(tools, workdir, crystal_text, args):
                print(row)
    print("measured: s51, main() in an endless SJMP; mean: over that many interrupts, within 0.01 cycle of the count")


# --- cpu -------------------------------------------------------------------------

# Short periods at 12 MHz: the routine's cycles as --explain counts them for
# its share of the CPU, against the time s51 spends in it, and a period it
# cannot keep against the interrupts as they come. Software counters stay
# below N, so that no interrupt measured reaches the user's code.
CPU_CASES = [(0, "--timer0 1:40"), (1, "--timer1 0:30"), (0, "--timer0 2:20"), (1, "--timer1 2:60 --postscale1 50"),
             (0, "--timer0 1:120 --postscale0 300"), (1, "--drift-free --timer1 1:100"),
             (0, "--drift-free --timer0 0:150 --postscale0 50"), (0, "--timer0 1:1"), (1, "--timer1 2:5")]
CPU_INTERRUPTS = 20
CPU_LINE = re.compile(r"CPU: .* = (\d+) (?:of the (\d+)|machine cycles, and the next interrupt is due (\d+))")


def run_cpu_case(tools, workdir, timer, args):
    data = tools.generate("--crystal 12 " + args)
    explain = subprocess.run([tools.orlet_gen, "--dialect", "sdcc", "--explain"] + args.split(), capture_output=True,
                             timeout=60).stdout.decode()
    line = CPU_LINE.search(explain)
    if not line or int(line.group(2) or line.group(3)) != data["interruptCycles%d" % timer]:
        raise Failure("%s: no CPU line for interruptCycles%d:\n%s" % (args, timer, explain))
    routine, period, kept = int(line.group(1)), data["interruptCycles%d" % timer], line.group(2) is not None
    ihx, _ = tools.compile(with_main_loop(data["source"], BUSY_LOOP).encode(), workdir, "cpu%d" % len(os.listdir(workdir)))
    stop = "go\nstate\n"
    vector = "0x%02x" % TIMER_VECTOR[timer]
    script = "break %s 2\n%sdelete\nbreak %s %d\n%squit\n" % (vector, stop, vector, CPU_INTERRUPTS, stop)
    out = subprocess.run([tools.s51, "-t", "80C51", "-X", "12000000", ihx], input=script.encode(), capture_output=True,
                         timeout=120).stdout.decode(errors="replace")
    total = [int(c) for c in re.findall(r"Total time since last reset= *[0-9.e+-]+ sec \((\d+) clks\)", out)]
    isr = [int(c) for c in re.findall(r"Time in isr = *[0-9.e+-]+ sec \((\d+) clks\)", out)]
    if len(total) != 2 or len(isr) != 2:
        raise Failure("s51 did not stop twice at %s:\n%s" % (vector, out[-2000:]))
    interval = (total[1] - total[0]) / CLOCKS_PER_CYCLE / CPU_INTERRUPTS
    # s51 books the hardware call's first cycle to the code interrupted.
    spent = (isr[1] - isr[0]) / CLOCKS_PER_CYCLE / CPU_INTERRUPTS + 1
    if spent != routine or (interval != period if kept else interval <= period):
        raise Failure("%s: s51 spends %.2f cycles in the routine and interrupts every %.2f; --explain says %d of %d, %s"
                      % (args, spent, interval, routine, period, "kept" if kept else "not kept"))
    return "%-44s %d  %6d  %8.2f  %7d  %s" % (args, timer, period, interval, routine, "kept" if kept else "not kept")


def cpu(tools):
    print("12 MHz, SDCC                                 t  period  measured  routine")
    with tempfile.TemporaryDirectory() as workdir:
        for timer, args in CPU_CASES:
            print(run_cpu_case(tools, workdir, timer, args))


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--orlet-gen", required=True)
    parser.add_argument("group", choices=("compile", "timers", "exact", "postscale", "baud", "mutants", "drift",
                                          "cpu"))
    parser.add_argument("crystal", nargs="?", help="MHz, for timers, exact and drift")
    args = parser.parse_args()
    try:
        tools = Tools(args.orlet_gen)
        if args.group == "compile":
            compile_all(tools)
        elif args.group == "timers":
            timers(tools, args.crystal or "12")
        elif args.group == "exact":
            exact(tools, args.crystal or "12")
        elif args.group == "postscale":
            postscale(tools)
        elif args.group == "baud":
            baud(tools)
        elif args.group == "drift":
            drift(tools, args.crystal or "12")
        elif args.group == "cpu":
            cpu(tools)
        else:
            mutants(tools)
    except Failure as failure:
        print("FAILED: %s" % failure, file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())

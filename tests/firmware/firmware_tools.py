"""What the firmware proofs share: finding SDCC and s51, asking orlet-gen
for its SDCC text, compiling it, and giving main() a loop to idle in."""
import json
import os
import re
import shutil
import subprocess


class Failure(Exception):
    pass


def find_tool(name):
    """The path of sdcc or s51 (or of $SDCC / $S51); None when missing."""
    return shutil.which(os.environ.get(name.upper(), name))


def missing_tools_failure(names):
    return Failure(
        "%s not found: the firmware tests need SDCC and its simulator "
        "(Debian packages sdcc and sdcc-ucsim; scripts/install-deps.sh installs them)" % " and ".join(names)
    )


def check_orlet_gen(path):
    if not os.access(path, os.X_OK):
        raise Failure("orlet-gen not found at %s" % path)


def orlet_gen_json(path, args):
    """orlet-gen's JSON for `args` (a string), with the SDCC source."""
    run = subprocess.run([path, "--dialect", "sdcc", "--json"] + args.split(), capture_output=True, timeout=60)
    if run.returncode != 0:
        raise Failure("orlet-gen %s: %s" % (args, run.stderr.decode(errors="replace").strip()))
    return json.loads(run.stdout)


def sdcc_compile(sdcc, source, workdir, name, listing, flags=()):
    """Compiles `source` (bytes) with sdcc -mmcs51 and `flags`; any message fails.
    Returns (ihx path, the text of NAME.`listing`, "asm" or "rst")."""
    with open(os.path.join(workdir, name + ".c"), "wb") as f:
        f.write(source)
    run = subprocess.run([sdcc, "-mmcs51", *flags, name + ".c"], cwd=workdir, capture_output=True, timeout=120)
    said = (run.stdout + run.stderr).decode(errors="replace").strip()
    if run.returncode != 0 or said:
        raise Failure("sdcc %s.c (exit %d): %s" % (name, run.returncode, said))
    with open(os.path.join(workdir, name + "." + listing), encoding="latin-1") as f:
        return os.path.join(workdir, name + ".ihx"), f.read()


def with_main_loop(source, loop):
    """Switches the interrupts on and gives main() an endless loop."""
    if source.count("//EA=1;") != 1 or not source.endswith("}"):
        raise Failure("the generated main() has no single //EA=1; line")
    return source.replace("//EA=1;", "EA=1;")[:-1] + loop + "\r\n}"


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

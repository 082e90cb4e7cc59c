#!/usr/bin/env python3
"""Runs the test machine through one whole cycle and plays the user on its
serial console: answers the restart question with y, the result with Enter,
and presses Enter at the end. Only the machine's own marked lines and the
program's lines are matched, never the firmware's or the kernel's output.

Exit status 0 when every step was seen in order and the figures hold up."""

import argparse
import ctypes
import os
import re
import select
import signal
import subprocess
import sys
import time

MARK = "@@VM@@ "
CAPTION = " CORVANE UTILITY "
QUESTION = ("Windows has to reboot to measure boot time. "
            "Do you want to restart your computer now?")
ENTRY_NAME = "WinVantrel.desktop"
# Ten samples a second apart take ten seconds; a second is left for the
# estimate of the guest's uptime at the result.
MIN_SETTLE_SECONDS = 9.0
PROGRAM = "/opt/Corvane Utility/vantrel"
FAREWELL = [
    "Cleaning up.....Done!!",
    "***************************************************",
    "Thank you for using Corvane utility",
    "We hope you liked it & will make more use of it",
    "Please feel free to pass it to friends",
    "who might have use for this utility",
    "Lastly, please support us by clicking ",
    " ....Its just a small Click but will go a",
    " long way in keeping this site running...",
]

ESCAPES = re.compile(r"\x1b(\[[0-9;?]*[ -/]*[@-~]|[@-Z\\-_]|c)")
# The text ends in a blank, which the frame's padding hides.
RESULT = re.compile(r"^Windows Bootup Time =  (\d+\.\d{3})  seconds$")
TOP_EDGE = re.compile(r"^\+-(.*?)-*\+$")
BOTTOM_EDGE = re.compile(r"^\+-+\+$")


PR_SET_PDEATHSIG = 1


class CycleFailed(Exception):
    pass


def end_with_parent(signum):
    """Has the kernel send signum to this process when its parent ends, so
    that nothing of a run outlives whoever started it, even a killed one."""
    ctypes.CDLL(None, use_errno=True).prctl(PR_SET_PDEATHSIG, signum)


def clean(text):
    """A console line without escape sequences and carriage returns."""
    return ESCAPES.sub("", text).replace("\r", "")


def marker(line):
    """The text after the marker, when the line carries one. The firmware
    may leave a line open, so the marker need not start the line."""
    at = line.find(MARK)
    return None if at < 0 else line[at + len(MARK):]


def parse_dialog(lines):
    """Caption, text and buttons of a framed box, from its lines top to
    bottom. Wrapped text is joined again with one blank, as it was split."""
    top = TOP_EDGE.match(lines[0])
    if not top or not BOTTOM_EDGE.match(lines[-1]) or len(lines) < 6:
        raise CycleFailed("not a dialog: %r" % lines)
    inner = []
    for line in lines[1:-1]:
        if not (line.startswith("| ") and line.endswith(" |")):
            raise CycleFailed("broken dialog line: %r" % line)
        inner.append(line[2:-2].rstrip())
    # Blank line, text, blank line, buttons, keys.
    text = " ".join(part for part in inner[1:-3])
    return top.group(1), text, inner[-2].strip()


def check_figures(fig):
    """The problems with the measured figures; none when they are plausible.
    The reported time is a tick taken by the running program, so it lies
    after the program started and before the result was shown."""
    problems = []
    if fig["exit_code"] != 0:
        problems.append("vantrel /run exited with %d" % fig["exit_code"])
    if not fig["kernel_boot"] <= fig["run_uptime"]:
        problems.append("uptime before /run (%.2f s) is below the kernel's boot time (%.2f s)"
                        % (fig["run_uptime"], fig["kernel_boot"]))
    if not fig["reported"] > fig["run_uptime"]:
        problems.append("reported %.3f s is not above the uptime when /run started (%.2f s)"
                        % (fig["reported"], fig["run_uptime"]))
    if not fig["reported"] < fig["result_uptime"]:
        problems.append("reported %.3f s is not below the uptime when the result appeared (%.2f s)"
                        % (fig["reported"], fig["result_uptime"]))
    elif fig["result_uptime"] - fig["reported"] < MIN_SETTLE_SECONDS:
        # Ten samples a second apart lie between the start tick and the result.
        problems.append("the result appeared %.2f s after the reported time, too soon for ten samples"
                        % (fig["result_uptime"] - fig["reported"]))
    if fig["entry_left"]:
        problems.append("the autostart entry was still there after the run")
    return problems


class Console:
    """The machine's serial console: lines as they come, with the time each
    was seen on the host, a full log and a transcript of the lines that
    matter."""

    def __init__(self, proc, log, deadline):
        self.proc = proc
        self.log = log
        self.deadline = deadline
        self.pending = b""
        self.history = []
        self.transcript = []
        self.program_running = False
        self.waiting_for = "the machine to start"

    def send(self, keys, note):
        self.transcript.append("    [the test types %s]" % note)
        self.proc.stdin.write(keys)
        self.proc.stdin.flush()

    def note_marker(self, text):
        self.transcript.append(MARK + text)

    def _fill(self):
        left = self.deadline - time.monotonic()
        if left <= 0:
            raise CycleFailed("timed out waiting for " + self.waiting_for)
        fd = self.proc.stdout.fileno()
        ready, _, _ = select.select([fd], [], [], min(left, 1.0))
        if not ready:
            return True
        chunk = os.read(fd, 4096)
        if not chunk:
            return False
        self.log.write(chunk)
        self.log.flush()
        self.pending += chunk
        return True

    def line(self):
        """The next whole line, cleaned; None once the machine has gone."""
        while b"\n" not in self.pending:
            if not self._fill():
                if self.pending:
                    rest, self.pending = self.pending, b""
                    return self._take(rest)
                return None
        raw, self.pending = self.pending.split(b"\n", 1)
        return self._take(raw)

    def _take(self, raw):
        text = clean(raw.decode("utf-8", "replace"))
        self.history.append(text)
        if "Kernel panic" in text:
            raise CycleFailed("kernel panic: " + text)
        mark = marker(text)
        if mark is not None:
            if mark.startswith("FAIL"):
                raise CycleFailed("the machine reported: " + mark)
        elif self.program_running:
            self.transcript.append(text)
        return text

    def expect(self, what, test):
        """Reads up to the first line for which test gives a true value and
        returns that value with the time the line was seen."""
        self.waiting_for = what
        while True:
            text = self.line()
            if text is None:
                raise CycleFailed("the machine stopped while waiting for " + what)
            found = test(text)
            if found:
                return found, time.monotonic()

    def expect_marker(self, what, pattern):
        regex = re.compile(pattern)

        def test(text):
            mark = marker(text)
            return regex.match(mark) if mark is not None else None

        found, seen = self.expect("marker " + what, test)
        self.note_marker(found.string)
        return found, seen

    def expect_dialog(self, what):
        top, _ = self.expect(what, lambda text: TOP_EDGE.match(text) and text)
        lines = [top]
        while not BOTTOM_EDGE.match(lines[-1]):
            text = self.line()
            if text is None:
                raise CycleFailed("the machine stopped inside " + what)
            lines.append(text)
        return parse_dialog(lines)


def run_cycle(console, steps):
    """The cycle, step by step; the figures for the checks at the end."""
    fig = {}
    start = time.monotonic()

    found, steps["boot 1"] = console.expect_marker("boot 1", r"boot 1 uptime ([\d.]+)$")
    console.expect_marker("arm", r"arm uptime [\d.]+$")
    console.program_running = True
    caption, text, buttons = console.expect_dialog("the restart question")
    steps["question"] = time.monotonic()
    if caption != CAPTION or text != QUESTION or buttons != "[ Yes ]  [ No ]":
        raise CycleFailed("unexpected question: %r %r %r" % (caption, text, buttons))
    console.send(b"y", "y")
    console.expect("Restarting now...", lambda line: line.startswith("Restarting now..."))
    console.transcript[-1] = "Restarting now..."  # the kernel's restart note follows unbroken
    console.program_running = False

    found, steps["boot 2"] = console.expect_marker("boot 2", r"boot 2 uptime ([\d.]+)$")
    fig["kernel_boot"] = float(found.group(1))
    console.expect_marker("entry", r"entry %s Exec=\"%s\" /run Terminal=true$"
                          % (re.escape(ENTRY_NAME), re.escape(PROGRAM)))
    found, _ = console.expect_marker("run", r"run uptime ([\d.]+) argv \[%s\] \[/run\]$"
                                     % re.escape(PROGRAM))
    fig["run_uptime"] = float(found.group(1))
    console.program_running = True
    for line in ("Please wait....", "IMPORTANT: Do not use mouse or keyboard at this time"):
        console.expect(repr(line), lambda text, want=line: text == want)
    caption, text, buttons = console.expect_dialog("the result")
    steps["result"] = result_seen = time.monotonic()
    result = RESULT.match(text)
    if caption != CAPTION or not result or buttons != "[ OK ]":
        raise CycleFailed("unexpected result dialog: %r %r %r" % (caption, text, buttons))
    fig["reported"] = float(result.group(1))
    console.send(b"\r", "Enter")
    for line in FAREWELL:
        console.expect(repr(line), lambda text, want=line: text == want)
    console.expect("'Press Enter to exit'", lambda text: text == "Press Enter to exit")
    time.sleep(0.2)  # the key is read in raw mode; let the program get there first
    console.send(b"\r", "Enter")
    console.program_running = False

    found, exit_seen = console.expect_marker("exit", r"exit (\d+) uptime ([\d.]+)$")
    fig["exit_code"] = int(found.group(1))
    # The guest's uptime when the result was shown: its uptime at the exit,
    # less the time that passed on the host between the two.
    fig["result_uptime"] = float(found.group(2)) - (exit_seen - result_seen)
    found, _ = console.expect_marker("entry gone or left", r"entry (gone|left)$")
    fig["entry_left"] = found.group(1) == "left"
    _, steps["poweroff"] = console.expect_marker("poweroff", r"poweroff$")
    steps["start"] = start
    return fig


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--qemu", default="qemu-system-x86_64")
    parser.add_argument("--kernel", required=True)
    parser.add_argument("--initrd", required=True)
    parser.add_argument("--disk", required=True)
    parser.add_argument("--log", required=True, help="the serial console log, written as it comes")
    parser.add_argument("--transcript", help="also write the trimmed transcript here")
    parser.add_argument("--timeout", type=float, default=300.0)
    args = parser.parse_args()

    # A stop from outside still ends the machine and shows the log.
    def stop(signum, _frame):
        raise CycleFailed("stopped by signal %d" % signum)
    signal.signal(signal.SIGTERM, stop)
    signal.signal(signal.SIGINT, stop)
    end_with_parent(signal.SIGTERM)

    command = [args.qemu, "-nodefaults", "-no-user-config", "-accel", "tcg", "-smp", "2", "-m", "256",
               "-display", "none", "-serial", "stdio", "-nic", "none",
               "-kernel", args.kernel, "-initrd", args.initrd,
               "-append", "console=ttyS0 panic=0 quiet",
               "-drive", "file=%s,format=raw,if=virtio" % args.disk]
    steps = {}
    problems = []
    start = time.monotonic()
    with open(args.log, "wb") as log:
        proc = subprocess.Popen(command, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                stderr=subprocess.STDOUT,
                                preexec_fn=lambda: end_with_parent(signal.SIGKILL))
        console = Console(proc, log, start + args.timeout)
        try:
            fig = run_cycle(console, steps)
            # The machine powers itself off; qemu then ends on its own.
            console.waiting_for = "the machine to power off"
            while console.line() is not None:
                pass
            code = proc.wait(timeout=max(1.0, console.deadline - time.monotonic()))
            steps["end"] = time.monotonic()
            if code != 0:
                problems.append("qemu exited with %d" % code)
            problems += check_figures(fig)
        except (CycleFailed, subprocess.TimeoutExpired, OSError) as error:
            problems.append(str(error))
        finally:
            if proc.poll() is None:
                proc.kill()
                proc.wait()

    if args.transcript:
        with open(args.transcript, "w") as out:
            out.write("\n".join(console.transcript) + "\n")
    if problems:
        print("VM cycle FAILED:")
        for problem in problems:
            print("  " + problem)
        print("---- serial console log (escape sequences removed) ----")
        print("\n".join(console.history + [clean(console.pending.decode("utf-8", "replace"))]))
        print("---- end of serial console log ----")
        return 1

    print("\n".join(console.transcript))
    print()
    print("Reported boot time %.3f s; uptime at boot 2's init %.2f s, before /run %.2f s, "
          "when the result appeared about %.2f s."
          % (fig["reported"], fig["kernel_boot"], fig["run_uptime"], fig["result_uptime"]))
    print("Whole cycle %.1f s: boot 1 to the question %.1f s, restart to boot 2 %.1f s, "
          "measuring %.1f s, farewell and power-off %.1f s."
          % (steps["end"] - start, steps["question"] - start, steps["boot 2"] - steps["question"],
             steps["result"] - steps["boot 2"], steps["end"] - steps["result"]))
    print("VM cycle passed: 1 passed, 0 failed")
    return 0


if __name__ == "__main__":
    sys.exit(main())

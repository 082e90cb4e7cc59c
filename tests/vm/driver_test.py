#!/usr/bin/env python3
"""The VM driver's own judgement: reading a dialog off the console and
deciding whether the measured figures are plausible. A fault here would let
the whole cycle pass without proving anything."""

import os
import sys
import unittest

sys.dont_write_bytecode = True  # no cache folder in the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import driver  # noqa: E402

QUESTION_BOX = [
    "+- CORVANE UTILITY --------------------------------------------------+",
    "|                                                                    |",
    "| Windows has to reboot to measure boot time. Do you want to restart |",
    "| your computer now?                                                 |",
    "|                                                                    |",
    "|                          [ Yes ]  [ No ]                           |",
    "|                            press Y or N                            |",
    "+--------------------------------------------------------------------+",
]
RESULT_BOX = [
    "+- CORVANE UTILITY ----------------------+",
    "|                                        |",
    "| Windows Bootup Time =  4.726  seconds  |",
    "|                                        |",
    "|                 [ OK ]                 |",
    "|              press Enter               |",
    "+----------------------------------------+",
]
PLAUSIBLE = {"exit_code": 0, "kernel_boot": 3.44, "run_uptime": 3.63, "reported": 4.726,
             "result_uptime": 14.74, "entry_left": False}


class DialogTest(unittest.TestCase):
    def test_question_is_read_whole_across_wrapped_lines(self):
        caption, text, buttons = driver.parse_dialog(QUESTION_BOX)
        self.assertEqual(caption, driver.CAPTION)
        self.assertEqual(text, driver.QUESTION)
        self.assertEqual(buttons, "[ Yes ]  [ No ]")

    def test_result_gives_the_reported_seconds(self):
        caption, text, buttons = driver.parse_dialog(RESULT_BOX)
        self.assertEqual(caption, driver.CAPTION)
        self.assertEqual(driver.RESULT.match(text).group(1), "4.726")
        self.assertEqual(buttons, "[ OK ]")

    def test_result_text_must_be_exact(self):
        for text in ("Windows Bootup Time = 4.726 seconds", "Windows Bootup Time =  4.73  seconds",
                     "Windows Bootup Time =  -4.726  seconds", "Bootup Time =  4.726  seconds"):
            with self.subTest(text=text):
                self.assertIsNone(driver.RESULT.match(text))

    def test_broken_boxes_are_refused(self):
        broken = {
            "no bottom edge": QUESTION_BOX[:-1],
            "side missing": QUESTION_BOX[:2] + ["| Windows has to reboot"] + QUESTION_BOX[3:],
            "too short": [QUESTION_BOX[0], QUESTION_BOX[-1]],
        }
        for name, lines in broken.items():
            with self.subTest(name):
                with self.assertRaises(driver.CycleFailed):
                    driver.parse_dialog(lines)


class ConsoleLineTest(unittest.TestCase):
    def test_marker_is_found_after_firmware_leftovers(self):
        cases = [
            ("@@VM@@ boot 2 uptime 3.44", "boot 2 uptime 3.44"),
            ("Booting from ROM..@@VM@@ boot 1 uptime 4.83", "boot 1 uptime 4.83"),
            ("Please wait....", None),
        ]
        for line, expected in cases:
            with self.subTest(line=line):
                self.assertEqual(driver.marker(line), expected)

    def test_clean_drops_escape_sequences_and_carriage_returns(self):
        self.assertEqual(driver.clean("\x1bc\x1b[?7l\x1b[2JSeaBIOS\r"), "SeaBIOS")
        self.assertEqual(driver.clean("Press Enter to exit\r"), "Press Enter to exit")


class FiguresTest(unittest.TestCase):
    def test_plausible_run_passes(self):
        self.assertEqual(driver.check_figures(PLAUSIBLE), [])

    def test_each_fault_is_reported(self):
        faults = [
            ("exit code", {"exit_code": 1}, "exited with 1"),
            ("tick before the program ran", {"reported": 3.5}, "not above the uptime when /run started"),
            ("tick equal to the start", {"reported": 3.63}, "not above the uptime when /run started"),
            ("tick after the result", {"reported": 15.0}, "not below the uptime when the result appeared"),
            ("tick at the end of the streak", {"reported": 13.9}, "too soon for ten samples"),
            ("start before the kernel", {"run_uptime": 3.0}, "below the kernel's boot time"),
            ("entry left", {"entry_left": True}, "still there"),
        ]
        for name, change, expected in faults:
            with self.subTest(name):
                problems = driver.check_figures(dict(PLAUSIBLE, **change))
                self.assertEqual(len(problems), 1, problems)
                self.assertIn(expected, problems[0])


if __name__ == "__main__":
    unittest.main()

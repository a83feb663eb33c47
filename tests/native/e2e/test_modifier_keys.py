#!/usr/bin/env python3
"""The check of runs played with Shift and Ctrl notes, on hand-made logs."""
import pathlib
import sys
import unittest

E2E = pathlib.Path(__file__).resolve().parents[2] / "win32" / "e2e"
sys.path.insert(0, str(E2E))
sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent))
import compare_keys  # noqa: E402
import make_songs  # noqa: E402
import modifier_keys  # noqa: E402
import smf_model  # noqa: E402
from test_compare_keys import BINDINGS, HOTKEY_SENT_US, log  # noqa: E402

SHIFT, CTRL, SPACE, U, T, O, ONE, C = 0x10, 0x11, 0x20, 0x55, 0x54, 0x4F, 0x31, 0x43

# A chord mixing a sharp and naturals, then one key for two notes: C2 on "1"
# and C#2 on Shift+1, struck legato.
NO_HOLD = """0 down 64 U
0 down 68 Shift + O
0 down 60 T
300 up 64 U
300 up 68 Shift + O
300 up 60 T
400 down 36 1
500 up 36 1
500 down 37 Shift + 1
600 up 37 Shift + 1
"""
# The wrapped presses after the plain keys of their millisecond.
NO_HOLD_TYPED = [(0, "down", U), (0, "down", T), (0.1, "down", SHIFT), (0.2, "down", O), (0.3, "up", SHIFT),
                 (300, "up", U), (300, "up", O), (300, "up", T), (400, "down", ONE),
                 (500, "up", ONE), (500.1, "down", SHIFT), (500.2, "down", ONE), (500.3, "up", SHIFT),
                 (600, "up", ONE)]

# ModifierHold=10 with the sustain key down across it.
HOLD = """0 down - Space
0 down 64 U
90 down - Shift
100 down 68 Shift + O
110 up - Shift
300 up 64 U
300 up 68 Shift + O
350 up - Space
"""
HOLD_TYPED = [(0, "down", SPACE), (0, "down", U), (91, "down", SHIFT), (100.5, "down", O), (110.2, "up", SHIFT),
              (300, "up", U), (300, "up", O), (350, "up", SPACE)]


def run(cli, events, hold, **options):
    options.setdefault("hotkey_sent_us", HOTKEY_SENT_US)
    received, _ = compare_keys.parse_recorded(log(events))
    return modifier_keys.compare(compare_keys.parse_cli(cli.splitlines()), received, BINDINGS, hold, **options)


def replaced(events, old, new):
    """The events with `old` (a list of events in a row) replaced by `new`."""
    for start in range(len(events)):
        if events[start:start + len(old)] == old:
            return events[:start] + new + events[start + len(old):]
    raise AssertionError("no %r in the events" % (old,))


class KeyNames(unittest.TestCase):
    def test_names_the_tool_writes_read_back_as_keys(self):
        cases = {"Shift + 1": (("Shift",), 0x31), "Ctrl + C": (("Ctrl",), 0x43), "T": ((), 0x54),
                 ":": ((), 0xBA), ";": ((), 0xBB), "Space": ((), 0x20), "Ctrl + Shift + Num1": (("Ctrl", "Shift"), 0x61)}
        for name, key in cases.items():
            with self.subTest(name):
                self.assertEqual(modifier_keys.key_of_name(name), key)

    def test_names_that_say_no_one_key_are_refused(self):
        for name in ("\\", "Alt + A", "Shift + Ctrl + A", "Shift + Shift + A", "Nope", "Shift + "):
            with self.subTest(name):
                with self.assertRaises(ValueError):
                    modifier_keys.key_of_name(name)

    def test_a_modifier_held_on_its_own_has_no_note(self):
        listed = modifier_keys.read_listing(compare_keys.parse_cli(HOLD.splitlines()))
        self.assertEqual([(item.held_modifier, item.vk) for item in listed[:3]],
                         [(None, SPACE), (None, U), ("Shift", None)])
        self.assertFalse(any(item.wrapped for item in listed))


class WithoutHold(unittest.TestCase):
    def test_wrapped_presses_after_the_plain_keys_pass_with_their_figures(self):
        outcome = run(NO_HOLD, NO_HOLD_TYPED, 0)
        self.assertEqual(outcome.errors, [])
        self.assertEqual(len(outcome.leads), 2)
        self.assertAlmostEqual(max(outcome.leads + outcome.trails), 0.1)
        self.assertIn("2 modifier windows", modifier_keys.summary(outcome, "x"))

    def test_lateness_counts_from_the_song_start_not_from_a_late_first_key(self):
        # The first chord 20 ms late, the last release 45 ms.
        typed = [(ms + (20 if index < 5 else 45 if ms == 600 else 0), direction, vk)
                 for index, (ms, direction, vk) in enumerate(NO_HOLD_TYPED)]
        outcome = run(NO_HOLD, typed, 0)
        self.assertEqual(outcome.errors, [])
        self.assertEqual((round(min(outcome.lateness)), round(max(outcome.lateness))), (0, 45))
        self.assertEqual(round(outcome.lateness[0]), 20)

    def test_a_key_that_waited_for_the_window_counts_as_sent(self):
        lines = log([(ms + 70 if ms == 600 else ms, direction, vk) for ms, direction, vk in NO_HOLD_TYPED])
        received, _ = compare_keys.parse_recorded(lines)
        cli = compare_keys.parse_cli(NO_HOLD.splitlines())
        late = modifier_keys.compare(cli, received, BINDINGS, 0, hotkey_sent_us=HOTKEY_SENT_US)
        self.assertTrue(any("+70.0 ms" in error for error in late.errors), late.errors)
        lines[-1] += " queued=69"
        received, _ = compare_keys.parse_recorded(lines)
        outcome = modifier_keys.compare(cli, received, BINDINGS, 0, hotkey_sent_us=HOTKEY_SENT_US)
        self.assertEqual(outcome.errors, [])
        self.assertEqual(round(max(outcome.lateness)), 1)

    def test_the_left_and_right_forms_of_shift_count_as_shift(self):
        typed = [(ms, direction, 0xA0 if vk == SHIFT else vk) for ms, direction, vk in NO_HOLD_TYPED]
        self.assertEqual(run(NO_HOLD, typed, 0).errors, [])

    def test_faults_are_named(self):
        shift_o = [(0.1, "down", SHIFT), (0.2, "down", O), (0.3, "up", SHIFT)]
        cases = {
            "a leaked Shift": (NO_HOLD_TYPED[:-2] + [(600, "up", ONE)], "keys still down at the end: Shift"),
            "a plain key pressed while Shift is down": (
                replaced(NO_HOLD_TYPED, [(0, "down", T)] + shift_o,
                         [(0.05, "down", SHIFT), (0.1, "down", T), (0.2, "down", O), (0.3, "up", SHIFT)]),
                "T went down at 0.1 ms with Shift down"),
            "a missing modifier": (replaced(NO_HOLD_TYPED, shift_o, [(0.2, "down", O)]),
                                   "Shift + O went down at 0.2 ms with no modifier"),
            "Ctrl for Shift": (replaced(NO_HOLD_TYPED, shift_o, [(0.1, "down", CTRL), (0.2, "down", O), (0.3, "up", CTRL)]),
                               "Shift + O went down at 0.2 ms with Ctrl down"),
            "Shift held over another key's release": (
                replaced(NO_HOLD_TYPED, [(0.3, "up", SHIFT), (300, "up", U)], [(300, "up", U), (300.1, "up", SHIFT)]),
                "Shift + O at 0.2 ms is not right between its modifiers' down and up"),
            "the wrapped press before the plain keys": (
                shift_o + [(0.4, "down", U), (0.5, "down", T)] + NO_HOLD_TYPED[5:], "first difference at 0"),
            "a key left down": (NO_HOLD_TYPED[:-1], "keys still down at the end: 1"),
            "a key late beyond the tolerance": (
                NO_HOLD_TYPED[:8] + [(461, "down", ONE)] + NO_HOLD_TYPED[9:], "+61.0 ms"),
        }
        for name, (events, reason) in cases.items():
            with self.subTest(name):
                errors = run(NO_HOLD, events, 0).errors
                self.assertTrue(any(reason in error for error in errors), errors)

    def test_a_modifier_the_system_still_holds_fails(self):
        self.assertEqual(run(NO_HOLD, NO_HOLD_TYPED, 0, keys_down=[0xA0, 0x7A]).errors,
                         ["the system reports keys still down: Shift"])

    def test_a_modifier_listed_on_its_own_fails(self):
        self.assertIn("murvane-cli keys lists a modifier on its own, with ModifierHold=0",
                      run(HOLD, HOLD_TYPED, 0).errors)


class WithHold(unittest.TestCase):
    def test_the_listed_windows_on_time_pass(self):
        outcome = run(HOLD, HOLD_TYPED, 10)
        self.assertEqual(outcome.errors, [])
        self.assertEqual([round(lead, 1) for lead in outcome.leads], [9.5])
        self.assertEqual([round(trail, 1) for trail in outcome.trails], [9.7])

    def test_faults_are_named(self):
        window = HOLD_TYPED[2:5]
        cases = {
            "the modifier at its key's moment": (
                replaced(HOLD_TYPED, window, [(100.4, "down", SHIFT), (100.5, "down", O), (110.2, "up", SHIFT)]),
                "the modifier's lead differs from the listed one by -9.9 ms in the median window"),
            "up at once": (replaced(HOLD_TYPED, window, window[:2] + [(100.6, "up", SHIFT)]),
                           "the modifier's trail differs from the listed one by -9.9 ms in the median window"),
            "up long after": (replaced(HOLD_TYPED, window, window[:2] + [(200, "up", SHIFT)]),
                              "Shift down 9.5 ms before its first key and up 99.5 ms after its last"),
            "the key wrapped instead": (
                replaced(HOLD_TYPED, window, [(100.4, "down", SHIFT), (100.5, "down", O), (100.6, "up", SHIFT)]),
                "the modifier's lead differs from the listed one by -9.9 ms"),
            "a window with no key": (HOLD_TYPED + [(400, "down", SHIFT), (410, "up", SHIFT)],
                                     "Shift went down 2 times; murvane-cli keys lists 1"),
            "a plain key inside the window": (
                replaced(HOLD_TYPED, window[:2], [window[0], (95, "down", T), (96, "up", T), window[1]]),
                "note keys, modifiers aside"),
            "the sustain key left down": (HOLD_TYPED[:-1], "keys still down at the end: Space"),
        }
        for name, (events, reason) in cases.items():
            with self.subTest(name):
                errors = run(HOLD, events, 10).errors
                self.assertTrue(any(reason in error for error in errors), errors)

    def test_one_window_shortened_by_a_late_wake_up_passes_but_not_most(self):
        # Three sharps, each in a window of its own; a late batch may shorten one.
        cli = "".join("%d down - Shift\n%d down %d Shift + %s\n%d up - Shift\n%d up %d Shift + %s\n" % (
            at - 10, at, note, name, at + 10, at + 50, note, name) for at, note, name in
            ((100, 68, "O"), (200, 61, "T"), (300, 70, "P")))
        on_time = [(at + shift, direction, vk) for at, vk in ((100, O), (200, T), (300, 0x50)) for shift, direction, vk in
                   ((-10, "down", SHIFT), (0, "down", vk), (10, "up", SHIFT), (50, "up", vk))]
        self.assertEqual(run(cli, on_time, 10).errors, [])
        late_once = replaced(on_time, [(190, "down", SHIFT)], [(199.9, "down", SHIFT)])
        self.assertEqual(run(cli, late_once, 10).errors, [])
        late_twice = replaced(late_once, [(290, "down", SHIFT)], [(299.9, "down", SHIFT)])
        errors = run(cli, late_twice, 10).errors
        self.assertTrue(any("lead differs from the listed one by -9.9 ms in the median window" in error
                            for error in errors), errors)

    def test_a_plain_key_the_tool_lists_inside_a_window_fails_in_the_log(self):
        cli = HOLD.replace("100 down 68 Shift + O\n", "100 down 68 Shift + O\n105 down 60 T\n") + "400 up 60 T\n"
        typed = replaced(HOLD_TYPED, HOLD_TYPED[3:5], [HOLD_TYPED[3], (105, "down", T), HOLD_TYPED[4]])
        errors = run(cli, typed + [(400, "up", T)], 10).errors
        self.assertIn("T went down at 105.0 ms with Shift down", errors)

    def test_the_tools_windows_must_hold_n_unless_pressed_against_the_one_before(self):
        cases = {
            "a lead cut against the previous up": (
                "0 down 60 T\n90 down - Shift\n100 down 61 Shift + T\n110 up - Shift\n110 down - Ctrl\n"
                "110 down 63 Ctrl + Y\n120 up - Ctrl\n200 up 60 T\n200 up 61 Shift + T\n200 up 63 Ctrl + Y\n", None),
            "a short lead": ("0 down 60 T\n95 down - Shift\n100 down 61 Shift + T\n110 up - Shift\n",
                             "the Shift window at 95 ms leads its first press by 5 ms, not 10"),
            "a short trail": ("0 down 60 T\n90 down - Shift\n100 down 61 Shift + T\n105 up - Shift\n",
                              "trails its last press by 5 ms, not 10"),
            "a press outside its window": ("0 down 60 T\n100 down 61 Shift + T\n",
                                           "Shift + T at 100 ms has no Shift held, with ModifierHold=10"),
        }
        for name, (cli, reason) in cases.items():
            with self.subTest(name):
                outcome = modifier_keys.Outcome()
                modifier_keys.check_listing(modifier_keys.read_listing(compare_keys.parse_cli(cli.splitlines())),
                                            10, outcome)
                self.assertEqual(outcome.errors, [] if reason is None else [
                    error for error in outcome.errors if reason in error][:1] or ["(none)"])

    def test_the_hold_is_read_as_the_program_reads_it(self):
        for text, hold in (("ModifierHold=10", 10), ("ModifierHold=51", 0), ("ModifierHold=x", 0), ("", 0)):
            with self.subTest(text):
                self.assertEqual(modifier_keys.modifier_hold("[Options]\n%s\n" % text), hold)


class TheSong(unittest.TestCase):
    def test_has_what_the_layouts_must_meet(self):
        data = make_songs.modifiers()
        ons = [(due, note) for due, kind, note in smf_model.notes(data) if kind == "on"]
        sharp = lambda note: note % 12 in (1, 3, 6, 8, 10)
        by_time = {}
        for due, note in ons:
            by_time.setdefault(due, []).append(note)
        self.assertTrue(any(any(map(sharp, chord)) and not all(map(sharp, chord))
                            for chord in by_time.values() if len(chord) > 2), "a chord mixing sharps and naturals")
        self.assertTrue(any(set(chord) & {54, 61, 66, 68} and set(chord) & {51, 58, 63, 70}
                            for chord in by_time.values()), "lyre36's Shift and Ctrl in one chord")
        self.assertLess([note for _, note in ons].index(36), [note for _, note in ons].index(37))
        self.assertTrue({note % 12 for _, note in ons if 48 <= note <= 83} >= {3, 10}, "E-flat and B-flat")
        self.assertTrue(any(not 48 <= note <= 83 for _, note in ons), "notes lyre36 has no key for")
        self.assertFalse(sharp(ons[0][1]))
        self.assertGreaterEqual(min(due for due, note in ons if sharp(note)), modifier_keys.LONGEST_HOLD_MS)
        _, events = smf_model.read_events(data)
        pedal = [payload[1] >= 64 for _, status, payload in events if status == 0xB0 and payload[0] == 64]
        self.assertEqual(pedal, [True, False] * 2)


if __name__ == "__main__":
    unittest.main()

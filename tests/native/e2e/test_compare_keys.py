#!/usr/bin/env python3
"""The end-to-end comparison and song model, on synthetic logs and songs."""
import pathlib
import sys
import tempfile
import unittest

E2E = pathlib.Path(__file__).resolve().parents[2] / "win32" / "e2e"
sys.path.insert(0, str(E2E))
import compare_keys  # noqa: E402
import gap_properties  # noqa: E402
import make_songs  # noqa: E402
import smf_model  # noqa: E402

DEFAULT_INI = "[KeyBinds]\n" + "".join(
    "%s=0x%04x\n" % (compare_keys.note_ini_key(i), vk) for i, vk in enumerate(
        [0x31, 0x32, 0x33, 0x34, 0x35, 0x36, 0x37, 0x38, 0x39, 0x30, 0xBD, 0xDE,
         0x51, 0x57, 0x45, 0x52, 0x54, 0x59, 0x55, 0x49, 0x4F, 0x50, 0xC0, 0xDB,
         0x41, 0x53, 0x44, 0x46, 0x47, 0x48, 0x4A, 0x4B, 0x4C, 0xBB, 0xBA, 0xDD, 0x5A])
) + "HotkeyPlay=0x007a\nHotkeyMidiInput=0x0079\nHotkeyAllStop=0x007b\n"
BINDINGS = compare_keys.bindings_from_ini(DEFAULT_INI)

# A chord of C4 (Q) and E4 (T), then G4 (I); one out-of-range note (-).
CLI = """0 down 60 Q
0 down 64 T
500 up 60 Q
500 up 64 T
500 down 30 -
600 up 30 -
750 down 67 I
1000 up 67 I
"""
ON_TIME = [(0, "down", 0x51), (0, "down", 0x54), (500, "up", 0x51), (500, "up", 0x54),
           (750, "down", 0x49), (1000, "up", 0x49)]


START_US = 123456789
# The Play/Stop hotkey's press, as the test sent it: 5 ms before the first key.
HOTKEY_SENT_US = START_US - 5000


def log(events, start_us=START_US, marks=()):
    """Target log lines from (ms after the first key, direction, vk)."""
    lines = ["# key messages"]
    entries = [(ms, "%s vk=0x%02x scan=0x10 ext=0 repeat=0 msg=WM_KEY%s" % (direction, vk, direction.upper()))
               for ms, direction, vk in events]
    entries += [(ms, "mark") for ms in marks]
    for ms, what in sorted(entries, key=lambda entry: entry[0]):
        lines.append("%d %s" % (start_us + round(ms * 1000), what))
    return lines


def run(cli, events, marks=(), **options):
    options.setdefault("hotkey_sent_us", HOTKEY_SENT_US)
    received, mark_times = compare_keys.parse_recorded(log(events, marks=marks))
    return compare_keys.compare(compare_keys.parse_cli(cli.splitlines()), received, mark_times,
                                BINDINGS, **options)


class PlaybackComparison(unittest.TestCase):
    def test_keys_on_time_pass_with_their_lateness(self):
        late = [(ms + shift, d, vk) for (ms, d, vk), shift in zip(ON_TIME, [0, 1, 2, 3, 10, 4])]
        outcome = run(CLI, late)
        self.assertEqual(outcome.errors, [])
        self.assertEqual(outcome.lateness, [1, 2, 3, 10, 4])
        self.assertIn("median +3.0, p99 +10.0, max +10.0", compare_keys.summary(outcome, "x"))

    def test_lateness_is_measured_from_the_first_key(self):
        # Everything 400 ms after the first key's own time still lines up.
        outcome = run(CLI, [(ms + 400, d, vk) for ms, d, vk in ON_TIME], hotkey_sent_us=START_US + 395000)
        self.assertEqual(outcome.errors, [])
        self.assertEqual(max(outcome.lateness), 0)

    def test_faults_are_reported(self):
        cases = {
            "a key missing": (ON_TIME[:4] + ON_TIME[5:], "5 received; first difference at 4"),
            "an extra key for a note that types nothing": (
                ON_TIME[:4] + [(500, "down", 0x31)] + ON_TIME[4:], "first difference at 4"),
            "a chord in another order": (
                [ON_TIME[1], ON_TIME[0]] + ON_TIME[2:], "first difference at 0"),
            "a wrong direction": (ON_TIME[:5] + [(1000, "down", 0x49)], "first difference at 5"),
            "a key late beyond the tolerance": (
                ON_TIME[:4] + [(811, "down", 0x49), (1000, "up", 0x49)], "+61.0 ms"),
            "a key early beyond the tolerance": (
                ON_TIME[:4] + [(680, "down", 0x49), (1000, "up", 0x49)], "-70.0 ms"),
            "a key left down": (ON_TIME[:5], "keys still down at the end: I"),
        }
        for name, (events, reason) in cases.items():
            with self.subTest(name):
                outcome = run(CLI, events, tolerance_ms=60)
                self.assertTrue(any(reason in error for error in outcome.errors), outcome.errors)

    def test_the_hotkeys_own_key_messages_are_left_out(self):
        events = [(-3, "up", 0x7A)] + ON_TIME + [(1200, "down", 0x7B), (1210, "up", 0x7B)]
        outcome = run(CLI, events)
        self.assertEqual(outcome.errors, [])
        self.assertEqual(outcome.lateness, [0, 0, 0, 0, 0])


class FirstKeyAfterTheHotkey(unittest.TestCase):
    def test_is_counted_from_the_press_sent_even_when_its_release_comes_after_the_first_key(self):
        # The release reaching the target after the first key hid the figure once.
        outcome = run(CLI, ON_TIME[:1] + [(2, "up", 0x7A)] + ON_TIME[1:])
        self.assertEqual(outcome.errors, [])
        self.assertEqual(outcome.start_delay, 5)
        self.assertIn("first key +5.0 ms after the Play/Stop hotkey's press", compare_keys.summary(outcome, "x"))

    def test_fails_when_it_cannot_be_measured_or_is_too_late(self):
        cases = {
            "no moment of the press": (ON_TIME, None, "the moment the Play/Stop hotkey was pressed is unknown"),
            "no key after the press": ([(1, "up", 0x7A)], HOTKEY_SENT_US, "no key came after the Play/Stop hotkey"),
            "the first key long after the press": (
                ON_TIME, START_US - 100000, "the first key came 100.0 ms after its due time"),
        }
        for name, (events, sent, reason) in cases.items():
            with self.subTest(name):
                outcome = run(CLI, events, tolerance_ms=60, hotkey_sent_us=sent)
                self.assertTrue(any(reason in error for error in outcome.errors), outcome.errors)

    def test_is_measured_in_a_stopped_run_too(self):
        outcome = run(StoppedComparison.HELD, StoppedComparison.BEFORE + [(2003, "up", 0x49), (2004, "up", 0x54)],
                      marks=[2000], stopped=True)
        self.assertEqual(outcome.start_delay, 5)

    def test_a_key_the_system_still_holds_fails(self):
        outcome = run(CLI, ON_TIME, keys_down=[0x54, 0x7A])
        self.assertEqual(outcome.errors, ["the system reports keys still down: T"])

    def test_notes_that_must_type_nothing_may_not_be_listed_with_keys(self):
        outcome = run(CLI, ON_TIME, allowed_notes=[60, 67])
        self.assertIn("[64]", " ".join(outcome.errors))

    def test_a_key_name_that_disagrees_with_the_binding_fails(self):
        outcome = run(CLI.replace("67 I", "67 O"), ON_TIME)
        self.assertTrue(any("note 67 'O'" in error for error in outcome.errors), outcome.errors)


class StoppedComparison(unittest.TestCase):
    # Q, then a chord T+I held for seconds; stopped at 2000 ms.
    HELD = "0 down 60 Q\n250 up 60 Q\n500 down 64 T\n500 down 67 I\n10500 up 64 T\n10500 up 67 I\n"
    BEFORE = [(0, "down", 0x51), (250, "up", 0x51), (500, "down", 0x54), (500, "down", 0x49)]

    def test_every_held_key_released_at_the_stop_passes(self):
        outcome = run(self.HELD, self.BEFORE + [(2003, "up", 0x49), (2004, "up", 0x54)],
                      marks=[2000], stopped=True)
        self.assertEqual(outcome.errors, [])
        self.assertEqual(outcome.release_after_stop, [3, 4])

    def test_faults_are_reported(self):
        cases = {
            "a key held through the rest": (
                self.BEFORE + [(2003, "up", 0x49), (10500, "up", 0x54)], "T released 8500.0 ms"),
            "a key never released": (self.BEFORE + [(2003, "up", 0x49)], "still down after the stop: T"),
            "a key pressed after the stop": (
                self.BEFORE + [(2003, "up", 0x49), (2004, "up", 0x54), (2100, "down", 0x41)],
                "before the stop: 6 key events expected, 7 received; first difference at 4"),
            "a release of a key that was not down": (
                self.BEFORE + [(2003, "up", 0x49), (2004, "up", 0x54), (2005, "up", 0x41)],
                "after the stop: A up, which was not down"),
            "a stop while nothing was held": (self.BEFORE[:2], "the stop proves nothing"),
        }
        for name, (events, reason) in cases.items():
            with self.subTest(name):
                marks = [400] if name == "a stop while nothing was held" else [2000]
                outcome = run(self.HELD, events, marks=marks, stopped=True)
                self.assertTrue(any(reason in error for error in outcome.errors), outcome.errors)

    def test_without_a_mark_the_stop_hotkeys_release_marks_the_stop(self):
        # The releases may even reach the target before the hotkey's own release.
        events = self.BEFORE + [(1990, "up", 0x49), (1992, "up", 0x54),
                                (2000, "up", 0x7B)]
        outcome = run(self.HELD, events, stopped=True)
        self.assertEqual(outcome.errors, [])
        self.assertEqual(outcome.release_after_stop, [-10, -8])

    def test_no_mark_and_no_hotkey_fails(self):
        self.assertEqual(run(self.HELD, self.BEFORE, stopped=True).errors,
                         ["no stop mark and no hotkey in the target's log"])


class IniReading(unittest.TestCase):
    def test_values_are_read_as_the_program_reads_them(self):
        ini = ("[Other]\nC3=0x0041\n[KeyBinds]\nC3=0x0131\nCs3=0x31\nD3=000033\nDs3=0xzz34\n"
               "E3=0x0051\nC4=0x0051\nHotkeyPlay=0x1a7a\n")
        bindings = compare_keys.bindings_from_ini(ini)
        # Shift removed from a note; four characters and bad digits unbound;
        # a duplicate leaves the higher entry holding it; high bits removed from a hotkey.
        self.assertEqual(bindings.note_keys[:5], [0x31, 0, 0x33, 0, 0])
        self.assertEqual(bindings.vk_of(60), 0x51)
        self.assertEqual(bindings.hotkeys[0], 0x027A)
        self.assertEqual(bindings.vk_of(47), 0)
        self.assertEqual(bindings.vk_of(85), 0)

    def test_utf16_file_with_byte_order_mark(self):
        with tempfile.TemporaryDirectory() as folder:
            path = pathlib.Path(folder) / "Murvane.ini"
            path.write_bytes(DEFAULT_INI.replace("\n", "\r\n").encode("utf-16"))
            self.assertEqual(compare_keys.read_bindings(path).note_keys, BINDINGS.note_keys)


def smf_bytes(format_, division, *tracks):
    return make_songs.smf(format_, division, [make_songs.track(events) for events in tracks])


class SongModel(unittest.TestCase):
    def test_timing_rules(self):
        cases = {
            "delta 480 at 500000 us, division 480 is 500 ms": (
                smf_bytes(0, 480, [(0, b"\x90\x3c\x40"), (480, b"\x80\x3c\x00")]),
                [(0, "down", 60), (500, "up", 60)]),
            "a thousand deltas of 1 carry their remainders": (
                smf_bytes(0, 480, [(0, b"\x90\x3c\x40")] + [(t, b"\xff\x01\x00") for t in range(1, 1000)]
                          + [(1000, b"\x80\x3c\x00")]),
                [(0, "down", 60), (1042, "up", 60)]),
            "a track's first delta-time is honoured": (
                smf_bytes(1, 480, [(0, b"\x90\x30\x40"), (480, b"\x80\x30\x00")],
                          [(960, b"\x90\x48\x40"), (1440, b"\x80\x48\x00")]),
                [(0, "down", 48), (500, "up", 48), (1000, "down", 72), (1500, "up", 72)]),
            "a tempo change spaces the events after it": (
                smf_bytes(0, 96, [(0, b"\xff\x51\x03\x0f\x42\x40"), (96, b"\x90\x3c\x40"),
                                  (192, b"\x80\x3c\x00")]),
                [(1000, "down", 60), (2000, "up", 60)]),
            "a set-tempo shorter than three bytes is ignored": (
                smf_bytes(0, 96, [(0, b"\xff\x51\x02\x0f\x42"), (96, b"\x90\x3c\x40")]),
                [(500, "down", 60)]),
            "ties go to the lower track, then file order": (
                smf_bytes(1, 96, [(0, b"\x90\x3e\x40")], [(0, b"\x90\x3c\x40"), (0, b"\x80\x3c\x00")]),
                [(0, "down", 62), (0, "down", 60), (0, "up", 60)]),
        }
        for name, (data, expected) in cases.items():
            with self.subTest(name):
                self.assertEqual(smf_model.key_events(data), expected)

    def test_only_the_first_channels_notes_type(self):
        data = smf_bytes(0, 96, [(0, b"\x91\x3c\x40"), (0, b"\xa0\x3c\x40"), (0, b"\x90\x3c\x40"),
                                 (10, b"\x3c\x00"),               # running status, velocity 0
                                 (20, b"\xc0\x05"), (20, b"\xf0\x01\xf7"), (30, b"\x80\x3c\x40")])
        self.assertEqual(smf_model.key_events(data), [(0, "down", 60), (52, "up", 60), (156, "up", 60)])

    def test_generated_songs_are_what_their_tests_need(self):
        songs = {name: smf_model.key_events(build()) for name, build in make_songs.SONGS.items()}
        self.assertEqual({note for _, _, note in songs["outside.mid"] if 48 <= note <= 84}, {60, 72})
        melody = [due for due, direction, note in songs["late-entry.mid"] if note >= 72 and direction == "down"]
        self.assertEqual(melody[0], 4000)
        held = songs["held.mid"]
        self.assertEqual([event for event in held if event[0] == 500],
                         [(500, "down", 60), (500, "down", 64), (500, "down", 67)])
        self.assertGreater(held[-1][0] - 500, 9000)
        self.assertEqual(make_songs.chords_tempo(), make_songs.chords_tempo())


    def test_options_choose_map_and_time_the_notes(self):
        data = smf_bytes(0, 480, [(0, b"\x92\x24\x40"), (0, b"\x90\x3c\x40"), (480, b"\x82\x24\x00"),
                                  (480, b"\x93\x62\x40"), (960, b"\x83\x62\x00")])
        cases = {
            "channels 3 and 4, an octave up, unfolded": (
                smf_model.Options(channels=0x000C, transpose=12),
                [(0, "on", 48), (500, "off", 48), (500, "on", 110), (1000, "off", 110)]),
            "folded to the nearest octave inside, at half speed": (
                smf_model.Options(channels=0x000C, transpose=12, fold=True, speed=50),
                [(0, "on", 48), (1000, "off", 48), (1000, "on", 74), (2000, "off", 74)]),
        }
        for name, (options, expected) in cases.items():
            with self.subTest(name):
                self.assertEqual(smf_model.notes(data, options), expected)
        ini = "[KeyBinds]\nC4=0x0051\n[Options]\nChannels=0x000c\nTranspose=+7\nSpeed=401\nRepressGap=30\n"
        options = smf_model.options_from_ini(ini)
        self.assertEqual((options.channels, options.transpose, options.fold, options.speed, options.gap),
                         (0x000C, 7, False, 100, 30))
        self.assertTrue(smf_model.options_from_ini(DEFAULT_INI + "[Options]\nChannels=0x0000\n").is_default())


class GapProperties(unittest.TestCase):
    # Key 1: struck at 0 and again at 40 (closer than 2G), legato, up at 100;
    # key 2: a unison of two notes at 200, the longer ending at 400.
    NOTES = [(0, "on", 1), (40, "off", 1), (40, "on", 1), (100, "off", 1),
             (200, "on", 2), (200, "on", 2), (300, "off", 2), (400, "off", 2)]

    def test_what_the_gap_may_do_passes(self):
        cases = {
            "the second strike skipped": [(0, "down", 1), (100, "up", 1), (200, "down", 2), (400, "up", 2)],
            "the second strike late by less than G, the first shortened": [
                (0, "down", 1), (30, "up", 1), (60, "down", 1), (100, "up", 1), (200, "down", 2), (400, "up", 2)],
            "a release held back up to 2G": [(0, "down", 1), (160, "up", 1), (200, "down", 2), (460, "up", 2)],
        }
        for name, events in cases.items():
            with self.subTest(name):
                self.assertEqual(gap_properties.check(self.NOTES, events, 30), [])

    def test_what_it_may_not_do_is_named(self):
        cases = {
            "out of turn": ([(0, "down", 1), (50, "down", 1), (100, "up", 1), (200, "down", 2), (400, "up", 2)],
                            "1: down at 50 ms out of turn"),
            "closer than G": ([(0, "down", 1), (20, "up", 1), (200, "down", 2), (400, "up", 2)],
                              "1: up at 20 ms only 20 ms after the event before"),
            "left down": ([(0, "down", 1), (100, "up", 1), (200, "down", 2)], "2: still down at the end"),
            "a press more than G late": ([(0, "down", 1), (100, "up", 1), (231, "down", 2), (400, "up", 2)],
                                         "2: the note-on due at 200 ms has no press"),
            "a press before its note-on": ([(0, "down", 1), (100, "up", 1), (190, "down", 2), (400, "up", 2)],
                                           "2: press at 190 ms serves no note-on (due 200)"),
            "the unison pressed twice": (
                [(0, "down", 1), (100, "up", 1), (200, "down", 2), (230, "up", 2), (260, "down", 2), (400, "up", 2)],
                "2: press at 260 ms serves no note-on (due 200)"),
            "up before the longer note ends": ([(0, "down", 1), (100, "up", 1), (200, "down", 2), (300, "up", 2)],
                                               "2: released at 300 ms, before its note's end at 400 ms"),
            "up more than 2G after the end": ([(0, "down", 1), (161, "up", 1), (200, "down", 2), (400, "up", 2)],
                                              "1: released at 161 ms, more than 2G after its note's end at 100 ms"),
        }
        for name, (events, fault) in cases.items():
            with self.subTest(name):
                self.assertIn(fault, gap_properties.check(self.NOTES, events, 30))

    def test_a_note_on_far_from_the_others_may_not_be_dropped_and_slack_widens_the_bounds(self):
        notes = [(0, "on", 1), (50, "off", 1), (100, "on", 1), (150, "off", 1)]
        self.assertEqual(gap_properties.check(notes, [(0, "down", 1), (50, "up", 1)], 30),
                         ["1: the note-on due at 100 ms has no press"])
        late = [(0, "down", 1), (50, "up", 1), (135, "down", 1), (180, "up", 1)]
        self.assertEqual(gap_properties.check(notes, late, 30, slack=10), [])


if __name__ == "__main__":
    unittest.main()

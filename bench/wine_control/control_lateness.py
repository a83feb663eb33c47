#!/usr/bin/env python3
"""The lateness of the first press after a resume, a seek and a speed change, under Wine.

    control_lateness.py song OUT.mid
    control_lateness.py timetable RUN
    control_lateness.py measure --cli CLI.txt --recorded TARGET.log --ini Murvane.ini SENT.txt...

`song` writes the song: a 50 ms note every 100 ms, twelve keys in turn, for
30 s (division 500 at the default tempo: a tick is a millisecond).
`timetable` prints the `e2e_helper keys` changes of run RUN (1, 2, ...): 75
rounds a second apart, each F11, then 330 ms later Pause (and Pause again
20-50 ms after), Seek forward or Faster, the three in turn, then F12 at
800 ms. measure.sh binds them (F5, F6, F7) with SeekStep=1.

`measure` reads the helper's output of each run, in order, and the
recorder's log. Each round is set against control_keys.py's model: the
song's keys counted from the round's start as its earliest press places
it, and from the moments the helper sent the hotkeys. The first press of
the song after the control (not a key pressed again at a resume or a seek)
is late by its time as sent less the model's. A round whose keys differ from
the model before that press (a hotkey that acted on the other side of a key
event from where it was sent) is left out, and counted. Prints the median
and the worst of each control.
"""
import argparse
import pathlib
import random
import statistics
import sys

ROOT = pathlib.Path(__file__).resolve().parents[2]
sys.path.insert(0, str(ROOT / "tests" / "win32" / "e2e"))
sys.path.insert(0, str(ROOT / "scripts" / "lib"))
import compare_keys  # noqa: E402
import control_keys  # noqa: E402
import modifier_keys  # noqa: E402
import smf_writer  # noqa: E402

F11, F12, PAUSE, SEEK, FASTER = 0x7A, 0x7B, 0x74, 0x75, 0x76
ROUNDS, ROUND_MS, CONTROL_MS, STOP_MS, STEP_MS = 75, 1000, 330, 800, 1000
KINDS = ("resume", "seek", "faster")


def song():
    events = []
    for index in range(300):
        note = 60 + index % 12
        events += [(index * 100, bytes([0x90, note, 96])), (index * 100 + 50, bytes([0x80, note, 0]))]
    return smf_writer.smf(0, 500, smf_writer.timed_events(events))


def timetable(run):
    """[(kind, [(name, vk, ms)])] per round; the helper prints one line per press and release."""
    generator = random.Random(run)
    rounds = []
    for index in range(ROUNDS):
        kind, at = KINDS[index % 3], index * ROUND_MS
        presses = [("play", F11, at)]
        if kind == "resume":
            presses += [("pause", PAUSE, at + CONTROL_MS), ("resume", PAUSE, at + CONTROL_MS + generator.randint(20, 50))]
        else:
            presses += [(kind, SEEK if kind == "seek" else FASTER, at + CONTROL_MS)]
        rounds.append((kind, presses + [("stop", F12, at + STOP_MS)]))
    return rounds


def first_press_late(moments, song_keys, arrived):
    """The lateness of the round's first press after the control, or None when the round
    does not match the model before it."""
    start = control_keys.song_start(arrived, song_keys, moments[1][1], None)
    if start is None:
        return None
    seek_ms = round(moments[1][1] - start) + STEP_MS
    sounding = set()
    for due, way, vk in (key for key in song_keys if key[0] <= seek_ms):
        (sounding.add if way == "down" else sounding.discard)(vk)
    after_seek = [(0, "down", vk) for vk in sorted(sounding)] + [
        (due - seek_ms, way, vk) for due, way, vk in song_keys if due > seek_ms]
    expected = control_keys.expected_keys(song_keys, after_seek, seek_ms, start, moments[1:], STEP_MS, 100)
    last = moments[-1][1]
    target = next(index for index, (time_ms, way, _) in enumerate(expected) if way == "down" and time_ms > last)
    pairs, fault = control_keys.match(expected[:target + 1], modifier_keys.as_sent(arrived[:target + 1]), start)
    return None if fault else pairs[target][1].time_ms - pairs[target][0]


def measure(args):
    listed, received, _, bindings = compare_keys.read_run(args)
    song_keys = [(event.due, event.direction, bindings.vk_of(event.note)) for event in listed]
    hotkeys = {F11, F12, PAUSE, SEEK, FASTER}
    late = {kind: [] for kind in KINDS}
    left_out = {kind: 0 for kind in KINDS}
    for run, sent_file in enumerate(args.sent, 1):
        sent = iter(int(line) / 1000.0 for line in pathlib.Path(sent_file).read_text().split())
        for kind, presses in timetable(run):
            moments = []
            for name, _, _ in presses:
                moments.append((name, next(sent)))
                next(sent)  # the release
            play, stop = moments[0][1], moments[-1][1]
            # As they arrived: the stop's releases come after its hotkey was sent.
            arrived = [event for event in received if play <= event.time_ms < stop and event.vk not in hotkeys]
            value = first_press_late(moments[:-1], song_keys, arrived)
            if value is None:
                left_out[kind] += 1
            else:
                late[kind].append(value)
    for kind in KINDS:
        values = late[kind]
        print("%-7s first press after it, ms: median %+.1f, worst %+.1f, best %+.1f (%d rounds, %d left out)" % (
            kind, statistics.median(values), max(values), min(values), len(values), left_out[kind]))
    return 0


def main(argv=None):
    argv = sys.argv[1:] if argv is None else argv
    if argv[:1] == ["song"] and len(argv) == 2:
        pathlib.Path(argv[1]).write_bytes(song())
        return 0
    if argv[:1] == ["timetable"] and len(argv) == 2:
        print(" ".join("+0x%02x@%d -0x%02x@%d" % (vk, ms, vk, ms + 12)
                       for _, presses in timetable(int(argv[1])) for _, vk, ms in presses))
        return 0
    parser = compare_keys.run_arguments(__doc__)
    parser.add_argument("sent", nargs="+")
    return measure(parser.parse_args(argv[1:]))


if __name__ == "__main__":
    sys.exit(main())

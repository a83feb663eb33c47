#!/usr/bin/env python3
"""Checks a run controlled through the hotkeys: a pause and its resume, a seek forward, Faster.

    control_keys.py --cli CLI.txt --from-cli FROM.txt --from-ms P --recorded TARGET.log --ini Murvane.ini
                    --play-us US --pause-us US --resume-us US --seek-us US --faster-us US
                    [--paused-keys-down "0xNN ..."] [--keys-down "0xNN ..."]
                    [--tolerance-ms MS] [--label NAME]

CLI.txt and FROM.txt are `murvane-cli keys SONG` and `keys SONG --from P`, P the
position the seek lands on as the test reckons it from the moments below;
the log and the INI file are as compare_keys.py reads them. The moments are
when the helper sent each hotkey's press, on the log's clock.

The model: the song's keys at their due times, counted from the song's start
as the earliest press places it, each key timed when it was sent (as
modifier_keys.py times them: a recorder descheduled is not Murvane late), and
the first key within the tolerance from F11 as compare_keys.py asks; at the pause every key down goes up, and
nothing comes until the resume, which presses them again; from then on every
due time is later by the time paused, counted between the two hotkeys. The
seek releases every key and presses those FROM.txt has at 0, and the rest of
FROM.txt follows on the same line of time (a seek moves the song, not the
clock). From Faster on the song goes at 10 points more: the due times after
it stretch by the ratio of the speeds. Each key must arrive within the
tolerance of its time there (keys due together in any order among them), a
control's keys within the tolerance of its hotkey; every key alternates down
and up, and nothing is left down, in the log or in the system's key state,
which must also hold nothing down while paused (--paused-keys-down).
"""
import itertools
import pathlib
import sys

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent))
import compare_keys  # noqa: E402
import modifier_keys  # noqa: E402
import smf_model  # noqa: E402

SPEED_STEP = 10


class Timeline:
    """Where the song stands on the log's clock as the hotkeys moved it; the plan is at `speed`."""

    def __init__(self, start_ms, speed):
        self.at, self.position, self.planned, self.speed, self.paused = start_ms, 0.0, speed, speed, False

    def position_at(self, time_ms):
        return self.position + (0 if self.paused else (time_ms - self.at) * self.speed / self.planned)

    def time_of(self, position):
        return self.at + (position - self.position) * self.planned / self.speed

    def move(self, time_ms, paused=None, step=0, speed=None):
        self.position, self.at = self.position_at(time_ms) + step, time_ms
        self.paused = self.paused if paused is None else paused
        self.speed = speed or self.speed


def expected_keys(song, after_seek, seek_ms, start_ms, moments, step_ms, speed):
    """[(time ms, direction, vk)] as the model has them; song and after_seek (from seek_ms
    of the song on) as (due, direction, vk); moments as (name, time ms) in order."""
    line = Timeline(start_ms, speed)
    expected, down, pending = [], set(), list(song)

    def play_until(time_ms):
        while pending and not line.paused and line.time_of(pending[0][0]) < time_ms:
            due, direction, vk = pending.pop(0)
            expected.append((line.time_of(due), direction, vk))
            (down.add if direction == "down" else down.discard)(vk)

    for name, time_ms in moments:
        play_until(time_ms)
        if name == "faster":
            line.move(time_ms, speed=line.speed + SPEED_STEP)
            continue
        if name != "resume":
            expected.extend((time_ms, "up", vk) for vk in sorted(down))
        if name == "pause":
            line.move(time_ms, paused=True)
            continue
        if name == "seek":
            line.move(time_ms, step=step_ms)
            down = {vk for due, direction, vk in after_seek if due == 0}
            pending = [(seek_ms + due, direction, vk) for due, direction, vk in after_seek if due > 0]
        else:
            line.move(time_ms, paused=False)
        expected.extend((time_ms, "down", vk) for vk in sorted(down))
    play_until(float("inf"))
    return expected


def song_start(arrived, song, before_ms, default):
    """The song's start on the log's clock, as the earliest press that arrived before the first
    control places it, timed as sent. (As sent a control's own keys may seem to come before it:
    the queue counts whole milliseconds.)"""
    presses = modifier_keys.as_sent([event for event in arrived if event.direction == "down"
                                     and event.time_ms < before_ms])
    dues = [due for due, direction, _ in song if direction == "down"]
    return min((event.time_ms - due for event, due in zip(presses, dues)), default=default)


def match(expected, received, origin_ms):
    """Pairs (time ms as the model has it, the event received), keys due together (a chord,
    a control's keys) in any order among them; and what differs, if anything does."""
    pairs = []
    for _, group in itertools.groupby(expected, key=lambda key: key[:2]):
        group = sorted(group, key=lambda key: key[2])
        got = sorted(received[len(pairs):len(pairs) + len(group)], key=lambda event: event.vk)
        if [(vk, direction) for _, direction, vk in group] != [(event.vk, event.direction) for event in got]:
            return pairs, "key events from %d on: expected %s at %.0f ms; received %s" % (
                len(pairs), describe(group), group[0][0] - origin_ms,
                describe((0, event.direction, event.vk) for event in got) or "nothing")
        pairs += [(time_ms, event) for (time_ms, _, _), event in zip(group, got)]
    if len(pairs) < len(received):
        return pairs, "%d key events more than the model has, from %s" % (
            len(received) - len(pairs), describe((0, event.direction, event.vk) for event in received[len(pairs):]))
    return pairs, None


def check(expected, received, origin_ms, tolerance_ms, outcome):
    pairs, fault = match(expected, received, origin_ms)
    if fault:
        outcome.fail(fault)
    outcome.typed = [event for _, event in pairs]
    outcome.lateness = [event.time_ms - time_ms for time_ms, event in pairs]
    late = [value for value in outcome.lateness if abs(value) > tolerance_ms]
    if late:
        outcome.fail("%d key event(s) off their time by more than %g ms; worst %+.1f ms" % (
            len(late), tolerance_ms, max(late, key=abs)))


def describe(keys):
    return ", ".join("%s %s" % (compare_keys.key_name(vk), direction) for _, direction, vk in keys)


def check_alternation(received, origin_ms, outcome):
    down = set()
    for event in received:
        if (event.vk in down) == (event.direction == "down"):
            outcome.fail("%s %s at %.1f ms, twice in a row" % (
                compare_keys.key_name(event.vk), event.direction, event.time_ms - origin_ms))
        (down.add if event.direction == "down" else down.discard)(event.vk)
    if down:
        outcome.fail("keys still down at the end: %s" % modifier_keys._names(down))


def main(argv=None):
    parser = compare_keys.run_arguments(__doc__)
    parser.add_argument("--from-cli", required=True)
    parser.add_argument("--from-ms", type=int, required=True)
    for name in ("play", "pause", "resume", "seek", "faster"):
        parser.add_argument("--%s-us" % name, type=int, required=True)
    parser.add_argument("--paused-keys-down", default="")
    parser.add_argument("--keys-down", default="")
    parser.add_argument("--tolerance-ms", type=float, default=compare_keys.DEFAULT_TOLERANCE_MS)
    parser.add_argument("--label", default="control")
    args = parser.parse_args(argv)

    listed, received, _, bindings = compare_keys.read_run(args)
    ini = compare_keys._decode_ini(pathlib.Path(args.ini).read_bytes())
    hotkeys = {compare_keys._ini_value(value) & 0xFF
               for key, value in smf_model.ini_section(ini, "keybinds").items() if key.startswith("hotkey")}
    step_ms = 1000 * smf_model._decimal(smf_model.ini_section(ini, "options").get("seekstep"), 1, 60, 5)
    speed = smf_model.options_from_ini(ini).speed
    moments = {name: getattr(args, name + "_us") / 1000.0 for name in ("play", "pause", "resume", "seek", "faster")}
    arrived = [event for event in received if event.vk not in hotkeys]
    keys = modifier_keys.as_sent(arrived)

    def as_keys(events):
        return [(event.due, event.direction, bindings.vk_of(event.note)) for event in events]

    song = as_keys(listed)
    after_seek = as_keys(compare_keys.parse_cli(pathlib.Path(args.from_cli).read_text().splitlines()))
    outcome = compare_keys.Outcome()
    compare_keys._check_start([(vk, d, event) for event, (_, d, vk) in zip(listed, song)], keys, hotkeys,
                              moments["play"], args.tolerance_ms, outcome)
    start = song_start(arrived, song, moments["pause"], moments["play"])
    expected = expected_keys(song, after_seek, args.from_ms, start, sorted(moments.items(), key=lambda item: item[1])[1:],
                             step_ms, speed)
    for name, direction in (("pause", "up"), ("resume", "down"), ("seek", "down")):
        if not any(time_ms == moments[name] and way == direction for time_ms, way, _ in expected):
            outcome.fail("no key sounds at the %s: the test's timing missed the chords it aims at" % name)
    check(expected, keys, moments["play"], args.tolerance_ms, outcome)
    check_alternation(keys, moments["play"], outcome)
    # As they arrived: sent counts whole milliseconds, and may put the resume's keys just before it.
    while_paused = [event for event in arrived if moments["pause"] + args.tolerance_ms < event.time_ms < moments["resume"]]
    if while_paused:
        outcome.fail("%d key event(s) while paused" % len(while_paused))
    for when, text in (("while paused", args.paused_keys_down), ("at the end", args.keys_down)):
        if text.split():
            outcome.fail("the system reports keys down %s: %s" % (when, text))
    print(compare_keys.summary(outcome, args.label, args.tolerance_ms) +
          "; paused %.0f ms" % (moments["resume"] - moments["pause"]))
    for error in outcome.errors:
        print("FAIL: " + error)
    return 1 if outcome.errors else 0


if __name__ == "__main__":
    sys.exit(main())

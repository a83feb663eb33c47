#!/usr/bin/env python3
"""Checks a run in which another window came in front for a while mid-song.

    focus_keys.py --cli CLI.txt --target TARGET.log --other OTHER.log --ini Murvane.ini
                  [--guarded] [--tolerance-ms MS] [--label NAME]

CLI.txt and the logs are as compare_keys.py reads them; the target's log also
has its `blur` (the other window came in front) and `focus` (it came back).

Guarded (FocusGuard=1): the other window received no key-down; the target
received none while away, and every press the tool lists, in order, plus,
first thing on its return, the keys it held when it left, pressed again;
every key it received down came up again; and after the return the presses
are later than before by the time away (within Murvane's check period and
the tolerance), nine in ten of them within the tolerance of their common
shift (one press made late by a busy machine is no fault of the guard).

Unguarded (the default): the keys followed the window in front, so the other
window received key-downs.

Exits 1 with the reasons when a check fails.
"""
import argparse
import pathlib
import statistics
import sys

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent))
import compare_keys  # noqa: E402

# Murvane looks at the window in front this often (Wine tells no foreground
# hook of a window brought in front through X), so a pause and a resume can
# each come this much after the focus moved.
CHECK_PERIOD_MS = 100.0


def read_log(lines, hotkeys):
    """Key events (without the hotkeys' own keys) and (time, "blur"|"focus") moments, in order."""
    keys, moments = [], []
    for line in lines:
        fields = line.split()
        if len(fields) < 2:
            continue
        time_ms = int(fields[0]) / 1000.0
        if fields[1] in ("blur", "focus"):
            moments.append((time_ms, fields[1]))
    received, _ = compare_keys.parse_recorded(lines)
    keys = [event for event in received if event.vk not in hotkeys]
    return keys, moments


def away_interval(keys, moments):
    """The first blur after the first key, and the first focus after it."""
    first = keys[0].time_ms if keys else 0.0
    start = next((time for time, kind in moments if kind == "blur" and time >= first), None)
    if start is None:
        return None
    end = next((time for time, kind in moments if kind == "focus" and time > start), None)
    return (start, end) if end is not None else None


def check_guarded(expected, target, moments, other, bindings, tolerance_ms):
    failures = []
    other_downs = [event for event in other if event.direction == "down"]
    if other_downs:
        failures.append("the other window received %d key-downs, the first %s" %
                        (len(other_downs), compare_keys.key_name(other_downs[0].vk)))
    away = away_interval(target, moments)
    if away is None:
        return failures + ["the target's log shows no time away (blur, then focus)"]
    start, end = away
    before = [event for event in target if event.time_ms < start]
    during = [event for event in target if start <= event.time_ms < end and event.direction == "down"]
    after = [event for event in target if event.time_ms >= end]
    if during:
        failures.append("the target received %d key-downs while away" % len(during))
    held = compare_keys._keys_left_down(before)
    after_downs = [event for event in after if event.direction == "down"]
    again = after_downs[:len(held)]
    if {event.vk for event in again} != held:
        failures.append("on its return the target got %s first, not the keys it held: %s" % (
            [compare_keys.key_name(event.vk) for event in again],
            sorted(compare_keys.key_name(vk) for vk in held)))
    wanted = [event for event in expected if event.direction == "down" and bindings.vk_of(event.note)]
    got = [event for event in before if event.direction == "down"] + after_downs[len(held):]
    wanted_keys = [bindings.vk_of(event.note) for event in wanted]
    got_keys = [event.vk for event in got]
    if got_keys != wanted_keys:
        index = next((i for i, (a, b) in enumerate(zip(got_keys, wanted_keys)) if a != b),
                     min(len(got_keys), len(wanted_keys)))
        failures.append("the target's presses differ from the tool's at press %d: got %d presses, wanted %d"
                        % (index + 1, len(got_keys), len(wanted_keys)))
    else:
        failures += check_timing(got, wanted, len([event for event in before if event.direction == "down"]),
                                 end - start, tolerance_ms)
    left = compare_keys._keys_left_down(target)
    if left:
        failures.append("keys left down in the target: %s" % sorted(compare_keys.key_name(vk) for vk in left))
    return failures


def check_timing(got, wanted, resumed, away_ms, tolerance_ms):
    """got and wanted are the song's presses, matched; the first `resumed` came before the time away."""
    shifts = [event.time_ms - want.due for event, want in zip(got, wanted)]
    before, after = shifts[:resumed], shifts[resumed:]
    if not before or not after:
        return []
    moved = statistics.median(after) - statistics.median(before)
    middle = statistics.median(after)
    spread = compare_keys.percentile([abs(shift - middle) for shift in after], 0.9)
    print("after %.0f ms away the presses came %.1f ms later; nine in ten of %d within %.1f ms of that"
          % (away_ms, moved, len(after), spread))
    failures = []
    if abs(moved - away_ms) > CHECK_PERIOD_MS + tolerance_ms:
        failures.append("the presses after the return moved by %.1f ms, not by the %.0f ms away" % (moved, away_ms))
    if spread > tolerance_ms:
        failures.append("after the return one press in ten is more than %.1f ms off the others' shift" % spread)
    return failures


def check_unguarded(other):
    if any(event.direction == "down" for event in other):
        return []
    return ["the other window received no key-down: keys no longer follow the window in front"]


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--cli", required=True)
    parser.add_argument("--target", required=True)
    parser.add_argument("--other", required=True)
    parser.add_argument("--ini", required=True)
    parser.add_argument("--guarded", action="store_true")
    parser.add_argument("--tolerance-ms", type=float, default=compare_keys.DEFAULT_TOLERANCE_MS)
    parser.add_argument("--label", default="")
    args = parser.parse_args(argv)
    bindings = compare_keys.read_bindings(args.ini)
    expected = compare_keys.parse_cli(pathlib.Path(args.cli).read_text().splitlines())
    target, moments = read_log(pathlib.Path(args.target).read_text().splitlines(), bindings.hotkey_vks)
    other, _ = read_log(pathlib.Path(args.other).read_text().splitlines(), bindings.hotkey_vks)
    if args.guarded:
        failures = check_guarded(expected, target, moments, other, bindings, args.tolerance_ms)
    else:
        failures = check_unguarded(other)
    for failure in failures:
        print("FAIL: %s: %s" % (args.label, failure))
    if not failures:
        print("%s: passed" % args.label)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())

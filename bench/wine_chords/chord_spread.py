#!/usr/bin/env python3
"""The spread of each chord as the target received it, and the CPU it cost.

    chord_spread.py --cli CLI.txt --recorded TARGET.log --ini Murvane.ini [--cpu CPU.txt]

CLI.txt, TARGET.log and the INI file are as compare_keys.py reads them. The
key messages received are matched in order to the key events listed; for
every due millisecond with two or more key events, the spread is the time
from the first to the last of them as the target received them. Prints the
median and max spread, and with --cpu (lines `<name> <seconds> <cpu seconds>`
from measure.sh) the CPU seconds per minute of playback.
"""
import pathlib
import statistics
import sys

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[2] / "tests" / "win32" / "e2e"))
import compare_keys  # noqa: E402


def spreads(expected, received, bindings):
    """Milliseconds from the first to the last key received of each due millisecond."""
    wanted = [event for event in expected if bindings.vk_of(event.note)]
    keys = [event for event in received if event.vk not in bindings.hotkey_vks]
    groups = {}
    for listed, got in zip(wanted, keys):
        if (bindings.vk_of(listed.note), listed.direction) != (got.vk, got.direction):
            raise ValueError("the keys received differ from the list at due %d ms" % listed.due)
        groups.setdefault(listed.due, []).append(got.time_ms)
    if len(wanted) != len(keys):
        raise ValueError("%d key events listed, %d received" % (len(wanted), len(keys)))
    return [max(times) - min(times) for times in groups.values() if len(times) > 1]


def main(argv=None):
    parser = compare_keys.run_arguments(__doc__)
    parser.add_argument("--cpu")
    args = parser.parse_args(argv)
    expected, received, _, bindings = compare_keys.read_run(args)
    found = spreads(expected, received, bindings)
    print("chords: %d; spread first to last key, ms: median %.3f, p99 %.3f, max %.3f" % (
        len(found), statistics.median(found), compare_keys.percentile(found, 0.99), max(found)))
    if args.cpu:
        for line in pathlib.Path(args.cpu).read_text().splitlines():
            name, seconds, cpu = line.split()
            print("cpu %s: %.2f s per minute of playback" % (name, float(cpu) * 60 / float(seconds)))
    return 0


if __name__ == "__main__":
    sys.exit(main())

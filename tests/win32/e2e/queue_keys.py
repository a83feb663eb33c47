#!/usr/bin/env python3
"""Checks a queue of two songs typed one after the other into the target.

    queue_keys.py --cli FIRST.txt --cli-second SECOND.txt --recorded TARGET.log --ini Murvane.ini
                  --song-gap-ms MS [--tolerance-ms MS] [--gap-tolerance-ms MS]
                  [--keys-down "0xNN ..."] [--hotkey-sent-us US] [--label NAME]

FIRST.txt, SECOND.txt: `murvane-cli keys` of each song (which reads its own
section). The target must receive the first song's keys then the second's,
in order, each within the tolerance of its due time from its song's first
key (the first within it after F11), the second song starting SongGap after
the first one's last key event (up to --gap-tolerance-ms later: a window
timer, and the song is read first), nothing left down.
"""
import pathlib
import sys

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent))
import compare_keys as ck  # noqa: E402


def main(argv=None):
    parser = ck.run_arguments(__doc__)
    parser.add_argument("--cli-second", required=True)
    parser.add_argument("--song-gap-ms", type=float, required=True)
    parser.add_argument("--tolerance-ms", type=float, default=ck.DEFAULT_TOLERANCE_MS)
    parser.add_argument("--gap-tolerance-ms", type=float, default=150.0)
    parser.add_argument("--keys-down", default="")
    parser.add_argument("--hotkey-sent-us", type=int)
    parser.add_argument("--label", default="queue")
    args = parser.parse_args(argv)

    first, received, _, bindings = ck.read_run(args)
    second = ck.parse_cli(pathlib.Path(args.cli_second).read_text(encoding="utf-8").splitlines())
    outcome = ck.Outcome()
    ck.check_key_names(first + second, bindings, outcome)
    wanted = [[(bindings.vk_of(e.note), e.direction, e) for e in song if bindings.vk_of(e.note)]
              for song in (first, second)]
    if not wanted[0] or not wanted[1]:
        outcome.fail("each song must type keys")
    hotkeys = bindings.hotkey_vks
    sent_ms = None if args.hotkey_sent_us is None else args.hotkey_sent_us / 1000.0
    ck._check_start(wanted[0], received, hotkeys, sent_ms, args.tolerance_ms, outcome)
    received = [event for event in received if event.vk not in hotkeys]
    agreed = ck._match_sequence(wanted[0] + wanted[1], received, outcome, "the queue")
    count = len(wanted[0])
    ck._timing(wanted[0], received[:count], min(agreed, count), args.tolerance_ms, outcome)
    gap = None
    if agreed > count:
        ck._timing(wanted[1], received[count:], agreed - count, args.tolerance_ms, outcome)
        first_start = received[0].time_ms - wanted[0][0][2].due
        second_start = received[count].time_ms - wanted[1][0][2].due
        gap = second_start - (first_start + first[-1].due)
        if not args.song_gap_ms - args.tolerance_ms <= gap <= args.song_gap_ms + args.gap_tolerance_ms:
            outcome.fail("the second song started %.1f ms after the first one's end; SongGap is %g ms "
                         "(allowed %g to %g ms)" % (gap, args.song_gap_ms, args.song_gap_ms - args.tolerance_ms,
                                                   args.song_gap_ms + args.gap_tolerance_ms))
    left = ck._keys_left_down(received) | {int(vk, 16) for vk in args.keys_down.split()}
    if left:
        outcome.fail("keys still down at the end: %s" % ", ".join(ck.key_name(vk) for vk in sorted(left)))
    line = ck.summary(outcome, args.label, args.tolerance_ms)
    if gap is not None:
        line += "; the second song %.1f ms after the first one's end" % gap
    print(line)
    for error in outcome.errors:
        print("FAIL: " + error)
    return 1 if outcome.errors else 0


if __name__ == "__main__":
    sys.exit(main())

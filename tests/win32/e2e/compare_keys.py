#!/usr/bin/env python3
"""Compares the keys a target window received with what `murvane-cli keys` says.

    compare_keys.py --cli CLI.txt --recorded TARGET.log --ini Murvane.ini
                    [--model SONG.mid] [--tolerance-ms MS] [--stopped]
                    [--allowed-notes N,N,...] [--keys-down "0xNN ..."]
                    [--hotkey-sent-us US] [--unmodified] [--label NAME] [--print-keys]

CLI.txt is the output of `murvane-cli keys SONG --ini Murvane.ini`: one line
`<due ms> <down|up> <MIDI note> <key or ->` per key event (with a layout, the
key may be "Shift + 1", and a modifier or the sustain key held on its own has
"-" for its note: modifier_keys.py reads those runs). TARGET.log is the
log of `key_recorder`: `<microseconds> down|up vk=0x<vk> scan=0x<scan> ext=<0|1> ...`
per key message, and `<microseconds> mark` where the test stopped playback.
The INI gives each note's virtual key and the hotkeys (whose own key messages,
from the test pressing them, are left out of the comparison).

A full playback passes when the target received exactly the key events the
tool lists (same keys, same directions, same order), each within the
tolerance of its due time measured from the first key, and no key was left
down. With --stopped, playback was stopped at the last mark (or, without
one, at the last key message of a hotkey: the stop hotkey's release): what
came before must be the start of that list, and then only the release of
every key held, each within the tolerance of the stop. --model also checks the tool's list
against an independent reading of the song (smf_model.py): event for event
when the INI file's Options are the defaults, else the notes the options
choose must be typed as the re-press gap promises (gap_properties.py), both
in the tool's list and as the keys arrived.

Every run also gives the first key's delay: from the moment the Play/Stop
hotkey's press was sent (--hotkey-sent-us, on the log's clock) to the first
key, less its due time. It must be within the tolerance, and a run without
it fails.

With --unmodified the user's own modifier keys (a hand still holding the
hotkey's Ctrl) are left out, every other key must arrive with no modifier
down (the recorder's mods=), as the key configuration's keys ask, and the
first key no earlier than the tolerance before its due time either: the
moment given is then when the hand let go of the hotkey's last modifier.

Prints the lateness figures; exits 1 with the reasons when a check fails.
"""
import argparse
import math
import pathlib
import statistics
import sys

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent))
import gap_properties  # noqa: E402
import smf_model  # noqa: E402

NOTE_COUNT = 37
FIRST_NOTE = 48
HOTKEY_INI_KEYS = ("HotkeyPlay", "HotkeyMidiInput", "HotkeyAllStop")
DEFAULT_TOLERANCE_MS = 50.0
# Shift, Ctrl, Alt and the Windows keys, in their either-side and left and right forms.
MODIFIER_VKS = {0x10, 0x11, 0x12, 0x5B, 0x5C} | set(range(0xA0, 0xA6))

KEY_NAMES = {0x08: "Backspace", 0x09: "Tab", 0x0D: "Enter", 0x13: "Pause", 0x1B: "Esc",
             0x20: "Space", 0x21: "PageUp", 0x22: "PageDown", 0x23: "End", 0x24: "Home",
             0x25: "Left", 0x26: "Up", 0x27: "Right", 0x28: "Down", 0x2C: "PrintScreen",
             0x2D: "Insert", 0x2E: "Delete", 0x6A: "Num*", 0x6B: "Num+", 0x6D: "Num-",
             0x6E: "Num.", 0x6F: "Num/", 0x91: "ScrollLock", 0xBA: ":", 0xBB: ";", 0xBC: ",",
             0xBD: "-", 0xBE: ".", 0xBF: "/", 0xC0: "@", 0xDB: "[", 0xDC: "\\", 0xDD: "]",
             0xDE: "^", 0xE2: "\\"}
KEY_NAMES.update({vk: chr(vk) for vk in range(0x30, 0x3A)})
KEY_NAMES.update({vk: chr(vk) for vk in range(0x41, 0x5B)})
KEY_NAMES.update({0x60 + n: "Num%d" % n for n in range(10)})
KEY_NAMES.update({0x70 + n: "F%d" % (n + 1) for n in range(12)})


def key_name(vk):
    return KEY_NAMES.get(vk, "vk 0x%02x" % vk)


def note_ini_key(index):
    letters = ("C", "Cs", "D", "Ds", "E", "F", "Fs", "G", "Gs", "A", "As", "B")
    return "%s%d" % (letters[index % 12], 3 + index // 12)


class Bindings:
    """Note -> virtual key, and the hotkeys' virtual keys, as an INI file holds them."""

    def __init__(self, note_keys, hotkeys):
        self.note_keys = note_keys  # 37 virtual keys, 0 = unbound
        self.hotkeys = hotkeys      # 3 key codes

    def vk_of(self, note):
        index = note - FIRST_NOTE
        return self.note_keys[index] if 0 <= index < NOTE_COUNT else 0

    @property
    def hotkey_vks(self):
        return {code & 0xFF for code in self.hotkeys if code & 0xFF}


def _decode_ini(data):
    if data.startswith(b"\xff\xfe") or data.startswith(b"\xfe\xff"):
        return data.decode("utf-16")
    if data.startswith(b"\xef\xbb\xbf"):
        return data[3:].decode("utf-8")
    return data.decode("latin-1")


def _ini_value(text):
    """The program's reading of one value: exactly six characters of hexadecimal, else 0."""
    if text is None or len(text) != 6:
        return 0
    try:
        return int(text, 16) & 0xFFFFFFFF
    except ValueError:
        return 0


def bindings_from_ini(text):
    values = smf_model.ini_section(text, "keybinds")
    names = [note_ini_key(index) for index in range(NOTE_COUNT)] + list(HOTKEY_INI_KEYS)
    table = []
    for index, name in enumerate(names):
        value = _ini_value(values.get(name.lower())) & (0x00FF if index < NOTE_COUNT else 0x07FF)
        if value:
            table = [0 if held == value else held for held in table]
        table.append(value)
    return Bindings(table[:NOTE_COUNT], table[NOTE_COUNT:])


def read_bindings(path):
    return bindings_from_ini(_decode_ini(pathlib.Path(path).read_bytes()))


class Expected:
    def __init__(self, due, direction, note, key):
        self.due, self.direction, self.note, self.key = due, direction, note, key


class Received:
    def __init__(self, time_ms, direction, vk, scan=0, extended=0, queued_ms=0, mods=0):
        self.time_ms, self.direction, self.vk, self.mods = time_ms, direction, vk, mods
        self.scan, self.extended = scan, extended
        # How long it waited for the target window (whole milliseconds; 0 in
        # logs without it): time_ms less this is when it was sent.
        self.queued_ms = queued_ms


def parse_cli(lines):
    """A key's name may hold spaces ("Shift + 1"); the note of a key held on
    its own (a modifier, the sustain key) is "-", read as None."""
    events = []
    for number, line in enumerate(lines, 1):
        fields = line.split(None, 3)
        if not fields:
            continue
        if (len(fields) != 4 or fields[1] not in ("down", "up")
                or not (fields[2] == "-" or fields[2].isdigit())):
            raise ValueError("murvane-cli line %d: %r" % (number, line))
        note = None if fields[2] == "-" else int(fields[2])
        events.append(Expected(int(fields[0]), fields[1], note, fields[3].strip()))
    return events


def parse_recorded(lines):
    """Returns (key events, mark times), times in milliseconds."""
    keys, marks = [], []
    for line in lines:
        fields = line.split()
        if not fields or fields[0].startswith("#"):
            continue
        time_ms = int(fields[0]) / 1000.0
        if fields[1] in ("down", "up"):
            named = dict(field.split("=", 1) for field in fields[2:])
            keys.append(Received(time_ms, fields[1], int(named["vk"], 16), int(named["scan"], 16),
                                 int(named["ext"]), max(0, int(named.get("queued", 0))),
                                 int(named.get("mods", "0"), 16)))
        elif fields[1] == "mark":
            marks.append(time_ms)
    return keys, marks


def percentile(values, fraction):
    """Nearest-rank percentile."""
    ordered = sorted(values)
    return ordered[max(0, math.ceil(fraction * len(ordered)) - 1)]


class Outcome:
    def __init__(self):
        self.errors = []
        self.lateness = []  # ms, one per matched key event after the first
        self.typed = []     # (time ms on the song's clock, due ms, Received, Expected)
        self.release_after_stop = []  # ms from the stop, one per key held then
        self.start_delay = None  # ms from the Play/Stop hotkey's press, as sent, to the first key, less its due time

    def fail(self, message):
        self.errors.append(message)


def _describe(events, index, as_text):
    low, high = max(0, index - 3), min(len(events), index + 4)
    return ", ".join(("->" if position == index else "") + as_text(events[position])
                     for position in range(low, high)) or "(nothing)"


def check_tool_against_model(expected, model, outcome, bindings):
    """A note without a key types nothing, and the tool does not list it."""
    model = [(due, direction, note) for due, direction, note in model if bindings.vk_of(note)]
    listed = [(event.due, event.direction, event.note) for event in expected]
    if listed == model:
        return
    index = next((i for i, (a, b) in enumerate(zip(listed, model)) if a != b), min(len(listed), len(model)))
    outcome.fail("murvane-cli keys differs from the song at event %d: tool %s; song %s" % (
        index, _describe(listed, index, lambda e: "%d %s %d" % e),
        _describe(model, index, lambda e: "%d %s %d" % e)))


def check_gap_properties(expected, typed, notes, bindings, gap, tolerance_ms, outcome):
    """The tool's list exactly, and the keys on arrival within the tolerance, against the gap's promises."""
    model = [(due, kind, bindings.vk_of(note)) for due, kind, note in notes if bindings.vk_of(note)]
    listed = [(event.due, event.direction, bindings.vk_of(event.note)) for event in expected
              if bindings.vk_of(event.note)]
    arrived = [(on_song_clock, event.direction, event.vk) for on_song_clock, _, event, _ in typed]
    for what, events, slack in (("murvane-cli keys", listed, 0), ("typed", arrived, tolerance_ms)):
        for fault in gap_properties.check(model, events, gap, slack, key_name):
            outcome.fail("%s, with the options: %s" % (what, fault))


def check_key_names(expected, bindings, outcome):
    for event in expected:
        vk = bindings.vk_of(event.note)
        wanted = key_name(vk) if vk else "-"
        if event.key != wanted:
            outcome.fail("murvane-cli names note %d %r; its binding 0x%02x is %r" % (
                event.note, event.key, vk, wanted))
            return


def _match_sequence(wanted, received, outcome, what):
    """Compares (vk, direction) lists; returns the number of leading events that agree."""
    pairs = [(vk, direction) for vk, direction, _ in wanted]
    got = [(event.vk, event.direction) for event in received]
    agreed = 0
    while agreed < min(len(pairs), len(got)) and pairs[agreed] == got[agreed]:
        agreed += 1
    if agreed != len(pairs) or agreed != len(got):
        as_text = lambda pair: "%s %s" % (key_name(pair[0]), pair[1])
        outcome.fail("%s: %d key events expected, %d received; first difference at %d: "
                     "expected %s; received %s" % (what, len(pairs), len(got), agreed,
                                                  _describe(pairs, agreed, as_text),
                                                  _describe(got, agreed, as_text)))
    return agreed


def _timing(wanted, received, count, tolerance_ms, outcome, offset=None):
    """Lateness counted from the first key (which is then left out), or with
    `offset`, the log's time at the song's start, from there."""
    if count == 0:
        return
    from_first = offset is None
    if from_first:
        offset = received[0].time_ms - wanted[0][2].due
    worst = None
    for index in range(count):
        expected = wanted[index][2]
        event = received[index]
        on_song_clock = event.time_ms - offset
        late = on_song_clock - expected.due
        outcome.typed.append((on_song_clock, expected.due, event, expected))
        if index == 0 and from_first:
            continue
        outcome.lateness.append(late)
        if abs(late) > tolerance_ms and (worst is None or abs(late) > abs(worst[1])):
            worst = (index, late, expected)
    if worst is not None:
        over = sum(1 for late in outcome.lateness if abs(late) > tolerance_ms)
        index, late, expected = worst
        outcome.fail("%d key event(s) off their due time by more than %g ms; worst: event %d "
                     "(%s %s, due %d ms) %+.1f ms" % (over, tolerance_ms, index, expected.key,
                                                     expected.direction, expected.due, late))


def _check_start(wanted, received, hotkeys, hotkey_sent_ms, tolerance_ms, outcome):
    """The first key must follow the Play/Stop hotkey's press within the tolerance of its due time.

    The press is timed where it is sent, on the log's clock: the target never
    sees it (the hotkey takes it), and its release may reach the target after
    the first key. Every run measures this; without the moment it fails.
    """
    if hotkey_sent_ms is None:
        outcome.fail("no first-key figure: the moment the Play/Stop hotkey was pressed is unknown")
        return
    first = next((event for event in received if event.vk not in hotkeys), None)
    if first is None or not wanted:
        outcome.fail("no first-key figure: no key came after the Play/Stop hotkey")
        return
    outcome.start_delay = first.time_ms - hotkey_sent_ms - wanted[0][2].due
    if outcome.start_delay > tolerance_ms:
        outcome.fail("the first key came %.1f ms after its due time, counted from the Play/Stop "
                     "hotkey (tolerance %g ms); the keys after it are measured from it" % (
                         outcome.start_delay, tolerance_ms))


def _keys_left_down(received):
    down = set()
    for event in received:
        (down.add if event.direction == "down" else down.discard)(event.vk)
    return down


def compare(expected, received, marks, bindings, tolerance_ms=DEFAULT_TOLERANCE_MS,
            stopped=False, model=None, allowed_notes=None, keys_down=(), release_tolerance_ms=None,
            hotkey_sent_us=None, notes=None, gap=0):
    """model: the song's key events without options; notes: with them, the
    notes they choose (smf_model.notes), played with re-press gap `gap`."""
    outcome = Outcome()
    if release_tolerance_ms is None:
        release_tolerance_ms = tolerance_ms
    if model is not None:
        check_tool_against_model(expected, model, outcome, bindings)
    check_key_names(expected, bindings, outcome)
    wanted = [(bindings.vk_of(event.note), event.direction, event)
              for event in expected if bindings.vk_of(event.note)]
    if allowed_notes is not None:
        stray = sorted({event.note for _, _, event in wanted} - set(allowed_notes))
        if stray:
            outcome.fail("notes that must type nothing are listed with keys: %s" % stray)
    hotkeys = bindings.hotkey_vks
    hotkey_sent_ms = None if hotkey_sent_us is None else hotkey_sent_us / 1000.0
    _check_start(wanted, received, hotkeys, hotkey_sent_ms, tolerance_ms, outcome)
    all_received = received
    received = [event for event in received if event.vk not in hotkeys]

    if not stopped:
        agreed = _match_sequence(wanted, received, outcome, "playback")
        _timing(wanted, received, agreed, tolerance_ms, outcome)
        if notes is not None:
            check_gap_properties(expected, outcome.typed, notes, bindings, gap, tolerance_ms, outcome)
        left = _keys_left_down(received)
        if left:
            outcome.fail("keys still down at the end: %s" % ", ".join(key_name(vk) for vk in sorted(left)))
    else:
        _check_stopped(wanted, received, _stop_moment(all_received, marks, hotkeys), tolerance_ms,
                       release_tolerance_ms, outcome)

    note_vks = {vk for vk in bindings.note_keys if vk}
    still = sorted(set(keys_down) & note_vks)
    if still:
        outcome.fail("the system reports keys still down: %s" % ", ".join(key_name(vk) for vk in still))
    return outcome


def _stop_moment(received, marks, hotkeys):
    """The last mark, or else the last key message of a hotkey: the stop hotkey's release."""
    if marks:
        return marks[-1]
    presses = [event.time_ms for event in received if event.vk in hotkeys]
    return presses[-1] if presses else None


def _check_stopped(wanted, received, stop, tolerance_ms, release_tolerance_ms, outcome):
    if stop is None:
        outcome.fail("no stop mark and no hotkey in the target's log")
        return
    # The releases of the stop: the trailing run of key releases from the
    # tolerance before the stop on (the hotkey's own release may reach the
    # target after Murvane has already acted on its press).
    split = len(received)
    down = _keys_left_down(received)
    while (split > 0 and received[split - 1].direction == "up"
           and received[split - 1].time_ms >= stop - tolerance_ms):
        split -= 1
    before, after = received[:split], received[split:]
    agreed = _match_sequence(wanted[:len(before)], before, outcome, "before the stop")
    _timing(wanted, before, agreed, tolerance_ms, outcome)
    held = _keys_left_down(before)
    if not held:
        outcome.fail("no key was held when playback was stopped; the stop proves nothing")
    for event in after:
        delay = event.time_ms - stop
        if event.vk not in held:
            outcome.fail("after the stop: %s up, which was not down" % key_name(event.vk))
            continue
        outcome.release_after_stop.append(delay)
        if delay > release_tolerance_ms:
            outcome.fail("%s released %.1f ms after the stop (tolerance %g ms)" % (
                key_name(event.vk), delay, release_tolerance_ms))
        held.discard(event.vk)
    if held or down:
        outcome.fail("keys still down after the stop: %s" % ", ".join(
            key_name(vk) for vk in sorted(held | down)))


def summary(outcome, label, tolerance_ms=None):
    parts = ["%s: %d key events" % (label, len(outcome.typed))]
    if outcome.lateness:
        parts.append("lateness against due time, ms: median %+.1f, p99 %+.1f, max %+.1f, min %+.1f" % (
            statistics.median(outcome.lateness), percentile(outcome.lateness, 0.99),
            max(outcome.lateness), min(outcome.lateness)))
    if outcome.start_delay is not None:
        parts.append("first key %+.1f ms after the Play/Stop hotkey's press" % outcome.start_delay)
    if outcome.release_after_stop:
        parts.append("keys released %+.1f ms after the stop at most" % max(outcome.release_after_stop))
    if tolerance_ms is not None:
        parts.append("tolerance %g ms" % tolerance_ms)
    return "; ".join(parts)


def print_keys(outcome, out):
    out.write("Keys the target window received. time: when each arrived, counted so that the\n"
              "first key is at its due time; late: time - due.\n")
    out.write("   time ms    due ms   late ms  key          scan\n")
    for on_song_clock, due, event, expected in outcome.typed:
        out.write("%10.1f %9d %+9.1f  %-4s %-5s  0x%02x%s\n" % (
            on_song_clock, due, on_song_clock - due, expected.key, event.direction,
            event.scan, " ext" if event.extended else ""))


def run_arguments(doc):
    """A parser for the three files every reading of a run takes: the tool's
    list (--cli), the target's log (--recorded) and the INI file (--ini)."""
    parser = argparse.ArgumentParser(description=doc.split("\n")[0])
    parser.add_argument("--cli", required=True)
    parser.add_argument("--recorded", required=True)
    parser.add_argument("--ini", required=True)
    return parser


def read_run(args):
    """The key events listed, the key messages received, the marks, the bindings."""
    expected = parse_cli(pathlib.Path(args.cli).read_text(encoding="utf-8").splitlines())
    received, marks = parse_recorded(pathlib.Path(args.recorded).read_text(encoding="utf-8").splitlines())
    return expected, received, marks, read_bindings(args.ini)


def main(argv=None):
    parser = run_arguments(__doc__)
    parser.add_argument("--model")
    parser.add_argument("--tolerance-ms", type=float, default=DEFAULT_TOLERANCE_MS)
    parser.add_argument("--stopped", action="store_true")
    parser.add_argument("--release-tolerance-ms", type=float,
                        help="how long after the stop the held keys may come up (default: --tolerance-ms)")
    parser.add_argument("--allowed-notes")
    parser.add_argument("--keys-down", default="")
    parser.add_argument("--hotkey-sent-us", type=int,
                        help="when the Play/Stop hotkey's press was sent, on the log's clock")
    parser.add_argument("--unmodified", action="store_true")
    parser.add_argument("--label", default="keys")
    parser.add_argument("--print-keys", action="store_true")
    args = parser.parse_args(argv)

    expected, received, marks, bindings = read_run(args)
    modified = []
    if args.unmodified:
        received = [event for event in received if event.vk not in MODIFIER_VKS]
        modified = [event for event in received if event.mods and event.vk not in bindings.hotkey_vks]
    model = notes = None
    options = smf_model.options_from_ini(_decode_ini(pathlib.Path(args.ini).read_bytes()))
    if args.model and options.is_default():
        model = smf_model.key_events(pathlib.Path(args.model).read_bytes())
    elif args.model:
        notes = smf_model.notes(pathlib.Path(args.model).read_bytes(), options)
    allowed = [int(note) for note in args.allowed_notes.split(",")] if args.allowed_notes else None
    keys_down = [int(vk, 16) for vk in args.keys_down.split()]
    outcome = compare(expected, received, marks, bindings, args.tolerance_ms,
                      args.stopped, model, allowed, keys_down, args.release_tolerance_ms,
                      args.hotkey_sent_us, notes, options.gap)
    for event in modified[:1]:
        outcome.fail("%d key(s) arrived with a modifier down (mods=0x%x), the first %s %s" % (
            len(modified), event.mods, key_name(event.vk), event.direction))
    if args.unmodified and (outcome.start_delay or 0) < -args.tolerance_ms:
        outcome.fail("the first key came %.1f ms before its due time counted from the hotkey's release" %
                     -outcome.start_delay)
    if args.print_keys:
        print_keys(outcome, sys.stdout)
    print(summary(outcome, args.label, args.tolerance_ms))
    for error in outcome.errors:
        print("FAIL: " + error)
    return 1 if outcome.errors else 0


if __name__ == "__main__":
    sys.exit(main())

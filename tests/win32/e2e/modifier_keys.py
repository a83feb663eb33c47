#!/usr/bin/env python3
"""Checks a run played with a layout whose notes need Shift or Ctrl.

    modifier_keys.py --cli CLI.txt --recorded TARGET.log --ini Murvane.ini
                     [--tolerance-ms MS] [--lead-floor-ms MS] [--keys-down "0xNN ..."]
                     [--hotkey-sent-us US] [--label NAME] [--print-keys]

The files are those of compare_keys.py. With a layout the tool names a key
with its modifiers ("Shift + 1", "Ctrl + C"), and under ModifierHold=N it
lists the modifier's own changes ("AT down - Shift") and the sustain key's
("AT down - Space"). What must hold, as properties of the keys received:

- the note keys (and the sustain key) arrive in the tool's order, modifiers
  aside. The keyboard sends a press whose modifier is not already held after
  the plain events of its millisecond, so within one due millisecond those
  presses may come after the others, in their own order;
- every press arrives with exactly the modifiers the tool names for it down:
  a plain key never goes down while Shift or Ctrl is, a "Shift + " key never
  without Shift;
- ModifierHold=0: each such press arrives as modifier down, key down,
  modifier up, one after the other;
- ModifierHold=N: the modifier's windows (down to up) are the tool's, one for
  one, and each holds its presses. Its lead (modifier down to the first
  press) and trail (last press to modifier up) are those the tool lists (N,
  or a shorter lead where the tool had to start the window as the modifier
  before it came up) within the floor in the median window, and in every
  window no more than the tolerance longer. A single window may come short:
  its down and its key are two batches, and a late wake-up for one of them
  (the machine's load, not the program) shortens it; the program keeps
  their order, which the rule above checks in every window. The floor covers
  the timer's granularity (measured under Wine: see the README);
- nothing (note keys, Shift, Ctrl, the sustain key) is left down, in the log
  or in the system's key state at the end;
- each note key within the tolerance of its due time, counted from the
  song's start as the earliest key places it (not from the first key, which
  a busy machine may delay alone), and sent when the log says it was queued
  for the window (the recorder's queued=, in whole milliseconds): a key that
  waited while our window was descheduled was on time. The lead and trail
  are measured as the keys arrived, to the microsecond.

Prints the lateness and the modifier's lead and trail; exits 1 with the
reasons when a check fails.
"""
import copy
import pathlib
import statistics
import sys

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent))
import compare_keys  # noqa: E402
import smf_model  # noqa: E402

# Wine may report the left or right form of a modifier.
MODIFIER_OF_VK = {0x10: "Shift", 0xA0: "Shift", 0xA1: "Shift", 0x11: "Ctrl", 0xA2: "Ctrl", 0xA3: "Ctrl"}
MODIFIERS = ("Ctrl", "Shift")  # the order the key configuration window writes them in
LONGEST_HOLD_MS = 50
DEFAULT_LEAD_FLOOR_MS = 3.0

_VK_OF_NAME = {}
for _vk, _name in sorted(compare_keys.KEY_NAMES.items()):
    # Two OEM keys are both called "\\": that name cannot say which was meant.
    _VK_OF_NAME[_name] = None if _name in _VK_OF_NAME else _vk


def key_of_name(text):
    """"Shift + 1" -> (("Shift",), 0x31); raises ValueError for a name that says no one key."""
    parts = text.split(" + ")
    modifiers, name = tuple(parts[:-1]), parts[-1]
    if any(part not in MODIFIERS for part in modifiers) or list(modifiers) != sorted(
            set(modifiers), key=MODIFIERS.index):
        raise ValueError("modifiers of %r" % text)
    vk = _VK_OF_NAME.get(name)
    if vk is None:
        raise ValueError("no one key is called %r" % name)
    return modifiers, vk


class Listed:
    """One line of the tool's list as a key: a note's key with its modifiers,
    the sustain key, or (vk None) a modifier held on its own."""

    def __init__(self, event):
        self.event, self.due, self.direction = event, event.due, event.direction
        self.held_modifier = None
        if event.note is None and event.key in MODIFIERS:
            self.held_modifier, self.modifiers, self.vk = event.key, (), None
        else:
            self.modifiers, self.vk = key_of_name(event.key)
        self.wrapped = False  # a press the keyboard sends inside its own modifier's down and up


def read_listing(expected):
    """The tool's lines as Listed, each press marked wrapped when its modifier is not held then."""
    listed, held = [], set()
    for event in expected:
        item = Listed(event)
        if item.held_modifier:
            (held.add if item.direction == "down" else held.discard)(item.held_modifier)
        elif item.direction == "down" and item.modifiers:
            item.wrapped = not set(item.modifiers) <= held
        listed.append(item)
    return listed


def arrival_order(listed):
    """The keys (modifiers aside) in the order they must arrive: within one due
    millisecond the wrapped presses after the rest."""
    keys = [item for item in listed if item.vk is not None]
    order = []
    for due in sorted({item.due for item in keys}):
        batch = [item for item in keys if item.due == due]
        order += [item for item in batch if not item.wrapped] + [item for item in batch if item.wrapped]
    return order


class Window:
    """A modifier down, the presses made while it was, its up (times in ms)."""

    def __init__(self, modifier, down):
        self.modifier, self.down, self.up, self.presses = modifier, down, None, []

    @property
    def lead(self):
        return self.presses[0] - self.down if self.presses else None

    @property
    def trail(self):
        return self.up - self.presses[-1] if self.presses and self.up is not None else None


def listed_windows(listed):
    """The tool's modifier windows, per modifier in order."""
    windows, open_ = {}, {}
    for item in listed:
        if item.held_modifier and item.direction == "down":
            open_[item.held_modifier] = Window(item.held_modifier, item.due)
        elif item.held_modifier and item.held_modifier in open_:
            window = open_.pop(item.held_modifier)
            window.up = item.due
            windows.setdefault(window.modifier, []).append(window)
        elif item.direction == "down":
            for modifier in item.modifiers:
                if modifier in open_:
                    open_[modifier].presses.append(item.due)
    return windows


class Outcome(compare_keys.Outcome):
    def __init__(self):
        super().__init__()
        self.leads, self.trails = [], []  # ms, one per modifier window
        self.off_listed = {}  # "lead"/"trail" -> ms received less listed, per window (ModifierHold only)


def check_listing(listed, hold, outcome):
    """The tool's own windows against ModifierHold: each lead and trail N, a
    lead cut short only where the window starts as the modifier before it ends."""
    if hold == 0:
        if any(item.held_modifier for item in listed):
            outcome.fail("murvane-cli keys lists a modifier on its own, with ModifierHold=0")
        return
    ups = {item.due for item in listed if item.held_modifier and item.direction == "up"}
    for modifier, windows in sorted(listed_windows(listed).items()):
        for window in windows:
            what = "murvane-cli keys: the %s window at %d ms" % (modifier, window.down)
            if not window.presses:
                outcome.fail("%s holds no press" % what)
            elif window.trail != hold:
                outcome.fail("%s trails its last press by %d ms, not %d" % (what, window.trail, hold))
            elif window.lead != hold and not (window.lead < hold and (window.down in ups or window.down == 0)):
                outcome.fail("%s leads its first press by %d ms, not %d" % (what, window.lead, hold))
    wrapped = [item for item in listed if item.wrapped]
    if wrapped:
        outcome.fail("murvane-cli keys: %s at %d ms has no %s held, with ModifierHold=%d" % (
            wrapped[0].event.key, wrapped[0].due, "/".join(wrapped[0].modifiers), hold))


def _names(vks):
    return ", ".join(MODIFIER_OF_VK.get(vk) or compare_keys.key_name(vk) for vk in sorted(vks))


def check_modifiers(wanted, agreed, stream, outcome, offset=0.0):
    """Walks every key message (hotkeys aside): each press with exactly its
    modifiers down, a wrapped one right between them; returns the windows
    received, per modifier in order. Times are told less `offset`: on the song's clock."""
    held = {}      # modifier -> its open Window
    windows = {}
    down = set()   # every key down, modifiers by their virtual key as received
    key_index = 0
    for position, event in enumerate(stream):
        (down.add if event.direction == "down" else down.discard)(event.vk)
        modifier = MODIFIER_OF_VK.get(event.vk)
        if modifier:
            if event.direction == "down":
                if modifier in held:
                    outcome.fail("%s down at %.1f ms while already down" % (modifier, event.time_ms - offset))
                held[modifier] = Window(modifier, event.time_ms)
            elif modifier not in held:
                outcome.fail("%s up at %.1f ms while not down" % (modifier, event.time_ms - offset))
            else:
                window = held.pop(modifier)
                window.up = event.time_ms
                windows.setdefault(modifier, []).append(window)
            continue
        item = wanted[key_index][2] if key_index < agreed else None
        key_index += 1
        if event.direction != "down" or item is None:
            continue
        name = item.event.key
        if set(held) != set(item.modifiers):
            outcome.fail("%s went down at %.1f ms with %s down" % (
                name, event.time_ms - offset, " and ".join(sorted(held)) or "no modifier"))
        for modifier in item.modifiers:
            if modifier in held:
                held[modifier].presses.append(event.time_ms)
        if item.wrapped and not _wrapped_at(stream, position, item.modifiers):
            outcome.fail("%s at %.1f ms is not right between its modifiers' down and up: %s" % (
                name, event.time_ms - offset, _around(stream, position)))
    if down:
        outcome.fail("keys still down at the end: %s" % _names(down))
    return windows


def _wrapped_at(stream, position, modifiers):
    count = len(modifiers)
    before, after = stream[max(0, position - count):position], stream[position + 1:position + 1 + count]
    return (len(before) == count and len(after) == count
            and sorted(MODIFIER_OF_VK.get(e.vk, "") for e in before if e.direction == "down") == sorted(modifiers)
            and sorted(MODIFIER_OF_VK.get(e.vk, "") for e in after if e.direction == "up") == sorted(modifiers))


def _around(stream, position):
    return ", ".join(("->" if index == position else "") + "%s %s" % (
        MODIFIER_OF_VK.get(stream[index].vk) or compare_keys.key_name(stream[index].vk), stream[index].direction)
        for index in range(max(0, position - 2), min(len(stream), position + 3)))


def check_windows(listed_by_modifier, received_by_modifier, hold, floor_ms, tolerance_ms, outcome):
    """With ModifierHold, each window received against the one the tool lists."""
    lead_shortfalls, trail_shortfalls = [], []
    for modifier in sorted(set(listed_by_modifier) | set(received_by_modifier)):
        listed = listed_by_modifier.get(modifier, [])
        received = received_by_modifier.get(modifier, [])
        if len(listed) != len(received):
            outcome.fail("%s went down %d times; murvane-cli keys lists %d" % (modifier, len(received), len(listed)))
        for wanted, got in zip(listed, received):
            what = "the %s window due at %d ms" % (modifier, wanted.down)
            if got.lead is None:
                outcome.fail("%s: no key pressed while %s was down" % (what, modifier))
                continue
            outcome.leads.append(got.lead)
            outcome.trails.append(got.trail)
            if hold == 0 or wanted.lead is None:
                continue
            lead_shortfalls.append(wanted.lead - got.lead)
            trail_shortfalls.append(wanted.trail - got.trail)
            # Held on far beyond its keys, as a key would be late.
            if got.lead > wanted.lead + tolerance_ms or got.trail > wanted.trail + tolerance_ms:
                outcome.fail("%s: %s down %.1f ms before its first key and up %.1f ms after its last "
                             "(listed %d and %d, tolerance %g)" % (what, modifier, got.lead, got.trail,
                                                                  wanted.lead, wanted.trail, tolerance_ms))
    # One window is two batches of keys: a wake-up late for one and not the
    # other shortens it, as the machine's load decides. A program that does
    # not hold the modifier for N shortens them all, so the typical window
    # must keep its length.
    for name, shortfalls in (("lead", lead_shortfalls), ("trail", trail_shortfalls)):
        if shortfalls:
            outcome.off_listed[name] = [-shortfall for shortfall in shortfalls]
        if shortfalls and abs(statistics.median(shortfalls)) > floor_ms:
            outcome.fail("the modifier's %s differs from the listed one by %+.1f ms in the median window "
                         "(floor %g ms; worst %+.1f)" % (name, -statistics.median(shortfalls), floor_ms,
                                                         -max(shortfalls)))


def compare(expected, received, bindings, hold, tolerance_ms=compare_keys.DEFAULT_TOLERANCE_MS,
            floor_ms=DEFAULT_LEAD_FLOOR_MS, keys_down=(), hotkey_sent_us=None):
    outcome = Outcome()
    try:
        listed = read_listing(expected)
    except ValueError as error:
        outcome.fail("murvane-cli keys names a key this test cannot read: %s" % error)
        return outcome
    check_listing(listed, hold, outcome)
    wanted = [(item.vk, item.direction, item) for item in arrival_order(listed)]
    hotkeys = bindings.hotkey_vks
    stream = [event for event in received if event.vk not in hotkeys]
    keys = [event for event in stream if event.vk not in MODIFIER_OF_VK]
    # The first-key figure and the timing count from the due times, and from
    # when each key was sent: one that waited for our window (descheduled on
    # a busy machine) was not late.
    timed = [(vk, direction, item.event) for vk, direction, item in wanted]
    hotkey_sent_ms = None if hotkey_sent_us is None else hotkey_sent_us / 1000.0
    compare_keys._check_start(timed, as_sent(received), hotkeys, hotkey_sent_ms, tolerance_ms, outcome)
    agreed = compare_keys._match_sequence(wanted, keys, outcome, "note keys, modifiers aside")
    sent = as_sent(keys)
    # The song's start on the log's clock: where the earliest key, against its
    # due time, puts it. A first key late on a busy machine would otherwise
    # make every key after it look early, and one late key later by as much.
    offset = min((sent[index].time_ms - wanted[index][2].due for index in range(agreed)), default=0.0)
    compare_keys._timing(timed, sent, agreed, tolerance_ms, outcome, offset)
    windows = check_modifiers(wanted, agreed, stream, outcome, offset)
    check_windows(listed_windows(listed) if hold else windows, windows, hold, floor_ms, tolerance_ms, outcome)
    watched = set(MODIFIER_OF_VK) | {item.vk for item in listed if item.vk is not None}
    still = sorted(set(keys_down) & watched)
    if still:
        outcome.fail("the system reports keys still down: %s" % _names(still))
    return outcome


def as_sent(events):
    """The key messages at the moment they were sent: received, less how long they were queued."""
    sent = []
    for event in events:
        moved = copy.copy(event)
        moved.time_ms -= event.queued_ms
        sent.append(moved)
    return sent


def modifier_hold(ini_text):
    return smf_model._decimal(smf_model.ini_section(ini_text, "options").get("modifierhold"), 0,
                              LONGEST_HOLD_MS, 0)


def summary(outcome, label, tolerance_ms=None):
    text = compare_keys.summary(outcome, label, tolerance_ms)
    for name, values in (("lead", outcome.leads), ("trail", outcome.trails)):
        if values:
            text += "; modifier %s, ms: median %.2f, min %.2f, max %.2f" % (
                name, statistics.median(values), min(values), max(values))
        if name in outcome.off_listed:
            text += " (less the listed: median %+.2f)" % statistics.median(outcome.off_listed[name])
    return text + "; %d modifier windows" % len(outcome.leads)


def main(argv=None):
    parser = compare_keys.run_arguments(__doc__)
    parser.add_argument("--tolerance-ms", type=float, default=compare_keys.DEFAULT_TOLERANCE_MS)
    parser.add_argument("--lead-floor-ms", type=float, default=DEFAULT_LEAD_FLOOR_MS)
    parser.add_argument("--keys-down", default="")
    parser.add_argument("--hotkey-sent-us", type=int)
    parser.add_argument("--label", default="keys")
    parser.add_argument("--print-keys", action="store_true")
    args = parser.parse_args(argv)

    expected, received, _, bindings = compare_keys.read_run(args)
    hold = modifier_hold(compare_keys._decode_ini(pathlib.Path(args.ini).read_bytes()))
    outcome = compare(expected, received, bindings, hold, args.tolerance_ms, args.lead_floor_ms,
                      [int(vk, 16) for vk in args.keys_down.split()], args.hotkey_sent_us)
    if args.print_keys:
        compare_keys.print_keys(outcome, sys.stdout)
    print(summary(outcome, "%s, ModifierHold=%d" % (args.label, hold), args.tolerance_ms))
    for error in outcome.errors:
        print("FAIL: " + error)
    return 1 if outcome.errors else 0


if __name__ == "__main__":
    sys.exit(main())

"""What the re-press gap may do to the notes the options choose, as properties.

The gap's schedule is not recomputed here: a second copy of its algorithm
would share its mistakes. Instead the key events, by key, must keep to what
the gap promises with G ms (G = 0 with any other option changed keeps only
the same-millisecond rule):

- each key goes down and up in turn, and ends up;
- two events of one key are at least G ms apart;
- note-ons of one key due in the same millisecond are one press;
- every press serves one due note-on of its key, no earlier than it and no
  more than G after it; a note-on is left without its press only where
  another of the same key is due less than 2G away;
- a release comes no earlier than the end of the note its press served,
  unless the key's next press needs it (G before that press), and no more
  than 2G after that end, or after the end of a note whose press was skipped
  (its release goes with it).

`slack` widens every bound by that many milliseconds, for times measured on
arrival rather than listed.
"""
import collections


def _by_key(events):
    keyed = collections.defaultdict(list)
    for time, kind, key in events:
        keyed[key].append((time, kind))
    return keyed


def _served_notes(notes):
    """Per key: [(note-on ms, end ms)] with the note-ons of one millisecond as one,
    ending when the last of them ends."""
    starts = collections.defaultdict(list)  # key -> [[on, end or None, sounding count]]
    for time, kind, key in notes:
        runs = starts[key]
        if kind == "on":
            if runs and runs[-1][0] == time:
                runs[-1][2] += 1
            else:
                runs.append([time, None, 1])
            continue
        # A note-off ends the oldest run of its key still sounding.
        for run in runs:
            if run[2] > 0:
                run[2] -= 1
                if run[2] == 0:
                    run[1] = time
                break
    return {key: [(on, on if end is None else end) for on, end, _ in runs] for key, runs in starts.items()}


def check(notes, events, gap, slack=0.0, name=str):
    """notes: [(due ms, 'on'|'off', key)] from the model; events: [(ms, 'down'|'up', key)]
    as typed or listed. Returns the faults found, as sentences."""
    faults = []
    served = _served_notes(notes)
    for key, typed in sorted(_by_key(events).items()):
        faults += _check_key(name(key), served.get(key, []), typed, gap, slack)
    for key in sorted(set(served) - set(_by_key(events))):
        faults.append("%s: %d note-ons, no press" % (name(key), len(served[key])))
    return faults


def _check_key(label, runs, typed, gap, slack):
    faults = []
    for index, (time, kind) in enumerate(typed):
        if kind != ("down" if index % 2 == 0 else "up"):
            faults.append("%s: %s at %g ms out of turn" % (label, kind, time))
            return faults
        if index and time - typed[index - 1][0] < gap - slack:
            faults.append("%s: %s at %g ms only %g ms after the event before" % (
                label, kind, time, time - typed[index - 1][0]))
    if len(typed) % 2:
        faults.append("%s: still down at the end" % label)
    presses = [time for time, kind in typed if kind == "down"]
    releases = [time for time, kind in typed if kind == "up"]

    # Each press serves the earliest note-on it can; the ones passed over are
    # the missing presses.
    served_by = []  # per press: index of its run
    run = 0
    for press in presses:
        while run < len(runs) and runs[run][0] + gap + slack < press:
            faults += _missing(label, runs, run, gap)
            run += 1
        if run == len(runs) or press < runs[run][0] - slack:
            faults.append("%s: press at %g ms serves no note-on (due %s)" % (
                label, press, ", ".join("%d" % on for on, _ in runs) or "none"))
            return faults
        served_by.append(run)
        run += 1
    for rest in range(run, len(runs)):
        faults += _missing(label, runs, rest, gap)

    for number, release in enumerate(releases[:len(served_by)]):
        first = served_by[number]
        last = served_by[number + 1] if number + 1 < len(served_by) else len(runs)
        # A skipped note-on's release goes with it: the key may come up at the
        # end of its own note or of a skipped one.
        end, latest = runs[first][1], max(runs[index][1] for index in range(first, last))
        if release > latest + 2 * gap + slack:
            faults.append("%s: released at %g ms, more than 2G after its note's end at %d ms" % (
                label, release, latest))
        needed = presses[number + 1] - gap if number + 1 < len(presses) else end
        if release < min(end, needed) - slack:
            faults.append("%s: released at %g ms, before its note's end at %d ms" % (label, release, end))
    return faults


def _missing(label, runs, index, gap):
    on = runs[index][0]
    near = [runs[other][0] for other in (index - 1, index + 1) if 0 <= other < len(runs)]
    if any(abs(on - other) < 2 * gap for other in near):
        return []
    return ["%s: the note-on due at %d ms has no press" % (label, on)]

"""A second, independent account of what playing a MIDI file types.

Reads a Standard MIDI File (format 0 or 1) and lists the key events that
playback on the first channel produces, with the due time of each in whole
milliseconds from the start. It is written from the file format and the
playback rules, not from the program's code, so that the end-to-end test can
catch a fault that the program and murvane-cli would share:

- every track starts with its own first delta-time (a track may enter late);
- events on the same tick come in track order, then in file order;
- a note-on with velocity above 0 presses, a note-off or a note-on with
  velocity 0 releases, key pressure does nothing; channels 2-16 type nothing;
- time is exact: each event is due at the exact sum of tempo x delta /
  division over the events before it, rounded down to the microsecond, then
  to the nearest millisecond (half up); a set-tempo event shorter than three
  bytes is ignored.
"""
import re
from fractions import Fraction

DEFAULT_TEMPO = 500000


class SmfError(ValueError):
    pass


def _read_vlq(data, position, end):
    value = 0
    for _ in range(4):
        if position >= end:
            raise SmfError("variable-length quantity runs past the chunk")
        byte = data[position]
        position += 1
        value = (value << 7) | (byte & 0x7F)
        if not byte & 0x80:
            return value, position
    raise SmfError("variable-length quantity longer than four bytes")


def _read_track(data, begin, end):
    """Yields (absolute tick, status, payload bytes) for every event of one track."""
    tick = 0
    position = begin
    running = 0
    while position < end:
        delta, position = _read_vlq(data, position, end)
        tick += delta
        if position >= end:
            break  # a delta-time with no event after it
        status = data[position]
        if status & 0x80:
            position += 1
        else:
            status = running
            if status < 0x80:
                raise SmfError("running status with no status before it")
        if status < 0xF0:
            running = status
            size = 1 if (status & 0xF0) in (0xC0, 0xD0) else 2
            payload = data[position:position + size]
            position += size
        elif status in (0xF0, 0xF7):
            length, position = _read_vlq(data, position, end)
            payload = data[position:position + length]
            position += length
        elif status == 0xFF:
            kind = data[position]
            length, position = _read_vlq(data, position + 1, end)
            payload = bytes([kind]) + data[position:position + length]
            position += length
        else:
            raise SmfError("status byte 0x%02x" % status)
        if position > end:
            raise SmfError("event runs past the chunk")
        yield tick, status, payload


def read_events(data):
    """Returns (division, events in playing order as (tick, status, payload))."""
    data = bytes(data)
    if data[:4] != b"MThd" or int.from_bytes(data[4:8], "big") != 6:
        raise SmfError("no MThd header")
    format_ = int.from_bytes(data[8:10], "big")
    tracks = int.from_bytes(data[10:12], "big")
    division = int.from_bytes(data[12:14], "big")
    if format_ not in (0, 1) or division & 0x8000 or division == 0:
        raise SmfError("unsupported format or division")
    merged = []
    position = 14
    for number in range(tracks):
        if data[position:position + 4] != b"MTrk":
            raise SmfError("track %d missing" % number)
        length = int.from_bytes(data[position + 4:position + 8], "big")
        begin, end = position + 8, position + 8 + length
        if end > len(data):
            raise SmfError("track %d runs past the file" % number)
        for order, (tick, status, payload) in enumerate(_read_track(data, begin, end)):
            merged.append((tick, number, order, status, payload))
        position = end
    merged.sort(key=lambda event: event[:3])
    return division, [(tick, status, payload) for tick, _, _, status, payload in merged]


FIRST_NOTE, LAST_NOTE = 48, 84


class Options:
    """The Options section as it plays: a missing or out-of-range value is the default."""

    def __init__(self, channels=0x0001, transpose=0, fold=False, speed=100, gap=0):
        self.channels, self.transpose, self.fold, self.speed, self.gap = channels, transpose, fold, speed, gap

    def is_default(self):
        return (self.channels, self.transpose, self.fold, self.speed, self.gap) == (0x0001, 0, False, 100, 0)


def _decimal(text, lowest, highest, default):
    if text is None or not re.fullmatch(r"[+-]?[0-9]+", text):
        return default
    value = int(text)
    return value if lowest <= value <= highest else default


def ini_section(text, name):
    """The keys of one section, lowercased, each with the first value given it."""
    values = {}
    section = None
    for line in text.splitlines():
        line = line.strip()
        if line.startswith("[") and line.endswith("]"):
            section = line[1:-1].strip().lower()
        elif section == name and "=" in line:
            key, value = line.split("=", 1)
            values.setdefault(key.strip().lower(), value.strip())
    return values


def options_from_ini(text):
    values = ini_section(text, "options")
    channels = values.get("channels", "")
    channels = int(channels[2:], 16) if re.fullmatch(r"0[xX][0-9a-fA-F]{1,4}", channels) else 0
    return Options(channels or 0x0001, _decimal(values.get("transpose"), -48, 48, 0),
                   _decimal(values.get("foldoctaves"), 0, 1, 0) == 1,
                   _decimal(values.get("speed"), 25, 400, 100), _decimal(values.get("repressgap"), 0, 200, 0))


def mapped_note(note, options):
    """The note as the options make it (outside C3-C6 it types nothing)."""
    note += options.transpose
    if options.fold:
        while note < FIRST_NOTE:
            note += 12
        while note > LAST_NOTE:
            note -= 12
    return note


def notes(data, options=Options()):
    """Returns [(due ms, 'on' or 'off', note)] of the chosen channels, mapped, in order."""
    division, events = read_events(data)
    tempo = DEFAULT_TEMPO
    exact = Fraction(0)
    previous_tick = 0
    result = []
    for tick, status, payload in events:
        exact += Fraction(tempo * (tick - previous_tick) * 100, division * options.speed)
        previous_tick = tick
        due = (int(exact) + 500) // 1000
        if status == 0xFF:
            if payload[0] == 0x51 and len(payload) >= 4:
                tempo = int.from_bytes(payload[1:4], "big")
        elif status < 0xF0 and options.channels >> (status & 0x0F) & 1:
            kind = status & 0xF0
            if kind == 0x90 and payload[1] > 0:
                result.append((due, "on", mapped_note(payload[0], options)))
            elif kind in (0x80, 0x90):
                result.append((due, "off", mapped_note(payload[0], options)))
    return result


def key_events(data):
    """Returns [(due ms, 'down' or 'up', note)] for the first channel's notes, in order (no options)."""
    return [(due, "down" if kind == "on" else "up", note) for due, kind, note in notes(data)]

"""Standard MIDI Files written byte by byte: the one writer behind the
example song, the loader's test files and the end-to-end songs.

Every function returns bytes, so a file is spelled out as the sum of its
parts. Multi-byte numbers are big-endian, as the format wants.
"""
import struct


def vlq(value):
    """A variable-length quantity in its shortest form."""
    groups = [value & 0x7F]
    value >>= 7
    while value:
        groups.append(0x80 | (value & 0x7F))
        value >>= 7
    return bytes(reversed(groups))


def timed_events(events):
    """Track data from (absolute tick, raw event bytes) pairs, in the order
    given, closed by End of Track."""
    data = bytearray()
    now = 0
    for tick, raw in events:
        data += vlq(tick - now) + raw
        now = tick
    return bytes(data + vlq(0) + b"\xff\x2f\x00")


def chunk(kind, data):
    """A chunk: its four-letter kind, the data's length, the data."""
    return kind + struct.pack(">I", len(data)) + data


def header(fmt, tracks, division):
    """The "MThd" chunk: format, track count, ticks per quarter note."""
    return chunk(b"MThd", struct.pack(">HHH", fmt, tracks, division))


def track(data):
    """One "MTrk" chunk around track data (delta-times and events)."""
    return chunk(b"MTrk", data)


def smf(fmt, division, *track_data):
    """A whole file: the header for the given tracks' data, then their chunks."""
    return header(fmt, len(track_data), division) + b"".join(track(data) for data in track_data)

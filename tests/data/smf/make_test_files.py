#!/usr/bin/env python3
"""Writes the small Standard MIDI Files in this folder, byte by byte.

They serve the murvane-cli check test and seed the loader's fuzzer. Running
the script again gives the same bytes.
"""
import pathlib
import struct
import sys

HERE = pathlib.Path(__file__).resolve().parent
sys.path.insert(0, str(HERE.parents[2] / "scripts" / "lib"))
from smf_writer import header, smf, vlq  # noqa: E402


def note_on(delta, channel, key, velocity=0x40):
    return vlq(delta) + bytes([0x90 | channel, key, velocity])


def note_off(delta, channel, key):
    return vlq(delta) + bytes([0x80 | channel, key, 0x40])


# Format 1, division 480. The conductor carries a 200-byte text and the
# tempo; the melody enters at tick 480, after a controller 127, and holds a
# 300-byte sysex. Channel-1 note-ons with velocity > 0: 60, 47, 85, 48, 84
# (47 and 85 lie outside C3-C6). Not counted: a note-on with velocity 0 and a
# note on channel 2. 17 events in all.
TWO_TRACKS = smf(
    1, 480,
    vlq(0) + b"\xff\x01" + vlq(200) + b"A" * 200             # text, 200 bytes
    + vlq(0) + b"\xff\x51\x03\x07\xa1\x20"                     # tempo 500000
    + vlq(0) + b"\xff\x2f\x00",                                # end of track
    vlq(0) + b"\xb0\x7f\x00"                                   # controller 127 (poly on)
    + note_on(480, 0, 60)
    + vlq(0) + b"\xf0" + vlq(300) + b"\x43" + b"\x10" * 298 + b"\xf7"  # sysex, 300 bytes
    + note_on(0, 1, 62)                                        # channel 2
    + note_off(240, 0, 60)
    + note_on(0, 0, 47) + vlq(240) + b"\x2f\x00"               # running status, velocity 0
    + note_on(0, 0, 85) + note_off(240, 0, 85)
    + note_on(0, 0, 48) + note_on(0, 0, 84)
    + note_off(480, 0, 48) + note_off(0, 0, 84)
    + vlq(0) + b"\xff\x2f\x00",
)

# Format 0, division 96: a C major scale on channel 1 with running status.
SCALE = bytes()
for key in (60, 62, 64, 65, 67, 69, 71, 72):
    SCALE += vlq(0) + bytes([0x90, key, 0x50]) if not SCALE else vlq(0) + bytes([key, 0x50])
    SCALE += vlq(48) + bytes([key, 0x00])
FORMAT_0 = smf(0, 96, vlq(0) + b"\xc0\x00" + SCALE + vlq(0) + b"\xff\x2f\x00")

FILES = {
    "two-tracks.mid": TWO_TRACKS,
    "format-0.mid": FORMAT_0,
    "no-tracks.mid": header(0, 0, 96),
    # The track chunk claims 64 bytes more than the file holds.
    "truncated.mid": FORMAT_0[:18] + struct.pack(">I", len(FORMAT_0) - 22 + 64) + FORMAT_0[22:],
    "format-2.mid": smf(2, 96, vlq(0) + b"\xff\x2f\x00"),
    "smpte-division.mid": smf(1, 0xE728, vlq(0) + b"\xff\x2f\x00"),
}

for name, data in FILES.items():
    (HERE / name).write_bytes(data)

#!/usr/bin/env python3
"""Writes examples/ode-to-joy.mid: Beethoven's "Ode to Joy" (public domain).

Format 1, division 480: a conductor track with the tempo and a melody track
on MIDI channel 1 (channel 0 in the file), every note within C3-C6, so that
every note types a key with the default bindings. Deterministic: running it
again gives the same bytes.
"""
import pathlib
import sys

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent / "lib"))
from smf_writer import header, track, vlq  # noqa: E402

DIVISION = 480
QUARTER = DIVISION

# Note numbers: C4 = 60.
C4, D4, E4, F4, G4, A4, B4, C5 = 60, 62, 64, 65, 67, 69, 71, 72
G3, C3 = 55, 48

# (note, length in quarters); the last phrase ends on a C major chord.
PHRASE_A = [(E4, 1), (E4, 1), (F4, 1), (G4, 1), (G4, 1), (F4, 1), (E4, 1), (D4, 1),
            (C4, 1), (C4, 1), (D4, 1), (E4, 1)]
MELODY = (PHRASE_A + [(E4, 1.5), (D4, 0.5), (D4, 2)] +
          PHRASE_A + [(D4, 1.5), (C4, 0.5), (C4, 2)])


def conductor_track():
    events = bytearray()
    title = b"Ode to Joy"
    events += vlq(0) + b"\xff\x03" + vlq(len(title)) + title
    events += vlq(0) + b"\xff\x58\x04\x04\x02\x18\x08"          # 4/4
    events += vlq(0) + b"\xff\x51\x03" + (600000).to_bytes(3, "big")  # 100 bpm
    events += vlq(0) + b"\xff\x2f\x00"
    return track(bytes(events))


def melody_track():
    events = bytearray()
    events += vlq(0) + b"\xc0\x00"  # piano
    gap = 0
    for note, quarters in MELODY:
        length = int(quarters * QUARTER)
        sounding = length - QUARTER // 8  # a short gap so repeated notes retype
        events += vlq(gap) + bytes([0x90, note, 96])
        events += vlq(sounding) + bytes([0x80, note, 64])
        gap = length - sounding
    chord = (C3, G3, C4, E4, G4, C5)
    for index, note in enumerate(chord):
        events += vlq(gap if index == 0 else 0) + bytes([0x90, note, 96])
    for index, note in enumerate(chord):
        events += vlq(2 * QUARTER if index == 0 else 0) + bytes([0x80, note, 64])
    events += vlq(0) + b"\xff\x2f\x00"
    return track(bytes(events))


def main():
    target = pathlib.Path(sys.argv[1]) if len(sys.argv) > 1 else \
        pathlib.Path(__file__).resolve().parent.parent / "examples" / "ode-to-joy.mid"
    target.parent.mkdir(parents=True, exist_ok=True)
    target.write_bytes(header(1, 2, DIVISION) + conductor_track() + melody_track())
    print(target)


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""Writes a chord-dense song for the chord benchmark under Wine.

    make_chord_song.py OUT.mid [SECONDS]

Format 0, division 480, the default tempo (500000 us per quarter note): a
three-note chord every 125 ms, each held 100 ms, its notes drawn from C3-C6
with a fixed seed, so the same bytes on every run. Every chord is three key
presses due in one millisecond and three releases due in another. Default
length: 60 seconds.
"""
import pathlib
import random
import sys

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[2] / "scripts" / "lib"))
import smf_writer  # noqa: E402
from smf_writer import vlq  # noqa: E402

DIVISION = 480
CHORD_EVERY_TICKS = 120  # 125 ms
HELD_TICKS = 96          # 100 ms


def chord_song(seconds):
    chords = seconds * 1000 // 125
    generator = random.Random(18)
    data = bytearray()
    for _ in range(chords):
        notes = generator.sample(range(48, 85), 3)
        for index, note in enumerate(notes):
            data += vlq(0 if index else CHORD_EVERY_TICKS - HELD_TICKS) + bytes([0x90, note, 96])
        for index, note in enumerate(notes):
            data += vlq(0 if index else HELD_TICKS) + bytes([0x80, note, 0])
    data += vlq(0) + b"\xff\x2f\x00"
    return smf_writer.smf(0, DIVISION, bytes(data))


def main(argv):
    if len(argv) not in (2, 3):
        sys.stderr.write(__doc__)
        return 64
    seconds = int(argv[2]) if len(argv) == 3 else 60
    pathlib.Path(argv[1]).write_bytes(chord_song(seconds))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))

#!/usr/bin/env python3
"""Writes a dense song for gap_lateness: two minutes at 150 BPM on four
channels, with what makes a re-press gap work: sixteenth notes repeated on
one pitch (legato and detached), a melody doubled an octave lower (folded
onto the same keys), a unison on two channels, and chords struck again on
every eighth. Deterministic: the same bytes every time.

    make_dense_song.py OUT.mid
"""
import pathlib
import random
import sys

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[2] / "scripts" / "lib"))
from smf_writer import smf, timed_events  # noqa: E402

DIVISION = 480
SIXTEENTH = DIVISION // 4
BARS = 75  # at 150 BPM, two minutes


def note(events, channel, pitch, start, length, velocity=90):
    events.append((start, bytes([0x90 | channel, pitch, velocity])))
    events.append((start + length, bytes([0x80 | channel, pitch, 0])))


def song():
    rng = random.Random(22)
    tempo = [(0, b"\xff\x51\x03" + (400000).to_bytes(3, "big"))]
    lead, double, unison, chords = [], [], [], []
    scale = [60, 62, 64, 65, 67, 69, 71, 72]
    for bar in range(BARS):
        start = bar * 4 * DIVISION
        for step in range(16):
            at = start + step * SIXTEENTH
            pitch = scale[(bar + step // 4) % len(scale)]  # four sixteenths on one pitch
            legato = bar % 2 == 0
            note(lead, 0, pitch, at, SIXTEENTH if legato else SIXTEENTH // 2)
            note(double, 1, pitch - 12, at, SIXTEENTH // 2)  # folded onto the lead's key
            if step % 4 == 0:
                note(unison, 2, pitch, at, SIXTEENTH)  # the lead's pitch on another channel
        for eighth in range(8):
            root = rng.choice([48, 53, 55, 57])
            for offset in (0, 4, 7):
                note(chords, 3, root + offset, start + eighth * 2 * SIXTEENTH, SIXTEENTH)

    def sort(events):
        return sorted(events, key=lambda e: (e[0], e[1][0] & 0xF0 == 0x90))

    return smf(1, DIVISION, timed_events(tempo), *(timed_events(sort(e)) for e in (lead, double, unison, chords)))


if __name__ == "__main__":
    pathlib.Path(sys.argv[1]).write_bytes(song())

#!/usr/bin/env python3
"""Writes the songs of the Options window's process tests into a folder.

    make_option_songs.py FOLDER

  channel2.mid     a melody of eight notes on channel 2, in C3-C6, and a
                   decoy of long notes on channel 1 that must type nothing
                   once channel 2 alone is checked.
  channel4-low.mid a melody of twelve notes on channel 4 two octaves low
                   (A1 to E3: one octave up still leaves its lowest three
                   notes out), and four notes in range on channel 1, so that
                   the suggestion is channel 4 shifted by 24.
"""
import pathlib
import sys

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[3] / "scripts" / "lib"))
import smf_writer  # noqa: E402

EIGHTH = 48  # ticks, at 96 a quarter note: 250 ms at the default tempo


def song(notes):
    """notes: (start tick, length, pitch, 0-based channel); one format 0 track."""
    events = []
    for start, length, pitch, channel in notes:
        events.append((start, bytes([0x90 | channel, pitch, 96])))
        events.append((start + length, bytes([0x80 | channel, pitch, 64])))
    # Ends before starts on one tick, so a key is up before it goes down again.
    events.sort(key=lambda event: (event[0], event[1][0] & 0xF0 == 0x90))
    return smf_writer.smf(0, 96, smf_writer.timed_events(events))


def channel2():
    melody = [(i * EIGHTH, EIGHTH - 8, pitch, 1) for i, pitch in enumerate([60, 62, 64, 65, 67, 69, 71, 72])]
    decoy = [(0, 4 * EIGHTH - 8, 48, 0), (4 * EIGHTH, 4 * EIGHTH - 8, 84, 0)]
    return song(melody + decoy)


def channel4_low():
    pitches = [57, 59, 60, 62, 64, 65, 67, 69, 71, 72, 74, 76]
    melody = [(i * EIGHTH, EIGHTH - 8, pitch - 24, 3) for i, pitch in enumerate(pitches)]
    decoy = [(i * 3 * EIGHTH, EIGHTH, 60 + i, 0) for i in range(4)]
    return song(melody + decoy)


def main():
    folder = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else ".")
    folder.mkdir(parents=True, exist_ok=True)
    (folder / "channel2.mid").write_bytes(channel2())
    (folder / "channel4-low.mid").write_bytes(channel4_low())


if __name__ == "__main__":
    main()

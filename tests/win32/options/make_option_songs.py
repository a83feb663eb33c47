#!/usr/bin/env python3
"""Writes the songs of the Options window's process tests into a folder.

    make_option_songs.py FOLDER

  channel2.mid     a melody of eight notes on channel 2, in C3-C6, and a
                   decoy of long notes on channel 1 that must type nothing
                   once channel 2 alone is checked.
  channel4-low.mid a melody of twelve notes on channel 4 two octaves low
                   (A1 to E3: one octave up still leaves its lowest three
                   notes out) on a flute, on a track named "Melody", and
                   four notes in range on channel 1 on a piano, on a track
                   named "伴奏" (accompaniment) in Shift_JIS, so that the
                   suggestion is channel 4 shifted by 24.
"""
import pathlib
import sys

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[3] / "scripts" / "lib"))
import smf_writer  # noqa: E402

EIGHTH = 48  # ticks, at 96 a quarter note: 250 ms at the default tempo


def events_of(notes):
    """notes: (start tick, length, pitch, 0-based channel)."""
    events = []
    for start, length, pitch, channel in notes:
        events.append((start, bytes([0x90 | channel, pitch, 96])))
        events.append((start + length, bytes([0x80 | channel, pitch, 64])))
    # Ends before starts on one tick, so a key is up before it goes down again.
    events.sort(key=lambda event: (event[0], event[1][0] & 0xF0 == 0x90))
    return events


def song(notes):
    """One format 0 track."""
    return smf_writer.smf(0, 96, smf_writer.timed_events(events_of(notes)))


def named_track(name, channel, program, notes):
    """A track of a format 1 file: its name, its program, its notes."""
    return smf_writer.timed_events([(0, b"\xff\x03" + bytes([len(name)]) + name),
                                    (0, bytes([0xC0 | channel, program]))] + events_of(notes))


def channel2():
    melody = [(i * EIGHTH, EIGHTH - 8, pitch, 1) for i, pitch in enumerate([60, 62, 64, 65, 67, 69, 71, 72])]
    decoy = [(0, 4 * EIGHTH - 8, 48, 0), (4 * EIGHTH, 4 * EIGHTH - 8, 84, 0)]
    return song(melody + decoy)


def channel4_low():
    pitches = [57, 59, 60, 62, 64, 65, 67, 69, 71, 72, 74, 76]
    melody = [(i * EIGHTH, EIGHTH - 8, pitch - 24, 3) for i, pitch in enumerate(pitches)]
    decoy = [(i * 3 * EIGHTH, EIGHTH, 60 + i, 0) for i in range(4)]
    return smf_writer.smf(1, 96, named_track(b"Melody", 3, 73, melody),
                          named_track("伴奏".encode("shift_jis"), 0, 0, decoy))


def main():
    folder = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else ".")
    folder.mkdir(parents=True, exist_ok=True)
    (folder / "channel2.mid").write_bytes(channel2())
    (folder / "channel4-low.mid").write_bytes(channel4_low())


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""Writes the end-to-end test songs into a folder (default: the current one).

    make_songs.py [FOLDER]

Deterministic: the same bytes on every run. Each song is short (5 to 15 s)
and aims at one way the road from file to typed keys can go wrong:

  chords-tempo.mid  chords, a repeated note released and struck on the same
                    tick, sixteenths, and four tempo changes (one of them an
                    odd tempo whose intervals do not divide to whole
                    microseconds); format 1, division 96.
  outside.mid       format 0: notes below C3 and above C6 on the first
                    channel, in-range notes on channels 2, 10 and 16, and key
                    pressure on the first channel. None of them may type
                    anything; two in-range anchors on the first channel do.
  late-entry.mid    format 1: a bass track from the first tick and a melody
                    track whose first delta-time is two bars, so it must
                    enter after the intro and not at once.
  held.mid          a short note, then a three-note chord held for ten
                    seconds: the stop paths stop it during the hold.
  options.mid       a melody on channels 3 and 4 an octave below C3-C6, for
                    Channels=0x000C, Transpose=12, FoldOctaves=1 and
                    RepressGap=30: a note struck again on the tick of its
                    release, two overlapping notes of one pitch, a note
                    shorter than the gap, a run, a note repeated legato
                    faster than two gaps, a unison of the two channels and
                    an octave pair above C6 folded onto one key; the same
                    rhythm on channel 1, which must type nothing.
  modifiers.mid     for the layouts that type some notes with Shift or Ctrl
                    (piano61, lyre36), one tick a millisecond: chords that
                    mix sharps, flats and naturals, one mixing a Shift note
                    and a Ctrl note, a line of sharps, two sharps 15 ms apart
                    (one modifier window under ModifierHold), notes that share
                    a key with their sharp struck over, after and legato with
                    each other (C2 and C#2 are "1" and Shift+1 on piano61, C3
                    and C#3, E3 and E-flat3 are Z, Shift+Z, C and Ctrl+C on
                    lyre36), notes lyre36 has no key for, and the sustain
                    pedal down twice (Space on piano61). It starts on a
                    natural, so a modifier held ahead of the first sharp has
                    room.
  control.mid       for pause, seek and speed through the hotkeys: a chord of
                    three new keys every second, held 800 ms, nine of them;
                    a tick is a millisecond. The test presses each
                    hotkey 400 ms into a chord, so that it finds keys down
                    however late the machine lets it act.
"""
import pathlib
import sys

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[3] / "scripts" / "lib"))
import smf_writer  # noqa: E402


def track(events):
    """events: (absolute tick, raw bytes) in the order they are to be written."""
    return smf_writer.track(smf_writer.timed_events(events))


def smf(format_, division, tracks):
    """tracks: whole "MTrk" chunks, as track() makes them."""
    return smf_writer.header(format_, len(tracks), division) + b"".join(tracks)


def tempo(tick, microseconds):
    return (tick, b"\xff\x51\x03" + microseconds.to_bytes(3, "big"))


def on(tick, note, channel=0, velocity=96):
    return (tick, bytes([0x90 | channel, note, velocity]))


def off(tick, note, channel=0):
    return (tick, bytes([0x80 | channel, note, 64]))


def note(start, length, pitch, channel=0):
    """A note as a note-on and a note-on with velocity 0 (the common running-status form)."""
    return [on(start, pitch, channel), (start + length, bytes([0x90 | channel, pitch, 0]))]


def in_order(events):
    # Stable: events on one tick keep the order they were listed in.
    return sorted(events, key=lambda event: event[0])


def chords_tempo():
    q = 96
    conductor = [tempo(0, 500000), tempo(4 * q, 750000), tempo(8 * q, 333333),
                 tempo(12 * q, 428571), tempo(16 * q, 600000)]
    melody = []
    # Bar 1: block chords.
    for index, chord in enumerate([(48, 52, 55), (53, 57, 60), (55, 59, 62), (48, 52, 55, 60)]):
        for pitch in chord:
            melody += note(index * q, q - 12, pitch)
    # Bar 2 (slower): G4 struck four times legato, each release on the tick of
    # the next strike, so the key goes up and down again at the same time.
    for index in range(4):
        melody += [on(4 * q + index * q, 67)]
        if index < 3:
            melody += [off(4 * q + (index + 1) * q, 67)]
    melody += [off(8 * q, 67)]
    # Bar 3 (fast): a sixteenth-note run over a held C5.
    melody += note(8 * q, 4 * q - 1, 72)
    for index, pitch in enumerate([60, 62, 64, 65, 67, 69, 71, 72, 74, 76, 77, 79, 81, 83, 84, 83]):
        melody += note(8 * q + index * q // 4, q // 4 - 2, pitch)
    # Bar 4 (odd tempo): eighths and a dotted rhythm.
    for index, pitch in enumerate([59, 61, 63, 66, 68, 70, 73, 75]):
        melody += note(12 * q + index * q // 2, q // 2 - 3, pitch)
    # Bar 5: a broken chord left ringing, then a final chord.
    for index, pitch in enumerate([48, 55, 64, 72]):
        melody += note(16 * q + index * q // 3, 3 * q - index * q // 3, pitch)
    for pitch in (53, 60, 65, 69, 84):
        melody += note(19 * q, q, pitch)
    return smf(1, q, [track(conductor), track(in_order(melody))])


def outside():
    q = 480
    events = [tempo(0, 400000), (0, b"\xc9\x00"), (0, b"\xb1\x07\x64")]
    events += note(0, q // 2, 60)                     # anchor: types Q
    for index, pitch in enumerate([0, 30, 47, 85, 100, 127]):
        events += note(q + index * q // 2, q // 3, pitch)
    for index, pitch in enumerate([48, 60, 64, 67, 72, 84]):
        events += note(4 * q + index * q // 3, q // 4, pitch, channel=1)
        events += note(4 * q + index * q // 3, q // 4, pitch, channel=9)
        events += note(4 * q + index * q // 3 + 10, q // 5, pitch, channel=15)
    events += [(7 * q, bytes([0xA0, 64, 80])), (7 * q + 60, bytes([0xA0, 64, 0]))]
    events += [(8 * q, bytes([0x81, 62, 0])), (8 * q, bytes([0xE0, 0x00, 0x40]))]
    events += note(9 * q, q, 72)                      # anchor: types A
    return smf(0, q, [track(in_order(events))])


def late_entry():
    q = 480
    conductor = [tempo(0, 500000)]
    bass = []
    for bar in range(5):
        for beat, pitch in enumerate([48, 55, 52, 55]):
            bass += note(bar * 4 * q + beat * q, q // 2, pitch)
    # The melody track's first event is two bars in: its first delta-time is 8 q.
    melody = []
    start = 8 * q
    for pitch, quarters in [(72, 1), (74, 1), (76, 2), (79, 1), (77, 1), (76, 1), (74, 1), (72, 4)]:
        melody += note(start, quarters * q - q // 8, pitch)
        start += quarters * q
    return smf(1, q, [track(conductor), track(in_order(bass)), track(in_order(melody))])


def held():
    q = 480
    events = [tempo(0, 500000)]
    events += note(0, q // 2, 64)
    for pitch in (60, 64, 67):
        events += note(q, 20 * q, pitch)              # ten seconds at 120 bpm
    events += note(21 * q, q // 2, 72)
    return smf(0, q, [track(in_order(events))])


def options():
    q = 480
    events = [tempo(0, 500000)]
    melody = []
    # A note struck three times legato: the release and the next strike on one tick.
    for index in range(3):
        melody += [on(index * q, 43, 2), off((index + 1) * q, 43, 2)]
    # Two overlapping notes of one pitch: the key must stay down until the second ends.
    melody += [on(3 * q, 48, 2), on(3 * q + q // 2, 48, 2), off(4 * q, 48, 2), off(4 * q + q // 2, 48, 2)]
    # Shorter than the gap: held down for the gap.
    melody += note(5 * q, 10, 50, channel=2)
    # A run of eighths, each released on the tick of the next.
    for index, pitch in enumerate([36, 38, 40, 41, 43, 45, 47, 48]):
        melody += note(6 * q + index * q // 2, q // 2, pitch, channel=2)
    melody += note(11 * q, q, 55, channel=2)
    # Struck every 40 ticks (42 ms), legato: closer than two gaps, so some
    # presses must give way.
    for index in range(6):
        melody += [on(12 * q + index * 40, 52, 2), off(12 * q + (index + 1) * 40, 52, 2)]
    # A unison of channels 3 and 4 (one press, up when the longer ends), and
    # D7 with D8, both folded onto D6's octave: one key, one press.
    melody += note(13 * q, q // 2, 45, channel=2) + note(13 * q, q, 45, channel=3)
    melody += note(15 * q, q // 2, 86, channel=2) + note(15 * q, q, 98, channel=2)
    decoy = []
    for index, pitch in enumerate([60, 64, 67, 72, 60, 64, 67, 72, 60, 64, 67]):
        decoy += note(index * q, q // 2, pitch)
    return smf(0, q, [track(in_order(events + melody + decoy + [(17 * q, b"\xff\x01\x00")]))])


def queue_first():
    """Eight quarter notes, the last event their last release: the queue's next song follows its end."""
    q = 480
    events = [tempo(0, 500000)]
    for index, pitch in enumerate([60, 62, 64, 65, 67, 65, 64, 62]):
        events += note(index * q, q // 2, pitch)
    return smf(0, q, [track(in_order(events))])


def queue_second():
    """Another tune an octave low: its own section's Transpose=12 puts it on keys."""
    q = 480
    events = [tempo(0, 600000)]
    for index, pitch in enumerate([48, 52, 55, 60, 55, 52, 48, 43]):
        events += note(index * q, q // 2, pitch)
    return smf(0, q, [track(in_order(events))])


def sustain(tick, down):
    return (tick, bytes([0xB0, 64, 127 if down else 0]))


def modifiers():
    # Division 500 at 120 bpm: a tick is a millisecond, so due times read off the ticks.
    q = 500
    events = [tempo(0, 500000)]
    events += note(0, 200, 64)                                   # E4, plain on both
    for start, length, chord in [(250, 350, (60, 64, 68)),      # C4 E4 G#4
                                 (700, 300, (63, 67, 70)),      # Eb4 G4 Bb4
                                 (1100, 300, (54, 58, 62))]:    # F#3 Bb3 D4: Shift and Ctrl on lyre36
        for pitch in chord:
            events += note(start, length, pitch)
    # A line of sharps and flats, sixteenths.
    for index, pitch in enumerate([61, 63, 66, 68, 70, 73, 75, 78]):
        events += note(1500 + index * 125, 100, pitch)
    events += [sustain(1500, True), sustain(2600, False)]
    # Two sharps 15 ms apart, and a natural between them.
    events += note(2600, 200, 61) + note(2607, 200, 72) + note(2615, 200, 66)
    # One key, two notes: struck over (the sharp while the natural holds the
    # key), then after each other and legato.
    events += note(3000, 400, 36) + note(3200, 400, 37)
    events += [sustain(3000, True), sustain(3500, False)]
    events += note(3700, 100, 36) + note(3800, 100, 37) + note(3900, 100, 36)
    events += note(4100, 200, 48) + note(4300, 200, 49)
    events += note(4600, 200, 52) + note(4700, 200, 51)
    # Above lyre36's keys: it types only the E4 between them.
    events += note(5000, 200, 84) + note(5000, 200, 87) + note(5100, 100, 64)
    for pitch in (60, 64, 67, 73):
        events += note(5300, 500, pitch)
    return smf(0, q, [track(in_order(events))])


def control():
    events = [tempo(0, 500000)]
    for index in range(9):
        for pitch in (48 + index, 60 + index, 67 + index):
            events += note(index * 1000, 800, pitch)
    return smf(0, 500, [track(in_order(events))])


SONGS = {
    "chords-tempo.mid": chords_tempo,
    "outside.mid": outside,
    "late-entry.mid": late_entry,
    "held.mid": held,
    "options.mid": options,
    "modifiers.mid": modifiers,
    "queue-first.mid": queue_first,
    "queue-second.mid": queue_second,
    "control.mid": control,
}


def main():
    folder = pathlib.Path(sys.argv[1]) if len(sys.argv) > 1 else pathlib.Path.cwd()
    folder.mkdir(parents=True, exist_ok=True)
    for name, build in SONGS.items():
        (folder / name).write_bytes(build())
        print(folder / name)


if __name__ == "__main__":
    main()

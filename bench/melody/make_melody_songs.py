#!/usr/bin/env python3
"""Writes the melody evaluation set: songs whose melody channel is known,
each twice, with track names (NN-named.mid) and without (NN-plain.mid), and
answers.txt, one line per file: FILE MELODY OLD PARTS, the melody's channel,
the channel the old rule (the most note-ons inside C3-C6 at the best octave
shift) picks, both counted from 1, and what each channel plays
("3:melody,5:bass,10:drums").

    make_melody_songs.py FOLDER [COUNT]

Every song has a melody and some of: block or struck chords, a bass, drums
on channel 10, a counter-line (above or below the melody), a broken-chord
accompaniment, and a pianist's channel that plays the tune over its own
chords. Registers, densities, instruments and channels are drawn at random
from a fixed seed, so the set is the same every time. Named files call the
melody track melody, lead, vocal or voice in English or Japanese (UTF-8 or
Shift_JIS) three times in four, and after its instrument otherwise; the
other tracks are named after their instrument or part.
"""
import pathlib
import random
import sys

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[2] / "scripts" / "lib"))
from smf_writer import smf, timed_events  # noqa: E402

DIVISION = 480
BAR = 4 * DIVISION
MAJOR = [0, 2, 4, 5, 7, 9, 11]
MINOR = [0, 2, 3, 5, 7, 8, 10]
PROGRESSIONS = [[0, 4, 5, 3], [0, 5, 3, 4], [5, 3, 0, 4], [0, 3, 4, 0], [1, 4, 0, 5], [0, 2, 3, 4]]

MELODY_PROGRAMS = [73, 68, 71, 40, 56, 65, 80, 81, 53, 0, 4, 24, 26, 11, 22, 74, 79, None, None]
CHORD_PROGRAMS = [0, 48, 89, 16, 25, 4, 50, 19, 61, None]
BASS_PROGRAMS = [33, 32, 38, 34, 43]
COUNTER_PROGRAMS = [60, 42, 73, 71, 48, 41, 69, 11, 57]
ARPEGGIO_PROGRAMS = [0, 46, 24, 4, 8, 12]
MELODY_NAMES = ["Melody", "Lead", "Vocal", "Voice", "Main Melody", "Lead Vox", "Solo",
                "メロディ", "主旋律", "ボーカル", "歌", "メロ"]


def name_bytes(rng, name):
    if all(ord(c) < 128 for c in name):
        return name.encode("ascii")
    return name.encode("utf-8" if rng.random() < 0.5 else "shift_jis")


class Song:
    def __init__(self, rng):
        self.rng = rng
        self.tonic = 48 + rng.randrange(12)
        self.scale = MAJOR if rng.random() < 0.6 else MINOR
        self.bars = rng.randrange(12, 33)
        self.progression = rng.choice(PROGRESSIONS)
        self.parts = []  # (channel, program or None, name, [(start, length, pitch)])

    def degree_pitch(self, degree, around):
        """The pitch of scale degree `degree` (any integer) nearest `around`."""
        octave, step = divmod(degree, 7)
        pitch = self.tonic + 12 * octave + self.scale[step]
        while pitch < around - 6:
            pitch += 12
        while pitch > around + 6:
            pitch -= 12
        return pitch

    def chord(self, bar):
        return self.progression[bar % len(self.progression)]

    def chord_pitches(self, bar, around, size=3):
        root = self.chord(bar)
        return sorted(self.degree_pitch(root + 2 * i, around + 4 * i - 4) for i in range(size))


def melody_notes(song, centre, density, legato):
    rng = song.rng
    notes = []
    degree = rng.randrange(7)
    for bar in range(song.bars):
        if bar % 4 == 3 and rng.random() < 0.5:
            continue  # a breath at the end of a phrase
        tick = bar * BAR
        while tick < (bar + 1) * BAR:
            step = rng.choice([DIVISION // 2] * density + [DIVISION] * 2 + [DIVISION * 2] * (1 if density < 3 else 0))
            step = min(step, (bar + 1) * BAR - tick)
            if rng.random() < 0.12:
                tick += step
                continue
            degree += rng.choice([-2, -1, -1, 0, 1, 1, 2, 3, -3])
            pitch = song.degree_pitch(degree, centre)
            if abs(pitch - centre) > 9:
                degree += -2 if pitch > centre else 2
                pitch = song.degree_pitch(degree, centre)
            notes.append((tick, int(step * legato), pitch))
            tick += step
    return notes


def chord_notes(song, centre, struck):
    notes = []
    for bar in range(song.bars):
        pitches = song.chord_pitches(bar, centre, song.rng.choice([3, 3, 4]))
        hits = [(0, BAR)] if not struck else [(i * DIVISION, DIVISION - 60) for i in range(4)]
        for offset, length in hits:
            for pitch in pitches:
                notes.append((bar * BAR + offset, length - 10, pitch))
    return notes


def bass_notes(song, centre):
    rng = song.rng
    step = rng.choice([DIVISION, DIVISION * 2, DIVISION // 2])
    notes = []
    for bar in range(song.bars):
        root = song.degree_pitch(song.chord(bar), centre)
        for tick in range(bar * BAR, (bar + 1) * BAR, step):
            pitch = root + (7 if rng.random() < 0.25 else 0)
            notes.append((tick, step - 40, pitch))
    return notes


def drum_notes(song):
    notes = []
    for tick in range(0, song.bars * BAR, DIVISION // 2):
        notes.append((tick, 60, 42))
        if tick % DIVISION == 0:
            notes.append((tick, 60, 36 if (tick // DIVISION) % 2 == 0 else 38))
    return notes


def counter_notes(song, centre):
    rng = song.rng
    notes = []
    for bar in range(song.bars):
        if rng.random() < 0.35:
            continue
        pitches = song.chord_pitches(bar, centre)
        for half in range(2):
            if rng.random() < 0.7:
                notes.append((bar * BAR + half * 2 * DIVISION, 2 * DIVISION - 30, rng.choice(pitches)))
    return notes


def arpeggio_notes(song, centre):
    rng = song.rng
    step = rng.choice([DIVISION // 2, DIVISION // 4])
    notes = []
    for bar in range(song.bars):
        pitches = song.chord_pitches(bar, centre, 4)
        pattern = pitches + pitches[1:3][::-1]
        for i, tick in enumerate(range(bar * BAR, (bar + 1) * BAR, step)):
            notes.append((tick, step - 20, pattern[i % len(pattern)]))
    return notes


def make_song(rng):
    song = Song(rng)
    channels = [c for c in range(16) if c != 9]
    rng.shuffle(channels)
    melody_centre = rng.choice([52, 57, 62, 65, 67, 69, 72, 74, 76, 79])
    melody = melody_notes(song, melody_centre, rng.randrange(1, 5), rng.choice([0.55, 0.8, 0.95, 1.08]))
    melody_program = rng.choice(MELODY_PROGRAMS)
    pianist = rng.random() < 0.15
    if pianist:
        melody_program = 0
        melody = melody + chord_notes(song, melody_centre - 14, False)
    melody_channel = channels.pop()
    parts = [(melody_channel, melody_program, "melody", melody)]
    chord_centre = melody_centre + rng.choice([-14, -12, -10, -7, -5, -3])
    if not pianist or rng.random() < 0.5:
        parts.append((channels.pop(), rng.choice(CHORD_PROGRAMS), "chords",
                      chord_notes(song, chord_centre, rng.random() < 0.4)))
    if rng.random() < 0.85:
        parts.append((channels.pop(), rng.choice(BASS_PROGRAMS), "bass", bass_notes(song, rng.choice([33, 36, 40, 43]))))
    if rng.random() < 0.8:
        parts.append((9, None, "drums", drum_notes(song)))
    if rng.random() < 0.6:
        counter_centre = melody_centre + rng.choice([-12, -7, -5, 5, 7, 12])
        parts.append((channels.pop(), rng.choice(COUNTER_PROGRAMS), "counter", counter_notes(song, counter_centre)))
    if rng.random() < 0.45:
        parts.append((channels.pop(), rng.choice(ARPEGGIO_PROGRAMS), "arpeggio",
                      arpeggio_notes(song, melody_centre + rng.choice([-15, -12, -8, -5]))))
    rng.shuffle(parts)
    return parts, melody_channel


PART_NAMES = {"chords": ["Piano", "Chords", "Strings", "Pad", "Backing", "コード", "伴奏"],
              "bass": ["Bass", "ベース", "Fretless"], "drums": ["Drums", "ドラム", "Kit"],
              "counter": ["Counter", "Horn", "Obbligato", "Strings 2", "Sub"],
              "arpeggio": ["Arpeggio", "Harp", "Guitar", "Piano 2"]}


def track_data(rng, channel, program, role, notes, named):
    events = []
    if named:
        if role == "melody":
            if rng.random() < 0.75:
                name = name_bytes(rng, rng.choice(MELODY_NAMES))
            else:
                name = ("Track %d" % (channel + 1)).encode() if program is None else \
                    {0: b"Piano", 4: b"E.Piano", 24: b"Guitar", 26: b"Guitar", 11: b"Vibes",
                     22: b"Harmonica"}.get(program, b"Inst")
        else:
            name = name_bytes(rng, rng.choice(PART_NAMES[role]))
        events.append((0, b"\xff\x03" + bytes([len(name)]) + name))
    if program is not None:
        events.append((0, bytes([0xC0 | channel, program])))
    for start, length, pitch in notes:
        events.append((start + 1, bytes([0x90 | channel, pitch, 90])))
        events.append((start + 1 + max(length, 1), bytes([0x80 | channel, pitch, 0])))
    events.sort(key=lambda e: (e[0], 0 if e[1][0] & 0xF0 in (0x80, 0xFF) else 1))
    return timed_events(events)


def old_rule(parts):
    """The channel with the most note-ons inside 48-84 at its best octave shift;
    ties to the lower channel."""
    best, best_channel = -1, 0
    for channel in sorted(c for c, _, _, _ in parts if c != 9):
        pitches = [p for c, _, _, notes in parts if c == channel for _, _, p in notes]
        inside = max(sum(1 for p in pitches if 48 <= p + s <= 84) for s in range(-48, 49, 12))
        if inside > best:
            best, best_channel = inside, channel
    return best_channel


def main():
    folder = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else ".")
    count = int(sys.argv[2]) if len(sys.argv) > 2 else 48
    folder.mkdir(parents=True, exist_ok=True)
    rng = random.Random(2025)
    answers = []
    for number in range(1, count + 1):
        parts, melody_channel = make_song(rng)
        tempo = b"\xff\x51\x03" + rng.randrange(400000, 700000).to_bytes(3, "big")
        title = ("Song %d" % number).encode()
        conductor = timed_events([(0, b"\xff\x03" + bytes([len(title)]) + title), (0, tempo)])
        for named in (True, False):
            names = random.Random(number)  # the same names whatever else is drawn
            tracks = [track_data(names, c, p, role, notes, named) for c, p, role, notes in parts]
            name = "%02d-%s.mid" % (number, "named" if named else "plain")
            (folder / name).write_bytes(smf(1, DIVISION, conductor, *tracks))
            roles = ",".join("%d:%s" % (c + 1, role) for c, _, role, _ in sorted(parts, key=lambda p: p[0]))
            answers.append("%s %d %d %s" % (name, melody_channel + 1, old_rule(parts) + 1, roles))
    (folder / "answers.txt").write_text("\n".join(answers) + "\n")


if __name__ == "__main__":
    main()

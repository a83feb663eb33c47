#!/usr/bin/env python3
"""How often `murvane-cli tracks` suggests the melody's channel on the real
songs of real_songs.tsv, as the packages ship them (named) and with every
track name (meta event 3) and instrument name (meta event 4) blanked
(plain), written beside them in a temporary folder.

    measure_real.py CLI SONGS [--old OLD_CLI] [--show]

SONGS: the folder fetch_real_songs.sh filled. --old: a murvane-cli built
from an earlier commit, measured on the same files. --show prints each
song's answer. A suggestion is right when it names one of the channels the
labels give (a tune doubled note for note or in octaves on another channel
is played the same either way).
"""
import argparse
import pathlib
import subprocess
import sys
import tempfile

HERE = pathlib.Path(__file__).resolve().parent


def read_labels():
    songs = []
    for line in (HERE / "real_songs.tsv").read_text(encoding="utf-8").splitlines():
        if line.startswith("#") or not line.strip():
            continue
        file, package, _source, _sha, melody, _why = line.split("\t")
        songs.append((package + "/" + file, {int(c) for c in melody.split(",")}))
    return songs


def varlen(data, pos):
    value = 0
    while True:
        byte = data[pos]
        pos += 1
        value = value << 7 | byte & 0x7F
        if byte < 0x80:
            return value, pos


def blank_names(data):
    """The same file with the text of every meta event 3 and 4 taken out;
    every other byte is kept as it is, so the music reads the same."""
    out = bytearray(data[:8 + int.from_bytes(data[4:8], "big")])
    pos = len(out)
    while pos + 8 <= len(data):
        kind, length = data[pos:pos + 4], int.from_bytes(data[pos + 4:pos + 8], "big")
        body = data[pos + 8:pos + 8 + length]
        pos += 8 + length
        if kind != b"MTrk":
            out += kind + length.to_bytes(4, "big") + body
            continue
        track = bytearray()
        i = 0
        status = 0
        while i < len(body):
            start = i
            _delta, i = varlen(body, i)
            byte = body[i]
            if byte == 0xFF:
                meta = body[i + 1]
                size, data_at = varlen(body, i + 2)
                # Delta time, FF and the type as they are; the text's length 0.
                track += body[start:i + 2] + b"\x00" if meta in (3, 4) else body[start:data_at + size]
                i = data_at + size
                continue
            if byte in (0xF0, 0xF7):
                size, data_at = varlen(body, i + 1)
                i = data_at + size
            else:
                if byte & 0x80:
                    status = byte
                    i += 1
                i += 1 if status & 0xE0 == 0xC0 else 2
            track += body[start:i]
        out += b"MTrk" + len(track).to_bytes(4, "big") + track
    return bytes(out)


def suggested(cli, song):
    out = subprocess.run([cli, "tracks", str(song)], capture_output=True, text=True, errors="replace",
                         check=True).stdout
    line = [line for line in out.splitlines() if line.startswith("suggest ")][0]
    return int(line.split()[1].split("=")[1], 16).bit_length(), line


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("cli")
    parser.add_argument("songs")
    parser.add_argument("--old")
    parser.add_argument("--show", action="store_true")
    args = parser.parse_args()
    folder = pathlib.Path(args.songs)
    clis = [("new", args.cli)] + ([("old", args.old)] if args.old else [])
    right = {(who, kind): 0 for who, _ in clis for kind in ("named", "plain")}
    total = 0
    with tempfile.TemporaryDirectory() as scratch:
        for name, melody in read_labels():
            song = folder / name
            if not song.exists():
                print("not fetched: %s" % name, file=sys.stderr)
                continue
            plain = pathlib.Path(scratch) / name.replace("/", "-")
            plain.write_bytes(blank_names(song.read_bytes()))
            total += 1
            answers = []
            for who, cli in clis:
                for kind, path in (("named", song), ("plain", plain)):
                    channel, _line = suggested(cli, path)
                    right[(who, kind)] += channel in melody
                    answers.append("%s %s %d%s" % (who, kind, channel, "" if channel in melody else " MISS"))
            if args.show:
                print("%-45s melody %-5s %s" % (name, ",".join(map(str, sorted(melody))), "; ".join(answers)))
    for who, _ in clis:
        print("%s: named %d of %d, plain %d of %d" % (who, right[(who, "named")], total, right[(who, "plain")], total))


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""How often `murvane-cli tracks` suggests the melody's channel on the
evaluation set of make_melody_songs.py, with track names and without, next
to the old rule's figure on the same songs.

    measure.py CLI [--songs FOLDER] [--show N ...]

CLI: build/native/cli/murvane-cli. Without --songs the set is written to a
temporary folder first. --show prints `tracks` for the songs named (their
numbers) and every miss is listed.
"""
import argparse
import pathlib
import subprocess
import sys
import tempfile

HERE = pathlib.Path(__file__).resolve().parent


def suggested_channel(cli, song):
    out = subprocess.run([cli, "tracks", str(song)], capture_output=True, text=True, errors="replace", check=True).stdout
    line = [line for line in out.splitlines() if line.startswith("suggest ")][0]
    mask = int(line.split()[1].split("=")[1], 16)
    return mask.bit_length(), out


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("cli")
    parser.add_argument("--songs")
    parser.add_argument("--show", type=int, nargs="*", default=[])
    args = parser.parse_args()
    with tempfile.TemporaryDirectory() as scratch:
        folder = pathlib.Path(args.songs or scratch)
        if not (folder / "answers.txt").exists():
            subprocess.run([sys.executable, str(HERE / "make_melody_songs.py"), str(folder)], check=True)
        right = {"named": 0, "plain": 0}
        total = {"named": 0, "plain": 0}
        old_right = 0
        for line in (folder / "answers.txt").read_text().splitlines():
            name, melody, old, parts = line.split()
            kind = name.split("-")[1].split(".")[0]
            channel, out = suggested_channel(args.cli, folder / name)
            total[kind] += 1
            if channel == int(melody):
                right[kind] += 1
            else:
                print("miss: %s melody on %s, suggested %d (%s)" % (name, melody, channel, parts))
            if kind == "plain" and int(old) == int(melody):
                old_right += 1
            if int(name[:2]) in args.show:
                print("$ murvane-cli tracks %s   # melody on channel %s\n%s" % (name, melody, out))
        for kind in ("named", "plain"):
            print("%s: %d of %d (%.0f %%)" % (kind, right[kind], total[kind], 100.0 * right[kind] / total[kind]))
        print("old rule: %d of %d (%.0f %%)" % (old_right, total["plain"], 100.0 * old_right / total["plain"]))


if __name__ == "__main__":
    main()

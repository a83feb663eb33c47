#!/usr/bin/env python3
"""Presses dropped by MaxKeys 1-4 and whether the melody stayed whole.

The melody is the top voice of the song as it plays with MaxKeys 0: every
press whose note is the highest of the keys down at that moment (the presses
of that millisecond included). It stayed whole when each of those presses is
still there, at its time, with the limit.

    measure.py MURVANE_CLI SONG.mid [Channels=0x000F ...]
"""
import pathlib
import re
import subprocess
import sys
import tempfile


def keys(cli, song, options):
    with tempfile.TemporaryDirectory() as folder:
        ini = pathlib.Path(folder) / "Murvane.ini"
        subprocess.run([cli, "keys", song, "--ini", str(ini)], capture_output=True, check=True)
        with ini.open("a", newline="") as out:
            out.write("[Options]\r\n" + "".join(o + "\r\n" for o in options))
        run = subprocess.run([cli, "keys", song, "--ini", str(ini)], capture_output=True, text=True, check=True)
    events = []
    for line in run.stdout.splitlines():
        at, direction, note = line.split()[:3]
        if note != "-":
            events.append((int(at), direction == "down", int(note)))
    dropped = re.search(r"dropped (\d+) presses", run.stderr)
    return events, int(dropped.group(1)) if dropped else 0


def melody(events):
    top, down, index = [], set(), 0
    while index < len(events):
        at = events[index][0]
        group = []
        while index < len(events) and events[index][0] == at:
            group.append(events[index])
            index += 1
        for _, is_down, note in group:
            if not is_down:
                down.discard(note)
        pressed = [note for _, is_down, note in group if is_down]
        sounding = down | set(pressed)
        top += [(at, note) for note in pressed if note == max(sounding)]
        down |= set(pressed)
        for _, is_down, note in group:
            if not is_down:
                down.discard(note)
    return top


def main():
    cli, song, options = sys.argv[1], sys.argv[2], sys.argv[3:]
    base, _ = keys(cli, song, options)
    presses = sum(1 for _, is_down, _ in base if is_down)
    tune = melody(base)
    print(f"{pathlib.Path(song).name}: {presses} presses, {len(tune)} of them the top voice")
    for limit in range(1, 5):
        events, dropped = keys(cli, song, options + [f"MaxKeys={limit}"])
        kept = {(at, note) for at, is_down, note in events if is_down}
        lost = sum(1 for press in tune if press not in kept)
        whole = "whole" if lost == 0 else f"{lost} top-voice presses lost"
        print(f"MaxKeys={limit}: {dropped} presses dropped ({100 * dropped / presses:.1f} %), melody {whole}")


if __name__ == "__main__":
    main()

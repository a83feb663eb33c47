#!/usr/bin/env python3
"""`murvane-cli keys` lists, for every end-to-end song, what the song says.

    cli_matches_songs.py MURVANE-CLI

The end-to-end tests compare the typed keys with this tool's list, so a fault
the tool shared with the program (a late track entering at once, drifting
time) would pass there unseen; here the list meets an independent reading of
each song (smf_model.py), with the default key names.
"""
import pathlib
import subprocess
import sys
import tempfile

E2E = pathlib.Path(__file__).resolve().parents[2] / "win32" / "e2e"
sys.path.insert(0, str(E2E))
import compare_keys  # noqa: E402
import make_songs  # noqa: E402
import smf_model  # noqa: E402

DEFAULTS = compare_keys.Bindings(
    [0x31, 0x32, 0x33, 0x34, 0x35, 0x36, 0x37, 0x38, 0x39, 0x30, 0xBD, 0xDE,
     0x51, 0x57, 0x45, 0x52, 0x54, 0x59, 0x55, 0x49, 0x4F, 0x50, 0xC0, 0xDB,
     0x41, 0x53, 0x44, 0x46, 0x47, 0x48, 0x4A, 0x4B, 0x4C, 0xBB, 0xBA, 0xDD, 0x5A],
    [0x7A, 0x79, 0x7B])


def model_from(model, position):
    """The song as a seek to `position` (ms) plays it: the notes sounding
    there down at 0, in note order, then the rest less the position."""
    events = [event for event in model if event[0] > position]
    if not events:
        return []
    down = set()
    for due, direction, note in model:
        if due <= position:
            (down.add if direction == "down" else down.discard)(note)
    return [(0, "down", note) for note in sorted(down)] + [(due - position, d, n) for due, d, n in events]


def check_from(cli, song, outcome):
    """`keys --from` at a few places: the start, within, on a note, past the end."""
    model = smf_model.key_events(song.read_bytes())
    end = model[-1][0] if model else 0
    places = {"0": 0, "0.25": 250, "1.5": 1500, "%d.001" % (end // 3000): end // 3000 * 1000 + 1}
    places.update({"%d.%03d" % divmod(model[len(model) // 2][0], 1000): model[len(model) // 2][0]} if model else {})
    places["%d" % (end // 1000 + 2)] = (end // 1000 + 2) * 1000
    for text, position in places.items():
        run = subprocess.run([cli, "keys", str(song), "--from", text], capture_output=True, text=True)
        if run.returncode != 0:
            outcome.fail("--from %s: exit status %d" % (text, run.returncode))
            continue
        compare_keys.check_tool_against_model(compare_keys.parse_cli(run.stdout.splitlines()),
                                              model_from(model, position), outcome, DEFAULTS)


def main():
    cli = sys.argv[1]
    failures = 0
    with tempfile.TemporaryDirectory() as folder:
        songs = [pathlib.Path(folder) / name for name in make_songs.SONGS]
        for song, build in zip(songs, make_songs.SONGS.values()):
            song.write_bytes(build())
        songs.append(E2E.parents[2] / "examples" / "ode-to-joy.mid")
        for song in songs:
            run = subprocess.run([cli, "keys", str(song)], capture_output=True, text=True)
            outcome = compare_keys.Outcome()
            if run.returncode != 0:
                outcome.fail("exit status %d: %s" % (run.returncode, run.stderr.strip()))
            else:
                listed = compare_keys.parse_cli(run.stdout.splitlines())
                compare_keys.check_tool_against_model(listed, smf_model.key_events(song.read_bytes()), outcome,
                                                     DEFAULTS)
                compare_keys.check_key_names(listed, DEFAULTS, outcome)
                check_from(cli, song, outcome)
            for error in outcome.errors:
                print("FAIL %s: %s" % (song.name, error))
            print("%s %s" % ("FAIL" if outcome.errors else "ok  ", song.name))
            failures += bool(outcome.errors)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())

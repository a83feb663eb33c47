#!/usr/bin/env bash
# `murvane-cli list` on a folder of real MIDI files, in files per second.
#
#   bench/queue/measure_list.sh CLI [RUNS]
#
# CLI: a release build of murvane-cli (cmake -DCMAKE_BUILD_TYPE=Release,
# target murvane-cli). The songs are the Standard MIDI Files that three
# Debian packages ship (two games' music and a music set for a game), fetched
# with `apt-get download` into a temporary folder and copied round to 345
# files; nothing is kept. Each case is run RUNS times (default 10) after one
# run that warms the cache; the median is printed, with the fastest and the
# slowest.
set -euo pipefail
cli=$(realpath "$1")
runs=${2:-10}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
apt-get download -q openttd-openmsx planetblupi-music-midi freedink-data >/dev/null 2>&1
for deb in *.deb; do dpkg-deb -x "$deb" extracted; done
mkdir real songs
find extracted -iname '*.mid' -o -iname '*.midi' | sort | while read -r song; do
  cp "$song" "real/$(basename "$(dirname "$song")")-$(basename "$song")"
done
count=0
while [ "$count" -lt 345 ]; do
  for song in real/*; do
    [ "$count" -lt 345 ] || break
    count=$((count + 1))
    cp "$song" "songs/$(printf '%03d' "$count")-$(basename "$song")"
  done
done
echo "$(ls real | wc -l) distinct files, $(ls songs | wc -l) in the folder, $(du -sh songs | cut -f1)"
printf '' > none.ini
printf '[Song 0000000000000000]\r\nSpeed=50\r\n' > own.ini
printf '[Options]\r\nAutoSuggest=1\r\n' > suggest.ini
for ini in none own suggest; do
  "$cli" list songs --ini "$ini.ini" >/dev/null
  for _ in $(seq "$runs"); do
    start=$(date +%s.%N)
    "$cli" list songs --ini "$ini.ini" >/dev/null
    end=$(date +%s.%N)
    echo "$end - $start" | bc
  done | sort -n | awk -v ini="$ini" -v n=345 '{ t[NR] = $1 } END {
    m = t[int((NR + 1) / 2)]
    printf "%-8s median %.3f s (%.0f files/s), fastest %.3f s, slowest %.3f s\n", ini, m, n / m, t[1], t[NR] }'
done

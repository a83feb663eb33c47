#!/bin/sh
# Fetches the real songs of the melody evaluation set (real_songs.tsv) from
# the Debian packages that ship them, into FOLDER/PACKAGE/FILE.mid.
#
#     fetch_real_songs.sh FOLDER
#
# The packages are only downloaded (apt-get download) and unpacked into a
# scratch folder with dpkg-deb: nothing is installed and root is not needed,
# only package lists (apt-get update, once, as root). Gzipped songs are
# unpacked. Each file is then checked against the SHA-256 in the labels: a
# package whose songs changed says so, and that song is left out of the
# measure rather than measured against a label written for other notes.
set -eu

if [ $# -ne 1 ]; then
  echo "usage: fetch_real_songs.sh FOLDER" >&2
  exit 64
fi
here=$(cd "$(dirname "$0")" && pwd)
labels="$here/real_songs.tsv"
mkdir -p "$1"
out=$(cd "$1" && pwd)
scratch=$(mktemp -d)
chmod 755 "$scratch"  # apt-get downloads as its own user
trap 'rm -rf "$scratch"' EXIT

packages=$(grep -v '^#' "$labels" | cut -f2 | sort -u)
for package in $packages; do
  (cd "$scratch" && apt-get download "$package" >/dev/null) || {
    echo "fetch_real_songs: cannot download $package (apt-get update first?)" >&2
    exit 1
  }
done
for deb in "$scratch"/*.deb; do
  package=$(dpkg-deb -f "$deb" Package)
  dpkg-deb -x "$deb" "$scratch/root-$package"
done

grep -v '^#' "$labels" | while IFS="$(printf '\t')" read -r file package source sha melody why; do
  mkdir -p "$out/$package"
  path="$scratch/root-$package/$source"
  case "$source" in
    *.gz) gzip -dc "$path" > "$out/$package/$file" ;;
    *) cp "$path" "$out/$package/$file" ;;
  esac
  got=$(sha256sum "$out/$package/$file" | cut -c1-64)
  if [ "$got" != "$sha" ]; then
    echo "fetch_real_songs: $package/$file is not the labelled file (SHA-256 $got): left out" >&2
    rm -f "$out/$package/$file"
  fi
done
echo "fetch_real_songs: $(find "$out" -name '*.mid' | wc -l) songs in $out"

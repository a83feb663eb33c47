"""The release zip of Murvane, written the same way by scripts/package and by
the release test (tests/win32/release), so the test checks what a player
downloads.

  release.py zip --exe Murvane.exe --out-dir DIR    writes DIR/Murvane-VERSION-win64.zip, prints its path
  release.py version EXE                            prints the exe's ProductVersion

The zip is the same bytes on every run from one commit: its entries come in
one order, each dated at the commit's time (or SOURCE_DATE_EPOCH), with the
same permissions and no extra fields. The version in its name is the one the
exe carries, so the name cannot disagree with the file's properties.
"""

import argparse
import hashlib
import os
import re
import struct
import subprocess
import sys
import time
import zipfile

ROOT = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))

# The README's sections a player needs, by heading, with their subsections.
# A heading renamed in README.md stops the packaging instead of silently
# leaving its text out.
README_SECTIONS = ["Using Murvane"]
README_HEADINGS_REQUIRED = [
    "Using Murvane",
    "When the game runs as administrator",
    "The INI file",
    "The Options section",
]

# Taken from the tree as they are, in this order; README.txt, the exe and
# SHA256SUMS are added around them.
TREE_FILES = ["LICENSE", "CHANGELOG.md", "examples/ode-to-joy.mid"]


def fail(message):
    print(f"release.py: {message}", file=sys.stderr)
    sys.exit(1)


# --- The version resource -------------------------------------------------

RT_VERSION = 16


def _resource_data(image, type_id):
    """The bytes of the first resource of TYPE_ID (first name, first language)."""
    pe = struct.unpack_from("<I", image, 0x3C)[0]
    if image[pe:pe + 4] != b"PE\0\0":
        return None
    sections, optional_size = struct.unpack_from("<H12xH", image, pe + 6)
    optional = pe + 24
    magic = struct.unpack_from("<H", image, optional)[0]
    directories = optional + (112 if magic == 0x20B else 96)
    rsrc_rva, _ = struct.unpack_from("<II", image, directories + 2 * 8)
    table = optional + optional_size
    spans = []
    for i in range(sections):
        size, rva, _, raw = struct.unpack_from("<IIII", image, table + i * 40 + 8)
        spans.append((rva, size, raw))

    def offset(rva):
        for start, size, raw in spans:
            if start <= rva < start + size:
                return raw + rva - start
        return None

    base = offset(rsrc_rva)
    if base is None:
        return None

    def entries(directory):
        named, ids = struct.unpack_from("<12xHH", image, base + directory)
        for i in range(named + ids):
            yield struct.unpack_from("<II", image, base + directory + 16 + i * 8)

    def first_child(directory):
        for _, target in entries(directory):
            return target & 0x7FFFFFFF
        return None

    for name, target in entries(0):
        if name == type_id and target & 0x80000000:
            leaf = first_child(first_child(target & 0x7FFFFFFF))
            data_rva, size = struct.unpack_from("<II", image, base + leaf)
            start = offset(data_rva)
            return image[start:start + size]
    return None


def _blocks(data, start, end):
    """The VS_VERSIONINFO-style blocks between START and END: (key, value, children span)."""
    while start + 6 <= end:
        length, value_length, kind = struct.unpack_from("<HHH", data, start)
        if length == 0:
            break
        key_end = data.index(b"\0\0", start + 6)
        while (key_end - start) % 2:
            key_end = data.index(b"\0\0", key_end + 1)
        key = data[start + 6:key_end].decode("utf-16-le")
        value_start = (key_end + 2 + 3) & ~3
        value_bytes = value_length * 2 if kind == 1 else value_length
        value = data[value_start:value_start + value_bytes]
        children = ((value_start + value_bytes + 3) & ~3, start + length)
        yield key, value, children
        start = (start + length + 3) & ~3


def version_info(path):
    """The exe's fixed file version (a, b, c, d) and its strings, or None."""
    with open(path, "rb") as f:
        image = f.read()
    data = _resource_data(image, RT_VERSION)
    if not data:
        return None
    for key, value, (child_start, child_end) in _blocks(data, 0, len(data)):
        if key != "VS_VERSION_INFO" or len(value) < 52:
            return None
        signature, _, ms, ls = struct.unpack_from("<IIII", value, 0)
        if signature != 0xFEEF04BD:
            return None
        fixed = (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF)
        strings = {}
        for child, _, (table_start, table_end) in _blocks(data, child_start, child_end):
            if child != "StringFileInfo":
                continue
            for _, _, (string_start, string_end) in _blocks(data, table_start, table_end):
                for name, text, _ in _blocks(data, string_start, string_end):
                    strings[name] = text.decode("utf-16-le").rstrip("\0")
        return fixed, strings
    return None


def product_version(path):
    info = version_info(path)
    if info is None:
        fail(f"{path} carries no version resource")
    version = info[1].get("ProductVersion", "")
    if not re.fullmatch(r"\d+\.\d+\.\d+", version):
        fail(f"{path} has no usable ProductVersion ({version!r})")
    return version


# --- README.txt -------------------------------------------------------------

def _is_picture_paragraph(paragraph):
    return all(re.fullmatch(r"(!\[[^\]]*\]\([^)]*\)\s*)+", line) for line in paragraph)


def readme_txt(markdown, version):
    """The player's part of README.md: its opening paragraphs and the sections of
    README_SECTIONS, without the screenshots and their captions, CRLF line
    ends for Notepad."""
    lines = markdown.split("\n")
    headings = {m.group(2): (i, len(m.group(1)))
                for i, line in enumerate(lines) if (m := re.match(r"(#+) (.*)", line))}
    for heading in README_HEADINGS_REQUIRED:
        if heading not in headings:
            fail(f"README.md has no heading '{heading}'")

    def section(first, level):
        end = first + 1
        while end < len(lines):
            m = re.match(r"(#+) ", lines[end])
            if m and len(m.group(1)) <= level:
                break
            end += 1
        return lines[first:end]

    opening = lines[1:next(i for i, line in enumerate(lines) if line.startswith("## "))]
    picked = [f"Murvane {version}", ""] + opening
    for heading in README_SECTIONS:
        picked += section(*headings[heading])

    # Screenshots cannot be shown in a text file, nor can the scripts that
    # take them be run from the zip: both go, paragraph by paragraph.
    paragraphs, current = [], []
    for line in picked + [""]:
        if line.strip():
            current.append(line)
        elif current:
            paragraphs.append(current)
            current = []
    kept, after_picture = [], False
    for paragraph in paragraphs:
        picture = _is_picture_paragraph(paragraph)
        caption = after_picture and paragraph[0].startswith("(") and paragraph[-1].endswith(")")
        after_picture = picture
        if not picture and not caption:
            kept.append("\r\n".join(paragraph))
    return "\r\n\r\n".join(kept) + "\r\n"


# --- The zip ------------------------------------------------------------------

def source_date_epoch():
    if os.environ.get("SOURCE_DATE_EPOCH"):
        return int(os.environ["SOURCE_DATE_EPOCH"])
    result = subprocess.run(["git", "-C", ROOT, "log", "-1", "--format=%ct"],
                            capture_output=True, text=True)
    if result.returncode != 0 or not result.stdout.strip():
        fail("no commit to take the time from: set SOURCE_DATE_EPOCH")
    return int(result.stdout)


def zip_name(version):
    return f"Murvane-{version}-win64.zip"


def release_files(exe):
    """(name in the zip, bytes) in the zip's order, SHA256SUMS last."""
    version = product_version(exe)
    with open(exe, "rb") as f:
        files = [("Murvane.exe", f.read())]
    with open(os.path.join(ROOT, "README.md"), encoding="utf-8") as f:
        files.append(("README.txt", readme_txt(f.read(), version).encode("utf-8")))
    for name in TREE_FILES:
        with open(os.path.join(ROOT, name), "rb") as f:
            files.append((name, f.read()))
    sums = "".join(f"{hashlib.sha256(data).hexdigest()}  {name}\n" for name, data in files)
    files.append(("SHA256SUMS", sums.encode("ascii")))
    return version, files


def write_zip(path, files, epoch):
    # DOS dates start in 1980 and count seconds in twos.
    date_time = time.gmtime(max(epoch, 315532800))[:6]
    with zipfile.ZipFile(path, "w") as archive:
        for name, data in files:
            info = zipfile.ZipInfo(name, date_time)
            info.compress_type = zipfile.ZIP_DEFLATED
            info.create_system = 3
            info.external_attr = 0o100644 << 16
            archive.writestr(info, data, compresslevel=9)


def main():
    parser = argparse.ArgumentParser(description="Murvane's release zip")
    commands = parser.add_subparsers(dest="command", required=True)
    make = commands.add_parser("zip")
    make.add_argument("--exe", required=True)
    make.add_argument("--out-dir", required=True)
    show = commands.add_parser("version")
    show.add_argument("exe")
    args = parser.parse_args()

    if args.command == "version":
        print(product_version(args.exe))
        return
    version, files = release_files(args.exe)
    os.makedirs(args.out_dir, exist_ok=True)
    path = os.path.join(args.out_dir, zip_name(version))
    write_zip(path, files, source_date_epoch())
    print(path)


if __name__ == "__main__":
    main()

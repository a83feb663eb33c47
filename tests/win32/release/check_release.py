"""What a player finds in the release zip, unpacked into an empty folder:
exactly the files we ship, SHA256SUMS that holds, a README.txt for Notepad,
a changelog that has this version, and an exe whose version resource is the
version murvane-cli reports.

  check_release.py --zip ZIP --unpack FOLDER --version X.Y.Z --cli-version "murvane-cli X.Y.Z"
"""

import argparse
import hashlib
import os
import sys
import zipfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..", "scripts", "lib"))
import release  # noqa: E402

SHIPPED = ["Murvane.exe", "README.txt", "LICENSE", "CHANGELOG.md", "examples/ode-to-joy.mid", "SHA256SUMS"]

failures = []


def check(condition, message):
    if not condition:
        failures.append(message)
    return condition


def unpacked_files(folder):
    found = []
    for parent, _, names in os.walk(folder):
        found += [os.path.relpath(os.path.join(parent, name), folder).replace(os.sep, "/") for name in names]
    return sorted(found)


def read(folder, name):
    with open(os.path.join(folder, name), "rb") as f:
        return f.read()


def check_sums(folder):
    listed = {}
    for line in read(folder, "SHA256SUMS").decode("ascii").splitlines():
        digest, _, name = line.partition("  ")
        check(name not in listed, f"SHA256SUMS lists {name} twice")
        listed[name] = digest
    check(sorted(listed) == sorted(n for n in SHIPPED if n != "SHA256SUMS"),
          f"SHA256SUMS lists {sorted(listed)}")
    for name, digest in listed.items():
        if os.path.isfile(os.path.join(folder, name)):
            check(hashlib.sha256(read(folder, name)).hexdigest() == digest, f"the SHA-256 of {name} is not the one listed")


def check_texts(folder, version):
    readme = read(folder, "README.txt").decode("utf-8")
    check(readme.count("\n") == readme.count("\r\n"), "README.txt has line ends other than CRLF")
    for heading in release.README_HEADINGS_REQUIRED:
        check(f"{heading}\r\n" in readme, f"README.txt lacks the section '{heading}'")
    check("![" not in readme, "README.txt shows a picture's markdown")
    check(readme.startswith(f"Murvane {version}\r\n"), "README.txt does not open with the version")
    changelog = read(folder, "CHANGELOG.md").decode("utf-8")
    check(f"\n## [{version}] - " in changelog, f"CHANGELOG.md has no section for {version}")
    check("\n## [Unreleased]" in changelog, "CHANGELOG.md has no Unreleased section")
    check(b"MIT License" in read(folder, "LICENSE"), "LICENSE is not the MIT license")


def check_version_resource(exe, version, cli_version):
    check(cli_version == f"murvane-cli {version}", f"murvane-cli --version says '{cli_version}', the project is {version}")
    info = release.version_info(exe)
    if not check(info is not None, "Murvane.exe carries no version resource"):
        return
    fixed, strings = info
    print(f"version resource: {'.'.join(map(str, fixed))}, " + ", ".join(f"{k}={v!r}" for k, v in sorted(strings.items())))
    check(fixed == tuple(int(part) for part in version.split(".")) + (0,), f"the fixed file version is {fixed}")
    for key, wanted in [("FileVersion", version), ("ProductVersion", version),
                        ("ProductName", "Murvane"), ("OriginalFilename", "Murvane.exe")]:
        check(strings.get(key) == wanted, f"{key} is {strings.get(key)!r}, not {wanted!r}")
    for key in ["FileDescription", "LegalCopyright"]:
        check(strings.get(key), f"{key} is empty")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--zip", required=True)
    parser.add_argument("--unpack", required=True)
    parser.add_argument("--version", required=True)
    parser.add_argument("--cli-version", required=True)
    args = parser.parse_args()

    check(os.path.basename(args.zip) == release.zip_name(args.version), f"the zip is named {os.path.basename(args.zip)}")
    os.makedirs(args.unpack)
    with zipfile.ZipFile(args.zip) as archive:
        archive.extractall(args.unpack)
    found = unpacked_files(args.unpack)
    if check(found == sorted(SHIPPED), f"the zip holds {found}, not {sorted(SHIPPED)}"):
        check_sums(args.unpack)
        check_texts(args.unpack, args.version)
        check_version_resource(os.path.join(args.unpack, "Murvane.exe"), args.version, args.cli_version)
    for failure in failures:
        print(f"FAIL: {failure}", file=sys.stderr)
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()

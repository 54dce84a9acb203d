#!/usr/bin/env python3
"""Writes the zip for Windows users so that the same sources give the same bytes, and a
SHA256SUMS file beside it (the build's `dist` target runs it; `make dist`).

  dist.py ZIP FILE...

Each file goes in under its own name, in the order of the names, dated SOURCE_DATE_EPOCH (the
last commit's time, from git, when it is not set), with the same attributes wherever it is built.
"""

import hashlib
import os
import subprocess
import sys
import time
import zipfile

DOS_EPOCH = 315532800  # 1980-01-01, the earliest date a zip entry can carry


def source_date():
    """Seconds since 1970 that the entries carry."""
    if os.environ.get("SOURCE_DATE_EPOCH"):
        return int(os.environ["SOURCE_DATE_EPOCH"])
    here = os.path.dirname(os.path.abspath(__file__))
    try:
        stamp = subprocess.run(
            ["git", "-C", here, "log", "-1", "--format=%ct"],
            capture_output=True, text=True, check=True,
        ).stdout.strip()
        return int(stamp)
    except (OSError, subprocess.CalledProcessError, ValueError):
        return DOS_EPOCH


def main(zip_path, *files):
    if not files:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    date = time.gmtime(max(source_date(), DOS_EPOCH))[:6]
    os.makedirs(os.path.dirname(os.path.abspath(zip_path)), exist_ok=True)
    partial = zip_path + ".partial"
    with zipfile.ZipFile(partial, "w") as archive:
        for path in sorted(files, key=os.path.basename):
            entry = zipfile.ZipInfo(os.path.basename(path), date_time=date)
            entry.create_system = 0  # MS-DOS attributes, as Windows' own zips have
            entry.external_attr = 0x20  # "archive"
            entry.compress_type = zipfile.ZIP_DEFLATED
            with open(path, "rb") as file:
                archive.writestr(entry, file.read(), compresslevel=9)
    os.replace(partial, zip_path)

    with open(zip_path, "rb") as built:
        digest = hashlib.sha256(built.read()).hexdigest()
    sums = os.path.join(os.path.dirname(os.path.abspath(zip_path)), "SHA256SUMS")
    with open(sums, "w", newline="\n") as listing:
        listing.write("%s  %s\n" % (digest, os.path.basename(zip_path)))
    print("dist: %s\ndist: %s  (sha256 %s)" % (zip_path, sums, digest))
    return 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:]))

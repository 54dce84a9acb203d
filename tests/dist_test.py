#!/usr/bin/env python3
"""Checks the zip for Windows users: the release build of Pellucor.exe and a read-me that
Notepad shows right.

  dist_test.py ZIP RELEASE_EXE
"""

import struct
import sys
import zipfile

BOM = b"\xef\xbb\xbf"


def pe_kind(image):
    """(machine, optional-header magic, subsystem) of a PE image."""
    (at,) = struct.unpack_from("<I", image, 0x3C)
    if image[:2] != b"MZ" or image[at : at + 4] != b"PE\0\0":
        return None
    (machine,) = struct.unpack_from("<H", image, at + 4)
    optional = at + 24
    (magic,) = struct.unpack_from("<H", image, optional)
    (subsystem,) = struct.unpack_from("<H", image, optional + 68)
    return machine, magic, subsystem


def main(zip_path, release_path):
    faults = []
    with zipfile.ZipFile(zip_path) as archive:
        names = sorted(archive.namelist())
        if names != ["Pellucor.exe", "ReadMe.txt"]:
            faults.append("the zip holds %s, expected Pellucor.exe and ReadMe.txt" % names)
        exe = archive.read("Pellucor.exe")
        readme = archive.read("ReadMe.txt")
    with open(release_path, "rb") as release:
        if exe != release.read():
            faults.append("Pellucor.exe in the zip is not the bytes of %s" % release_path)
    # i386, PE32, Windows GUI
    if pe_kind(exe) != (0x14C, 0x10B, 2):
        faults.append("Pellucor.exe is not a 32-bit GUI program: %s" % (pe_kind(exe),))
    if not readme.startswith(BOM):
        faults.append("ReadMe.txt has no UTF-8 byte order mark")
    try:
        readme.decode("utf-8")
    except UnicodeDecodeError as error:
        faults.append("ReadMe.txt is not UTF-8: %s" % error)
    if readme.count(b"\n") == 0 or readme.count(b"\n") != readme.count(b"\r\n") or (
        readme.count(b"\r") != readme.count(b"\r\n")
    ):
        faults.append("ReadMe.txt does not end every line with CRLF")
    for fault in faults:
        print("dist: " + fault)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:]))

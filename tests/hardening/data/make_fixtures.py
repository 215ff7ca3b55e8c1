#!/usr/bin/python3
"""Writes the hostile archives the hardening tests read. Run from this folder.

Each file is named for what is wrong with it:
  zip-bomb-lying-size.zip        one entry that inflates to 64 MiB while both
                                 its headers state 1000 bytes
  truncated-central-directory.zip  three entries; the end record still counts
                                 three, the central directory holds two
"""
import io
import struct
import zipfile


def archive(entries):
    out = io.BytesIO()
    with zipfile.ZipFile(out, "w") as zf:
        for name, data in entries:
            info = zipfile.ZipInfo(name)
            info.compress_type = zipfile.ZIP_DEFLATED
            info.external_attr = 0o100644 << 16
            info.create_system = 3
            zf.writestr(info, data)
    return bytearray(out.getvalue())


def lying_size():
    data = archive([("bomb.bin", bytes(64 * 1024 * 1024))])
    stated = struct.pack("<I", 1000)
    local = data.find(b"PK\x03\x04")
    data[local + 22:local + 26] = stated
    central = data.find(b"PK\x01\x02")
    data[central + 24:central + 28] = stated
    return data


def truncated_directory():
    data = archive([("a.txt", b"a" * 100), ("b.txt", b"b" * 100), ("c.txt", b"c" * 100)])
    end = data.rfind(b"PK\x05\x06")
    third = data.rfind(b"PK\x01\x02", 0, end)
    # Cut the third directory record; the end record keeps its counts.
    cut = data[:third] + data[end:]
    return cut


for name, content in (("zip-bomb-lying-size.zip", lying_size()),
                      ("truncated-central-directory.zip", truncated_directory())):
    with open(name, "wb") as f:
        f.write(content)

# version-binary-junk: a version file of binary junk with separators, parent
# segments, NUL and bytes that are not UTF-8.
with open("version-binary-junk", "wb") as f:
    f.write(b"\x89PNG\r\n\x1a\n..\\..\\..\\Windows\x00/../../tmp/\xff\xfe\xc3(" + bytes(range(0, 256, 7)))

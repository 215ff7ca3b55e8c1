"""Inputs of the measurements, made afresh on every run from a fixed seed.

The installed tree: about 2,000 files in nested folders, half compressible
text and half random bytes, four of them 40 MB, 300 MB in all; the .exe and
.dll files carry execute bits so the running-image check has work to do.
files.zip packs that tree the way a delivery does (deflate, folder entries).
"""

import os
import random
import zipfile

SEED = 20240917
MB = 1000 * 1000
FIXED_TIME = 1700000000  # every file gets this mtime, so the archive is the same on every run
ZIP_TIME = (2023, 11, 14, 22, 13, 20)

FILE_COUNT = 2000
BIG_COUNT = 4
BIG_SIZE = 40 * MB
TOTAL_SIZE = 300 * MB


def _corpus(rng, size):
    """Word text: deflate shrinks it about as much as source code or logs."""
    letters = "abcdefghijklmnopqrstuvwxyz"
    words = ["".join(rng.choice(letters) for _ in range(rng.randint(2, 10))) for _ in range(3000)]
    lines, length = [], 0
    while length < size:
        line = " ".join(rng.choice(words) for _ in range(rng.randint(4, 14))) + "\n"
        lines.append(line)
        length += len(line)
    return "".join(lines).encode("ascii")[:size]


def _layout(rng):
    """Relative folder of each file: a few top-level files, the rest nested."""
    folders = [""]
    for top in ("bin", "plugins", "resources", "scripts", "lib", "translations", "samples", "docs"):
        folders.append(top)
        for sub in range(rng.randint(3, 6)):
            folders.append("%s/%s%02d" % (top, top[:3], sub))
            if rng.random() < 0.4:
                folders.append("%s/%s%02d/data" % (top, top[:3], sub))
    return folders


def _sizes(rng):
    """BIG_COUNT files of BIG_SIZE, the others log-uniform, scaled to the total."""
    small_count = FILE_COUNT - BIG_COUNT
    raw = [2 ** rng.uniform(9, 19) for _ in range(small_count)]
    scale = (TOTAL_SIZE - BIG_COUNT * BIG_SIZE) / sum(raw)
    return [max(1, int(s * scale)) for s in raw] + [BIG_SIZE] * BIG_COUNT


def make_tree(root):
    """Writes the installed tree below root; returns the sorted relative file paths."""
    rng = random.Random(SEED)
    corpus = _corpus(rng, 4 * 1024 * 1024)
    folders = _layout(rng)
    sizes = _sizes(rng)
    extensions = ["txt", "ini", "qml", "py", "json", "xml", "dat", "bin", "png", "pak", "dll", "exe"]
    paths = ["uninstall.exe", "OmbrixVPL.exe"]
    while len(paths) < FILE_COUNT:
        folder = rng.choice(folders)
        name = "f%04d.%s" % (len(paths), rng.choice(extensions))
        paths.append(folder + "/" + name if folder else name)
    files = []
    for index, (rel, size) in enumerate(zip(paths, sizes)):
        full = os.path.join(root, rel)
        os.makedirs(os.path.dirname(full), exist_ok=True)
        with open(full, "wb") as f:
            if index % 2 == 0:
                f.write(_text(rng, corpus, size))
            else:
                _write_random(f, rng, size)
        executable = rel.endswith((".exe", ".dll"))
        os.chmod(full, 0o755 if executable else 0o644)
        os.utime(full, (FIXED_TIME, FIXED_TIME))
        files.append(rel)
    return sorted(files)


def _text(rng, corpus, size):
    start = rng.randrange(len(corpus))
    out = bytearray()
    while len(out) < size:
        out += corpus[start:start + size - len(out)]
        start = 0
    return bytes(out)


def _write_random(f, rng, size):
    left = size
    while left > 0:
        piece = min(left, 16 * 1024 * 1024)
        f.write(rng.randbytes(piece))
        left -= piece


def make_zip(tree, files, archive):
    """files.zip: a folder entry before the files of each folder, deflate level 6."""
    seen = set()
    with zipfile.ZipFile(archive, "w", zipfile.ZIP_DEFLATED, compresslevel=6) as z:
        for rel in files:
            parts = rel.split("/")[:-1]
            for depth in range(1, len(parts) + 1):
                folder = "/".join(parts[:depth]) + "/"
                if folder not in seen:
                    seen.add(folder)
                    info = zipfile.ZipInfo(folder, ZIP_TIME)
                    info.external_attr = (0o40755 << 16) | 0x10
                    z.writestr(info, b"")
            info = zipfile.ZipInfo(rel, ZIP_TIME)
            info.compress_type = zipfile.ZIP_DEFLATED
            info.external_attr = (os.stat(os.path.join(tree, rel)).st_mode & 0xFFFF) << 16
            with open(os.path.join(tree, rel), "rb") as src, z.open(info, "w") as dst:
                while True:
                    piece = src.read(1024 * 1024)
                    if not piece:
                        break
                    dst.write(piece)
    return len(seen) + len(files)


def make_big_file(path, size=1024 * 1024 * 1024):
    """One file of random bytes (1 GiB by default)."""
    rng = random.Random(SEED + 1)
    with open(path, "wb") as f:
        _write_random(f, rng, size)
    os.utime(path, (FIXED_TIME, FIXED_TIME))

#!/usr/bin/python3
"""What a sandbox machine holds, and what changed between two moments.

  machinestate.py snapshot MACHINE OUT.json   files below MACHINE (with size
                                              and SHA-1, links with their
                                              target) and every value of the
                                              emulated registry in
                                              MACHINE/registry
  machinestate.py diff BEFORE.json AFTER.json [--title TEXT]
                                              what was placed, changed and
                                              removed, files and registry
                                              values apart; crowded folders
                                              are summed up

The machine's own path is written as <machine>. Python 3 standard library only.
"""

import argparse
import hashlib
import json
import os
import re
import sys

# Scratch space of the programs and of the demo, not the machine's state.
SKIPPED = {"runtime", "tmp", "registry", "standin.log"}
HIVES = {"HKEY_LOCAL_MACHINE.ini": "HKLM", "HKEY_LOCAL_MACHINE_64.ini": "HKLM(64)", "HKEY_CURRENT_USER.ini": "HKCU"}
CROWDED = 20


def digest(path):
    h = hashlib.sha1()
    with open(path, "rb") as f:
        for block in iter(lambda: f.read(65536), b""):
            h.update(block)
    return h.hexdigest()


def files(machine):
    found = {}
    for top in sorted(os.listdir(machine)):
        if top in SKIPPED:
            continue
        for dirpath, dirnames, filenames in os.walk(os.path.join(machine, top)):
            dirnames.sort()
            for name in sorted(dirnames + filenames):
                full = os.path.join(dirpath, name)
                rel = os.path.relpath(full, machine)
                if os.path.islink(full):
                    found[rel] = "link -> " + os.readlink(full).replace(machine, "<machine>")
                elif os.path.isdir(full):
                    found[rel] = "folder"
                elif os.path.isfile(full):
                    found[rel] = "%d bytes %s" % (os.path.getsize(full), digest(full)[:12])
    return found


def unescape_key(text):
    text = re.sub(r"%U([0-9A-Fa-f]{4})", lambda m: chr(int(m.group(1), 16)), text)
    return re.sub(r"%([0-9A-Fa-f]{2})", lambda m: chr(int(m.group(1), 16)), text)


def unescape_value(text):
    if len(text) >= 2 and text.startswith('"') and text.endswith('"'):
        text = text[1:-1]
    return re.sub(r'\\(.)', lambda m: {"n": "\n", "t": "\t"}.get(m.group(1), m.group(1)), text)


def registry(machine):
    """Qt's INI hives: [first group] then rest\\of\\the\\key=value lines."""
    values = {}
    folder = os.path.join(machine, "registry")
    for hive_file, hive in HIVES.items():
        path = os.path.join(folder, hive_file)
        if not os.path.isfile(path):
            continue
        section = ""
        with open(path, encoding="utf-8") as f:
            for line in f:
                line = line.rstrip("\r\n")
                if line.startswith("[") and line.endswith("]"):
                    section = unescape_key(line[1:-1])
                elif "=" in line:
                    key, value = line.split("=", 1)
                    name = unescape_key(key.strip())
                    full = hive + "\\" + (section + "\\" if section and section != "General" else "") + name
                    values[full] = unescape_value(value.strip()).replace(machine, "<machine>")
    return values


def snapshot(machine, out):
    machine = os.path.abspath(machine)
    with open(out, "w", encoding="utf-8") as f:
        json.dump({"files": files(machine), "registry": registry(machine)}, f, ensure_ascii=False, indent=0, sort_keys=True)


def summed_up(paths):
    """Paths, with every folder that holds more than CROWDED of them as one line."""
    by_folder = {}
    for p in paths:
        by_folder.setdefault(os.path.dirname(p), []).append(p)
    lines = []
    for folder in sorted(by_folder):
        group = by_folder[folder]
        if len(group) > CROWDED:
            lines.append("%s/ (%d entries)" % (folder, len(group)))
        else:
            lines.extend(sorted(group))
    return lines


def diff(before_file, after_file, title):
    with open(before_file, encoding="utf-8") as f:
        before = json.load(f)
    with open(after_file, encoding="utf-8") as f:
        after = json.load(f)
    if title:
        print("---- " + title)
    for kind, label in (("files", "files"), ("registry", "registry values")):
        old, new = before[kind], after[kind]
        placed = [k for k in new if k not in old]
        removed = [k for k in old if k not in new]
        changed = [k for k in new if k in old and new[k] != old[k]]
        for verb, keys in (("placed", placed), ("changed", changed), ("removed", removed)):
            if not keys:
                continue
            print("%s %s (%d):" % (label, verb, len(keys)))
            if kind == "files":
                shown = summed_up(keys) if verb != "changed" else sorted(keys)
                for line in shown:
                    detail = ""
                    if line in new and new[line] != "folder" and verb == "placed":
                        detail = "  " + new[line]
                    elif verb == "changed":
                        detail = "  " + old[line] + "  =>  " + new[line]
                    print("    " + line + detail)
            else:
                for key in sorted(keys):
                    if verb == "placed":
                        print("    %s = %s" % (key, new[key]))
                    elif verb == "changed":
                        print("    %s: %s  =>  %s" % (key, old[key], new[key]))
                    else:
                        print("    %s (was %s)" % (key, old[key]))
        if not (placed or removed or changed):
            print("%s: no change" % label)


def main():
    p = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    sub = p.add_subparsers(dest="command", required=True)
    s = sub.add_parser("snapshot")
    s.add_argument("machine")
    s.add_argument("out")
    d = sub.add_parser("diff")
    d.add_argument("before")
    d.add_argument("after")
    d.add_argument("--title", default="")
    args = p.parse_args()
    if args.command == "snapshot":
        if not os.path.isdir(args.machine):
            sys.exit("machinestate: no folder %s" % args.machine)
        snapshot(args.machine, args.out)
    else:
        diff(args.before, args.after, args.title)


if __name__ == "__main__":
    main()

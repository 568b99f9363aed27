#!/usr/bin/env python3
"""Checks that a shared library exports exactly the names listed in a file (one per line,
'#' starts a comment): nothing missing, nothing extra."""
import subprocess
import sys


def exported(library):
    out = subprocess.run(["nm", "-D", "--defined-only", library], check=True,
                         capture_output=True, text=True).stdout
    names = set()
    for line in out.splitlines():
        fields = line.split()
        if len(fields) >= 3:
            names.add(fields[2].split("@")[0])
    return names


def listed(path):
    with open(path, encoding="utf-8") as f:
        return {line.split("#")[0].strip() for line in f} - {""}


def main():
    library, list_file = sys.argv[1], sys.argv[2]
    have, want = exported(library), listed(list_file)
    missing, extra = sorted(want - have), sorted(have - want)
    for name in missing:
        print(f"missing export: {name}")
    for name in extra:
        print(f"unexpected export: {name}")
    if missing or extra:
        return 1
    print(f"{len(have)} exports, as listed")
    return 0


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/env python3
"""Checks a cross-built Windows program or DLL with the MinGW objdump: a DLL exports
exactly the names listed in a file (one per line, '#' starts a comment), and every file
imports only DLLs that come with Windows, so no MinGW runtime DLL must be shipped beside it.
    check_dll.py FILE [--exports LIST] [--allow DLL]..."""
import argparse
import re
import subprocess
import sys

OBJDUMP = "x86_64-w64-mingw32-objdump"
# DLLs of Windows itself (lower case); msvcrt.dll is the system's C runtime.
SYSTEM_DLLS = {
    "kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "winspool.drv", "setupapi.dll",
    "msvcrt.dll", "ntdll.dll", "shell32.dll", "ole32.dll", "ws2_32.dll", "bcrypt.dll",
    # and those that Qt and FFmpeg import (lankit.exe's zip)
    "comdlg32.dll", "d3d11.dll", "dnsapi.dll", "dwmapi.dll", "dxgi.dll", "imm32.dll",
    "iphlpapi.dll", "mpr.dll", "netapi32.dll", "oleaut32.dll", "opengl32.dll", "userenv.dll",
    "uxtheme.dll", "version.dll", "winmm.dll", "wtsapi32.dll",
}


def headers(path):
    return subprocess.run([OBJDUMP, "-p", path], check=True, capture_output=True,
                          text=True).stdout


def imports(dump):
    return [m.group(1) for m in re.finditer(r"^\s*DLL Name: (\S+)", dump, re.M)]


def exports(dump):
    names = set()
    table = dump.split("[Ordinal/Name Pointer] Table", 1)
    if len(table) < 2:
        return names
    for line in table[1].splitlines()[1:]:
        m = re.match(r"^\s*\[\s*\d+\]\s+(\S+)\s*$", line)
        if not m:
            break
        names.add(m.group(1))
    return names


def listed(path):
    with open(path, encoding="utf-8") as f:
        return {line.split("#")[0].strip() for line in f} - {""}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("file")
    parser.add_argument("--exports")
    parser.add_argument("--allow", action="append", default=[],
                        help="a DLL of our own that may be imported")
    args = parser.parse_args()
    allowed = SYSTEM_DLLS | {dll.lower() for dll in args.allow}
    dump = headers(args.file)
    failed = False
    foreign = [dll for dll in imports(dump) if dll.lower() not in allowed]
    for dll in foreign:
        print(f"imports a DLL that Windows does not bring: {dll}")
        failed = True
    if args.exports:
        have, want = exports(dump), listed(args.exports)
        for name in sorted(want - have):
            print(f"missing export: {name}")
        for name in sorted(have - want):
            print(f"unexpected export: {name}")
        failed = failed or have != want
        print(f"{len(have)} exports")
    print(f"imports: {', '.join(imports(dump))}")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())

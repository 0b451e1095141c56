#!/usr/bin/env python3
"""Compares what Windows programs import with the committed allow-list.

    check-imports.py ALLOW_LIST [--export NAME]... PROGRAM.exe...

Every DLL!Function that a program imports must stand on the list, which records for each the
first Windows that has it; a program that imports anything else would not start on that
Windows ("entry point not found"). An entry whose first Windows is "XP x64" is allowed in
64-bit programs only. Also checks the PE subsystem version: at most 5.0 for 32-bit programs
(Windows 2000), 5.2 for 64-bit ones (Windows XP x64), and that each program exports every
--export NAME undecorated. Prints one line per program and exits 1 when any program fails.
"""
import re
import subprocess
import sys

MAX_SUBSYSTEM = {"i386": (5, 0), "x86-64": (5, 2)}


def read_allow_list(path):
    allowed = {}
    with open(path, encoding="utf-8") as f:
        for number, line in enumerate(f, 1):
            entry, _, note = line.partition("#")
            entry = entry.strip()
            if not entry:
                continue
            dll, sep, function = entry.partition("!")
            if not sep or not function or " " in function:
                sys.exit(f"{path}:{number}: expected DLL!Function, found {entry!r}")
            if not note.strip():
                sys.exit(f"{path}:{number}: {entry} has no note of its first Windows")
            first_windows = note.split(";")[0].strip()
            allowed[(dll.lower(), function)] = "x86-64" if first_windows == "XP x64" else "any"
    return allowed


def objdump(program):
    for tool in ("x86_64-w64-mingw32-objdump", "i686-w64-mingw32-objdump", "objdump"):
        try:
            return subprocess.run([tool, "-p", program], check=True, capture_output=True,
                                  text=True, errors="replace").stdout
        except (OSError, subprocess.CalledProcessError):
            continue
    sys.exit(f"{program}: no objdump could read it")


def imports_of(dump):
    found, dll = [], None
    for line in dump.splitlines():
        m = re.match(r"\s*DLL Name: (\S+)", line)
        if m:
            dll = m.group(1)
            continue
        # "\t6d670\t  141  CloseHandle": address, hint, name; "<none>" entries are ordinals.
        m = re.match(r"\t[0-9a-f]+\t\s+(\d+)\s+(\S+)\s*$", line)
        if m and dll:
            found.append((dll, m.group(2)))
            continue
        m = re.match(r"\t[0-9a-f]+\t\s+<none>\s+(\S+)", line)
        if m and dll:
            found.append((dll, "#" + str(int(m.group(1), 16))))
        if line.startswith("There is an export table") or line.startswith("The Export Tables"):
            dll = None
    return found


def subsystem_of(dump):
    fmt = re.search(r"file format pei-(\S+)", dump)
    major = re.search(r"MajorSubsystemVersion\s+(\d+)", dump)
    minor = re.search(r"MinorSubsystemVersion\s+(\d+)", dump)
    if not (fmt and major and minor):
        return None, None
    return fmt.group(1), (int(major.group(1)), int(minor.group(1)))


def exports_of(dump):
    # "\t[   0] OPENCOMMDLG_PROC" in the export table's name pointer list.
    return set(re.findall(r"^\t\[\s*\d+\] (\S+)$", dump, re.MULTILINE))


def check(program, allowed, wanted_exports):
    dump = objdump(program)
    problems = []
    machine, version = subsystem_of(dump)
    if machine not in MAX_SUBSYSTEM:
        problems.append(f"not a 32- or 64-bit x86 Windows program ({machine})")
    elif version > MAX_SUBSYSTEM[machine]:
        problems.append("subsystem version %d.%d is above %d.%d" % (version + MAX_SUBSYSTEM[machine]))
    imports = imports_of(dump)
    if not imports:
        problems.append("no imports found (objdump output not understood)")
    for dll, function in imports:
        scope = allowed.get((dll.lower(), function))
        if scope is None:
            problems.append(f"imports {dll}!{function}, which is not on the allow-list")
        elif scope != "any" and scope != machine:
            problems.append(f"imports {dll}!{function}, which the list allows in {scope} programs only")
    exports = exports_of(dump)
    for name in wanted_exports:
        if name not in exports:
            problems.append(f"does not export {name} (exports: {', '.join(sorted(exports)) or 'none'})")
    name = f"{program} ({machine}, {len(imports)} imports)"
    if problems:
        print(f"FAIL {name}")
        for p in problems:
            print(f"     {p}")
        return False
    print(f"ok   {name}")
    return True


def main():
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    allowed = read_allow_list(sys.argv[1])
    args, wanted_exports, programs = sys.argv[2:], [], []
    while args:
        if args[0] == "--export" and len(args) > 1:
            wanted_exports.append(args[1])
            args = args[2:]
        else:
            programs.append(args.pop(0))
    if not programs:
        sys.exit(__doc__)
    results = [check(p, allowed, wanted_exports) for p in programs]
    return 0 if all(results) else 1


if __name__ == "__main__":
    sys.exit(main())

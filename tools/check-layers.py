#!/usr/bin/env python3
"""Checks that every #include "folder/..." under src/ goes down the layers or sideways.

Layers, bottom up (a folder may include its own layer and those below it):
  base; db; config; schema; session; stations, measures, charts, outputs, imports, quality; run; cli
db includes only itself and the connection profile it is given. Code outside a widgets/
folder never includes a widgets/ header (the core library links no Qt Widgets).

Usage: check-layers.py [SRC_DIR] [--expect FILE]
  SRC_DIR defaults to the project's src/. Exit 1 on a violation; with --expect, exit 0 only
  when the violations found are exactly FILE's lines (the check's own test).
"""
import pathlib
import re
import sys

LAYERS = [
    ["base"],
    ["db"],
    ["config"],
    ["schema"],
    ["session"],
    ["stations", "measures", "charts", "outputs", "imports", "quality"],
    ["run"],
    ["cli"],
]
RANK = {folder: rank for rank, folders in enumerate(LAYERS) for folder in folders}
# The access component knows nothing above itself but the profile it connects with.
ONLY = {"db": {"db/", "config/connectionprofile.h"}}
# The client's main() builds the first screens, as a widgets/ file would; the command
# line's main() starts the chart command, which draws with widgets.
GUI_ENTRY_POINTS = {"run/main.cpp", "cli/main.cpp"}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')


def allowed(source_folder, target):
    only = ONLY.get(source_folder)
    if only is not None:
        return any(target == rule or (rule.endswith("/") and target.startswith(rule))
                   for rule in only)
    target_folder = target.split("/", 1)[0]
    return RANK[target_folder] <= RANK[source_folder]


def check(src):
    faults = []
    for path in sorted(src.rglob("*")):
        if path.suffix not in (".h", ".cpp") or not path.is_file():
            continue
        relative = path.relative_to(src)
        folder = relative.parts[0]
        if folder not in RANK:
            faults.append(f"{relative}: folder '{folder}' has no layer (add it to {__file__})")
            continue
        in_widgets = ("widgets" in relative.parts[:-1]
                      or relative.as_posix() in GUI_ENTRY_POINTS)
        for number, line in enumerate(path.read_text(encoding="utf-8").splitlines(), 1):
            match = INCLUDE.match(line)
            if not match or "/" not in match.group(1):
                continue
            target = match.group(1)
            target_folder = target.split("/", 1)[0]
            if target_folder not in RANK:
                continue  # a test or third-party header
            where = f"{relative}:{number}: {target}"
            if not allowed(folder, target):
                faults.append(f"{where}: {folder} may not include {target_folder} (upward)")
            elif not in_widgets and "/widgets/" in target:
                faults.append(f"{where}: core code may not include a screen's header")
    return faults


def main():
    args = sys.argv[1:]
    expected = None
    if "--expect" in args:
        at = args.index("--expect")
        expected = pathlib.Path(args[at + 1]).read_text(encoding="utf-8").splitlines()
        del args[at:at + 2]
    src = pathlib.Path(args[0] if args else
                       pathlib.Path(__file__).resolve().parent.parent / "src")
    faults = check(src)
    for fault in faults:
        print(fault)
    print(f"layers: {len(faults)} include(s) against the layers in {src}")
    if expected is not None:
        missed = [line for line in expected if line not in faults]
        for line in missed:
            print(f"not caught: {line}")
        return 0 if not missed and len(faults) == len(expected) else 1
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())

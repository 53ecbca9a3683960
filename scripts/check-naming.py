#!/usr/bin/env python3
"""Checks the one member naming scheme without a compile: members carry the m_ prefix,
so no identifier of ours ends in an underscore (the other scheme, name_). Exits 1 and
lists every such identifier with its place.
"""
import pathlib
import re
import subprocess
import sys

ROOT = pathlib.Path(__file__).resolve().parent.parent
TRAILING = re.compile(r"\b[a-z][A-Za-z0-9]*_\b")
# Comments and string literals are not code.
NOT_CODE = re.compile(r'//[^\n]*|/\*.*?\*/|"(?:\\.|[^"\\\n])*"', re.S)


def main():
    files = subprocess.run(["git", "ls-files", "*.cpp", "*.h"], cwd=ROOT, capture_output=True,
                           text=True, check=True).stdout.split()
    problems = []
    for name in files:
        text = NOT_CODE.sub(" ", (ROOT / name).read_text(encoding="utf-8", errors="replace"))
        for match in sorted(set(TRAILING.findall(text))):
            problems.append(f"{name}: {match} (members are named m_{match[:-1]})")
    for problem in problems:
        print(problem, file=sys.stderr)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())

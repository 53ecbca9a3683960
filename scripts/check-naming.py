#!/usr/bin/env python3
"""Checks the one naming scheme without a compile, in the C++ files of the repository:

- types are PascalCase without a C prefix (CFoo) or a leading underscore (_STRU_FOO),
  which C++ reserves at namespace scope;
- members carry the m_ prefix, so no identifier of ours ends in an underscore (the other
  scheme, name_);
- no member or field carries a Hungarian type prefix (m_strName, dwResult, nCount,
  bDone, pNext, byBuffer, ...): names say what a thing is, the type says how it is held.

Comments, string and character literals are not code and are left out. Exits 1 and lists
every finding with its place.
"""
import pathlib
import re
import subprocess
import sys

ROOT = pathlib.Path(__file__).resolve().parent.parent
NOT_CODE = re.compile(r"//[^\n]*|/\*.*?\*/|\"(?:\\.|[^\"\\\n])*\"|'(?:\\.|[^'\\\n])*'", re.S)
TRAILING = re.compile(r"\b[a-z][A-Za-z0-9]*_\b")
TYPE_NAME = re.compile(r"\b(?:class|struct|union|enum(?:\s+class|\s+struct)?)\s+"
                       r"(?:\[\[[^\]]*\]\]\s*)?([A-Za-z_][A-Za-z0-9_]*)")
HUNGARIAN = re.compile(
    r"(?<![A-Za-z0-9_])((?:m_)?(?:str|sz|psz|lp|dw|by|ch|n|b|p|w|ui|ul)[A-Z][A-Za-z0-9]*)\b")
# Qt's and the system's own names, which we use but do not choose.
FOREIGN_TYPES = {"QAccessibleEvent"}


def type_problems(name, text):
    for match in TYPE_NAME.finditer(text):
        type_name = match.group(1)
        if type_name.startswith("_"):
            yield f"{name}: {type_name} (a leading underscore is reserved)"
        elif re.match(r"C[A-Z]", type_name) and type_name not in FOREIGN_TYPES:
            yield f"{name}: {type_name} (types carry no C prefix: {type_name[1:]})"


def main():
    files = subprocess.run(["git", "ls-files", "*.cpp", "*.h"], cwd=ROOT, capture_output=True,
                           text=True, check=True).stdout.split()
    problems = []
    for name in files:
        text = NOT_CODE.sub(" ", (ROOT / name).read_text(encoding="utf-8", errors="replace"))
        for match in sorted(set(TRAILING.findall(text))):
            problems.append(f"{name}: {match} (members are named m_{match[:-1]})")
        problems.extend(sorted(set(type_problems(name, text))))
        for match in sorted(set(HUNGARIAN.findall(text))):
            problems.append(f"{name}: {match} (no type prefix: name what it holds)")
    for problem in problems:
        print(problem, file=sys.stderr)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())

"""Every relative link of the README, CONTRIBUTING.md and docs/*.md reaches a file or
folder of the tree, the README links the maintainers' documents, and every test that
CONTRIBUTING.md shows how to run one of (`ctest -R 'REGEX'`) exists in the build.

    links_test.py SOURCE_DIR BUILD_DIR
"""
import pathlib
import re
import subprocess
import sys

LINK = re.compile(r"\]\(([^)\s]+)\)")


def main():
    root = pathlib.Path(sys.argv[1])
    documents = [root / "README.md", root / "CONTRIBUTING.md", *sorted(root.glob("docs/*.md"))]
    problems = []
    for document in documents:
        if not document.is_file():
            problems.append(f"{document.relative_to(root)} is missing")
            continue
        for target in LINK.findall(document.read_text(encoding="utf-8")):
            if re.match(r"^[a-z]+:", target) or target.startswith("#"):
                continue
            path = (document.parent / target.split("#")[0]).resolve()
            if not path.exists():
                problems.append(f"{document.relative_to(root)}: broken link {target}")
    readme = (root / "README.md").read_text(encoding="utf-8")
    for needed in ("docs/architecture.md", "CONTRIBUTING.md"):
        if f"]({needed})" not in readme:
            problems.append(f"README.md does not link {needed}")
    contributing = root / "CONTRIBUTING.md"
    if contributing.is_file():
        for regex in re.findall(r"ctest --test-dir build -R '([^']+)'",
                                contributing.read_text(encoding="utf-8")):
            listed = subprocess.run(["ctest", "--test-dir", sys.argv[2], "-N", "-R", regex],
                                    capture_output=True, text=True, check=True).stdout
            if not re.search(r"Total Tests: [1-9]", listed):
                problems.append(f"CONTRIBUTING.md: no test matches -R '{regex}'")
    for problem in problems:
        print(f"FAIL [docs]: {problem}", file=sys.stderr)
    print(f"links of {len(documents)} documents checked")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())

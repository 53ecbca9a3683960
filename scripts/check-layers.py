#!/usr/bin/env python3
"""Checks that includes run one way between the project's layers.

Each folder may include only the folders listed for it. The core folders include no Qt
header at all; pages never include one another or the application; nothing outside the
simulator includes the simulator, and the simulator includes nothing of ours. No core file names a page or widget of the GUI: the
core reports what became of a device operation, and the pages decide what to show.
Neither the window layer nor the controls name a page of the application: they serve any
page.
Exits 1 and lists every include that breaks a rule.

    check-layers.py          check the tree
    check-layers.py --dot    print the layer picture (Graphviz) that docs/layers.dot holds:
                             an arrow for each folder a folder may include, without the
                             arrows that a path of others already implies
"""
import pathlib
import re
import sys

ROOT = pathlib.Path(__file__).resolve().parent.parent

CORE = ["platform", "resources", "text", "hostnet", "discovery", "web", "device", "wizard",
        "apply"]

# folder -> folders whose headers it may include (its own is always allowed)
ALLOWED = {
    "platform": [],
    "platform/linux": ["platform"],
    # The network helper program: the core's rules over the Linux primitives.
    "netadmin": ["platform", "platform/linux", "hostnet"],
    "platform/qt": ["platform"],
    "resources": ["platform"],
    # The models behind the text controls: the markup parser, the IPv4 field's editing.
    "text": [],
    "hostnet": ["platform", "platform/linux", "resources"],
    "discovery": ["platform", "resources"],
    "web": ["platform", "resources", "hostnet"],
    # The device operations the wizard and tamselctl both run.
    "device": ["platform", "resources", "hostnet", "web"],
    "wizard": ["platform", "resources", "hostnet", "web", "device"],
    # A repeater's desired state and the plan that reaches it (tamselctl apply).
    "apply": ["platform", "resources", "hostnet", "web", "device"],
    "controls": ["platform", "resources", "text"],
    "window": ["platform", "resources", "text", "controls"],
    "discovery/ui": ["platform", "resources", "text", "hostnet", "discovery", "web", "controls",
                     "window"],
    "wizard/ui": ["platform", "resources", "text", "hostnet", "web", "device", "wizard",
                  "controls", "window"],
    "app": ["platform", "platform/linux", "platform/qt", "resources", "text", "hostnet", "discovery",
            "web", "device", "wizard", "controls", "window", "discovery/ui", "wizard/ui"],
    "cli": ["platform", "platform/linux", "platform/qt", "resources", "hostnet", "discovery",
            "web", "device", "wizard", "apply"],
    "sim": [],
    # The build-time artwork tool: Qt only.
    "resources/art": [],
}
NO_QT = set(CORE) | {"platform/linux", "netadmin", "cli"}
# Files of a no-Qt folder that run the core on the Qt event loop.
QT_ENTRY_POINTS = {"cli/main.cpp"}

INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]', re.M)

# What the GUI is made of, which the core may not name, not even in a comment: the page
# and dialog classes, Qt's widgets, the enum of the wizard's pages and the ids of the
# pages' controls that a core once drove.
GUI_NAMES = re.compile(
    r"\b((?:Search|Summary|Wireless|IpAddress|Firmware|Password|Reset|Wizard|Skinned)Page"
    r"|MainWindow|WizardFrame|MessageBox|ProgressDialog|DialogWindow|QWidget|QPushButton"
    r"|QLineEdit|WizardPageId|WizardControl|WizardWait|IWizardView|MenuEntry)\b")

# What the application's pages are, which the layers every page stands on (the window
# layer and the controls) may not name either: they serve any page.
PAGE_NAMES = re.compile(
    r"\b((?:Search|Summary|Wireless|IpAddress|Firmware|Password|Reset|Wizard)Page"
    r"|MainWindow|WizardFrame|WizardPageId)\b")
PAGE_LAYERS = {"window", "controls"}


def folder_of(path):
    """The most specific folder of ALLOWED that holds `path` (relative, posix)."""
    parts = pathlib.PurePosixPath(path).parts[:-1]
    for n in range(len(parts), 0, -1):
        candidate = "/".join(parts[:n])
        if candidate in ALLOWED:
            return candidate
    return None


# How the picture groups the folders: the Qt-free core, the GUI, and the programs and
# tools that stand beside them.
PICTURE_GROUPS = [
    ("core", "the core: no Qt", CORE + ["platform/linux"]),
    ("gui", "the GUI: Qt Widgets", ["controls", "window", "discovery/ui", "wizard/ui", "app"]),
    ("programs", "the other programs, and the Qt event loop",
     ["platform/qt", "cli", "netadmin", "sim", "resources/art"]),
]


def reduced_edges():
    """The may-include arrows of ALLOWED without those implied by a longer path."""
    def reachable(start, skip_direct_to=None):
        seen, todo = set(), [t for t in ALLOWED[start] if t != skip_direct_to]
        while todo:
            node = todo.pop()
            if node not in seen:
                seen.add(node)
                todo.extend(ALLOWED.get(node, []))
        return seen
    return [(folder, target) for folder in ALLOWED for target in ALLOWED[folder]
            if target not in reachable(folder, skip_direct_to=target)]


def picture():
    lines = ["// Generated by scripts/check-layers.py --dot from its rules; do not edit.",
             "// scripts/draw-layers.sh renders it to docs/layers.svg.",
             "digraph layers {",
             '    rankdir=BT; fontname=Sans;',
             '    node [shape=box, style="rounded,filled", fillcolor=white, fontname=Sans];',
             '    edge [color="#555555"];']
    for name, label, folders in PICTURE_GROUPS:
        lines.append(f"    subgraph cluster_{name} {{")
        lines.append(f'        label="{label}"; style=filled; fillcolor="#eef2f6";')
        lines.extend(f'        "{folder}";' for folder in folders)
        lines.append("    }")
    lines.extend(f'    "{a}" -> "{b}";' for a, b in reduced_edges())
    lines.append("}")
    return "\n".join(lines) + "\n"


def main():
    if sys.argv[1:] == ["--dot"]:
        sys.stdout.write(picture())
        return 0
    problems = []
    for source in sorted(ROOT.rglob("*")):
        if source.suffix not in (".h", ".cpp") or not source.is_file():
            continue
        rel = source.relative_to(ROOT).as_posix()
        if rel.startswith(("build", ".git", "tests/", "bench/")):
            continue
        folder = folder_of(rel)
        if folder is None:
            continue
        allowed = set(ALLOWED[folder]) | {folder}
        text = source.read_text(encoding="utf-8", errors="replace")
        if folder in CORE:
            for number, line in enumerate(text.splitlines(), 1):
                for name in GUI_NAMES.findall(line):
                    problems.append(f"{rel}:{number}: the core names the GUI's {name}")
        if folder in PAGE_LAYERS:
            for number, line in enumerate(text.splitlines(), 1):
                for name in PAGE_NAMES.findall(line):
                    problems.append(f"{rel}:{number}: the page layer names the page {name}")
        for kind, target in INCLUDE.findall(text):
            if kind == "<":
                if folder in NO_QT and rel not in QT_ENTRY_POINTS and target.startswith("Q"):
                    problems.append(f"{rel}: Qt header <{target}> in a Qt-free layer")
                continue
            target_folder = folder_of(target)
            if target_folder is None:
                problems.append(f'{rel}: "{target}" is not in a known layer')
            elif target_folder not in allowed:
                problems.append(f'{rel}: {folder}/ may not include "{target}"')
    for problem in problems:
        print(problem, file=sys.stderr)
    if problems:
        print(f"check-layers: {len(problems)} problem(s) against the layer rules",
              file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())

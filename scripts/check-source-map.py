#!/usr/bin/env python3
"""Fails when README.md's source map names a file or folder that does not exist.

The map is the part of the "## Where things are" section under its "###"
headings, the headings included. A name in backquotes there is a path when it holds no blank and
either holds a "/" or ends in .h, .cpp or .py. It is looked for:
  - without a "/": in the folder named first in the heading above it, except
    test_*.cpp, which is in tests/unit;
  - starting with gui/ or integration/: under tests/;
  - otherwise from the top of the repository.
A path ending in "/" must be a folder; "*" stands for any characters and must
match at least one file.
Usage: scripts/check-source-map.py [README]
"""
import glob
import os
import re
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
MAP_HEADING = "## Where things are"
SOURCE_SUFFIXES = (".h", ".cpp", ".py")
CODE = re.compile(r"`([^`\n]+)`")


def is_path(token):
    if any(c.isspace() for c in token):
        return False
    return "/" in token or token.endswith(SOURCE_SUFFIXES)


def resolve(token, folder):
    """The path from the top of the repository, or None when no folder applies."""
    if "/" not in token:
        if re.fullmatch(r"test_[^/]*\.cpp", token):
            return "tests/unit/" + token
        return None if folder is None else folder.rstrip("/") + "/" + token
    if token.startswith(("gui/", "integration/")):
        return "tests/" + token
    return token


def exists(path):
    full = os.path.join(ROOT, path)
    if "*" in path:
        return any(os.path.isfile(p) for p in glob.glob(full))
    if path.endswith("/"):
        return os.path.isdir(full)
    return os.path.exists(full)


def map_lines(lines):
    """(line number, text, folder) for each line of the map."""
    inside = False
    folder = None
    in_heading = False
    for number, line in enumerate(lines, 1):
        if line.startswith("## "):
            inside = line.rstrip() == MAP_HEADING
            in_heading = False
            continue
        if not inside:
            continue
        if line.startswith("### "):
            in_heading = True
            names = [t for t in CODE.findall(line) if is_path(t)]
            folder = names[0] if names else None
            yield number, line, None
            continue
        if in_heading:
            yield number, line, folder


def main():
    readme = sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "README.md")
    with open(readme, encoding="utf-8") as f:
        lines = f.read().splitlines()
    name = os.path.relpath(readme)
    problems = []
    checked = 0
    for number, line, folder in map_lines(lines):
        for token in CODE.findall(line):
            if not is_path(token):
                continue
            path = resolve(token, folder)
            checked += 1
            if path is None:
                problems.append(f"{name}:{number}: `{token}` has no folder: its heading names none")
            elif not exists(path):
                what = "folder" if path.endswith("/") else "file"
                problems.append(f"{name}:{number}: `{token}`: no {what} {path}")
    if checked == 0:
        problems.append(f'{name}: no paths found under "{MAP_HEADING}" and its "###" headings')
    for problem in problems:
        print(problem, file=sys.stderr)
    if problems:
        print(f"check-source-map: {len(problems)} problem(s) in the source map of {name}",
              file=sys.stderr)
        return 1
    print(f"check-source-map: the {checked} paths in the source map exist")
    return 0


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/env python3
"""Finds include loops between the repository's files.

A header and its source are one unit (capturedevice/DeviceFaults.h and .cpp
are "capturedevice/DeviceFaults"): a loop is a unit whose files include a
header of another unit whose files, directly or through others, include a
header of the first. framework/ (the platform framework, whose classes know
each other by design), tests/googletest and build folders are not read.

Each #include "..." is resolved as the compiler does: first beside the
including file, then against the include folders that the CMake files name
(target_include_directories). Includes that resolve to no file of the tree
(platform headers, generated files) are left out.

    tools/check-include-loops.py [--edges | --folders | --self-test] [ROOT]

Prints each loop with the include lines that make it, and exits 1 when there
is one. --edges (or INCLUDE_GRAPH=edges) lists the graph's edges, unit by
unit; --folders (or INCLUDE_GRAPH=folders) what each folder includes of
another, with the count of include lines. --self-test checks the checker on
small trees of its own: that it finds what is a loop, and only that.
"""

import contextlib
import io
import os
import re
import sys
import tempfile
from collections import defaultdict

SOURCE_EXTENSIONS = (".h", ".hpp", ".c", ".cpp", ".rc")
SKIPPED = ("framework", os.path.join("tests", "googletest"))
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')
INCLUDE_DIRS = re.compile(r"target_include_directories\s*\(([^)]*)\)", re.S)
KEYWORDS = {"PUBLIC", "PRIVATE", "INTERFACE", "SYSTEM", "BEFORE", "AFTER"}


def skipped(rel):
    top = rel.split(os.sep)[0]
    return top.startswith("build") or top.startswith(".") or any(
        rel == s or rel.startswith(s + os.sep) for s in SKIPPED
    )


def walk(root):
    """Every file of the tree outside build folders (build* or any folder with a
    CMakeCache.txt) and hidden folders."""
    for folder, dirs, files in os.walk(root):
        rel_folder = os.path.relpath(folder, root)
        dirs[:] = sorted(
            d
            for d in dirs
            if not skipped(os.path.normpath(os.path.join(rel_folder, d)))
            and not os.path.exists(os.path.join(folder, d, "CMakeCache.txt"))
        )
        for name in sorted(files):
            yield os.path.normpath(os.path.join(rel_folder, name))


def include_roots(root, all_files):
    """The folders the CMake files give as include folders, the root first."""
    roots = [root]
    for rel in all_files:
        if os.path.basename(rel) != "CMakeLists.txt":
            continue
        here = os.path.dirname(os.path.join(root, rel))
        with open(os.path.join(root, rel), encoding="utf-8", errors="replace") as f:
            text = f.read()
        for match in INCLUDE_DIRS.finditer(text):
            for word in match.group(1).split()[1:]:
                if word in KEYWORDS:
                    continue
                path = (
                    word.replace("${CMAKE_SOURCE_DIR}", root)
                    .replace("${PROJECT_SOURCE_DIR}", root)
                    .replace("${CMAKE_CURRENT_SOURCE_DIR}", here)
                )
                path = os.path.normpath(path)
                if "$" not in path and os.path.isdir(path) and path not in roots:
                    roots.append(path)
    return roots


HEADER_EXTENSIONS = (".h", ".hpp")


def units_of(sources, includes):
    """Each file's unit: a header and its sources are one, named by the header
    without its extension. A source is its header's when it has the header's
    name, or begins with it and includes it (VidrakeViewCapture.cpp, a part of
    VidrakeView.h's class); otherwise it is a unit of its own."""
    headers = {os.path.splitext(f)[0] for f in sources if f.endswith(HEADER_EXTENSIONS)}
    included = defaultdict(set)
    for rel, _, target in includes:
        included[rel].add(os.path.splitext(target)[0])
    units = {}
    for rel in sources:
        stem = os.path.splitext(rel)[0]
        parts = [h for h in included[rel] if h in headers and os.path.dirname(h) == os.path.dirname(stem)
                 and stem.startswith(h)]
        units[rel] = stem if stem in headers or not parts else max(parts, key=len)
    return units


def read_includes(root, sources, roots):
    """(including file, line number, included file) for each resolved include."""
    found = []
    for rel in sources:
        with open(os.path.join(root, rel), encoding="utf-8", errors="replace") as f:
            lines = f.readlines()
        for number, line in enumerate(lines, 1):
            match = INCLUDE.match(line)
            if not match:
                continue
            for folder in [os.path.dirname(os.path.join(root, rel))] + roots:
                candidate = os.path.normpath(os.path.join(folder, match.group(1)))
                if os.path.isfile(candidate):
                    found.append((rel, number, os.path.relpath(candidate, root)))
                    break
    return found


def strongly_connected(graph):
    """Tarjan's components of more than one unit, each sorted."""
    index, low, on_stack, stack, components = {}, {}, set(), [], []

    def visit(v):
        index[v] = low[v] = len(index)
        stack.append(v)
        on_stack.add(v)
        for w in sorted(graph[v]):
            if w not in index:
                visit(w)
                low[v] = min(low[v], low[w])
            elif w in on_stack:
                low[v] = min(low[v], index[w])
        if low[v] == index[v]:
            component = []
            while True:
                w = stack.pop()
                on_stack.discard(w)
                component.append(w)
                if w == v:
                    break
            if len(component) > 1:
                components.append(sorted(component))

    sys.setrecursionlimit(10000)
    for v in sorted(graph):
        if v not in index:
            visit(v)
    return components


def simple_cycles(graph, members, limit=20):
    """The loops within one component, each from its smallest unit; at most `limit`."""
    members = sorted(members)
    cycles = []
    for i, start in enumerate(members):
        allowed = set(members[i:])
        path = [start]

        def extend(v):
            for w in sorted(graph[v] & allowed):
                if len(cycles) >= limit:
                    return
                if w == start:
                    cycles.append(list(path))
                elif w not in path:
                    path.append(w)
                    extend(w)
                    path.pop()

        extend(start)
    return cycles


def main(argv):
    args = [a for a in argv if not a.startswith("--")]
    listing = os.environ.get("INCLUDE_GRAPH", "")
    if "--edges" in argv:
        listing = "edges"
    if "--folders" in argv:
        listing = "folders"
    root = os.path.abspath(args[0] if args else os.path.join(os.path.dirname(__file__), ".."))

    all_files = list(walk(root))
    sources = [f for f in all_files if f.endswith(SOURCE_EXTENSIONS)]
    includes = read_includes(root, sources, include_roots(root, all_files))

    units = units_of(sources, includes)
    unit = lambda rel: units.get(rel, os.path.splitext(rel)[0])
    graph = defaultdict(set)
    lines = defaultdict(list)  # (unit, unit) -> "file:line includes file"
    for rel, number, target in includes:
        a, b = unit(rel), unit(target)
        graph[a]
        graph[b]
        if a != b:
            graph[a].add(b)
            lines[(a, b)].append(f"{rel}:{number} includes {target}")

    if listing == "edges":
        for (a, b) in sorted(lines):
            print(f"{a} -> {b}")
    elif listing == "folders":
        counts = defaultdict(int)
        for rel, _, target in includes:
            a, b = os.path.dirname(rel), os.path.dirname(target)
            if a != b:
                counts[(a, b)] += 1
        for (a, b), n in sorted(counts.items()):
            print(f"{a}/ -> {b}/ ({n})")

    components = strongly_connected(graph)
    for component in components:
        print(f"include loop among {len(component)} units: {', '.join(component)}")
        for cycle in simple_cycles(graph, component):
            print("  loop: " + " -> ".join(cycle + [cycle[0]]))
            for a, b in zip(cycle, cycle[1:] + [cycle[0]]):
                for line in lines[(a, b)]:
                    print(f"    {line}")
    count = len(set(units.values()))
    if components:
        print(f"include loops: {len(components)} found in {count} units")
        return 1
    print(f"include loops: none in {count} units ({len(includes)} includes)")
    return 0


# Trees of files and what the check must say of each: (context, files, exit
# code, text the report must hold).
SELF_TESTS = [
    ("a source includes the header whose source includes its own",
     {"a/A.h": "", "a/A.cpp": '#include "B.h"', "a/B.h": "", "a/B.cpp": '#include "a/A.h"',
      "CMakeLists.txt": "target_include_directories(t PUBLIC ${PROJECT_SOURCE_DIR})"},
     1, "a/B.cpp:1 includes a/A.h"),
    ("a part of a class's source, named after its header, counts as that source",
     {"v/View.h": "", "v/ViewPart.cpp": '#include "View.h"\n#include "Panes.h"',
      "v/Panes.h": "", "v/Panes.cpp": '#include "View.h"'},
     1, "v/ViewPart.cpp:2 includes v/Panes.h"),
    ("three units in a ring",
     {"A.h": '#include "B.h"', "B.cpp": '#include "C.h"', "B.h": "", "C.h": "",
      "C.cpp": '#include "A.h"'},
     1, "loop: A -> B -> C -> A"),
    ("includes that run one way, a header and its own source, and framework/ left out",
     {"A.h": "", "A.cpp": '#include "A.h"\n#include "B.h"', "B.h": "", "B.cpp": '#include "C.h"',
      "C.h": "", "framework/W.h": '#include "framework/X.h"',
      "framework/X.h": '#include "framework/W.h"', "build-x/A.h": '#include "A.h"'},
     0, "include loops: none"),
]


def self_test():
    failures = 0
    for context, files, code, text in SELF_TESTS:
        with tempfile.TemporaryDirectory() as root:
            for rel, content in files.items():
                os.makedirs(os.path.dirname(os.path.join(root, rel)), exist_ok=True)
                with open(os.path.join(root, rel), "w") as f:
                    f.write(content + "\n")
            out = io.StringIO()
            with contextlib.redirect_stdout(out):
                got = main([root])
        if got != code or text not in out.getvalue():
            failures += 1
            print(f"FAIL: {context}: exit {got}, expected {code} with \"{text}\" in:\n"
                  + out.getvalue())
    print(f"self-test: {len(SELF_TESTS) - failures} of {len(SELF_TESTS)} passed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(self_test() if "--self-test" in sys.argv else main(sys.argv[1:]))

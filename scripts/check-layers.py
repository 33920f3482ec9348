#!/usr/bin/env python3
"""Checks the layering of src/: every folder is one layer, and a file may
include only headers of its own folder and of the lower folders that its
folder's CMakeLists.txt links (directly or through them). Fails on an include
of a higher or sibling layer, on a link to a higher layer, on a link cycle and
on a folder that has no place in the order.

    check-layers.py [SRC_DIR]     check a tree (default: src/ beside this script)
    check-layers.py --self-test   check that bad trees are caught
"""
import os
import re
import sys
import tempfile

# Lowest first; folders on one line are siblings and must not use each other.
LAYERS = [
    ["base"],
    ["analysis"],
    ["spectrum"],
    ["swf", "flv"],
    ["convert", "player_movie"],
    ["publish", "project"],
    ["application"],
    ["cli", "app"],
]
RANK = {name: rank for rank, names in enumerate(LAYERS) for name in names}
AGGREGATES = {"core": ["publish", "project"]}  # brelvano_core, an interface target

INCLUDE = re.compile(r'^\s*#\s*include\s*"([A-Za-z0-9_]+)/', re.M)
LINKED = re.compile(r"\bbrelvano_([A-Za-z0-9_]+)\b")
CALL = re.compile(r"(brelvano_layer|target_link_libraries)\s*\(([^)]*)\)", re.S)


def links_of(folder_path, name):
    """The folders that a folder's CMakeLists.txt links, directly."""
    path = os.path.join(folder_path, "CMakeLists.txt")
    if not os.path.exists(path):
        return set()
    text = re.sub(r"#.*", "", open(path, encoding="utf-8").read())
    found = set()
    for call, args in CALL.findall(text):
        tokens = args.split()
        if call == "brelvano_layer":
            found.update(tokens[1:])
        else:
            found.update(m for t in tokens for m in LINKED.findall(t))
    result = set()
    for dep in found:
        result.update(AGGREGATES.get(dep, [dep]))
    result.discard(name)
    return result


def check(src):
    problems = []
    folders = sorted(d for d in os.listdir(src) if os.path.isdir(os.path.join(src, d)))
    links = {}
    for name in folders:
        if name not in RANK:
            problems.append(f"{name}/: folder has no place in the layer order")
            continue
        links[name] = links_of(os.path.join(src, name), name)
        for dep in sorted(links[name]):
            if dep not in RANK:
                problems.append(f"{name}/CMakeLists.txt: links unknown layer {dep}")
            elif RANK[dep] >= RANK[name]:
                problems.append(f"{name}/CMakeLists.txt: links {dep}, which is not below it")

    def closure(name, seen):
        for dep in links.get(name, ()):
            if dep not in seen:
                seen.add(dep)
                closure(dep, seen)
        return seen

    for name in folders:
        if name not in RANK:
            continue
        allowed = closure(name, set())
        for root, _, files in os.walk(os.path.join(src, name)):
            for file in sorted(files):
                if not file.endswith((".h", ".cpp", ".hpp", ".cc")):
                    continue
                path = os.path.join(root, file)
                text = open(path, encoding="utf-8", errors="replace").read()
                for target in INCLUDE.findall(text):
                    if target == name or target not in RANK:
                        continue
                    if target not in allowed:
                        where = os.path.relpath(path, src)
                        kind = "a higher" if RANK[target] > RANK[name] else (
                            "a sibling" if RANK[target] == RANK[name] else "an unlinked")
                        problems.append(f"{where}: includes {target}/, {kind} layer")
    return problems


def self_test():
    cases = [
        ("clean", {"base/a.h": "", "analysis/b.cpp": '#include "base/a.h"\n',
                   "analysis/CMakeLists.txt": "brelvano_layer(analysis base)\n"}, 0),
        ("include of a higher layer", {"base/a.h": '#include "analysis/b.h"\n', "analysis/b.h": "",
                                       "analysis/CMakeLists.txt": "brelvano_layer(analysis base)\n"}, 1),
        ("include of a sibling", {"swf/a.h": '#include "flv/b.h"\n', "flv/b.h": "",
                                  "swf/CMakeLists.txt": "brelvano_layer(swf base)\n"}, 1),
        ("include of a layer not linked", {"convert/a.h": '#include "swf/b.h"\n', "swf/b.h": "",
                                           "convert/CMakeLists.txt": "brelvano_layer(convert flv)\n"}, 1),
        ("cycle through links", {"base/CMakeLists.txt": "brelvano_layer(base analysis)\n",
                                 "analysis/CMakeLists.txt": "brelvano_layer(analysis base)\n"}, 1),
        ("unknown folder", {"misc/a.h": ""}, 1),
    ]
    failed = 0
    for label, files, expected in cases:
        with tempfile.TemporaryDirectory() as tmp:
            for rel, text in files.items():
                os.makedirs(os.path.dirname(os.path.join(tmp, rel)), exist_ok=True)
                open(os.path.join(tmp, rel), "w").write(text)
            got = len(check(tmp))
            if (got > 0) != (expected > 0):
                print(f"self-test {label}: expected {'problems' if expected else 'none'}, got {got}")
                failed += 1
    print(f"layer check self-test: {len(cases) - failed} passed, {failed} failed")
    return 1 if failed else 0


def main(argv):
    if len(argv) > 1 and argv[1] == "--self-test":
        return self_test()
    src = argv[1] if len(argv) > 1 else os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "src")
    problems = check(src)
    for p in problems:
        print(p)
    print(f"layer check: {len(problems)} problem(s)")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))

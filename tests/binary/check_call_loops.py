#!/usr/bin/env python3
"""Fails on any loop of calls between source files.

Reads the object files with nm: a file uses another when its object leaves a
symbol undefined that the other's object defines.  Files that use each other,
directly or through others, form a loop; each is listed with the symbols that
make it.  Inline functions and templates of headers are emitted in every
object that uses them (weak), so they make no edge: a header is no file of
its own here.

    check_call_loops.py [--nm NM] [--source-root DIR] OBJECTS...

OBJECTS are object files or directories searched for them; an argument may
hold several, separated by ';' (as CMake's $<TARGET_OBJECTS:...> gives them).
Each object is named by its source: CMake names it after the source's path
below the target's directory (engine/paths.cpp.o); with --source-root, the
longest tail of that path that names a file under DIR.
"""
import argparse
import os
import subprocess
import sys

OBJECT_SUFFIXES = (".o", ".obj")
# Strong definitions: code, data, read-only data, zero-initialised data.
DEFINED_TYPES = set("TDBRGSC")


def object_files(arguments):
    found = []
    for argument in arguments:
        for part in filter(None, argument.split(";")):
            if os.path.isdir(part):
                for root, _, names in os.walk(part):
                    found.extend(os.path.join(root, n) for n in sorted(names) if n.endswith(OBJECT_SUFFIXES))
            elif os.path.isfile(part):
                found.append(part)
            else:
                sys.exit("check_call_loops: no such object file or directory: %s" % part)
    return sorted(set(found))


def source_name(path, source_root):
    stem = path
    for suffix in OBJECT_SUFFIXES:
        if stem.endswith(suffix):
            stem = stem[: -len(suffix)]
    parts = os.path.normpath(stem).split(os.sep)
    if source_root:
        for start in range(len(parts)):
            tail = os.path.join(*parts[start:])
            if os.path.isfile(os.path.join(source_root, tail)):
                return tail
    # CMake's layout: <target>.dir/<path of the source>.o
    for index, part in enumerate(parts):
        if part.endswith(".dir") and index + 1 < len(parts):
            return os.path.join(*parts[index + 1 :])
    return os.path.basename(stem)


def symbols(nm, path):
    result = subprocess.run([nm, "-P", path], capture_output=True, text=True)
    if result.returncode != 0:
        sys.exit("check_call_loops: %s failed on %s:\n%s" % (nm, path, result.stderr))
    defined, undefined = set(), set()
    for line in result.stdout.splitlines():
        fields = line.split()
        if len(fields) < 2:
            continue
        name, kind = fields[0], fields[1]
        if kind == "U":
            undefined.add(name)
        elif kind in DEFINED_TYPES:
            defined.add(name)
    return defined, undefined


def strongly_connected(nodes, edges):
    """Tarjan's components, iteratively; only those of more than one node."""
    index, low, on_stack, stack, components = {}, {}, set(), [], []
    counter = 0
    for root in nodes:
        if root in index:
            continue
        work = [(root, iter(sorted(edges.get(root, ()))))]
        index[root] = low[root] = counter
        counter += 1
        stack.append(root)
        on_stack.add(root)
        while work:
            node, successors = work[-1]
            advanced = False
            for successor in successors:
                if successor not in index:
                    index[successor] = low[successor] = counter
                    counter += 1
                    stack.append(successor)
                    on_stack.add(successor)
                    work.append((successor, iter(sorted(edges.get(successor, ())))))
                    advanced = True
                    break
                if successor in on_stack:
                    low[node] = min(low[node], index[successor])
            if advanced:
                continue
            work.pop()
            if work:
                low[work[-1][0]] = min(low[work[-1][0]], low[node])
            if low[node] == index[node]:
                component = []
                while True:
                    member = stack.pop()
                    on_stack.discard(member)
                    component.append(member)
                    if member == node:
                        break
                if len(component) > 1:
                    components.append(sorted(component))
    return components


def demangle(names):
    try:
        result = subprocess.run(["c++filt"], input="\n".join(names), capture_output=True, text=True)
        lines = result.stdout.splitlines()
        if result.returncode == 0 and len(lines) == len(names):
            return dict(zip(names, lines))
    except OSError:
        pass
    return {name: name for name in names}


def main():
    parser = argparse.ArgumentParser(description="Fails on any loop of calls between source files.")
    parser.add_argument("--nm", default=os.environ.get("NM", "nm"))
    parser.add_argument("--source-root")
    parser.add_argument("objects", nargs="+")
    options = parser.parse_args()

    files = {}
    for path in object_files(options.objects):
        name = source_name(path, options.source_root)
        if name in files:
            sys.exit("check_call_loops: two objects for %s" % name)
        files[name] = symbols(options.nm, path)
    if not files:
        sys.exit("check_call_loops: no object files")

    definer = {}
    for name, (defined, _) in files.items():
        for symbol in defined:
            definer.setdefault(symbol, name)
    uses = {}  # (user, used) -> symbols
    for name, (_, undefined) in files.items():
        for symbol in undefined:
            other = definer.get(symbol)
            if other is not None and other != name:
                uses.setdefault((name, other), set()).add(symbol)
    edges = {}
    for user, used in uses:
        edges.setdefault(user, set()).add(used)

    loops = strongly_connected(sorted(files), edges)
    if not loops:
        print("calls: no loop between files (%d files, %d uses of one by another)" % (len(files), len(uses)))
        return 0
    readable = demangle(sorted({s for found in uses.values() for s in found}))
    for members in loops:
        print("FAIL: a loop of calls between %d files: %s" % (len(members), ", ".join(members)))
        for user in members:
            for used in members:
                found = uses.get((user, used))
                if found:
                    print("  %s -> %s: %s" % (user, used, ", ".join(sorted(readable[s] for s in found))))
    return 1


if __name__ == "__main__":
    sys.exit(main())

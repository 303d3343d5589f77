"""The samples of the mutation sampling (scripts/mutation_sample.py): the small
changes a code line of src/ can take, drawn with a fixed seed or all of
chosen files, kept in a list, and found again in the code of later days.

The changes: == and != swapped, < and <=, && and ||, true and false, + 1 and
- 1, or one call statement removed.  Samples are drawn with a fixed seed,
round-robin over the directories of src/, so every directory gets its share
(the Win32 backend, which the dev preset does not build, is left out).
"""
import os
import random
import re

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SRC = os.path.join(ROOT, "src")

# (name, pattern, replacement): each applies to one occurrence on a line.
OPERATORS = [
    ("== to !=", r"==", "!="),
    ("!= to ==", r"!=", "=="),
    ("< to <=", r"(?<![<\w:])<(?![<=])(?=\s)", "<="),
    ("<= to <", r"<=", "<"),
    ("&& to ||", r"&&", "||"),
    ("|| to &&", r"\|\|", "&&"),
    ("true to false", r"\btrue\b", "false"),
    ("false to true", r"\bfalse\b", "true"),
    ("+ 1 to - 1", r"\+ 1\b", "- 1"),
    ("- 1 to + 1", r"- 1\b", "+ 1"),
]
CALL_STATEMENT = re.compile(r"^\s*(?!return\b|if\b|while\b|for\b|switch\b|case\b|delete\b|throw\b|else\b)"
                            r"[A-Za-z_][\w:.>-]*\((?!\*).*\)\s*;\s*$")


def code_lines(path):
    """Line numbers (0-based) that hold code: no comment, preprocessor or string-only line."""
    with open(path, encoding="utf-8", errors="replace") as f:
        lines = f.read().split("\n")
    result = []
    in_block = False
    for i, line in enumerate(lines):
        stripped = line.strip()
        if in_block:
            if "*/" in stripped:
                in_block = False
            continue
        if stripped.startswith("/*"):
            in_block = "*/" not in stripped
            continue
        if not stripped or stripped.startswith("//") or stripped.startswith("#") or stripped.startswith("static_assert"):
            continue
        result.append(i)
    return lines, result


def strip_strings(line):
    """The line with string and char literals and trailing comments blanked."""
    out = re.sub(r'"(\\.|[^"\\])*"', lambda m: " " * len(m.group(0)), line)
    out = re.sub(r"'(\\.|[^'\\])*'", lambda m: " " * len(m.group(0)), out)
    comment = out.find("//")
    return out if comment < 0 else out[:comment] + " " * (len(out) - comment)


def candidates(path):
    lines, numbers = code_lines(path)
    found = []
    for i in numbers:
        if "\t" in lines[i]:
            continue  # the sample lists separate their fields with tabs
        code = strip_strings(lines[i])
        for name, pattern, replacement in OPERATORS:
            for m in re.finditer(pattern, code):
                mutated = lines[i][:m.start()] + replacement + lines[i][m.end():]
                found.append((i, name, m.start(), mutated))
        if CALL_STATEMENT.match(code) and "=" not in code.split("(")[0]:
            found.append((i, "call removed", 0, re.match(r"^\s*", lines[i]).group(0) + ";"))
    return lines, found


def source_files(only=None):
    files = []
    for base, _dirs, names in os.walk(SRC):
        for name in sorted(names):
            # The Win32 backend is not built by the dev preset: a change
            # there would survive without being tried.
            rel = os.path.relpath(os.path.join(base, name), ROOT)
            if only and not any(rel == o or rel.startswith(o.rstrip("/") + "/") for o in only):
                continue
            if name.endswith((".cpp", ".h", ".inc")) and "_win32" not in name:
                files.append(rel)
    return sorted(files)


def every_change(only):
    """Every candidate change of the given files, in file and line order."""
    samples = []
    for rel in source_files(only):
        _lines, found = candidates(os.path.join(ROOT, rel))
        samples += [(rel, line, name, column, mutated) for line, name, column, mutated in found]
    return samples


def draw(count, seed):
    rng = random.Random(seed)
    by_dir = {}
    for rel in source_files():
        _lines, found = candidates(os.path.join(ROOT, rel))
        for line, name, column, mutated in found:
            by_dir.setdefault(rel.split(os.sep)[1], []).append((rel, line, name, column, mutated))
    for pool in by_dir.values():
        rng.shuffle(pool)
    samples = []
    dirs = sorted(by_dir)
    while len(samples) < count and any(by_dir.values()):
        for d in dirs:
            if by_dir[d] and len(samples) < count:
                samples.append(by_dir[d].pop())
    return samples


def write_list(samples, path):
    with open(path, "w", encoding="utf-8") as f:
        for rel, line, name, column, mutated in samples:
            original = open(os.path.join(ROOT, rel), encoding="utf-8").read().split("\n")[line]
            f.write("\t".join([rel, name, str(column), original, mutated]) + "\n")


def file_lines(rel):
    try:
        with open(os.path.join(ROOT, rel), encoding="utf-8") as f:
            return f.read().split("\n")
    except OSError:
        return []  # the file is gone (split or renamed)


def find_line(original, rel, lines, everywhere):
    """(file, lines, index) of the sampled line now: the first line of its own
    file that holds its text, else the first of the one other file of its
    directory that does (code moved when a file was split); by the exact text
    first, then without the indentation.  None when it is nowhere, or in
    several other files."""
    for same in (lambda line: line == original, lambda line: line.strip() == original.strip()):
        for candidates in ({rel: lines}, {other: text for other, text in everywhere().items()
                                          if os.path.dirname(other) == os.path.dirname(rel)}):
            holders = [other for other, text in candidates.items() if any(same(line) for line in text)]
            if len(holders) == 1:
                text = candidates[holders[0]]
                return holders[0], text, next(i for i, line in enumerate(text) if same(line))
    return None


def read_list(path):
    """The samples of a list, each found again by its line's text (find_line);
    the line number is -1 when it cannot be found."""
    samples = []
    cache = {}

    def everywhere():
        if not cache:
            cache.update({other: file_lines(other) for other in source_files()})
        return cache
    with open(path, encoding="utf-8") as f:
        for row in f:
            rel, name, column, original, mutated = row.rstrip("\n").split("\t")
            found = find_line(original, rel, file_lines(rel), everywhere)
            if found is None:
                samples.append((rel, -1, name, int(column), mutated))
                continue
            rel, lines, index = found
            indent = lines[index][:len(lines[index]) - len(lines[index].lstrip())]
            samples.append((rel, index, name, int(column), indent + mutated.lstrip()))
    return samples

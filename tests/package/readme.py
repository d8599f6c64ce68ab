#!/usr/bin/env python3
"""readme.py projects README OUT    the files the README gives in full, written under OUT;
                                    prints the folders that hold a CMakeLists.txt
readme.py paths PACKAGE             every file a page of the package names is in the package

A file the README gives in full is a line holding only `folder/name`, then a fenced block.
A named file is a word in backticks or a link target that looks like a path or a file name
with a known extension; it is looked for beside the page, at the package's root, in include/ and, for a
bare name, anywhere in the package. Names under a folder the page itself makes are the
reader's own, and names with placeholders (<package>) are not files."""
import os
import re
import sys

FILE_TITLE = re.compile(r"^`([\w.-]+/[\w./-]+)`$")
FENCE = re.compile(r"^```")
CODE = re.compile(r"`([^`\s]+)`")
LINK = re.compile(r"\]\(([^)#\s]+)")
EXTENSIONS = (".md", ".h", ".hpp", ".c", ".cpp", ".txt", ".dll", ".exe", ".lib", ".dll.a", ".cmake", ".sh", ".py")


def given_files(text):
    """{relative name: content} of the files the page gives in full."""
    files, lines, i = {}, text.splitlines(), 0
    while i < len(lines):
        title = FILE_TITLE.match(lines[i].strip())
        if title and i + 1 < len(lines) and FENCE.match(lines[i + 1]):
            end = next(j for j in range(i + 2, len(lines)) if FENCE.match(lines[j]))
            files[title.group(1)] = "\n".join(lines[i + 2:end]) + "\n"
            i = end
        i += 1
    return files


def write_projects(readme, out):
    with open(readme, encoding="utf-8") as f:
        files = given_files(f.read())
    for name, content in files.items():
        path = os.path.join(out, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "w", encoding="utf-8") as f:
            f.write(content)
    for name in sorted(files):
        if os.path.basename(name) == "CMakeLists.txt":
            print(os.path.join(out, os.path.dirname(name)))
    return 0 if files else 1


def named_files(text):
    for word in CODE.findall(text) + LINK.findall(text):
        word = word.rstrip(".,:;")
        if "<" in word or "*" in word or "://" in word or "\\" in word:
            continue
        if "/" in word.strip("/") or word.endswith(EXTENSIONS):
            yield word


def missing_names(root):
    include = os.path.join(root, "include")  # header names as #include gives them
    everything = set()
    for folder, _, names in os.walk(root):
        everything.update(names)
    for folder, _, names in os.walk(root):
        for page in (n for n in names if n.endswith(".md")):
            with open(os.path.join(folder, page), encoding="utf-8") as f:
                text = f.read()
            own = {name.split("/")[0] + "/" for name in given_files(text)}
            for word in set(named_files(text)):
                if any(word.startswith(o) for o in own):
                    continue
                bare = "/" not in word.strip("/")
                found = (any(os.path.exists(os.path.join(base, word)) for base in (folder, root, include))
                         or (bare and word in everything))
                if not found:
                    yield f"{os.path.relpath(os.path.join(folder, page), root)}: `{word}`"


def main(argv):
    if len(argv) == 4 and argv[1] == "projects":
        return write_projects(argv[2], argv[3])
    if len(argv) == 3 and argv[1] == "paths":
        missing = list(missing_names(argv[2]))
        for line in missing:
            print("names a file the package does not hold:", line)
        return 1 if missing else 0
    print(__doc__, file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))

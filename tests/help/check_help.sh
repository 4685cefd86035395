#!/usr/bin/env bash
# Checks the shipped help pages: every page the program opens exists (with the anchor it asks for), every
# relative link and anchor inside the pages leads somewhere, the contents page links every page, and each
# page is well-formed UTF-8 HTML with a title and a heading and loads nothing from outside.
# Usage: check_help.sh SOURCE_DIR
set -euo pipefail
root=${1:?usage: check_help.sh SOURCE_DIR}
exec python3 - "$root" <<'PYTHON'
import html.parser
import os
import re
import sys
import urllib.parse

root = os.path.abspath(sys.argv[1])
help_dir = os.path.join(root, "data", "help")
src_dir = os.path.join(root, "src")
problems = []


def problem(text):
    problems.append(text)


VOID = {"area", "base", "br", "col", "embed", "hr", "img", "input", "link", "meta", "source", "track", "wbr"}


class Page(html.parser.HTMLParser):
    def __init__(self, path):
        super().__init__(convert_charrefs=True)
        self.path = path
        self.stack = []
        self.ids = set()
        self.links = []  # (tag, attribute, value, line)
        self.title = ""
        self.in_title = False
        self.h1 = 0
        self.charset = None
        self.lang = None

    def where(self):
        return f"{os.path.relpath(self.path, root)}:{self.getpos()[0]}"

    def handle_starttag(self, tag, attrs):
        values = dict(attrs)
        if tag not in VOID:
            self.stack.append((tag, self.getpos()[0]))
        self.record(tag, attrs, values)

    def handle_startendtag(self, tag, attrs):
        self.record(tag, attrs, dict(attrs))

    def record(self, tag, attrs, values):
        for name, value in attrs:
            if name == "id":
                if value in self.ids:
                    problem(f"{self.where()}: id \"{value}\" used twice")
                self.ids.add(value)
            if name.startswith("on"):
                problem(f"{self.where()}: script attribute {name}")
            if name in ("href", "src") and value is not None:
                self.links.append((tag, name, value, self.getpos()[0]))
        if tag == "script":
            problem(f"{self.where()}: <script> is not allowed")
        if tag == "title":
            self.in_title = True
        if tag == "h1":
            self.h1 += 1
        if tag == "meta" and "charset" in values:
            self.charset = (values["charset"] or "").lower()
        if tag == "html":
            self.lang = values.get("lang")

    def handle_endtag(self, tag):
        if tag == "title":
            self.in_title = False
        if tag in VOID:
            return
        if not self.stack:
            problem(f"{self.where()}: </{tag}> without an opening tag")
            return
        open_tag, line = self.stack.pop()
        if open_tag != tag:
            problem(f"{self.where()}: </{tag}> closes <{open_tag}> of line {line}")

    def handle_data(self, data):
        if self.in_title:
            self.title += data


# --- the pages ---------------------------------------------------------------------------------------
if not os.path.isdir(help_dir):
    print(f"no help folder {help_dir}")
    sys.exit(1)

pages = {}
for folder, _, files in os.walk(help_dir):
    for name in files:
        if not name.endswith(".html"):
            continue
        path = os.path.join(folder, name)
        try:
            with open(path, encoding="utf-8", errors="strict") as f:
                text = f.read()
        except UnicodeDecodeError as error:
            problem(f"{os.path.relpath(path, root)}: not UTF-8 ({error})")
            continue
        page = Page(path)
        page.feed(text)
        page.close()
        for tag, line in page.stack:
            problem(f"{os.path.relpath(path, root)}:{line}: <{tag}> is never closed")
        if not text.lstrip().lower().startswith("<!doctype html>"):
            problem(f"{os.path.relpath(path, root)}: no <!DOCTYPE html>")
        if not page.title.strip():
            problem(f"{os.path.relpath(path, root)}: no <title>")
        if page.h1 != 1:
            problem(f"{os.path.relpath(path, root)}: {page.h1} <h1> headings (one expected)")
        if page.charset != "utf-8":
            problem(f"{os.path.relpath(path, root)}: no <meta charset=\"utf-8\">")
        if not page.lang:
            problem(f"{os.path.relpath(path, root)}: <html> has no lang")
        pages[os.path.normpath(path)] = page


def check_target(origin, target_path, anchor):
    """origin: text naming the place of the link; target_path: absolute file path."""
    target_path = os.path.normpath(target_path)
    if not (target_path + os.sep).startswith(help_dir + os.sep):
        problem(f"{origin}: leads outside the help folder ({target_path})")
        return
    if not os.path.isfile(target_path):
        problem(f"{origin}: {os.path.relpath(target_path, root)} does not exist")
        return
    if anchor:
        page = pages.get(target_path)
        if page is None or anchor not in page.ids:
            problem(f"{origin}: no id \"{anchor}\" in {os.path.relpath(target_path, root)}")


# --- links inside the pages --------------------------------------------------------------------------
for path, page in sorted(pages.items()):
    here = os.path.dirname(path)
    for tag, attribute, value, line in page.links:
        origin = f"{os.path.relpath(path, root)}:{line}: {attribute}=\"{value}\""
        parts = urllib.parse.urlsplit(value)
        if parts.scheme or value.startswith("//"):
            # Pages work offline: nothing is loaded from elsewhere, and no link leaves the computer
            # except plain references to other sites.
            if tag != "a" or parts.scheme not in ("http", "https", "mailto"):
                problem(f"{origin}: outside resource")
            continue
        if parts.path == "":
            target = path
        else:
            target = os.path.join(here, urllib.parse.unquote(parts.path))
        check_target(origin, target, urllib.parse.unquote(parts.fragment))

# --- the contents page lists every page --------------------------------------------------------------
contents = os.path.normpath(os.path.join(help_dir, "files", "contents.html"))
if contents in pages:
    linked = set()
    for tag, attribute, value, line in pages[contents].links:
        parts = urllib.parse.urlsplit(value)
        if tag == "a" and not parts.scheme and parts.path:
            linked.add(os.path.normpath(os.path.join(os.path.dirname(contents), parts.path)))
    for path in sorted(pages):
        if path != contents and path not in linked:
            problem(f"data/help/files/contents.html: no link to {os.path.relpath(path, root)}")

# --- the pages the program opens ---------------------------------------------------------------------
topic = re.compile(r'"(/files/[A-Za-z0-9_.-]+\.html(?:#[A-Za-z0-9_-]+)?)')
direct = re.compile(r'"(help/[A-Za-z0-9_./-]+\.html(?:#[A-Za-z0-9_-]+)?)"')
references = {}
for folder, _, files in os.walk(src_dir):
    for name in files:
        if not name.endswith((".cpp", ".h")):
            continue
        path = os.path.join(folder, name)
        with open(path, encoding="utf-8", errors="replace") as f:
            for number, line in enumerate(f, 1):
                for match in topic.finditer(line):
                    references.setdefault("help" + match.group(1), []).append(f"{os.path.relpath(path, root)}:{number}")
                for match in direct.finditer(line):
                    references.setdefault(match.group(1), []).append(f"{os.path.relpath(path, root)}:{number}")

# The program's help menu, its command line and the decrypt wizard open these; finding fewer means the
# search above no longer sees the program's references, and would pass without checking anything.
for needed in ("help/files/contents.html", "help/files/quickstart.html", "help/files/commandlineoptions.html",
               "help/decrypt.html"):
    if needed not in references:
        problem(f"src/: no reference to {needed} found (has the way topics are written changed?)")

for reference, places in sorted(references.items()):
    file_part, _, anchor = reference.partition("#")
    check_target(f"{places[0]}: \"{reference}\"", os.path.join(root, "data", file_part), anchor)

if problems:
    print("Help pages are broken:")
    for text in problems:
        print("  " + text)
    sys.exit(1)
print(f"{len(pages)} help pages, {len(references)} topics opened by the program: all present and linked.")
PYTHON

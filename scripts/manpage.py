#!/usr/bin/python3
"""Writes the section 1 manual page of a built program, gzipped, from what the
program itself says to --help and --version, so the page and the program
never disagree. The page is dated by the newest entry of the package's
changelog, whose version must be the program's.

    manpage.py PROGRAM CHANGELOG OUT.1.gz

The help text is read as: a "Usage: NAME ARGS" line, paragraphs, the options
(lines indented by two to six spaces that start with '-', continued by lines
indented by eight or more) and paragraphs after them.
"""
import email.utils
import os
import re
import subprocess
import sys

OPTION = re.compile(r"^ {2,6}(-\S.*?)(?: {2,}(\S.*))?$")
CONTINUATION = re.compile(r"^ {8,}(\S.*)$")
# A minus sign, not a hyphen: a dash that starts a word, as in -o, --help, -1.
MINUS = re.compile(r"(?<![\w-])(-+)(?=\w)")


class PageError(Exception):
    pass


def ask(program, option):
    result = subprocess.run([program, option], capture_output=True, text=True)
    if result.returncode != 0:
        raise PageError(f"{program} {option} ended with status {result.returncode}")
    return result.stdout


def text(line):
    """Running text in roff: backslashes and minus signs escaped, no line
    mistaken for a request."""
    line = line.replace("\\", "\\e")
    line = MINUS.sub(lambda m: "\\-" * len(m.group(1)), line)
    return "\\&" + line if line.startswith((".", "'")) else line


def words(line):
    """Options in bold, their values in italics, brackets and commas as they are."""
    out = []
    for token in re.findall(r"-+[\w][\w-]*|[\w.|]+|\s+|.", line):
        if token.startswith("-"):
            out.append("\\fB" + token.replace("-", "\\-") + "\\fR")
        elif re.match(r"[\w.|]", token):
            out.append("\\fI" + token + "\\fR")
        else:
            out.append(token.replace("\\", "\\e"))
    return "".join(out)


def paragraphs(lines):
    out, current = [], []
    for line in lines + [""]:
        if line.strip():
            current.append(line.strip())
        elif current:
            out.append(current)
            current = []
    return out


def release_of(changelog):
    """Version and date of the newest changelog entry."""
    with open(changelog, encoding="utf-8") as f:
        lines = f.read().splitlines()
    heading = re.match(r"^\S+ \((\S+)\) ", lines[0]) if lines else None
    trailer = next((line for line in lines if line.startswith(" -- ")), None)
    if not heading or not trailer or "  " not in trailer:
        raise PageError(f"{changelog}: no entry at the top")
    date = email.utils.parsedate_to_datetime(trailer.rsplit("  ", 1)[1])
    return heading.group(1), date.strftime("%Y-%m-%d")


def page(program, changelog):
    version_line = ask(program, "--version").strip()
    name, _, version = version_line.partition(" ")
    released, date = release_of(changelog)
    if version != released:
        raise PageError(f"{name} says version {version}, the changelog's newest entry is {released}")
    lines = ask(program, "--help").splitlines()
    usage = re.match(r"^Usage: (\S+)(.*)$", lines[0]) if lines else None
    if not usage or usage.group(1) != name:
        raise PageError(f"{program} --help starts with no 'Usage: {name}' line")

    first = next((i for i, line in enumerate(lines) if OPTION.match(line)), None)
    if first is None:
        raise PageError(f"{program} --help lists no options")
    options, last = [], first
    for i in range(first, len(lines)):
        if m := OPTION.match(lines[i]):
            options.append([m.group(1), [m.group(2)] if m.group(2) else []])
        elif (m := CONTINUATION.match(lines[i])) and options:
            options[-1][1].append(m.group(1))
        elif lines[i].strip():
            break
        last = i
    before = paragraphs(lines[1:first])
    after = paragraphs(lines[last + 1:])
    if not before:
        raise PageError(f"{program} --help says nothing before its options")

    # The whatis line: the first clause of the description, parentheses and all.
    summary = re.match(r"(?:[^.,:;(]|\([^)]*\))+", " ".join(before[0])).group(0).strip()
    summary = summary[0].lower() + summary[1:]

    roff = [
        f'.\\" Made by scripts/manpage.py from {name} --help and --version.',
        f'.TH {name.upper()} 1 "{date}" "{text(version_line)}" "User Commands"',
        ".SH NAME",
        f"{name} \\- {text(summary)}",
        ".SH SYNOPSIS",
        f"\\fB{name}\\fR{words(usage.group(2))}",
        ".SH DESCRIPTION",
    ]
    for i, paragraph in enumerate(before):
        roff += ([".PP"] if i else []) + [text(line) for line in paragraph]
    roff.append(".SH OPTIONS")
    for names, description in options:
        roff += [".TP", words(names)] + [text(line) for line in description]
    for paragraph in after:
        roff += [".PP"] + [text(line) for line in paragraph]
    return "\n".join(roff) + "\n"


def main():
    if len(sys.argv) != 4:
        sys.exit("usage: manpage.py PROGRAM CHANGELOG OUT.1.gz")
    program, changelog, output = sys.argv[1:]
    try:
        roff = page(program, changelog)
        # gzip -9n: no name or time stamp in the header, the same bytes every build.
        packed = subprocess.run(["gzip", "-9n"], input=roff.encode(), capture_output=True, check=True).stdout
        with open(output + ".tmp", "wb") as f:
            f.write(packed)
        os.replace(output + ".tmp", output)
    except (PageError, OSError, subprocess.CalledProcessError) as error:
        sys.exit(f"manpage.py: {error}")


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""Reads quillon7-cli --json output as a script would, using only the fields docs/cli-json.md
documents. Usage: check_json_lines.py FILE EXIT_CODE [TYPE:FIELD.PATH=VALUE ...]
Every line must be a strict JSON object with a string "type" and "time"; the last one the
"result" line with the given exitCode; each TYPE:FIELD=VALUE must hold for some line of that
type (FIELD a dotted path, list indexes as numbers; VALUE compared as text). Exit 0 when all
holds, else 1 with the reasons."""
import json
import sys


def reject_constant(name):
    raise ValueError("not JSON: " + name)


def field(obj, path):
    for part in path.split("."):
        obj = obj[int(part)] if isinstance(obj, list) else obj[part]
    return obj


def main(argv):
    # argv comes decoded with "surrogateescape", as the output's \udcXX escapes are meant to be.
    with open(argv[1], encoding="utf-8") as stream:
        lines = stream.read().split("\n")
    if lines[-1] != "":
        return "the output does not end with a line end"
    events = []
    for text in lines[:-1]:
        event = json.loads(text, parse_constant=reject_constant)
        if not isinstance(event.get("type"), str) or not isinstance(event.get("time"), str):
            return "no type or time: " + text
        events.append(event)
    if not events or events[-1]["type"] != "result":
        return "the last line is no result"
    if events[-1]["exitCode"] != int(argv[2]):
        return "exitCode %s, not %s" % (events[-1]["exitCode"], argv[2])
    for expectation in argv[3:]:
        kind, rest = expectation.split(":", 1)
        path, value = rest.split("=", 1)
        found = False
        for event in (e for e in events if e["type"] == kind):
            try:
                found = found or str(field(event, path)) == value
            except (KeyError, IndexError, TypeError):
                pass
        if not found:
            return "no %s line with %s == %r" % (kind, path, value)
    return None


if __name__ == "__main__":
    problem = main(sys.argv)
    if problem:
        print(problem)
    sys.exit(1 if problem else 0)

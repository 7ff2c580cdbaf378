#!/usr/bin/env python3
# Reads quillon7-cli --json output as a script would, using only the fields docs/cli-json.md
# documents. Usage: check_json_lines.py FILE EXIT_CODE [TYPE:FIELD.PATH=VALUE ...]
# Every line must be a strict JSON object with a string "type" and "time"; the last one the
# "result" line with the given exitCode; each TYPE:FIELD=VALUE must hold for some line of that
# type (FIELD a dotted path, list indexes as numbers; VALUE compared as text). Exit 0 when all
# holds, else 1 with the reasons.
import json
import sys


def reject_constant(name):
    raise ValueError("not JSON: " + name)


def field(obj, path):
    for part in path.split("."):
        if isinstance(obj, list):
            obj = obj[int(part)] if int(part) < len(obj) else None
        else:
            obj = obj.get(part) if isinstance(obj, dict) else None
    return obj


def problem(argv):
    # argv comes decoded with "surrogateescape", as the output's \udcXX escapes are meant to be.
    with open(argv[1], encoding="utf-8") as stream:
        text = stream.read()
    if not text.endswith("\n"):
        return "the output does not end with a line end"
    events = [json.loads(line, parse_constant=reject_constant) for line in text[:-1].split("\n")]
    for event in events:
        if not isinstance(event.get("type"), str) or not isinstance(event.get("time"), str):
            return "no type or time: %r" % event
    if events[-1]["type"] != "result" or events[-1]["exitCode"] != int(argv[2]):
        return "the last line is no result with exitCode %s" % argv[2]
    for expectation in argv[3:]:
        kind, rest = expectation.split(":", 1)
        path, value = rest.split("=", 1)
        if not any(str(field(e, path)) == value for e in events if e["type"] == kind):
            return "no %s line with %s == %r" % (kind, path, value)
    return None


if __name__ == "__main__":
    reason = problem(sys.argv)
    if reason:
        print(reason)
    sys.exit(1 if reason else 0)

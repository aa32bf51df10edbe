#!/usr/bin/python3
"""The module's Oracle and MSSQL statements, which no engine runs here, parsed with sqlglot.

The program named by the first argument prints, as JSON, the text each of the module's queries would send
to Oracle and to MSSQL. Every parameter is bound as a text literal, as the drivers bind it, and each text
must read in sqlglot's dialect as exactly one query: a text sqlglot could only keep as an opaque command
fails as much as one it cannot read at all.
"""
import json
import re
import subprocess
import sys

import sqlglot
from sqlglot import exp

# A quoted literal is left as it is; a :NAME outside one is a parameter.
PARAMETER = re.compile(r"'(?:[^']|'')*'|:([A-Za-z_][A-Za-z0-9_]*)")


def bound(text):
    return PARAMETER.sub(lambda m: "'0'" if m.group(1) else m.group(0), text)


def problem(text, dialect):
    """What is wrong with the text in the dialect, or None."""
    if not text.strip():
        return "no statement"
    try:
        parsed = [p for p in sqlglot.parse(bound(text), read=dialect) if p is not None]
    except sqlglot.errors.SqlglotError as error:
        return str(error)
    if len(parsed) != 1:
        return f"{len(parsed)} statements instead of one"
    if not isinstance(parsed[0], (exp.Select, exp.Union)):
        return f"read as {type(parsed[0]).__name__}, not as a query"
    return None


def main():
    printed = subprocess.run([sys.argv[1]], check=True, capture_output=True, text=True).stdout
    failed = 0
    for query, texts in sorted(json.loads(printed).items()):
        for dialect, text in sorted(texts.items()):
            reason = problem(text, dialect)
            print(f"{query} {dialect}: {reason or 'ok'}")
            if reason:
                failed += 1
                print(text)
    if failed:
        print(f"{failed} statement(s) do not parse")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())

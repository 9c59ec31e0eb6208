"""Command line: ``python -m vexil_redact scan FILE`` prints matches as JSON lines."""

import argparse
import json
import sys

from . import _core

TABLE_CODES = ("zh", "en", "ja", "ko", "de", "uk", "in", "br")


def builtin_pattern_set(text):
    """The shared table, the tables of the detected languages, and the
    language-neutral entries of the others."""
    languages = _core.detect_languages(text)
    patterns = _core.builtin_patterns("shared")
    for code in languages:
        patterns += _core.builtin_patterns(code)
    for code in TABLE_CODES:
        if code not in languages:
            patterns += [p for p in _core.builtin_patterns(code) if p.get("language_neutral")]
    return patterns


def _load_patterns(path):
    with open(path, encoding="utf-8") as handle:
        return json.load(handle)


def _read_text(path):
    if path == "-":
        return sys.stdin.read()
    with open(path, encoding="utf-8") as handle:
        return handle.read()


def _scan(args):
    text = _read_text(args.file)
    patterns = _load_patterns(args.patterns) if args.patterns else builtin_pattern_set(text)
    for match in _core.match_patterns(text, patterns):
        record = {
            "text": match.text,
            "type": match.type,
            "start": match.start,
            "end": match.end,
            "confidence": match.confidence,
        }
        print(json.dumps(record, ensure_ascii=False))


def main(argv=None):
    parser = argparse.ArgumentParser(prog="python -m vexil_redact")
    commands = parser.add_subparsers(dest="command", required=True)
    scan = commands.add_parser("scan", help="print the personal data found in a text")
    scan.add_argument("file", help="UTF-8 text file, or - for standard input")
    scan.add_argument("--patterns", help="JSON list of pattern dicts (default: the built-in tables of the detected languages)")
    scan.set_defaults(run=_scan)
    args = parser.parse_args(argv)
    try:
        args.run(args)
    except (OSError, ValueError, UnicodeError) as error:
        # Messages never carry input values, so they are safe to print.
        parser.exit(1, f"error: {error}\n")


if __name__ == "__main__":
    main()

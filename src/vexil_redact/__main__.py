"""Command line: ``python -m vexil_redact scan FILE`` prints matches as JSON lines."""

import argparse
import json
import sys
from importlib import resources

from . import _core


def _load_patterns(path):
    if path is None:
        source = resources.files(__package__).joinpath("sample_patterns.json")
        return json.loads(source.read_text(encoding="utf-8"))
    with open(path, encoding="utf-8") as handle:
        return json.load(handle)


def _read_text(path):
    if path == "-":
        return sys.stdin.read()
    with open(path, encoding="utf-8") as handle:
        return handle.read()


def _scan(args):
    patterns = _load_patterns(args.patterns)
    for match in _core.match_patterns(_read_text(args.file), patterns):
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
    scan.add_argument("--patterns", help="JSON list of pattern dicts (default: bundled sample set)")
    scan.set_defaults(run=_scan)
    args = parser.parse_args(argv)
    try:
        args.run(args)
    except (OSError, ValueError, UnicodeError) as error:
        # Messages never carry input values, so they are safe to print.
        parser.exit(1, f"error: {error}\n")


if __name__ == "__main__":
    main()

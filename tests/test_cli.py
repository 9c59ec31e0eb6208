"""The command line: scan a file or standard input, print JSON lines."""

import json
import subprocess
import sys


def run(*args, stdin=""):
    return subprocess.run(
        [sys.executable, "-m", "vexil_redact", *args],
        input=stdin, capture_output=True, text=True, encoding="utf-8",
    )


def test_scan_stdin_runs_the_builtin_tables_of_the_detected_languages():
    result = run("scan", "-", stdin="电话13800138000，邮箱 a@example.com")
    assert result.returncode == 0
    records = [json.loads(line) for line in result.stdout.splitlines()]
    assert [r["start"] for r in records] == sorted(r["start"] for r in records)
    assert [r for r in records if r["confidence"] == 1.0] == [
        {"text": "13800138000", "type": "phone", "start": 2, "end": 13, "confidence": 1.0},
        {"text": "a@example.com", "type": "email", "start": 17, "end": 30, "confidence": 1.0},
    ]


def test_custom_pattern_file(tmp_path):
    patterns = tmp_path / "patterns.json"
    patterns.write_text(json.dumps([{"type": "word", "pattern": r"\bfoo\b"}]))
    result = run("scan", "-", "--patterns", str(patterns), stdin="a foo b")
    assert [json.loads(line)["start"] for line in result.stdout.splitlines()] == [2]


def test_errors_exit_non_zero_without_echoing_the_input():
    result = run("scan", "-", stdin="x" * 1_048_577)
    assert result.returncode == 1
    assert result.stderr == "error: input too large: 1048577 bytes exceeds MAX_INPUT_SIZE 1048576\n"
    assert run("scan", "/no/such/file").returncode == 1

"""The pattern engine behind match_patterns: order, groups, empty matches,
validators, the context test, limits, character offsets and threads."""

import threading
import time

import pytest

from vexil_redact._core import match_patterns

CN_MOBILE = r"(?<![0-9])(?:\+86)?1[3-9]\d(?:[\s-]?\d){8}(?![0-9])"
IBAN = r"(?<![A-Z0-9])[A-Z]{2}\d{2}(?:\s?[A-Z0-9]{4}){2,7}\s?[A-Z0-9]{1,4}(?![A-Z0-9])"


def spans(matches):
    return [(m.type, m.text, m.start, m.end) for m in matches]


def test_sorted_by_start_and_stable_across_patterns():
    found = match_patterns("x12 34", [{"type": "a", "pattern": r"\d+"}, {"type": "b", "pattern": r"\d+"}])
    assert spans(found) == [
        ("a", "12", 1, 3), ("b", "12", 1, 3), ("a", "34", 4, 6), ("b", "34", 4, 6),
    ]


@pytest.mark.parametrize(
    "pattern, text, expected",
    [
        # empty matches advance by one character and the end is searched
        ("x*", "ab", [("", 0, 0), ("", 1, 1), ("", 2, 2)]),
        ("x*", "中b", [("", 0, 0), ("", 1, 1), ("", 2, 2)]),
        # after a non-empty match the search resumes at its end
        ("a*", "aab", [("aa", 0, 2), ("", 2, 2), ("", 3, 3)]),
        # look-behind sees text before the resume position
        (r"(?<![0-9])\d{2}", "1234 56", [("12", 0, 2), ("56", 5, 7)]),
        # offsets are characters, not bytes
        (r"abc", "张三abc", [("abc", 2, 5)]),
        (r"\d+", "😀7😀88", [("7", 1, 2), ("88", 3, 5)]),
        # \d is Unicode-aware, [0-9] is not
        (r"\d+", "１２3", [("１２3", 0, 3)]),
        (r"[0-9]+", "１２3", [("3", 2, 3)]),
        (r"(?i)straße", "STRASSE Straße", [("Straße", 8, 14)]),
    ],
)
def test_match_loop(pattern, text, expected):
    found = match_patterns(text, [{"type": "t", "pattern": pattern}])
    assert [(m.text, m.start, m.end) for m in found] == expected


@pytest.mark.parametrize(
    "group, text, expected",
    [
        ("n", "id:42", ("42", 3, 5)),
        ("nosuch", "id:42", ("id:42", 0, 5)),
        ("n", "id:", ("id:", 0, 3)),  # the group did not take part
    ],
)
def test_named_group_gives_the_span(group, text, expected):
    [m] = match_patterns(text, [{"type": "t", "pattern": r"id:(?P<n>\d+)?", "group": group}])
    assert (m.text, m.start, m.end) == expected


@pytest.mark.parametrize(
    "validator, text, confidence",
    [
        ("iban_mod97", "GB82 WEST 1234 5698 7654 32", 1.0),
        ("iban_mod97", "GB83 WEST 1234 5698 7654 32", 0.3),
        ("no_such_validator", "GB83 WEST 1234 5698 7654 32", 1.0),
        ("IBAN_MOD97", "GB83 WEST 1234 5698 7654 32", 1.0),  # names are case-sensitive
        (None, "GB83 WEST 1234 5698 7654 32", 1.0),
        (5, "GB83 WEST 1234 5698 7654 32", 1.0),  # a non-str validator is ignored
    ],
)
def test_failed_validator_keeps_the_match_at_low_confidence(validator, text, confidence):
    [m] = match_patterns(text, [{"type": "iban", "pattern": IBAN, "validator": validator}])
    assert m.confidence == confidence


@pytest.mark.parametrize(
    "text, confidences",
    [
        ("call 13800138000", [1.0]),
        ("version 13800138000", [0.3]),
        ("订单号 13800138000", [0.3]),
        ("aversion 13800138000", [1.0]),  # English keywords need a word start
        ("13800138000 + 1", [0.3]),
        ("13800138000 / 13900139000", [1.0, 1.0]),
        ("13800138000。", [1.0]),
        ("13800138000 - x", [1.0]),
    ],
)
def test_context_test(text, confidences):
    found = match_patterns(text, [{"type": "phone", "pattern": CN_MOBILE, "check_context": True}])
    assert [m.confidence for m in found] == confidences


@pytest.mark.parametrize("check_context", [False, None, 1, "yes"])
def test_context_test_needs_a_true_bool(check_context):
    [m] = match_patterns("version 13800138000", [
        {"type": "phone", "pattern": CN_MOBILE, "check_context": check_context}])
    assert m.confidence == 1.0


def test_validator_verdict_overrides_the_context_test():
    [m] = match_patterns("version 4111 1111 1111 1111", [{
        "type": "credit_card", "pattern": r"\d{4}(?: \d{4}){3}",
        "validator": "credit_card_luhn", "check_context": True}])
    assert m.confidence == 1.0


def test_invalid_regex_is_reported_only_when_something_is_scanned():
    assert match_patterns("", [{"type": "x", "pattern": "("}]) == []
    for _ in range(2):  # a failed compile is not cached
        with pytest.raises(ValueError, match=r"^Invalid regex: "):
            match_patterns("a", [{"type": "ok", "pattern": "a"}, {"type": "x", "pattern": "("}])


def test_runaway_search_is_stopped_and_reported():
    patterns = [{"type": "ok", "pattern": "a"}, {"type": "bad", "pattern": r"(a|aa)+$"}]
    started = time.perf_counter()
    with pytest.raises(ValueError, match=r"^pattern scan aborted \(backtrack/overflow\): "):
        match_patterns("a" * 60 + "b", patterns)
    assert time.perf_counter() - started < 30


def test_dialect_features():
    patterns = [
        {"type": "atomic", "pattern": r"(?>a|ab)c"},  # no backtracking into the group
        {"type": "lazy", "pattern": r"<[\s\S]{1,10000}?>"},
        {"type": "escape", "pattern": r"\u4e2d+"},
        {"type": "scoped", "pattern": r"(?i:imei)X"},
        {"type": "lookahead", "pattern": r"q(?=u)"},
    ]
    found = match_patterns("ac abc <a><b> 中中 IMEIX imeix qu qa", patterns)
    assert spans(found) == [
        ("atomic", "ac", 0, 2),
        ("lazy", "<a>", 7, 10),
        ("lazy", "<b>", 10, 13),
        ("escape", "中中", 14, 16),
        ("scoped", "IMEIX", 17, 22),
        ("lookahead", "q", 29, 30),
    ]


def test_dollar_matches_only_at_the_very_end():
    assert match_patterns("ab\n", [{"type": "t", "pattern": "b$"}]) == []


def test_threads_scanning_at_once_match_a_serial_run():
    text = ("客户手机13800138000，邮箱 a.b@example.com，卡号 4111 1111 1111 1111。 " * 2000)
    patterns = [
        {"type": "phone", "pattern": CN_MOBILE, "check_context": True},
        {"type": "email", "pattern": r"[a-zA-Z0-9._%+\-]+@[a-zA-Z0-9.\-]+\.[a-zA-Z]{2,}", "validator": "email"},
        {"type": "card", "pattern": r"\d{4}(?: \d{4}){3}", "validator": "credit_card_luhn"},
    ]
    serial = spans(match_patterns(text, patterns))
    results = [None] * 4

    def scan(i):
        results[i] = spans(match_patterns(text, patterns))

    threads = [threading.Thread(target=scan, args=(i,)) for i in range(4)]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    assert results == [serial] * 4


def test_the_interpreter_lock_is_released_during_a_scan():
    # A slow scan in one thread must not stall the main thread for its whole
    # run; it finds nothing, so all its time is spent inside the engine.
    text = "a" * 1_000_000
    pattern = [{"type": "t", "pattern": r"[ab](?=[ab]{0,400}c)"}]
    worker = threading.Thread(target=match_patterns, args=(text, pattern))
    started = time.perf_counter()
    worker.start()
    ticks = [time.perf_counter()]
    while worker.is_alive():
        ticks.append(time.perf_counter())
    duration = ticks[-1] - started
    longest_stall = max(b - a for a, b in zip(ticks, ticks[1:]))
    assert duration > 0.05
    assert longest_stall < duration / 2

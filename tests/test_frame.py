"""The call frame shared by every module function: module attributes, text
signatures, argument parsing and conversion errors, the input ceiling."""

import inspect
import sys

import pytest

from vexil_redact import _core

PHONE = {"type": "phone", "pattern": r"1[3-9]\d{9}"}


def test_module_attributes():
    assert _core.__build__.startswith("0.8.22+")
    assert len(_core.__build__) == 71
    assert issubclass(_core.ScanAborted, Exception)
    assert _core.ScanAborted.__module__ + "." + _core.ScanAborted.__qualname__ == (
        "vexil_redact._core.ScanAborted"
    )
    assert _core.ScanAborted.__doc__ == "cooperative-cancellation abort of an L1 detection scan"
    assert not hasattr(_core, "InternalFailure")


@pytest.mark.parametrize(
    "obj, signature",
    [
        (_core.match_patterns, "(text, patterns)"),
        (_core.PatternMatch, "(text, type_, start, end, confidence=1.0, layer=0)"),
        (_core.CancelToken, "()"),
        (_core.CancelToken.cancel, "(self, /)"),
    ],
)
def test_text_signatures(obj, signature):
    assert str(inspect.signature(obj)) == signature
    assert obj.__doc__.split("\n")[0]


@pytest.mark.parametrize(
    "call, message",
    [
        (lambda: _core.match_patterns("x"),
         "match_patterns() missing 1 required positional argument: 'patterns'"),
        (lambda: _core.match_patterns(),
         "match_patterns() missing 2 required positional arguments: 'text' and 'patterns'"),
        (lambda: _core.match_patterns("x", [], []),
         "match_patterns() takes 2 positional arguments but 3 were given"),
        (lambda: _core.match_patterns("x", [], flags=1),
         "match_patterns() got an unexpected keyword argument 'flags'"),
        (lambda: _core.match_patterns("x", [], text="y"),
         "match_patterns() got multiple values for argument 'text'"),
        (lambda: _core.PatternMatch("a", "t", 0, 1, 1.0, 0, 9),
         "PatternMatch() takes from 4 to 6 positional arguments but 7 were given"),
        (lambda: _core.PatternMatch("a"),
         "PatternMatch() missing 3 required positional arguments: 'type_', 'start', and 'end'"),
        (lambda: _core.CancelToken(1), "CancelToken() takes 0 positional arguments but 1 was given"),
    ],
)
def test_argument_errors_use_interpreter_wording(call, message):
    with pytest.raises(TypeError) as info:
        call()
    assert str(info.value) == message


def test_keywords_fill_parameters_by_name():
    assert _core.match_patterns(patterns=[PHONE], text="13800138000")[0].end == 11


@pytest.mark.parametrize(
    "args, error, message, param",
    [
        (("x", "abc"), TypeError, "'str' object cannot be taken as a list", "patterns"),
        (("x", 5), TypeError, "'int' object is not an instance of 'Sequence'", "patterns"),
        (("x", [5]), TypeError, "'int' object is not an instance of 'dict'", "patterns"),
        ((None, []), TypeError, "'None' is not an instance of 'str'", "text"),
        ((b"x", []), TypeError, "'bytes' object is not an instance of 'str'", "text"),
        (("x", [{"type": "t"}]), KeyError, "'pattern'", "patterns"),
        (("x", [{"pattern": "x"}]), KeyError, "'type'", "patterns"),
        (("x", [{}]), KeyError, "'pattern'", "patterns"),
        (("x", [{"type": "t", "pattern": 5}]), TypeError,
         "'int' object is not an instance of 'str'", "patterns"),
    ],
)
def test_conversion_errors_carry_the_parameter_note(args, error, message, param):
    with pytest.raises(error) as info:
        _core.match_patterns(*args)
    assert str(info.value) == message
    assert info.value.__notes__ == [f"while processing '{param}'"]


@pytest.mark.parametrize("args", [("\ud800", []), ("x", [{"type": "t", "pattern": "\udfff"}])])
def test_lone_surrogate_raises_unicode_encode_error(args):
    with pytest.raises(UnicodeEncodeError):
        _core.match_patterns(*args)


def test_sequences_other_than_list_are_accepted():
    assert len(_core.match_patterns("13800138000", (PHONE,))) == 1


class TestInputCeiling:
    def test_exactly_the_ceiling_is_accepted(self):
        assert _core.match_patterns("a" * 1_048_576, []) == []

    @pytest.mark.parametrize(
        "text, size",
        [("a" * 1_048_577, 1_048_577), ("中" * 349_526, 1_048_578)],
    )
    def test_larger_texts_are_refused_before_any_work(self, text, size):
        with pytest.raises(ValueError) as info:
            _core.match_patterns(text, [{"type": "t", "pattern": "("}])
        assert str(info.value) == (
            f"input too large: {size} bytes exceeds MAX_INPUT_SIZE 1048576"
        )


def test_internal_failure_is_not_an_exception_subclass():
    # Reached only through broken invariants; its class is findable by name.
    failure = next(
        cls for cls in BaseException.__subclasses__() if cls.__name__ == "InternalFailure"
    )
    assert failure.__module__ == "vexil_redact._core"
    assert not issubclass(failure, Exception)


def test_calls_leak_no_references():
    text = "13800138000 " * 10
    bad = {"type": "t", "pattern": 5}
    objects = [_core.PatternMatch, text, PHONE, PHONE["type"], bad]
    before = [sys.getrefcount(o) for o in objects]
    for _ in range(500):
        _core.match_patterns(text, [PHONE])
        _core.PatternMatch(text, "t", 0, 1) == _core.PatternMatch(text, "t", 0, 1)
        for args in ((text, [bad]), (text, [{}]), (None, [PHONE]), (text, [PHONE, "x"])):
            with pytest.raises((TypeError, KeyError)):
                _core.match_patterns(*args)
    del args
    assert [sys.getrefcount(o) for o in objects] == before


def test_list_changed_by_a_converter_is_read_safely():
    # An __index__ that empties the list being converted must not leave the
    # frame reading freed items.
    spans = []

    class Sneaky:
        def __index__(self):
            spans.clear()
            return 1

    spans.extend([(Sneaky(), 2), (0, 1), (0, 1)])
    assert _core.map_spans_to_original(spans, None, 5) == [(1, 2), (0, 1), (0, 1)]

"""Name and landline masks, which count characters rather than bytes, and
the collision suffixes that keep mask labels unique."""

import inspect

import pytest

from vexil_redact import _core

# ① … ⑳, then (21) … (9999): the suffixes in the order they are tried.
SUFFIXES = [chr(0x2460 + i) for i in range(20)] + [f"({i})" for i in range(21, 10000)]


@pytest.mark.parametrize(
    "value, masked",
    [
        ("", ""),
        ("王", "*"),
        ("张三", "张*"),
        ("李小明", "李**"),
        ("欧阳小明", "欧阳**"),
        ("司马相如", "司马**"),
        ("Alexander", "Al*******"),
        ("😀😀😀😀😀", "😀😀***"),
    ],
)
def test_mask_name_keeps_one_or_two_characters(value, masked):
    assert _core.mask_name(value) == masked


@pytest.mark.parametrize(
    "value, masked",
    [
        ("010-12345678", "010-*****678"),
        ("02112345678", "021*****678"),
        ("075512345678", "0755*****678"),
        ("0312345678", "0312***678"),
        ("12345678", "*****678"),
        ("010-1234-5678", "010-******678"),
        ("010-１２３４５", "010-**３４５"),
        ("0", "0"),
        ("01", "01"),
        ("021-123", "021-123"),
        ("0755123", "0755123"),
        ("", ""),
    ],
)
def test_mask_landline_keeps_area_code_and_last_three(value, masked):
    assert _core.mask_landline(value) == masked


@pytest.mark.parametrize("taken", [0, 1, 19, 20, 21, 500, len(SUFFIXES) - 1])
def test_resolve_collision_takes_first_free_suffix(taken):
    used = {"张*", *("张*" + s for s in SUFFIXES[:taken])}
    snapshot = set(used)
    assert _core.resolve_collision("张*", used) == "张*" + SUFFIXES[taken]
    assert used == snapshot


@pytest.mark.parametrize(
    "label, used, resolved",
    [
        ("张*", set(), "张*"),
        ("张*", {"张*①"}, "张*"),
        ("x", frozenset({"x", "x②"}), "x①"),
        ("", {""}, "①"),
    ],
)
def test_resolve_collision_cases(label, used, resolved):
    assert _core.resolve_collision(label, used) == resolved


def test_resolve_collision_saturation_is_value_error():
    used = {"label", *("label" + s for s in SUFFIXES)}
    with pytest.raises(ValueError) as info:
        _core.resolve_collision("label", used)
    assert str(info.value) == "too many collisions"


@pytest.mark.parametrize(
    "call, param, message",
    [
        (lambda: _core.resolve_collision("x", ["x"]), "used",
         "'list' object is not an instance of 'set'"),
        (lambda: _core.resolve_collision("x", {1}), "used",
         "'int' object is not an instance of 'str'"),
        (lambda: _core.resolve_collision(None, set()), "label",
         "'None' is not an instance of 'str'"),
        (lambda: _core.mask_name(b"x"), "value", "'bytes' object is not an instance of 'str'"),
        (lambda: _core.mask_landline(1), "value", "'int' object is not an instance of 'str'"),
    ],
)
def test_argument_errors(call, param, message):
    with pytest.raises(TypeError) as info:
        call()
    assert str(info.value) == message
    assert info.value.__notes__ == [f"while processing '{param}'"]


@pytest.mark.parametrize(
    "function, signature",
    [
        (_core.mask_name, "(value)"),
        (_core.mask_landline, "(value)"),
        (_core.resolve_collision, "(label, used)"),
    ],
)
def test_text_signatures(function, signature):
    assert str(inspect.signature(function)) == signature

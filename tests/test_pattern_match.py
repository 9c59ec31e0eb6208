"""PatternMatch: construction and conversion, read-only attributes, value
equality, the process-independent hash, and repr."""

import struct
import subprocess
import sys

import pytest

from vexil_redact._core import PatternMatch


def siphash13(data: bytes) -> int:
    """Reference SipHash-1-3 with the all-zero key."""
    mask = (1 << 64) - 1

    def rotl(x, b):
        return ((x << b) | (x >> (64 - b))) & mask

    v = [0x736F6D6570736575, 0x646F72616E646F6D, 0x6C7967656E657261, 0x7465646279746573]

    def sipround():
        v[0] = (v[0] + v[1]) & mask; v[1] = rotl(v[1], 13); v[1] ^= v[0]; v[0] = rotl(v[0], 32)
        v[2] = (v[2] + v[3]) & mask; v[3] = rotl(v[3], 16); v[3] ^= v[2]
        v[0] = (v[0] + v[3]) & mask; v[3] = rotl(v[3], 21); v[3] ^= v[0]
        v[2] = (v[2] + v[1]) & mask; v[1] = rotl(v[1], 17); v[1] ^= v[2]; v[2] = rotl(v[2], 32)

    tail = len(data) % 8
    for i in range(0, len(data) - tail, 8):
        m = int.from_bytes(data[i:i + 8], "little")
        v[3] ^= m; sipround(); v[0] ^= m
    m = int.from_bytes(data[len(data) - tail:], "little") | ((len(data) & 0xFF) << 56)
    v[3] ^= m; sipround(); v[0] ^= m
    v[2] ^= 0xFF
    for _ in range(3):
        sipround()
    return v[0] ^ v[1] ^ v[2] ^ v[3]


def expected_hash(text, type_, start, end):
    data = text.encode() + b"\xff" + type_.encode() + b"\xff" + struct.pack("<QQ", start, end)
    (signed,) = struct.unpack("<q", struct.pack("<Q", siphash13(data)))
    return -2 if signed == -1 else signed


def test_constructor_keeps_values_and_attributes_are_read_only():
    m = PatternMatch("张三", "person", 5, 2, confidence=1, layer=255)
    assert (m.text, m.type, m.start, m.end, m.confidence, m.layer) == ("张三", "person", 5, 2, 1.0, 255)
    assert isinstance(m.confidence, float)
    for name in ("text", "type", "start", "end", "confidence", "layer"):
        with pytest.raises(AttributeError):
            setattr(m, name, getattr(m, name))


@pytest.mark.parametrize(
    "kwargs, error, message",
    [
        ({"start": -1}, OverflowError, None),
        ({"end": 2**64}, OverflowError, None),
        ({"layer": 256}, OverflowError, "out of range integral type conversion attempted"),
        ({"layer": -1}, OverflowError, "out of range integral type conversion attempted"),
        ({"start": 1.5}, TypeError, "'float' object is not an instance of 'int'"),
        ({"confidence": "high"}, TypeError, "'str' object is not an instance of 'float'"),
        ({"text": 3}, TypeError, "'int' object is not an instance of 'str'"),
    ],
)
def test_constructor_conversion_errors(kwargs, error, message):
    args = {"text": "a", "type_": "t", "start": 0, "end": 1, **kwargs}
    with pytest.raises(error) as info:
        PatternMatch(**args)
    if message:
        assert str(info.value) == message
    param = next(iter(kwargs)).replace("type", "type_")
    assert info.value.__notes__ == [f"while processing '{param}'"]


def test_equality_ignores_confidence_and_layer():
    a = PatternMatch("a", "email", 0, 1)
    b = PatternMatch("a", "email", 0, 1, confidence=0.3, layer=2)
    assert a == b and not a != b and hash(a) == hash(b)
    assert a != PatternMatch("a", "email", 0, 2)
    assert a != PatternMatch("b", "email", 0, 1)
    assert a != ("a", "email", 0, 1)
    with pytest.raises(TypeError):
        a < b  # noqa: B015


def test_subclasses_compare_with_the_base_class():
    class Tagged(PatternMatch):
        pass

    assert Tagged("a", "t", 0, 1) == PatternMatch("a", "t", 0, 1)


@pytest.mark.parametrize(
    "fields",
    [("a", "email", 0, 1), ("", "", 0, 0), ("张三abc", "person", 2, 2**64 - 1), ("x" * 23, "t", 7, 9)],
)
def test_hash_is_siphash13_of_the_fields(fields):
    assert hash(PatternMatch(*fields)) == expected_hash(*fields)


def test_hash_is_the_same_in_another_process():
    code = "from vexil_redact._core import PatternMatch as P; print(hash(P('a', 't', 1, 2)))"
    other = subprocess.run([sys.executable, "-c", code], capture_output=True, text=True, check=True)
    assert int(other.stdout) == hash(PatternMatch("a", "t", 1, 2))


@pytest.mark.parametrize(
    "confidence, shown",
    [(1.0, "1"), (0.3, "0.3"), (0.0, "0"), (0.1 + 0.2, "0.30000000000000004"), (1e-7, "0.0000001")],
)
def test_repr_uses_shortest_round_trip_confidence(confidence, shown):
    m = PatternMatch("it's", "t", 0, 4, confidence=confidence)
    assert repr(m) == (
        f"PatternMatch(text='it's', type='t', start=0, end=4, confidence={shown}, layer=0)"
    )

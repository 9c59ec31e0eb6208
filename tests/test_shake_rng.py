"""Salts, per-value seeds and the SHAKE-256 generator, checked byte for byte
against hashlib and hmac and a small replay of the draw rules."""

import hashlib
import hmac
import inspect

import pytest

from shake_reference import ShakeReplay
from vexil_redact import _core

ENV = "VEXIL_REDACT_PSEUDONYM_SALT"
NO_SALT = (
    "realistic strategy requires explicit salt: pass `salt=<int>`, `salt=<bytes>`, "
    "or set VEXIL_REDACT_PSEUDONYM_SALT."
)
SALT_TYPE_ERROR = "salt must be int, bytes, or None"


def seed_rejecting_first_draw(a, b):
    """A seed whose stream rejects at least once in its first randint(a, b)."""
    for i in range(100_000):
        seed = i.to_bytes(4, "big")
        replay = ShakeReplay(seed)
        replay.randint(a, b)
        if replay.rejections:
            return seed
    raise AssertionError("no rejecting seed found")


class Index:
    def __init__(self, value):
        self.value = value

    def __index__(self):
        return self.value


# ---- salts -----------------------------------------------------------------


@pytest.mark.parametrize(
    "salt, expected",
    [
        (0, bytes(8)),
        (-1, b"\xff" * 8),
        (True, (1).to_bytes(8, "big")),
        (258, bytes(6) + b"\x01\x02"),
        (-(2**63), b"\x80" + bytes(7)),
        (2**63 - 1, b"\x7f" + b"\xff" * 7),
        (Index(-2), b"\xff" * 7 + b"\xfe"),
        (b"", b""),
        (b"\x00salt\xff", b"\x00salt\xff"),
        (bytearray(b"copy"), b"copy"),
    ],
)
def test_resolve_salt(salt, expected):
    resolved = _core.resolve_salt(salt)
    assert type(resolved) is bytes
    assert resolved == expected


def test_bytearray_salt_is_copied():
    salt = bytearray(b"abc")
    resolved = _core.resolve_salt(salt)
    salt[0] = ord("z")
    assert resolved == b"abc"


@pytest.mark.parametrize("salt", [2**63, -(2**63) - 1, "salt", 1.5, [1], Index(2**64)])
def test_bad_salt_is_type_error(salt):
    with pytest.raises(TypeError) as info:
        _core.resolve_salt(salt)
    assert str(info.value) == SALT_TYPE_ERROR
    assert info.value.__notes__ == ["while processing 'salt'"]


@pytest.mark.parametrize(
    "env, expected",
    [
        ("s3cret", b"s3cret"),
        (" 00ff ", b" 00ff "),  # taken literally: no trimming, no hex decoding
        ("盐", "盐".encode()),
    ],
)
def test_environment_salt(monkeypatch, env, expected):
    monkeypatch.setenv(ENV, env)
    assert _core.resolve_salt() == _core.resolve_salt(None) == expected


@pytest.mark.parametrize("env", [None, "", "\udcff"])  # unset, empty, not UTF-8
def test_unusable_environment_salt(monkeypatch, env):
    if env is None:
        monkeypatch.delenv(ENV, raising=False)
    else:
        monkeypatch.setenv(ENV, env)
    with pytest.raises(ValueError) as info:
        _core.resolve_salt(None)
    assert str(info.value) == NO_SALT


def test_environment_is_read_at_every_call(monkeypatch):
    monkeypatch.setenv(ENV, "first")
    assert _core.resolve_salt() == b"first"
    monkeypatch.setenv(ENV, "second")
    assert _core.resolve_salt() == b"second"
    monkeypatch.delenv(ENV)
    assert _core.resolve_salt(b"") == b""


# ---- seeds -----------------------------------------------------------------


@pytest.mark.parametrize(
    "value, type_, salt",
    [
        ("张三", "person", b"k"),
        ("person", "张三", b"k"),
        ("a:b", "email", b""),
        ("x", "phone", bytes(range(64))),
        ("x", "phone", b"long key " * 8),
        ("", "", b"\xff" * 200),
    ],
)
def test_seed_from_value_is_hmac_sha256(value, type_, salt):
    expected = hmac.new(salt, f"{type_}:{value}".encode(), "sha256").digest()
    assert _core.seed_from_value(value, type_, salt) == expected


@pytest.mark.parametrize("salt", [bytearray(b"k"), "k", None, 1])
def test_seed_salt_must_be_bytes(salt):
    with pytest.raises(TypeError) as info:
        _core.seed_from_value("v", "t", salt)
    assert info.value.__notes__ == ["while processing 'salt'"]


@pytest.mark.parametrize("type_", ["person", "phone", "", "地址", "x" * 1000])
def test_type_seed_offset_is_sha256_prefix(type_):
    digest = hashlib.sha256(type_.encode()).digest()
    assert _core.type_seed_offset(type_) == int.from_bytes(digest[:4], "big") % 10000


# ---- the generator ---------------------------------------------------------


@pytest.mark.parametrize("seed_length", [0, 1, 32, 135, 136, 137, 272, 500])
def test_stream_is_shake256_output(seed_length):
    seed = bytes((7 * i + 1) % 256 for i in range(seed_length))
    rng = _core.ShakeRng(seed)
    drawn = bytes(rng.randint(0, 255) for _ in range(700))  # several output blocks
    assert drawn == hashlib.shake_256(seed).digest(700)


@pytest.mark.parametrize(
    "a, b",
    [
        (5, 5),
        (0, 9),
        (0, 255),
        (0, 256),
        (-10, -3),
        (-1000, 1000),
        (0, 2**56 - 1),
        (0, 2**56),
        (-(2**63), 2**63 - 1),
        (-(2**63), -(2**63) + 1),
        (2**63 - 2, 2**63 - 1),
    ],
)
def test_randint_replays_draw_rules(a, b):
    seed = f"{a}..{b}".encode()
    rng, replay = _core.ShakeRng(seed), ShakeReplay(seed)
    assert [rng.randint(a, b) for _ in range(300)] == [replay.randint(a, b) for _ in range(300)]
    # The next byte shows that exactly the same bytes were consumed.
    assert rng.randint(0, 255) == replay.peek()


@pytest.mark.parametrize("a, b", [(0, 9), (-5, 4), (0, 299), (-(2**62), 2**62), (-(2**63), 0)])
def test_rejected_bytes_are_discarded(a, b):
    seed = seed_rejecting_first_draw(a, b)
    rng, replay = _core.ShakeRng(seed), ShakeReplay(seed)
    assert rng.randint(a, b) == replay.randint(a, b)
    assert rng.randint(0, 255) == replay.peek()


def test_full_range_never_rejects():
    rng = _core.ShakeRng(b"full")
    stream = hashlib.shake_256(b"full").digest(8 * 100)
    expected = [int.from_bytes(stream[i : i + 8], "big") - 2**63 for i in range(0, 800, 8)]
    assert [rng.randint(-(2**63), 2**63 - 1) for _ in range(100)] == expected


class Sized:
    """Item access by integer index without being a built-in sequence."""

    def __len__(self):
        return 7

    def __getitem__(self, i):
        return ("item", i)


@pytest.mark.parametrize(
    "seq",
    [[1, 2, 3], ("only",), "abcdef", range(10, 1000, 7), {0: "a", 1: "b"}, Sized(), bytes(300)],
)
def test_choice_interleaves_with_randint(seq):
    rng, replay = _core.ShakeRng(b"mixed"), ShakeReplay(b"mixed")
    for _ in range(50):
        assert rng.choice(seq) == replay.choice(seq)
        assert rng.randint(-3, 300) == replay.randint(-3, 300)


def test_same_seed_same_sequence():
    first, second = _core.ShakeRng(b"s"), _core.ShakeRng(b"s")
    assert [first.randint(0, 10**9) for _ in range(20)] == [second.randint(0, 10**9) for _ in range(20)]


def test_keyword_arguments():
    rng, replay = _core.ShakeRng(seed=b"kw"), ShakeReplay(b"kw")
    assert rng.randint(b=9, a=0) == replay.randint(0, 9)
    assert rng.choice(seq="xyz") == replay.choice("xyz")


# ---- errors and borrowing ----------------------------------------------------


class BrokenLen:
    def __len__(self):
        raise LookupError("len failed")


@pytest.mark.parametrize(
    "call, error, message",
    [
        (lambda rng: rng.randint(3, 2), ValueError, "randint: empty range [3, 2]"),
        (lambda rng: rng.randint(-1, -(2**63)), ValueError,
         f"randint: empty range [-1, {-(2**63)}]"),
        (lambda rng: rng.choice([]), IndexError, "Cannot choose from an empty sequence"),
        (lambda rng: rng.choice(""), IndexError, "Cannot choose from an empty sequence"),
        (lambda rng: rng.choice(BrokenLen()), LookupError, "len failed"),
        (lambda rng: rng.choice(5), TypeError, "object of type 'int' has no len()"),
        (lambda rng: rng.choice({5: "x"}), KeyError, "0"),
    ],
)
def test_draw_errors(call, error, message):
    rng = _core.ShakeRng(b"errors")
    with pytest.raises(error) as info:
        call(rng)
    assert str(info.value) == message
    assert not getattr(info.value, "__notes__", None)


@pytest.mark.parametrize("a, b, param", [(0, 2**63, "b"), (-(2**63) - 1, 0, "a")])
def test_randint_bounds_are_signed_64_bit(a, b, param):
    with pytest.raises(OverflowError) as info:
        _core.ShakeRng(b"").randint(a, b)
    assert info.value.__notes__ == [f"while processing '{param}'"]


def test_failed_draws_consume_nothing():
    rng = _core.ShakeRng(b"keep")
    for call in (lambda: rng.choice([]), lambda: rng.randint(1, 0), lambda: rng.randint("0", 1)):
        with pytest.raises((IndexError, ValueError, TypeError)):
            call()
    assert rng.randint(0, 255) == hashlib.shake_256(b"keep").digest(1)[0]


@pytest.mark.parametrize("seed", [bytearray(b"x"), "x", None, memoryview(b"x")])
def test_seed_must_be_bytes(seed):
    with pytest.raises(TypeError) as info:
        _core.ShakeRng(seed)
    assert info.value.__notes__ == ["while processing 'seed'"]


@pytest.mark.parametrize("hook, consumed", [("__len__", 0), ("__getitem__", 1)])
def test_reentrant_call_is_refused(hook, consumed):
    rng = _core.ShakeRng(b"borrow")

    class CallsBack:
        def __len__(self):
            if hook == "__len__":
                rng.randint(0, 255)
            return 3

        def __getitem__(self, i):
            return rng.randint(0, 255)

    with pytest.raises(RuntimeError, match="^Already borrowed$"):
        rng.choice(CallsBack())
    assert rng.randint(0, 255) == hashlib.shake_256(b"borrow").digest(2)[consumed]


@pytest.mark.parametrize(
    "obj, signature",
    [
        (_core.ShakeRng, "(seed)"),
        (_core.ShakeRng.randint, "(self, /, a, b)"),
        (_core.ShakeRng.choice, "(self, /, seq)"),
        (_core.resolve_salt, "(salt=None)"),
        (_core.seed_from_value, "(value, type_, salt)"),
        (_core.type_seed_offset, "(type_)"),
    ],
)
def test_text_signatures(obj, signature):
    assert str(inspect.signature(obj)) == signature

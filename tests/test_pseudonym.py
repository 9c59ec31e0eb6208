"""PseudonymGenerator: seeded codes bit-exact with random.Random.randint,
widening of crowded ranges, existing keys, the secrets-backed unseeded
source with its failure modes, and the exclusive borrow."""

import inspect
import random
import secrets
import sys
import threading

import pytest

from vexil_redact import _core

Generator = _core.PseudonymGenerator
INTERNAL_FAILURE = next(
    cls for cls in BaseException.__subclasses__() if cls.__name__ == "InternalFailure"
)
U32_MAX = 2**32 - 1


def replay(seed, low, high, count, used=()):
    """Pseudonyms for `count` new originals, as random.Random(seed) would
    draw them: randint per candidate, 1000 rejections, then high × 10."""
    rng = random.Random(seed)
    used = set(used)
    out = []
    while len(out) < count:
        for _ in range(1000):
            candidate = f"P-{rng.randint(low, high):05d}"
            if candidate not in used:
                used.add(candidate)
                out.append(candidate)
                break
        else:
            high *= 10
    return out


@pytest.fixture
def randbelow(monkeypatch):
    """Replaces secrets.randbelow; returns the list of bounds it was asked for."""
    calls = []

    def install(draw):
        def fake(n):
            calls.append(n)
            return draw(n)

        monkeypatch.setattr(secrets, "randbelow", fake)
        return calls

    return install


@pytest.mark.parametrize("seed", [0, 42, 2**32 + 5, U32_MAX + 1, 2**64 - 1])
@pytest.mark.parametrize(
    "low, high",
    [(1, 99999), (0, U32_MAX), (1, U32_MAX), (2**31, U32_MAX), (1_000_000, 1_000_009)],
)
def test_seeded_codes_match_random_randint(seed, low, high):
    gen = Generator(seed=seed, code_range=(low, high))
    assert [gen.get(f"v{i}") for i in range(25)] == replay(seed, low, high, 25)


def test_seeded_generator_is_stable_and_repeatable():
    first = Generator(seed=42)
    code = first.get("张三")
    assert first.get("张三") == code
    assert Generator(seed=42).get("any other value") == code


def test_seeded_generator_never_calls_secrets(randbelow):
    calls = randbelow(lambda n: 0)
    assert Generator(seed=0).get("a") == replay(0, 1, 99999, 1)[0]
    assert calls == []


@pytest.mark.parametrize(
    "prefix, code, pseudonym",
    [
        ("P", 7, "P-00007"),
        ("P", 0, "P-00000"),
        ("O", 12345, "O-12345"),
        ("ORG", 123456, "ORG-123456"),
        ("", 42, "-00042"),
        ("P", U32_MAX, "P-4294967295"),
    ],
)
def test_format_pads_to_five_digits(prefix, code, pseudonym):
    assert Generator(prefix=prefix, code_range=(code, code), seed=1).get("x") == pseudonym


@pytest.mark.parametrize("seed", [0, 7, 42])
def test_single_code_range_widens_tenfold(seed):
    gen = Generator(code_range=(5, 5), seed=seed)
    codes = [gen.get(f"v{i}") for i in range(4)]
    assert codes == replay(seed, 5, 5, 4)
    assert codes[0] == "P-00005"
    assert all(5 <= int(c[2:]) <= 50 for c in codes)


def test_existing_key_is_reused_and_never_handed_out_again():
    key = {"P-00003": "李四", "O-00001": "某公司", "PX-00002": "x"}
    gen = Generator(code_range=(1, 3), seed=9, existing_key=key)
    assert gen.get("李四") == "P-00003"
    # Nothing was drawn for 李四: the stream starts with the first new value.
    codes = [gen.get(v) for v in ["某公司", "x", "c", "d"]]
    assert codes == replay(9, 1, 3, 4, used={"P-00003"})
    assert "P-00003" not in codes


def test_empty_range_at_zero_grows_instead_of_looping():
    gen = Generator(code_range=(0, 0), seed=3)
    assert gen.get("a") == "P-00000"
    assert gen.get("b") == "P-00001"
    assert 2 <= int(gen.get("c")[2:]) <= 10


def test_widening_saturates_at_the_largest_code():
    gen = Generator(code_range=(4_000_000_000, 4_000_000_000), seed=5)
    assert gen.get("a") == "P-4000000000"
    assert 4_000_000_000 < int(gen.get("b")[2:]) <= U32_MAX


@pytest.mark.parametrize("low", [U32_MAX, U32_MAX - 2])
@pytest.mark.parametrize("seed", [11, None])
def test_exhausted_top_range_is_value_error(low, seed):
    gen = Generator(code_range=(low, U32_MAX), seed=seed)
    codes = {gen.get(f"secret{i}") for i in range(U32_MAX - low + 1)}
    assert codes == {f"P-{c}" for c in range(low, U32_MAX + 1)}
    with pytest.raises(ValueError) as info:
        gen.get("secret-extra")
    assert str(info.value) == "pseudonym codes exhausted for prefix 'P'"
    assert gen.get("secret0") in codes


def test_inverted_range_counts_as_empty():
    gen = Generator(code_range=(10, 5), seed=2)
    assert gen.get("a") == "P-00010"
    assert 10 < int(gen.get("b")[2:]) <= 50


def test_unseeded_codes_come_from_secrets(randbelow):
    answers = iter([3, 3, 0])
    calls = randbelow(lambda n: next(answers))
    gen = Generator(code_range=(10, 20))
    assert [gen.get("a"), gen.get("b")] == ["P-00013", "P-00010"]
    assert calls == [11, 11, 11]


def test_unseeded_draw_bound_covers_full_32_bit_range(randbelow):
    calls = randbelow(lambda n: n - 1)
    assert Generator(code_range=(0, U32_MAX)).get("a") == "P-4294967295"
    assert calls == [2**32]


def test_unseeded_codes_are_distinct_and_in_range():
    gen = Generator(code_range=(1, 3))
    assert {gen.get(v) for v in "abc"} == {"P-00001", "P-00002", "P-00003"}
    codes = [Generator().get("x") for _ in range(50)]
    assert all(1 <= int(c[2:]) <= 99999 for c in codes)
    assert len(set(codes)) > 1


def raise_value_error(n):
    raise ValueError("boom")


@pytest.mark.parametrize(
    "draw, message",
    [
        (raise_value_error, "secrets.randbelow failed"),
        (lambda n: "3", "randbelow result not u32"),
        (lambda n: 3.0, "randbelow result not u32"),
        (lambda n: -1, "randbelow result not u32"),
        (lambda n: 2**32, "randbelow result not u32"),
        (lambda n: 2**70, "randbelow result not u32"),
    ],
)
def test_secrets_failures_are_internal_failures(randbelow, draw, message):
    randbelow(draw)
    gen = Generator()
    with pytest.raises(INTERNAL_FAILURE) as info:
        gen.get("a")
    assert str(info.value) == message
    randbelow(lambda n: 0)
    assert gen.get("a") == "P-00001"


def test_missing_secrets_module_is_internal_failure(monkeypatch):
    monkeypatch.setitem(sys.modules, "secrets", None)
    with pytest.raises(INTERNAL_FAILURE) as info:
        Generator().get("a")
    assert str(info.value) == "import secrets failed"


def test_reentrant_get_is_refused_and_reported_as_failed_draw(randbelow):
    # The inner get meets the exclusive borrow and raises RuntimeError inside
    # randbelow; a raising randbelow is an internal failure of the outer get.
    gen = Generator()
    refused = []

    def reenter(n):
        try:
            gen.get("inner")
        except RuntimeError as error:
            refused.append(str(error))
            raise

    randbelow(reenter)
    with pytest.raises(INTERNAL_FAILURE) as info:
        gen.get("outer")
    assert str(info.value) == "secrets.randbelow failed"
    assert refused == ["Already borrowed"]
    randbelow(lambda n: 0)
    assert gen.get("outer") == "P-00001"


def test_concurrent_get_from_another_thread_is_refused(randbelow):
    gen = Generator()
    drawing, checked = threading.Event(), threading.Event()

    def slow_draw(n):
        drawing.set()
        checked.wait(timeout=10)
        return 0

    randbelow(slow_draw)
    worker = threading.Thread(target=gen.get, args=("a",))
    worker.start()
    try:
        assert drawing.wait(timeout=10)
        with pytest.raises(RuntimeError, match="^Already borrowed$"):
            gen.get("b")
    finally:
        checked.set()
        worker.join()
    assert gen.get("a") == "P-00001"


@pytest.mark.parametrize(
    "kwargs, error, message, param",
    [
        ({"code_range": (1,)}, ValueError,
         "expected tuple of length 2, but got tuple of length 1", "code_range"),
        ({"code_range": [1, 2]}, TypeError, "'list' object is not an instance of 'tuple'",
         "code_range"),
        ({"code_range": (1, 2**32)}, OverflowError,
         "out of range integral type conversion attempted", "code_range"),
        ({"code_range": (-1, 5)}, OverflowError, None, "code_range"),
        ({"seed": -1}, OverflowError, None, "seed"),
        ({"seed": 2**64}, OverflowError, None, "seed"),
        ({"seed": "1"}, TypeError, "'str' object is not an instance of 'int'", "seed"),
        ({"existing_key": {"P-00001": 5}}, TypeError,
         "'int' object is not an instance of 'str'", "existing_key"),
        ({"existing_key": [("P-00001", "a")]}, TypeError,
         "'list' object is not an instance of 'dict'", "existing_key"),
        ({"prefix": 5}, TypeError, "'int' object is not an instance of 'str'", "prefix"),
    ],
)
def test_constructor_argument_errors(kwargs, error, message, param):
    with pytest.raises(error) as info:
        Generator(**kwargs)
    if message:
        assert str(info.value) == message
    assert info.value.__notes__ == [f"while processing '{param}'"]


@pytest.mark.parametrize(
    "call, message",
    [
        (lambda: Generator("P"), "PseudonymGenerator() takes 0 positional arguments but 1 was given"),
        (lambda: Generator().get(), "get() missing 1 required positional argument: 'entity'"),
        (lambda: Generator().get(5), "'int' object is not an instance of 'str'"),
    ],
)
def test_call_errors(call, message):
    with pytest.raises(TypeError) as info:
        call()
    assert str(info.value) == message


def test_text_signatures():
    assert str(inspect.signature(Generator)) == (
        "(*, prefix='P', code_range=(1, 99999), seed=None, existing_key=None)"
    )
    assert Generator.__text_signature__ == (
        '(*, prefix="P", code_range=(1, 99999), seed=None, existing_key=None)'
    )
    assert str(inspect.signature(Generator.get)) == "(self, /, entity)"


def test_calls_leak_no_references(randbelow):
    key = {"P-00001": "a"}
    prefix = "".join(["P"])
    draw = randbelow(lambda n: n - 1)
    objects = [Generator, key, prefix]
    before = [sys.getrefcount(o) for o in objects]
    for i in range(200):
        gen = Generator(prefix=prefix, existing_key=key)
        gen.get("a")
        gen.get(str(i))
        with pytest.raises(TypeError):
            Generator(existing_key={"P-1": i})
    del gen
    assert [sys.getrefcount(o) for o in objects] == before
    assert len(draw) == 200

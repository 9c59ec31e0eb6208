"""Text normalization (the pattern-scan rendering) and mapping spans back to the input."""

import sys
import unicodedata

import pytest
from hypothesis import given, strategies as st

from vexil_redact._core import map_spans_to_original, normalize_text

ZWSP = "\u200b"


@pytest.mark.parametrize(
    "text, normalized, offset_map",
    [
        # unchanged texts come back without a map
        ("call 13800138000", "call 13800138000", None),
        ("", "", None),
        ("ガ", "ガ", None),
        ("가나다", "가나다", None),
        ("5²", "5²", None),
        ("1½ kg", "1½ kg", None),
        ("我有三个苹果", "我有三个苹果", None),
        ("二〇二四年", "二〇二四年", None),
        # removals leave gaps in the map
        (f"138{ZWSP}0013{ZWSP}8000", "13800138000", [0, 1, 2, 4, 5, 6, 7, 9, 10, 11, 12]),
        ("a\u00adb\u2060c\ufeff", "abc", [0, 2, 4]),
        ("e\u0301", "e", [0]),
        ("\u0301x", "x", [1]),
        # expansions repeat an index
        ("ﬁle", "file", [0, 0, 1, 2]),
        ("⑴号", "(1)号", [0, 0, 0, 1]),
        ("½", "1⁄2", [0, 0, 0]),
        # accents, look-alikes, dashes
        ("café", "cafe", [0, 1, 2, 3]),
        ("Zoë Ångström", "Zoe Angstrom", list(range(12))),
        ("реорlе", "people", list(range(6))),
        ("ΑΒΓ", "ABΓ", [0, 1, 2]),
        ("a–b—c−d", "a-b-c-d", list(range(7))),
        # width and number forms
        ("１３８００１３８０００", "13800138000", list(range(11))),
        ("①③⑧⓪⓪①③⑧⓪⓪⓪", "13800138000", list(range(11))),
        ("m²", "m2", [0, 1]),
        ("H₂O", "H2O", [0, 1, 2]),
        ("１２³", "12³", [0, 1, 2]),
        ("ｱｶﾞ", "アカ\u3099", [0, 1, 2]),
        # digit runs
        ("一三八〇〇一三八〇〇〇", "13800138000", list(range(11))),
        ("电话一三八 〇〇一三 八〇〇〇", "电话138 0013 8000", list(range(15))),
        ("一二三四567", "1234567", list(range(7))),
        ("一二三4567号", "一二三4567号", None),
        ("138٠٠138000", "13800138000", list(range(11))),
        ("138 ٠٠-138000", "138 00-138000", list(range(13))),
        ("٠٠138000", "٠٠138000", None),
        ("138000٠٠", "138000٠٠", None),
    ],
)
def test_normalize_text(text, normalized, offset_map):
    assert normalize_text(text) == (normalized, offset_map)


def test_fullwidth_forms_fold_like_nfkc():
    block = [chr(c) for c in range(0xFF01, 0xFF5F)]
    assert [normalize_text(c)[0] for c in block] == [unicodedata.normalize("NFKC", c) for c in block]


def test_accented_latin_letters_lose_their_marks():
    letters = [c for c in map(chr, range(0xC0, 0x250)) if unicodedata.category(c).startswith("L")]
    accented = [c for c in letters if any(unicodedata.combining(p) for p in unicodedata.normalize("NFD", c))]
    expected = ["".join(p for p in unicodedata.normalize("NFD", c) if not unicodedata.combining(p)) for c in accented]
    assert [normalize_text(c)[0] for c in accented] == expected


def test_decimal_digits_between_ascii_digits_become_ascii():
    digits = [
        c for c in map(chr, range(0x80, sys.maxunicode + 1))
        if unicodedata.category(c) == "Nd" and unicodedata.is_normalized("NFKC", c)
    ]
    assert [normalize_text(f"1{c}2")[0] for c in digits] == [f"1{unicodedata.decimal(c)}2" for c in digits]


@pytest.mark.parametrize(
    "text, needle",
    [
        (f"电话：１３８{ZWSP}００１３８０００。", "13800138000"),
        ("联系ﬁ人 ①③⑧⓪⓪①③⑧⓪⓪⓪ 谢谢", "13800138000"),
        ("Mail: ѕuрроrt@ехаmрlе.com", "support@example.com"),
        ("née 一三八〇〇一三八〇〇〇", "13800138000"),
    ],
)
def test_found_spans_map_back_to_their_source(text, needle):
    normalized, offset_map = normalize_text(text)
    start = normalized.index(needle)
    [(s, e)] = map_spans_to_original([(start, start + len(needle))], offset_map, len(text))
    assert normalize_text(text[s:e])[0] == needle


@pytest.mark.parametrize(
    "spans, offset_map, original_len, expected",
    [
        ([(0, 2)], None, 5, [(0, 2)]),
        ([(7, 3)], None, 5, [(7, 3)]),
        ([(0, 3), (1, 9), (0, 0)], [0, 2, 3], 4, [(0, 4), (2, 4), (0, 4)]),
        ([(3, 3), (2, 1), (1, 2)], (0, 2, 3), 4, [(4, 4), (3, 1), (2, 3)]),
        ([(0, 1), (1, 2), (0, 4)], [0, 0, 1, 2], 3, [(0, 1), (0, 1), (0, 3)]),
        ([(0, 1)], [], 6, [(6, 6)]),
        ([], [0], 1, []),
    ],
)
def test_map_spans_to_original(spans, offset_map, original_len, expected):
    assert map_spans_to_original(spans, offset_map, original_len) == expected


@pytest.mark.parametrize(
    "args, error, param",
    [
        ((5,), TypeError, "text"),
        (("\ud800",), UnicodeEncodeError, "text"),
    ],
)
def test_normalize_text_refuses(args, error, param):
    with pytest.raises(error) as info:
        normalize_text(*args)
    assert info.value.__notes__ == [f"while processing '{param}'"]


@pytest.mark.parametrize(
    "args, error, param",
    [
        (("(0, 1)", None, 1), TypeError, "spans"),
        (([(0, 1, 2)], None, 1), ValueError, "spans"),
        (([(-1, 1)], None, 1), OverflowError, "spans"),
        (([(0, 1)], "012", 3), TypeError, "offset_map"),
        (([(0, 1)], [0, -1], 3), OverflowError, "offset_map"),
        (([(0, 1)], [2**64 - 1], 3), OverflowError, "offset_map"),
        (([(0, 1)], [0], -1), OverflowError, "original_len"),
    ],
)
def test_map_spans_to_original_refuses(args, error, param):
    with pytest.raises(error) as info:
        map_spans_to_original(*args)
    assert info.value.__notes__ == [f"while processing '{param}'"]


DISGUISES = "一三八〇零壹贰١٢٣０１２①②⑴²½ﬁé\u0301\u200b\u00ad–реоΑ가ｶﾞ -.,/:·、，"


@given(st.text() | st.text(alphabet=DISGUISES + "0123456789abc我"))
def test_offset_map_points_back_into_the_input(text):
    normalized, offset_map = normalize_text(text)
    if offset_map is None:
        assert normalized == text
    else:
        assert normalized != text
        assert len(offset_map) == len(normalized)
        assert offset_map == sorted(offset_map)
        assert all(0 <= i < len(text) for i in offset_map)


@given(st.text(alphabet=st.characters(max_codepoint=0x7F)))
def test_ascii_text_is_never_rewritten(text):
    assert normalize_text(text) == (text, None)

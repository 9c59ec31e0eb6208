"""Entity merging: the plain merge, the layered person rule, the
self-reference phase, blank and out-of-text cuts, and argument checks."""

import pytest
from hypothesis import assume, given, settings
from hypothesis import strategies as st

from vexil_redact._core import PatternMatch, merge_entities, merge_entities_with_text

SELF = "self_reference"


def pm(type_, start, end, confidence=1.0, layer=0, text=""):
    return PatternMatch(text, type_, start, end, confidence, layer)


def with_text(text, *specs):
    """(type, start, end[, confidence[, layer]]) → entities carrying text[start:end]."""
    return [pm(t, s, e, *rest, text=text[s:e]) for t, s, e, *rest in specs]


DEFAULTS = (1.0, 0)  # confidence, layer


def expected(text, *specs):
    """The records `with_text` would build; slicing drops what lies past the end."""
    return [(text[s:e], t, s, e, *rest, *DEFAULTS[len(rest):]) for t, s, e, *rest in specs]


def record(m):
    return (m.text, m.type, m.start, m.end, m.confidence, m.layer)


@pytest.mark.parametrize(
    "entities, result",
    [
        ([], []),
        ([("phone", 2, 5, 0.3, 7)], [("phone", 2, 5, 0.3, 7)]),
        ([("a", 0, 4, 0.8), ("b", 0, 4, 0.9)], [("b", 0, 4, 0.9)]),
        ([("a", 0, 4, 0.9), ("b", 0, 4, 0.9)], [("a", 0, 4, 0.9)]),
        ([("a", 2, 5, 1.0), ("b", 0, 10, 0.1)], [("b", 0, 10, 0.1)]),
        # input order does not matter: the sweep runs by start, longer first
        ([("a", 5, 8), ("b", 0, 3)], [("b", 0, 3), ("a", 5, 8)]),
        # each entity meets only the last one kept: [8,12) loses to [2,10)
        ([("a", 0, 4), ("b", 2, 10), ("c", 8, 12)], [("b", 2, 10)]),
        # without a text the layered person rule is off: longer wins
        ([("person", 3, 6, 1.0, 1), ("person", 4, 6, 1.0, 2)], [("person", 3, 6, 1.0, 1)]),
        # an inverted span counts as empty, not as a huge one
        ([("a", 0, 10), ("b", 5, 2)], [("a", 0, 10)]),
    ],
)
def test_merge_entities(entities, result):
    text = "0123456789ab"
    merged = merge_entities(with_text(text, *entities))
    assert [record(m) for m in merged] == expected(text, *result)


NAME_TEXT = "他们说张三丰来了"  # 张三丰 at [3,6)


@pytest.mark.parametrize(
    "text, entities, result",
    [
        # a higher-layer name inside a lower-layer one keeps the head
        (NAME_TEXT, [("person", 3, 6, 1.0, 1), ("person", 4, 6, 1.0, 2)],
         [("person", 3, 4, 1.0, 1), ("person", 4, 6, 1.0, 2)]),
        # ... and head, winner and tail when it lies strictly inside
        (NAME_TEXT, [("person", 2, 8, 0.5, 1), ("person", 3, 6, 0.9, 2)],
         [("person", 2, 3, 0.5, 1), ("person", 3, 6, 0.9, 2), ("person", 6, 8, 0.5, 1)]),
        # the winner placed first: the loser keeps what sticks out after it
        (NAME_TEXT, [("person", 3, 5, 1.0, 2), ("person", 4, 7, 1.0, 1)],
         [("person", 3, 5, 1.0, 2), ("person", 5, 7, 1.0, 1)]),
        # same start, the shorter one wins by layer
        (NAME_TEXT, [("person", 3, 6, 1.0, 1), ("person", 3, 5, 1.0, 3)],
         [("person", 3, 5, 1.0, 3), ("person", 5, 6, 1.0, 1)]),
        # same layer, or not both person: the plain rule
        (NAME_TEXT, [("person", 3, 6, 1.0, 1), ("person", 4, 6, 1.0, 1)],
         [("person", 3, 6, 1.0, 1)]),
        (NAME_TEXT, [("person", 3, 6, 1.0, 1), ("org", 4, 6, 1.0, 2)],
         [("person", 3, 6, 1.0, 1)]),
        # sweep order: a remainder is appended and the next entity is
        # compared with it alone, so [6,8) comes last and inside [0,10)
        ("abcdefghijklmnop", [("person", 0, 10, 1.0, 2), ("person", 5, 15, 1.0, 1),
                              ("phone", 6, 8)],
         [("person", 0, 10, 1.0, 2), ("person", 10, 15, 1.0, 1), ("phone", 6, 8)]),
        # with a self_reference present the result is sorted, and the
        # second phase drops the shorter phone of equal confidence
        ("abcdefghijklmnopq", [("person", 0, 10, 1.0, 2), ("person", 5, 15, 1.0, 1),
                               ("phone", 6, 8), (SELF, 16, 17)],
         [("person", 0, 10, 1.0, 2), ("person", 10, 15, 1.0, 1), (SELF, 16, 17)]),
        # in that phase higher confidence alone wins, even when shorter
        ("abcdefghijklmnopq", [("person", 0, 10, 0.5, 2), ("person", 5, 15, 0.5, 1),
                               ("phone", 6, 8, 0.9), (SELF, 16, 17)],
         [("phone", 6, 8, 0.9), ("person", 10, 15, 0.5, 1), (SELF, 16, 17)]),
    ],
)
def test_layered_person_rule(text, entities, result):
    merged = merge_entities_with_text(with_text(text, *entities), text)
    assert [record(m) for m in merged] == expected(text, *result)


PHONE_TEXT = "我1380013800abc"


@pytest.mark.parametrize(
    "entities, result",
    [
        ([], []),
        ([(SELF, 0, 1), ("phone", 0, 11)], [(SELF, 0, 1), ("phone", 1, 11)]),
        ([("person", 3, 8), (SELF, 5, 6)], [("person", 3, 8)]),
        ([(SELF, 0, 4), ("person", 2, 8)], [(SELF, 0, 4), ("person", 4, 8)]),
        ([(SELF, 0, 1)], [(SELF, 0, 1)]),
        # two first-person words: longer or more confident wins
        ([(SELF, 0, 4, 0.9), (SELF, 1, 2, 0.5)], [(SELF, 0, 4, 0.9)]),
        ([(SELF, 0, 4, 0.5), (SELF, 1, 2, 0.9)], [(SELF, 1, 2, 0.9)]),
        # output sorted by start although given in reverse
        ([("phone", 5, 9), (SELF, 0, 1)], [(SELF, 0, 1), ("phone", 5, 9)]),
    ],
)
def test_self_reference_phase(entities, result):
    merged = merge_entities_with_text(with_text(PHONE_TEXT, *entities), PHONE_TEXT)
    assert [record(m) for m in merged] == expected(PHONE_TEXT, *result)


def test_remainder_never_reaches_before_its_entity():
    # "my" sorts after the address, which "myself" has already cut back to
    # [8,27). Cutting that remainder again from the end of "my" must not
    # stretch it back over "self", which the address no longer covered.
    text = "I myself live at 12 Main St"
    entities = with_text(text, ("address", 2, 27), (SELF, 2, 8), (SELF, 2, 4))
    merged = merge_entities_with_text(entities, text)
    assert [record(m) for m in merged] == expected(
        text, (SELF, 2, 8), (SELF, 2, 4), ("address", 8, 27))


# The code points with the Unicode White_Space property.
WHITE_SPACE = [*map(chr, range(0x09, 0x0E)), " ", "\x85", "\xa0", "\u1680",
               *map(chr, range(0x2000, 0x200B)), "\u2028", "\u2029", "\u202f", "\u205f",
               "\u3000"]
NOT_WHITE_SPACE = ["x", "\x1c", "\x1f", "\u180e", "\u200b", "\ufeff", "\u2060"]


def test_white_space_table_has_the_property_count():
    assert len(set(WHITE_SPACE)) == 25


@pytest.mark.parametrize("blank, pieces", [(c, False) for c in WHITE_SPACE]
                         + [(c, True) for c in NOT_WHITE_SPACE])
def test_blank_head_and_tail_are_not_produced(blank, pieces):
    text = blank * 2 + "张三" + blank * 2
    entities = with_text(text, ("person", 0, 6, 1.0, 1), ("person", 2, 4, 1.0, 2))
    merged = merge_entities_with_text(entities, text)
    result = [("person", 2, 4, 1.0, 2)]
    if pieces:
        result = [("person", 0, 2, 1.0, 1), *result, ("person", 4, 6, 1.0, 1)]
    assert [record(m) for m in merged] == expected(text, *result)


@pytest.mark.parametrize(
    "text, entities, result",
    [
        # the tail lies wholly past the end of the text: blank, absent
        ("ab张三", [("person", 0, 9, 1.0, 1), ("person", 2, 4, 1.0, 2)],
         [("person", 0, 2, 1.0, 1), ("person", 2, 4, 1.0, 2)]),
        # partly past the end: the cut keeps the characters that exist
        ("张三丰", [("person", 0, 2, 1.0, 2), ("person", 1, 6, 1.0, 1)],
         [("person", 0, 2, 1.0, 2), ("person", 2, 6, 1.0, 1)]),
        # an empty text leaves nothing to cut: the phone disappears
        ("", [(SELF, 0, 1), ("phone", 0, 11)], [(SELF, 0, 1)]),
    ],
)
def test_cuts_past_the_end_of_the_text(text, entities, result):
    merged = merge_entities_with_text(with_text(text, *entities), text)
    assert [record(m) for m in merged] == expected(text, *result)


def test_pieces_come_from_the_text_not_the_entity():
    text = "他们说张三丰来了"
    entities = [pm("person", 2, 8, layer=1, text="stale"), pm("person", 3, 6, layer=2, text="x")]
    assert [(m.text, m.start, m.end) for m in merge_entities_with_text(entities, text)] == [
        ("说", 2, 3), ("x", 3, 6), ("来了", 6, 8)]


def test_long_non_ascii_text_cuts_at_character_offsets():
    text = "é" * 300 + "张三丰" + "😀" * 200
    entities = [pm("person", 1, 502, layer=1), pm("person", 301, 302, layer=2)]
    merged = merge_entities_with_text(entities, text)
    assert [(m.text, m.start, m.end) for m in merged] == [
        (text[1:301], 1, 301), ("", 301, 302), (text[302:502], 302, 502)]


def overlapping(entities):
    ordered = sorted(entities, key=lambda m: (m.start, m.end))
    return any(b.start < a.end for a, b in zip(ordered, ordered[1:]))


@st.composite
def entities_in_text(draw):
    text = draw(st.text(alphabet="ab 张\u3000", min_size=1, max_size=30))
    n = len(text)
    entities = []
    for _ in range(draw(st.integers(0, 12))):
        start = draw(st.integers(0, n - 1))
        end = draw(st.integers(start + 1, n))
        type_ = draw(st.sampled_from(["person", "phone", SELF]))
        entities.append(PatternMatch(text[start:end], type_, start, end,
                                     draw(st.sampled_from([0.5, 1.0])), draw(st.integers(0, 2))))
    return text, entities


@settings(max_examples=400, deadline=None)
@given(entities_in_text())
def test_self_reference_phase_adds_no_overlap(case):
    """Entities with start < end inside the text; when the self_reference
    entities do not overlap each other and the merge of the others alone
    gives no overlap, the full result has no two entities sharing a
    character, and each carries exactly its slice of the text. (Both
    premises are needed: the layered rule can leave a later entity inside a
    winner, see test_layered_person_rule, and a first-person word inside
    another is compared only with what was placed last.)"""
    text, entities = case
    first_person = [m for m in entities if m.type == SELF]
    others = [m for m in entities if m.type != SELF]
    assume(not overlapping(first_person))
    assume(not overlapping(merge_entities_with_text(others, text)))
    merged = merge_entities_with_text(entities, text)
    assert not overlapping(merged)
    assert all(m.text == text[m.start:m.end] for m in merged)


@pytest.mark.parametrize(
    "call",
    [
        lambda: merge_entities("abc"),
        lambda: merge_entities([("a", "t", 0, 1)]),
        lambda: merge_entities_with_text([pm("t", 0, 1), object()], "x"),
    ],
)
def test_entities_must_be_pattern_matches(call):
    with pytest.raises(TypeError) as info:
        call()
    assert info.value.__notes__ == ["while processing 'entities'"]


def test_non_pattern_match_element_is_named():
    with pytest.raises(TypeError, match="'tuple' object is not an instance of 'PatternMatch'"):
        merge_entities([("a", "t", 0, 1)])


def test_text_must_be_str():
    with pytest.raises(TypeError) as info:
        merge_entities_with_text([], b"x")
    assert info.value.__notes__ == ["while processing 'text'"]

"""Hints: density, near misses, intent and self-reference tier across languages,
the person threshold and self-reference filter over duck-typed hints, and the
package's Hint class."""

import dataclasses
import subprocess
import sys
from types import SimpleNamespace

import pytest
from hypothesis import given
from hypothesis import strategies as st

import vexil_redact._types
from vexil_redact import _core
from vexil_redact._core import PatternMatch
from vexil_redact._types import Hint


def entity(type_, start=0, end=1, text="x"):
    return PatternMatch(text, type_, start, end)


def self_ref(text):
    return PatternMatch(text, "self_reference", 0, len(text))


def data_of(hints, kind):
    return [h.data for h in hints if h.type == kind]


def intent(value):
    return SimpleNamespace(type="text_intent", data={"intent": value})


def tier(value, has_kinship=False):
    return SimpleNamespace(type="self_reference_tier", data={"tier": value, "has_kinship": has_kinship})


# ---- intent and tier ---------------------------------------------------------

@pytest.mark.parametrize(
    "text, self_text, instruction",
    [
        ("Can you tell me what I should do?", "I", True),
        ("  can you check this for me", "me", True),  # trimmed before the anchor
        ("So can you do it", "you", False),  # "can you" counts only at the start
        ("I want to know my balance", "I", True),
        ("PLEASE call me back", "me", True),
        ("I am pleased to meet you", "I", False),  # word boundary
        ("Kindly do the needful for me", "me", True),
        ("I went to the park yesterday", "I", False),
        ("\u3000帮我查一下我的快递\n", "我", True),
        ("我今天很开心", "我", False),
        ("KÖNNEN Sie mir helfen", "mir", True),
        ("kontaktieren\x1cSie\x1fmich", "mich", True),  # separators count as white space
        ("Você poderia me ligar amanhã", "me", True),
        ("私の住所を教えてください", "私", True),
        ("私に連絡してください。", "私", False),  # the suffix must end the text
        ("제 번호를 알려주세요", "제", True),
        ("저는 학생입니다", "저", False),
    ],
)
def test_intent_and_tier_of_a_lone_self_reference(text, self_text, instruction):
    hints = _core.produce_hints_l1([self_ref(self_text)], text)
    assert data_of(hints, "self_reference_tier") == [{"tier": 3 if instruction else 2, "has_kinship": False}]
    assert data_of(hints, "text_intent") == [{"intent": "instruction" if instruction else "casual"}]


BLANKS = "".join(c for c in map(chr, range(0x3001)) if c.isspace() and c not in "\x1c\x1d\x1e\x1f")


@pytest.mark.parametrize(
    "text, instruction",
    [
        (BLANKS + "帮我看看" + BLANKS, True),
        (BLANKS + "私に教えて" + BLANKS, True),
        ("\x1c帮我看看", False),  # information separators are not Unicode white space
        ("私に教えて\x1f", False),
    ],
)
def test_trimming_uses_unicode_white_space(text, instruction):
    hints = _core.produce_hints_l1([self_ref("我")], text)
    assert data_of(hints, "text_intent") == [{"intent": "instruction" if instruction else "casual"}]


@pytest.mark.parametrize(
    "self_text, kinship",
    [
        ("我妈", True),
        ("我家里人", True),
        ("我的妈", False),
        ("母", True),
        ("my mom", True),  # prefix "my "
        ("My mom", False),
        ("my", False),
        ("meine Mutterstadt", True),
        ("minha mãe", True),
        ("私の息子", True),
        ("저의 남편", True),
        ("제 아버지", True),
        ("I", False),
    ],
)
def test_kinship_gives_tier_one(self_text, kinship):
    hints = _core.produce_hints_l1([self_ref("I"), self_ref(self_text)], "ok")
    assert data_of(hints, "self_reference_tier") == [{"tier": 1 if kinship else 2, "has_kinship": kinship}]
    assert data_of(hints, "text_intent") == [{"intent": "casual"}]


@pytest.mark.parametrize(
    "entities, text, tier_data, intent_value",
    [
        ([], "Can you help me?", None, "neutral"),
        ([entity("phone")], "Can you call 555?", None, "narrative"),
        ([self_ref("I"), entity("phone")], "Can you tell me what I should do?",
         {"tier": 1, "has_kinship": False}, "instruction"),
        ([self_ref("I"), entity("phone")], "I called yesterday", {"tier": 1, "has_kinship": False}, "narrative"),
        ([self_ref("我妈"), entity("phone")], "帮我打给我妈", {"tier": 1, "has_kinship": True}, "instruction"),
    ],
)
def test_intent_and_tier_with_other_entities(entities, text, tier_data, intent_value):
    hints = _core.produce_hints_l1(entities, text)
    assert data_of(hints, "self_reference_tier") == ([tier_data] if tier_data else [])
    assert data_of(hints, "text_intent") == [{"intent": intent_value}]


# ---- density, near misses, result shape ----------------------------------------

@pytest.mark.parametrize(
    "types, level, count",
    [
        ([], "none", 0),
        (["self_reference"], "none", 0),
        (["phone"], "medium", 1),
        (["phone", "email", "self_reference", "self_reference"], "medium", 2),
        (["phone", "email", "person"], "high", 3),
    ],
)
def test_density(types, level, count):
    hints = _core.produce_hints_l1([entity(t) for t in types], "")
    assert hints[0].data == {"level": level, "count": count}
    assert type(hints[0].data["count"]) is int


@pytest.mark.parametrize(
    "miss, entities, reported",
    [
        ((0, 18), [("id_number", 0, 18)], True),  # same type never suppresses
        ((0, 18), [("phone", 5, 16)], False),
        ((0, 18), [("phone", 18, 29)], True),  # touching is not overlapping
        ((3, 10), [("phone", 0, 3)], True),
        ((3, 10), [("phone", 0, 5)], False),
        ((3, 10), [("self_reference", 9, 10)], False),
        ((2, 10), [("id_number", 0, 20), ("phone", 1, 4)], False),
        ((5, 15), [("id_number", 0, 20), ("phone", 12, 30)], False),
        ((5, 15), [("id_number", 0, 20), ("id_number", 12, 30), ("phone", 15, 30)], True),
        ((5, 10), [("phone", 5, 5)], True),  # an empty span overlaps nothing at its edge
        ((5, 10), [("phone", 7, 7)], False),
        ((10, 5), [("phone", 7, 20)], True),  # a reversed span overlaps by the same rule
        ((10, 5), [("phone", 0, 20)], False),
    ],
)
def test_near_miss_suppression(miss, entities, reported):
    near_miss = PatternMatch("110101199003077777", "id_number", *miss, confidence=0.3)
    hints = _core.produce_hints_l1([entity(t, s, e) for t, s, e in entities], "", [near_miss])
    expected = [{"original_type": "id_number", "text": "110101199003077777"}] if reported else []
    assert data_of(hints, "near_miss_format") == expected


spans = st.tuples(st.integers(0, 30), st.integers(0, 30))
typed_spans = st.lists(st.tuples(st.sampled_from(["a", "b", "c"]), spans), max_size=12)


@given(entities=typed_spans, misses=typed_spans)
def test_near_misses_match_the_overlap_definition(entities, misses):
    def suppressed(mt, ms, me):
        return any(t != mt and s < me and ms < e for t, (s, e) in entities)

    expected = [(t, (s, e)) for t, (s, e) in misses if not suppressed(t, s, e)]
    hints = _core.produce_hints_l1(
        [entity(t, s, e) for t, (s, e) in entities], "", [entity(t, s, e) for t, (s, e) in misses])
    assert [(h.data["original_type"], h.region) for h in hints if h.type == "near_miss_format"] == expected


def test_result_order_and_shapes():
    misses = [PatternMatch("b", "iban", 20, 21), PatternMatch("a", "id_number", 0, 1)]
    hints = _core.produce_hints_l1([PatternMatch("I", "self_reference", 30, 31), entity("phone", 40, 50)], "I", misses)
    assert [(h.type, h.region, list(h.data)) for h in hints] == [
        ("pii_density", (0, 0), ["level", "count"]),
        ("near_miss_format", (20, 21), ["original_type", "text"]),
        ("near_miss_format", (0, 1), ["original_type", "text"]),
        ("self_reference_tier", (0, 0), ["tier", "has_kinship"]),
        ("text_intent", (0, 0), ["intent"]),
    ]
    assert all(type(h) is Hint and h.source_layer == 1 for h in hints)
    tier_data = hints[3].data
    assert type(tier_data["tier"]) is int and type(tier_data["has_kinship"]) is bool


def test_no_entities_give_density_and_neutral_intent_only():
    assert _core.produce_hints_l1([], "Can you help me?") == [
        Hint(type="pii_density", data={"level": "none", "count": 0}, region=(0, 0), source_layer=1),
        Hint(type="text_intent", data={"intent": "neutral"}, region=(0, 0), source_layer=1),
    ]


@pytest.mark.parametrize(
    "args, error",
    [
        (("x", ""), TypeError),
        (([("a", "t", 0, 1)], ""), TypeError),
        (([], b"text"), TypeError),
        (([], "", [("a", "t", 0, 1)]), TypeError),
    ],
)
def test_produce_argument_errors(args, error):
    with pytest.raises(error):
        _core.produce_hints_l1(*args)


def test_signatures():
    assert _core.produce_hints_l1.__text_signature__ == "(entities, text, near_misses=None)"
    assert _core.get_person_threshold.__text_signature__ == "(hints)"
    assert _core.filter_self_reference.__text_signature__ == "(entities, hints)"


def test_hint_construction_errors_propagate(monkeypatch):
    class Broken:
        def __init__(self, **fields):
            raise LookupError("no hints today")

    monkeypatch.setattr(vexil_redact._types, "Hint", Broken)
    with pytest.raises(LookupError, match="no hints today"):
        _core.produce_hints_l1([], "")
    monkeypatch.setitem(sys.modules, "vexil_redact._types", None)
    with pytest.raises(ImportError):
        _core.produce_hints_l1([], "")


# ---- consumers -------------------------------------------------------------

@pytest.mark.parametrize(
    "hints, threshold",
    [
        ([], 0.8),
        ([intent("casual"), intent("instruction")], 1.2),
        ([intent("narrative"), intent("instruction")], 0.8),
        ([intent("neutral"), intent("shouting"), tier(3), intent("instruction")], 1.2),
        ([SimpleNamespace(type="pii_density", data=None), intent("instruction")], 1.2),
        ([intent("Instruction")], 0.8),
    ],
)
def test_person_threshold(hints, threshold):
    result = _core.get_person_threshold(hints)
    assert type(result) is float and result == threshold


@pytest.mark.parametrize(
    "entities, threshold, kept",
    [
        ([self_ref("I")], 1.2, []),
        ([self_ref("I"), entity("phone")], 1.2, [self_ref("I"), entity("phone")]),
        ([entity("phone")], 0.8, [entity("phone")]),
    ],
)
def test_consumers_of_produced_hints(entities, threshold, kept):
    hints = _core.produce_hints_l1(entities, "Can you tell me what I should do?")
    assert _core.get_person_threshold(hints) == threshold
    assert _core.filter_self_reference(entities, hints) == kept


ENTITIES = [entity("phone", 0, 3), self_ref("I"), entity("email", 5, 9)]


@pytest.mark.parametrize(
    "hints, keeps_self_reference",
    [
        ([tier(1)], True),
        ([tier(2)], False),
        ([tier(3)], False),
        ([], False),
        ([intent("instruction")], False),
        ([tier(2), tier(1)], False),  # only the first tier hint counts
        ([tier(1, True), tier(3)], True),
    ],
)
def test_filter_self_reference(hints, keeps_self_reference):
    expected = ENTITIES if keeps_self_reference else [ENTITIES[0], ENTITIES[2]]
    assert _core.filter_self_reference(ENTITIES, hints) == expected


@pytest.mark.parametrize(
    "hint, error",
    [
        (SimpleNamespace(data={"intent": "casual"}), AttributeError),
        (SimpleNamespace(type="text_intent"), AttributeError),
        (SimpleNamespace(type="text_intent", data={}), KeyError),
        (SimpleNamespace(type="self_reference_tier", data={"tier": 1}), KeyError),
        (SimpleNamespace(type=3, data={}), TypeError),
        (tier("1"), TypeError),
        (tier(256), OverflowError),
        (tier(1, has_kinship=1), TypeError),
        (intent(None), TypeError),
    ],
)
def test_malformed_hints_raise_the_access_error(hint, error):
    for call in (lambda: _core.get_person_threshold([hint]),
                 lambda: _core.filter_self_reference([], [hint])):
        with pytest.raises(error):
            call()


def test_hints_must_be_a_list():
    with pytest.raises(TypeError):
        _core.get_person_threshold("text_intent")


# ---- the Hint class ----------------------------------------------------------

def make_hint(**changes):
    fields = dict(type="text_intent", data={"intent": "casual"}, region=(0, 0), source_layer=1)
    return Hint(**(fields | changes))


def test_hint_equality_and_hash():
    assert make_hint() == make_hint()
    assert hash(make_hint()) == hash(make_hint())
    assert make_hint() != make_hint(data={"intent": "narrative"})
    assert make_hint() != make_hint(region=(1, 2))
    assert len({make_hint(), make_hint(), make_hint(type="other")}) == 2


def test_hint_repr():
    assert repr(make_hint()) == (
        "Hint(type='text_intent', data={'intent': 'casual'}, region=(0, 0), source_layer=1)")


def test_hint_is_immutable_and_keyword_only():
    with pytest.raises(dataclasses.FrozenInstanceError):
        make_hint().type = "other"
    with pytest.raises(TypeError):
        Hint("text_intent", {}, (0, 0), 1)


def test_types_module_loads_without_the_extension():
    code = ("import sys, vexil_redact._types; "
            "assert 'vexil_redact._core' not in sys.modules, 'extension loaded'")
    subprocess.run([sys.executable, "-c", code], check=True)

"""Coverage restoration: re-admission of absorbed detections, the type
filter, restored_types, and argument checks."""

import pytest

from vexil_redact._core import PatternMatch, restore_lost_coverage

TEXT = "我家在海淀13800138000号院3栋，电话13900139000"  # a phone inside an address
ADDRESS = PatternMatch(TEXT[0:20], "address", 0, 20)
PHONE = PatternMatch(TEXT[5:16], "phone", 5, 16)
SELF_REF = PatternMatch(TEXT[0:1], "self_reference", 0, 1)


def run(pre_merge, merged_spans, filtered, types=None, types_exclude=None, drop_self=False):
    entities, restored = restore_lost_coverage(
        pre_merge, merged_spans, filtered, types, types_exclude, drop_self, TEXT)
    return [(m.type, m.start, m.end) for m in entities], restored


@pytest.mark.parametrize(
    "types, types_exclude, drop_self, readmitted",
    [
        (None, {"address"}, False, ["phone"]),
        (None, {"address", "phone"}, False, []),
        (None, set(), False, ["address", "phone"]),
        (None, None, False, ["address", "phone"]),
        # given types decide alone: types_exclude is not looked at
        ({"phone"}, {"phone"}, False, ["phone"]),
        (frozenset({"phone", "person"}), None, False, ["phone"]),
        (set(), None, False, []),
        (set(), set(), False, []),
    ],
)
def test_type_filter(types, types_exclude, drop_self, readmitted):
    # Nothing survived the filter, so every passing absorbed entity returns;
    # the merge then keeps the longer of the two.
    entities, restored = run([ADDRESS, PHONE], [(0, 20)], [], types, types_exclude, drop_self)
    assert restored == readmitted
    assert entities == ([("address", 0, 20)] if "address" in readmitted
                        else [("phone", 5, 16)] if readmitted else [])


@pytest.mark.parametrize("drop_self, readmitted", [(True, []), (False, ["self_reference"])])
def test_drop_self_reference(drop_self, readmitted):
    _, restored = run([ADDRESS, SELF_REF], [(0, 20)], [], None, {"address"}, drop_self)
    assert restored == readmitted


@pytest.mark.parametrize(
    "pre_merge, merged_spans, filtered, entities, restored",
    [
        # what survived still covers the phone: nothing to do
        ([ADDRESS, PHONE], [(0, 20)], [ADDRESS], [("address", 0, 20)], []),
        # the phone was never inside a merged span (dropped for another reason)
        ([PHONE], [(0, 10)], [], [], []),
        # partial containment counts neither as absorbed ...
        ([PHONE], [(0, 10), (10, 20)], [], [], []),
        # ... nor as kept: the final merge settles the partial overlap,
        # here the first-person word cutting the phone back
        ([PatternMatch(TEXT[0:11], "phone", 0, 11)], [(0, 20)], [SELF_REF],
         [("self_reference", 0, 1), ("phone", 1, 11)], ["phone"]),
        # merged spans may come in any order
        ([PHONE], [(23, 34), (5, 16), (0, 3)], [], [("phone", 5, 16)], ["phone"]),
    ],
)
def test_readmission(pre_merge, merged_spans, filtered, entities, restored):
    assert run(pre_merge, merged_spans, filtered, None, {"address"}) == (entities, restored)


def test_unchanged_filtered_is_returned_as_new_objects_in_order():
    filtered = [PatternMatch(TEXT[23:34], "phone", 23, 34), ADDRESS]
    entities, restored = restore_lost_coverage([ADDRESS], [(0, 20)], filtered, None, None,
                                               False, TEXT)
    assert (entities, restored) == (filtered, [])
    assert entities is not filtered


def test_restored_types_are_sorted_by_code_point_once_each():
    names = ["phone", "email", "phone", "Zeta", "ähnlich", "zeta", "email"]
    pre_merge = [PatternMatch(TEXT[i:i + 1], name, i, i + 1) for i, name in enumerate(names)]
    _, restored = restore_lost_coverage(pre_merge, [(0, 34)], [], None, None, False, TEXT)
    # code point order of str is the byte order of its UTF-8 form
    assert restored == sorted(set(names))


@pytest.mark.parametrize(
    "position, value, error, note",
    [
        (0, "abc", TypeError, "pre_merge"),
        (1, [(0, 1, 2)], ValueError, "merged_spans"),
        (1, [[0, 1]], TypeError, "merged_spans"),
        (1, [(0, -1)], OverflowError, "merged_spans"),
        (2, [("a", "t", 0, 1)], TypeError, "filtered"),
        (3, ["phone"], TypeError, "types"),
        (4, {"phone": 1}, TypeError, "types_exclude"),
        (4, {1}, TypeError, "types_exclude"),
        (5, 1, TypeError, "drop_self_reference"),
        (5, None, TypeError, "drop_self_reference"),
        (6, b"x", TypeError, "text"),
    ],
)
def test_argument_errors(position, value, error, note):
    args = [[], [], [], None, None, False, TEXT]
    args[position] = value
    with pytest.raises(error) as info:
        restore_lost_coverage(*args)
    assert info.value.__notes__ == [f"while processing '{note}'"]

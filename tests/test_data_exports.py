"""The data-pool exports: shapes, document order, the values other parts rely
on, fresh objects per call, and lazy thread-safe loading."""

import subprocess
import sys
import textwrap

import pytest

from vexil_redact import _core

EXPORTS = {
    "rfc2606_domains": (list, 3), "rfc5737_prefixes": (list, 3), "rfc7042_mac_prefix": (str, 14),
    "reserved_person_names_en": (list, 10), "reserved_person_names_aliases_en": (list, 10),
    "reserved_addresses_en": (list, 6), "reserved_addresses_en_aliases": (list, 6),
    "reserved_person_names_zh": (list, 13), "reserved_person_names_aliases_zh": (list, 13),
    "reserved_cities_zh": (list, 3), "reserved_addresses_zh_aliases": (list, 9),
    "passport_prefixes_zh": (list, 2), "plate_special_prefixes_zh": (list, 2),
    "hkid_reserved_letter": (str, 1), "twid_reserved_letter": (str, 1),
    "macau_reserved_lead": (str, 1), "twarc_reserved_prefix": (str, 2),
    "person_surnames_en": (list, 643), "person_given_names_en": (list, 206),
    "person_surnames_zh": (str, 146), "person_compound_surnames_zh": (list, 16),
    "person_not_names_zh": (list, 7534), "person_common_words_zh": (list, 31257),
    "hint_kinship_exact": (list, 66), "hint_kinship_prefixes": (list, 16),
    "hint_command_prefixes": (list, 14), "hint_command_suffixes": (list, 12),
    "hint_command_patterns": (list, 5),
}


@pytest.mark.parametrize("name, shape", EXPORTS.items())
def test_export_shape_and_size(name, shape):
    kind, size = shape
    value = getattr(_core, name)()
    assert type(value) is kind and len(value) == size
    with pytest.raises(TypeError, match=r"takes 0 positional arguments but 1 was given"):
        getattr(_core, name)(1)
    assert getattr(_core, name).__text_signature__ == "()"


@pytest.mark.parametrize(
    "name, expected",
    [
        ("rfc2606_domains", ["example.com", "example.org", "example.net"]),
        ("rfc5737_prefixes", ["192.0.2", "198.51.100", "203.0.113"]),
        ("rfc7042_mac_prefix", "00:00:5E:00:53"),
        ("hkid_reserved_letter", "Z"),
        ("twid_reserved_letter", "W"),
        ("macau_reserved_lead", "9"),
        ("twarc_reserved_prefix", "WW"),
    ],
)
def test_fixed_values(name, expected):
    assert getattr(_core, name)() == expected


def test_alias_exports_pair_each_pool_entry_in_pool_order():
    assert _core.reserved_person_names_zh()[0] == "张三"
    assert _core.reserved_person_names_aliases_zh()[0] == ("张三", ["Zhang San", "Zhang3", "ZhangSan"])
    for names, pairs in [
        (_core.reserved_person_names_en(), _core.reserved_person_names_aliases_en()),
        (_core.reserved_addresses_en(), _core.reserved_addresses_en_aliases()),
        (_core.reserved_person_names_zh(), _core.reserved_person_names_aliases_zh()),
    ]:
        assert [name for name, _ in pairs] == names
        assert all(isinstance(aliases, list) and aliases for _, aliases in pairs)


def test_nested_shapes():
    for city, district, streets in _core.reserved_cities_zh():
        assert isinstance(city, str) and isinstance(district, str)
        assert streets and all(isinstance(s, str) for s in streets)
    for (city, district, street), aliases in _core.reserved_addresses_zh_aliases():
        assert any(c == city and d == district and street in s
                   for c, d, s in _core.reserved_cities_zh())
        assert aliases
    for pattern, ignorecase in _core.hint_command_patterns():
        assert isinstance(pattern, str) and type(ignorecase) is bool


def test_pools_hold_what_detection_relies_on():
    given, surnames = _core.person_given_names_en(), _core.person_surnames_en()
    assert (given[0], given[-1], surnames[0], surnames[-1]) == ("Aaron", "Zachary", "Acosta", "Zuniga")
    assert len(set(_core.hint_kinship_exact())) == 66
    assert "司马" in _core.person_compound_surnames_zh()
    assert {"丁亥", "丁亥年", "丁二酸", "王之涣"} <= set(_core.person_not_names_zh())


def test_every_call_returns_a_fresh_object():
    first, second = _core.person_surnames_en(), _core.person_surnames_en()
    assert first == second and first is not second
    first.clear()
    assert len(_core.person_surnames_en()) == 643


def test_threads_loading_one_document_at_once_see_the_same_content():
    # A fresh interpreter, so the document is not built yet when both threads start.
    code = textwrap.dedent("""
        import threading
        from vexil_redact import _core
        barrier = threading.Barrier(2)
        results = []
        def load():
            barrier.wait()
            results.append(_core.person_common_words_zh())
        threads = [threading.Thread(target=load) for _ in range(2)]
        for t in threads: t.start()
        for t in threads: t.join()
        assert len(results) == 2 and results[0] == results[1] and len(results[0]) == 31257
    """)
    subprocess.run([sys.executable, "-c", code], check=True)

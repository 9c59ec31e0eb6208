"""build_type_info: one settings record per type, each field layered from the
configuration, the registry defaults and the built-in tables."""

import pytest

from vexil_redact import _core

KEYS = [
    "strategy", "default_strategy", "prefix", "prefix_overridden", "faker_name", "custom_faker",
    "replacement", "label", "default_category_label", "visible_prefix", "visible_suffix",
]


def entities(*types):
    return [_core.PatternMatch("v", t, i, i + 1) for i, t in enumerate(types)]


def info(type_, config=None, langs=None, registry=None):
    return _core.build_type_info(entities(type_), config, langs, registry)[type_]


def test_types_in_first_appearance_order_with_all_keys():
    result = _core.build_type_info(entities("person", "phone", "person"))
    assert list(result) == ["person", "phone"]
    assert all(list(record) == KEYS for record in result.values())
    assert result["person"] == {
        "strategy": "pseudonym", "default_strategy": "pseudonym", "prefix": "P",
        "prefix_overridden": False, "faker_name": None, "custom_faker": False,
        "replacement": None, "label": None, "default_category_label": "[person]",
        "visible_prefix": None, "visible_suffix": None,
    }
    assert (result["phone"]["strategy"], result["phone"]["prefix"]) == ("mask", "PHON")


def test_empty_entity_list():
    assert _core.build_type_info([]) == {}


@pytest.mark.parametrize(
    "type_, strategy, prefix",
    [
        ("school", "pseudonym", "SCH"),
        ("organization", "pseudonym", "O"),
        ("credit_card", "mask", "CRED"),
        ("phone_landline", "mask", "LL"),
        ("self_reference", "keep", "S"),
        ("email", "mask", "EMAI"),
        ("bank_card", "mask", "BANK"),
        ("qq", "remove", "QQ"),
        ("url_token", "remove", "URL"),
        ("us_passport", "remove", "PASS"),
        ("github_token", "remove", "GH-TOKEN"),
        ("sexual_orientation", "remove", "ORI"),
        ("Person", "remove", "PERS"),
        ("ñandú_id", "remove", "ñandú_id".upper()[:4]),
        ("", "remove", ""),
    ],
)
def test_builtin_tables(type_, strategy, prefix):
    record = info(type_)
    assert (record["strategy"], record["default_strategy"], record["prefix"]) == (strategy, strategy, prefix)


@pytest.mark.parametrize(
    "type_, label",
    [("location", "[LOCATION]"), ("address", "[address]"), ("Location", "[Location]")],
)
def test_default_category_label(type_, label):
    assert info(type_)["default_category_label"] == label


@pytest.mark.parametrize(
    "config, registry, expected",
    [
        # an empty configured strategy keeps the default
        ({"strategy": ""}, None, {"strategy": "mask", "default_strategy": "mask"}),
        # a None prefix is the empty prefix, and still an override
        ({"prefix": None}, None, {"prefix": "", "prefix_overridden": True}),
        ({"prefix": "X"}, {"prefix": "R"}, {"prefix": "X", "prefix_overridden": True}),
        # configuring the strategy alone leaves the prefix to the registry
        ({"strategy": "remove"}, {"prefix": "R"},
         {"strategy": "remove", "default_strategy": "mask", "prefix": "R", "prefix_overridden": False}),
        (None, {"strategy": "keep", "category_label": "<tel>"},
         {"strategy": "keep", "default_strategy": "keep", "prefix": "PHON", "default_category_label": "<tel>"}),
        ({"strategy": "label"}, {"strategy": "keep"}, {"strategy": "label", "default_strategy": "keep"}),
        # None values count as absent
        ({"strategy": None, "label": None}, {"prefix": None}, {"strategy": "mask", "prefix": "PHON", "label": None}),
        ({"replacement": "[TEL]", "label": "电话", "visible_prefix": 3, "visible_suffix": 0},
         None, {"replacement": "[TEL]", "label": "电话", "visible_prefix": 3, "visible_suffix": 0}),
        # realistic from the registry resolves a faker too
        (None, {"strategy": "realistic"}, {"strategy": "realistic", "faker_name": "fake_phone_reserved"}),
    ],
)
def test_layering_per_field(config, registry, expected):
    record = info("phone", config and {"phone": config}, None, registry and {"phone": registry})
    assert {key: record[key] for key in expected} == expected


@pytest.mark.parametrize(
    "type_, langs, faker",
    [
        ("email", ["zh"], "fake_email_reserved"),
        ("phone", ["en", "zh"], "fake_phone_en_reserved"),
        ("phone", None, "fake_phone_reserved"),
        ("phone", ["fr"], "fake_phone_reserved"),
        ("address", ["en"], "fake_address_en_reserved"),
        ("ssn", [], "fake_ssn_en_reserved"),
        ("ip_address", ("en",), "fake_ip_reserved"),
        ("wechat", ["zh", "en"], None),
    ],
)
def test_faker_resolution_order(type_, langs, faker):
    assert info(type_, {type_: {"strategy": "realistic"}}, langs)["faker_name"] == faker


def test_no_faker_without_the_realistic_strategy():
    assert info("phone", {"phone": {"strategy": "Realistic"}}, ["zh"])["faker_name"] is None


class Text(str):
    pass


def test_malformed_entries_are_skipped():
    config = {1: {"strategy": "keep"}, "email": "keep", "phone": {"strategy": "keep"}}
    registry = {("phone",): {"prefix": "R"}, "phone": ["prefix"], Text("email"): {"prefix": "M"}}
    result = _core.build_type_info(entities("email", "phone"), config, None, registry)
    assert result["email"]["strategy"] == "mask" and result["email"]["prefix"] == "M"
    assert result["phone"]["strategy"] == "keep" and result["phone"]["prefix"] == "PHON"


@pytest.mark.parametrize(
    "kwargs, error, parameter",
    [
        ({"entities": [("v", "phone", 0, 1)]}, TypeError, "entities"),
        ({"config": [("phone", {})]}, TypeError, "config"),
        ({"config": {"phone": {"strategy": 5}}}, TypeError, "config"),
        ({"config": {"phone": {"prefix": b"P"}}}, TypeError, "config"),
        ({"config": {"phone": {"visible_prefix": -1}}}, OverflowError, "config"),
        ({"config": {"phone": {"visible_suffix": "2"}}}, TypeError, "config"),
        ({"langs": "zh"}, TypeError, "langs"),
        ({"registry_defaults": {"phone": {"category_label": 1}}}, TypeError, "registry_defaults"),
    ],
)
def test_conversion_errors_name_the_parameter(kwargs, error, parameter):
    kwargs = {"entities": entities("phone"), **kwargs}
    with pytest.raises(error) as caught:
        _core.build_type_info(**kwargs)
    assert caught.value.__notes__ == [f"while processing '{parameter}'"]


def test_config_mutated_by_a_converter_is_read_from_a_snapshot():
    config = {}

    class Count:
        def __index__(self):
            config.update({f"t{i}": {} for i in range(100)})
            return 2

    config["phone"] = {"visible_prefix": Count()}
    assert info("phone", config)["visible_prefix"] == 2

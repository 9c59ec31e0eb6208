"""Built-in fakers and the re-roll loop, replayed bit for bit by a small
pure-Python reference (tests/shake_reference.py) plus datetime and re."""

import datetime
import re

import pytest

from shake_reference import ShakeReplay, seed_of
from vexil_redact import _core

# ---------------------------------------------------------------- reference


def gb11643(body):
    weights = [7, 9, 10, 5, 8, 4, 2, 1, 6, 3, 7, 9, 10, 5, 8, 4, 2]
    return "10X98765432"[sum(int(c) * w for c, w in zip(body, weights)) % 11]


def hkid_check(letter, digits):
    values = [36, ord(letter) - ord("A") + 10] + [int(c) for c in digits]
    r = sum(v * w for v, w in zip(values, range(9, 1, -1))) % 11
    check = 0 if r == 0 else 11 - r
    return "X" if check == 10 else str(check)


def luhn_valid(number):
    total = 0
    for i, c in enumerate(reversed(number)):
        d = int(c) * (2 if i % 2 else 1)
        total += d - 9 if d > 9 else d
    return total % 10 == 0


def ref_phone(value, rng):
    return "19999" + rng.digits(6), []


def ref_id_number(value, rng):
    body = "999" + rng.digits(3)
    y, m, d, s = rng.randint(1960, 2005), rng.randint(1, 12), rng.randint(1, 28), rng.randint(0, 999)
    body += f"{y:04}{m:02}{d:02}{s:03}"
    return body + gb11643(body), []


def ref_hkid(value, rng):
    digits = rng.digits(6)
    return f"Z{digits}({hkid_check('Z', digits)})", []


def ref_address(value, rng):
    city, district, streets = rng.choice(_core.reserved_cities_zh())
    street = rng.choice(streets)
    n = rng.randint(1, 999)
    aliases = dict(_core.reserved_addresses_zh_aliases()).get((city, district, street), [])
    return f"{city}{district}{street}{n}号", [f"{n} {alias}" for alias in aliases]


def ref_email(value, rng):
    n = rng.randint(1000, 99999)
    return f"user{n}@{rng.choice(_core.rfc2606_domains())}", []


def ref_ip(value, rng):
    if ":" in value:
        return f"2001:db8::{rng.randint(1, 65535):x}", []
    prefix = rng.choice(_core.rfc5737_prefixes())
    return f"{prefix}.{rng.randint(1, 254)}", []


DATE_FORMS = [
    (r"(?P<y>\d{4})年(?P<m>\d{1,2})月(?P<d>\d{1,2})(?P<suffix>[日号])",
     lambda t, g: f"{t.year:04}年{t.month}月{t.day}{g['suffix']}"),
    (r"(?P<y>\d{4})(?P<sep>[-/.])(?P<m>\d{1,2})[-/.](?P<d>\d{1,2})",
     lambda t, g: f"{t.year:04}{g['sep']}{t.month:02}{g['sep']}{t.day:02}"),
    (r"(?P<m>\d{1,2})/(?P<d>\d{1,2})/(?P<y>\d{4})",
     lambda t, g: f"{t.month:02}/{t.day:02}/{t.year:04}"),
]


def shift(rng, r, z):
    k = rng.randint(-r, r)
    return k if k else (-z if rng.randint(0, 1) == 0 else z)


def ref_date(value, rng):
    for pattern, rebuild in DATE_FORMS:
        match = re.search(pattern, value)
        if not match:
            continue
        fields = match.group("y", "m", "d")
        if not all(f.isascii() for f in fields):
            return value, []
        try:
            date = datetime.date(*map(int, fields))
        except ValueError:
            return value, []
        shifted = date + datetime.timedelta(days=shift(rng, 30, 7))
        return value[: match.start()] + rebuild(shifted, match) + value[match.end() :], []
    return value, []


def ref_age(value, rng):
    match = re.search(r"\d+", value)
    if not match or not match.group().isascii() or int(match.group()) >= 2**63:
        return value, []
    age = max(0, min(149, int(match.group()) + shift(rng, 5, 1)))
    return value[: match.start()] + str(age) + value[match.end() :], []


REFERENCE = {
    "fake_phone_reserved": ref_phone,
    "fake_id_number_reserved": ref_id_number,
    "fake_hkid_reserved": ref_hkid,
    "fake_address_reserved": ref_address,
    "fake_email_reserved": ref_email,
    "fake_ip_reserved": ref_ip,
    "fake_date_of_birth_noise": ref_date,
    "fake_age_noise": ref_age,
}


def ref_attempt(faker, value, type_, salt, seed_input):
    return REFERENCE[faker](value, ShakeReplay(seed_of(seed_input, type_, salt)))


def ref_unique(faker, value, type_, salt, used):
    seed_input = value
    for attempt in range(10):
        fake, aliases = ref_attempt(faker, value, type_, salt, seed_input)
        if fake != value and fake not in used:
            return fake, aliases
        seed_input += f"#{attempt}"
    return None


def salt_where(faker, value, type_, wanted):
    """The first salt whose attempt-0 reference fake satisfies `wanted`."""
    for i in range(20000):
        salt = b"s%d" % i
        fake = ref_attempt(faker, value, type_, salt, value)
        if wanted(fake):
            return salt
    raise AssertionError("no salt found")


# ---------------------------------------------------------------- tests

REPLAYS = [
    ("fake_phone_reserved", "13800138000", "phone"),
    ("fake_id_number_reserved", "110101199003071234", "id_number"),
    ("fake_hkid_reserved", "A123456(7)", "hk_id"),
    ("fake_address_reserved", "北京市朝阳区建国路1号", "address"),
    ("fake_email_reserved", "alice@corp.test", "email"),
    ("fake_ip_reserved", "10.1.2.3", "ip_address"),
    ("fake_ip_reserved", "fe80::1", "ip_address"),
    ("fake_date_of_birth_noise", "生于1990-01-05。", "date_of_birth"),
    ("fake_date_of_birth_noise", "1990年1月31号", "date_of_birth"),
    ("fake_date_of_birth_noise", "born 12/31/1999.", "date_of_birth"),
    ("fake_date_of_birth_noise", "1990.01/05", "date_of_birth"),
    ("fake_date_of_birth_noise", "2000-02-29", "date_of_birth"),
    ("fake_date_of_birth_noise", "on 01/05/1990 or 1991-02-03", "date_of_birth"),
    ("fake_age_noise", "年龄0岁", "age"),
    ("fake_age_noise", "148 years", "age"),
]


@pytest.mark.parametrize("faker, value, type_", REPLAYS)
@pytest.mark.parametrize("salt", [b"", b"k" * 100, b"\x00\xff"])
def test_matches_reference(faker, value, type_, salt):
    expected = ref_unique(faker, value, type_, salt, set())
    assert _core.generate_unique_fake(faker, value, type_, salt, set()) == expected


@pytest.mark.parametrize(
    "faker, value, type_, wanted",
    [
        # the check value 10 is written X
        ("fake_hkid_reserved", "A1", "hk_id", lambda f: f[0].endswith("(X)")),
        # the shift crosses a year end and a month end
        ("fake_date_of_birth_noise", "生于1990-01-05。", "date_of_birth", lambda f: f[0] == "生于1989-12-06。"),
        ("fake_date_of_birth_noise", "1999年12月31日", "date_of_birth", lambda f: f[0].startswith("2000年1月")),
        ("fake_date_of_birth_noise", "02/27/2024", "date_of_birth", lambda f: f[0] == "03/01/2024"),
        # clamps at both ends
        ("fake_age_noise", "age 0", "age", lambda f: f[0] == "age 1"),
        ("fake_age_noise", "148 years", "age", lambda f: f[0] == "149 years"),
        ("fake_age_noise", "3岁", "age", lambda f: f[0] == "0岁"),
    ],
)
def test_chosen_draws(faker, value, type_, wanted):
    salt = salt_where(faker, value, type_, wanted)
    expected = ref_attempt(faker, value, type_, salt, value)
    assert _core.generate_unique_fake(faker, value, type_, salt, set()) == expected


def test_a_fake_equal_to_the_value_is_rolled_again():
    faker, value, type_ = "fake_age_noise", "age 0", "age"
    salt = salt_where(faker, value, type_, lambda f: f[0] == value)
    expected = ref_attempt(faker, value, type_, salt, value + "#0")
    assert expected[0] != value
    assert _core.generate_unique_fake(faker, value, type_, salt, set()) == expected


@pytest.mark.parametrize("salt", [b"", b"x", b"salt"])
def test_age_near_the_64_bit_limit_becomes_the_oldest_age(salt):
    value = str(2**63 - 1)
    assert _core.generate_unique_fake("fake_age_noise", value, "age", salt, set()) == ("149", [])


@pytest.mark.parametrize("salt", [b"a", b"b", b"c"])
def test_id_number_and_cards_are_well_formed(salt):
    fake, _ = _core.generate_unique_fake("fake_id_number_reserved", "x", "id_number", salt, set())
    assert re.fullmatch(r"999\d{3}(19[6-9]\d|200[0-5])(0[1-9]|1[0-2])(0[1-9]|1\d|2[0-8])\d{3}[\dX]", fake)
    card = _core.generate_unique_fake("fake_bank_card_reserved", "x", "t", salt, set())
    assert _core.generate_unique_fake("fake_credit_card_en_reserved", "x", "t", salt, set()) == card
    assert re.fullmatch(r"999999\d{10}", card[0]) and luhn_valid(card[0])


def test_reroll_suffixes_accumulate():
    faker, value, type_, salt = "fake_phone_reserved", "13800138000", "phone", b"salt"
    chain = [ref_attempt(faker, value, type_, salt, value + suffix)[0] for suffix in ("", "#0", "#0#1")]
    assert len(set(chain)) == 3
    for taken in range(3):
        used = set(chain[:taken])
        assert _core.generate_unique_fake(faker, value, type_, salt, used) == (chain[taken], [])
        assert used == set(chain[:taken])


@pytest.mark.parametrize(
    "faker, value, type_",
    [
        ("fake_age_noise", "no digits here", "age"),
        ("fake_age_noise", "99999999999999999999", "age"),
        ("fake_age_noise", "٣٠ or 30", "age"),
        ("fake_date_of_birth_noise", "1990年2月29日", "date_of_birth"),
        ("fake_date_of_birth_noise", "１９９０-01-05", "date_of_birth"),
        ("fake_date_of_birth_noise", "1990-13-01", "date_of_birth"),
        ("fake_date_of_birth_noise", "1990-01-00", "date_of_birth"),
    ],
)
def test_unusable_noise_values_exhaust_the_attempts(faker, value, type_):
    with pytest.raises(ValueError) as caught:
        _core.generate_unique_fake(faker, value, type_, b"s", set())
    assert str(caught.value) == f"Could not generate unique fake for {type_} after 10 attempts"


def test_every_attempt_taken_exhausts_the_attempts():
    faker, value, type_, salt = "fake_mac_reserved", "secret-mac", "mac_address", b"s"
    used = {f"00:00:5E:00:53:{b:02X}" for b in range(256)}
    with pytest.raises(ValueError, match=r"^Could not generate unique fake for mac_address after 10 attempts$"):
        _core.generate_unique_fake(faker, value, type_, salt, used)


@pytest.mark.parametrize(
    "args, error, message",
    [
        (("nope", "v", "t", b"", set()), ValueError, "^unknown faker: nope$"),
        (("fake_phone_reserved", "v", "t", bytearray(b"s"), set()), TypeError, "bytes"),
        (("fake_phone_reserved", "v", "t", b"", ["a"]), TypeError, "set"),
        (("fake_phone_reserved", "v", "t", b"", {1}), TypeError, "str"),
    ],
)
def test_argument_and_name_errors(args, error, message):
    with pytest.raises(error, match=message):
        _core.generate_unique_fake(*args)


@pytest.mark.parametrize(
    "type_, lang, name",
    [
        ("email", "shared", "fake_email_reserved"),
        ("email", "zh", None),
        ("Phone", "zh", None),
        ("phone", "zh", "fake_phone_reserved"),
        ("phone", "en", "fake_phone_en_reserved"),
        ("address", "en", "fake_address_en_reserved"),
        ("date_of_birth", "zh", "fake_date_of_birth_noise"),
        ("mac_address", "shared", "fake_mac_reserved"),
        ("wechat", "zh", None),
        ("phone", "", None),
    ],
)
def test_builtin_faker_name(type_, lang, name):
    assert _core.builtin_faker_name(type_, lang) == name


def test_builtin_faker_names():
    names = _core.builtin_faker_names()
    assert len(names) == len(set(names)) == 22
    assert names[0] == "fake_phone_reserved" and names[-1] == "fake_mac_reserved"
    assert names is not _core.builtin_faker_names()


@pytest.mark.parametrize("name", _core.builtin_faker_names())
def test_every_faker_differs_from_its_value_and_is_reproducible(name):
    value = {"fake_date_of_birth_noise": "1990-01-05", "fake_age_noise": "30"}.get(name, "x")
    first = _core.generate_unique_fake(name, value, "t", b"salt", set())
    assert first[0] != value and first == _core.generate_unique_fake(name, value, "t", b"salt", set())

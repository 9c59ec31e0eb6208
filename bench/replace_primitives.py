"""Benchmark of the replacement primitives against a pure-Python implementation
of the same rules (hmac + hashlib.shake_256 for fakes, random.Random for
pseudonyms), measured in the same run. Both sides must produce identical values.
Run on demand: .venv/bin/python bench/replace_primitives.py"""

import datetime
import random
import re
import sys
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "tests"))
from shake_reference import ShakeReplay, seed_of  # noqa: E402  (the tests' oracle)

from vexil_redact import _core  # noqa: E402

SALT = b"bench-salt"
CALLS = 2000
PSEUDONYMS = 100_000


def luhn(digits):
    total = 0
    for i, d in enumerate(reversed(digits)):
        d = int(d) * (2 if i % 2 == 0 else 1)
        total += d - 9 if d > 9 else d
    return str((10 - total % 10) % 10)


def gb11643(body):
    weights = [7, 9, 10, 5, 8, 4, 2, 1, 6, 3, 7, 9, 10, 5, 8, 4, 2]
    return "10X98765432"[sum(int(c) * w for c, w in zip(body, weights)) % 11]


def hkid(letters, digits):
    chars = (" " + letters if len(letters) == 1 else letters) + digits
    value = lambda c: 36 if c == " " else (ord(c) - 55 if c.isalpha() else int(c))  # noqa: E731
    r = sum(value(c) * w for c, w in zip(chars, range(9, 1, -1))) % 11
    check = 0 if r == 0 else 11 - r
    return "X" if check == 10 else str(check)


TW_CODES = dict(zip("ABCDEFGHIJKLMNOPQRSTUVWXYZ",
                    [10, 11, 12, 13, 14, 15, 16, 17, 34, 18, 19, 20, 21, 22, 35, 23, 24, 25, 26,
                     27, 28, 29, 32, 30, 31, 33]))


def twid(letter, digits):
    code = TW_CODES[letter]
    total = code // 10 + 9 * (code % 10) + sum(int(d) * w for d, w in zip(digits, range(8, 0, -1)))
    return str((10 - total % 10) % 10)


DATE_FORMS = [
    (re.compile(r"(?P<y>\d{4})年(?P<m>\d{1,2})月(?P<d>\d{1,2})(?P<suffix>[日号])"),
     lambda m, d: f"{d.year:04d}年{d.month}月{d.day}{m['suffix']}"),
    (re.compile(r"(?P<y>\d{4})(?P<sep>[-/.])(?P<m>\d{1,2})[-/.](?P<d>\d{1,2})"),
     lambda m, d: f"{d.year:04d}{m['sep']}{d.month:02d}{m['sep']}{d.day:02d}"),
    (re.compile(r"(?P<m>\d{1,2})/(?P<d>\d{1,2})/(?P<y>\d{4})"),
     lambda m, d: f"{d.month:02d}/{d.day:02d}/{d.year:04d}"),
]


def date_noise(value, rng):
    for pattern, render in DATE_FORMS:
        m = pattern.search(value)
        if m:
            break
    else:
        return value
    try:
        date = datetime.date(int(m["y"]), int(m["m"]), int(m["d"]))
    except ValueError:
        return value
    k = rng.randint(-30, 30) or (-7 if rng.randint(0, 1) == 0 else 7)
    shifted = date + datetime.timedelta(days=k)
    return value[:m.start()] + render(m, shifted) + value[m.end():]


def age_noise(value, rng):
    m = re.search(r"\d+", value)
    if not m or not m.group().isascii():
        return value
    k = rng.randint(-5, 5) or (-1 if rng.randint(0, 1) == 0 else 1)
    return value[:m.start()] + str(min(149, max(0, int(m.group()) + k))) + value[m.end():]


def python_fakers():
    # Pools are read once, as a Python implementation would keep them.
    cities = _core.reserved_cities_zh()
    prefixes, domains = _core.rfc5737_prefixes(), _core.rfc2606_domains()
    passports, plates = _core.passport_prefixes_zh(), _core.plate_special_prefixes_zh()
    zh_aliases = dict(_core.reserved_addresses_zh_aliases())
    names_zh = dict(_core.reserved_person_names_aliases_zh())
    names_en = dict(_core.reserved_person_names_aliases_en())
    addresses_en = dict(_core.reserved_addresses_en_aliases())

    def address_zh(value, r):
        city, district, streets = r.choice(cities)
        street, n = r.choice(streets), r.randint(1, 999)
        aliases = [f"{n} {a}" for a in zh_aliases.get((city, district, street), [])]
        return f"{city}{district}{street}{n}号", aliases

    def ip(value, r):
        if ":" in value:
            return f"2001:db8::{r.randint(1, 65535):x}", []
        prefix = r.choice(prefixes)
        return f"{prefix}.{r.randint(1, 254)}", []

    def id_number(value, r):
        body = f"999{r.digits(3)}{r.randint(1960, 2005):04d}{r.randint(1, 12):02d}{r.randint(1, 28):02d}{r.randint(0, 999):03d}"
        return body + gb11643(body), []

    def card(value, r):
        body = "999999" + r.digits(9)
        return body + luhn(body), []

    def pool_pick(pool):
        names = list(pool)
        return lambda value, r: (lambda name: (name, list(pool[name])))(r.choice(names))

    return {
        "fake_phone_reserved": lambda v, r: ("19999" + r.digits(6), []),
        "fake_phone_landline_reserved": lambda v, r: ("099-" + r.digits(8), []),
        "fake_id_number_reserved": id_number,
        "fake_hkid_reserved": lambda v, r: (lambda d: (f"Z{d}({hkid('Z', d)})", []))(r.digits(6)),
        "fake_twid_reserved": lambda v, r: (lambda d: (f"W{d}{twid('W', d)}", []))(r.digits(8)),
        "fake_macau_id_reserved": lambda v, r: (lambda d: (f"9/{d}/{r.randint(0, 9)}", []))(r.digits(6)),
        "fake_taiwan_arc_reserved": lambda v, r: ("WW" + r.digits(8), []),
        "fake_bank_card_reserved": card,
        "fake_passport_reserved": lambda v, r: (lambda p: (p + "99999" + r.digits(3), []))(
            r.choice(passports)),
        "fake_license_plate_reserved": lambda v, r: (lambda p: (p + chr(65 + r.randint(0, 25)) + "99999", []))(
            r.choice(plates)),
        "fake_address_reserved": address_zh,
        "fake_date_of_birth_noise": lambda v, r: (date_noise(v, r), []),
        "fake_person_reserved": pool_pick(names_zh),
        "fake_age_noise": lambda v, r: (age_noise(v, r), []),
        "fake_phone_en_reserved": lambda v, r: (f"(555) 555-01{r.randint(0, 99):02d}", []),
        "fake_ssn_en_reserved": lambda v, r: (f"999-{r.randint(1, 99):02d}-{r.randint(1, 9999):04d}", []),
        "fake_credit_card_en_reserved": card,
        "fake_address_en_reserved": pool_pick(addresses_en),
        "fake_person_en_reserved": pool_pick(names_en),
        "fake_email_reserved": lambda v, r: (lambda n: (f"user{n}@{r.choice(domains)}", []))(
            r.randint(1000, 99999)),
        "fake_ip_reserved": ip,
        "fake_mac_reserved": lambda v, r: (f"00:00:5E:00:53:{r.randint(0, 255):02X}", []),
    }


def python_unique_fake(faker, value, type_, used):
    seed_input = value
    for attempt in range(10):
        fake, aliases = faker(value, ShakeReplay(seed_of(seed_input, type_, SALT)))
        if fake != value and fake not in used:
            return fake, aliases
        seed_input += f"#{attempt}"
    raise ValueError(f"Could not generate unique fake for {type_} after 10 attempts")


# Originals per faker; only the noise fakers and the IP faker look at them.
SAMPLE_VALUES = {
    "fake_date_of_birth_noise": lambda i: f"生于{1950 + i % 50}-{1 + i % 12:02d}-{1 + i % 28:02d}。",
    "fake_age_noise": lambda i: f"今年{i % 100}岁",
    "fake_ip_reserved": lambda i: f"10.1.{i // 256 % 256}.{i % 256}" if i % 2 else f"fe80::{i:x}",
}
TYPES = ("phone", "phone_landline", "id_number", "hk_id", "tw_id", "macau_id", "taiwan_arc",
         "bank_card", "passport", "license_plate", "address", "date_of_birth", "person", "age",
         "ssn", "credit_card", "email", "ip_address", "mac_address")


def best_of(fn, repeats=3):
    times = []
    for _ in range(repeats):
        started = time.perf_counter()
        fn()
        times.append(time.perf_counter() - started)
    return min(times)


def bench_fakers():
    reference = python_fakers()
    print(f"generate_unique_fake, {CALLS} distinct values per faker (calls/s):")
    print(f"{'faker':<32}{'native':>12}{'python':>12}{'ratio':>8}")
    ratios = []
    faker_types = {_core.builtin_faker_name(t, lang): t
                   for t in TYPES for lang in ("zh", "en", "shared") if _core.builtin_faker_name(t, lang)}
    for name in _core.builtin_faker_names():
        type_ = faker_types[name]
        values = [SAMPLE_VALUES.get(name, lambda i: f"value{i}")(i) for i in range(CALLS)]
        native = [_core.generate_unique_fake(name, v, type_, SALT, set()) for v in values]
        python = [python_unique_fake(reference[name], v, type_, set()) for v in values]
        assert [(f, a) for f, a in native] == [(f, list(a)) for f, a in python], f"{name} differs"
        t_native = best_of(lambda: [_core.generate_unique_fake(name, v, type_, SALT, set()) for v in values])
        t_python = best_of(lambda: [python_unique_fake(reference[name], v, type_, set()) for v in values])
        ratios.append(t_python / t_native)
        print(f"{name:<32}{CALLS / t_native:>12,.0f}{CALLS / t_python:>12,.0f}{t_python / t_native:>7.1f}x")
    ratios.sort()
    print(f"median ratio {ratios[len(ratios) // 2]:.1f}x, lowest {ratios[0]:.1f}x")


class PythonPseudonyms:
    """The same generator in pure Python: random.Random draws, a code set and
    the original-to-pseudonym map, behind the same get() call."""

    def __init__(self, seed, code_range):
        self.rng, self.low, self.high = random.Random(seed), *code_range
        self.assigned, self.used = {}, set()

    def get(self, original):
        if original in self.assigned:
            return self.assigned[original]
        while True:
            code = f"P-{self.rng.randint(self.low, self.high):05d}"
            if code not in self.used:
                break
        self.assigned[original] = code
        self.used.add(code)
        return code


def bench_pseudonyms():
    # 100,000 distinct values in a range of 10^6 codes, so no widening happens;
    # each value is asked for twice (a first draw, then a look-up).
    values = [f"name{i}" for i in range(PSEUDONYMS)] * 2

    def run(generator):
        return [generator.get(v) for v in values]

    native = lambda: run(_core.PseudonymGenerator(seed=7, code_range=(1, 999_999)))  # noqa: E731
    python = lambda: run(PythonPseudonyms(7, (1, 999_999)))  # noqa: E731
    assert native() == python()
    t_native, t_python = best_of(native), best_of(python)
    print(f"\nPseudonymGenerator.get, {PSEUDONYMS:,} distinct values each asked twice: native "
          f"{len(values) / t_native:,.0f}/s, python {len(values) / t_python:,.0f}/s, "
          f"ratio {t_python / t_native:.1f}x")


if __name__ == "__main__":
    print(f"Python {sys.version.split()[0]}")
    bench_fakers()
    bench_pseudonyms()

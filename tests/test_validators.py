"""Validators, seen through the pattern engine: a match whose validator
fails keeps confidence 0.3, a passing (or unknown) validator gives 1.0."""

import base64

import pytest

from vexil_redact import _core

WHOLE = r"(?s)\A.+\z"


def confidence(validator, text):
    [match] = _core.match_patterns(text, [{"type": "t", "pattern": WHOLE, "validator": validator}])
    return match.confidence


def b64url(data, keep_padding=False):
    encoded = base64.urlsafe_b64encode(data).decode()
    return encoded if keep_padding else encoded.rstrip("=")


def token(header, rest=".e30.c2ln"):
    return b64url(header) + rest


# Its url-safe encoding contains "_", which the standard alphabet spells "/".
URLSAFE_HEADER = b64url(b'{"alg":"HS256","k":"?"}')
assert "_" in URLSAFE_HEADER


CASES = [
    # email: only the local part (before the first "@") is judged
    ("email", "a.b@example.com", True),
    ("email", "a..b@example.com", False),
    ("email", ".ab@example.com", False),
    ("email", "ab.@example.com", False),
    ("email", "ab@example..com", True),
    ("email", "a.b", True),
    ("email", "a.b.", False),
    ("email", "a@b.@c", True),
    # iban_mod97
    ("iban_mod97", "GB82 WEST 1234 5698 7654 32", True),
    ("iban_mod97", "gb82west12345698765432", True),
    ("iban_mod97", "GB83 WEST 1234 5698 7654 32", False),
    ("iban_mod97", "ZZ82WEST12345698765432", False),
    ("iban_mod97", "NO9386011117947", True),
    ("iban_mod97", "GB82WEST1234569876543", False),
    ("iban_mod97", "G", False),
    # age: the first run of digits decides
    ("age", "25岁", True),
    ("age", "150岁", False),
    ("age", "149", True),
    ("age", "aged 7", True),
    ("age", "aged 12, not 200", True),
    ("age", "０07", False),
    ("age", "٣٠ or 30", False),
    ("age", "99999999999999999999", False),
    ("age", "0000000000000000000000000007", True),
    ("age", "no number", False),
    # jwt: only the header is decoded
    ("jwt", token(b'{"alg":"HS256","typ":"JWT"}'), True),
    ("jwt", token(b'{"typ":"JWT"}'), False),
    ("jwt", token(b'{"alg":"HS256"}', ".e30.c2ln.eA"), False),
    ("jwt", token(b'{"alg":"HS256"}', ".e30"), False),
    ("jwt", token(b'{"alg":null}', ".."), True),
    ("jwt", token(b' \t{"alg":"none"}\r\n'), True),
    ("jwt", token(b'{"alg":"none"} x'), False),
    ("jwt", token(b'{"alg":"none",}'), False),
    ("jwt", token(b'["alg"]'), False),
    ("jwt", token(b'\xef\xbb\xbf{"alg":"none"}'), False),
    ("jwt", b64url(b'{"alg":"x"}', keep_padding=True) + ".e30.c2ln", True),
    ("jwt", URLSAFE_HEADER + ".e30.c2ln", True),
    ("jwt", URLSAFE_HEADER.replace("_", "/") + ".e30.c2ln", False),
    ("jwt", "e!J9.e30.c2ln", False),
    ("jwt", "..", False),
    # gb11643_mod11
    ("gb11643_mod11", "11010519491231002X", True),
    ("gb11643_mod11", "11010519491231002x", True),
    ("gb11643_mod11", "110105 19491231 002X", True),
    ("gb11643_mod11", "110105194912310021", False),
    ("gb11643_mod11", "01010519491231002X", False),
    ("gb11643_mod11", "11010519491231002", False),
    # hkid
    ("hkid", "A123456(3)", True),
    ("hkid", "A123456(4)", False),
    ("hkid", "a123456(3)", False),
    ("hkid", "AB987654(3)", True),
    ("hkid", "C000005(X)", True),
    ("hkid", "A12345６(3)", False),
    ("hkid", "A123456(3) ", False),
    # twid
    ("twid", "A123456789", True),
    ("twid", "a123456789", False),
    ("twid", "A123456788", False),
    ("twid", "I123456781", True),
    ("twid", "O123456782", True),
    ("twid", "A12345678", False),
    # cn_bank_card: Luhn, or a known issuer prefix
    ("cn_bank_card", "6228480000000000", True),
    ("cn_bank_card", "4111 1111 1111 1111", True),
    ("cn_bank_card", "4111 1111 1111 1112", False),
    ("cn_bank_card", "622848000000000", False),
    ("cn_bank_card", "1234 5678 9012 3456 785", True),
    # credit_code_mod31
    ("credit_code_mod31", "91350100M000100Y43", True),
    ("credit_code_mod31", "91350100m000100y43", True),
    ("credit_code_mod31", "91350100M000100Y44", False),
    ("credit_code_mod31", "91350100M000100Y4", False),
    ("credit_code_mod31", "91350100I000100Y43", False),
    ("credit_code_mod31", "9135010\ufb0400100Y41", True),
    # school / organization
    ("school", "毕业于北京大学", True),
    ("school", "的大学", False),
    ("school", "我的大学", False),
    ("school", "北京", False),
    ("school", "请查一下在MIT附中", True),
    ("organization", "就职于阿里巴巴集团", True),
    ("organization", "我集团公司", False),
    ("organization", "有限公司", False),
    ("organization", "ACME有限责任公司", True),
    # ssn
    ("ssn", "123-45-6789", True),
    ("ssn", "899-45-6789", True),
    ("ssn", "666-45-6789", False),
    ("ssn", "900-45-6789", False),
    ("ssn", "000-45-6789", False),
    ("ssn", "123-00-6789", False),
    ("ssn", "123-45-0000", False),
    ("ssn", "123-45-678", False),
    # itin
    ("itin", "912-70-1234", True),
    ("itin", "999-50-1234", True),
    ("itin", "912-99-1234", True),
    ("itin", "912-69-1234", False),
    ("itin", "912-93-1234", False),
    ("itin", "899-70-1234", False),
    # credit_card_luhn
    ("credit_card_luhn", "4111 1111 1111 1111", True),
    ("credit_card_luhn", "4111 1111 1111 1112", False),
    ("credit_card_luhn", "123456789015", False),
    ("credit_card_luhn", "1234567890128", True),
    ("credit_card_luhn", "4111111111111111110", True),
    ("credit_card_luhn", "41111111111111111115", False),
    # digit counts
    ("jp_phone", "03-1234-5678", True),
    ("jp_phone", "090-1234-5678", True),
    ("jp_phone", "０3-1234-5678", False),
    ("jp_phone", "+81 90-1234-5678", False),
    ("de_phone", "030 1234567", True),
    ("de_phone", "+49 30 1234 5678 901", True),
    ("de_phone", "030 123456", False),
    ("de_phone", "+49 30 1234 5678 9012", False),
    ("de_tax_id", "12 345 678 901", True),
    ("de_tax_id", "02 345 678 901", False),
    ("de_tax_id", "1234567890", False),
    ("aadhaar", "2345 6789 0123", True),
    ("aadhaar", "1234 5678 9012", False),
    ("aadhaar", "2345 6789 012", False),
    # my_number
    ("my_number", "1234 5678 9018", True),
    ("my_number", "1234 5678 9017", False),
    ("my_number", "1234 5678 901", False),
    # pan
    ("pan", "ABCPE1234F", True),
    ("pan", "abcPe1234f", True),
    ("pan", "ABCXE1234F", False),
    ("pan", "abcpe1234f", False),
    ("pan", "ABCPE12345", False),
    ("pan", "ABCPE1234FG", False),
    # cpf / cnpj
    ("cpf", "111.444.777-35", True),
    ("cpf", "111.444.777-36", False),
    ("cpf", "111.444.777-45", False),
    ("cpf", "111.111.111-11", False),
    ("cnpj", "11.222.333/0001-81", True),
    ("cnpj", "11.222.333/0001-82", False),
    ("cnpj", "11.222.333/0001-91", False),
    ("cnpj", "00.000.000/0000-00", False),
]


@pytest.mark.parametrize(("validator", "text", "valid"), CASES)
def test_validator(validator, text, valid):
    assert confidence(validator, text) == (1.0 if valid else 0.3)


@pytest.mark.parametrize("name", ["no_such_validator", "Email", "ssn "])
def test_unknown_name_is_no_validator(name):
    assert confidence(name, "not valid for anything") == 1.0

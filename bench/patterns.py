"""Benchmark of the native pattern engine against Python's `re` on ~1 MB of mixed text.
Run on demand (`make bench`), never in CI: it prints throughput, the native/peer ratio
and a per-pattern table, and checks that both engines find the same spans."""

import base64, json, random, re, statistics, subprocess, sys, time
from collections import Counter
import regex
from vexil_redact import _core

REPEATS = 5
LIMIT = 1_048_576  # the engine refuses texts above this many UTF-8 bytes

# Table entries copied verbatim from the built-in tables; the names only label the rows.
PATTERNS = [
    ("email", {"type": "email", "pattern": r"[a-zA-Z0-9._%+\-]+@[a-zA-Z0-9.\-]+\.[a-zA-Z]{2,}", "validator": "email"}),
    ("email (CJK local)", {"type": "email", "pattern": r"[\u4e00-\u9fff\u3040-\u30ff\uac00-\ud7af]{1,10}@[a-zA-Z0-9.\-]+\.[a-zA-Z]{2,}", "validator": "email"}),
    ("iban", {"type": "iban", "pattern": r"(?<![A-Z0-9])[A-Z]{2}\d{2}(?:\s?[A-Z0-9]{4}){2,7}\s?[A-Z0-9]{1,4}(?![A-Z0-9])", "validator": "iban_mod97"}),
    ("ipv4", {"type": "ip_address", "pattern": r"(?<![0-9])(?:(?:25[0-5]|2[0-4]\d|1\d{2}|[1-9]?\d)\.){3}(?:25[0-5]|2[0-4]\d|1\d{2}|[1-9]?\d)(?:/\d{1,2})?(?![0-9])", "check_context": True}),
    ("ipv6", {"type": "ip_address", "pattern": r"(?<![:\w])(?:(?:[0-9a-fA-F]{1,4}:){7}[0-9a-fA-F]{1,4}|(?:[0-9a-fA-F]{1,4}:){1,6}:[0-9a-fA-F]{1,4}|(?:[0-9a-fA-F]{1,4}:){1,7}:|::(?:[0-9a-fA-F]{1,4}:){0,5}[0-9a-fA-F]{1,4}|::1)"}),
    ("mac", {"type": "mac_address", "pattern": r"(?<![0-9A-Fa-f:.-])[0-9A-Fa-f]{2}(?:[:.-][0-9A-Fa-f]{2}){5}(?![0-9A-Fa-f:.-])"}),
    ("imei", {"type": "imei", "pattern": r"(?i:IMEI)\s*(?:号|[:：])?\s*(?P<imei>\d{15})(?![0-9])", "group": "imei"}),
    ("url token", {"type": "url_token", "pattern": r"https?://[^\s]+[?&](?:token|api_key|access_token|secret|key|auth|session_id|password)=[^\s&]+"}),
    ("jwt", {"type": "jwt", "pattern": r"eyJ[A-Za-z0-9_-]+\.eyJ[A-Za-z0-9_-]+\.[A-Za-z0-9_-]+", "validator": "jwt"}),
    ("zh mobile", {"type": "phone", "pattern": r"(?<![0-9])(?:\+86)?1[3-9]\d(?:[\s-]?\d){8}(?![0-9])", "check_context": True}),
    ("zh landline", {"type": "phone", "pattern": r"(?<![0-9])0[1-9]\d{1,2}-?\d{7,8}(?![0-9])"}),
    ("zh id 18", {"type": "id_number", "pattern": r"(?<![0-9])[1-9]\d{5}[\s-]?(?:19|20)\d{2}[\s-]?(?:0[1-9]|1[0-2])(?:0[1-9]|[12]\d|3[01])[\s-]?\d{3}[\dXx](?![0-9])", "validator": "gb11643_mod11"}),
    ("zh id 15", {"type": "id_number", "pattern": r"(?<![0-9])[1-9]\d{5}(?:[2-9]\d)(?:0[1-9]|1[0-2])(?:0[1-9]|[12]\d|3[01])\d{3}(?![0-9])"}),
    ("hk id", {"type": "hk_id", "pattern": r"(?<![A-Z])[A-Z]{1,2}\d{6}\((?:\d|X)\)", "validator": "hkid"}),
    ("tw id", {"type": "tw_id", "pattern": r"(?<![A-Za-z0-9])[A-Z]\d{9}(?![0-9])", "validator": "twid"}),
    ("bank card", {"type": "bank_card", "pattern": r"(?<![0-9])[3-6]\d{3}(?:[\s-]?\d{4}){2,3}[\s-]?\d{1,4}(?![0-9])", "validator": "cn_bank_card", "check_context": True}),
    ("zh passport", {"type": "passport", "pattern": r"(?:护照\s*(?:号[码]?\s*)?[:：]?\s*)(?P<passport>[A-Z]\d{8})(?![0-9])", "group": "passport"}),
    ("zh address", {"type": "address", "pattern": r"(?:[\u4e00-\u9fff]?(?:住在|位于|在|去|从|到))?(?P<address>(?:(?:(?:河北|山西|辽宁|吉林|黑龙江|江苏|浙江|安徽|福建|江西|山东|河南|湖北|湖南|广东|海南|四川|贵州|云南|陕西|甘肃|青海|台湾)省|(?:内蒙古|广西|西藏|宁夏|新疆)(?:自治区)?)[\u4e00-\u9fff]{2,6}(?:市|州)|(?:北京市|天津市|上海市|重庆市|[\u4e00-\u9fff]{2,5}(?:市|州)))[\u4e00-\u9fff]{1,8}(?:区|县|市|旗|新区)[\u4e00-\u9fff]{1,20}(?:路|街|道|巷|里|弄|村)(?:\d{1,5}(?:号|弄))?(?:\d{1,3}(?:栋|幢|楼|座))?(?:\d{1,4}(?:室|房))?)", "group": "address"}),
    ("zh organization", {"type": "organization", "pattern": r"(?:请查一下|请查下|查一下|一下|就职于|供职于|任职于|这是|那是|在|去|从|到|被|给|让|有|是|的|了)?(?P<organization>(?<!\d)[\u4e00-\u9fff]{2,12}(?>(?:股份有限公司|有限责任公司|有限公司|责任公司|集团公司|集团|公司|企业|工厂|银行|保险|证券|基金|医院|诊所|药房|事务所|研究院|研究所|实验室)))", "validator": "organization", "group": "organization"}),
    ("us phone", {"type": "phone", "pattern": r"(?<![0-9])(?:\+1[-.\s]?)?\(?\d{3}\)?[-.\s]?\d{3}[-.\s]?\d{4}(?![0-9])"}),
    ("ssn", {"type": "ssn", "pattern": r"(?<![0-9])\d{3}[-\s]?\d{2}[-\s]?\d{4}(?![0-9])", "validator": "ssn", "check_context": True}),
    ("credit card", {"type": "credit_card", "pattern": r"(?<![0-9])(?:3[47]\d{2}[-\s]?\d{6}[-\s]?\d{5}|3(?:0[0-5]|[68]\d)\d[-\s]?\d{6}[-\s]?\d{4}|[3-6]\d{3}[-\s]?\d{4}[-\s]?\d{4}[-\s]?\d{4})(?![0-9])", "validator": "credit_card_luhn", "check_context": True}),
]

ZH_PROSE = ["今天天气很好", "下午一起去公园散步", "会议推迟到下周三", "请大家按时提交报告", "这家餐厅的菜味道不错",
            "项目进度基本符合预期", "他在图书馆看了一下午书", "明天早上八点出发", "价格比上个月上涨了三成", "客服表示会尽快处理",
            "孩子们在操场上踢球", "新版本修复了若干问题", "这本书一共有三百页", "请在附件中查看详细说明", "火车晚点了半个小时",
            "周末打算去超市买菜", "系统将在凌晨进行维护", "快递预计后天送达", "数据已经同步到服务器", "春节期间高速免费通行"]
EN_WORDS = ("the report team meeting project schedule budget review customer server update release weather train "
            "office quarter revenue growth design library morning evening delivery market price coffee window "
            "shows was will be moved to after before with for and from about new old quick long short").split()
# Digits that are not PII; the full-width ones are \d but not [0-9].
ZH_DIGITS = ["订单号{n}", "共{n}件", "版本{v}", "{y}年{m}月", "价格{n}.{c}元", "第{m}章", "ＩＳＯ{n}", "编号１２３４{n}"]
EN_DIGITS = ["order {n}", "version {v}", "room {m}{c}", "${n},{c}0.00", "in {y}", "at {m}:{c}", "ISBN 978-{n}-{c}"]


def luhn_digit(body):
    total = sum(sum(divmod(int(c) * (2 - i % 2), 10)) for i, c in enumerate(reversed(body)))
    return str(-total % 10)


def pii(rng):
    """One PII value of a random kind; about a quarter are deliberately broken."""
    d = lambda n: "".join(rng.choice("0123456789") for _ in range(n))
    bad = rng.random() < 0.25
    kind = rng.randrange(16)
    if kind == 0:
        return f"{rng.choice(['', '+86'])}1{rng.choice('3456789' if not bad else '12')}{d(1)}{rng.choice(['', ' ', '-'])}{d(4)}{rng.choice(['', ' '])}{d(4)}"
    if kind == 1:
        return f"0{rng.choice('123456789')}{d(rng.choice([1, 2]))}-{d(rng.choice([7, 8]))}"
    if kind == 2 and rng.random() < 0.2:  # the pre-1999 15-digit form
        return f"{rng.randint(110000, 659999)}{rng.randint(20, 99)}{rng.randint(1, 12):02d}{rng.randint(1, 28):02d}{d(3)}"
    if kind == 2:
        body = f"{rng.randint(110000, 659999)}{rng.randint(1950, 2015)}{rng.randint(1, 12):02d}{rng.randint(1, 28):02d}{d(3)}"
        check = "10X98765432"[sum(int(c) * w for c, w in zip(body, [7, 9, 10, 5, 8, 4, 2, 1, 6, 3, 7, 9, 10, 5, 8, 4, 2])) % 11]
        return body + (rng.choice("0123456789") if bad else check)
    if kind == 3:
        return f"{rng.choice('ABCDEGHKMPZ')}{d(6)}({rng.choice('0123456789X')})"
    if kind == 4:
        return f"{rng.choice('ABCDEFGHJKLMNPQRSTUVXYWZIO')}{rng.choice('12')}{d(8)}"
    if kind == 5:
        return f"{rng.choice(['666', '900', d(3)]) if bad else rng.randint(100, 665)}-{d(2)}-{d(4)}"
    if kind == 6:
        local = rng.choice(["li.wei", "j.smith", "a..b", "support", "王芳", "dev+ci"])
        return f"{local}@{rng.choice(['example.com', 'mail.cn', 'corp.co.uk'])}"
    if kind == 7:
        return ".".join(str(rng.randint(0, 299 if bad else 255)) for _ in range(4)) + rng.choice(["", "", "/24"])
    if kind == 8:
        return rng.choice(["fe80::1ff:fe23:4567:890a", "2001:db8:85a3:0:0:8a2e:370:7334", "::1", "2001:db8::"])
    if kind == 9:
        return rng.choice(":-").join(f"{rng.randrange(256):02X}" for _ in range(6))
    if kind == 10:
        bban = d(18)
        check = 98 - int(bban + "131400") % 97  # "DE" as 13 14, check digits 00
        iban = f"DE{(check + bad) % 100:02d}{bban}"
        return " ".join(iban[i:i + 4] for i in range(0, len(iban), 4)) if rng.random() < 0.5 else iban
    if kind == 11:
        body = rng.choice("45") + d(14)
        digits = body + (luhn_digit(body) if not bad else rng.choice("0123456789"))
        return rng.choice(["", " ", "-"]).join(digits[i:i + 4] for i in range(0, 16, 4))
    if kind == 12:
        return "622848" + d(rng.choice([10, 12, 13]))
    if kind == 13:
        enc = lambda o: base64.urlsafe_b64encode(json.dumps(o).encode()).rstrip(b"=").decode()
        header = {"typ": "JWT"} if bad else {"alg": "HS256", "typ": "JWT"}
        return f"{enc(header)}.{enc({'sub': d(6), 'iat': int(d(9))})}.{d(4)}abcXYZ_-{d(8)}"
    if kind == 14:
        return f"({d(3)}) {d(3)}-{d(4)}" if rng.random() < 0.5 else f"+1 {d(3)}.{d(3)}.{d(4)}"
    return f"https://api.example.com/v1/items?id={d(3)}&{rng.choice(['token', 'key', 'page'])}={d(6)}abc"


def zh_sentence(rng):
    parts = [rng.choice(ZH_PROSE) for _ in range(rng.randint(1, 3))]
    roll = rng.random()
    if roll < 0.3:
        parts.insert(rng.randrange(len(parts) + 1), rng.choice(["联系方式", "号码是", "请记录", "参考", ""]) + pii(rng))
    elif roll < 0.36:
        parts.append(rng.choice(["住在北京市朝阳区建国路88号", "护照号码：E12345678", "他就职于北京星辰科技有限公司",
                                 "位于广东省深圳市南山区科技园路3栋", "IMEI：356938035643809"]))
    elif roll < 0.6:
        parts.append(rng.choice(ZH_DIGITS).format(n=rng.randint(1, 99999), v=f"{rng.randint(1, 9)}.{rng.randint(0, 20)}",
                                                  y=rng.randint(1990, 2030), m=rng.randint(1, 12), c=rng.randint(10, 99)))
    return "，".join(parts) + "。"


def en_sentence(rng):
    words = [rng.choice(EN_WORDS) for _ in range(rng.randint(6, 16))]
    roll = rng.random()
    if roll < 0.3:
        words.insert(rng.randrange(len(words) + 1), rng.choice(["call", "id", "send to", "see", "key"]) + " " + pii(rng))
    elif roll < 0.55:
        words.append(rng.choice(EN_DIGITS).format(n=rng.randint(1, 99999), v=f"{rng.randint(1, 9)}.{rng.randint(0, 20)}.{rng.randint(0, 9)}",
                                                  y=rng.randint(1990, 2030), m=rng.randint(1, 12), c=rng.randint(10, 99)))
    return " ".join(words).capitalize() + ". "


def make_text(seed=20240611):
    rng, pieces, size = random.Random(seed), [], 0  # fixed seed: the same text on every run
    while True:
        piece = (zh_sentence if rng.random() < 0.5 else en_sentence)(rng)
        if rng.random() < 0.1:
            piece += "\n"
        n = len(piece.encode())
        if size + n > LIMIT:
            return "".join(pieces)
        pieces.append(piece); size += n


def compile_peer(spec):
    # Python 3.13's re handles \uXXXX, atomic groups and scoped flags; regex is the fallback.
    try:
        rx = re.compile(spec["pattern"])
    except re.error:
        rx = regex.compile(spec["pattern"])
    group = spec.get("group")
    return spec["type"], rx, group if group in rx.groupindex else None


def peer_scan(compiled, text):
    # Spans only: the native side also runs validators and the context test on every
    # match, so the comparison is conservative in the peer's favour.
    out = []
    for typ, rx, group in compiled:
        for m in rx.finditer(text):
            s, e = m.span(group) if group and m.start(group) >= 0 else m.span()
            out.append((typ, s, e))
    out.sort(key=lambda t: t[1])
    return out


def best_of(fn):
    times, result = [], None
    for _ in range(REPEATS):
        t0 = time.perf_counter()
        result = fn()
        times.append(time.perf_counter() - t0)
    return min(times), result


def full_tables(text, mb):
    # The shared, zh and en tables exactly as the core ships them, against the
    # regex module running the same sources (it supports every construct in them).
    tables = [p for code in ("shared", "zh", "en") for p in _core.builtin_patterns(code)]
    peers = []
    for spec in tables:
        rx = regex.compile(spec["pattern"])
        group = spec.get("group")
        peers.append((spec["type"], rx, group if group in rx.groupindex else None))
    _core.match_patterns(text, tables)
    t_nat, nat = best_of(lambda: _core.match_patterns(text, tables))
    t_peer, got = best_of(lambda: peer_scan(peers, text))
    same = Counter((m.type, m.start, m.end) for m in nat) == Counter(got)
    print(f"\nfull shared+zh+en tables ({len(tables)} patterns, {len(nat):,} matches, "
          f"{'same spans' if same else 'SPANS DIFFER'} as the peer):")
    print(f"native: {t_nat * 1e3:8.1f} ms  {mb / t_nat:8.1f} MB/s")
    print(f"peer:   {t_peer * 1e3:8.1f} ms  {mb / t_peer:8.1f} MB/s  (regex {regex.__version__})")
    print(f"ratio native/peer throughput: {t_peer / t_nat:.2f}x")


COLD_START = """
import time
t0 = time.perf_counter()
from vexil_redact import _core
t1 = time.perf_counter()
_core.builtin_patterns("zh")
t2 = time.perf_counter()
for name in dir(_core):
    f = getattr(_core, name)
    if callable(f) and getattr(f, "__text_signature__", None) == "()":
        f()
_core.normalize_text("\u0455")  # the look-alike table
t3 = time.perf_counter()
print(f"{(t1 - t0) * 1e3:.1f} {(t2 - t1) * 1e3:.1f} {(t3 - t2) * 1e3:.1f}")
"""


def cold_start():
    runs = [subprocess.run([sys.executable, "-c", COLD_START], capture_output=True, text=True,
                           check=True).stdout.split() for _ in range(REPEATS)]
    best = [min(float(r[i]) for r in runs) for i in range(3)]
    print(f"\ncold start (fresh process, best of {REPEATS}): import {best[0]:.1f} ms; first "
          f"builtin_patterns (all nine tables) {best[1]:.1f} ms; first calls of every data "
          f"export and of normalize_text (every other document in use) {best[2]:.1f} ms")


def main():
    text = make_text()
    mb = len(text.encode()) / 1e6
    print(f"text: {len(text):,} chars, {len(text.encode()):,} bytes = {mb:.3f} MB; best of {REPEATS} runs")

    rows, kept = [], []
    for name, spec in PATTERNS:
        peer = [compile_peer(spec)]
        _core.match_patterns(text, [spec])  # warm-up: compile and cache
        t_nat, nat = best_of(lambda: _core.match_patterns(text, [spec]))
        t_peer, got = best_of(lambda: peer_scan(peer, text))
        nat_spans = [(m.type, m.start, m.end) for m in nat]
        if Counter(nat_spans) != Counter(got) or [s for _, s, _ in nat_spans] != sorted(s for _, s, _ in nat_spans):
            diff = list((Counter(nat_spans) - Counter(got)).items())[:3], list((Counter(got) - Counter(nat_spans)).items())[:3]
            print(f"NOTE: '{name}' differs (native-only, peer-only samples: {diff}); excluded from the totals")
            name += " (excluded)"
        else:
            kept.append(spec)
        rows.append((name, t_nat, t_peer, len(nat)))

    peers = [compile_peer(s) for s in kept]
    _core.match_patterns(text, kept)
    t_nat, nat = best_of(lambda: _core.match_patterns(text, kept))
    t_peer, got = best_of(lambda: peer_scan(peers, text))
    assert Counter((m.type, m.start, m.end) for m in nat) == Counter(got), "combined scan differs"
    confirmed = sum(m.confidence == 1.0 for m in nat)
    print(f"patterns: {len(kept)} of {len(PATTERNS)}; matches: {len(nat):,} ({confirmed:,} at confidence 1.0)")
    print(f"native: {t_nat * 1e3:8.1f} ms  {mb / t_nat:8.1f} MB/s")
    print(f"peer:   {t_peer * 1e3:8.1f} ms  {mb / t_peer:8.1f} MB/s  (Python {sys.version.split()[0]} re)")
    print(f"ratio native/peer throughput: {t_peer / t_nat:.2f}x\n")

    print(f"{'pattern':<22}{'native ms':>11}{'peer ms':>11}{'ratio':>8}{'matches':>9}")
    for name, tn, tp, n in sorted(rows, key=lambda r: r[1], reverse=True):
        print(f"{name:<22}{tn * 1e3:>11.2f}{tp * 1e3:>11.2f}{tp / tn:>7.1f}x{n:>9,}")
    print(f"median per-pattern ratio: {statistics.median(r[2] / r[1] for r in rows):.1f}x")
    full_tables(text, mb)
    cold_start()


if __name__ == "__main__":
    main()

"""Pure-Python reference of the seed and draw rules, built on hashlib and
hmac only: the oracle the native generator and fakers are checked against."""

import hashlib
import hmac


def seed_of(value, type_, salt):
    return hmac.new(salt, f"{type_}:{value}".encode(), hashlib.sha256).digest()


class ShakeReplay:
    """SHAKE-256 of a seed read with the byte-wise randint rule."""

    def __init__(self, seed):
        self.seed = seed
        self.stream = b""
        self.position = 0
        self.rejections = 0

    def take(self, k):
        # The output is extended on demand: a longer digest starts with the shorter one.
        while self.position + k > len(self.stream):
            self.stream = hashlib.shake_256(self.seed).digest(max(64, 2 * len(self.stream)))
        chunk = self.stream[self.position : self.position + k]
        self.position += k
        return chunk

    def peek(self):
        byte = self.take(1)
        self.position -= 1
        return byte[0]

    def randint(self, a, b):
        n = b - a + 1
        k = max(1, ((b - a).bit_length() + 7) // 8)
        limit = 256**k - 256**k % n
        while True:
            x = int.from_bytes(self.take(k), "big")
            if x < limit:
                return a + x % n
            self.rejections += 1

    def digits(self, n):
        return "".join(str(self.randint(0, 9)) for _ in range(n))

    def choice(self, seq):
        return seq[self.randint(0, len(seq) - 1)]

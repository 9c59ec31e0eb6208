// Salt resolution, HMAC-SHA256 seeds and a SHAKE-256 sponge of our own: the
// generator must squeeze block by block, which the system OpenSSL cannot do.
#include "shake_rng.hpp"

#include <openssl/evp.h>
#include <utf8proc.h>

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <initializer_list>

namespace vexil::core {

namespace {

constexpr std::size_t RATE = 136;  // SHAKE-256: 1600 - 2 * 256 bits

// Only the UTF-8 text of the variable may key the fakes; anything else
// counts as unset rather than as a surprising salt.
bool is_valid_utf8(std::string_view text) {
  const auto* bytes = reinterpret_cast<const utf8proc_uint8_t*>(text.data());
  for (std::size_t pos = 0; pos < text.size();) {
    utf8proc_int32_t c = 0;
    const auto length =
        utf8proc_iterate(bytes + pos, static_cast<utf8proc_ssize_t>(text.size() - pos), &c);
    if (length <= 0) return false;
    pos += static_cast<std::size_t>(length);
  }
  return true;
}

// SHA-256 of the concatenated parts. The implementation is fetched once and
// each thread reuses one context: fetching it by name on every call (as the
// one-shot helpers do) costs more than hashing a short seed message.
Seed sha256(std::initializer_list<std::string_view> parts) {
  static EVP_MD* const md = EVP_MD_fetch(nullptr, "SHA256", nullptr);
  struct Context {
    EVP_MD_CTX* ctx = EVP_MD_CTX_new();
    ~Context() { EVP_MD_CTX_free(ctx); }
  };
  thread_local Context context;
  Seed digest;
  unsigned int length = 0;
  bool ok = md && context.ctx && EVP_DigestInit_ex2(context.ctx, md, nullptr);
  for (std::string_view part : parts) {
    ok = ok && EVP_DigestUpdate(context.ctx, part.data(), part.size());
  }
  ok = ok && EVP_DigestFinal_ex(context.ctx, digest.data(), &length) && length == digest.size();
  if (!ok) throw InternalFailure("SHA-256 failed");
  return digest;
}

std::string big_endian(std::uint64_t value) {
  std::string out(8, '\0');
  for (std::size_t i = 0; i < 8; ++i) out[i] = static_cast<char>(value >> (56 - 8 * i));
  return out;
}

constexpr std::array<std::uint64_t, 24> ROUND_CONSTANTS = {
    0x0000000000000001, 0x0000000000008082, 0x800000000000808A, 0x8000000080008000,
    0x000000000000808B, 0x0000000080000001, 0x8000000080008081, 0x8000000000008009,
    0x000000000000008A, 0x0000000000000088, 0x0000000080008009, 0x000000008000000A,
    0x000000008000808B, 0x800000000000008B, 0x8000000000008089, 0x8000000000008003,
    0x8000000000008002, 0x8000000000000080, 0x000000000000800A, 0x800000008000000A,
    0x8000000080008081, 0x8000000000008080, 0x0000000080000001, 0x8000000080008008};

// ρ and π walk one cycle through the 24 lanes other than (0, 0): lane
// PI_LANES[i] receives the previous lane of the cycle rotated by RHO_OFFSETS[i].
constexpr std::array<int, 24> RHO_OFFSETS = {1,  3,  6,  10, 15, 21, 28, 36, 45, 55, 2,  14,
                                             27, 41, 56, 8,  25, 43, 62, 18, 39, 61, 20, 44};
constexpr std::array<std::size_t, 24> PI_LANES = {10, 7,  11, 17, 18, 3, 5,  16, 8,  21, 24, 4,
                                                  15, 23, 19, 13, 12, 2, 20, 14, 22, 9,  6,  1};

// The fixed-count loops are unrolled so every index is a constant.
void keccak_f1600(std::array<std::uint64_t, 25>& lanes) {
  for (const std::uint64_t round_constant : ROUND_CONSTANTS) {
    // θ: every lane absorbs the parities of two neighbouring columns.
    std::array<std::uint64_t, 5> parity{};
#pragma GCC unroll 5
    for (std::size_t x = 0; x < 5; ++x) {
      parity[x] = lanes[x] ^ lanes[x + 5] ^ lanes[x + 10] ^ lanes[x + 15] ^ lanes[x + 20];
    }
#pragma GCC unroll 5
    for (std::size_t x = 0; x < 5; ++x) {
      const std::uint64_t d = parity[(x + 4) % 5] ^ std::rotl(parity[(x + 1) % 5], 1);
#pragma GCC unroll 5
      for (std::size_t y = 0; y < 25; y += 5) lanes[y + x] ^= d;
    }
    // ρ and π in one walk around the lane cycle.
    std::uint64_t carried = lanes[1];
#pragma GCC unroll 24
    for (std::size_t i = 0; i < 24; ++i) {
      const std::uint64_t next = lanes[PI_LANES[i]];
      lanes[PI_LANES[i]] = std::rotl(carried, RHO_OFFSETS[i]);
      carried = next;
    }
    // χ: the only non-linear step, row by row.
#pragma GCC unroll 5
    for (std::size_t y = 0; y < 25; y += 5) {
      std::array<std::uint64_t, 5> row;
#pragma GCC unroll 5
      for (std::size_t x = 0; x < 5; ++x) row[x] = lanes[y + x];
#pragma GCC unroll 5
      for (std::size_t x = 0; x < 5; ++x) {
        lanes[y + x] = row[x] ^ (~row[(x + 1) % 5] & row[(x + 2) % 5]);
      }
    }
    // ι: a different constant per round breaks the symmetry between rounds.
    lanes[0] ^= round_constant;
  }
}

// The sponge state is a byte string laid over the lanes little-endian.
void xor_byte(std::array<std::uint64_t, 25>& lanes, std::size_t index, std::uint8_t byte) {
  lanes[index / 8] ^= std::uint64_t{byte} << (8 * (index % 8));
}

}  // namespace

Result<std::string> resolve_salt(const SaltArg& salt) {
  if (const auto* bytes = std::get_if<std::string>(&salt)) return *bytes;
  if (const auto* number = std::get_if<std::int64_t>(&salt)) {
    return big_endian(static_cast<std::uint64_t>(*number));
  }
  const char* env = std::getenv(SALT_ENV_VAR);
  std::string value = env ? env : "";
  if (!value.empty() && is_valid_utf8(value)) return value;
  return fail(
      "realistic strategy requires explicit salt: pass `salt=<int>`, `salt=<bytes>`, or set "
      "VEXIL_REDACT_PSEUDONYM_SALT.");
}

Seed seed_from_value(std::string_view value, std::string_view type, std::string_view salt) {
  // RFC 2104 over our SHA-256: a key longer than the block is hashed first,
  // then padded with zeros to one block.
  constexpr std::size_t BLOCK = 64;
  std::array<std::uint8_t, BLOCK> key{};
  if (salt.size() > BLOCK) {
    const Seed hashed = sha256({salt});
    std::ranges::copy(hashed, key.begin());
  } else {
    std::ranges::copy(salt, key.begin());
  }
  std::array<char, BLOCK> inner_pad, outer_pad;
  for (std::size_t i = 0; i < BLOCK; ++i) {
    inner_pad[i] = static_cast<char>(key[i] ^ 0x36);
    outer_pad[i] = static_cast<char>(key[i] ^ 0x5C);
  }
  const Seed inner = sha256({{inner_pad.data(), BLOCK}, type, ":", value});
  return sha256(
      {{outer_pad.data(), BLOCK}, {reinterpret_cast<const char*>(inner.data()), inner.size()}});
}

std::uint32_t type_seed_offset(std::string_view type) {
  const Seed digest = sha256({type});
  const std::uint32_t lead = (std::uint32_t{digest[0]} << 24) | (std::uint32_t{digest[1]} << 16) |
                             (std::uint32_t{digest[2]} << 8) | digest[3];
  return lead % 10000;
}

ShakeRng::ShakeRng(std::span<const std::uint8_t> seed) {
  while (seed.size() >= RATE) {
    for (std::size_t i = 0; i < RATE; ++i) xor_byte(state_, i, seed[i]);
    keccak_f1600(state_);
    seed = seed.subspan(RATE);
  }
  for (std::size_t i = 0; i < seed.size(); ++i) xor_byte(state_, i, seed[i]);
  // The last permutation of the absorb phase is left to the first squeeze.
  xor_byte(state_, seed.size(), 0x1F);
  xor_byte(state_, RATE - 1, 0x80);
}

ShakeRng::ShakeRng(std::string_view seed)
    : ShakeRng(std::span(reinterpret_cast<const std::uint8_t*>(seed.data()), seed.size())) {}

void ShakeRng::squeeze_block() {
  keccak_f1600(state_);
  for (std::size_t i = 0; i < RATE; ++i) {
    block_[i] = static_cast<std::uint8_t>(state_[i / 8] >> (8 * (i % 8)));
  }
  position_ = 0;
}

void ShakeRng::read(std::span<std::uint8_t> out) {
  for (std::uint8_t& byte : out) {
    if (position_ == RATE) squeeze_block();
    byte = block_[position_++];
  }
}

std::int64_t ShakeRng::randint(std::int64_t a, std::int64_t b) {
  const std::uint64_t span = static_cast<std::uint64_t>(b) - static_cast<std::uint64_t>(a);
  const std::size_t k = std::max<std::size_t>(1, (std::bit_width(span) + 7) / 8);
  const std::uint64_t top = k == 8 ? UINT64_MAX : (std::uint64_t{1} << (8 * k)) - 1;  // M - 1
  // n wraps to 0 for the full 64-bit range, where M = n and nothing is rejected.
  const std::uint64_t n = span + 1;
  const std::uint64_t excess = n == 0 ? 0 : (top % n + 1) % n;  // M mod n
  std::array<std::uint8_t, 8> bytes;
  while (true) {
    read(std::span(bytes).first(k));
    std::uint64_t x = 0;
    for (std::size_t i = 0; i < k; ++i) x = (x << 8) | bytes[i];
    if (x <= top - excess) {
      return static_cast<std::int64_t>(static_cast<std::uint64_t>(a) + (n == 0 ? x : x % n));
    }
  }
}

std::string ShakeRng::random_digits(std::size_t n) {
  std::string digits(n, '0');
  for (char& digit : digits) digit = static_cast<char>('0' + randint(0, 9));
  return digits;
}

}  // namespace vexil::core

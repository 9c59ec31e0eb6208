// Pseudonym codes: CPython-exact MT19937 draws or caller-supplied randomness,
// the budget of 1000 rejected candidates and the widening of a crowded range.
#include "pseudonym.hpp"

#include <algorithm>
#include <bit>
#include <charconv>
#include <limits>
#include <utility>

#include "text.hpp"

namespace vexil::core {

namespace {

constexpr std::size_t MT_SHIFT = 397;
constexpr std::uint32_t MATRIX_A = 0x9908b0dfU;
constexpr std::uint32_t UPPER_MASK = 0x80000000U;
constexpr std::uint32_t LOWER_MASK = 0x7fffffffU;

constexpr int ATTEMPTS_PER_RANGE = 1000;
constexpr std::size_t MIN_DIGITS = 5;
constexpr std::uint32_t MAX_CODE = std::numeric_limits<std::uint32_t>::max();

}  // namespace

// ---- Mt19937 ----------------------------------------------------------------

Mt19937::Mt19937(std::uint64_t seed) {
  // random.seed keys the generator with the seed's 32-bit words, least
  // significant first; a seed of 0 still gives the one-word key [0].
  const std::array<std::uint32_t, 2> key{static_cast<std::uint32_t>(seed),
                                         static_cast<std::uint32_t>(seed >> 32)};
  init_by_array(key.data(), key[1] != 0 ? 2 : 1);
}

void Mt19937::init_by_array(const std::uint32_t* key, std::size_t length) {
  mt_[0] = 19650218U;
  for (std::size_t i = 1; i < N; ++i) {
    mt_[i] = 1812433253U * (mt_[i - 1] ^ (mt_[i - 1] >> 30)) + static_cast<std::uint32_t>(i);
  }
  std::size_t i = 1;
  std::size_t j = 0;
  auto step = [&] {
    if (++i >= N) {
      mt_[0] = mt_[N - 1];
      i = 1;
    }
  };
  for (std::size_t k = std::max(N, length); k > 0; --k) {
    mt_[i] = (mt_[i] ^ ((mt_[i - 1] ^ (mt_[i - 1] >> 30)) * 1664525U)) + key[j] +
             static_cast<std::uint32_t>(j);
    step();
    if (++j >= length) j = 0;
  }
  for (std::size_t k = N - 1; k > 0; --k) {
    mt_[i] = (mt_[i] ^ ((mt_[i - 1] ^ (mt_[i - 1] >> 30)) * 1566083941U)) -
             static_cast<std::uint32_t>(i);
    step();
  }
  mt_[0] = 0x80000000U;  // guarantees a non-zero state
  index_ = N;
}

void Mt19937::twist() {
  // Indices taken modulo N fold the reference's three loops into one.
  for (std::size_t k = 0; k < N; ++k) {
    const std::uint32_t y = (mt_[k] & UPPER_MASK) | (mt_[(k + 1) % N] & LOWER_MASK);
    mt_[k] = mt_[(k + MT_SHIFT) % N] ^ (y >> 1) ^ ((y & 1U) ? MATRIX_A : 0U);
  }
  index_ = 0;
}

std::uint32_t Mt19937::next() {
  if (index_ >= N) twist();
  std::uint32_t y = mt_[index_++];
  y ^= y >> 11;
  y ^= (y << 7) & 0x9d2c5680U;
  y ^= (y << 15) & 0xefc60000U;
  y ^= y >> 18;
  return y;
}

std::uint64_t Mt19937::getrandbits(unsigned k) {
  if (k <= 32) return next() >> (32 - k);
  // Words fill from the least significant end; the last one loses its low bits.
  const std::uint64_t low = next();
  const std::uint64_t high = next() >> (64 - k);
  return (high << 32) | low;
}

// ---- PseudonymGenerator -----------------------------------------------------

PseudonymGenerator::PseudonymGenerator(std::string prefix, std::uint32_t low, std::uint32_t high,
                                       CodeSource source)
    : prefix_(std::move(prefix)), low_(low), high_(high), source_(std::move(source)) {}

void PseudonymGenerator::load_key_entry(std::string_view pseudonym, std::string_view original) {
  if (!pseudonym.starts_with(prefix_) || !pseudonym.substr(prefix_.size()).starts_with('-')) {
    return;
  }
  assigned_.insert_or_assign(std::string(original), std::string(pseudonym));
  // Candidates are always written canonically, so only a canonical entry can
  // ever collide with one; the others need no place among the used codes.
  if (const auto code = canonical_code(pseudonym)) used_codes_.insert(*code);
}

std::optional<std::uint32_t> PseudonymGenerator::canonical_code(std::string_view pseudonym) const {
  const std::string_view digits = pseudonym.substr(prefix_.size() + 1);
  std::uint32_t code = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), code);
  if (error != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
  if (format(code) != pseudonym) return std::nullopt;
  return code;
}

Result<std::string> PseudonymGenerator::get(std::string_view original, StringSet& reserved) {
  if (auto it = assigned_.find(original); it != assigned_.end()) return it->second;
  for (;;) {
    for (int attempt = 0; attempt < ATTEMPTS_PER_RANGE; ++attempt) {
      const std::uint32_t code = draw_code();
      if (used_codes_.contains(code)) continue;
      std::string candidate = format(code);
      if (reserved.contains(candidate)) continue;
      assigned_.emplace(original, candidate);
      used_codes_.insert(code);
      reserved.insert(candidate);
      return candidate;
    }
    if (!widen() && !has_free_code(reserved)) {
      return fail("pseudonym codes exhausted for prefix '" + prefix_ + "'");
    }
  }
}

// An inverted range (high < low) is empty, like high = low - 1.
std::uint64_t PseudonymGenerator::range_size() const {
  return high_ >= low_ ? std::uint64_t{high_} - low_ + 1 : 0;
}

std::uint32_t PseudonymGenerator::draw_code() {
  const std::uint64_t n = range_size();
  if (n == 0) return low_;
  std::uint64_t r = 0;
  if (auto* mt = std::get_if<Mt19937>(&source_)) {
    // randint's rejection sampling: whole bit-length draws until one fits.
    const auto k = static_cast<unsigned>(std::bit_width(n));
    do {
      r = mt->getrandbits(k);
    } while (r >= n);
  } else {
    r = std::get<DrawBelow>(source_)(n);
    if (r >= n) throw InternalFailure("random draw out of range");
  }
  return static_cast<std::uint32_t>(low_ + r);
}

std::string PseudonymGenerator::format(std::uint32_t code) const {
  std::string out = prefix_;
  out.push_back('-');
  return out.append(zero_padded(code, MIN_DIGITS));
}

// Tenfold, as the range has always grown, but by at least one (a range
// ending at 0 would never grow) and never past the largest 32-bit code.
bool PseudonymGenerator::widen() {
  if (high_ == MAX_CODE) return false;
  const std::uint64_t wider = std::max(std::uint64_t{high_} * 10, std::uint64_t{high_} + 1);
  high_ = static_cast<std::uint32_t>(std::min<std::uint64_t>(wider, MAX_CODE));
  return true;
}

// More codes than taken strings guarantees a free one; otherwise the range
// is no larger than those sets and can be walked.
bool PseudonymGenerator::has_free_code(const StringSet& reserved) const {
  const std::uint64_t n = range_size();
  if (n > used_codes_.size() + reserved.size()) return true;
  for (std::uint64_t i = 0; i < n; ++i) {
    const auto code = static_cast<std::uint32_t>(low_ + i);
    if (!used_codes_.contains(code) && !reserved.contains(format(code))) return true;
  }
  return false;
}

}  // namespace vexil::core

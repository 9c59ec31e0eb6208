// The pseudonym generator: codes such as P-00042 drawn from a range, one
// stable code per original and never one code for two originals. Seeded
// draws reproduce Python's random.Random(seed).randint bit for bit.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <variant>

#include "error.hpp"
#include "string_set.hpp"

namespace vexil::core {

// MT19937 seeded and read the way CPython's random module does it.
class Mt19937 {
 public:
  // random.seed(n) for a non-negative integer n.
  explicit Mt19937(std::uint64_t seed);

  std::uint32_t next();
  // random.getrandbits(k) for 1 <= k <= 64.
  std::uint64_t getrandbits(unsigned k);

 private:
  static constexpr std::size_t N = 624;
  void init_by_array(const std::uint32_t* key, std::size_t length);
  void twist();

  std::array<std::uint32_t, N> mt_{};
  std::size_t index_ = N;
};

// Operating-system randomness, supplied by the caller (the core cannot reach
// it by itself): returns a value below n, or throws InternalFailure.
using DrawBelow = std::function<std::uint32_t(std::uint64_t n)>;

using CodeSource = std::variant<Mt19937, DrawBelow>;

class PseudonymGenerator {
 public:
  PseudonymGenerator(std::string prefix, std::uint32_t low, std::uint32_t high, CodeSource source);

  // One entry (pseudonym -> original) of an existing key; entries of other
  // prefixes are ignored. A later entry for the same original wins.
  void load_key_entry(std::string_view pseudonym, std::string_view original);

  // The pseudonym of `original`, drawing a new one that avoids every code
  // handed out so far and `reserved`, into which it is then added.
  Result<std::string> get(std::string_view original, StringSet& reserved);

 private:
  std::uint64_t range_size() const;
  std::uint32_t draw_code();
  std::string format(std::uint32_t code) const;
  bool widen();
  bool has_free_code(const StringSet& reserved) const;
  std::optional<std::uint32_t> canonical_code(std::string_view pseudonym) const;

  std::string prefix_;
  std::uint32_t low_;
  std::uint32_t high_;
  StringMap<std::string> assigned_;
  std::unordered_set<std::uint32_t> used_codes_;  // codes handed out or loaded
  CodeSource source_;
};

}  // namespace vexil::core

// The one wrapper around PCRE2: compile options, step limits, JIT, per-search
// scratch state. Nothing else in the core talks to PCRE2 directly.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "error.hpp"

struct pcre2_real_code_8;
struct pcre2_real_match_data_8;

namespace vexil::core {

// Backtracking steps allowed to one search.
inline constexpr std::uint32_t PATTERN_STEP_LIMIT = 64'000'000;  // pattern engine
inline constexpr std::uint32_t FIXED_STEP_LIMIT = 1'000'000;     // fixed internal expressions

struct ByteSpan {
  std::size_t start;
  std::size_t end;
};

// A compiled expression: immutable, shared between threads by reference.
// Sources are UTF-8 with Unicode-aware \d \s \w \b, `$` only at the very end,
// \uXXXX and \u{...} escapes.
class Regex {
 public:
  // On failure the error carries the engine's message (with its offset).
  static Result<std::shared_ptr<const Regex>> compile(std::string_view source,
                                                      std::uint32_t step_limit);
  ~Regex();
  Regex(const Regex&) = delete;
  Regex& operator=(const Regex&) = delete;

  // Number of the named group, or -1 when the expression has no such group.
  int group_number(const std::string& name) const;

  // Fixed internal expression: compiled with FIXED_STEP_LIMIT; a compile
  // failure is an internal failure "<owner>: <role> compile failed: <error>".
  static std::shared_ptr<const Regex> fixed(std::string_view owner, std::string_view role,
                                            std::string_view source);

 private:
  friend class Matcher;
  Regex(pcre2_real_code_8* code, std::uint32_t step_limit) : code_(code), step_limit_(step_limit) {}
  pcre2_real_code_8* code_;
  std::uint32_t step_limit_;
};

// Scratch state for searches with one expression; one per thread at a time.
class Matcher {
 public:
  explicit Matcher(const Regex& regex);
  ~Matcher();
  Matcher(const Matcher&) = delete;
  Matcher& operator=(const Matcher&) = delete;

  // Leftmost match starting at or after byte `from` of `subject` (the search
  // sees the whole subject, so look-behind can look before `from`). With
  // `anchored` only a match starting exactly at `from` counts. Returns
  // whether a match was found, or the engine's message when the search hit
  // its step limit or stack limit.
  Result<bool> search(std::string_view subject, std::size_t from, bool anchored = false);

  // Byte span of group `group` of the last match; group 0 is the whole match.
  ByteSpan span(int group = 0) const;
  bool took_part(int group) const;

 private:
  const Regex& regex_;
  pcre2_real_match_data_8* data_;
};

}  // namespace vexil::core

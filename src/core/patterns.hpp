// The pattern engine: runs a list of regular-expression patterns over one
// text with validators and the context test, and returns sorted entities.
#pragma once

#include <atomic>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "entity.hpp"
#include "error.hpp"

namespace vexil::core {

struct PatternSpec {
  std::string type;
  std::string pattern;
  std::optional<std::string> group;
  std::optional<std::string> validator;
  bool check_context = false;
};

// A cancellation flag shared by its clones; once tripped it stays tripped.
class CancelFlag {
 public:
  void trip() const { flag_->store(true, std::memory_order_relaxed); }
  bool is_set() const { return flag_->load(std::memory_order_relaxed); }

 private:
  std::shared_ptr<std::atomic<bool>> flag_ = std::make_shared<std::atomic<bool>>(false);
};

inline constexpr double LOW_CONFIDENCE = 0.3;
inline constexpr const char* CANCELLED_MESSAGE = "detection cancelled";

// Matches of all patterns, sorted stably by start. Fails when the text is too
// large, a pattern does not compile, a search hits the step limit, or
// `cancel` is tripped at the start of a pattern; no partial result then.
Result<std::vector<Entity>> scan_patterns(std::string_view text,
                                          std::span<const PatternSpec> patterns,
                                          const CancelFlag* cancel = nullptr);

}  // namespace vexil::core

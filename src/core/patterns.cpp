// Pattern engine: compiled-pattern cache, match loop, validators, the
// context test that demotes version numbers and arithmetic operands.
#include "patterns.hpp"

#include <algorithm>
#include <mutex>
#include <string>

#include "regex.hpp"
#include "string_set.hpp"
#include "text.hpp"
#include "validators.hpp"

namespace vexil::core {

namespace {

constexpr std::size_t CONTEXT_WINDOW = 45;  // bytes on each side of a match

// Every distinct pattern source is compiled once per process. Failed
// compilations are not kept, so each call reports them again.
Result<std::shared_ptr<const Regex>> cached_regex(std::string_view source) {
  static std::mutex mutex;
  static StringMap<std::shared_ptr<const Regex>> cache;
  {
    std::lock_guard lock(mutex);
    if (auto it = cache.find(source); it != cache.end()) return it->second;
  }
  auto compiled = Regex::compile(source, PATTERN_STEP_LIMIT);
  if (!compiled) return fail("Invalid regex: " + compiled.error().message);
  std::lock_guard lock(mutex);
  cache.insert_or_assign(std::string(source), *compiled);
  return *compiled;
}

const Regex& context_before() {
  static const auto re = Regex::fixed(
      "patterns", "CONTEXT_BEFORE",
      R"((?i)(?:(?:^|[^A-Za-z0-9])(?:version|ver|v\.|order\s*#|product\s*code|serial\s*#|isbn|sku|calculate)|计算|订单号|编号|版本|序列号)\s*$)");
  return *re;
}

const Regex& context_after() {
  static const auto re = Regex::fixed("patterns", "CONTEXT_AFTER", R"(^\s*[/\*\+\-=%\^]\s*(\d))");
  return *re;
}

// The context test of one pattern's matches; keeps its scratch state across
// matches so that each test costs only its three short searches.
class ContextTest {
 public:
  explicit ContextTest(const Regex& pattern)
      : before_(context_before()), after_(context_after()), continuation_(pattern) {}

  // False when the match at byte span [start, end) reads as a version or
  // order number (keyword just before) or as an operand of a calculation
  // (operator and a digit just after, unless the same pattern matches right
  // at that digit, as in a list of two values joined by a slash).
  bool allows(std::string_view text, ByteSpan span) {
    std::size_t before_start =
        floor_boundary(text, span.start > CONTEXT_WINDOW ? span.start - CONTEXT_WINDOW : 0);
    auto keyword = before_.search(text.substr(before_start, span.start - before_start), 0);
    if (!keyword || *keyword) return false;

    std::size_t after_end = ceil_boundary(text, std::min(text.size(), span.end + CONTEXT_WINDOW));
    auto operator_found = after_.search(text.substr(span.end, after_end - span.end), 0);
    if (!operator_found || !*operator_found) return true;

    std::size_t digit = span.end + after_.span(1).start;
    auto same_kind = continuation_.search(text, digit, /*anchored=*/true);
    return same_kind && *same_kind;
  }

 private:
  Matcher before_;
  Matcher after_;
  Matcher continuation_;
};

struct RawMatch {
  std::size_t pattern_index;
  ByteSpan span;
  double confidence;
};

// Appends every match of one pattern, in text order.
Result<void> scan_one(std::string_view text, const PatternSpec& spec, std::size_t pattern_index,
                      const Regex& regex, std::vector<RawMatch>& out) {
  const int group = spec.group ? regex.group_number(*spec.group) : -1;
  const Validator validator = spec.validator ? lookup_validator(*spec.validator) : nullptr;
  Matcher matcher(regex);
  std::optional<ContextTest> context;
  if (spec.check_context) context.emplace(regex);
  std::size_t position = 0;
  while (true) {
    auto found = matcher.search(text, position);
    if (!found) return fail("pattern scan aborted (backtrack/overflow): " + found.error().message);
    if (!*found) return {};
    const ByteSpan whole = matcher.span(0);
    const ByteSpan span = group > 0 && matcher.took_part(group) ? matcher.span(group) : whole;
    // A validator's verdict is final; only unvalidated matches get the
    // context test.
    double confidence = 1.0;
    if (validator) {
      if (!validator(text.substr(span.start, span.end - span.start))) confidence = LOW_CONFIDENCE;
    } else if (context && !context->allows(text, span)) {
      confidence = LOW_CONFIDENCE;
    }
    out.push_back(RawMatch{pattern_index, span, confidence});
    if (whole.end > whole.start) {
      position = whole.end;
    } else if (whole.start < text.size()) {
      position = whole.start + utf8_length(static_cast<unsigned char>(text[whole.start]));
    } else {
      return {};
    }
  }
}

}  // namespace

Result<std::vector<Entity>> scan_patterns(std::string_view text,
                                          std::span<const PatternSpec> patterns,
                                          const CancelFlag* cancel) {
  if (auto size = check_input_size(text); !size) return std::unexpected(size.error());
  if (text.empty() || patterns.empty()) return std::vector<Entity>{};

  std::vector<RawMatch> raw;
  for (std::size_t i = 0; i < patterns.size(); ++i) {
    if (cancel && cancel->is_set()) {
      return std::unexpected(Error{ErrorKind::Cancelled, CANCELLED_MESSAGE});
    }
    auto regex = cached_regex(patterns[i].pattern);
    if (!regex) return std::unexpected(regex.error());
    if (auto scanned = scan_one(text, patterns[i], i, **regex, raw); !scanned) {
      return std::unexpected(scanned.error());
    }
  }

  // Byte order equals character order, so sorting first lets one cursor
  // convert all offsets in a single forward sweep.
  std::stable_sort(raw.begin(), raw.end(), [](const RawMatch& a, const RawMatch& b) {
    return a.span.start < b.span.start;
  });
  CharCursor cursor(text);
  std::vector<Entity> entities;
  entities.reserve(raw.size());
  for (const RawMatch& m : raw) {
    Entity entity;
    entity.text.assign(text.substr(m.span.start, m.span.end - m.span.start));
    entity.type = patterns[m.pattern_index].type;
    entity.start = cursor.to_char(m.span.start);
    entity.end = cursor.to_char(m.span.end);
    entity.confidence = m.confidence;
    entities.push_back(std::move(entity));
  }
  return entities;
}

}  // namespace vexil::core

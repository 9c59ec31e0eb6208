// Hints: small typed facts about a text (data density, format near misses,
// intent, trust in first-person words) that later detection stages tune
// themselves by.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "entity.hpp"

namespace vexil::core {

enum class DensityLevel : std::uint8_t { None, Medium, High };
enum class Intent : std::uint8_t { Neutral, Narrative, Casual, Instruction };

struct PiiDensity {
  DensityLevel level;
  std::uint64_t count;
};
struct NearMissFormat {
  std::string original_type;
  std::string text;
};
struct TextIntent {
  Intent intent;
};
struct SelfReferenceTier {
  // Any small integer when read back from Python; only 1 keeps self-references.
  std::uint8_t tier;
  bool has_kinship;
};

// One hint: its kind is the alternative held; the region is in characters
// and is (0, 0) for the kinds that describe the whole text.
struct Hint {
  std::variant<PiiDensity, NearMissFormat, TextIntent, SelfReferenceTier> data;
  std::uint64_t start = 0;
  std::uint64_t end = 0;
};

inline constexpr double DEFAULT_PERSON_THRESHOLD = 0.8;
// Above every score the person scorers can give.
inline constexpr double INSTRUCTION_PERSON_THRESHOLD = 1.2;

// "pii_density", "near_miss_format", "text_intent", "self_reference_tier".
std::string_view hint_type_name(const Hint& hint);
std::string_view density_level_name(DensityLevel level);
std::string_view intent_name(Intent intent);
std::optional<Intent> intent_from_name(std::string_view name);

// The L1 hints, in this order: density, the near misses no entity of another
// type overlaps (in their given order), the self-reference tier (only when a
// self_reference entity is present), the text intent.
std::vector<Hint> produce_hints_l1(std::span<const Entity> entities, std::string_view text,
                                   std::span<const Entity> near_misses);

// 1.2 when the first deciding intent hint says instruction, else 0.8.
double get_person_threshold(std::span<const Hint> hints);

// Drops self_reference entities unless the first tier hint says tier 1.
std::vector<Entity> filter_self_reference(std::vector<Entity> entities,
                                          std::span<const Hint> hints);

}  // namespace vexil::core

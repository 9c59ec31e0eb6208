// Python face of masks and collision suffixes: mask_name, mask_landline and
// resolve_collision, each a thin call into the core holding the lock.
#include "masks.hpp"

#include "../core/masks.hpp"

namespace vexil::py {

namespace {

Ref mask_name(const Args& args) { return new_str(core::mask_name(args.take(0, as_text))); }

Ref mask_landline(const Args& args) { return new_str(core::mask_landline(args.take(0, as_text))); }

Ref resolve_collision(const Args& args) {
  const std::string_view label = args.take(0, as_text);
  const core::StringSet used = args.take(1, as_str_set);
  return new_str(unwrap(core::resolve_collision(label, used)));
}

constexpr Param VALUE_PARAMS[] = {{"value"}};
constexpr Param RESOLVE_COLLISION_PARAMS[] = {{"label"}, {"used"}};

}  // namespace

constinit const Function MASK_LANDLINE{
    {"mask_landline", VALUE_PARAMS,
     "Mask a landline number, keeping its area code and last three characters.\n\n"
     "The area code runs up to and including the first '-'; without one, a\n"
     "number starting with 0 has a 3-character area code when its second\n"
     "character is 1 or 2 (010, 021) and a 4-character one otherwise. A rest of\n"
     "three characters or fewer leaves the value unchanged."},
    mask_landline};

constinit const Function RESOLVE_COLLISION{
    {"resolve_collision", RESOLVE_COLLISION_PARAMS,
     "Return label, or label with the first suffix that makes it unused.\n\n"
     "Suffixes are tried in order: ① to ⑳, then (21) to (9999). `used` is\n"
     "not changed. Raises ValueError when every suffix is taken."},
    resolve_collision};

constinit const Function MASK_NAME{
    {"mask_name", VALUE_PARAMS,
     "Mask a person name, keeping its first character, or its first two from\n"
     "four characters on.\n\n"
     "Only the length counts: 张三 -> 张*, 李小明 -> 李**, 欧阳小明 -> 欧阳**."},
    mask_name};

}  // namespace vexil::py

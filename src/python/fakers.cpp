// Python face of the built-in fakers: table look-ups and one call of the
// re-roll loop, all with the interpreter lock held.
#include "fakers.hpp"

#include <string>

#include "../core/fakers.hpp"

namespace vexil::py {

namespace {

Ref builtin_faker_name(const Args& args) {
  const std::string_view type = args.take(0, as_text);
  const std::string_view lang = args.take(1, as_text);
  auto name = core::builtin_faker_name(type, lang);
  return name ? new_str(*name) : Ref::borrowed(Py_None);
}

constexpr Param BUILTIN_FAKER_NAME_PARAMS[] = {{"type_"}, {"lang"}};

Ref builtin_faker_names(const Args&) { return str_list(core::builtin_faker_names()); }

Ref generate_unique_fake(const Args& args) {
  const std::string_view name = args.take(0, as_text);
  const std::string_view value = args.take(1, as_text);
  const std::string_view type = args.take(2, as_text);
  const std::string_view salt = args.take(3, as_bytes);
  const core::StringSet used = args.take(4, as_str_set);
  const core::Faker faker = unwrap(core::resolve_faker(name));
  core::Fake fake = unwrap(core::generate_unique_fake(faker, value, type, salt, used));

  return tuple_of(new_str(fake.text), str_list(fake.aliases));
}

constexpr Param GENERATE_UNIQUE_FAKE_PARAMS[] = {
    {"faker_name"}, {"value"}, {"type_"}, {"salt"}, {"used"}};

}  // namespace

constinit const Function BUILTIN_FAKER_NAME{
    {"builtin_faker_name", BUILTIN_FAKER_NAME_PARAMS,
     "Return the built-in faker name for an exact (type, language) pair, or None.\n\n"
     "The language is \"zh\", \"en\" or \"shared\"; no fallback between them happens here."},
    builtin_faker_name};

constinit const Function BUILTIN_FAKER_NAMES{
    {"builtin_faker_names", {}, "Return the names of the 22 built-in fakers, in table order."},
    builtin_faker_names};

constinit const Function GENERATE_UNIQUE_FAKE{
    {"generate_unique_fake", GENERATE_UNIQUE_FAKE_PARAMS,
     "Return (fake, aliases) from a built-in faker, re-rolled until unique.\n\n"
     "Up to ten attempts, seeded from value, value#0, value#0#1, ...; the first\n"
     "fake that differs from the value and is not in `used` wins. `used` is\n"
     "not changed."},
    generate_unique_fake};

}  // namespace vexil::py

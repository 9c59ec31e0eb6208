// PseudonymGenerator: a session object over the core generator, guarded by
// an exclusive borrow; unseeded draws call back into Python's secrets module.
#include "pseudonym.hpp"

#include <string>
#include <utility>
#include <vector>

#include "../core/pseudonym.hpp"
#include "classes.hpp"

namespace vexil::py {

namespace {

// The failure travels as InternalFailure through the core, possibly across a
// released lock: no Python exception may stay set behind it.
[[noreturn]] void draw_failure(const char* what) {
  PyErr_Clear();
  throw core::InternalFailure(what);
}

}  // namespace

std::uint32_t secrets_randbelow(std::uint64_t n) {
  Locked locked;
  // Looked up on every draw (a sys.modules hit) so the call always reaches
  // the current secrets.randbelow.
  Ref secrets(PyImport_ImportModule("secrets"));
  if (!secrets) draw_failure("import secrets failed");
  Ref result(
      PyObject_CallMethod(secrets.get(), "randbelow", "K", static_cast<unsigned long long>(n)));
  if (!result) draw_failure("secrets.randbelow failed");
  if (!PyLong_Check(result.get())) draw_failure("randbelow result not u32");
  const unsigned long long value = PyLong_AsUnsignedLongLong(result.get());
  if (PyErr_Occurred() || value > std::numeric_limits<std::uint32_t>::max()) {
    draw_failure("randbelow result not u32");
  }
  return static_cast<std::uint32_t>(value);
}

namespace {

Boxed<core::PseudonymGenerator>& as_generator(PyObject* obj) {
  return boxed<core::PseudonymGenerator>(obj);
}

std::pair<std::uint32_t, std::uint32_t> as_code_range(PyObject* obj) {
  const auto items = as_tuple(obj, 2);
  return {as_u32(items[0]), as_u32(items[1])};
}

constexpr Param CONSTRUCTOR_PARAMS[] = {{"prefix", "\"P\"", true},
                                        {"code_range", "(1, 99999)", true},
                                        {"seed", "None", true},
                                        {"existing_key", "None", true}};
constexpr Signature CONSTRUCTOR{
    "PseudonymGenerator", CONSTRUCTOR_PARAMS,
    "Hand out pseudonyms such as P-00042: prefix, '-' and a code of at least\n"
    "five digits.\n\n"
    "The same original always gets the same pseudonym and no two originals\n"
    "share one. With a seed, codes follow random.Random(seed).randint over\n"
    "code_range; without one they come from secrets.randbelow. When 1000 draws\n"
    "in a row hit taken codes the upper bound grows tenfold. existing_key maps\n"
    "pseudonyms to originals; entries of this prefix are reused and never\n"
    "handed out again."};

PyObject* generator_new(PyTypeObject* cls, PyObject* args, PyObject* kwargs) {
  return guarded([&] {
    Args a(CONSTRUCTOR, args, kwargs);
    const std::string_view prefix = a.take_optional(0, as_text).value_or("P");
    const auto [low, high] = a.take_optional(1, as_code_range).value_or(std::pair{1u, 99999u});
    const auto seed = a.take_optional(2, as_u64);
    const auto key = a.take_optional(3, as_str_pairs);
    core::CodeSource source = seed ? core::CodeSource(std::in_place_type<core::Mt19937>, *seed)
                                   : core::CodeSource(core::DrawBelow(secrets_randbelow));
    core::PseudonymGenerator generator(std::string(prefix), low, high, std::move(source));
    if (key) {
      for (const auto& [pseudonym, original] : *key) generator.load_key_entry(pseudonym, original);
    }
    return new_boxed(cls, std::move(generator));
  });
}

Ref generator_get(PyObject* self, const Args& args) {
  const std::string_view entity = args.take(0, as_text);
  BorrowFlag::Exclusive borrow(as_generator(self).borrow);
  core::StringSet reserved;
  return new_str(unwrap(as_generator(self).value.get(entity, reserved)));
}

constexpr Param GET_PARAMS[] = {{"entity"}};
constexpr Method GET{{"get", GET_PARAMS,
                      "Return the pseudonym of entity, drawing a new code the first time.\n\n"
                      "Raises RuntimeError when the generator is already in use."},
                     generator_get};

}  // namespace

PyTypeObject* pseudonym_generator_type() {
  static PyMethodDef methods[] = {method_def<&GET>(), {}};
  static PyTypeObject* cls =
      new_boxed_class<core::PseudonymGenerator>(CONSTRUCTOR, generator_new, methods);
  return cls;
}

}  // namespace vexil::py

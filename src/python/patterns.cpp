// Python face of the pattern engine: match_patterns and CancelToken.
#include "patterns.hpp"

#include <string>

#include "../core/data.hpp"
#include "../core/text.hpp"
#include "classes.hpp"
#include "types.hpp"

namespace vexil::py {

namespace {

// A pattern dict, read key by key; unknown keys are ignored.
core::PatternSpec as_pattern_spec(PyObject* obj) {
  PyObject* dict = as_dict(obj);
  core::PatternSpec spec;
  spec.pattern = as_text(required_item(dict, "pattern"));
  spec.type = as_text(required_item(dict, "type"));
  spec.check_context = optional_item(dict, "check_context") == Py_True;
  auto optional_str = [dict](const char* key) -> std::optional<std::string> {
    PyObject* value = optional_item(dict, key);
    if (!value || !PyUnicode_Check(value)) return std::nullopt;
    return std::string(as_text(value));
  };
  spec.group = optional_str("group");
  spec.validator = optional_str("validator");
  return spec;
}

std::vector<core::PatternSpec> as_pattern_specs(PyObject* obj) {
  return as_list_of(obj, as_pattern_spec);
}

Ref match_patterns(const Args& args) {
  const std::string_view text = args.take(0, as_text);
  const auto specs = args.take(1, as_pattern_specs);
  // Refused before the copy the released lock needs, however large the text.
  unwrap(core::check_input_size(text));
  const std::string owned(text);
  auto entities = without_lock([&] { return core::scan_patterns(owned, specs); });
  return entity_list(unwrap(std::move(entities)));
}

constexpr Param MATCH_PATTERNS_PARAMS[] = {{"text"}, {"patterns"}};

// One table entry as a pattern dict: flags and optional fields appear only
// when set, so every dict is also valid input for match_patterns.
Ref pattern_dict(const core::PatternData& entry) {
  Ref dict = Ref::checked(PyDict_New());
  auto set = [&](const char* key, Ref value) { set_item(dict.get(), key, std::move(value)); };
  set("type", new_str(entry.type));
  set("label", new_str(entry.label));
  set("pattern", new_str(entry.pattern));
  set("description", new_str(entry.description));
  if (entry.check_context) set("check_context", new_bool(true));
  if (entry.group) set("group", new_str(*entry.group));
  if (entry.validator) set("validator", new_str(*entry.validator));
  if (entry.language_neutral) set("language_neutral", new_bool(true));
  return dict;
}

Ref builtin_patterns(const Args& args) {
  static const core::PatternTable no_table;
  const core::PatternTable* table = core::pattern_table(args.take(0, as_text));
  return list_of(table ? *table : no_table, pattern_dict);
}

constexpr Param BUILTIN_PATTERNS_PARAMS[] = {{"lang"}};

// ---- CancelToken ----------------------------------------------------------

constexpr Signature TOKEN_CONSTRUCTOR{
    "CancelToken",
    {},
    "Cooperative-cancellation handle for a single detection scan.\n\n"
    "cancel() may be called from another thread; the scan then ends with\n"
    "ScanAborted at its next poll. Use one token for one scan only: a shared\n"
    "token would abort unrelated scans."};

PyObject* token_new(PyTypeObject* cls, PyObject* args, PyObject* kwargs) {
  return guarded([&] {
    Args(TOKEN_CONSTRUCTOR, args, kwargs);
    return new_boxed(cls, core::CancelFlag());
  });
}

// Both methods take shared borrows only, so cancel() from another thread
// never conflicts with a scan holding the token.
constexpr Method CANCEL{
    {"cancel", {}, "Trip the token. Idempotent; the next scan poll returns `ScanAborted`."},
    [](PyObject* self, const Args&) {
      BorrowFlag::Shared borrow(boxed<core::CancelFlag>(self).borrow);
      boxed<core::CancelFlag>(self).value.trip();
      return Ref::borrowed(Py_None);
    }};

constexpr Method IS_CANCELLED{{"is_cancelled", {}, "Whether cancel() was called on this token."},
                              [](PyObject* self, const Args&) {
                                BorrowFlag::Shared borrow(boxed<core::CancelFlag>(self).borrow);
                                return new_bool(boxed<core::CancelFlag>(self).value.is_set());
                              }};

}  // namespace

constinit const Function MATCH_PATTERNS{
    {"match_patterns", MATCH_PATTERNS_PARAMS,
     "Run all regex patterns against text, return sorted matches.\n\n"
     "Each pattern dict must have `type` and `pattern`; it may have\n"
     "`check_context` (bool) and `group` (str). Validate callbacks are not run\n"
     "here: the caller must filter."},
    match_patterns};

constinit const Function BUILTIN_PATTERNS{
    {"builtin_patterns", BUILTIN_PATTERNS_PARAMS,
     "Return the built-in pattern dicts of one language table.\n\n"
     "The core is the single source of these tables; an unknown language code\n"
     "gives an empty list."},
    builtin_patterns};

PyTypeObject* cancel_token_type() {
  static PyMethodDef methods[] = {method_def<&CANCEL>(), method_def<&IS_CANCELLED>(), {}};
  static PyTypeObject* cls =
      new_boxed_class<core::CancelFlag>(TOKEN_CONSTRUCTOR, token_new, methods);
  return cls;
}

}  // namespace vexil::py

// Python face of the pattern engine: match_patterns and CancelToken.
#include "patterns.hpp"

#include <string>

#include "../core/data.hpp"
#include "../core/text.hpp"
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
  auto set = [&](const char* key, Ref value) {
    if (PyDict_SetItemString(dict.get(), key, value.get()) < 0) throw_python_error();
  };
  set("type", new_str(entry.type));
  set("label", new_str(entry.label));
  set("pattern", new_str(entry.pattern));
  set("description", new_str(entry.description));
  if (entry.check_context) set("check_context", Ref::borrowed(Py_True));
  if (entry.group) set("group", new_str(*entry.group));
  if (entry.validator) set("validator", new_str(*entry.validator));
  if (entry.language_neutral) set("language_neutral", Ref::borrowed(Py_True));
  return dict;
}

Ref builtin_patterns(const Args& args) {
  const core::PatternTable* table = core::pattern_table(args.take(0, as_text));
  Ref list = Ref::checked(PyList_New(table ? static_cast<Py_ssize_t>(table->size()) : 0));
  for (std::size_t i = 0; table && i < table->size(); ++i) {
    PyList_SET_ITEM(list.get(), static_cast<Py_ssize_t>(i), pattern_dict((*table)[i]).release());
  }
  return list;
}

constexpr Param BUILTIN_PATTERNS_PARAMS[] = {{"lang"}};

// ---- CancelToken ----------------------------------------------------------

struct CancelTokenObject {
  PyObject_HEAD core::CancelFlag flag;
  BorrowFlag borrow;
};

CancelTokenObject* as_token(PyObject* obj) { return reinterpret_cast<CancelTokenObject*>(obj); }

constexpr Signature TOKEN_CONSTRUCTOR{
    "CancelToken",
    {},
    "Cooperative-cancellation handle for a single detection scan.\n\n"
    "cancel() may be called from another thread; the scan then ends with\n"
    "ScanAborted at its next poll. Use one token for one scan only: a shared\n"
    "token would abort unrelated scans."};
constexpr Signature CANCEL{
    "cancel", {}, "Trip the token. Idempotent; the next scan poll returns `ScanAborted`."};
constexpr Signature IS_CANCELLED{"is_cancelled", {}, "Whether cancel() was called on this token."};

PyObject* token_new(PyTypeObject* cls, PyObject* args, PyObject* kwargs) {
  return guarded([&] {
    Args(TOKEN_CONSTRUCTOR, args, kwargs);
    Ref self = Ref::checked(cls->tp_alloc(cls, 0));
    CancelTokenObject* token = as_token(self.get());
    new (&token->flag) core::CancelFlag();
    new (&token->borrow) BorrowFlag();
    return self;
  });
}

void token_dealloc(PyObject* self) {
  CancelTokenObject* token = as_token(self);
  token->flag.~CancelFlag();
  token->borrow.~BorrowFlag();
  PyTypeObject* cls = Py_TYPE(self);
  cls->tp_free(self);
  Py_DECREF(cls);
}

PyObject* token_cancel(PyObject* self, PyObject*) {
  return guarded([&] {
    BorrowFlag::Shared borrow(as_token(self)->borrow);
    as_token(self)->flag.trip();
    return Ref::borrowed(Py_None);
  });
}

PyObject* token_is_cancelled(PyObject* self, PyObject*) {
  return guarded([&] {
    BorrowFlag::Shared borrow(as_token(self)->borrow);
    return Ref::borrowed(as_token(self)->flag.is_set() ? Py_True : Py_False);
  });
}

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
  static PyTypeObject* cls = [] {
    static const std::string doc = docstring(TOKEN_CONSTRUCTOR);
    static const std::string cancel_doc = docstring(CANCEL, true);
    static const std::string is_cancelled_doc = docstring(IS_CANCELLED, true);
    static PyMethodDef methods[] = {
        {"cancel", token_cancel, METH_NOARGS, cancel_doc.c_str()},
        {"is_cancelled", token_is_cancelled, METH_NOARGS, is_cancelled_doc.c_str()},
        {nullptr, nullptr, 0, nullptr}};
    PyType_Slot slots[] = {{Py_tp_doc, const_cast<char*>(doc.c_str())},
                           {Py_tp_new, reinterpret_cast<void*>(token_new)},
                           {Py_tp_dealloc, reinterpret_cast<void*>(token_dealloc)},
                           {Py_tp_methods, methods},
                           {0, nullptr}};
    PyType_Spec spec{"vexil_redact._core.CancelToken", sizeof(CancelTokenObject), 0,
                     Py_TPFLAGS_DEFAULT | Py_TPFLAGS_IMMUTABLETYPE, slots};
    return reinterpret_cast<PyTypeObject*>(PyType_FromSpec(&spec));
  }();
  return cls;
}

}  // namespace vexil::py

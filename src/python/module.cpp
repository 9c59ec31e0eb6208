// The extension module: function table, classes, exceptions and the build
// identifier, added by one multi-phase exec step.
#include <string>
#include <vector>

#include "data.hpp"
#include "fakers.hpp"
#include "frame.hpp"
#include "hints.hpp"
#include "languages.hpp"
#include "masks.hpp"
#include "merger.hpp"
#include "normalize.hpp"
#include "patterns.hpp"
#include "pseudonym.hpp"
#include "shake_rng.hpp"
#include "type_info.hpp"
#include "types.hpp"

namespace vexil::py {

namespace {

constexpr const char* BUILD =
    "0.8.22+4c1f7a9e0d3b58c26e9f1a7b3d5c0e8f2a4b6c9d1e3f5a7b9c0d2e4f6a8b1c3d";

template <const Function* F>
PyMethodDef method() {
  static const std::string doc = docstring(F->sig);
  return {F->sig.name, reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(fastcall<F>)),
          METH_FASTCALL | METH_KEYWORDS, doc.c_str()};
}

template <std::size_t... I>
std::vector<PyMethodDef> data_exports(std::index_sequence<I...>) {
  return {method<&DATA_EXPORTS[I]>()...};
}

// Module functions in registration order.
PyMethodDef* function_table() {
  static std::vector<PyMethodDef> table = [] {
    // clang-format off
    std::vector<PyMethodDef> methods = {
        method<&DETECT_LANGUAGES>(),
        method<&RESOLVE_SALT>(),
        method<&TYPE_SEED_OFFSET>(),
        method<&MASK_LANDLINE>(),
        method<&RESOLVE_COLLISION>(),
        method<&MASK_NAME>(),
        method<&BUILTIN_FAKER_NAME>(),
        method<&GENERATE_UNIQUE_FAKE>(),
        method<&MERGE_ENTITIES>(),
        method<&MERGE_ENTITIES_WITH_TEXT>(),
        method<&BUILD_TYPE_INFO>(),
        method<&MATCH_PATTERNS>(),
        method<&BUILTIN_PATTERNS>(),
        method<&NORMALIZE_TEXT>(),
        method<&MAP_SPANS_TO_ORIGINAL>(),
        method<&PRODUCE_HINTS_L1>(),
        method<&GET_PERSON_THRESHOLD>(),
        method<&FILTER_SELF_REFERENCE>(),
        method<&RESTORE_LOST_COVERAGE>(),
        method<&SEED_FROM_VALUE>(),
        // functions without arguments
        method<&BUILTIN_FAKER_NAMES>(),
    };
    // clang-format on
    for (const PyMethodDef& def : data_exports(std::make_index_sequence<DATA_EXPORT_COUNT>())) {
      methods.push_back(def);
    }
    methods.push_back({nullptr, nullptr, 0, nullptr});
    return methods;
  }();
  return table.data();
}

int add_class(PyObject* module, PyTypeObject* cls) {
  return cls ? PyModule_AddType(module, cls) : -1;
}

int exec_module(PyObject* module) {
  if (PyModule_AddStringConstant(module, "__build__", BUILD) < 0) return -1;
  if (add_class(module, pattern_match_type()) < 0) return -1;
  if (PyModule_AddFunctions(module, function_table()) < 0) return -1;
  if (add_class(module, cancel_token_type()) < 0) return -1;
  if (add_class(module, pseudonym_generator_type()) < 0) return -1;
  if (add_class(module, shake_rng_type()) < 0) return -1;
  if (!create_exception_classes()) return -1;
  return PyModule_AddObjectRef(module, "ScanAborted", scan_aborted_class());
}

PyModuleDef_Slot slots[] = {
    {Py_mod_exec, reinterpret_cast<void*>(exec_module)},
    {Py_mod_gil, Py_MOD_GIL_NOT_USED},
    {0, nullptr},
};

PyModuleDef module_def = {
    PyModuleDef_HEAD_INIT,
    "_core",
    "High-performance, pure-function core of vexil_redact.",
    0,
    nullptr,
    slots,
    nullptr,
    nullptr,
    nullptr,
};

}  // namespace

}  // namespace vexil::py

PyMODINIT_FUNC PyInit__core() { return PyModuleDef_Init(&vexil::py::module_def); }

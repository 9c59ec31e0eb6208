// The extension module: function table, classes, exceptions and the build
// identifier, added by one multi-phase exec step.
#include <vector>

#include "classes.hpp"
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

template <std::size_t... I>
std::vector<PyMethodDef> data_exports(std::index_sequence<I...>) {
  return {function_def<&DATA_EXPORTS[I]>()...};
}

// Module functions in registration order.
PyMethodDef* function_table() {
  static std::vector<PyMethodDef> table = [] {
    // clang-format off
    std::vector<PyMethodDef> methods = {
        function_def<&DETECT_LANGUAGES>(),
        function_def<&RESOLVE_SALT>(),
        function_def<&TYPE_SEED_OFFSET>(),
        function_def<&MASK_LANDLINE>(),
        function_def<&RESOLVE_COLLISION>(),
        function_def<&MASK_NAME>(),
        function_def<&BUILTIN_FAKER_NAME>(),
        function_def<&GENERATE_UNIQUE_FAKE>(),
        function_def<&MERGE_ENTITIES>(),
        function_def<&MERGE_ENTITIES_WITH_TEXT>(),
        function_def<&BUILD_TYPE_INFO>(),
        function_def<&MATCH_PATTERNS>(),
        function_def<&BUILTIN_PATTERNS>(),
        function_def<&NORMALIZE_TEXT>(),
        function_def<&MAP_SPANS_TO_ORIGINAL>(),
        function_def<&PRODUCE_HINTS_L1>(),
        function_def<&GET_PERSON_THRESHOLD>(),
        function_def<&FILTER_SELF_REFERENCE>(),
        function_def<&RESTORE_LOST_COVERAGE>(),
        function_def<&SEED_FROM_VALUE>(),
        // functions without arguments
        function_def<&BUILTIN_FAKER_NAMES>(),
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

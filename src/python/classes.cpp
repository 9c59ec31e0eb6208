// Heap class and method-table construction shared by every class.
#include "classes.hpp"

#include <deque>
#include <mutex>
#include <string>
#include <vector>

namespace vexil::py {

namespace {

// Docstrings live as long as the classes that point at them.
const char* keep(std::string text) {
  static std::mutex mutex;
  static std::deque<std::string> kept;
  std::lock_guard lock(mutex);
  return kept.emplace_back(std::move(text)).c_str();
}

}  // namespace

PyMethodDef function_def(const Function& function, PyCFunctionWithKeywords call) {
  return {function.sig.name, reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(call)),
          METH_FASTCALL | METH_KEYWORDS, keep(docstring(function.sig))};
}

PyMethodDef method_def(const Method& method, PyCFunctionWithKeywords call) {
  return {method.sig.name, reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(call)),
          METH_FASTCALL | METH_KEYWORDS, keep(docstring(method.sig, /*self_marker=*/true))};
}

PyTypeObject* new_class(const Signature& constructor, Py_ssize_t basic_size, newfunc tp_new,
                        destructor tp_dealloc, PyMethodDef* methods,
                        std::initializer_list<PyType_Slot> extra, unsigned long extra_flags) {
  const char* name = keep(std::string("vexil_redact._core.") + constructor.name);
  std::vector<PyType_Slot> slots = {
      {Py_tp_doc, const_cast<char*>(keep(docstring(constructor)))},
      {Py_tp_new, reinterpret_cast<void*>(tp_new)},
      {Py_tp_dealloc, reinterpret_cast<void*>(tp_dealloc)},
      {Py_tp_methods, methods},
  };
  slots.insert(slots.end(), extra);
  slots.push_back({0, nullptr});
  PyType_Spec spec{
      name, static_cast<int>(basic_size), 0,
      static_cast<unsigned int>(Py_TPFLAGS_DEFAULT | Py_TPFLAGS_IMMUTABLETYPE | extra_flags),
      slots.data()};
  return reinterpret_cast<PyTypeObject*>(PyType_FromSpec(&spec));
}

}  // namespace vexil::py

// Classes of the module: heap types built from a constructor signature,
// methods parsed by the frame, and the boxed shape of session objects (one
// C++ value guarded by a borrow flag).
#pragma once

#include <initializer_list>
#include <new>
#include <utility>

#include "frame.hpp"

namespace vexil::py {

// The table entry of a module function; its docstring starts with the text
// signature.
PyMethodDef function_def(const Function& function, PyCFunctionWithKeywords call);

template <const Function* F>
PyMethodDef function_def() {
  return function_def(
      *F, reinterpret_cast<PyCFunctionWithKeywords>(reinterpret_cast<void (*)()>(fastcall<F>)));
}

// A method: its signature (without self) and its body.
struct Method {
  Signature sig;
  Ref (*impl)(PyObject* self, const Args& args);
};

template <const Method* M>
PyObject* method_call(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  return guarded([&] { return M->impl(self, Args(M->sig, args, nargs, kwnames)); });
}

// The method table entry; its docstring starts with "name($self, ...)".
PyMethodDef method_def(const Method& method, PyCFunctionWithKeywords call);

template <const Method* M>
PyMethodDef method_def() {
  return method_def(
      *M, reinterpret_cast<PyCFunctionWithKeywords>(reinterpret_cast<void (*)()>(method_call<M>)));
}

// A heap class named "vexil_redact._core.<constructor name>" whose docstring
// starts with the constructor's text signature. `methods` ends with a zeroed
// entry and must outlive the class; `extra` adds further slots.
PyTypeObject* new_class(const Signature& constructor, Py_ssize_t basic_size, newfunc tp_new,
                        destructor tp_dealloc, PyMethodDef* methods,
                        std::initializer_list<PyType_Slot> extra = {},
                        unsigned long extra_flags = 0);

// A session object: one C++ value and the borrow flag that guards it.
template <class T>
struct Boxed {
  PyObject_HEAD T value;
  BorrowFlag borrow;
};

template <class T>
Boxed<T>& boxed(PyObject* self) {
  return *reinterpret_cast<Boxed<T>*>(self);
}

// A new instance of `cls` holding `value` (moved in after allocation, so a
// failed allocation leaves nothing half-built).
template <class T>
Ref new_boxed(PyTypeObject* cls, T value) {
  static_assert(std::is_nothrow_move_constructible_v<T>);
  Ref self = Ref::checked(cls->tp_alloc(cls, 0));
  Boxed<T>& box = boxed<T>(self.get());
  new (&box.value) T(std::move(value));
  new (&box.borrow) BorrowFlag();
  return self;
}

template <class T>
void dealloc_boxed(PyObject* self) {
  Boxed<T>& box = boxed<T>(self);
  box.value.~T();
  box.borrow.~BorrowFlag();
  PyTypeObject* cls = Py_TYPE(self);
  cls->tp_free(self);
  Py_DECREF(cls);
}

// A heap class for Boxed<T>.
template <class T>
PyTypeObject* new_boxed_class(const Signature& constructor, newfunc tp_new, PyMethodDef* methods) {
  return new_class(constructor, sizeof(Boxed<T>), tp_new, dealloc_boxed<T>, methods);
}

}  // namespace vexil::py

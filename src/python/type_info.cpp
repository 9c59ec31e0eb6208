// Python face of build_type_info: reads the configuration and registry dicts
// entry by entry, runs the core layering, returns one settings dict per type.
#include "type_info.hpp"

#include <optional>
#include <string>

#include "../core/type_info.hpp"
#include "types.hpp"

namespace vexil::py {

namespace {

std::optional<std::string> optional_text(PyObject* dict, const char* key) {
  PyObject* value = optional_item(dict, key);
  if (!value) return std::nullopt;
  return std::string(as_text(value));
}

std::optional<std::uint64_t> optional_count(PyObject* dict, const char* key) {
  PyObject* value = optional_item(dict, key);
  if (!value) return std::nullopt;
  return as_u64(value);
}

bool has_key(PyObject* dict, const char* key) {
  PyObject* value = nullptr;
  int found = PyDict_GetItemStringRef(dict, key, &value);
  if (found < 0) throw_python_error();
  Py_XDECREF(value);
  return found == 1;
}

core::TypeConfig as_type_config(PyObject* dict) {
  core::TypeConfig cfg;
  cfg.strategy = optional_text(dict, "strategy");
  // A present prefix overrides even when it is None: that is the empty prefix.
  if (has_key(dict, "prefix")) cfg.prefix = optional_text(dict, "prefix").value_or("");
  cfg.replacement = optional_text(dict, "replacement");
  cfg.label = optional_text(dict, "label");
  cfg.visible_prefix = optional_count(dict, "visible_prefix");
  cfg.visible_suffix = optional_count(dict, "visible_suffix");
  return cfg;
}

core::RegistryDefaults as_registry_defaults(PyObject* dict) {
  return {optional_text(dict, "strategy"), optional_text(dict, "prefix"),
          optional_text(dict, "category_label")};
}

// A dict of per-type dicts; entries whose key is not a str or whose value is
// not a dict are skipped. It reads a snapshot of the items, so a converter
// that runs Python code cannot disturb the walk.
template <class Convert>
auto as_type_map(PyObject* obj, Convert convert) {
  core::StringMap<decltype(convert(nullptr))> map;
  Ref items = Ref::checked(PyDict_Items(as_dict(obj)));
  for (Py_ssize_t i = 0; i < PyList_GET_SIZE(items.get()); ++i) {
    PyObject* item = PyList_GET_ITEM(items.get(), i);
    PyObject* key = PyTuple_GET_ITEM(item, 0);
    PyObject* value = PyTuple_GET_ITEM(item, 1);
    if (!PyUnicode_Check(key) || !PyDict_Check(value)) continue;
    std::string type(as_text(key));
    map.emplace(std::move(type), convert(value));
  }
  return map;
}

core::StringMap<core::TypeConfig> as_config(PyObject* obj) {
  return as_type_map(obj, as_type_config);
}

core::StringMap<core::RegistryDefaults> as_registry(PyObject* obj) {
  return as_type_map(obj, as_registry_defaults);
}

std::vector<std::string_view> as_langs(PyObject* obj) { return as_list_of(obj, as_text); }

template <class T>
Ref optional_value(const std::optional<T>& value) {
  if (!value) return Ref::borrowed(Py_None);
  if constexpr (std::is_same_v<T, std::string>) {
    return new_str(*value);
  } else {
    return new_u64(*value);
  }
}

Ref record_dict(const core::TypeInfo& info) {
  Ref dict = Ref::checked(PyDict_New());
  auto set = [&](const char* key, Ref value) { set_item(dict.get(), key, std::move(value)); };
  set("strategy", new_str(info.strategy));
  set("default_strategy", new_str(info.default_strategy));
  set("prefix", new_str(info.prefix));
  set("prefix_overridden", new_bool(info.prefix_overridden));
  set("faker_name", optional_value(info.faker_name));
  set("custom_faker", new_bool(info.custom_faker));
  set("replacement", optional_value(info.replacement));
  set("label", optional_value(info.label));
  set("default_category_label", new_str(info.default_category_label));
  set("visible_prefix", optional_value(info.visible_prefix));
  set("visible_suffix", optional_value(info.visible_suffix));
  return dict;
}

Ref build_type_info(const Args& args) {
  const std::vector<core::Entity> entities = args.take(0, as_entities);
  const auto config =
      args.take_optional(1, as_config).value_or(core::StringMap<core::TypeConfig>{});
  const auto langs = args.take_optional(2, as_langs).value_or(std::vector<std::string_view>{});
  const auto registry =
      args.take_optional(3, as_registry).value_or(core::StringMap<core::RegistryDefaults>{});

  std::vector<std::string_view> types;
  types.reserve(entities.size());
  for (const core::Entity& entity : entities) types.push_back(entity.type);

  Ref result = Ref::checked(PyDict_New());
  for (const auto& [type, info] : core::build_type_info(types, config, langs, registry)) {
    Ref key = new_str(type);
    if (PyDict_SetItem(result.get(), key.get(), record_dict(info).get()) < 0) throw_python_error();
  }
  return result;
}

constexpr Param BUILD_TYPE_INFO_PARAMS[] = {
    {"entities"}, {"config", "None"}, {"langs", "None"}, {"registry_defaults", "None"}};

}  // namespace

constinit const Function BUILD_TYPE_INFO{
    {"build_type_info", BUILD_TYPE_INFO_PARAMS,
     "Return the replacement settings of each PII type found in `entities`.\n\n"
     "Every field is settled on its own: the type's `config` entry first, then\n"
     "its `registry_defaults` entry, then the built-in tables. `langs` orders\n"
     "the faker look-up for the realistic strategy before \"shared\", \"zh\" and\n"
     "\"en\". `custom_faker` is always False here."},
    build_type_info};

}  // namespace vexil::py

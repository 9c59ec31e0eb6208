// Python face of the hints. Hint objects are the package's own class, built
// by keyword and read back duck-typed, so callers may pass any objects with
// `type` and `data`.
#include "hints.hpp"

#include <optional>
#include <variant>

#include "types.hpp"

namespace vexil::py {

namespace {

template <class... F>
struct Overloaded : F... {
  using F::operator()...;
};

Ref attribute(PyObject* obj, const char* name) {
  return Ref::checked(PyObject_GetAttrString(obj, name));
}

Ref item(PyObject* mapping, const char* key) {
  Ref name = new_str(key);
  return Ref::checked(PyObject_GetItem(mapping, name.get()));
}

Ref hint_data(const core::Hint& hint) {
  Ref dict = Ref::checked(PyDict_New());
  auto set = [&](const char* key, Ref value) { set_item(dict.get(), key, std::move(value)); };
  std::visit(
      Overloaded{
          [&](const core::PiiDensity& d) {
            set("level", new_str(core::density_level_name(d.level)));
            set("count", new_u64(d.count));
          },
          [&](const core::NearMissFormat& d) {
            set("original_type", new_str(d.original_type));
            set("text", new_str(d.text));
          },
          [&](const core::TextIntent& d) { set("intent", new_str(core::intent_name(d.intent))); },
          [&](const core::SelfReferenceTier& d) {
            set("tier", new_u64(d.tier));
            set("has_kinship", new_bool(d.has_kinship));
          },
      },
      hint.data);
  return dict;
}

// Kinds other than the two the consumers understand carry nothing.
std::optional<core::Hint> as_hint(PyObject* obj) {
  Ref type = attribute(obj, "type");
  Ref data = attribute(obj, "data");
  const std::string_view kind = as_text(type.get());
  if (kind == "text_intent") {
    const auto intent = core::intent_from_name(as_text(item(data.get(), "intent").get()));
    // An intent outside the known four never decides, so dropping it is exact.
    if (!intent) return std::nullopt;
    return core::Hint{core::TextIntent{*intent}};
  }
  if (kind == "self_reference_tier") {
    const auto tier = as_u8(item(data.get(), "tier").get());
    const bool has_kinship = as_bool(item(data.get(), "has_kinship").get());
    return core::Hint{core::SelfReferenceTier{tier, has_kinship}};
  }
  return std::nullopt;
}

std::vector<core::Hint> as_hints(PyObject* obj) {
  const SequenceItems seq(obj);
  std::vector<core::Hint> hints;
  for (PyObject* hint : seq.items()) {
    if (auto read = as_hint(hint)) hints.push_back(std::move(*read));
  }
  return hints;
}

Ref produce_hints_l1(const Args& args) {
  const auto entities = args.take(0, as_entities);
  const std::string_view text = args.take(1, as_text);
  const auto near_misses = args.take_optional(2, as_entities).value_or(std::vector<core::Entity>{});
  return hint_list(core::produce_hints_l1(entities, text, near_misses));
}

Ref get_person_threshold(const Args& args) {
  return Ref::checked(PyFloat_FromDouble(core::get_person_threshold(args.take(0, as_hints))));
}

Ref filter_self_reference(const Args& args) {
  auto entities = args.take(0, as_entities);
  const auto hints = args.take(1, as_hints);
  return entity_list(core::filter_self_reference(std::move(entities), hints));
}

constexpr Param PRODUCE_PARAMS[] = {{"entities"}, {"text"}, {"near_misses", "None"}};
constexpr Param THRESHOLD_PARAMS[] = {{"hints"}};
constexpr Param FILTER_PARAMS[] = {{"entities"}, {"hints"}};

}  // namespace

Ref hint_list(const std::vector<core::Hint>& hints) {
  Ref module = Ref::checked(PyImport_ImportModule("vexil_redact._types"));
  Ref cls = attribute(module.get(), "Hint");
  Ref names = Ref::checked(Py_BuildValue("(ssss)", "type", "data", "region", "source_layer"));
  Ref source_layer = new_u64(1);
  Ref list = Ref::checked(PyList_New(static_cast<Py_ssize_t>(hints.size())));
  for (std::size_t i = 0; i < hints.size(); ++i) {
    const core::Hint& hint = hints[i];
    Ref type = new_str(core::hint_type_name(hint));
    Ref data = hint_data(hint);
    Ref region = Ref::checked(Py_BuildValue("(KK)", static_cast<unsigned long long>(hint.start),
                                            static_cast<unsigned long long>(hint.end)));
    PyObject* values[] = {type.get(), data.get(), region.get(), source_layer.get()};
    Ref object = Ref::checked(PyObject_Vectorcall(cls.get(), values, 0, names.get()));
    PyList_SET_ITEM(list.get(), static_cast<Py_ssize_t>(i), object.release());
  }
  return list;
}

constinit const Function PRODUCE_HINTS_L1{
    {"produce_hints_l1", PRODUCE_PARAMS,
     "Compute the L1 hints of a text from its entities and near misses.\n\n"
     "Returns vexil_redact._types.Hint objects: pii_density, the near misses no\n"
     "entity of another type overlaps, self_reference_tier (only with a\n"
     "self_reference entity), text_intent."},
    produce_hints_l1};

constinit const Function GET_PERSON_THRESHOLD{
    {"get_person_threshold", THRESHOLD_PARAMS,
     "Person-name threshold for these hints: 1.2 for an instruction text, else 0.8.\n\n"
     "The first text_intent hint saying instruction or narrative decides."},
    get_person_threshold};

constinit const Function FILTER_SELF_REFERENCE{
    {"filter_self_reference", FILTER_PARAMS,
     "Keep self_reference entities only when the first tier hint says tier 1."},
    filter_self_reference};

}  // namespace vexil::py

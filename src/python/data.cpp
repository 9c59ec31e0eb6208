// The data-pool exports: argument-less functions that hand the Python layer
// the pools kept in the embedded documents, as fresh objects on every call.
#include "data.hpp"

#include <nlohmann/json.hpp>

#include "../core/data.hpp"

namespace vexil::py {

namespace {

using nlohmann::json;

// Strings, booleans and lists of them, in document order.
Ref from_json(const json& value) {
  if (value.is_string()) return new_str(value.get_ref<const std::string&>());
  if (value.is_boolean()) return new_bool(value.get<bool>());
  if (!value.is_array()) throw core::InternalFailure("unexpected value in a data pool");
  return list_of(value, from_json);
}

Ref field(const char* stem, const char* name) {
  return core::read_document(stem, [&](const json& doc) { return from_json(doc.at(name)); });
}

// Each entry of an ordered list paired with its aliases from a map.
Ref with_aliases(const char* stem, const char* list_name, const char* map_name) {
  return core::read_document(stem, [&](const json& doc) {
    const json& aliases = doc.at(map_name);
    return list_of(doc.at(list_name), [&](const json& entry) {
      return tuple_of(from_json(entry), from_json(aliases.at(entry.get_ref<const std::string&>())));
    });
  });
}

Ref reserved_cities(const Args&) {
  return core::read_document("fakers/zh", [](const json& doc) {
    return list_of(doc.at("reserved_cities"), [](const json& row) {
      return tuple_of(from_json(row.at(0)), from_json(row.at(1)), from_json(row.at(2)));
    });
  });
}

Ref reserved_address_aliases(const Args&) {
  return core::read_document("fakers/zh", [](const json& doc) {
    return list_of(doc.at("reserved_addresses_zh_aliases"), [](const json& row) {
      const json& place = row.at(0);
      return tuple_of(
          tuple_of(from_json(place.at(0)), from_json(place.at(1)), from_json(place.at(2))),
          from_json(row.at(1)));
    });
  });
}

Ref command_patterns(const Args&) {
  return core::read_document("hints", [](const json& doc) {
    return list_of(doc.at("command_patterns"), [](const json& entry) {
      return tuple_of(from_json(entry.at("pattern")), from_json(entry.at("ignorecase")));
    });
  });
}

#define VEXIL_FIELD(stem, name) [](const Args&) { return field(stem, name); }

}  // namespace

constinit const Function DATA_EXPORTS[DATA_EXPORT_COUNT] = {
    {{"rfc2606_domains", {}, "RFC 2606 example domains (RFC2606_DOMAINS, an ordered list)."},
     VEXIL_FIELD("fakers/shared", "rfc2606_domains")},
    {{"rfc5737_prefixes", {}, "RFC 5737 TEST-NET prefixes (RFC5737_PREFIXES, an ordered list)."},
     VEXIL_FIELD("fakers/shared", "rfc5737_prefixes")},
    {{"rfc7042_mac_prefix", {}, "RFC 7042 documentation MAC prefix (RFC7042_MAC_PREFIX, a str)."},
     VEXIL_FIELD("fakers/shared", "rfc7042_mac_prefix")},
    {{"reserved_person_names_en",
      {},
      "Reserved English fake person names (RESERVED_PERSON_NAMES_EN, an ordered list)."},
     VEXIL_FIELD("fakers/en", "reserved_person_names_en")},
    {{"reserved_person_names_aliases_en",
      {},
      "English fake names with their aliases (RESERVED_PERSON_NAMES_ALIASES_EN, an ordered "
      "list of pairs)."},
     [](const Args&) {
       return with_aliases("fakers/en", "reserved_person_names_en",
                           "reserved_person_names_en_aliases");
     }},
    {{"reserved_addresses_en",
      {},
      "Reserved English fake addresses (RESERVED_ADDRESSES_EN, an ordered list)."},
     VEXIL_FIELD("fakers/en", "reserved_addresses_en")},
    {{"reserved_addresses_en_aliases",
      {},
      "English fake addresses with their aliases (RESERVED_ADDRESSES_EN_ALIASES, an ordered "
      "list of pairs)."},
     [](const Args&) {
       return with_aliases("fakers/en", "reserved_addresses_en", "reserved_addresses_en_aliases");
     }},
    {{"reserved_person_names_zh",
      {},
      "Reserved Chinese fake person names (RESERVED_PERSON_NAMES_ZH, an ordered list)."},
     VEXIL_FIELD("fakers/zh", "reserved_person_names")},
    {{"reserved_person_names_aliases_zh",
      {},
      "Chinese fake names with their aliases (RESERVED_PERSON_NAMES_ALIASES_ZH, an ordered "
      "list of pairs)."},
     [](const Args&) {
       return with_aliases("fakers/zh", "reserved_person_names", "reserved_person_names_aliases");
     }},
    {{"reserved_cities_zh",
      {},
      "Reserved Chinese fake cities with district and streets (RESERVED_CITIES_ZH, an ordered "
      "list)."},
     reserved_cities},
    {{"reserved_addresses_zh_aliases",
      {},
      "Chinese fake addresses with their aliases (RESERVED_ADDRESSES_ZH_ALIASES, an ordered "
      "list of pairs)."},
     reserved_address_aliases},
    {{"passport_prefixes_zh",
      {},
      "Reserved Chinese passport prefixes (PASSPORT_PREFIXES_ZH, an ordered list)."},
     VEXIL_FIELD("fakers/zh", "passport_prefixes")},
    {{"plate_special_prefixes_zh",
      {},
      "Reserved special licence-plate prefixes (PLATE_SPECIAL_PREFIXES_ZH, an ordered list)."},
     VEXIL_FIELD("fakers/zh", "plate_special_prefixes")},
    {{"hkid_reserved_letter", {}, "Reserved HKID prefix letter (HKID_RESERVED_LETTER, a str)."},
     VEXIL_FIELD("fakers/zh", "hkid_reserved_letter")},
    {{"twid_reserved_letter", {}, "Reserved Taiwan ID letter (TWID_RESERVED_LETTER, a str)."},
     VEXIL_FIELD("fakers/zh", "twid_reserved_letter")},
    {{"macau_reserved_lead", {}, "Reserved Macau ID lead digit (MACAU_RESERVED_LEAD, a str)."},
     VEXIL_FIELD("fakers/zh", "macau_reserved_lead")},
    {{"twarc_reserved_prefix", {}, "Reserved Taiwan ARC prefix (TWARC_RESERVED_PREFIX, a str)."},
     VEXIL_FIELD("fakers/zh", "twarc_reserved_prefix")},
    {{"person_surnames_en", {}, "English surname pool (PERSON_SURNAMES_EN, a set)."},
     VEXIL_FIELD("en_person", "surnames")},
    {{"person_given_names_en", {}, "English given-name pool (PERSON_GIVEN_NAMES_EN, a set)."},
     VEXIL_FIELD("en_person", "given_names")},
    {{"person_surnames_zh",
      {},
      "Chinese single-character surnames as one str (PERSON_SURNAMES_ZH)."},
     VEXIL_FIELD("zh_person", "surnames")},
    {{"person_compound_surnames_zh",
      {},
      "Chinese two-character surnames (PERSON_COMPOUND_SURNAMES_ZH, a set)."},
     VEXIL_FIELD("zh_person", "compound_surnames")},
    {{"person_not_names_zh",
      {},
      "Words that start with a surname but are not names (PERSON_NOT_NAMES_ZH, a set)."},
     VEXIL_FIELD("zh_person", "not_names")},
    {{"person_common_words_zh",
      {},
      "Common two-character Chinese words (PERSON_COMMON_WORDS_ZH, a set)."},
     VEXIL_FIELD("zh_person", "common_words")},
    {{"hint_kinship_exact", {}, "Exact kinship phrases (HINT_KINSHIP_EXACT, a set)."},
     VEXIL_FIELD("hints", "kinship_exact")},
    {{"hint_kinship_prefixes",
      {},
      "Kinship phrase prefixes (HINT_KINSHIP_PREFIXES, an ordered list)."},
     VEXIL_FIELD("hints", "kinship_prefixes")},
    {{"hint_command_prefixes",
      {},
      "Command phrase prefixes (HINT_COMMAND_PREFIXES, an ordered list)."},
     VEXIL_FIELD("hints", "command_prefixes")},
    {{"hint_command_suffixes",
      {},
      "Command phrase suffixes (HINT_COMMAND_SUFFIXES, an ordered list)."},
     VEXIL_FIELD("hints", "command_suffixes")},
    {{"hint_command_patterns",
      {},
      "Command patterns with their ignore-case flags (HINT_COMMAND_PATTERNS, an ordered list "
      "of pairs)."},
     command_patterns},
};

}  // namespace vexil::py

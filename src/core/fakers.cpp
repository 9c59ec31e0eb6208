// The 22 built-in fakers over the reserved pools, and the re-roll loop. Every
// draw happens in a fixed order: a Python reference replays these fakes byte
// for byte, so each generator call below is part of the output.
#include "fakers.hpp"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <utility>

#include "data.hpp"
#include "regex.hpp"
#include "text.hpp"
#include "validators.hpp"

namespace vexil::core {

namespace {

using nlohmann::json;
using Strings = std::vector<std::string>;

// ---------------------------------------------------------------- pools

struct SharedPools {
  Strings domains;
  Strings ip_prefixes;
  std::string mac_prefix;
};

struct EnPools {
  Strings names;
  StringMap<Strings> name_aliases;
  Strings addresses;
  StringMap<Strings> address_aliases;
};

struct City {
  std::string city;
  std::string district;
  Strings streets;
};

struct StreetAliases {
  std::string city;
  std::string district;
  std::string street;
  Strings aliases;
};

struct ZhPools {
  Strings names;
  StringMap<Strings> name_aliases;
  std::vector<City> cities;
  std::vector<StreetAliases> street_aliases;
  Strings passport_prefixes;
  Strings plate_prefixes;
  std::string hkid_letter;
  std::string twid_letter;
  std::string macau_lead;
  std::string twarc_prefix;
};

const SharedPools& shared_pools() {
  static const SharedPools pools = read_document("fakers/shared", [](const json& doc) {
    return SharedPools{doc.at("rfc2606_domains").get<Strings>(),
                       doc.at("rfc5737_prefixes").get<Strings>(),
                       doc.at("rfc7042_mac_prefix").get<std::string>()};
  });
  return pools;
}

StringMap<Strings> alias_map(const json& map) {
  StringMap<Strings> out;
  for (const auto& [key, aliases] : map.items()) out.emplace(key, aliases.get<Strings>());
  return out;
}

const EnPools& en_pools() {
  static const EnPools pools = read_document("fakers/en", [](const json& doc) {
    return EnPools{doc.at("reserved_person_names_en").get<Strings>(),
                   alias_map(doc.at("reserved_person_names_en_aliases")),
                   doc.at("reserved_addresses_en").get<Strings>(),
                   alias_map(doc.at("reserved_addresses_en_aliases"))};
  });
  return pools;
}

const ZhPools& zh_pools() {
  static const ZhPools pools = read_document("fakers/zh", [](const json& doc) {
    ZhPools p;
    p.names = doc.at("reserved_person_names").get<Strings>();
    p.name_aliases = alias_map(doc.at("reserved_person_names_aliases"));
    for (const json& row : doc.at("reserved_cities")) {
      p.cities.push_back(
          {row.at(0).get<std::string>(), row.at(1).get<std::string>(), row.at(2).get<Strings>()});
    }
    for (const json& row : doc.at("reserved_addresses_zh_aliases")) {
      const json& place = row.at(0);
      p.street_aliases.push_back({place.at(0).get<std::string>(), place.at(1).get<std::string>(),
                                  place.at(2).get<std::string>(), row.at(1).get<Strings>()});
    }
    p.passport_prefixes = doc.at("passport_prefixes").get<Strings>();
    p.plate_prefixes = doc.at("plate_special_prefixes").get<Strings>();
    p.hkid_letter = doc.at("hkid_reserved_letter").get<std::string>();
    p.twid_letter = doc.at("twid_reserved_letter").get<std::string>();
    p.macau_lead = doc.at("macau_reserved_lead").get<std::string>();
    p.twarc_prefix = doc.at("twarc_reserved_prefix").get<std::string>();
    return p;
  });
  return pools;
}

// ---------------------------------------------------------------- draws

template <class T>
const T& choose(const std::vector<T>& pool, ShakeRng& rng) {
  if (pool.empty()) throw InternalFailure("fakers: empty pool");
  return pool[static_cast<std::size_t>(rng.randint(0, static_cast<std::int64_t>(pool.size()) - 1))];
}

Strings aliases_of(const StringMap<Strings>& map, std::string_view key) {
  auto found = map.find(key);
  return found == map.end() ? Strings{} : found->second;
}

std::string_view group_text(std::string_view text, const Matcher& m, int group) {
  ByteSpan s = m.span(group);
  return text.substr(s.start, s.end - s.start);
}

// ---------------------------------------------------------------- calendar

// Proleptic Gregorian dates as day numbers (0 = 1970-01-01), so shifts cross
// month and year ends by plain addition.
struct CivilDate {
  std::int64_t year;
  std::int64_t month;
  std::int64_t day;
};

bool is_leap_year(std::int64_t y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

bool is_valid_date(std::int64_t y, std::int64_t m, std::int64_t d) {
  constexpr std::array<std::int64_t, 12> lengths = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (m < 1 || m > 12 || d < 1) return false;
  return d <= lengths[static_cast<std::size_t>(m - 1)] + (m == 2 && is_leap_year(y));
}

// Eras of 400 years repeat exactly; months are counted from March so that
// the leap day falls at the end of the counted year.
std::int64_t days_from_civil(std::int64_t y, std::int64_t m, std::int64_t d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const std::int64_t year_of_era = y - era * 400;
  const std::int64_t day_of_year = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const std::int64_t day_of_era =
      year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
  return era * 146097 + day_of_era - 719468;
}

CivilDate civil_from_days(std::int64_t days) {
  days += 719468;
  const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const std::int64_t day_of_era = days - era * 146097;
  const std::int64_t year_of_era =
      (day_of_era - day_of_era / 1460 + day_of_era / 36524 - day_of_era / 146096) / 365;
  const std::int64_t day_of_year =
      day_of_era - (365 * year_of_era + year_of_era / 4 - year_of_era / 100);
  const std::int64_t shifted_month = (5 * day_of_year + 2) / 153;
  const std::int64_t day = day_of_year - (153 * shifted_month + 2) / 5 + 1;
  const std::int64_t month = shifted_month < 10 ? shifted_month + 3 : shifted_month - 9;
  return {year_of_era + era * 400 + (month <= 2), month, day};
}

// ---------------------------------------------------------------- noise fakers

enum class DateForm { Chinese, YearFirst, Us };

struct DatePattern {
  DateForm form;
  std::shared_ptr<const Regex> regex;
  int year, month, day;
  int extra;  // the suffix (Chinese) or the first separator (year first)
};

const std::array<DatePattern, 3>& date_patterns() {
  static const std::array<DatePattern, 3> patterns = [] {
    auto make = [](DateForm form, std::string_view role, std::string_view source,
                   const char* extra) {
      auto regex = Regex::fixed("fakers", role, source);
      return DatePattern{form,
                         regex,
                         regex->group_number("y"),
                         regex->group_number("m"),
                         regex->group_number("d"),
                         extra ? regex->group_number(extra) : -1};
    };
    return std::array<DatePattern, 3>{
        make(DateForm::Chinese, "chinese date",
             R"((?P<y>\d{4})年(?P<m>\d{1,2})月(?P<d>\d{1,2})(?P<suffix>[日号]))", "suffix"),
        make(DateForm::YearFirst, "year-first date",
             R"((?P<y>\d{4})(?P<sep>[-/.])(?P<m>\d{1,2})[-/.](?P<d>\d{1,2}))", "sep"),
        make(DateForm::Us, "us date", R"((?P<m>\d{1,2})/(?P<d>\d{1,2})/(?P<y>\d{4}))", nullptr),
    };
  }();
  return patterns;
}

std::string format_date(DateForm form, const CivilDate& date, std::string_view extra) {
  switch (form) {
    case DateForm::Chinese:
      return zero_padded(date.year, 4) + "年" + std::to_string(date.month) + "月" +
             std::to_string(date.day) + std::string(extra);
    case DateForm::YearFirst:
      return zero_padded(date.year, 4) + std::string(extra) + zero_padded(date.month, 2) +
             std::string(extra) + zero_padded(date.day, 2);
    case DateForm::Us:
      return zero_padded(date.month, 2) + "/" + zero_padded(date.day, 2) + "/" +
             zero_padded(date.year, 4);
  }
  throw InternalFailure("fakers: unknown date form");
}

// k in -r..r, with 0 replaced by -z or +z on one more draw.
std::int64_t nonzero_shift(ShakeRng& rng, std::int64_t r, std::int64_t z) {
  std::int64_t k = rng.randint(-r, r);
  if (k == 0) k = rng.randint(0, 1) == 0 ? -z : z;
  return k;
}

Fake fake_date_noise(std::string_view value, ShakeRng& rng) {
  for (const DatePattern& pattern : date_patterns()) {
    Matcher m(*pattern.regex);
    auto found = m.search(value, 0);
    // A search that hits its step limit counts as no date, like no match.
    if (!found || !*found) continue;
    auto year = parse_decimal(group_text(value, m, pattern.year));
    auto month = parse_decimal(group_text(value, m, pattern.month));
    auto day = parse_decimal(group_text(value, m, pattern.day));
    if (!year || !month || !day || !is_valid_date(*year, *month, *day))
      return {std::string(value), {}};

    std::int64_t k = nonzero_shift(rng, 30, 7);
    CivilDate shifted = civil_from_days(days_from_civil(*year, *month, *day) + k);
    std::string_view extra = pattern.extra < 0 ? "" : group_text(value, m, pattern.extra);
    ByteSpan whole = m.span(0);
    return {std::string(value.substr(0, whole.start)) + format_date(pattern.form, shifted, extra) +
                std::string(value.substr(whole.end)),
            {}};
  }
  return {std::string(value), {}};
}

Fake fake_age_noise(std::string_view value, ShakeRng& rng) {
  const auto number = first_number(value);
  if (!number || !number->value) return {std::string(value), {}};
  const std::int64_t age = *number->value;

  constexpr std::int64_t oldest = 149;
  std::int64_t k = nonzero_shift(rng, 5, 1);
  // Capping first keeps the sum far from the 64-bit limit; any number above
  // the cap still lands on the oldest age.
  std::int64_t aged = std::clamp(std::min(age, oldest + 10) + k, std::int64_t{0}, oldest);
  const ByteSpan run = number->span;
  return {std::string(value.substr(0, run.start)) + std::to_string(aged) +
              std::string(value.substr(run.end)),
          {}};
}

// ---------------------------------------------------------------- reserved fakers

Fake fake_phone(std::string_view, ShakeRng& rng) { return {"19999" + rng.random_digits(6), {}}; }

Fake fake_phone_landline(std::string_view, ShakeRng& rng) {
  return {"099-" + rng.random_digits(8), {}};
}

Fake fake_id_number(std::string_view, ShakeRng& rng) {
  std::string body = "999" + rng.random_digits(3);
  body += zero_padded(rng.randint(1960, 2005), 4);
  body += zero_padded(rng.randint(1, 12), 2);
  body += zero_padded(rng.randint(1, 28), 2);
  body += zero_padded(rng.randint(0, 999), 3);
  return {body + gb11643_check_char(body), {}};
}

Fake fake_hkid(std::string_view, ShakeRng& rng) {
  const std::string& letter = zh_pools().hkid_letter;
  std::string digits = rng.random_digits(6);
  return {letter + digits + "(" + hkid_check_char(letter, digits) + ")", {}};
}

Fake fake_twid(std::string_view, ShakeRng& rng) {
  const std::string& letter = zh_pools().twid_letter;
  if (letter.size() != 1 || letter[0] < 'A' || letter[0] > 'Z') {
    throw InternalFailure("twid letter is one char");
  }
  std::string digits = rng.random_digits(8);
  return {letter + digits + static_cast<char>('0' + twid_check_digit(letter[0], digits)), {}};
}

Fake fake_macau_id(std::string_view, ShakeRng& rng) {
  std::string digits = rng.random_digits(6);
  std::int64_t check = rng.randint(0, 9);
  return {zh_pools().macau_lead + "/" + digits + "/" + std::to_string(check), {}};
}

Fake fake_taiwan_arc(std::string_view, ShakeRng& rng) {
  return {zh_pools().twarc_prefix + rng.random_digits(8), {}};
}

Fake fake_card(std::string_view, ShakeRng& rng) {
  std::string digits = "999999" + rng.random_digits(9);
  return {digits + static_cast<char>('0' + luhn_check_digit(digits)), {}};
}

Fake fake_passport(std::string_view, ShakeRng& rng) {
  const std::string& prefix = choose(zh_pools().passport_prefixes, rng);
  return {prefix + "99999" + rng.random_digits(3), {}};
}

Fake fake_license_plate(std::string_view, ShakeRng& rng) {
  const std::string& prefix = choose(zh_pools().plate_prefixes, rng);
  char letter = static_cast<char>('A' + rng.randint(0, 25));
  return {prefix + letter + "99999", {}};
}

Fake fake_address(std::string_view, ShakeRng& rng) {
  const ZhPools& pools = zh_pools();
  const City& city = choose(pools.cities, rng);
  const std::string& street = choose(city.streets, rng);
  std::string number = std::to_string(rng.randint(1, 999));
  Fake fake{city.city + city.district + street + number + "号", {}};
  auto entry = std::ranges::find_if(pools.street_aliases, [&](const StreetAliases& s) {
    return s.city == city.city && s.district == city.district && s.street == street;
  });
  if (entry != pools.street_aliases.end()) {
    for (const std::string& alias : entry->aliases) fake.aliases.push_back(number + " " + alias);
  }
  return fake;
}

Fake fake_person(std::string_view, ShakeRng& rng) {
  const ZhPools& pools = zh_pools();
  const std::string& name = choose(pools.names, rng);
  return {name, aliases_of(pools.name_aliases, name)};
}

Fake fake_phone_en(std::string_view, ShakeRng& rng) {
  return {"(555) 555-01" + zero_padded(rng.randint(0, 99), 2), {}};
}

Fake fake_ssn_en(std::string_view, ShakeRng& rng) {
  std::string group = zero_padded(rng.randint(1, 99), 2);
  std::string serial = zero_padded(rng.randint(1, 9999), 4);
  return {"999-" + group + "-" + serial, {}};
}

Fake fake_address_en(std::string_view, ShakeRng& rng) {
  const EnPools& pools = en_pools();
  const std::string& address = choose(pools.addresses, rng);
  return {address, aliases_of(pools.address_aliases, address)};
}

Fake fake_person_en(std::string_view, ShakeRng& rng) {
  const EnPools& pools = en_pools();
  const std::string& name = choose(pools.names, rng);
  return {name, aliases_of(pools.name_aliases, name)};
}

Fake fake_email(std::string_view, ShakeRng& rng) {
  std::string number = std::to_string(rng.randint(1000, 99999));
  return {"user" + number + "@" + choose(shared_pools().domains, rng), {}};
}

Fake fake_ip(std::string_view value, ShakeRng& rng) {
  if (value.contains(':')) {
    std::array<char, 8> hex{};
    auto [end, ec] = std::to_chars(hex.data(), hex.data() + hex.size(), rng.randint(1, 65535), 16);
    return {"2001:db8::" + std::string(hex.data(), end), {}};
  }
  const std::string& prefix = choose(shared_pools().ip_prefixes, rng);
  return {prefix + "." + std::to_string(rng.randint(1, 254)), {}};
}

Fake fake_mac(std::string_view, ShakeRng& rng) {
  constexpr std::string_view hex = "0123456789ABCDEF";
  auto byte = static_cast<std::size_t>(rng.randint(0, 255));
  return {shared_pools().mac_prefix + ":" + hex[byte >> 4] + hex[byte & 0xF], {}};
}

// ---------------------------------------------------------------- table

struct Row {
  std::string_view name;
  std::string_view type;
  std::string_view lang;
  Fake (*run)(std::string_view value, ShakeRng& rng);
};

constexpr std::array<Row, 22> ROWS = {{
    {"fake_phone_reserved", "phone", "zh", fake_phone},
    {"fake_phone_landline_reserved", "phone_landline", "zh", fake_phone_landline},
    {"fake_id_number_reserved", "id_number", "zh", fake_id_number},
    {"fake_hkid_reserved", "hk_id", "zh", fake_hkid},
    {"fake_twid_reserved", "tw_id", "zh", fake_twid},
    {"fake_macau_id_reserved", "macau_id", "zh", fake_macau_id},
    {"fake_taiwan_arc_reserved", "taiwan_arc", "zh", fake_taiwan_arc},
    {"fake_bank_card_reserved", "bank_card", "zh", fake_card},
    {"fake_passport_reserved", "passport", "zh", fake_passport},
    {"fake_license_plate_reserved", "license_plate", "zh", fake_license_plate},
    {"fake_address_reserved", "address", "zh", fake_address},
    {"fake_date_of_birth_noise", "date_of_birth", "zh", fake_date_noise},
    {"fake_person_reserved", "person", "zh", fake_person},
    {"fake_age_noise", "age", "zh", fake_age_noise},
    {"fake_phone_en_reserved", "phone", "en", fake_phone_en},
    {"fake_ssn_en_reserved", "ssn", "en", fake_ssn_en},
    {"fake_credit_card_en_reserved", "credit_card", "en", fake_card},
    {"fake_address_en_reserved", "address", "en", fake_address_en},
    {"fake_person_en_reserved", "person", "en", fake_person_en},
    {"fake_email_reserved", "email", "shared", fake_email},
    {"fake_ip_reserved", "ip_address", "shared", fake_ip},
    {"fake_mac_reserved", "mac_address", "shared", fake_mac},
}};

constexpr std::array<std::string_view, ROWS.size()> NAMES = [] {
  std::array<std::string_view, ROWS.size()> names{};
  for (std::size_t i = 0; i < ROWS.size(); ++i) names[i] = ROWS[i].name;
  return names;
}();

constexpr int MAX_ATTEMPTS = 10;

}  // namespace

std::optional<std::string_view> builtin_faker_name(std::string_view type, std::string_view lang) {
  auto row =
      std::ranges::find_if(ROWS, [&](const Row& r) { return r.type == type && r.lang == lang; });
  if (row == ROWS.end()) return std::nullopt;
  return row->name;
}

std::span<const std::string_view> builtin_faker_names() { return NAMES; }

std::optional<Faker> builtin_faker(std::string_view name) {
  auto row = std::ranges::find(ROWS, name, &Row::name);
  if (row == ROWS.end()) return std::nullopt;
  return Faker([run = row->run](std::string_view value, ShakeRng& rng) -> Result<Fake> {
    return run(value, rng);
  });
}

Result<Faker> resolve_faker(std::string_view name) {
  if (auto faker = builtin_faker(name)) return std::move(*faker);
  return fail("unknown faker: " + std::string(name));
}

Result<Fake> generate_unique_fake(const Faker& faker, std::string_view value, std::string_view type,
                                  std::string_view salt, const StringSet& used) {
  std::string seed_input(value);
  for (int attempt = 0; attempt < MAX_ATTEMPTS; ++attempt) {
    ShakeRng rng(seed_from_value(seed_input, type, salt));
    Result<Fake> fake = faker(value, rng);
    if (!fake) return fake;
    if (fake->text != value && !used.contains(fake->text)) return fake;
    seed_input.push_back('#');
    seed_input += std::to_string(attempt);
  }
  return fail("Could not generate unique fake for " + std::string(type) + " after " +
              std::to_string(MAX_ATTEMPTS) + " attempts");
}

}  // namespace vexil::core

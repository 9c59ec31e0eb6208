// Entity hash (SipHash-1-3, zero key) and the identifier type set.
#include "entity.hpp"

#include <array>
#include <string>
#include <unordered_set>

namespace vexil::core {

namespace {

std::uint64_t rotl(std::uint64_t x, int b) { return (x << b) | (x >> (64 - b)); }

// Streaming SipHash-1-3 keyed with zeros.
class SipHash13 {
 public:
  void write(std::string_view bytes) {
    for (unsigned char c : bytes) write_byte(c);
  }
  void write_byte(unsigned char c) {
    tail_ |= static_cast<std::uint64_t>(c) << (8 * (length_ % 8));
    ++length_;
    if (length_ % 8 == 0) {
      compress(tail_);
      tail_ = 0;
    }
  }
  void write_u64_le(std::uint64_t value) {
    for (int i = 0; i < 8; ++i) write_byte(static_cast<unsigned char>(value >> (8 * i)));
  }
  std::uint64_t finish() {
    compress(tail_ | (static_cast<std::uint64_t>(length_ & 0xFF) << 56));
    v_[2] ^= 0xFF;
    for (int i = 0; i < 3; ++i) round();
    return v_[0] ^ v_[1] ^ v_[2] ^ v_[3];
  }

 private:
  // clang-format off
  void round() {
    v_[0] += v_[1]; v_[1] = rotl(v_[1], 13); v_[1] ^= v_[0]; v_[0] = rotl(v_[0], 32);
    v_[2] += v_[3]; v_[3] = rotl(v_[3], 16); v_[3] ^= v_[2];
    v_[0] += v_[3]; v_[3] = rotl(v_[3], 21); v_[3] ^= v_[0];
    v_[2] += v_[1]; v_[1] = rotl(v_[1], 17); v_[1] ^= v_[2]; v_[2] = rotl(v_[2], 32);
  }
  // clang-format on
  void compress(std::uint64_t m) {
    v_[3] ^= m;
    round();
    v_[0] ^= m;
  }

  std::array<std::uint64_t, 4> v_{0x736f6d6570736575ULL, 0x646f72616e646f6dULL,
                                  0x6c7967656e657261ULL, 0x7465646279746573ULL};
  std::uint64_t tail_ = 0;
  std::uint64_t length_ = 0;
};

}  // namespace

std::uint64_t entity_hash(std::string_view text, std::string_view type, std::uint64_t start,
                          std::uint64_t end) {
  SipHash13 hasher;
  hasher.write(text);
  hasher.write_byte(0xFF);
  hasher.write(type);
  hasher.write_byte(0xFF);
  hasher.write_u64_le(start);
  hasher.write_u64_le(end);
  return hasher.finish();
}

bool is_identifier_type(std::string_view type) {
  // clang-format off
  static const std::unordered_set<std::string_view> PII_IDENTIFIER_TYPES{
      "person",       "email",        "phone",           "wechat",         "qq",
      "id_number",    "hk_id",        "tw_id",           "macau_id",       "taiwan_arc",
      "ssn",          "aadhaar",      "pan",             "cpf",            "nino",
      "nhs_number",   "tax_id",       "my_number",       "rrn",            "bank_card",
      "credit_card",  "iban",         "passport",        "us_passport",    "eep",
      "hrp",          "address",      "postcode",        "license_plate",  "military_id",
      "social_security", "housing_fund", "date_of_birth"};
  // clang-format on
  return PII_IDENTIFIER_TYPES.contains(type);
}

}  // namespace vexil::core

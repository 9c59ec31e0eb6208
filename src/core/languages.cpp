// Language detection by character classes only: kana means Japanese, hangul
// Korean, other Han Chinese, three ASCII letters English.
#include "languages.hpp"

#include "text.hpp"

namespace vexil::core {

namespace {

bool is_ascii_letter(char32_t c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

}  // namespace

std::vector<std::string> detect_languages(std::string_view text) {
  if (text.empty()) return {"zh"};
  if (is_ascii(text)) {
    int letters = 0;
    for (char c : text) {
      if (is_ascii_letter(static_cast<unsigned char>(c)) && ++letters == 3) return {"en"};
    }
    return {"zh"};
  }
  bool kana = false, hangul = false, han = false;
  int latin = 0;
  for (std::size_t pos = 0; pos < text.size();) {
    const char32_t c = decode_utf8(text, pos);
    kana |= c >= 0x3040 && c <= 0x30FF;
    hangul |= c >= 0xAC00 && c <= 0xD7A3;
    han |= c >= 0x4E00 && c <= 0x9FFF;
    latin += is_ascii_letter(c);
  }
  std::vector<std::string> codes;
  if (kana) codes.emplace_back("ja");
  if (hangul) codes.emplace_back("ko");
  if (han && !kana && !hangul) codes.emplace_back("zh");
  if (latin >= 3) codes.emplace_back("en");
  if (codes.empty()) codes.emplace_back("zh");
  return codes;
}

}  // namespace vexil::core

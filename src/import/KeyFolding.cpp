#include "import/KeyFolding.h"

namespace velra {

namespace {

// The second byte of a two-byte UTF-8 letter U+00C0 to U+00FF that every company database
// compares as the accented letter it is. Left out: Æ æ, Ð ð, Ø ø, Þ þ and ß (which some
// comparisons spell out in two letters or take for another letter), × and ÷.
bool IsAccentedLetter(unsigned char second) {
  if (second < 0x80 || second > 0xBF) return false;
  switch (second) {
    case 0x86:  // Æ
    case 0x90:  // Ð
    case 0x97:  // ×
    case 0x98:  // Ø
    case 0x9E:  // Þ
    case 0x9F:  // ß
    case 0xA6:  // æ
    case 0xB0:  // ð
    case 0xB7:  // ÷
    case 0xB8:  // ø
    case 0xBE:  // þ
      return false;
    default:
      return true;
  }
}

}  // namespace

std::optional<std::string> FoldedKey(std::string_view text) {
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  std::string folded;
  folded.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c >= 0x20 && c < 0x7F) {
      folded.push_back(c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : text[i]);
      continue;
    }
    if (c != 0xC3 || i + 1 == text.size()) return std::nullopt;
    auto second = static_cast<unsigned char>(text[++i]);
    if (!IsAccentedLetter(second)) return std::nullopt;
    // The capitals U+00C0 to U+00DE lie 0x20 below their small letters.
    if (second < 0xA0) second = static_cast<unsigned char>(second + 0x20);
    folded.push_back(static_cast<char>(0xC3));
    folded.push_back(static_cast<char>(second));
  }
  return folded;
}

}  // namespace velra

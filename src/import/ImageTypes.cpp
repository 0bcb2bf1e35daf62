#include "import/ImageTypes.h"

#include <cstdint>
#include <string_view>

namespace velra {
namespace {

bool StartsWith(std::span<const unsigned char> head, std::string_view magic, size_t at = 0) {
  if (head.size() < at + magic.size()) return false;
  for (size_t i = 0; i < magic.size(); ++i)
    if (head[at + i] != static_cast<unsigned char>(magic[i])) return false;
  return true;
}

// "BM" alone would let any text that starts with those letters through: the header that follows
// has one of the sizes of the known bitmap headers.
bool IsBitmap(std::span<const unsigned char> head) {
  if (!StartsWith(head, "BM") || head.size() < 18) return false;
  const uint32_t size = head[14] | head[15] << 8 | head[16] << 16 | uint32_t{head[17]} << 24;
  for (uint32_t known : {12u, 40u, 52u, 56u, 64u, 108u, 124u})
    if (size == known) return true;
  return false;
}

}  // namespace

bool IsKnownImage(std::span<const unsigned char> head) {
  using namespace std::string_view_literals;
  return StartsWith(head, "\xFF\xD8\xFF"sv) || StartsWith(head, "\x89PNG\r\n\x1A\n"sv) ||
         StartsWith(head, "GIF87a"sv) || StartsWith(head, "GIF89a"sv) || IsBitmap(head) ||
         StartsWith(head, "II*\0"sv) || StartsWith(head, "MM\0*"sv) ||
         (StartsWith(head, "RIFF"sv) && StartsWith(head, "WEBP"sv, 8));
}

}  // namespace velra

#pragma once
// The picture formats an article picture may have, told by the first bytes of the file: a file
// named .jpg that holds a web page or a text is no picture.

#include <cstddef>
#include <span>

namespace velra {

// How many bytes of the start of a file the test needs.
inline constexpr size_t kImageHeadBytes = 32;

// True when `head` (the start of a file, at most kImageHeadBytes are looked at) begins like a
// JPEG, PNG, GIF, BMP, TIFF or WebP image.
bool IsKnownImage(std::span<const unsigned char> head);

}  // namespace velra

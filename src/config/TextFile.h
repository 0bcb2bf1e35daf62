#pragma once
// Reading and rewriting the suite's small text files (ini files, the matching file).

#include <optional>
#include <string>
#include <vector>

#include "config/Encoding.h"

namespace velra {

struct TextDocument {
  std::vector<std::string> lines;  // UTF-8, without line ends
  TextEncoding encoding = TextEncoding::Utf8;
  std::string lineEnd = "\r\n";  // the first line end found in the file; CR LF for new files
};

// Configuration files are small; anything larger is refused rather than read into memory.
constexpr size_t kMaxTextFileSize = 16u * 1024u * 1024u;

// Reads a regular file. Lines end at CR LF, LF or CR. On failure returns nullopt and, when
// `error` is given, a German sentence naming the file.
std::optional<TextDocument> ReadTextFile(const std::string& path, std::string* error = nullptr);

// Writes the lines, each followed by the document's line end, in the document's encoding, to a
// temporary file in the same folder that then replaces `path`, so that a crash leaves either the
// old or the new file. Returns false with a German sentence in `error` on failure.
bool WriteTextFileAtomically(const std::string& path, const TextDocument& document,
                             std::string* error = nullptr);

}  // namespace velra

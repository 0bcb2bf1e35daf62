#include "source/SourceEncoding.h"

#include "base/Text.h"
#include "source/SourceError.h"
#include "source/SourceTexts.h"

namespace velra {

EncodingChoice EncodingChoiceOf(const std::string& name) {
  const std::string trimmed = Trim(name);
  if (trimmed.empty() || EqualsIgnoreCase(trimmed, text_encoding::kAuto))
    return EncodingChoice::Auto;
  if (EqualsIgnoreCase(trimmed, text_encoding::kUtf8)) return EncodingChoice::Utf8;
  if (EqualsIgnoreCase(trimmed, text_encoding::kWindows1252)) return EncodingChoice::Windows1252;
  if (EqualsIgnoreCase(trimmed, text_encoding::kCp850)) return EncodingChoice::Cp850;
  throw SourceError(SourceErrorCode::Unsupported, Fill(source_texts::kUnknownEncoding, {name}));
}

}  // namespace velra

#include "source/SourceEncoding.h"

#include "base/Text.h"
#include "source/SourceError.h"

namespace velra {

EncodingChoice EncodingChoiceOf(const std::string& name) {
  const std::string trimmed = Trim(name);
  if (trimmed.empty() || EqualsIgnoreCase(trimmed, text_encoding::kAuto))
    return EncodingChoice::Auto;
  if (EqualsIgnoreCase(trimmed, text_encoding::kUtf8)) return EncodingChoice::Utf8;
  if (EqualsIgnoreCase(trimmed, text_encoding::kWindows1252)) return EncodingChoice::Windows1252;
  if (EqualsIgnoreCase(trimmed, text_encoding::kCp850)) return EncodingChoice::Cp850;
  throw SourceError(SourceErrorCode::Unsupported,
                    "Die Zeichenkodierung '" + name +
                        "' ist unbekannt; möglich sind 'auto', 'utf-8', 'windows-1252' und "
                        "'cp850'.");
}

}  // namespace velra

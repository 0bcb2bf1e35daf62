#include "app/LoadNotesText.h"

#include <algorithm>

#include "app/AppTexts.h"
#include "base/Text.h"

namespace velra {

std::string LoadNotesText(const LoadReport& notes) {
  if (notes.warnings.empty()) return {};
  std::string text = texts::kLoadNotes;
  const size_t shown = std::min<size_t>(notes.warnings.size(), 10);
  for (size_t i = 0; i < shown; ++i) {
    const SourceWarning& note = notes.warnings[i];
    text += "\r\n";
    if (note.line > 0) text += "Zeile " + std::to_string(note.line) + ": ";
    text += note.text;
  }
  const size_t more = notes.warnings.size() - shown + notes.moreWarnings;
  if (more > 0) text += "\r\n" + Fill(texts::kMoreNotes, {std::to_string(more)});
  return text;
}

}  // namespace velra

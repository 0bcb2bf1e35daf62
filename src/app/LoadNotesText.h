#pragma once
// What loading a file noticed, as the one message the user reads before mapping.

#include <string>

#include "source/SourceReader.h"

namespace velra {

// The first ten notes with their lines and how many more there are; empty without notes.
std::string LoadNotesText(const LoadReport& notes);

}  // namespace velra

#pragma once
// The demo's dBase sample: the article sample as an old merchandise system would export it.

#include <string>

#include "demo/DemoError.h"
#include "source/SourceTable.h"

namespace velra {

// Writes the articles (as loaded from the article CSV sample) to a dBase III table in
// Windows-1252, with the short upper-case field names of such exports. Throws DemoError.
void WriteArticleDbf(const SourceTable& articles, const std::string& path);

}  // namespace velra

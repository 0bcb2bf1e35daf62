#pragma once
// Key texts compared without the database. SQLite, PostgreSQL (collation "nocase") and SQL Server
// each compare text in their own way: letter case counts or not, trailing spaces count or not,
// "ß" may equal "ss", a combining accent may equal the accented letter. For printable ASCII and
// the accented Latin-1 letters they agree on this much: two texts they take as equal have the
// same folded key (letter case and trailing spaces aside). Texts with other characters may equal
// quite different texts, and only the database can tell.

#include <optional>
#include <string>
#include <string_view>

namespace velra {

// The folded key: trailing spaces dropped, capitals as small letters. Nullopt for a text with
// any character outside printable ASCII and the accented Latin-1 letters (such as "ß", "æ", a
// combining mark, a control character or invalid UTF-8).
std::optional<std::string> FoldedKey(std::string_view text);

}  // namespace velra

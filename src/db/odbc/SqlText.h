#pragma once
// The shape of SQL text, found without a parser: what is code, which table an INSERT fills.

#include <optional>
#include <string>
#include <string_view>

#include "db/ConnectionParameters.h"

namespace velra::odbc {

// The text with everything that is no SQL code of its own (quoted texts and names, comments)
// blanked out, so that keywords, ';' and "GO" can be searched for without a parser. Line
// breaks stay, and every position stays where it is.
std::string CodeOnly(std::string_view sql, BackendKind kind);

// Whether the statement (its CodeOnly) creates, alters or drops something.
bool IsSchemaChange(const std::string& code);

// The table of "INSERT INTO <table> ..." as one statement without a result of its own; the
// name after the last dot of a qualified name, its quotes removed. `code` is CodeOnly(sql).
std::optional<std::string> InsertTable(std::string_view sql, const std::string& code,
                                       BackendKind kind);

// The statement without what follows its last piece of code (a ';', blanks, a comment).
std::string_view WithoutTail(std::string_view sql, const std::string& code);

}  // namespace velra::odbc

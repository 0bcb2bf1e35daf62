#pragma once
// Access databases (.mdb, Jet 3 and Jet 4) with their database password.

#include <memory>
#include <optional>
#include <string>

#include "source/SourceReader.h"

namespace velra {

// The database password stored in the file's header page; empty when it has none. Throws
// SourceError when the file is no Access database.
std::string StoredAccessPassword(const std::string& path);

// Opens the database when `password` equals the stored one exactly (letter case counts);
// throws SourceError with SourceErrorCode::WrongPassword otherwise, and other SourceErrors when
// the file cannot be read.
std::unique_ptr<SourceReader> OpenAccessDatabase(const std::string& path,
                                                 const std::string& password);

// The prompts of the password flow; the wizard's dialogs stand behind it.
class PasswordPrompter {
 public:
  virtual ~PasswordPrompter() = default;
  // An input box; nullopt when cancelled.
  virtual std::optional<std::string> AskPassword(const std::string& title,
                                                 const std::string& prompt) = 0;
  virtual void Warning(const std::string& title, const std::string& text) = 0;
  virtual void Error(const std::string& title, const std::string& text) = 0;
};

struct AccessOpenResult {
  std::unique_ptr<SourceReader> reader;  // null when the source stays closed
  bool passwordRefused = false;          // the user gave up on the password: forget the file
};

// Opens an Access source as the wizard does: first with `password` (the password that worked last
// time, empty at first); on a wrong password it asks, up to four times, with "Versuch: 1" to
// "Versuch: 3" on the later prompts and a warning after each wrong answer, and gives up with an
// error. A password that works is left in `password`. Other failures are shown as
// "Fehlernummer: ...".
AccessOpenResult OpenAccessWithPassword(const std::string& path, std::string& password,
                                        PasswordPrompter& prompter);

}  // namespace velra

#pragma once
// Failures of opening or reading a source file, with a number and a German description. The
// numbers are our own, except the one for a wrong database password, which keeps the value the
// suite's users know from the Windows provider.

#include <cstdint>
#include <stdexcept>
#include <string>

namespace velra {

enum class SourceErrorCode : int64_t {
  FileMissing = 3001,
  FileUnreadable = 3002,
  WrongFormat = 3003,  // not a file of the chosen format, or damaged
  TooLarge = 3004,     // beyond the limits that keep memory bounded
  TableMissing = 3005,
  Unsupported = 3006,  // a variant of the format we cannot read (e.g. an encrypted workbook)
  WrongPassword = 0x80040E4D,
};

class SourceError : public std::runtime_error {
 public:
  SourceError(SourceErrorCode code, const std::string& description)
      : std::runtime_error(description), code_(code) {}
  SourceErrorCode Code() const { return code_; }
  int64_t Number() const { return static_cast<int64_t>(code_); }
  // "Fehlernummer: <number> " + CR LF + CR LF + description, as the wizard shows it.
  std::string Message() const {
    return "Fehlernummer: " + std::to_string(Number()) + " \r\n\r\n" + what();
  }

 private:
  SourceErrorCode code_;
};

}  // namespace velra

#pragma once
// The records of an Excel 5.0 to 2003 workbook stream (BIFF5 and BIFF8) that carry cell values,
// read without any library. Used only by the .xls reader.

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace velra::biff {

// Why a stream cannot be read; the reader turns it into the German message.
enum class Failure { Damaged, Encrypted };

class BiffError : public std::runtime_error {
 public:
  explicit BiffError(Failure failure)
      : std::runtime_error("unreadable workbook stream"), failure_(failure) {}
  Failure Reason() const { return failure_; }

 private:
  Failure failure_;
};

// How a number format shows a number; a percentage shows it times 100 with "%".
enum class FormatKind : uint8_t { Number, Date, Time, Boolean, Percentage };

struct SheetEntry {
  std::string name;     // UTF-8
  uint32_t offset = 0;  // of the sheet's BOF record in the stream
  bool worksheet = false;
};

// What the workbook globals say.
struct Globals {
  bool biff8 = true;
  bool date1904 = false;
  int codePage = 1252;  // of 8-bit strings in BIFF5
  std::vector<SheetEntry> sheets;
  std::vector<FormatKind> xfKinds;  // by XF index
  // The shared strings, one after another in `sstText`; string i ends at sstEnds[i].
  std::string sstText;
  std::vector<uint32_t> sstEnds;

  size_t SharedStringCount() const { return sstEnds.size(); }
  std::string_view SharedString(size_t i) const;
  FormatKind KindOfXf(uint16_t xf) const {
    return xf < xfKinds.size() ? xfKinds[xf] : FormatKind::Number;
  }
};

// Reads the workbook globals at the start of `stream`. Throws BiffError.
Globals ReadGlobals(std::string_view stream);

enum class CellKind : uint8_t {
  Number,        // `number`, shown by the format of `xf`
  SharedString,  // `index` into the shared strings
  Text,          // `index` into SheetCells::texts
  Boolean,       // `code` 0 or 1
  Error,         // `code` the Excel error code
  NoResult,      // a formula whose result the file does not hold
  NoText,        // a shared string index beyond the table
};

struct Cell {
  uint16_t row = 0;  // from 0
  uint16_t col = 0;  // from 0
  uint16_t xf = 0;
  CellKind kind = CellKind::Number;
  uint8_t code = 0;
  union {
    double number;
    uint32_t index;
  };
  Cell() : number(0) {}
};

struct SheetCells {
  std::vector<Cell> cells;  // only cells with a value, sorted by row and column, each once
  std::vector<std::string> texts;
};

// Reads the cells of the sheet whose BOF record is at `offset`. Empty strings and blank cells
// count as no value; of two records for one cell the later counts. Throws BiffError.
SheetCells ReadSheet(std::string_view stream, const Globals& globals, uint32_t offset);

}  // namespace velra::biff

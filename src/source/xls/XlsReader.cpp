#include "source/xls/XlsReader.h"

#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-stdio.h>
#include <gsf/gsf-input.h>
#include <gsf/gsf-utils.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <limits>
#include <memory>
#include <mutex>

#include "base/Regional.h"
#include "base/Text.h"
#include "config/Messages.h"
#include "source/ExcelDates.h"
#include "source/SourceError.h"
#include "source/xls/Biff.h"

namespace velra {

namespace {

// Texts for the user; %1, %2 ... are filled by Fill (base/Text.h).
constexpr std::string_view kEmptyFile = "Die Datei '%1' ist leer.";
constexpr std::string_view kNotAWorkbook =
    "Die Datei '%1' ist keine Excel-Arbeitsmappe im Format Excel 97-2003 (.xls).";
constexpr std::string_view kNewerFormat =
    "Die Datei '%1' ist eine Arbeitsmappe im Format Excel 2007 oder neuer. Bitte wählen Sie sie "
    "mit der Dateiendung .xlsx aus.";
constexpr std::string_view kOlderFormat =
    "Die Arbeitsmappe '%1' wurde mit einer Excel-Version vor Excel 5.0 gespeichert und kann nicht "
    "gelesen werden. Bitte speichern Sie sie im Format Excel 97-2003.";
constexpr std::string_view kDamaged =
    "Die Excel-Arbeitsmappe '%1' ist beschädigt oder unvollständig und kann nicht gelesen werden.";
constexpr std::string_view kEncrypted =
    "Die Arbeitsmappe '%1' ist kennwortgeschützt und kann nicht gelesen werden. Bitte speichern "
    "Sie sie in Excel ohne Kennwortschutz (auch ohne Schutz der Arbeitsmappe) und wählen Sie sie "
    "erneut aus.";
constexpr std::string_view kSheetMissing = "Die Arbeitsmappe '%1' enthält kein Tabellenblatt '%2'.";
constexpr std::string_view kTooManyColumns =
    "Das Tabellenblatt '%1' der Arbeitsmappe '%2' hat mehr als %3 Spalten und kann nicht geladen "
    "werden.";
constexpr std::string_view kTooManyCells =
    "Das Tabellenblatt '%1' der Arbeitsmappe '%2' ist zu groß, um geladen zu werden.";
constexpr std::string_view kErrorValue =
    "Zelle %1 (Spalte '%2'): Der Fehlerwert %3 wird als leere Zelle übernommen.";
constexpr std::string_view kNoResult =
    "Zelle %1 (Spalte '%2'): Die Formel hat kein gespeichertes Ergebnis; die Zelle bleibt leer.";
constexpr std::string_view kNoText =
    "Zelle %1 (Spalte '%2'): Der Text der Zelle fehlt in der Datei; die Zelle bleibt leer.";
constexpr std::string_view kInvalidDate =
    "Zelle %1 (Spalte '%2'): Die Zahl %3 ist als Datum formatiert, aber kein gültiges Datum; sie "
    "wird als Zahl übernommen.";
constexpr std::string_view kHeaderUnreadable =
    "Zelle %1: Die Überschrift ist nicht lesbar (%2); die Spalte heißt '%3'.";
constexpr std::string_view kHeaderNoValue = "kein gespeicherter Wert";
constexpr std::string_view kTrue = "WAHR", kFalse = "FALSCH";

// The error values as German Excel shows them.
std::string_view ErrorName(uint8_t code) {
  switch (code) {
    case 0x00:
      return "#NULL!";
    case 0x07:
      return "#DIV/0!";
    case 0x0F:
      return "#WERT!";
    case 0x17:
      return "#BEZUG!";
    case 0x1D:
      return "#NAME?";
    case 0x24:
      return "#ZAHL!";
    case 0x2A:
      return "#NV";
    case 0x2B:
      return "#DATEN_ABRUFEN";
    default:
      return "#FEHLER";
  }
}

[[noreturn]] void Fail(SourceErrorCode code, std::string_view pattern, const std::string& path) {
  throw SourceError(code, Fill(pattern, {path}));
}

// More cells than an Excel 97-2003 sheet can hold means a damaged or hostile file; the table
// would need gigabytes for cells that are almost all empty.
constexpr uint64_t kMaxCells = uint64_t{65536} * 256;
constexpr size_t kProgressRows = 4096;
constexpr size_t kReadChunk = size_t{1} << 20;

struct GObjectUnref {
  void operator()(void* object) const {
    if (object) g_object_unref(object);
  }
};
template <typename T>
using GPtr = std::unique_ptr<T, GObjectUnref>;

bool IsOle2(const unsigned char* head) {
  static const unsigned char kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
  return std::memcmp(head, kSignature, 8) == 0;
}

[[noreturn]] void FailUnreadable(const std::string& path, int error, FILE* file = nullptr) {
  if (file) std::fclose(file);
  throw SourceError(SourceErrorCode::FileUnreadable, messages::FileUnreadable(path, error));
}

// Opens the file and gives the compound file's workbook stream; plain BIFF files of Excel 2 to 4
// and zip packages get their own message.
std::string ReadWorkbookStream(const std::string& path) {
  static std::once_flag gsfReady;
  std::call_once(gsfReady, [] {
    gsf_init();
    // libgsf complains on stderr about every damaged compound file; we report those ourselves.
    for (const char* domain : {"libgsf", "libgsf:msole"})
      g_log_set_handler(
          domain,
          static_cast<GLogLevelFlags>(G_LOG_LEVEL_CRITICAL | G_LOG_LEVEL_WARNING |
                                      G_LOG_LEVEL_MESSAGE),
          [](const gchar*, GLogLevelFlags, const gchar*, gpointer) {}, nullptr);
  });

  FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) {
    if (errno == ENOENT)
      throw SourceError(SourceErrorCode::FileMissing, messages::FileMissing(path));
    FailUnreadable(path, errno);
  }
  struct stat status {};
  if (::fstat(fileno(file), &status) != 0) FailUnreadable(path, errno, file);
  if (!S_ISREG(status.st_mode)) {
    std::fclose(file);
    throw SourceError(SourceErrorCode::FileUnreadable, messages::NotARegularFile(path));
  }
  unsigned char head[8] = {};
  size_t headLength = std::fread(head, 1, sizeof head, file);
  if (std::ferror(file)) FailUnreadable(path, EIO, file);
  if (headLength < sizeof head || !IsOle2(head)) {
    std::fclose(file);
    if (headLength == 0) Fail(SourceErrorCode::WrongFormat, kEmptyFile, path);
    if (headLength >= 4 && std::memcmp(head, "PK\3\4", 4) == 0)
      Fail(SourceErrorCode::WrongFormat, kNewerFormat, path);
    bool oldBof = head[0] == 0x09 && (head[1] <= 0x04 || head[1] == 0x08) && head[3] == 0;
    if (headLength >= 4 && oldBof) Fail(SourceErrorCode::Unsupported, kOlderFormat, path);
    Fail(SourceErrorCode::WrongFormat, kNotAWorkbook, path);
  }
  std::rewind(file);
  GPtr<GsfInput> input(gsf_input_stdio_new_FILE(path.c_str(), file, FALSE));  // owns `file` now
  if (!input) FailUnreadable(path, EIO, file);
  GError* error = nullptr;
  GPtr<GsfInfile> ole(gsf_infile_msole_new(input.get(), &error));
  if (error) g_error_free(error);
  if (!ole) Fail(SourceErrorCode::WrongFormat, kDamaged, path);

  // Excel 97 may write both streams; "Workbook" is the newer one.
  int index = -1;
  for (const char* name : {"Workbook", "Book"}) {
    for (int i = 0; i < gsf_infile_num_children(ole.get()) && index < 0; ++i) {
      const char* childName = gsf_infile_name_by_index(ole.get(), i);
      if (childName && g_ascii_strcasecmp(childName, name) == 0) index = i;
    }
  }
  if (index < 0) Fail(SourceErrorCode::WrongFormat, kNotAWorkbook, path);
  GPtr<GsfInput> stream(gsf_infile_child_by_index(ole.get(), index));
  if (!stream) Fail(SourceErrorCode::WrongFormat, kDamaged, path);

  // The stream lies inside the file; a larger claimed size is damage.
  gsf_off_t size = gsf_input_size(stream.get());
  if (size <= 0 || size > status.st_size || size > std::numeric_limits<uint32_t>::max())
    Fail(SourceErrorCode::WrongFormat, kDamaged, path);
  std::string bytes(static_cast<size_t>(size), '\0');
  for (size_t done = 0; done < bytes.size();) {
    size_t chunk = std::min(kReadChunk, bytes.size() - done);
    if (!gsf_input_read(stream.get(), chunk, reinterpret_cast<guint8*>(bytes.data() + done)))
      Fail(SourceErrorCode::WrongFormat, kDamaged, path);
    done += chunk;
  }
  return bytes;
}

// "A1" style address of a cell, both counted from 0.
std::string CellAddress(uint32_t row, uint32_t col) {
  std::string letters;
  for (uint32_t n = col + 1; n > 0; n = (n - 1) / 26)
    letters.insert(letters.begin(), static_cast<char>('A' + (n - 1) % 26));
  return letters + std::to_string(row + 1);
}

std::string TwoDigits(int n) {
  return (n < 10 ? "0" : "") + std::to_string(n);
}

// A header cell as the user sees it in the sheet.
std::string HeaderText(const Value& value) {
  switch (value.GetType()) {
    case Value::Type::Boolean:
      return std::string(value.AsBool() ? kTrue : kFalse);
    case Value::Type::Double: {
      std::string text = value.ToText();
      size_t point = text.find('.');
      if (point != std::string::npos)
        text.replace(point, 1, RegionalSettings::FromSystem().DecimalSeparator());
      return text;
    }
    case Value::Type::Date: {
      const DateTime& d = value.AsDate();
      std::string time = TwoDigits(d.Hour) + ":" + TwoDigits(d.Minute) + ":" + TwoDigits(d.Second);
      if (d.Year == 1899 && d.Month == 12 && d.Day == 30) return time;  // a time of day alone
      std::string date = RegionalSettings::FromSystem().FormatShortDate(d);
      return d.HasTime() ? date + " " + time : date;
    }
    default:
      return value.ToText();
  }
}

class XlsWorkbook : public SourceReader {
 public:
  XlsWorkbook(std::string path, std::string stream, biff::Globals globals)
      : path_(std::move(path)), stream_(std::move(stream)), globals_(std::move(globals)) {}

  std::vector<std::string> Tables() override {
    std::vector<std::string> names;
    for (const biff::SheetEntry& sheet : globals_.sheets)
      if (sheet.worksheet) names.push_back(sheet.name);
    return names;
  }

  void Load(const std::string& table, const LoadOptions& options, SourceTable& out,
            LoadReport& report) override {
    out.Clear();
    const biff::SheetEntry* sheet = FindSheet(table);
    if (!sheet)
      throw SourceError(SourceErrorCode::TableMissing, Fill(kSheetMissing, {path_, table}));
    biff::SheetCells cells;
    try {
      cells = biff::ReadSheet(stream_, globals_, sheet->offset);
    } catch (const biff::BiffError&) {
      Fail(SourceErrorCode::WrongFormat, kDamaged, path_);
    }
    try {
      FillTable(*sheet, cells, options, out, report);
    } catch (...) {
      out.Clear();
      throw;
    }
  }

 private:
  // Sheet names compare as Excel compares them, ignoring case; the wizard's query form "[Name]"
  // and the Windows provider's catalog form "Name$" name the same sheet.
  const biff::SheetEntry* FindSheet(std::string_view name) const {
    for (int attempt = 0; attempt < 3; ++attempt) {
      for (const biff::SheetEntry& sheet : globals_.sheets)
        if (sheet.worksheet && EqualsIgnoreCase(sheet.name, name)) return &sheet;
      if (attempt == 0 && name.size() >= 2 && name.front() == '[' && name.back() == ']')
        name = name.substr(1, name.size() - 2);
      else if (attempt == 1 && !name.empty() && name.back() == '$')
        name.remove_suffix(1);
    }
    return nullptr;
  }

  void FillTable(const biff::SheetEntry& sheet, const biff::SheetCells& sheetCells,
                 const LoadOptions& options, SourceTable& out, LoadReport& report) const {
    const std::vector<biff::Cell>& cells = sheetCells.cells;
    if (cells.empty()) return;
    // The used range: from the first to the last row and column that hold a value.
    uint32_t firstRow = cells.front().row, lastRow = cells.back().row;
    uint32_t firstCol = cells.front().col, lastCol = firstCol;
    for (const biff::Cell& cell : cells) {
      firstCol = std::min<uint32_t>(firstCol, cell.col);
      lastCol = std::max<uint32_t>(lastCol, cell.col);
    }
    size_t width = lastCol - firstCol + 1;
    if (width > kMaxSourceColumns)
      throw SourceError(
          SourceErrorCode::TooLarge,
          Fill(kTooManyColumns, {sheet.name, path_, std::to_string(kMaxSourceColumns)}));
    if (uint64_t{width} * (lastRow - firstRow + 1) > kMaxCells)
      throw SourceError(SourceErrorCode::TooLarge, Fill(kTooManyCells, {sheet.name, path_}));

    size_t next = 0;
    std::vector<std::string> names(width);
    if (options.firstRowHasNames) {
      for (; next < cells.size() && cells[next].row == firstRow; ++next) {
        const biff::Cell& cell = cells[next];
        size_t column = cell.col - firstCol + 1;
        Converted header = Convert(cell, sheetCells);
        if (header.problem != Problem::None && header.problem != Problem::InvalidDate) {
          std::string reason = cell.kind == biff::CellKind::Error
                                   ? std::string(ErrorName(cell.code))
                                   : std::string(kHeaderNoValue);
          report.Warn(firstRow + 1, Fill(kHeaderUnreadable, {CellAddress(cell.row, cell.col),
                                                             reason, GeneratedColumnName(column)}));
          continue;
        }
        names[column - 1] = HeaderText(header.value);
      }
    }
    for (size_t i = 0; i < width; ++i)
      if (names[i].empty()) names[i] = GeneratedColumnName(i + 1);
    out.Reset(names);

    uint32_t firstDataRow = options.firstRowHasNames ? firstRow + 1 : firstRow;
    size_t rowCount = lastRow >= firstDataRow ? lastRow - firstDataRow + 1 : 0;
    out.Reserve(rowCount, {});
    for (size_t done = 0; done < rowCount; ++done) {
      uint32_t row = firstDataRow + static_cast<uint32_t>(done);
      for (; next < cells.size() && cells[next].row == row; ++next) {
        const biff::Cell& cell = cells[next];
        size_t column = cell.col - firstCol + 1;
        if (cell.kind == biff::CellKind::SharedString) {
          out.SetText(column, globals_.SharedString(cell.index));
          continue;
        }
        Converted converted = Convert(cell, sheetCells);
        if (converted.problem != Problem::None)
          report.WarnCell(row + 1, column, ShownValue(converted.problem, cell),
                          Warning(converted.problem, cell, names[column - 1]));
        if (converted.value.IsText())
          out.SetText(column, converted.value.AsText());
        else if (converted.percentage)
          out.SetPercentage(column, converted.value.AsDouble());
        else
          out.SetValue(column, converted.value);
      }
      out.FinishRow(row + 1);
      if ((done + 1) % kProgressRows == 0 && !Continue(options, done + 1, rowCount)) {
        Cancel(out, report);
        return;
      }
    }
    if (!Continue(options, rowCount, rowCount)) Cancel(out, report);
  }

  static bool Continue(const LoadOptions& options, size_t done, size_t total) {
    return !options.progress || options.progress(done, total);
  }

  static void Cancel(SourceTable& out, LoadReport& report) {
    out.Clear();
    report.cancelled = true;
  }

  enum class Problem { None, ErrorValue, NoResult, NoText, InvalidDate };
  struct Converted {
    Value value;
    Problem problem = Problem::None;
    bool percentage = false;  // a number shown as a percentage
  };

  Converted Convert(const biff::Cell& cell, const biff::SheetCells& sheetCells) const {
    switch (cell.kind) {
      case biff::CellKind::Number:
        return ConvertNumber(cell.number, globals_.KindOfXf(cell.xf));
      case biff::CellKind::SharedString:
        return {Value(globals_.SharedString(cell.index))};
      case biff::CellKind::Text:
        return {Value(sheetCells.texts[cell.index])};
      case biff::CellKind::Boolean:
        return {Value(cell.code != 0)};
      case biff::CellKind::Error:
        return {Value(), Problem::ErrorValue};
      case biff::CellKind::NoResult:
        return {Value(), Problem::NoResult};
      case biff::CellKind::NoText:
        return {Value(), Problem::NoText};
    }
    return {};
  }

  Converted ConvertNumber(double number, biff::FormatKind kind) const {
    DateTime date;
    switch (kind) {
      case biff::FormatKind::Number:
        return {Value(number)};
      case biff::FormatKind::Percentage:
        return {Value(number), Problem::None, true};
      case biff::FormatKind::Boolean:
        return {Value(number != 0)};
      case biff::FormatKind::Time:
        // A time of day alone lies on day zero in both date systems.
        if (number >= 0 && number < 1 && ExcelSerialToDateTime(number, false, date))
          return {Value(date)};
        [[fallthrough]];
      case biff::FormatKind::Date:
        if (ExcelSerialToDateTime(number, globals_.date1904, date)) return {Value(date)};
        return {Value(number), Problem::InvalidDate};
    }
    return {Value(number)};
  }

  // What the cell holds, as far as a value that could not be kept can be shown.
  static std::string ShownValue(Problem problem, const biff::Cell& cell) {
    if (problem == Problem::ErrorValue) return std::string(ErrorName(cell.code));
    if (problem == Problem::InvalidDate) return Value(cell.number).ToText();
    return {};
  }

  static std::string Warning(Problem problem, const biff::Cell& cell,
                             const std::string& columnName) {
    std::string address = CellAddress(cell.row, cell.col);
    switch (problem) {
      case Problem::ErrorValue:
        return Fill(kErrorValue, {address, columnName, ErrorName(cell.code)});
      case Problem::NoResult:
        return Fill(kNoResult, {address, columnName});
      case Problem::NoText:
        return Fill(kNoText, {address, columnName});
      case Problem::InvalidDate:
        return Fill(kInvalidDate, {address, columnName, Value(cell.number).ToText()});
      case Problem::None:
        break;
    }
    return {};
  }

  std::string path_;
  std::string stream_;
  biff::Globals globals_;
};

}  // namespace

std::unique_ptr<SourceReader> OpenXlsWorkbook(const std::string& path) {
  std::string stream = ReadWorkbookStream(path);
  try {
    biff::Globals globals = biff::ReadGlobals(stream);
    return std::make_unique<XlsWorkbook>(path, std::move(stream), std::move(globals));
  } catch (const biff::BiffError& error) {
    if (error.Reason() == biff::Failure::Encrypted)
      Fail(SourceErrorCode::Unsupported, kEncrypted, path);
    Fail(SourceErrorCode::WrongFormat, kDamaged, path);
  }
}

}  // namespace velra

#include "source/xlsx/XlsxReader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <new>
#include <unordered_map>

#include "base/Encoding.h"
#include "base/Text.h"
#include "config/Messages.h"
#include "source/ExcelDates.h"
#include "source/SourceError.h"
#include "source/xlsx/XmlTokenizer.h"

namespace velra {

namespace {

// German texts. %1 is the file, the further numbers as each text says.
constexpr std::string_view kEmptyFile = "Die Datei '%1' ist leer.";
constexpr std::string_view kNotAWorkbook =
    "Die Datei '%1' ist keine Excel-Arbeitsmappe im Format .xlsx.";
constexpr std::string_view kDamaged =
    "Die Datei '%1' ist beschädigt oder unvollständig und kann nicht als Excel-Arbeitsmappe "
    "gelesen werden.";
constexpr std::string_view kEncrypted =
    "Die Arbeitsmappe '%1' ist mit einem Kennwort geschützt und kann erst gelesen werden, wenn "
    "sie in Excel ohne Kennwortschutz gespeichert wurde.";
constexpr std::string_view kOtherOfficeFormat =
    "Die Datei '%1' ist keine .xlsx-Arbeitsmappe, sondern im älteren Excel-Format (.xls) oder "
    "einem anderen Office-Format gespeichert.";
constexpr std::string_view kOutOfMemory =
    "Die Datei '%1' ist zu groß für den verfügbaren Arbeitsspeicher.";
// %2 a number.
constexpr std::string_view kTooMuchMemory =
    "Die Datei '%1' wird nicht geladen, weil ihre Daten mehr als %2 MB Arbeitsspeicher "
    "bräuchten.";
// %2 the part of the archive.
constexpr std::string_view kNoWorkbookPart =
    "Die Datei '%1' enthält keine Excel-Arbeitsmappe (der Teil '%2' fehlt oder ist keine "
    "Arbeitsmappe).";
constexpr std::string_view kPartUnreadable =
    "Die Datei '%1' ist beschädigt: Der Teil '%2' lässt sich nicht entpacken.";
constexpr std::string_view kPartNotXml =
    "Die Datei '%1' ist beschädigt: Der Teil '%2' ist kein gültiges XML.";
constexpr std::string_view kPartUtf16 =
    "Die Datei '%1' wird nicht gelesen, weil ihr Teil '%2' in UTF-16 gespeichert ist, was nicht "
    "unterstützt wird.";
constexpr std::string_view kPartDoctype =
    "Die Datei '%1' wird nicht gelesen, weil ihr Teil '%2' eine Dokumenttypdefinition (DTD) "
    "enthält, wie sie in Excel-Arbeitsmappen nicht vorkommt.";
// %3 a number.
constexpr std::string_view kPartTooLarge =
    "Die Datei '%1' wird nicht gelesen, weil ihr Teil '%2' entpackt mehr als %3 MB ergäbe, was "
    "auf eine beschädigte oder manipulierte Datei hinweist.";
constexpr std::string_view kPartTooDeep =
    "Die Datei '%1' wird nicht gelesen, weil ihr Teil '%2' mehr als %3 Ebenen tief "
    "verschachtelt ist.";
constexpr std::string_view kPartTokenTooLong =
    "Die Datei '%1' wird nicht gelesen, weil ihr Teil '%2' einen Eintrag von mehr als %3 MB "
    "enthält.";
// %2 the sheet.
constexpr std::string_view kTableMissing = "Die Tabelle '%2' gibt es in der Datei '%1' nicht.";
constexpr std::string_view kSheetPartMissing =
    "Die Datei '%1' ist beschädigt: Die Daten der Tabelle '%2' fehlen.";
// %3 the reference or row number as it stands in the file.
constexpr std::string_view kBadCellReference =
    "Die Datei '%1' ist beschädigt: Die Tabelle '%2' enthält den ungültigen Zellbezug '%3'.";
constexpr std::string_view kBadRowNumber =
    "Die Datei '%1' ist beschädigt: Die Tabelle '%2' enthält die ungültige Zeilennummer '%3'.";
// %3 the row, %4 the limit.
constexpr std::string_view kTooManyColumns =
    "Die Tabelle '%2' der Datei '%1' hat in Zeile %3 mehr als %4 Spalten.";

// Warnings about single cells; %1 is the cell (e.g. "C7"), %2 its content.
constexpr std::string_view kWarnErrorValue = "Zelle %1 enthält den Fehlerwert %2; sie bleibt leer.";
constexpr std::string_view kWarnNoResult =
    "Zelle %1 enthält eine Formel ohne gespeichertes Ergebnis; sie bleibt leer.";
constexpr std::string_view kWarnNotANumber =
    "Zelle %1: '%2' ist keine gültige Zahl und wird als Text übernommen.";
constexpr std::string_view kWarnDateOutOfRange =
    "Zelle %1: Die Zahl %2 ist als Datum formatiert, liegt aber außerhalb des gültigen "
    "Datumsbereichs und wird als Zahl übernommen.";
constexpr std::string_view kWarnNotABoolean =
    "Zelle %1: '%2' ist kein Wahrheitswert und wird als Text übernommen.";
constexpr std::string_view kWarnNotADate =
    "Zelle %1: '%2' ist kein gültiges Datum und wird als Text übernommen.";
constexpr std::string_view kWarnNoSuchString =
    "Zelle %1 verweist auf einen Text, den es in der Datei nicht gibt; sie bleibt leer.";
constexpr std::string_view kWarnUnknownType =
    "Zelle %1 hat den unbekannten Typ '%3'; ihr Wert '%2' wird als Text übernommen.";
constexpr std::string_view kWarnDuplicateCell =
    "Zelle %1 steht zweimal in der Datei; nur der erste Wert wird übernommen.";

// A part may not unpack to more than this, nor to more than kMaxExpansion times the file: real
// sheets compress far less, so beyond that the archive is damaged or built to exhaust memory.
constexpr uint64_t kMaxPartBytes = 512u * 1024u * 1024u;
constexpr uint64_t kMinPartLimit = 32u * 1024u * 1024u;
constexpr uint64_t kMaxExpansion = 100;
// The loaded data (table and texts) may take this multiple of the file, within these bounds: a
// few bytes of XML can stand for a row of 16384 empty cells.
constexpr uint64_t kMinMemoryLimit = 256u * 1024u * 1024u;
constexpr uint64_t kMaxMemoryLimit = 2048u * 1024u * 1024u;
constexpr uint64_t kMaxMemoryExpansion = 40;
// Bytes of the table per cell besides its content: the end offset and the type tag.
constexpr uint64_t kCellOverhead = 5;
// Excel keeps at most 32767 characters in a cell; this leaves room for any writer.
constexpr size_t kMaxCellTextBytes = 1024u * 1024u;
constexpr uint32_t kMaxSheetRows = 1048576;
constexpr uint32_t kProgressRows = 4096;

std::string Fill(std::string_view pattern, std::initializer_list<std::string_view> args) {
  std::string out;
  out.reserve(pattern.size() + 64);
  for (size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] == '%' && i + 1 < pattern.size() && pattern[i + 1] >= '1' &&
        pattern[i + 1] <= '9') {
      size_t n = static_cast<size_t>(pattern[i + 1] - '1');
      if (n < args.size()) out += args.begin()[n];
      ++i;
    } else {
      out += pattern[i];
    }
  }
  return out;
}

[[noreturn]] void Throw(SourceErrorCode code, std::string_view pattern,
                        std::initializer_list<std::string_view> args) {
  throw SourceError(code, Fill(pattern, args));
}

std::string Megabytes(uint64_t bytes) {
  return std::to_string(bytes / (1024u * 1024u));
}

template <typename T>
bool ParseUnsigned(std::string_view text, T& out) {
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), out);
  return error == std::errc() && end == text.data() + text.size();
}

std::string_view TrimXmlBlanks(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t' || text.front() == '\n'))
    text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\n'))
    text.remove_suffix(1);
  return text;
}

// "B7" gives column 2 and row 7; false for whatever lies outside the largest sheet (XFD1048576).
bool ParseCellReference(std::string_view reference, uint32_t& column, uint32_t& row) {
  size_t i = 0;
  uint32_t letters = 0;
  while (i < reference.size() && i < 4) {
    char c = reference[i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c < 'A' || c > 'Z') break;
    letters = letters * 26 + static_cast<uint32_t>(c - 'A' + 1);
    ++i;
  }
  if (i == 0 || i > 3 || letters > kMaxSourceColumns) return false;
  std::string_view digits = reference.substr(i);
  if (digits.empty() || digits.size() > 7) return false;
  uint32_t number = 0;
  if (!ParseUnsigned(digits, number) || number < 1 || number > kMaxSheetRows) return false;
  column = letters;
  row = number;
  return true;
}

std::string CellName(uint32_t column, uint32_t row) {
  std::string letters;
  for (uint32_t c = column; c > 0; c = (c - 1) / 26)
    letters.insert(letters.begin(), static_cast<char>('A' + (c - 1) % 26));
  return letters + std::to_string(row);
}

bool IsHexDigit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// Excel writes characters that XML cannot carry as _xHHHH_, and a literal "_x" as "_x005F_x".
void DecodeEscapes(std::string& text) {
  size_t at = text.find("_x");
  if (at == std::string::npos) return;
  auto escapeAt = [&](size_t i, char32_t& unit) {
    if (i + 7 > text.size() || text[i] != '_' || text[i + 1] != 'x' || text[i + 6] != '_')
      return false;
    for (size_t k = i + 2; k < i + 6; ++k)
      if (!IsHexDigit(text[k])) return false;
    unit = static_cast<char32_t>(std::stoul(text.substr(i + 2, 4), nullptr, 16));
    return true;
  };
  std::string out(text, 0, at);
  for (size_t i = at; i < text.size();) {
    char32_t unit;
    if (!escapeAt(i, unit)) {
      out += text[i++];
      continue;
    }
    char32_t low;
    if (unit >= 0xD800 && unit <= 0xDBFF && escapeAt(i + 7, low) && low >= 0xDC00 &&
        low <= 0xDFFF) {
      AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
      i += 14;
    } else if (unit >= 0xD800 && unit <= 0xDFFF) {
      out += text[i++];  // a lone surrogate stays as written
    } else {
      AppendUtf8(out, unit);
      i += 7;
    }
  }
  text = std::move(out);
}

// How a number format shows its number; a percentage shows it times 100 with "%".
enum class NumberKind : uint8_t { Plain, Date, Time, Percentage };

NumberKind BuiltInFormatKind(uint32_t id) {
  if ((id >= 14 && id <= 17) || id == 22) return NumberKind::Date;
  if ((id >= 18 && id <= 21) || (id >= 45 && id <= 47)) return NumberKind::Time;
  if (id == 9 || id == 10) return NumberKind::Percentage;
  return NumberKind::Plain;
}

// Date and time tokens count only outside quoted text, escapes and brackets (colours, locales,
// conditions); bracketed [h], [mm], [ss] are elapsed times.
NumberKind CustomFormatKind(std::string_view code) {
  bool date = false, time = false, month = false, percentage = false;
  for (size_t i = 0; i < code.size(); ++i) {
    switch (code[i]) {
      case '"': {
        size_t close = code.find('"', i + 1);
        i = close == std::string_view::npos ? code.size() : close;
        break;
      }
      case '\\':
      case '_':
      case '*':
        ++i;
        break;
      case '[': {
        size_t close = code.find(']', i + 1);
        if (close == std::string_view::npos) close = code.size();
        std::string_view inside = code.substr(i + 1, close - i - 1);
        if (!inside.empty() && inside.find_first_not_of("hHmMsS") == std::string_view::npos)
          time = true;
        i = close;
        break;
      }
      case 'd':
      case 'D':
      case 'y':
      case 'Y':
        date = true;
        break;
      case 'h':
      case 'H':
      case 's':
      case 'S':
        time = true;
        break;
      case 'm':
      case 'M':
        month = true;
        break;
      case '%':
        percentage = true;
        break;
      default:
        break;
    }
  }
  if (date) return NumberKind::Date;
  if (time) return NumberKind::Time;
  if (month) return NumberKind::Date;
  return percentage ? NumberKind::Percentage : NumberKind::Plain;
}

std::string FolderOfPart(std::string_view part) {
  size_t slash = part.rfind('/');
  return slash == std::string_view::npos ? std::string() : std::string(part.substr(0, slash));
}

// A relationship target as a part name: relative to the folder of the part it belongs to, or
// from the package root when it starts with "/".
std::string ResolveTarget(std::string_view folder, std::string_view target) {
  std::string path(target);
  std::replace(path.begin(), path.end(), '\\', '/');
  if (path.starts_with('/'))
    path.erase(0, 1);
  else if (!folder.empty())
    path = std::string(folder) + "/" + path;
  std::vector<std::string> segments;
  for (std::string& segment : Split(path, "/")) {
    if (segment.empty() || segment == ".") continue;
    if (segment == "..") {
      if (!segments.empty()) segments.pop_back();
      continue;
    }
    segments.push_back(std::move(segment));
  }
  return Join(segments, "/");
}

struct ZipDiscard {
  void operator()(zip_t* zip) const { zip_discard(zip); }
};

// The unpacked bytes of one part, counted while they are inflated: the sizes in the archive's
// headers are the writer's claim, not a bound.
class PartReader : public xlsx::ByteSource {
 public:
  PartReader(zip_t* zip, zip_int64_t index, uint64_t limit, const std::string& path,
             const std::string& part)
      : limit_(limit), path_(path), part_(part) {
    file_ = zip_fopen_index(zip, static_cast<zip_uint64_t>(index), 0);
    if (!file_) Fail(zip_error_code_zip(zip_get_error(zip)));
  }
  ~PartReader() override { zip_fclose(file_); }
  PartReader(const PartReader&) = delete;
  PartReader& operator=(const PartReader&) = delete;

  size_t Read(char* buffer, size_t size) override {
    zip_int64_t read = zip_fread(file_, buffer, size);
    if (read < 0) Fail(zip_error_code_zip(zip_file_get_error(file_)));
    total_ += static_cast<uint64_t>(read);
    if (total_ > limit_)
      Throw(SourceErrorCode::TooLarge, kPartTooLarge, {path_, part_, Megabytes(limit_)});
    return static_cast<size_t>(read);
  }

 private:
  [[noreturn]] void Fail(int zipError) const {
    if (zipError == ZIP_ER_NOPASSWD || zipError == ZIP_ER_WRONGPASSWD ||
        zipError == ZIP_ER_ENCRNOTSUPP)
      Throw(SourceErrorCode::Unsupported, kEncrypted, {path_});
    if (zipError == ZIP_ER_MEMORY) Throw(SourceErrorCode::TooLarge, kOutOfMemory, {path_});
    Throw(SourceErrorCode::WrongFormat, kPartUnreadable, {path_, part_});
  }

  zip_file_t* file_ = nullptr;
  uint64_t total_ = 0;
  uint64_t limit_;
  const std::string& path_;
  const std::string& part_;
};

struct Relationship {
  std::string id, type, target;
};

bool TypeIs(std::string_view type, std::string_view kind) {
  return type.size() > kind.size() && type.ends_with(kind) &&
         type[type.size() - kind.size() - 1] == '/';
}

// The texts of the workbook in one buffer.
class SharedStrings {
 public:
  void Add(std::string_view text) {
    pool_ += text;
    ends_.push_back(static_cast<uint32_t>(pool_.size()));
  }
  size_t Count() const { return ends_.size(); }
  std::string_view At(size_t i) const {
    size_t begin = i > 0 ? ends_[i - 1] : 0;
    return std::string_view(pool_).substr(begin, ends_[i] - begin);
  }
  uint64_t Bytes() const { return pool_.size() + ends_.size() * sizeof(uint32_t); }

 private:
  std::string pool_;  // never beyond kMaxPartBytes, so the ends fit
  std::vector<uint32_t> ends_;
};

[[noreturn]] void ThrowCellTooLong(const std::string& path, const std::string& part) {
  Throw(SourceErrorCode::TooLarge, kPartTokenTooLong, {path, part, Megabytes(kMaxCellTextBytes)});
}

// Builds the table from the tokens of one sheet.
class SheetLoader {
 public:
  SheetLoader(const std::string& path, const std::string& sheet, const std::string& part,
              const SharedStrings& strings, const std::vector<NumberKind>& styles, bool date1904,
              uint64_t memoryLimit, const LoadOptions& options, SourceTable& out,
              LoadReport& report)
      : path_(path),
        sheet_(sheet),
        part_(part),
        memoryLimit_(memoryLimit),
        tableBytes_(strings.Bytes()),
        strings_(strings),
        styles_(styles),
        date1904_(date1904),
        options_(options),
        out_(out),
        report_(report),
        columnStamps_(kMaxSourceColumns + 1, 0) {}

  // False when the user cancelled.
  bool OnToken(xlsx::XmlTokenizer& xml, xlsx::XmlTokenizer::Token token) {
    using Token = xlsx::XmlTokenizer::Token;
    if (token == Token::Text) {
      std::string* text = collect_ == Collect::Value                      ? &value_
                          : collect_ == Collect::Inline && phonetic_ == 0 ? &inline_
                                                                          : nullptr;
      if (text) {
        *text += xml.Text();
        if (text->size() > kMaxCellTextBytes) ThrowCellTooLong(path_, part_);
      }
      return true;
    }
    std::string_view name = xml.Name();
    if (token == Token::Start) {
      if (inCell_) {
        if (name == "v") {
          collect_ = Collect::Value;
          hasValue_ = true;
        } else if (name == "f") {
          hasFormula_ = true;
        } else if (name == "is") {
          hasInline_ = true;
        } else if (name == "rPh") {
          ++phonetic_;
        } else if (name == "t" && hasInline_) {
          collect_ = Collect::Inline;
        }
      } else if (inRow_) {
        if (name == "c") StartCell(xml);
      } else if (inSheetData_) {
        if (name == "row") StartRow(xml.Attribute("r"));
      } else if (name == "sheetData") {
        inSheetData_ = true;
      } else if (name == "dimension") {
        ReadDimension(xml.Attribute("ref"));
      }
      return true;
    }
    if (inCell_) {
      if (name == "v" || name == "t") {
        collect_ = Collect::None;
      } else if (name == "rPh") {
        --phonetic_;
      } else if (name == "c") {
        inCell_ = false;
        FinishCell();
      }
    } else if (inRow_) {
      if (name == "row") {
        inRow_ = false;
        return FinishRow();
      }
    } else if (inSheetData_ && name == "sheetData") {
      inSheetData_ = false;
    }
    return true;
  }

  // False when the user cancelled.
  bool Finish() {
    DropLeadingEmptyColumns();
    if (!options_.progress) return true;
    return options_.progress(rowNumber_, rowNumber_);
  }

 private:
  enum class CellType { Number, Shared, Inline, FormulaText, Boolean, Error, IsoDate, Unknown };
  enum class Collect { None, Value, Inline };
  struct PendingCell {
    uint32_t column;
    bool isShared;
    std::string_view shared;
    Value value;
    bool percentage = false;  // a number shown as a percentage
  };

  // As in .xls workbooks, the table starts at the sheet's first used column; warnings keep the
  // sheet's own cell names, and generated column names count from the new first column.
  void DropLeadingEmptyColumns() {
    if (firstUsedColumn_ <= 1 || firstUsedColumn_ > out_.ColumnCount()) return;
    size_t dropped = firstUsedColumn_ - 1;
    out_.DropLeadingColumns(dropped);
    for (SourceWarning& warning : report_.warnings)
      if (warning.column > dropped) warning.column -= dropped;
    for (size_t column = 1; column <= out_.ColumnCount(); ++column)
      if (!namedByHeader_[column + dropped - 1])
        out_.RenameColumn(column, GeneratedColumnName(column));
  }

  void ReadDimension(std::string_view reference) {
    size_t colon = reference.find(':');
    uint32_t column, row;
    if (ParseCellReference(reference.substr(colon == std::string_view::npos ? 0 : colon + 1),
                           column, row))
      lastRowHint_ = row;
  }

  void StartRow(std::string_view reference) {
    inRow_ = true;
    lastColumn_ = 0;
    ++rowStamp_;
    if (reference.empty()) {
      if (rowNumber_ >= kMaxSheetRows)
        Throw(SourceErrorCode::WrongFormat, kBadRowNumber,
              {path_, sheet_, std::to_string(rowNumber_ + 1)});
      ++rowNumber_;
      return;
    }
    uint32_t number = 0;
    if (!ParseUnsigned(reference, number) || number < 1 || number > kMaxSheetRows)
      Throw(SourceErrorCode::WrongFormat, kBadRowNumber, {path_, sheet_, reference});
    rowNumber_ = number;
  }

  void StartCell(xlsx::XmlTokenizer& xml) {
    inCell_ = true;
    std::string_view reference = xml.Attribute("r");
    if (reference.empty()) {
      if (lastColumn_ >= kMaxSourceColumns)
        Throw(SourceErrorCode::TooLarge, kTooManyColumns,
              {path_, sheet_, std::to_string(rowNumber_), std::to_string(kMaxSourceColumns)});
      column_ = lastColumn_ + 1;
    } else {
      uint32_t row;
      if (!ParseCellReference(reference, column_, row))
        Throw(SourceErrorCode::WrongFormat, kBadCellReference, {path_, sheet_, reference});
    }
    lastColumn_ = column_;

    std::string_view type = xml.Attribute("t");
    typeText_.clear();
    if (type.empty() || type == "n") {
      type_ = CellType::Number;
    } else if (type == "s") {
      type_ = CellType::Shared;
    } else if (type == "inlineStr") {
      type_ = CellType::Inline;
    } else if (type == "str") {
      type_ = CellType::FormulaText;
    } else if (type == "b") {
      type_ = CellType::Boolean;
    } else if (type == "e") {
      type_ = CellType::Error;
    } else if (type == "d") {
      type_ = CellType::IsoDate;
    } else {
      type_ = CellType::Unknown;
      typeText_ = type;
    }
    size_t style = 0;  // a cell without a style has the first one
    ParseUnsigned(xml.Attribute("s"), style);
    kind_ = style < styles_.size() ? styles_[style] : NumberKind::Plain;

    value_.clear();
    inline_.clear();
    hasValue_ = hasFormula_ = hasInline_ = false;
    phonetic_ = 0;
    collect_ = Collect::None;
  }

  void Warn(std::string_view pattern, std::string_view content = {}, std::string_view more = {}) {
    report_.WarnCell(rowNumber_, column_, std::string(content),
                     Fill(pattern, {CellName(column_, rowNumber_), content, more}));
  }

  Value NumberValue(double number, std::string_view text) {
    if (kind_ == NumberKind::Plain || kind_ == NumberKind::Percentage) return Value(number);
    DateTime date;
    // A time of day alone stands on the suite's day zero, whichever epoch the workbook uses.
    bool epoch1904 = date1904_ && !(kind_ == NumberKind::Time && number >= 0 && number < 1);
    if (ExcelSerialToDateTime(number, epoch1904, date)) return Value(date);
    Warn(kWarnDateOutOfRange, text);
    return Value(number);
  }

  static bool ParseIsoDate(std::string_view text, DateTime& out) {
    if (text.ends_with('Z')) text.remove_suffix(1);
    if (text.starts_with('T')) text.remove_prefix(1);
    if (text.size() >= 5 && text[2] == ':')
      return DateTime::FromIso("1899-12-30T" + std::string(text), out);
    return DateTime::FromIso(text, out);
  }

  void FinishCell() {
    PendingCell cell{column_, false, {}, {}};
    std::string_view text = TrimXmlBlanks(value_);
    bool keep = true;
    switch (type_) {
      case CellType::Number: {
        if (text.empty()) {
          if (hasFormula_) Warn(kWarnNoResult);
          keep = hasFormula_;
          break;
        }
        double number = 0;
        auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
        if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(number)) {
          Warn(kWarnNotANumber, text);
          cell.value = Value(text);
        } else {
          cell.value = NumberValue(number, text);
          cell.percentage = kind_ == NumberKind::Percentage;
        }
        break;
      }
      case CellType::Shared: {
        size_t index = 0;
        if (!ParseUnsigned(text, index) || index >= strings_.Count()) {
          if (hasValue_) Warn(kWarnNoSuchString);
          keep = hasValue_;
          break;
        }
        cell.isShared = true;
        cell.shared = strings_.At(index);
        keep = !cell.shared.empty();
        break;
      }
      case CellType::Inline:
      case CellType::FormulaText: {
        std::string content = type_ == CellType::Inline && hasInline_ ? inline_ : value_;
        if (type_ == CellType::FormulaText && !hasValue_) {
          Warn(kWarnNoResult);
          break;
        }
        DecodeEscapes(content);
        keep = !content.empty();
        cell.value = Value(std::move(content));
        break;
      }
      case CellType::Boolean:
        if (text == "1" || text == "true") {
          cell.value = Value(true);
        } else if (text == "0" || text == "false") {
          cell.value = Value(false);
        } else if (text.empty()) {
          if (hasFormula_) Warn(kWarnNoResult);
          keep = hasFormula_;
        } else {
          Warn(kWarnNotABoolean, text);
          cell.value = Value(text);
        }
        break;
      case CellType::Error:
        Warn(kWarnErrorValue, text);
        break;
      case CellType::IsoDate: {
        DateTime date;
        if (text.empty()) {
          keep = false;
        } else if (ParseIsoDate(text, date)) {
          cell.value = Value(date);
        } else {
          Warn(kWarnNotADate, text);
          cell.value = Value(text);
        }
        break;
      }
      case CellType::Unknown:
        if (text.empty()) {
          keep = false;
          break;
        }
        Warn(kWarnUnknownType, text, typeText_);
        cell.value = Value(text);
        break;
    }
    if (!keep) return;
    if (columnStamps_[column_] == rowStamp_) {
      Warn(kWarnDuplicateCell);
      return;
    }
    columnStamps_[column_] = rowStamp_;
    rowCells_.push_back(std::move(cell));
  }

  bool FinishRow() {
    if (!rowCells_.empty()) {
      uint32_t widest = 0;
      for (const PendingCell& cell : rowCells_) {
        widest = std::max(widest, cell.column);
        firstUsedColumn_ = std::min(firstUsedColumn_, cell.column);
      }
      CountMemory(widest);
      bool isHeader = !columnsKnown_ && options_.firstRowHasNames;
      if (!columnsKnown_) {
        std::vector<std::string> names(widest);
        if (isHeader) {
          for (const PendingCell& cell : rowCells_)
            names[cell.column - 1] = cell.isShared ? std::string(cell.shared) : cell.value.ToText();
        }
        for (size_t i = 0; i < names.size(); ++i) {
          namedByHeader_.push_back(!names[i].empty());
          if (names[i].empty()) names[i] = GeneratedColumnName(i + 1);
        }
        out_.Reset(std::move(names));
        columnsKnown_ = true;
      }
      if (!isHeader) {
        while (out_.ColumnCount() < widest) {
          namedByHeader_.push_back(false);
          out_.AddColumn(GeneratedColumnName(out_.ColumnCount() + 1));
        }
        // Empty rows inside the used range are rows too, as in the other formats.
        for (uint32_t empty = lastRow_ + 1; lastRow_ > 0 && empty < rowNumber_; ++empty) {
          tableBytes_ += out_.ColumnCount() * kCellOverhead;
          if (tableBytes_ > memoryLimit_)
            Throw(SourceErrorCode::TooLarge, kTooMuchMemory, {path_, Megabytes(memoryLimit_)});
          out_.FinishRow(empty);
        }
        for (const PendingCell& cell : rowCells_) {
          if (cell.isShared)
            out_.SetText(cell.column, cell.shared);
          else if (cell.percentage)
            out_.SetPercentage(cell.column, cell.value.AsDouble());
          else
            out_.SetValue(cell.column, cell.value);
        }
        out_.FinishRow(rowNumber_);
      }
      lastRow_ = rowNumber_;
      rowCells_.clear();
    }
    if (options_.progress && ++rowsSinceProgress_ >= kProgressRows) {
      rowsSinceProgress_ = 0;
      return options_.progress(rowNumber_, lastRowHint_ >= rowNumber_ ? lastRowHint_ : 0);
    }
    return true;
  }

  // Keeps the table within the memory limit, counting before the cells are stored.
  void CountMemory(uint32_t widest) {
    uint64_t columns = std::max<uint64_t>(out_.ColumnCount(), widest);
    uint64_t bytes = columns * kCellOverhead;
    if (widest > out_.ColumnCount())
      bytes += (widest - out_.ColumnCount()) * out_.RowCount() * kCellOverhead;
    for (const PendingCell& cell : rowCells_)
      bytes += cell.isShared         ? cell.shared.size()
               : cell.value.IsText() ? cell.value.AsText().size()
                                     : sizeof(double);
    tableBytes_ += bytes;
    if (tableBytes_ > memoryLimit_)
      Throw(SourceErrorCode::TooLarge, kTooMuchMemory, {path_, Megabytes(memoryLimit_)});
  }

  const std::string& path_;
  const std::string& sheet_;
  const std::string& part_;
  uint64_t memoryLimit_;
  uint64_t tableBytes_;
  const SharedStrings& strings_;
  const std::vector<NumberKind>& styles_;
  bool date1904_;
  const LoadOptions& options_;
  SourceTable& out_;
  LoadReport& report_;

  bool inSheetData_ = false, inRow_ = false, inCell_ = false;
  bool columnsKnown_ = false;
  uint32_t rowNumber_ = 0;
  uint32_t lastRow_ = 0;  // the last row that held a value
  uint32_t lastRowHint_ = 0;
  uint32_t rowsSinceProgress_ = 0;
  uint32_t lastColumn_ = 0;
  std::vector<uint32_t> columnStamps_;  // the row in which each column got its value
  std::vector<bool> namedByHeader_;     // per column: named by the header row, not generated
  uint32_t firstUsedColumn_ = UINT32_MAX;
  uint32_t rowStamp_ = 0;
  std::vector<PendingCell> rowCells_;

  uint32_t column_ = 0;
  CellType type_ = CellType::Number;
  std::string typeText_;
  NumberKind kind_ = NumberKind::Plain;
  std::string value_, inline_;
  bool hasValue_ = false, hasFormula_ = false, hasInline_ = false;
  int phonetic_ = 0;
  Collect collect_ = Collect::None;
};

class XlsxWorkbook final : public SourceReader {
 public:
  explicit XlsxWorkbook(std::string path) : path_(std::move(path)) {
    try {
      OpenArchive();
      ReadWorkbook();
    } catch (const std::bad_alloc&) {
      Throw(SourceErrorCode::TooLarge, kOutOfMemory, {path_});
    }
  }

  std::vector<std::string> Tables() override {
    std::vector<std::string> names;
    for (const Sheet& sheet : sheets_) names.push_back(sheet.name);
    return names;
  }

  void Load(const std::string& table, const LoadOptions& options, SourceTable& out,
            LoadReport& report) override {
    out.Clear();
    const Sheet* sheet = FindSheet(table);
    if (!sheet) Throw(SourceErrorCode::TableMissing, kTableMissing, {path_, table});
    zip_int64_t index = sheet->part.empty() ? -1 : Locate(sheet->part);
    if (index < 0) Throw(SourceErrorCode::WrongFormat, kSheetPartMissing, {path_, sheet->name});
    try {
      ReadStylesAndStrings();
      SheetLoader loader(path_, sheet->name, sheet->part, strings_, styles_, date1904_,
                         memoryLimit_, options, out, report);
      bool completed = true;
      ReadPart(sheet->part, index, [&](xlsx::XmlTokenizer& xml, xlsx::XmlTokenizer::Token token) {
        return completed = loader.OnToken(xml, token);
      });
      if (completed) completed = loader.Finish();
      if (!completed) {
        out.Clear();
        report.cancelled = true;
      }
    } catch (const std::bad_alloc&) {
      out.Clear();
      Throw(SourceErrorCode::TooLarge, kOutOfMemory, {path_});
    } catch (...) {
      out.Clear();
      throw;
    }
  }

 private:
  struct Sheet {
    std::string name;
    std::string part;  // empty when the workbook names none
  };

  void OpenArchive() {
    int fd = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
      int error = errno;
      if (error == ENOENT)
        throw SourceError(SourceErrorCode::FileMissing, messages::FileMissing(path_));
      throw SourceError(SourceErrorCode::FileUnreadable, messages::FileUnreadable(path_, error));
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
      ::close(fd);
      throw SourceError(SourceErrorCode::FileUnreadable, messages::NotARegularFile(path_));
    }
    uint64_t size = static_cast<uint64_t>(info.st_size);
    partLimit_ = std::clamp(size * kMaxExpansion, kMinPartLimit, kMaxPartBytes);
    memoryLimit_ = std::clamp(size * kMaxMemoryExpansion, kMinMemoryLimit, kMaxMemoryLimit);
    char head[8] = {};
    ssize_t headSize = ::pread(fd, head, sizeof head, 0);
    if (headSize < 0) {
      int error = errno;
      ::close(fd);
      throw SourceError(SourceErrorCode::FileUnreadable, messages::FileUnreadable(path_, error));
    }
    std::string_view signature(head, static_cast<size_t>(headSize));
    if (signature.empty()) {
      ::close(fd);
      Throw(SourceErrorCode::WrongFormat, kEmptyFile, {path_});
    }
    if (signature == std::string_view("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8)) {
      bool encrypted = HoldsEncryptedPackage(fd);
      ::close(fd);
      if (encrypted) Throw(SourceErrorCode::Unsupported, kEncrypted, {path_});
      Throw(SourceErrorCode::WrongFormat, kOtherOfficeFormat, {path_});
    }

    int error = 0;
    zip_t* zip = zip_fdopen(fd, ZIP_RDONLY, &error);
    if (!zip) {
      ::close(fd);
      switch (error) {
        case ZIP_ER_NOZIP:
        case ZIP_ER_INCONS:
        case ZIP_ER_EOF:
          Throw(SourceErrorCode::WrongFormat,
                signature.starts_with("PK") ? kDamaged : kNotAWorkbook, {path_});
        case ZIP_ER_MEMORY:
          Throw(SourceErrorCode::TooLarge, kOutOfMemory, {path_});
        default:
          throw SourceError(SourceErrorCode::FileUnreadable, messages::FileUnreadable(path_, EIO));
      }
    }
    zip_.reset(zip);
  }

  // An encrypted workbook is a compound file whose directory names the stream
  // "EncryptedPackage" (in UTF-16).
  static bool HoldsEncryptedPackage(int fd) {
    static constexpr char16_t kName[] = u"EncryptedPackage";
    std::string pattern;
    for (char16_t c : std::u16string_view(kName)) {
      pattern.push_back(static_cast<char>(c & 0xFF));
      pattern.push_back(static_cast<char>(c >> 8));
    }
    std::string window;
    std::vector<char> chunk(1024 * 1024);
    off_t offset = 0;
    for (;;) {
      ssize_t read = ::pread(fd, chunk.data(), chunk.size(), offset);
      if (read <= 0) return false;
      offset += read;
      window.append(chunk.data(), static_cast<size_t>(read));
      if (window.find(pattern) != std::string::npos) return true;
      window.erase(0, window.size() - std::min(window.size(), pattern.size() - 1));
    }
  }

  zip_int64_t Locate(const std::string& part) const {
    zip_int64_t index = zip_name_locate(zip_.get(), part.c_str(), 0);
    if (index < 0) index = zip_name_locate(zip_.get(), part.c_str(), ZIP_FL_NOCASE);
    return index;
  }

  template <typename Handler>
  void ReadPart(const std::string& part, zip_int64_t index, Handler&& handler) {
    PartReader reader(zip_.get(), index, partLimit_, path_, part);
    xlsx::XmlTokenizer xml(reader);
    try {
      for (;;) {
        xlsx::XmlTokenizer::Token token = xml.Next();
        if (token == xlsx::XmlTokenizer::Token::Finish || !handler(xml, token)) return;
      }
    } catch (const xlsx::XmlError& error) {
      switch (error.GetKind()) {
        case xlsx::XmlError::Kind::Doctype:
          Throw(SourceErrorCode::WrongFormat, kPartDoctype, {path_, part});
        case xlsx::XmlError::Kind::TooDeep:
          Throw(SourceErrorCode::WrongFormat, kPartTooDeep,
                {path_, part, std::to_string(xlsx::XmlTokenizer::kMaxDepth)});
        case xlsx::XmlError::Kind::TokenTooLong:
          Throw(SourceErrorCode::TooLarge, kPartTokenTooLong,
                {path_, part, Megabytes(xlsx::XmlTokenizer::kMaxTokenBytes)});
        case xlsx::XmlError::Kind::Utf16:
          Throw(SourceErrorCode::Unsupported, kPartUtf16, {path_, part});
        case xlsx::XmlError::Kind::Malformed:
          break;
      }
      Throw(SourceErrorCode::WrongFormat, kPartNotXml, {path_, part});
    }
  }

  std::vector<Relationship> ReadRelationships(const std::string& part) {
    std::vector<Relationship> relationships;
    zip_int64_t index = Locate(part);
    if (index < 0) return relationships;
    ReadPart(part, index, [&](xlsx::XmlTokenizer& xml, xlsx::XmlTokenizer::Token token) {
      if (token == xlsx::XmlTokenizer::Token::Start && xml.Name() == "Relationship" &&
          xml.Attribute("TargetMode") != "External")
        relationships.push_back({std::string(xml.Attribute("Id")),
                                 std::string(xml.Attribute("Type")),
                                 std::string(xml.Attribute("Target"))});
      return true;
    });
    return relationships;
  }

  void ReadWorkbook() {
    std::string workbookPart = "xl/workbook.xml";
    for (const Relationship& relationship : ReadRelationships("_rels/.rels")) {
      if (TypeIs(relationship.type, "officeDocument")) {
        workbookPart = ResolveTarget("", relationship.target);
        break;
      }
    }
    zip_int64_t index = Locate(workbookPart);
    if (index < 0) Throw(SourceErrorCode::WrongFormat, kNoWorkbookPart, {path_, workbookPart});

    struct Entry {
      std::string name, id;
    };
    std::vector<Entry> entries;
    bool isWorkbook = false;
    ReadPart(workbookPart, index, [&](xlsx::XmlTokenizer& xml, xlsx::XmlTokenizer::Token token) {
      if (token != xlsx::XmlTokenizer::Token::Start) return true;
      std::string_view name = xml.Name();
      if (xml.Depth() == 1) {
        isWorkbook = name == "workbook";
      } else if (name == "sheet") {
        entries.push_back({std::string(xml.Attribute("name")), std::string(xml.Attribute("id"))});
      } else if (name == "workbookPr") {
        std::string_view epoch = xml.Attribute("date1904");
        date1904_ = epoch == "1" || epoch == "true";
      }
      return isWorkbook;
    });
    if (!isWorkbook) Throw(SourceErrorCode::WrongFormat, kNoWorkbookPart, {path_, workbookPart});

    std::string folder = FolderOfPart(workbookPart);
    std::string relationshipsPart = (folder.empty() ? "" : folder + "/") + "_rels/" +
                                    workbookPart.substr(workbookPart.rfind('/') + 1) + ".rels";
    std::unordered_map<std::string, Relationship> byId;
    for (Relationship& relationship : ReadRelationships(relationshipsPart)) {
      if (TypeIs(relationship.type, "sharedStrings"))
        stringsPart_ = ResolveTarget(folder, relationship.target);
      else if (TypeIs(relationship.type, "styles"))
        stylesPart_ = ResolveTarget(folder, relationship.target);
      std::string id = relationship.id;
      byId.emplace(std::move(id), std::move(relationship));
    }
    for (Entry& entry : entries) {
      auto found = byId.find(entry.id);
      if (found == byId.end()) {
        sheets_.push_back({std::move(entry.name), {}});
      } else if (TypeIs(found->second.type, "worksheet")) {
        // Chart sheets and the like hold no cells and are no tables.
        sheets_.push_back({std::move(entry.name), ResolveTarget(folder, found->second.target)});
      }
    }
  }

  void ReadStylesAndStrings() {
    if (detailsRead_) return;
    styles_.clear();
    strings_ = SharedStrings();
    if (zip_int64_t index = stylesPart_.empty() ? -1 : Locate(stylesPart_); index >= 0)
      ReadStyles(index);
    if (zip_int64_t index = stringsPart_.empty() ? -1 : Locate(stringsPart_); index >= 0)
      ReadSharedStrings(index);
    detailsRead_ = true;
  }

  void ReadStyles(zip_int64_t index) {
    std::unordered_map<uint32_t, NumberKind> custom;
    std::vector<uint32_t> formats;
    bool inFormats = false;
    size_t cellFormatsDepth = 0;
    using Token = xlsx::XmlTokenizer::Token;
    ReadPart(stylesPart_, index, [&](xlsx::XmlTokenizer& xml, Token token) {
      std::string_view name = xml.Name();
      if (token == Token::End) {
        if (name == "numFmts") inFormats = false;
        if (name == "cellXfs") cellFormatsDepth = 0;
      } else if (token == Token::Start) {
        uint32_t id = 0;
        if (name == "numFmts") {
          inFormats = true;
        } else if (name == "numFmt" && inFormats) {
          if (ParseUnsigned(xml.Attribute("numFmtId"), id))
            custom[id] = CustomFormatKind(xml.Attribute("formatCode"));
        } else if (name == "cellXfs") {
          cellFormatsDepth = xml.Depth();
        } else if (name == "xf" && cellFormatsDepth > 0 && xml.Depth() == cellFormatsDepth + 1) {
          ParseUnsigned(xml.Attribute("numFmtId"), id);
          formats.push_back(id);
        }
      }
      return true;
    });
    styles_.reserve(formats.size());
    for (uint32_t id : formats) {
      auto found = custom.find(id);
      styles_.push_back(found != custom.end() ? found->second : BuiltInFormatKind(id));
    }
  }

  void ReadSharedStrings(zip_int64_t index) {
    std::string item;
    bool inItem = false, inText = false;
    int phonetic = 0;
    using Token = xlsx::XmlTokenizer::Token;
    ReadPart(stringsPart_, index, [&](xlsx::XmlTokenizer& xml, Token token) {
      if (token == Token::Text) {
        if (inText && phonetic == 0) {
          item += xml.Text();
          if (item.size() > kMaxCellTextBytes) ThrowCellTooLong(path_, stringsPart_);
        }
        return true;
      }
      std::string_view name = xml.Name();
      bool start = token == Token::Start;
      if (name == "si") {
        inItem = start;
        if (start) {
          item.clear();
        } else {
          DecodeEscapes(item);
          strings_.Add(item);
          if (strings_.Bytes() > memoryLimit_)
            Throw(SourceErrorCode::TooLarge, kTooMuchMemory, {path_, Megabytes(memoryLimit_)});
        }
      } else if (name == "rPh") {
        phonetic += start ? 1 : -1;
      } else if (name == "t") {
        inText = start && inItem;
      }
      return true;
    });
  }

  const Sheet* FindSheet(const std::string& name) const {
    for (const Sheet& sheet : sheets_)
      if (sheet.name == name) return &sheet;
    for (const Sheet& sheet : sheets_)
      if (EqualsIgnoreCase(sheet.name, name)) return &sheet;
    return nullptr;
  }

  std::string path_;
  std::unique_ptr<zip_t, ZipDiscard> zip_;
  uint64_t partLimit_ = kMinPartLimit;
  uint64_t memoryLimit_ = kMinMemoryLimit;
  std::vector<Sheet> sheets_;
  bool date1904_ = false;
  std::string stringsPart_, stylesPart_;
  bool detailsRead_ = false;
  SharedStrings strings_;
  std::vector<NumberKind> styles_;
};

}  // namespace

std::unique_ptr<SourceReader> OpenXlsxWorkbook(const std::string& path) {
  return std::make_unique<XlsxWorkbook>(path);
}

}  // namespace velra

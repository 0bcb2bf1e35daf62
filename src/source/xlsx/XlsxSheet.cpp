#include "source/xlsx/XlsxSheet.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>
#include <string_view>

#include "source/ExcelDates.h"
#include "source/xlsx/XlsxNumbers.h"
#include "source/xlsx/XlsxTexts.h"

namespace velra::xlsx {

namespace {

// Bytes of the table per cell besides its content: the end offset and the type tag.
constexpr uint64_t kCellOverhead = 5;
constexpr uint32_t kMaxSheetRows = 1048576;
constexpr uint32_t kProgressRows = 4096;

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
  bool OnToken(XmlTokenizer& xml, XmlTokenizer::Token token) {
    using Token = XmlTokenizer::Token;
    if (token == Token::Text) {
      std::string* text = collect_ == Collect::Value                      ? &value_
                          : collect_ == Collect::Inline && phonetic_ == 0 ? &inline_
                                                                          : nullptr;
      if (text) AppendCellText(*text, xml.Text(), path_, part_);
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

  void StartCell(XmlTokenizer& xml) {
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
    if (!TakeValue(cell)) return;
    if (columnStamps_[column_] == rowStamp_) {
      Warn(kWarnDuplicateCell);
      return;
    }
    columnStamps_[column_] = rowStamp_;
    rowCells_.push_back(std::move(cell));
  }

  // The value of the cell just ended by its type; false when the cell counts as empty. A cell
  // whose value cannot be kept counts with a warning.
  bool TakeValue(PendingCell& cell) {
    std::string_view text = TrimXmlBlanks(value_);
    switch (type_) {
      case CellType::Number:
        return TakeNumber(text, cell);
      case CellType::Shared:
        return TakeSharedString(text, cell);
      case CellType::Inline:
      case CellType::FormulaText:
        return TakeText(cell);
      case CellType::Boolean:
        return TakeBoolean(text, cell);
      case CellType::Error:
        Warn(kWarnErrorValue, text);
        return true;
      case CellType::IsoDate:
        return TakeIsoDate(text, cell);
      case CellType::Unknown:
        if (text.empty()) return false;
        Warn(kWarnUnknownType, text, typeText_);
        cell.value = Value(text);
        return true;
    }
    return true;
  }

  // No value is no cell, unless a formula stands there without its result.
  bool NoValue() {
    if (hasFormula_) Warn(kWarnNoResult);
    return hasFormula_;
  }

  bool TakeNumber(std::string_view text, PendingCell& cell) {
    if (text.empty()) return NoValue();
    double number = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(number)) {
      Warn(kWarnNotANumber, text);
      cell.value = Value(text);
    } else {
      cell.value = NumberValue(number, text);
      cell.percentage = kind_ == NumberKind::Percentage;
    }
    return true;
  }

  bool TakeSharedString(std::string_view text, PendingCell& cell) {
    size_t index = 0;
    if (!ParseUnsigned(text, index) || index >= strings_.Count()) {
      if (hasValue_) Warn(kWarnNoSuchString);
      return hasValue_;
    }
    cell.isShared = true;
    cell.shared = strings_.At(index);
    return !cell.shared.empty();
  }

  bool TakeText(PendingCell& cell) {
    if (type_ == CellType::FormulaText && !hasValue_) {
      Warn(kWarnNoResult);
      return true;
    }
    std::string content = type_ == CellType::Inline && hasInline_ ? inline_ : value_;
    DecodeEscapes(content);
    if (content.empty()) return false;
    cell.value = Value(std::move(content));
    return true;
  }

  bool TakeBoolean(std::string_view text, PendingCell& cell) {
    if (text == "1" || text == "true") {
      cell.value = Value(true);
    } else if (text == "0" || text == "false") {
      cell.value = Value(false);
    } else if (text.empty()) {
      return NoValue();
    } else {
      Warn(kWarnNotABoolean, text);
      cell.value = Value(text);
    }
    return true;
  }

  bool TakeIsoDate(std::string_view text, PendingCell& cell) {
    if (text.empty()) return false;
    DateTime date;
    if (ParseIsoDate(text, date)) {
      cell.value = Value(date);
    } else {
      Warn(kWarnNotADate, text);
      cell.value = Value(text);
    }
    return true;
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

}  // namespace

bool LoadSheet(Package& package, const SheetPart& sheet, zip_int64_t index,
               const SheetContext& context, const LoadOptions& options, SourceTable& out,
               LoadReport& report) {
  SheetLoader loader(package.Path(), sheet.name, sheet.part, context.strings, context.styles,
                     context.date1904, package.MemoryLimit(), options, out, report);
  bool completed = true;
  package.ReadPart(sheet.part, index, [&](XmlTokenizer& xml, XmlTokenizer::Token token) {
    return completed = loader.OnToken(xml, token);
  });
  return completed && loader.Finish();
}

}  // namespace velra::xlsx

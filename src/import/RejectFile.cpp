#include "import/RejectFile.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <optional>
#include <unordered_map>
#include <vector>

#include "base/Encoding.h"
#include "base/Regional.h"
#include "base/Text.h"
#include "config/Messages.h"
#include "config/TextFile.h"
#include "import/ImportTexts.h"
#include "source/Formats.h"

namespace velra {

namespace {

constexpr std::string_view kLineEnd = "\r\n";
constexpr std::string_view kReasonSeparator = " | ";
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

enum class OutEncoding { Utf8, Utf8WithBom, Windows1252 };

std::optional<OutEncoding> OutEncodingOf(std::string_view name) {
  const std::string trimmed = Trim(name);
  if (trimmed.empty() || EqualsIgnoreCase(trimmed, text_encoding::kUtf8Bom) ||
      EqualsIgnoreCase(trimmed, text_encoding::kUtf16Le) ||
      EqualsIgnoreCase(trimmed, text_encoding::kUtf16Be))
    return OutEncoding::Utf8WithBom;
  if (EqualsIgnoreCase(trimmed, text_encoding::kUtf8)) return OutEncoding::Utf8;
  if (EqualsIgnoreCase(trimmed, text_encoding::kWindows1252)) return OutEncoding::Windows1252;
  return std::nullopt;
}

bool HasLineBreak(std::string_view text) {
  return text.find_first_of("\r\n") != std::string_view::npos;
}

// The settings of one attempt at writing the file.
struct Layout {
  std::string separator;
  std::string qualifier;
  std::string lineBreakToken;
  OutEncoding encoding = OutEncoding::Utf8WithBom;
  bool headerLine = true;
  std::string decimalSeparator;
};

// Checks the format; a German sentence when it cannot be written.
std::optional<std::string> FormatProblem(const Layout& layout) {
  if (CharacterCount(layout.separator) != 1 || HasLineBreak(layout.separator))
    return Fill(import_texts::kRejectSeparatorInvalid, {layout.separator});
  if (!layout.qualifier.empty() &&
      (CharacterCount(layout.qualifier) != 1 || HasLineBreak(layout.qualifier) ||
       layout.qualifier == layout.separator))
    return Fill(import_texts::kRejectQualifierInvalid, {layout.qualifier});
  const std::string& token = layout.lineBreakToken;
  if (!token.empty() &&
      (HasLineBreak(token) || token.find(layout.separator) != std::string::npos ||
       (!layout.qualifier.empty() && token.find(layout.qualifier) != std::string::npos)))
    return Fill(import_texts::kRejectLineBreakTokenInvalid, {token});
  return std::nullopt;
}

// The qualifier must stay one byte in the file, or a reader does not take it as one.
bool QualifierFitsEncoding(const Layout& layout) {
  if (layout.qualifier.empty()) return true;
  if (layout.encoding != OutEncoding::Windows1252) return layout.qualifier.size() == 1;
  std::optional<std::string> encoded = Utf8ToWindows1252(layout.qualifier);
  return encoded && encoded->size() == 1;
}

// The reasons of the row's kept entries, each once, joined by " | "; value entries name their
// column.
std::unordered_map<uint32_t, std::string> ReasonsByRow(const ImportReport& report) {
  std::unordered_map<uint32_t, std::vector<std::string>> pieces;
  for (const ReportEntry& entry : report.Entries()) {
    if (entry.row == 0) continue;
    std::string reason = entry.column.empty() ? entry.reason : entry.column + ": " + entry.reason;
    std::vector<std::string>& row = pieces[entry.row];
    if (std::find(row.begin(), row.end(), reason) == row.end()) row.push_back(std::move(reason));
  }
  std::unordered_map<uint32_t, std::string> reasons;
  reasons.reserve(pieces.size());
  for (auto& [row, texts] : pieces) reasons.emplace(row, Join(texts, kReasonSeparator));
  return reasons;
}

// A number held as such, as an import reads it back: the shortest digits that give the same
// double, without exponent and grouping.
std::string NumberText(double number, std::string_view decimalSeparator) {
  char buffer[400];
  auto [end, error] =
      std::isfinite(number)
          ? std::to_chars(buffer, buffer + sizeof buffer, number, std::chars_format::fixed)
          : std::to_chars_result{buffer, std::errc::invalid_argument};
  if (error != std::errc()) return Value(number).ToText();  // "inf", "nan": reported again
  std::string text(buffer, end);
  if (size_t point = text.find('.'); point != std::string::npos)
    text.replace(point, 1, decimalSeparator);
  return text;
}

enum class Outcome { Written, NeedsUtf8, NeedsQualifier, WriteFailed };

class Writer {
 public:
  Writer(const SourceTable& source, const std::vector<uint32_t>& rows,
         const std::unordered_map<uint32_t, std::string>& reasons, size_t rejectColumn)
      : source_(source), rows_(rows), reasons_(reasons), rejectColumn_(rejectColumn) {}

  // One attempt with `layout`; counts the rows written and the columns with binary values.
  Outcome Write(AtomicFileWriter& file, const Layout& layout) {
    layout_ = &layout;
    written_ = 0;
    binaryColumns_.assign(source_.ColumnCount() + 1, false);
    if (layout.encoding == OutEncoding::Utf8WithBom && !file.Write(kUtf8Bom))
      return Outcome::WriteFailed;
    if (layout.headerLine) {
      line_.clear();
      for (size_t c = 1; c <= source_.ColumnCount(); ++c)
        if (!AppendField(c, source_.ColumnNames()[c - 1])) return Outcome::NeedsQualifier;
      if (rejectColumn_ == 0 && !AppendField(source_.ColumnCount() + 1, kRejectColumn))
        return Outcome::NeedsQualifier;
      if (Outcome outcome = EmitLine(file); outcome != Outcome::Written) return outcome;
    }
    const size_t columns = source_.ColumnCount();
    for (uint32_t row : rows_) {
      line_.clear();
      auto found = reasons_.find(row);
      const std::string_view reason =
          found != reasons_.end() ? std::string_view(found->second) : kCountedOnlyReason;
      for (size_t c = 1; c <= columns; ++c) {
        const bool ok =
            c == rejectColumn_ ? AppendField(c, reason) : AppendField(c, CellText(c, row));
        if (!ok) return Outcome::NeedsQualifier;
      }
      if (rejectColumn_ == 0 && !AppendField(columns + 1, reason)) return Outcome::NeedsQualifier;
      if (Outcome outcome = EmitLine(file); outcome != Outcome::Written) return outcome;
      ++written_;
    }
    return Outcome::Written;
  }

  size_t Written() const { return written_; }
  // The names of the columns whose binary values were left empty, in quotes.
  std::vector<std::string> BinaryColumns() const {
    std::vector<std::string> names;
    for (size_t c = 1; c < binaryColumns_.size(); ++c)
      if (binaryColumns_[c]) names.push_back("'" + source_.ColumnNames()[c - 1] + "'");
    return names;
  }

 private:
  std::string CellText(size_t column, uint32_t row) {
    switch (source_.TypeAt(column, row)) {
      case Value::Type::Null:
        return {};
      case Value::Type::Text:
        return std::string(source_.TextAt(column, row));
      case Value::Type::Boolean:
        return source_.Get(column, row).AsBool() ? "Wahr" : "Falsch";
      case Value::Type::Integer:
        return std::to_string(source_.Get(column, row).AsInteger());
      case Value::Type::Double:
        return NumberText(source_.Get(column, row).AsDouble(), layout_->decimalSeparator);
      case Value::Type::Date:
        return source_.Get(column, row).AsDate().ToIso();
      case Value::Type::Binary:
        binaryColumns_[column] = true;
        return {};
    }
    return {};
  }

  // Appends a value to the line, qualified where it must be. False when it must be qualified
  // and the layout has no qualifier.
  bool AppendField(size_t column, std::string_view value) {
    if (column > 1) line_ += layout_->separator;
    std::string replaced;
    if (!layout_->lineBreakToken.empty() && HasLineBreak(value)) {
      replaced = ReplaceAll(ReplaceAll(ReplaceAll(value, "\r\n", "\n"), "\r", "\n"), "\n",
                            layout_->lineBreakToken);
      value = replaced;
    }
    const std::string& qualifier = layout_->qualifier;
    const bool breaksRecord =
        value.find(layout_->separator) != std::string_view::npos || HasLineBreak(value);
    const bool needsQualifier =
        breaksRecord || (!qualifier.empty() && value.find(qualifier) != std::string_view::npos) ||
        (!value.empty() && (value.front() == ' ' || value.front() == '\t' || value.back() == ' ' ||
                            value.back() == '\t'));
    if (!needsQualifier) {
      line_ += value;
    } else if (!qualifier.empty()) {
      line_ += qualifier;
      line_ += ReplaceAll(value, qualifier, qualifier + qualifier);
      line_ += qualifier;
    } else if (breaksRecord) {
      return false;
    } else {
      line_ += value;  // blanks at the ends stay without a qualifier
    }
    return true;
  }

  Outcome EmitLine(AtomicFileWriter& file) {
    line_ += kLineEnd;
    if (layout_->encoding == OutEncoding::Windows1252) {
      std::optional<std::string> encoded = Utf8ToWindows1252(line_);
      if (!encoded) return Outcome::NeedsUtf8;
      return file.Write(*encoded) ? Outcome::Written : Outcome::WriteFailed;
    }
    return file.Write(line_) ? Outcome::Written : Outcome::WriteFailed;
  }

  const SourceTable& source_;
  const std::vector<uint32_t>& rows_;
  const std::unordered_map<uint32_t, std::string>& reasons_;
  size_t rejectColumn_;  // 0: appended after the source's columns
  const Layout* layout_ = nullptr;
  std::string line_;
  size_t written_ = 0;
  std::vector<bool> binaryColumns_;
};

}  // namespace

RejectFormat RejectFormatFor(const std::string& sourceFormatCode, const TextOptions& text,
                             const LoadReport& load) {
  RejectFormat format;
  std::optional<SourceFormat> source = FormatOfCode(Trim(sourceFormatCode));
  if (source != SourceFormat::Csv && source != SourceFormat::Txt) return format;
  format.separator = text.separator;
  format.qualifier = text.qualifier;
  format.lineBreakToken = text.lineBreakToken;
  format.headerLine = text.firstRowHasNames;
  if (load.encoding == text_encoding::kUtf8 || load.encoding == text_encoding::kUtf8Bom ||
      load.encoding == text_encoding::kWindows1252)
    format.encoding = load.encoding;
  return format;
}

RejectFileResult WriteRejectFile(const std::string& path, const SourceTable& source,
                                 const ImportReport& report, const RejectFormat& format) {
  RejectFileResult result;
  std::vector<std::string> notes;

  // Rows the grid no longer has (deleted after the run) cannot be written.
  std::vector<uint32_t> rows;
  rows.reserve(report.RowsRejected().size());
  for (uint32_t row : report.RowsRejected())
    if (row <= source.RowCount()) rows.push_back(row);
  if (size_t missing = report.RowsRejected().size() - rows.size(); missing == 1)
    notes.push_back(import_texts::kRejectOneRowGone);
  else if (missing > 1)
    notes.push_back(Fill(import_texts::kRejectRowsGone, {std::to_string(missing)}));
  if (rows.empty()) {
    result.note = Join(notes, " ");
    return result;
  }
  if (Trim(path).empty()) {
    result.error = import_texts::kRejectNoFile;
    return result;
  }

  Layout layout;
  layout.separator = format.separator;
  layout.qualifier = format.qualifier;
  layout.lineBreakToken = format.lineBreakToken;
  layout.headerLine = format.headerLine;
  layout.decimalSeparator = format.decimalSeparator.empty()
                                ? RegionalSettings::FromSystem().DecimalSeparator()
                                : format.decimalSeparator;
  std::optional<OutEncoding> encoding = OutEncodingOf(format.encoding);
  if (!encoding) {
    result.error = Fill(import_texts::kRejectEncodingUnknown, {format.encoding});
    return result;
  }
  layout.encoding = *encoding;
  if (layout.separator.empty()) {
    // Every line of the source was one value; the reasons need a column of their own.
    layout.separator = ";";
    notes.push_back(import_texts::kRejectNoSeparator);
  }
  if (std::optional<std::string> problem = FormatProblem(layout)) {
    result.error = *problem;
    return result;
  }

  size_t rejectColumn = 0;
  for (size_t c = 1; c <= source.ColumnCount(); ++c)
    if (EqualsIgnoreCase(Trim(source.ColumnNames()[c - 1]), kRejectColumn)) {
      rejectColumn = c;
      break;
    }

  const std::unordered_map<uint32_t, std::string> reasons = ReasonsByRow(report);
  Writer writer(source, rows, reasons, rejectColumn);
  AtomicFileWriter file(path);
  try {
    file.Open();
  } catch (const ConfigError& e) {
    result.error = e.what();
    return result;
  }
  Outcome outcome = Outcome::WriteFailed;
  // At most one change of encoding and one of the qualifier: the third attempt writes.
  for (int attempt = 0; attempt < 3; ++attempt) {
    if (!QualifierFitsEncoding(layout)) {
      result.error = Fill(import_texts::kRejectQualifierNotOneByte, {layout.qualifier});
      return result;
    }
    if (attempt > 0 && !file.Restart()) {
      result.error = messages::FileNotWritable(path, errno);
      return result;
    }
    outcome = writer.Write(file, layout);
    if (outcome == Outcome::NeedsUtf8) {
      layout.encoding = OutEncoding::Utf8WithBom;
      notes.push_back(import_texts::kRejectWrittenAsUtf8);
    } else if (outcome == Outcome::NeedsQualifier) {
      layout.qualifier = layout.separator == "\"" ? "'" : "\"";
      notes.push_back(Fill(import_texts::kRejectQualifierAdded, {layout.qualifier}));
    } else {
      break;
    }
  }
  if (outcome == Outcome::NeedsUtf8 || outcome == Outcome::NeedsQualifier) {
    // Not expected: every attempt asked for another change. The old file stays.
    result.error = Fill(import_texts::kRejectIncomplete, {path});
    return result;
  }
  try {
    file.Commit();  // also reports a write that failed on the way
  } catch (const ConfigError& e) {
    result.error = e.what();
    return result;
  }
  if (std::vector<std::string> binary = writer.BinaryColumns(); !binary.empty())
    notes.push_back(Fill(import_texts::kRejectBinaryLeftEmpty, {Join(binary, ", ")}));
  result.rows = writer.Written();
  result.note = Join(notes, " ");
  return result;
}

}  // namespace velra

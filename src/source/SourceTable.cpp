#include "source/SourceTable.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "source/SourceError.h"

namespace velra {

namespace {

// Tags of typed columns.
constexpr char kText = 'T', kDouble = 'N', kInteger = 'I', kDate = 'D', kBoolean = 'B', kNull = '0',
               kBytes = 'X', kPercentage = 'P';

template <typename T>
void AppendRaw(std::string& out, T value) {
  char bytes[sizeof(T)];
  std::memcpy(bytes, &value, sizeof(T));
  out.append(bytes, sizeof(T));
}

template <typename T>
T ReadRaw(std::string_view bytes) {
  T value{};
  std::memcpy(&value, bytes.data(), sizeof(T));
  return value;
}

// A value as a typed cell: its tag and payload.
std::string Encode(const Value& value) {
  std::string out;
  switch (value.GetType()) {
    case Value::Type::Null:
      out.push_back(kNull);
      break;
    case Value::Type::Boolean:
      out.push_back(kBoolean);
      out.push_back(value.AsBool() ? 1 : 0);
      break;
    case Value::Type::Integer:
      out.push_back(kInteger);
      AppendRaw(out, value.AsInteger());
      break;
    case Value::Type::Double:
      out.push_back(kDouble);
      AppendRaw(out, value.AsDouble());
      break;
    case Value::Type::Text:
      out.push_back(kText);
      out += value.AsText();
      break;
    case Value::Type::Date: {
      const DateTime& d = value.AsDate();
      out.push_back(kDate);
      AppendRaw(out, static_cast<int16_t>(d.Year));
      for (int part : {d.Month, d.Day, d.Hour, d.Minute, d.Second})
        out.push_back(static_cast<char>(part));
      break;
    }
    case Value::Type::Binary:
      out.push_back(kBytes);
      out.append(value.AsBytes().begin(), value.AsBytes().end());
      break;
  }
  return out;
}

Value Decode(std::string_view cell) {
  if (cell.empty()) return {};
  std::string_view payload = cell.substr(1);
  switch (cell.front()) {
    case kText:
      return Value(payload);
    case kDouble:
    case kPercentage:
      return Value(ReadRaw<double>(payload));
    case kInteger:
      return Value(ReadRaw<int64_t>(payload));
    case kBoolean:
      return Value(payload[0] != 0);
    case kDate: {
      DateTime d;
      d.Year = ReadRaw<int16_t>(payload);
      d.Month = payload[2];
      d.Day = payload[3];
      d.Hour = payload[4];
      d.Minute = payload[5];
      d.Second = payload[6];
      return Value(d);
    }
    case kBytes:
      return Value(Bytes(payload.begin(), payload.end()));
    default:
      return {};
  }
}

Value::Type TypeOfTag(char tag) {
  switch (tag) {
    case kText:
      return Value::Type::Text;
    case kDouble:
    case kPercentage:
      return Value::Type::Double;
    case kInteger:
      return Value::Type::Integer;
    case kBoolean:
      return Value::Type::Boolean;
    case kDate:
      return Value::Type::Date;
    case kBytes:
      return Value::Type::Binary;
    default:
      return Value::Type::Null;
  }
}

}  // namespace

void SourceTable::Reset(std::vector<std::string> columnNames) {
  names_ = std::move(columnNames);
  columns_.assign(names_.size(), Column{});
  lines_.clear();
  rowCount_ = 0;
}

void SourceTable::Reserve(size_t rows, const std::vector<size_t>& bytesPerColumn) {
  lines_.reserve(rows);
  for (size_t c = 0; c < columns_.size(); ++c) {
    columns_[c].ends.reserve(rows);
    if (c < bytesPerColumn.size()) columns_[c].data.reserve(bytesPerColumn[c]);
  }
}

void SourceTable::AddColumn(std::string name) {
  names_.push_back(std::move(name));
  Column column;
  column.typed = true;
  column.data.assign(rowCount_, kNull);
  column.ends.resize(rowCount_);
  for (size_t i = 0; i < rowCount_; ++i) column.ends[i] = static_cast<uint32_t>(i + 1);
  columns_.push_back(std::move(column));
}

void SourceTable::DropLeadingColumns(size_t count) {
  count = std::min(count, columns_.size());
  names_.erase(names_.begin(), names_.begin() + static_cast<std::ptrdiff_t>(count));
  columns_.erase(columns_.begin(), columns_.begin() + static_cast<std::ptrdiff_t>(count));
}

std::string SourceTable::HeaderLine(std::string_view separator) const {
  std::string line;
  for (size_t i = 0; i < names_.size(); ++i) {
    if (i > 0) line.append(separator);
    line += names_[i];
  }
  return line;
}

std::string_view SourceTable::Raw(const Column& column, size_t row) const {
  uint32_t begin = row > 1 ? column.ends[row - 2] : 0;
  return std::string_view(column.data).substr(begin, column.ends[row - 1] - begin);
}

Value SourceTable::Get(size_t column, size_t row) const {
  const Column& c = columns_.at(column - 1);
  std::string_view raw = Raw(c, row);
  return c.typed ? Decode(raw) : Value(raw);
}

Value::Type SourceTable::TypeAt(size_t column, size_t row) const {
  const Column& c = columns_.at(column - 1);
  if (!c.typed) return Value::Type::Text;
  std::string_view raw = Raw(c, row);
  return raw.empty() ? Value::Type::Null : TypeOfTag(raw.front());
}

bool SourceTable::IsPercentage(size_t column, size_t row) const {
  const Column& c = columns_.at(column - 1);
  if (!c.typed) return false;
  std::string_view raw = Raw(c, row);
  return !raw.empty() && raw.front() == kPercentage;
}

std::string_view SourceTable::TextAt(size_t column, size_t row) const {
  const Column& c = columns_.at(column - 1);
  std::string_view raw = Raw(c, row);
  if (!c.typed) return raw;
  return !raw.empty() && raw.front() == kText ? raw.substr(1) : std::string_view();
}

void SourceTable::CheckRoom(const Column& column, size_t more) const {
  if (column.data.size() + more > std::numeric_limits<uint32_t>::max())
    throw SourceError(SourceErrorCode::TooLarge,
                      "Die Datei ist zu groß: Eine Spalte enthält mehr als 4 GB Daten.");
}

void SourceTable::MakeTyped(Column& column) {
  if (column.typed) return;
  std::string data;
  data.reserve(column.data.size() + column.ends.size());
  uint32_t begin = 0;
  for (uint32_t& end : column.ends) {
    data.push_back(kText);
    data.append(column.data, begin, end - begin);
    begin = end;
    end = static_cast<uint32_t>(data.size());
  }
  column.data = std::move(data);
  column.typed = true;
}

void SourceTable::Append(Column& column, const Value& value) {
  if (!column.typed && value.IsText()) {
    CheckRoom(column, value.AsText().size());
    column.data += value.AsText();
    column.ends.push_back(static_cast<uint32_t>(column.data.size()));
  } else {
    AppendCell(column, Encode(value));
  }
}

void SourceTable::AppendCell(Column& column, const std::string& cell) {
  MakeTyped(column);
  CheckRoom(column, cell.size());
  column.data += cell;
  column.ends.push_back(static_cast<uint32_t>(column.data.size()));
}

void SourceTable::SetText(size_t column, std::string_view text) {
  Column& c = columns_.at(column - 1);
  if (c.ends.size() > rowCount_) return;  // set already for this row
  if (c.typed) {
    CheckRoom(c, text.size() + 1);
    c.data.push_back(kText);
  } else {
    CheckRoom(c, text.size());
  }
  c.data.append(text);
  c.ends.push_back(static_cast<uint32_t>(c.data.size()));
}

void SourceTable::SetValue(size_t column, const Value& value) {
  Column& c = columns_.at(column - 1);
  if (c.ends.size() > rowCount_) return;
  Append(c, value);
}

void SourceTable::SetPercentage(size_t column, double number) {
  Column& c = columns_.at(column - 1);
  if (c.ends.size() > rowCount_) return;
  std::string cell(1, kPercentage);
  AppendRaw(cell, number);
  AppendCell(c, cell);
}

void SourceTable::FinishRow(uint32_t sourceLine) {
  for (Column& c : columns_)
    if (c.ends.size() == rowCount_) Append(c, Value());
  lines_.push_back(sourceLine);
  ++rowCount_;
}

std::vector<Value> SourceTable::ReadRow(size_t row) const {
  std::vector<Value> values;
  values.reserve(columns_.size());
  for (size_t c = 1; c <= columns_.size(); ++c) values.push_back(Get(c, row));
  return values;
}

void SourceTable::ReplaceCell(Column& column, size_t row, const Value& value) {
  // A row written back from the grid keeps the mark of a percentage it did not change.
  if (column.typed) {
    std::string_view raw = Raw(column, row);
    if (!raw.empty() && raw.front() == kPercentage && Decode(raw) == value) return;
  }
  if (!column.typed && !value.IsText()) MakeTyped(column);
  std::string cell = column.typed ? Encode(value) : value.AsText();
  uint32_t begin = row > 1 ? column.ends[row - 2] : 0;
  uint32_t oldLength = column.ends[row - 1] - begin;
  if (cell.size() > oldLength) CheckRoom(column, cell.size() - oldLength);
  column.data.replace(begin, oldLength, cell);
  auto delta = static_cast<int64_t>(cell.size()) - oldLength;
  for (size_t i = row - 1; i < column.ends.size(); ++i)
    column.ends[i] = static_cast<uint32_t>(column.ends[i] + delta);
}

void SourceTable::UpdateRow(size_t row, const std::vector<Value>& values) {
  for (size_t c = 0; c < columns_.size(); ++c)
    ReplaceCell(columns_[c], row, c < values.size() ? values[c] : Value());
}

void SourceTable::AddRow(const std::vector<Value>& values) {
  for (size_t c = 0; c < columns_.size() && c < values.size(); ++c) SetValue(c + 1, values[c]);
  FinishRow(0);
}

void SourceTable::DeleteRow(size_t row) {
  for (Column& column : columns_) {
    uint32_t begin = row > 1 ? column.ends[row - 2] : 0;
    uint32_t length = column.ends[row - 1] - begin;
    column.data.erase(begin, length);
    column.ends.erase(column.ends.begin() + static_cast<std::ptrdiff_t>(row - 1));
    for (size_t i = row - 1; i < column.ends.size(); ++i) column.ends[i] -= length;
  }
  lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(row - 1));
  --rowCount_;
}

size_t SourceTable::MemoryUsage() const {
  size_t bytes = lines_.capacity() * sizeof(uint32_t);
  for (const Column& c : columns_)
    bytes += c.data.capacity() + c.ends.capacity() * sizeof(uint32_t);
  return bytes;
}

}  // namespace velra

#include "source/dbf/DbfReader.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <optional>

#include "base/Encoding.h"
#include "base/Paths.h"
#include "base/Text.h"
#include "source/SourceError.h"
#include "source/dbf/DbfEncoding.h"
#include "source/dbf/DbfFormat.h"
#include "source/dbf/DbfMemo.h"
#include "source/dbf/DbfTexts.h"

namespace velra {

namespace {

namespace fs = std::filesystem;
using dbf::Field;
using dbf::Flavor;
using dbf::Header;
namespace texts = dbf::texts;

constexpr uint64_t kProgressStep = 4096;
constexpr size_t kChunkBytes = size_t{1} << 20;
constexpr size_t kMaxCpgBytes = 256;
// A sound memo file hands out each of its bytes once; records that point at the same blocks
// again and again must not multiply it in memory.
constexpr uint64_t kMemoBudgetFactor = 4;
constexpr uint64_t kMemoBudgetSlack = uint64_t{64} << 20;

// How the bytes of a field become a value.
enum class CellKind {
  Text,           // C
  VarText,        // V: Visual FoxPro varchar
  Number,         // N, F
  Date,           // D: YYYYMMDD
  Logical,        // L
  TextMemo,       // M
  BinaryMemo,     // G, P, W, dBase B
  Integer,        // I: little-endian
  Double,         // Visual FoxPro B: little-endian
  Timestamp,      // T: Julian day and milliseconds
  Currency,       // Y: ten-thousandths
  SortedInteger,  // dBase 7 I and +: big-endian with the sign bit flipped
  SortedDouble,   // dBase 7 O
  VarBinary,      // Q
  Unsupported,
};

CellKind KindOf(const Header& header, const Field& field) {
  const bool level7 = header.flavor == Flavor::DBase7;
  const bool visualFoxPro = header.flavor == Flavor::VisualFoxPro;
  switch (field.type) {
    case 'C':
      return CellKind::Text;
    case 'N':
    case 'F':
      return CellKind::Number;
    case 'D':
      return CellKind::Date;
    case 'L':
      return CellKind::Logical;
    case 'M':
      return CellKind::TextMemo;
    case 'G':
    case 'P':
    case 'W':
      return CellKind::BinaryMemo;
    case 'B':
      if (!visualFoxPro) return CellKind::BinaryMemo;
      return field.length == 8 ? CellKind::Double : CellKind::Unsupported;
    case 'I':
    case '+':
      if (field.length != 4) return CellKind::Unsupported;
      if (level7) return CellKind::SortedInteger;
      return field.type == 'I' ? CellKind::Integer : CellKind::Unsupported;
    case 'O':
      return level7 && field.length == 8 ? CellKind::SortedDouble : CellKind::Unsupported;
    case 'T':
      return field.length == 8 ? CellKind::Timestamp : CellKind::Unsupported;
    case 'Y':
      return field.length == 8 ? CellKind::Currency : CellKind::Unsupported;
    case 'V':
      return visualFoxPro ? CellKind::VarText : CellKind::Unsupported;
    case 'Q':
      return visualFoxPro ? CellKind::VarBinary : CellKind::Unsupported;
    default:
      return CellKind::Unsupported;
  }
}

// Estimated bytes per cell, for reserving the columns.
size_t CellBytes(CellKind kind, uint32_t length) {
  switch (kind) {
    case CellKind::Text:
    case CellKind::VarText:
      return std::min<size_t>(length, 64);
    case CellKind::Logical:
      return 2;
    case CellKind::Date:
    case CellKind::Timestamp:
      return 8;
    case CellKind::TextMemo:
    case CellKind::BinaryMemo:
    case CellKind::VarBinary:
    case CellKind::Unsupported:
      return 1;
    default:
      return 9;
  }
}

uint64_t LittleEndian(const char* p, int bytes) {
  uint64_t value = 0;
  for (int i = bytes - 1; i >= 0; --i) value = value << 8 | static_cast<uint8_t>(p[i]);
  return value;
}

uint64_t BigEndian(const char* p, int bytes) {
  uint64_t value = 0;
  for (int i = 0; i < bytes; ++i) value = value << 8 | static_cast<uint8_t>(p[i]);
  return value;
}

std::string_view TrimEnd(std::string_view text, std::string_view characters) {
  size_t end = text.find_last_not_of(characters);
  return end == std::string_view::npos ? std::string_view() : text.substr(0, end + 1);
}

std::string_view TrimBoth(std::string_view text) {
  size_t begin = text.find_first_not_of(" \0", 0, 2);
  if (begin == std::string_view::npos) return {};
  size_t end = text.find_last_not_of(" \0", std::string_view::npos, 2);
  return text.substr(begin, end - begin + 1);
}

bool IsAscii(std::string_view bytes) {
  return std::all_of(bytes.begin(), bytes.end(),
                     [](char c) { return static_cast<uint8_t>(c) < 0x80; });
}

bool AllDigits(std::string_view text) {
  return !text.empty() &&
         std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// A number as dBase writes it: optional sign, digits, a point, an exponent in F fields.
std::optional<Value> ParseNumber(std::string_view text) {
  if (text.empty() || text.find_first_not_of("0123456789+-.eE") != std::string_view::npos)
    return std::nullopt;
  std::string_view unsigned_ = text.front() == '+' ? text.substr(1) : text;
  double number = 0;
  auto [end, error] =
      std::from_chars(unsigned_.data(), unsigned_.data() + unsigned_.size(), number);
  if (error != std::errc() || end != unsigned_.data() + unsigned_.size() || !std::isfinite(number))
    return std::nullopt;
  // Whole numbers beyond the exact range of a double (long article numbers) stay exact.
  if (std::fabs(number) >= 9007199254740992.0 &&
      unsigned_.find_first_of(".eE") == std::string_view::npos) {
    int64_t whole = 0;
    auto [wholeEnd, wholeError] =
        std::from_chars(unsigned_.data(), unsigned_.data() + unsigned_.size(), whole);
    if (wholeError == std::errc() && wholeEnd == unsigned_.data() + unsigned_.size())
      return Value(whole);
  }
  return Value(number);
}

// The Gregorian date of a Julian day number.
DateTime FromJulianDay(int64_t julianDay) {
  int64_t a = julianDay + 32044;
  int64_t b = (4 * a + 3) / 146097;
  int64_t c = a - 146097 * b / 4;
  int64_t d = (4 * c + 3) / 1461;
  int64_t e = c - 1461 * d / 4;
  int64_t m = (5 * e + 2) / 153;
  DateTime date;
  date.Day = static_cast<int>(e - (153 * m + 2) / 5 + 1);
  date.Month = static_cast<int>(m + 3 - 12 * (m / 10));
  date.Year = static_cast<int>(100 * b + d - 4800 + m / 10);
  return date;
}

// The table file of `table` in `folder`: the name compared exactly, the extension ignoring case;
// failing that, the name ignoring case too (tables named in profiles written on Windows).
std::string FindInFolder(const std::string& folder, std::string_view stem,
                         std::string_view extension) {
  std::error_code error;
  std::vector<std::string> exact, loose;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    std::string name = it->path().filename().string();
    if (name.size() != stem.size() + extension.size()) continue;
    std::string_view nameStem(name.data(), stem.size());
    if (!EqualsIgnoreCase(std::string_view(name).substr(stem.size()), extension)) continue;
    std::error_code typeError;
    if (!it->is_regular_file(typeError)) continue;
    if (nameStem == stem)
      exact.push_back(name);
    else if (EqualsIgnoreCase(nameStem, stem))
      loose.push_back(name);
  }
  std::vector<std::string>& found = exact.empty() ? loose : exact;
  if (found.empty()) return {};
  std::sort(found.begin(), found.end());
  return PathJoin(folder, found.front());
}

class Loader {
 public:
  Loader(const std::string& path, const LoadOptions& options, SourceTable& out, LoadReport& report)
      : path_(path), options_(options), out_(out), report_(report), file_(path) {}

  void Run();

 private:
  struct Column {
    const Field* field;
    CellKind kind;
    std::string name;  // the field name as text
    size_t number;     // 1-based
  };

  void ChooseEncoding();
  void GuessDosOrWindows();
  void PrepareColumns();
  void CheckRecordCount();
  bool Progress(uint64_t done);
  void ReadRecord(const char* record);
  void ReadCell(const Column& column, const char* record, const char* nullFlags);
  void PutText(const Column& column, std::string_view bytes);
  void PutMemo(const Column& column, std::string_view pointer);
  const dbf::MemoFile* Memo();
  std::string Decoded(std::string_view bytes) const;

  const std::string& path_;
  const LoadOptions& options_;
  SourceTable& out_;
  LoadReport& report_;
  dbf::BinaryFile file_;
  Header header_;
  dbf::TextDecoder decoder_;
  std::vector<Column> columns_;
  uint64_t count_ = 0;
  uint32_t recordNumber_ = 0;
  std::string scratch_;
  enum class MemoState { NotOpened, Open, Unusable } memoState_ = MemoState::NotOpened;
  std::unique_ptr<dbf::MemoFile> memo_;
  uint64_t memoBytes_ = 0;
};

void Loader::Run() {
  header_ = dbf::ReadHeader(file_);
  ChooseEncoding();
  PrepareColumns();
  CheckRecordCount();

  std::vector<size_t> bytesPerColumn;
  for (const Column& column : columns_)
    bytesPerColumn.push_back(static_cast<size_t>(count_) *
                             CellBytes(column.kind, column.field->length));
  out_.Reserve(static_cast<size_t>(count_), bytesPerColumn);

  const uint32_t recordLength = header_.recordLength;
  const uint64_t chunkRecords = std::max<uint64_t>(1, kChunkBytes / recordLength);
  std::vector<char> buffer(static_cast<size_t>(std::min(chunkRecords, count_) * recordLength));
  for (uint64_t done = 0; done < count_;) {
    uint64_t records = std::min(chunkRecords, count_ - done);
    if (!file_.ReadAt(header_.headerLength + done * recordLength,
                      static_cast<size_t>(records * recordLength), buffer.data()))
      throw SourceError(SourceErrorCode::FileUnreadable, texts::FileShortRead(path_));
    for (uint64_t i = 0; i < records; ++i, ++done) {
      if (done % kProgressStep == 0 && !Progress(done)) return;
      recordNumber_ = static_cast<uint32_t>(done + 1);
      const char* record = buffer.data() + i * recordLength;
      if (record[0] == '*') continue;  // deleted
      ReadRecord(record);
      out_.FinishRow(recordNumber_);
    }
  }
  if (options_.progress) options_.progress(count_, count_);
}

bool Loader::Progress(uint64_t done) {
  if (!options_.progress || options_.progress(done, count_)) return true;
  out_.Clear();
  report_.cancelled = true;
  return false;
}

// The user's choice wins; then the .cpg file; then the language driver byte; a table that names
// no character set is read by its bytes.
void Loader::ChooseEncoding() {
  switch (EncodingChoiceOf(options_.encoding)) {
    case EncodingChoice::Auto:
      break;
    case EncodingChoice::Utf8:
      decoder_ = dbf::TextDecoder::Utf8();
      return;
    case EncodingChoice::Windows1252:
      decoder_ = dbf::TextDecoder();
      return;
    case EncodingChoice::Cp850:
      if (auto decoder = dbf::TextDecoder::ForCodePage(850)) decoder_ = std::move(*decoder);
      return;
  }
  const std::string folder = FolderOf(path_);
  std::string stem = FileNameOf(path_);
  stem.resize(stem.size() - 4);
  std::string cpgPath = FindInFolder(folder.empty() ? "." : folder, stem, ".cpg");
  if (!cpgPath.empty()) {
    try {
      dbf::BinaryFile cpg(cpgPath);
      std::string content(static_cast<size_t>(std::min<uint64_t>(cpg.Size(), kMaxCpgBytes)), '\0');
      if (cpg.ReadAt(0, content.size(), content.data()) && !Trim(content).empty()) {
        if (auto decoder = dbf::DecoderForCpg(content)) {
          decoder_ = std::move(*decoder);
          return;
        }
        report_.Warn(0, texts::CpgUnknown(cpgPath, Trim(Windows1252ToUtf8(content))));
      }
    } catch (const SourceError&) {
      // An unreadable .cpg says nothing; the header still may.
    }
  }
  if (header_.languageDriver == 0) {
    GuessDosOrWindows();
    return;
  }
  if (int codePage = dbf::CodePageOfLanguageDriver(header_.languageDriver)) {
    if (auto decoder = dbf::TextDecoder::ForCodePage(codePage)) {
      decoder_ = std::move(*decoder);
      return;
    }
  }
  report_.Warn(0, texts::CodePageUnknown(header_.languageDriver));
}

// A table that names no character set was written either by a DOS program (code page 850) or
// by a Windows one (1252). German umlauts and ß lie at different bytes in the two, and the bytes
// of the one are mostly unused in texts of the other: the records decide, and a note says how.
void Loader::GuessDosOrWindows() {
  constexpr size_t kSample = 1 << 20;
  const uint64_t start = header_.headerLength;
  if (file_.Size() <= start) return;
  std::string sample(static_cast<size_t>(std::min<uint64_t>(file_.Size() - start, kSample)), '\0');
  if (!file_.ReadAt(start, sample.size(), sample.data())) return;
  static constexpr std::string_view kDos = "\x81\x84\x8E\x94\x99\x9A\xE1";      // üäÄöÖÜß
  static constexpr std::string_view kWindows = "\xE4\xF6\xFC\xC4\xD6\xDC\xDF";  // äöüÄÖÜß
  size_t dos = 0, windows = 0;
  for (char byte : sample) {
    dos += kDos.find(byte) != std::string_view::npos;
    windows += kWindows.find(byte) != std::string_view::npos;
  }
  if (dos == 0 && windows == 0) return;
  if (dos > windows) {
    if (auto decoder = dbf::TextDecoder::ForCodePage(850)) decoder_ = std::move(*decoder);
    report_.Warn(0, texts::CodePageGuessed("DOS (Codepage 850)"));
  } else {
    report_.Warn(0, texts::CodePageGuessed("Windows-1252"));
  }
}

std::string Loader::Decoded(std::string_view bytes) const {
  std::string text;
  if (!decoder_.Decode(bytes, text)) text = Windows1252ToUtf8(bytes);
  return text;
}

void Loader::PrepareColumns() {
  std::vector<std::string> names;
  for (const Field& field : header_.fields) {
    if (field.system) continue;
    Column column{&field, KindOf(header_, field), Decoded(field.name), columns_.size() + 1};
    if (column.kind == CellKind::Unsupported)
      report_.Warn(0, texts::TypeUnsupported(column.name, column.number, field.type));
    names.push_back(options_.firstRowHasNames && !column.name.empty()
                        ? column.name
                        : GeneratedColumnName(column.number));
    columns_.push_back(std::move(column));
  }
  out_.Reset(std::move(names));
}

// The header's record count is only a claim: the file size says how many records are there.
void Loader::CheckRecordCount() {
  const uint64_t dataBytes = file_.Size() - header_.headerLength;
  const uint64_t present = dataBytes / header_.recordLength;
  count_ = std::min<uint64_t>(header_.recordCount, present);
  if (header_.recordCount > present) {
    report_.Warn(0, texts::RecordsMissing(path_, header_.recordCount, present));
    return;
  }
  // Records appended by a program that crashed before it updated the header.
  const uint64_t end = header_.headerLength + count_ * header_.recordLength;
  char flag = 0;
  if (file_.Size() - end >= header_.recordLength && file_.ReadAt(end, 1, &flag) &&
      (flag == ' ' || flag == '*'))
    report_.Warn(0, texts::DataAfterRecords(path_, header_.recordCount));
}

void Loader::ReadRecord(const char* record) {
  const char* nullFlags = header_.nullFlagsField >= 0
                              ? record + header_.fields[header_.nullFlagsField].offset
                              : nullptr;
  for (const Column& column : columns_) ReadCell(column, record, nullFlags);
}

void Loader::ReadCell(const Column& column, const char* record, const char* nullFlags) {
  const Field& field = *column.field;
  const size_t col = column.number;
  auto flagSet = [&](int bit) {
    if (!nullFlags || bit < 0) return false;
    const Field& flags = header_.fields[header_.nullFlagsField];
    if (static_cast<uint32_t>(bit / 8) >= flags.length) return false;
    return (static_cast<uint8_t>(nullFlags[bit / 8]) >> (bit % 8) & 1) != 0;
  };
  if (flagSet(field.nullBit)) return;  // null

  const char* p = record + field.offset;
  std::string_view bytes(p, field.length);
  switch (column.kind) {
    case CellKind::Text:
      PutText(column, TrimEnd(bytes, std::string_view(" \0", 2)));
      return;
    case CellKind::VarText:
    case CellKind::VarBinary: {
      if (flagSet(field.varLengthBit))
        bytes =
            bytes.substr(0, std::min<size_t>(static_cast<uint8_t>(bytes.back()), bytes.size() - 1));
      if (column.kind == CellKind::VarText)
        PutText(column, bytes);
      else
        out_.SetValue(col, Value(Bytes(bytes.begin(), bytes.end())));
      return;
    }
    case CellKind::Number: {
      std::string_view text = TrimBoth(bytes);
      // Blank, and a field filled with "*" (how common writers store "no value"), hold none.
      if (text.find_first_not_of('*') == std::string_view::npos) return;
      if (auto number = ParseNumber(text))
        out_.SetValue(col, *number);
      else
        report_.WarnCell(recordNumber_, col, Decoded(text),
                         texts::NotANumber(column.name, col, Decoded(text)));
      return;
    }
    case CellKind::Date: {
      std::string_view text = TrimBoth(bytes);
      if (text.empty() || text == "00000000") return;
      DateTime date;
      if (text.size() == 8 && AllDigits(text)) {
        date.Year = std::stoi(std::string(text.substr(0, 4)));
        date.Month = std::stoi(std::string(text.substr(4, 2)));
        date.Day = std::stoi(std::string(text.substr(6, 2)));
        if (date.IsValid()) {
          out_.SetValue(col, date);
          return;
        }
      }
      report_.WarnCell(recordNumber_, col, Decoded(text),
                       texts::NotADate(column.name, col, Decoded(text)));
      return;
    }
    case CellKind::Logical: {
      std::string_view text = TrimBoth(bytes);
      if (text.empty() || text == "?") return;
      if (text.size() == 1 && std::strchr("TtYy", text[0]))
        out_.SetValue(col, true);
      else if (text.size() == 1 && std::strchr("FfNn", text[0]))
        out_.SetValue(col, false);
      else
        report_.WarnCell(recordNumber_, col, Decoded(text),
                         texts::NotALogical(column.name, col, Decoded(text)));
      return;
    }
    case CellKind::TextMemo:
    case CellKind::BinaryMemo:
      PutMemo(column, bytes);
      return;
    case CellKind::Integer:
      out_.SetValue(col, static_cast<int32_t>(static_cast<uint32_t>(LittleEndian(p, 4))));
      return;
    case CellKind::Double:
      out_.SetValue(col, std::bit_cast<double>(LittleEndian(p, 8)));
      return;
    case CellKind::Currency:
      out_.SetValue(col, static_cast<double>(static_cast<int64_t>(LittleEndian(p, 8))) / 10000.0);
      return;
    case CellKind::SortedInteger: {
      auto raw = static_cast<uint32_t>(BigEndian(p, 4));
      if (raw == 0) return;  // never written
      out_.SetValue(col, static_cast<int32_t>(raw ^ 0x80000000u));
      return;
    }
    case CellKind::SortedDouble: {
      uint64_t raw = BigEndian(p, 8);
      if (raw == 0) return;
      constexpr uint64_t kSign = uint64_t{1} << 63;
      raw = (raw & kSign) ? raw ^ kSign : ~raw;
      out_.SetValue(col, std::bit_cast<double>(raw));
      return;
    }
    case CellKind::Timestamp: {
      auto day = static_cast<int64_t>(LittleEndian(p, 4));
      auto milliseconds = static_cast<int64_t>(LittleEndian(p + 4, 4));
      if (day == 0 && milliseconds == 0) return;
      int64_t seconds = (milliseconds + 500) / 1000;
      if (seconds == 86400) {  // rounded up into the next day
        ++day;
        seconds = 0;
      }
      DateTime stamp = FromJulianDay(day);
      stamp.Hour = static_cast<int>(seconds / 3600);
      stamp.Minute = static_cast<int>(seconds / 60 % 60);
      stamp.Second = static_cast<int>(seconds % 60);
      if (seconds < 86400 && stamp.IsValid())
        out_.SetValue(col, stamp);
      else
        report_.WarnCell(recordNumber_, col, {}, texts::NotATimestamp(column.name, col));
      return;
    }
    case CellKind::Unsupported:
      return;
  }
}

void Loader::PutText(const Column& column, std::string_view bytes) {
  if (IsAscii(bytes)) {
    out_.SetText(column.number, bytes);
    return;
  }
  scratch_.clear();
  if (!decoder_.Decode(bytes, scratch_)) {
    scratch_ = Windows1252ToUtf8(bytes);
    report_.WarnCell(recordNumber_, column.number, scratch_,
                     texts::NotUtf8(column.name, column.number));
  }
  out_.SetText(column.number, scratch_);
}

// The pointer is ten digits in dBase and FoxPro, four binary bytes in Visual FoxPro.
void Loader::PutMemo(const Column& column, std::string_view pointer) {
  uint64_t block = 0;
  if (pointer.size() == 4) {
    block = LittleEndian(pointer.data(), 4);
  } else {
    std::string_view digits = TrimBoth(pointer);
    if (digits.empty()) return;
    if (!AllDigits(digits) || digits.size() > 10) {
      report_.WarnCell(recordNumber_, column.number, Decoded(digits),
                       texts::NotABlockNumber(column.name, column.number, Decoded(digits)));
      return;
    }
    std::from_chars(digits.data(), digits.data() + digits.size(), block);
  }
  if (block == 0) return;
  const dbf::MemoFile* memo = Memo();
  if (!memo) return;  // reported once
  std::optional<std::string> bytes = memo->Read(block);
  if (!bytes) {
    report_.WarnCell(recordNumber_, column.number, {},
                     texts::MemoBlockBad(column.name, column.number, block, memo->Path()));
    return;
  }
  memoBytes_ += bytes->size();
  if (memoBytes_ > memo->Size() * kMemoBudgetFactor + kMemoBudgetSlack)
    throw SourceError(SourceErrorCode::TooLarge, texts::MemoTooLarge(memo->Path()));
  if (column.kind == CellKind::BinaryMemo)
    out_.SetValue(column.number, Value(Bytes(bytes->begin(), bytes->end())));
  else
    PutText(column, TrimEnd(*bytes, std::string_view("\x1A\0", 2)));
}

// Opened at the first memo a record points to, so that a table whose memo fields are all empty
// loads without its memo file and without a note.
const dbf::MemoFile* Loader::Memo() {
  if (memoState_ == MemoState::Open) return memo_.get();
  if (memoState_ == MemoState::Unusable) return nullptr;
  const std::string folder = FolderOf(path_).empty() ? "." : FolderOf(path_);
  std::string stem = FileNameOf(path_);
  stem.resize(stem.size() - 4);
  std::string fpt = FindInFolder(folder, stem, ".fpt");
  std::string dbt = FindInFolder(folder, stem, ".dbt");
  std::string problem;
  if (header_.IsFoxPro() && !fpt.empty())
    memo_ = dbf::MemoFile::Open(fpt, dbf::MemoFormat::FoxPro, problem);
  else if (!dbt.empty())
    memo_ = dbf::MemoFile::Open(dbt,
                                header_.flavor == Flavor::DBase4 || header_.flavor == Flavor::DBase7
                                    ? dbf::MemoFormat::DBase4
                                    : dbf::MemoFormat::DBase3,
                                problem);
  else if (!fpt.empty())
    memo_ = dbf::MemoFile::Open(fpt, dbf::MemoFormat::FoxPro, problem);
  else
    problem = texts::MemoMissing(PathJoin(folder, stem + (header_.IsFoxPro() ? ".fpt" : ".dbt")));
  memoState_ = memo_ ? MemoState::Open : MemoState::Unusable;
  if (!memo_) report_.Warn(0, problem);
  return memo_.get();
}

// The .dbf files of the folder, by name without the extension.
std::vector<std::string> ListTables(const std::string& folder) {
  std::error_code error;
  std::vector<std::string> tables;
  fs::directory_iterator it(folder, error), end;
  for (; !error && it != end; it.increment(error)) {
    std::string name = it->path().filename().string();
    if (name.size() <= 4 ||
        !EqualsIgnoreCase(std::string_view(name).substr(name.size() - 4), ".dbf"))
      continue;
    std::error_code typeError;
    if (!it->is_regular_file(typeError)) continue;
    tables.push_back(name.substr(0, name.size() - 4));
  }
  if (error)
    throw SourceError(SourceErrorCode::FileUnreadable,
                      texts::FolderUnreadable(folder, error.value()));
  std::sort(tables.begin(), tables.end(), [](const std::string& a, const std::string& b) {
    std::string foldedA = FoldCase(a), foldedB = FoldCase(b);
    return foldedA != foldedB ? foldedA < foldedB : a < b;
  });
  // The same name with .dbf and .DBF is one table to the user.
  tables.erase(std::unique(tables.begin(), tables.end()), tables.end());
  return tables;
}

class DbfFolder : public SourceReader {
 public:
  DbfFolder(std::string folder, std::string chosen)
      : folder_(std::move(folder)), chosen_(std::move(chosen)) {}

  std::vector<std::string> Tables() override { return ListTables(folder_); }
  std::string ChosenTable() const override { return chosen_; }

  void Load(const std::string& table, const LoadOptions& options, SourceTable& out,
            LoadReport& report) override {
    out.Clear();
    std::string path = FindInFolder(folder_, table, ".dbf");
    if (path.empty() || table.find_first_of("/\\") != std::string::npos)
      throw SourceError(SourceErrorCode::TableMissing, texts::TableMissing(table, folder_));
    try {
      Loader(path, options, out, report).Run();
    } catch (...) {
      out.Clear();
      throw;
    }
  }

 private:
  std::string folder_;
  std::string chosen_;
};

}  // namespace

std::unique_ptr<SourceReader> OpenDbfFolder(const std::string& fileInFolder) {
  if (IsDirectory(fileInFolder)) {
    ListTables(fileInFolder);
    return std::make_unique<DbfFolder>(fileInFolder, std::string());
  }
  if (!FileExists(fileInFolder))
    throw SourceError(SourceErrorCode::FileMissing, texts::FileMissing(fileInFolder));
  std::string folder = FolderOf(fileInFolder);
  if (folder.empty()) folder = fileInFolder.starts_with('/') ? "/" : ".";
  // The chosen table is checked at once, so that a damaged file is reported when it is chosen.
  std::string name = FileNameOf(fileInFolder);
  std::string chosen;
  if (name.size() > 4 && EqualsIgnoreCase(std::string_view(name).substr(name.size() - 4), ".dbf")) {
    dbf::BinaryFile file(fileInFolder);
    dbf::ReadHeader(file);
    chosen = name.substr(0, name.size() - 4);
  }
  ListTables(folder);
  return std::make_unique<DbfFolder>(folder, chosen);
}

}  // namespace velra

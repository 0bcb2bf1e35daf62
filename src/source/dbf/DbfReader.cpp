#include "source/dbf/DbfReader.h"

#include <algorithm>
#include <charconv>
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
#include "source/dbf/DbfValues.h"

namespace velra {

namespace {

namespace fs = std::filesystem;
using dbf::AllDigits;
using dbf::CellKind;
using dbf::Field;
using dbf::Flavor;
using dbf::Header;
using dbf::LittleEndian;
using dbf::TrimBoth;
using dbf::TrimEnd;
namespace texts = dbf::texts;

constexpr uint64_t kProgressStep = 4096;
constexpr size_t kChunkBytes = size_t{1} << 20;
constexpr size_t kMaxCpgBytes = 256;
// A sound memo file hands out each of its bytes once; records that point at the same blocks
// again and again must not multiply it in memory.
constexpr uint64_t kMemoBudgetFactor = 4;
constexpr uint64_t kMemoBudgetSlack = uint64_t{64} << 20;

bool IsAscii(std::string_view bytes) {
  return std::all_of(bytes.begin(), bytes.end(),
                     [](char c) { return static_cast<uint8_t>(c) < 0x80; });
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
  // Whether `bit` of the record's _NullFlags is set.
  bool FlagSet(const char* nullFlags, int bit) const;
  void PutFixed(const Column& column, std::string_view bytes);
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

bool Loader::FlagSet(const char* nullFlags, int bit) const {
  if (!nullFlags || bit < 0) return false;
  const Field& flags = header_.fields[header_.nullFlagsField];
  if (static_cast<uint32_t>(bit / 8) >= flags.length) return false;
  return (static_cast<uint8_t>(nullFlags[bit / 8]) >> (bit % 8) & 1) != 0;
}

void Loader::ReadCell(const Column& column, const char* record, const char* nullFlags) {
  const Field& field = *column.field;
  if (FlagSet(nullFlags, field.nullBit)) return;  // null

  std::string_view bytes(record + field.offset, field.length);
  switch (column.kind) {
    case CellKind::Text:
      PutText(column, TrimEnd(bytes, std::string_view(" \0", 2)));
      return;
    case CellKind::VarText:
    case CellKind::VarBinary:
      // The last byte holds the length of a value shorter than the field.
      if (FlagSet(nullFlags, field.varLengthBit))
        bytes =
            bytes.substr(0, std::min<size_t>(static_cast<uint8_t>(bytes.back()), bytes.size() - 1));
      if (column.kind == CellKind::VarText)
        PutText(column, bytes);
      else
        out_.SetValue(column.number, Value(Bytes(bytes.begin(), bytes.end())));
      return;
    case CellKind::TextMemo:
    case CellKind::BinaryMemo:
      PutMemo(column, bytes);
      return;
    case CellKind::Unsupported:
      return;
    default:
      PutFixed(column, bytes);
      return;
  }
}

void Loader::PutFixed(const Column& column, std::string_view bytes) {
  const size_t col = column.number;
  dbf::FieldValue field = dbf::FixedFieldValue(column.kind, bytes);
  if (field.value) {
    out_.SetValue(col, *field.value);
    return;
  }
  using Problem = dbf::FieldValue::Problem;
  const std::string text = Decoded(field.text);
  switch (field.problem) {
    case Problem::None:
      return;
    case Problem::NotANumber:
      report_.WarnCell(recordNumber_, col, text, texts::NotANumber(column.name, col, text));
      return;
    case Problem::NotADate:
      report_.WarnCell(recordNumber_, col, text, texts::NotADate(column.name, col, text));
      return;
    case Problem::NotALogical:
      report_.WarnCell(recordNumber_, col, text, texts::NotALogical(column.name, col, text));
      return;
    case Problem::NotATimestamp:
      report_.WarnCell(recordNumber_, col, {}, texts::NotATimestamp(column.name, col));
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

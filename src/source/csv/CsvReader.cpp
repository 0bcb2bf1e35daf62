#include "source/csv/CsvReader.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unicode/utf8.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "base/Encoding.h"
#include "base/Text.h"
#include "config/Messages.h"
#include "source/CodePage.h"
#include "source/SourceError.h"
#include "source/csv/CsvTexts.h"

namespace velra {

namespace {

// A record longer than this is no master data; refusing it keeps memory bounded.
constexpr size_t kMaxRecordBytes = 64u * 1024u * 1024u;
constexpr size_t kProgressStepBytes = 4u * 1024u * 1024u;
// Pages behind the cursor are handed back to the system in steps of this size, so that the
// mapped file does not add its whole size to the memory in use.
constexpr size_t kReleaseStepBytes = 64u * 1024u * 1024u;
// The table may take this multiple of the file, and at least kMinMemoryLimit: every row holds a
// cell in each column, so a wide header over a million empty lines would need gigabytes.
constexpr uint64_t kMinMemoryLimit = 256u * 1024u * 1024u;
constexpr uint64_t kMaxMemoryExpansion = 40;
// Bytes of the table per cell besides its text: the end offset and the type tag.
constexpr uint64_t kCellOverhead = 5;

// The file's bytes, mapped read-only.
class MappedFile {
 public:
  explicit MappedFile(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
      int error = errno;
      if (error == ENOENT)
        throw SourceError(SourceErrorCode::FileMissing, messages::FileMissing(path));
      throw SourceError(SourceErrorCode::FileUnreadable, messages::FileUnreadable(path, error));
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
      ::close(fd);
      throw SourceError(SourceErrorCode::FileUnreadable, messages::NotARegularFile(path));
    }
    size_ = static_cast<size_t>(info.st_size);
    if (size_ > 0) {
      void* data = ::mmap(nullptr, size_, PROT_READ, MAP_PRIVATE, fd, 0);
      if (data == MAP_FAILED) {
        int error = errno;
        ::close(fd);
        throw SourceError(SourceErrorCode::FileUnreadable, messages::FileUnreadable(path, error));
      }
      data_ = static_cast<const char*>(data);
      ::madvise(data, size_, MADV_SEQUENTIAL);
    }
    ::close(fd);
  }
  ~MappedFile() {
    if (data_) ::munmap(const_cast<char*>(data_), size_);
  }
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;

  const char* Data() const { return data_; }
  size_t Size() const { return size_; }
  // Gives the pages before `offset` back; they are not read again.
  void Release(size_t offset) {
    size_t page = static_cast<size_t>(::sysconf(_SC_PAGESIZE));
    size_t bytes = offset / page * page;
    if (data_ && bytes > released_) {
      ::madvise(const_cast<char*>(data_) + released_, bytes - released_, MADV_DONTNEED);
      released_ = bytes;
    }
  }

 private:
  const char* data_ = nullptr;
  size_t size_ = 0;
  size_t released_ = 0;
};

enum class FileEncoding { Utf8, Windows1252, Cp850 };

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// UTF-8 text whose invalid bytes are taken as Windows-1252 characters, one byte at a time: a
// file that is mostly UTF-8 keeps every character, and no invalid UTF-8 reaches the table.
std::string RepairUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() + 8);
  const auto* s = reinterpret_cast<const uint8_t*>(bytes.data());
  const auto length = static_cast<int32_t>(bytes.size());
  int32_t i = 0;
  while (i < length) {
    if (s[i] < 0x80) {
      out.push_back(static_cast<char>(s[i++]));
      continue;
    }
    int32_t next = i;
    UChar32 c;
    U8_NEXT(s, next, length, c);
    if (c >= 0) {
      out.append(bytes.data() + i, static_cast<size_t>(next - i));
      i = next;
    } else {
      out += Windows1252ToUtf8(bytes.substr(static_cast<size_t>(i), 1));
      ++i;
    }
  }
  return out;
}

// UTF-16 text (with its byte order mark) as UTF-8.
std::string Utf16ToUtf8(std::string_view bytes, bool bigEndian) {
  std::string out;
  out.reserve(bytes.size());
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    auto unit = [&](size_t at) {
      auto a = static_cast<unsigned char>(bytes[at]), b = static_cast<unsigned char>(bytes[at + 1]);
      return static_cast<char32_t>(bigEndian ? (a << 8 | b) : (b << 8 | a));
    };
    char32_t c = unit(i);
    if (c >= 0xD800 && c <= 0xDBFF && i + 3 < bytes.size()) {
      char32_t low = unit(i + 2);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
        i += 2;
      }
    }
    AppendUtf8(out, c);
  }
  return out;
}

// The parser of one file. Works on the raw bytes; values are turned into UTF-8 one at a time.
class CsvParser {
 public:
  // `checkUtf8`: the text is read as UTF-8 but is not valid UTF-8 throughout.
  CsvParser(std::string_view text, FileEncoding encoding, bool checkUtf8,
            const TextOptions& options, const std::string& path, MappedFile* mapped,
            size_t mappedOffset)
      : text_(text),
        encoding_(encoding),
        dos_(850),
        checkUtf8_(checkUtf8),
        options_(options),
        path_(path),
        mapped_(mapped),
        mappedOffset_(mappedOffset),
        memoryLimit_(std::max<uint64_t>(kMinMemoryLimit, text.size() * kMaxMemoryExpansion)) {
    separator_ = InFileEncoding(options.separator);
    std::string qualifier = InFileEncoding(options.qualifier);
    hasQualifier_ = qualifier.size() == 1;
    qualifier_ = hasQualifier_ ? qualifier[0] : '\0';
    std::memset(stops_, 0, sizeof stops_);
    stops_[static_cast<unsigned char>('\r')] = stops_[static_cast<unsigned char>('\n')] = true;
    if (!separator_.empty()) stops_[static_cast<unsigned char>(separator_[0])] = true;
  }

  void Load(SourceTable& out, LoadReport& report) {
    out.Clear();
    size_t position = 0;
    std::vector<std::string> fields;
    uint32_t line = 1;
    bool named = options_.firstRowHasNames;
    if (named) {
      if (text_.empty()) return;
      uint32_t next = ReadRecord(position, line, fields, report);
      WarnRepaired(line, report);
      std::vector<std::string> names;
      for (size_t i = 0; i < fields.size(); ++i)
        names.push_back(fields[i].empty() ? GeneratedColumnName(i + 1) : fields[i]);
      if (fields.size() == 1 && fields[0].empty()) {
        report.Warn(line, "Die erste Zeile ist leer; die Spalten werden durchnummeriert.");
        names.clear();
        named = false;
      }
      if (names.size() > kMaxSourceColumns) ThrowTooManyColumns(line);
      out.Reset(std::move(names));
      line = next;
    }

    size_t nextProgress = kProgressStepBytes;
    size_t rowsSinceEstimate = 0;
    bool reserved = false;
    while (position < text_.size()) {
      size_t recordStart = position;
      uint32_t recordLine = line;
      line = ReadRecord(position, line, fields, report);
      WarnRepaired(recordLine, report);
      if (!named && fields.size() > out.ColumnCount()) {
        if (fields.size() > kMaxSourceColumns) ThrowTooManyColumns(recordLine);
        // The rows read so far get an empty cell in each new column.
        CountMemory((fields.size() - out.ColumnCount()) * out.RowCount() * kCellOverhead);
        while (out.ColumnCount() < fields.size())
          out.AddColumn(GeneratedColumnName(out.ColumnCount() + 1));
      }
      // Empty values beyond the header are trailing separators: nothing is lost.
      const auto beyond = fields.begin() + std::min(fields.size(), out.ColumnCount());
      if (std::any_of(beyond, fields.end(),
                      [](const std::string& value) { return !value.empty(); }))
        report.WarnCell(recordLine, out.ColumnCount() + 1,
                        Join(std::vector<std::string>(beyond, fields.end()), options_.separator),
                        Fill(csv_texts::kValuesBeyondHeader,
                             {std::to_string(fields.size()), std::to_string(out.ColumnCount()),
                              std::to_string(out.ColumnCount() + 1)}));
      size_t count = std::min(fields.size(), out.ColumnCount());
      uint64_t rowBytes = out.ColumnCount() * kCellOverhead;
      for (size_t c = 0; c < count; ++c) rowBytes += fields[c].size();
      CountMemory(rowBytes);
      for (size_t c = 0; c < count; ++c) out.SetText(c + 1, fields[c]);
      out.FinishRow(recordLine);

      if (!reserved && ++rowsSinceEstimate == 1000) {
        Reserve(out, position);
        reserved = true;
      }
      if (position >= nextProgress) {
        nextProgress = position + kProgressStepBytes;
        if (mapped_) mapped_->Release(mappedOffset_ + recordStart);
        if (options_.progress && !options_.progress(position, text_.size())) {
          out.Clear();
          report.cancelled = true;
          return;
        }
      }
    }
    if (options_.progress) options_.progress(text_.size(), text_.size());
  }

 private:
  std::string InFileEncoding(const std::string& text) const {
    if (encoding_ == FileEncoding::Utf8) return text;
    if (encoding_ == FileEncoding::Windows1252)
      return Utf8ToWindows1252(text).value_or(std::string());
    if (text.size() == 1 && static_cast<unsigned char>(text[0]) < 0x80) return text;
    for (int byte = 0x80; byte <= 0xFF; ++byte) {
      const std::string one(1, static_cast<char>(byte));
      if (dos_.ToUtf8(one) == text) return one;
    }
    return text;
  }

  void WarnRepaired(uint32_t line, LoadReport& report) {
    if (!repaired_) return;
    repaired_ = false;
    report.Warn(line,
                "Die Zeile enthält Bytes, die in UTF-8 ungültig sind; sie wurden als "
                "Windows-1252-Zeichen gelesen.");
  }

  // Keeps the table within the memory limit, counting before the cells are stored.
  void CountMemory(uint64_t bytes) {
    tableBytes_ += bytes;
    if (tableBytes_ > memoryLimit_)
      throw SourceError(
          SourceErrorCode::TooLarge,
          Fill(csv_texts::kTooLarge, {path_, std::to_string(memoryLimit_ / (1024u * 1024u))}));
  }

  [[noreturn]] void ThrowTooManyColumns(uint32_t line) const {
    throw SourceError(SourceErrorCode::TooLarge,
                      Fill(csv_texts::kTooManyColumns,
                           {path_, std::to_string(line), std::to_string(kMaxSourceColumns)}));
  }

  // Room for the whole file, estimated from the rows read so far.
  void Reserve(SourceTable& out, size_t position) const {
    double share = static_cast<double>(text_.size()) / static_cast<double>(position);
    size_t rows = static_cast<size_t>(static_cast<double>(out.RowCount()) * share * 1.05) + 16;
    // No more rows than the memory limit allows; the rest of the file may well be shorter.
    rows = std::min<size_t>(
        rows, memoryLimit_ / (kCellOverhead * std::max<size_t>(1, out.ColumnCount())));
    std::vector<size_t> bytes;
    for (size_t c = 1; c <= out.ColumnCount(); ++c) {
      size_t used = 0;
      for (size_t r = 1; r <= out.RowCount(); ++r) used += out.TextAt(c, r).size() + 1;
      bytes.push_back(
          std::min<size_t>(static_cast<size_t>(static_cast<double>(used) * share * 1.05),
                           memoryLimit_ / std::max<size_t>(1, out.ColumnCount())));
    }
    out.Reserve(rows, bytes);
  }

  bool IsSeparatorAt(size_t at) const {
    return !separator_.empty() && text_.compare(at, separator_.size(), separator_) == 0;
  }

  // Reads one record from `position` into `fields` (UTF-8) and returns the line number after it.
  uint32_t ReadRecord(size_t& position, uint32_t line, std::vector<std::string>& fields,
                      LoadReport& report) {
    size_t start = position;
    uint32_t next = line;
    if (ReadQualified(position, next, fields)) return next;
    report.Warn(line,
                "Ein Textbegrenzungszeichen wird bis zum Ende der Datei nicht geschlossen; "
                "die Zeile wurde ohne Textbegrenzung gelesen.");
    position = start;
    repaired_ = false;  // the plain reading decides again
    return ReadPlain(position, line, fields);
  }

  // The usual reading: qualified values may hold separators, line breaks and doubled
  // qualifiers. False when a qualified value runs to the end of the file.
  bool ReadQualified(size_t& position, uint32_t& line, std::vector<std::string>& fields) {
    fields.clear();
    const size_t recordStart = position;
    const char* data = text_.data();
    const size_t size = text_.size();
    raw_.clear();
    while (true) {
      raw_.clear();
      size_t p = position;
      if (hasQualifier_ && p < size && data[p] == qualifier_) {
        ++p;
        while (true) {
          const void* found = std::memchr(data + p, qualifier_, size - p);
          if (!found) return false;
          size_t q = static_cast<size_t>(static_cast<const char*>(found) - data);
          if (q - recordStart > kMaxRecordBytes) ThrowRecordTooLong(line);
          line += CountLineBreaks(p, q);
          raw_.append(data + p, q - p);
          if (q + 1 < size && data[q + 1] == qualifier_) {
            raw_.push_back(qualifier_);
            p = q + 2;
            continue;
          }
          p = q + 1;
          break;
        }
        // Anything between the closing qualifier and the separator belongs to the value.
        size_t tail = ScanToStop(p, recordStart, line);
        raw_.append(data + p, tail - p);
        p = tail;
      } else {
        size_t tail = ScanToStop(p, recordStart, line);
        raw_.append(data + p, tail - p);
        p = tail;
      }
      // A line of millions of short values would cost far more memory than its bytes.
      if (fields.size() == kMaxSourceColumns) ThrowTooManyColumns(line);
      fields.push_back(Finish(raw_));
      if (p < size && IsSeparatorAt(p)) {
        position = p + separator_.size();
        continue;
      }
      position = SkipLineEnd(p);
      if (position > p) ++line;
      return true;
    }
  }

  // The plain reading of one physical line: split at every separator, then drop a qualifier at
  // the start and one at the end of each piece.
  uint32_t ReadPlain(size_t& position, uint32_t line, std::vector<std::string>& fields) {
    fields.clear();
    size_t end = position;
    while (end < text_.size() && text_[end] != '\r' && text_[end] != '\n') ++end;
    if (end - position > kMaxRecordBytes) ThrowRecordTooLong(line);
    std::string_view record = text_.substr(position, end - position);
    size_t start = 0;
    while (true) {
      size_t found = separator_.empty() ? std::string_view::npos : record.find(separator_, start);
      std::string_view piece = record.substr(
          start, found == std::string_view::npos ? std::string_view::npos : found - start);
      if (hasQualifier_ && !piece.empty() && piece.front() == qualifier_) piece.remove_prefix(1);
      if (hasQualifier_ && !piece.empty() && piece.back() == qualifier_) piece.remove_suffix(1);
      if (fields.size() == kMaxSourceColumns) ThrowTooManyColumns(line);
      fields.push_back(Finish(piece));
      if (found == std::string_view::npos) break;
      start = found + separator_.size();
    }
    position = SkipLineEnd(end);
    return line + 1;
  }

  // The end of the unqualified text from `p`; throws once the record would pass the limit, so
  // that neither scanning nor copying goes beyond it.
  size_t ScanToStop(size_t p, size_t recordStart, uint32_t line) const {
    const size_t end = std::min(text_.size(), recordStart + kMaxRecordBytes + 1);
    while (p < end && !IsStop(p)) ++p;
    if (p - recordStart > kMaxRecordBytes) ThrowRecordTooLong(line);
    return p;
  }

  bool IsStop(size_t at) const {
    unsigned char c = static_cast<unsigned char>(text_[at]);
    if (!stops_[c]) return false;
    if (c == '\r' || c == '\n') return true;
    return separator_.size() == 1 || IsSeparatorAt(at);
  }

  size_t SkipLineEnd(size_t p) const {
    if (p < text_.size() && text_[p] == '\r')
      ++p;
    else if (p < text_.size() && text_[p] == '\n')
      return p + 1;
    else
      return p;
    if (p < text_.size() && text_[p] == '\n') ++p;
    return p;
  }

  uint32_t CountLineBreaks(size_t from, size_t to) const {
    uint32_t count = 0;
    for (size_t i = from; i < to; ++i) {
      if (text_[i] == '\n')
        ++count;
      else if (text_[i] == '\r' && (i + 1 >= to || text_[i + 1] != '\n'))
        ++count;
    }
    return count;
  }

  [[noreturn]] void ThrowRecordTooLong(uint32_t line) const {
    throw SourceError(SourceErrorCode::TooLarge,
                      Fill(csv_texts::kRecordTooLarge, {path_, std::to_string(line)}));
  }

  // A value as UTF-8 with the line-break token replaced.
  std::string Finish(std::string_view raw) {
    std::string value;
    if (encoding_ == FileEncoding::Windows1252) {
      value = Windows1252ToUtf8(raw);
    } else if (encoding_ == FileEncoding::Cp850) {
      value = dos_.ToUtf8(raw);
    } else if (checkUtf8_ && !IsValidUtf8(raw)) {
      value = RepairUtf8(raw);
      repaired_ = true;
    } else {
      value = std::string(raw);
    }
    const std::string& token = options_.lineBreakToken;
    if (!token.empty() && value.find(token) != std::string::npos) {
      std::string replaced;
      size_t start = 0, found;
      while ((found = value.find(token, start)) != std::string::npos) {
        replaced.append(value, start, found - start);
        replaced += "\r\n";
        start = found + token.size();
      }
      replaced.append(value, start);
      value = std::move(replaced);
    }
    return value;
  }

  std::string_view text_;
  FileEncoding encoding_;
  CodePage dos_;  // of files read as DOS code page 850
  bool checkUtf8_;
  bool repaired_ = false;  // a value of the record being read had invalid UTF-8
  const TextOptions& options_;
  const std::string& path_;
  MappedFile* mapped_;
  size_t mappedOffset_;
  uint64_t memoryLimit_;
  uint64_t tableBytes_ = 0;
  std::string separator_;
  bool hasQualifier_ = false;
  char qualifier_ = '\0';
  bool stops_[256];
  std::string raw_;
};

bool LooksBinary(std::string_view bytes) {
  return std::memchr(bytes.data(), '\0', bytes.size()) != nullptr;
}

}  // namespace

void LoadTextFile(const std::string& path, const TextOptions& options, SourceTable& out,
                  LoadReport& report) {
  out.Clear();
  const EncodingChoice choice = EncodingChoiceOf(options.encoding);
  MappedFile file(path);
  std::string_view bytes(file.Data() ? file.Data() : "", file.Size());
  const SourceError empty(SourceErrorCode::WrongFormat, Fill(csv_texts::kEmpty, {path}));
  if (bytes.empty()) throw empty;

  std::string converted;  // UTF-16 files, turned into UTF-8 first
  size_t offset = 0;
  FileEncoding encoding = FileEncoding::Utf8;
  bool checkUtf8 = false;
  if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF")) {
    const bool bigEndian = bytes[0] == '\xFE';
    converted = Utf16ToUtf8(bytes.substr(2), bigEndian);
    bytes = converted;
    report.encoding = bigEndian ? text_encoding::kUtf16Be : text_encoding::kUtf16Le;
  } else if (choice == EncodingChoice::Windows1252 || choice == EncodingChoice::Cp850) {
    const bool dos = choice == EncodingChoice::Cp850;
    encoding = dos ? FileEncoding::Cp850 : FileEncoding::Windows1252;
    report.encoding = dos ? text_encoding::kCp850 : text_encoding::kWindows1252;
    if (bytes.starts_with(kUtf8Bom))
      report.Warn(1, std::string("Die Datei beginnt mit der Kennung von UTF-8, wird aber wie "
                                 "eingestellt als ") +
                         (dos ? "DOS (Codepage 850)" : "Windows-1252") + " gelesen.");
  } else {
    const bool bom = bytes.starts_with(kUtf8Bom);
    if (bom) offset = kUtf8Bom.size();
    bytes.remove_prefix(offset);
    const bool valid = IsValidUtf8(bytes);
    // A UTF-8 file with a few stray bytes stays UTF-8: its lines with such bytes are repaired
    // one by one and named.
    if (choice == EncodingChoice::Auto && !bom && !valid && !IsMostlyUtf8(bytes)) {
      encoding = FileEncoding::Windows1252;
      report.encoding = text_encoding::kWindows1252;
    } else {
      checkUtf8 = !valid;
      report.encoding = bom ? text_encoding::kUtf8Bom : text_encoding::kUtf8;
    }
  }
  if (bytes.empty()) throw empty;  // only the mark of an encoding
  if (LooksBinary(bytes))
    throw SourceError(SourceErrorCode::WrongFormat, Fill(csv_texts::kBinary, {path}));

  CsvParser parser(bytes, encoding, checkUtf8, options, path, converted.empty() ? &file : nullptr,
                   offset);
  try {
    parser.Load(out, report);
  } catch (...) {
    out.Clear();
    throw;
  }
}

}  // namespace velra

#include "source/xls/Biff.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <map>
#include <optional>
#include <utility>

#include "base/Encoding.h"
#include "source/CodePage.h"
#include "source/xls/BiffFormats.h"

namespace velra::biff {

namespace {

constexpr uint16_t kFormula = 0x0006, kEof = 0x000A, kFilePass = 0x002F, kContinue = 0x003C,
                   kCodePage = 0x0042, kDateMode = 0x0022, kBoundSheet = 0x0085, kMulRk = 0x00BD,
                   kMulBlank = 0x00BE, kRString = 0x00D6, kXf = 0x00E0, kSst = 0x00FC,
                   kLabelSst = 0x00FD, kBlank = 0x0201, kNumber = 0x0203, kLabel = 0x0204,
                   kBoolErr = 0x0205, kString = 0x0207, kRk = 0x027E, kFormat = 0x041E,
                   kBof = 0x0809;
constexpr uint16_t kBofGlobals = 0x0005, kBiff5 = 0x0500;

[[noreturn]] void Damaged() {
  throw BiffError(Failure::Damaged);
}

uint16_t U16(std::string_view bytes, size_t at) {
  return static_cast<uint16_t>(static_cast<uint8_t>(bytes[at]) | static_cast<uint8_t>(bytes[at + 1])
                                                                     << 8);
}

uint32_t U32(std::string_view bytes, size_t at) {
  return static_cast<uint32_t>(U16(bytes, at)) | static_cast<uint32_t>(U16(bytes, at + 2)) << 16;
}

double F64(std::string_view bytes, size_t at) {
  uint64_t bits = static_cast<uint64_t>(U32(bytes, at)) | static_cast<uint64_t>(U32(bytes, at + 4))
                                                              << 32;
  double value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

double RkValue(uint32_t rk) {
  double value;
  if (rk & 2) {
    value = static_cast<double>(static_cast<int32_t>(rk) >> 2);
  } else {
    uint64_t bits = static_cast<uint64_t>(rk & 0xFFFFFFFCu) << 32;
    std::memcpy(&value, &bits, sizeof value);
  }
  return (rk & 1) ? value / 100 : value;
}

// Walks the records of the stream from an offset; a record running past the end is damage.
class Records {
 public:
  Records(std::string_view stream, size_t offset) : stream_(stream), next_(offset) {}

  bool Next() {
    if (next_ >= stream_.size()) return false;
    if (stream_.size() - next_ < 4) Damaged();
    type_ = U16(stream_, next_);
    size_t length = U16(stream_, next_ + 2);
    if (stream_.size() - next_ - 4 < length) Damaged();
    body_ = stream_.substr(next_ + 4, length);
    next_ += 4 + length;
    return true;
  }
  uint16_t Type() const { return type_; }
  std::string_view Body() const { return body_; }

  // The record's body from `from` on, followed by the CONTINUE records after it.
  std::vector<std::string_view> WithContinues(size_t from) {
    std::vector<std::string_view> parts{body_.substr(std::min(from, body_.size()))};
    while (stream_.size() - next_ >= 4 && U16(stream_, next_) == kContinue) {
      Next();
      parts.push_back(body_);
    }
    return parts;
  }

 private:
  std::string_view stream_;
  size_t next_;
  uint16_t type_ = 0;
  std::string_view body_;
};

// Reads across a record and its CONTINUE records. Characters of a BIFF8 string that run into the
// next record are preceded there by a byte that gives their width again.
class Parts {
 public:
  explicit Parts(std::vector<std::string_view> parts) : parts_(std::move(parts)) {}

  bool AtEnd() {
    SkipExhausted();
    return part_ == parts_.size();
  }
  uint8_t U8() {
    SkipExhausted();
    if (part_ == parts_.size()) Damaged();
    return static_cast<uint8_t>(parts_[part_][pos_++]);
  }
  uint16_t U16() {
    uint16_t low = U8();
    return static_cast<uint16_t>(low | U8() << 8);
  }
  uint32_t U32() {
    uint32_t low = U16();
    return low | static_cast<uint32_t>(U16()) << 16;
  }
  void Skip(uint64_t count) {
    while (count > 0) {
      SkipExhausted();
      if (part_ == parts_.size()) Damaged();
      size_t step = static_cast<size_t>(std::min<uint64_t>(count, parts_[part_].size() - pos_));
      pos_ += step;
      count -= step;
    }
  }
  // `count` characters of a BIFF8 string, as UTF-16 code units.
  void Chars(size_t count, bool wide, std::u16string& out) {
    while (count > 0) {
      if (part_ < parts_.size() && pos_ == parts_[part_].size()) {
        ++part_;
        pos_ = 0;
        if (part_ == parts_.size()) Damaged();
        wide = (U8() & 1) != 0;
      }
      if (part_ == parts_.size()) Damaged();
      std::string_view part = parts_[part_];
      size_t width = wide ? 2 : 1;
      size_t n = std::min(count, (part.size() - pos_) / width);
      if (n == 0) Damaged();  // half a character
      for (size_t i = 0; i < n; ++i, pos_ += width)
        out.push_back(wide ? static_cast<char16_t>(biff::U16(part, pos_))
                           : static_cast<char16_t>(static_cast<uint8_t>(part[pos_])));
      count -= n;
    }
  }
  // `count` bytes of an 8-bit string.
  std::string Bytes(size_t count) {
    std::string out;
    while (out.size() < count) {
      SkipExhausted();
      if (part_ == parts_.size()) Damaged();
      size_t n = std::min(count - out.size(), parts_[part_].size() - pos_);
      out.append(parts_[part_].substr(pos_, n));
      pos_ += n;
    }
    return out;
  }

 private:
  void SkipExhausted() {
    while (part_ < parts_.size() && pos_ == parts_[part_].size()) {
      ++part_;
      pos_ = 0;
    }
  }

  std::vector<std::string_view> parts_;
  size_t part_ = 0;
  size_t pos_ = 0;
};

void AppendUtf16(std::string& out, std::u16string_view units) {
  for (size_t i = 0; i < units.size(); ++i) {
    char32_t c = units[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
        units[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (units[i + 1] - 0xDC00);
      ++i;
    }
    AppendUtf8(out, c);
  }
}

// How strings are stored: BIFF8 as (compressed) UTF-16, BIFF5 as bytes of the code page.
class StringReader {
 public:
  StringReader(bool biff8, int codePage) : biff8_(biff8) {
    if (!biff8) codePage_.emplace(codePage);
  }

  // A string with a length field of `lengthBytes` bytes (1 or 2).
  std::string Read(Parts& parts, int lengthBytes) const {
    size_t count = lengthBytes == 1 ? parts.U8() : parts.U16();
    if (!biff8_) return codePage_->ToUtf8(parts.Bytes(count));
    bool wide = (parts.U8() & 1) != 0;
    std::u16string units;
    parts.Chars(count, wide, units);
    std::string out;
    AppendUtf16(out, units);
    return out;
  }

  std::string Decode8Bit(std::string_view bytes) const { return codePage_->ToUtf8(bytes); }

 private:
  bool biff8_;
  std::optional<CodePage> codePage_;
};

// The shared string table; strings may carry formatting runs and phonetic data, which are skipped.
void ReadSharedStrings(std::vector<std::string_view> parts, Globals& globals) {
  size_t total = 0;
  for (std::string_view part : parts) total += part.size();
  Parts in(std::move(parts));
  in.Skip(4);
  uint32_t count = in.U32();
  globals.sstEnds.reserve(std::min<size_t>(count, total / 3));
  globals.sstText.reserve(total);
  std::u16string units;
  for (uint32_t i = 0; i < count && !in.AtEnd(); ++i) {
    size_t length = in.U16();
    uint8_t flags = in.U8();
    size_t runs = (flags & 0x08) ? in.U16() : 0;
    uint32_t phonetic = (flags & 0x04) ? in.U32() : 0;
    units.clear();
    in.Chars(length, (flags & 1) != 0, units);
    in.Skip(uint64_t{runs} * 4 + phonetic);
    AppendUtf16(globals.sstText, units);
    if (globals.sstText.size() > std::numeric_limits<uint32_t>::max()) Damaged();
    globals.sstEnds.push_back(static_cast<uint32_t>(globals.sstText.size()));
  }
}

void Require(std::string_view body, size_t size) {
  if (body.size() < size) Damaged();
}

// A BOUNDSHEET record. BIFF5 names stay bytes in `rawNames` until the code page is known.
void ReadBoundSheet(std::string_view body, Globals& globals, const StringReader& strings,
                    std::vector<std::string>& rawNames) {
  Require(body, 7);
  SheetEntry sheet;
  sheet.offset = U32(body, 0);
  sheet.worksheet = static_cast<uint8_t>(body[5]) == 0;
  Parts name({body.substr(6)});
  if (globals.biff8)
    sheet.name = strings.Read(name, 1);
  else
    rawNames.push_back(name.Bytes(name.U8()));
  globals.sheets.push_back(std::move(sheet));
}

// A FORMAT record: the index of the format and how it shows numbers.
std::pair<uint16_t, FormatKind> ReadFormat(Records& records, bool biff8,
                                           const StringReader& strings) {
  Require(records.Body(), 3);
  const uint16_t index = U16(records.Body(), 0);
  Parts code(records.WithContinues(2));
  // BIFF5 keeps the code as bytes: its letters are ASCII in every code page.
  std::string text = biff8 ? strings.Read(code, 2) : code.Bytes(code.U8());
  return {index, ClassifyFormat(text)};
}

// What the globals leave to their end: the names of BIFF5 sheets in the code page, and the kind
// of each XF's format.
void FinishGlobals(Globals& globals, const std::vector<std::string>& rawNames,
                   const std::map<uint16_t, FormatKind>& formats,
                   const std::vector<uint16_t>& xfFormats) {
  if (!globals.biff8) {
    StringReader biff5(false, globals.codePage);
    for (size_t i = 0; i < rawNames.size(); ++i)
      globals.sheets[i].name = biff5.Decode8Bit(rawNames[i]);
  }
  globals.xfKinds.reserve(xfFormats.size());
  for (uint16_t format : xfFormats) {
    auto found = formats.find(format);
    globals.xfKinds.push_back(found != formats.end() ? found->second : BuiltInFormat(format));
  }
}

// A cell record starts with row, column and XF index.
Cell MakeCell(std::string_view body, CellKind kind) {
  Cell cell;
  cell.row = U16(body, 0);
  cell.col = U16(body, 2);
  cell.xf = U16(body, 4);
  cell.kind = kind;
  return cell;
}

// Collects the cells of one sheet from its records.
class SheetReader {
 public:
  explicit SheetReader(const Globals& globals)
      : globals_(globals), strings_(globals.biff8, globals.codePage) {}

  // Reads the records after the sheet's BOF up to its EOF.
  SheetCells Read(Records& records) {
    int depth = 1;  // charts embedded in the sheet bring their own BOF and EOF
    while (depth > 0) {
      if (!records.Next()) Damaged();
      if (records.Type() == kBof)
        ++depth;
      else if (records.Type() == kEof)
        --depth;
      else if (depth == 1)
        OnRecord(records);
    }
    SettlePending();
    KeepLastOfEachCell();
    return std::move(sheet_);
  }

 private:
  void OnRecord(Records& records) {
    const std::string_view body = records.Body();
    switch (records.Type()) {
      case kNumber:
        BeginCell(body, 14);
        Add(body, CellKind::Number).number = F64(body, 6);
        break;
      case kRk:
        BeginCell(body, 10);
        Add(body, CellKind::Number).number = RkValue(U32(body, 6));
        break;
      case kMulRk:
        BeginCell(body, 6);
        AddMulRk(body);
        break;
      case kLabelSst:
        BeginCell(body, 10);
        AddSharedString(body);
        break;
      case kLabel:
      case kRString: {
        BeginCell(body, 8);
        Parts text(records.WithContinues(6));
        AddText(MakeCell(body, CellKind::Text), strings_.Read(text, 2));
        break;
      }
      case kBoolErr:
        BeginCell(body, 8);
        Add(body, body[7] ? CellKind::Error : CellKind::Boolean).code =
            static_cast<uint8_t>(body[6]);
        break;
      case kFormula:
        BeginCell(body, 14);
        AddFormula(body);
        break;
      case kString:
        AddFormulaText(records);
        break;
      case kBlank:
      case kMulBlank:
        BeginCell(body, 0);
        break;
      default:
        break;
    }
  }

  // A record of a cell: a formula still waiting for its text result has none.
  void BeginCell(std::string_view body, size_t minSize) {
    Require(body, minSize);
    SettlePending();
  }

  void SettlePending() {
    if (!pendingString_) return;
    pendingString_->kind = CellKind::NoResult;
    sheet_.cells.push_back(*pendingString_);
    pendingString_.reset();
  }

  Cell& Add(std::string_view body, CellKind kind) {
    sheet_.cells.push_back(MakeCell(body, kind));
    return sheet_.cells.back();
  }

  void AddText(Cell cell, std::string text) {
    if (text.empty()) return;
    cell.kind = CellKind::Text;
    cell.index = static_cast<uint32_t>(sheet_.texts.size());
    sheet_.texts.push_back(std::move(text));
    sheet_.cells.push_back(cell);
  }

  void AddMulRk(std::string_view body) {
    size_t count = (body.size() - 6) / 6;
    uint16_t first = U16(body, 2);
    if (first + count > 0x10000) Damaged();
    for (size_t i = 0; i < count; ++i) {
      Cell cell;
      cell.row = U16(body, 0);
      cell.col = static_cast<uint16_t>(first + i);
      cell.xf = U16(body, 4 + 6 * i);
      cell.number = RkValue(U32(body, 6 + 6 * i));
      sheet_.cells.push_back(cell);
    }
  }

  void AddSharedString(std::string_view body) {
    uint32_t index = U32(body, 6);
    if (index >= globals_.SharedStringCount())
      Add(body, CellKind::NoText).index = index;
    else if (!globals_.SharedString(index).empty())
      Add(body, CellKind::SharedString).index = index;
  }

  void AddFormula(std::string_view body) {
    if (U16(body, 12) != 0xFFFF) {
      Add(body, CellKind::Number).number = F64(body, 6);
      return;
    }
    switch (static_cast<uint8_t>(body[6])) {
      case 0:  // a text, in the STRING record that follows
        pendingString_ = MakeCell(body, CellKind::NoResult);
        break;
      case 1:
        Add(body, CellKind::Boolean).code = static_cast<uint8_t>(body[8]);
        break;
      case 2:
        Add(body, CellKind::Error).code = static_cast<uint8_t>(body[8]);
        break;
      case 3:
        break;  // an empty text
      default:
        Add(body, CellKind::NoResult);
        break;
    }
  }

  void AddFormulaText(Records& records) {
    if (!pendingString_) return;
    Cell formula = *pendingString_;
    pendingString_.reset();
    Parts text(records.WithContinues(0));
    AddText(formula, strings_.Read(text, 2));
  }

  // Sorted by row and column; of two records for one cell the later counts.
  void KeepLastOfEachCell() {
    std::vector<Cell>& cells = sheet_.cells;
    auto before = [](const Cell& a, const Cell& b) {
      return a.row != b.row ? a.row < b.row : a.col < b.col;
    };
    if (!std::is_sorted(cells.begin(), cells.end(), before))
      std::stable_sort(cells.begin(), cells.end(), before);
    auto sameCell = [](const Cell& a, const Cell& b) { return a.row == b.row && a.col == b.col; };
    size_t kept = 0;
    for (size_t i = 0; i < cells.size(); ++i) {
      if (i + 1 < cells.size() && sameCell(cells[i], cells[i + 1])) continue;
      cells[kept++] = cells[i];
    }
    cells.resize(kept);
  }

  const Globals& globals_;
  StringReader strings_;
  SheetCells sheet_;
  std::optional<Cell> pendingString_;  // a formula whose text result follows in a STRING record
};

}  // namespace

std::string_view Globals::SharedString(size_t i) const {
  size_t begin = i > 0 ? sstEnds[i - 1] : 0;
  return std::string_view(sstText).substr(begin, sstEnds[i] - begin);
}

Globals ReadGlobals(std::string_view stream) {
  Globals globals;
  Records records(stream, 0);
  if (!records.Next() || records.Type() != kBof || records.Body().size() < 4 ||
      U16(records.Body(), 2) != kBofGlobals)
    Damaged();
  globals.biff8 = U16(records.Body(), 0) != kBiff5;

  std::map<uint16_t, FormatKind> formats;
  std::vector<uint16_t> xfFormats;
  std::vector<std::string> rawNames;
  StringReader strings(true, 1252);
  bool ended = false;
  while (!ended && records.Next()) {
    std::string_view body = records.Body();
    switch (records.Type()) {
      case kFilePass:
        throw BiffError(Failure::Encrypted);
      case kCodePage:
        Require(body, 2);
        globals.codePage = U16(body, 0);
        break;
      case kDateMode:
        Require(body, 2);
        globals.date1904 = U16(body, 0) == 1;
        break;
      case kBoundSheet:
        ReadBoundSheet(body, globals, strings, rawNames);
        break;
      case kFormat: {
        auto [index, kind] = ReadFormat(records, globals.biff8, strings);
        formats[index] = kind;
        break;
      }
      case kXf:
        Require(body, 4);
        xfFormats.push_back(U16(body, 2));
        break;
      case kSst:
        Require(body, 8);
        if (globals.biff8) ReadSharedStrings(records.WithContinues(0), globals);
        break;
      case kEof:
        ended = true;
        break;
      default:
        break;
    }
  }
  if (!ended) Damaged();
  FinishGlobals(globals, rawNames, formats, xfFormats);
  return globals;
}

SheetCells ReadSheet(std::string_view stream, const Globals& globals, uint32_t offset) {
  Records records(stream, offset);
  if (!records.Next() || records.Type() != kBof) Damaged();
  return SheetReader(globals).Read(records);
}

}  // namespace velra::biff

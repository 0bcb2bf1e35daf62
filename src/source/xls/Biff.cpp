#include "source/xls/Biff.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <limits>
#include <map>
#include <optional>

#include "base/Encoding.h"
#include "base/Text.h"
#include "source/CodePage.h"

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

// The formats Excel knows without a FORMAT record; 27 to 36 and 50 to 58 are the dates of the
// East Asian editions.
FormatKind BuiltInFormat(uint16_t index) {
  if ((index >= 14 && index <= 17) || index == 22 || (index >= 27 && index <= 36) ||
      (index >= 50 && index <= 58))
    return FormatKind::Date;
  if ((index >= 18 && index <= 21) || (index >= 45 && index <= 47)) return FormatKind::Time;
  if (index == 9 || index == 10) return FormatKind::Percentage;
  return FormatKind::Number;
}

// A format of three quoted words such as "TRUE";"TRUE";"FALSE" shows numbers as truth values;
// other programs store the results of logical formulas that way.
bool IsBooleanFormat(std::string_view code) {
  std::vector<std::string_view> sections;
  size_t start = 0;
  bool quoted = false;
  for (size_t i = 0; i <= code.size(); ++i) {
    if (i == code.size() || (code[i] == ';' && !quoted)) {
      sections.push_back(code.substr(start, i - start));
      start = i + 1;
    } else if (code[i] == '"') {
      quoted = !quoted;
    }
  }
  auto word = [](std::string_view section) -> std::string_view {
    if (section.size() < 2 || section.front() != '"' || section.back() != '"') return {};
    return section.substr(1, section.size() - 2);
  };
  if (sections.size() != 3 || word(sections[0]) != word(sections[1])) return false;
  auto isTrue = [&](std::string_view w) {
    return EqualsIgnoreCase(w, "TRUE") || EqualsIgnoreCase(w, "WAHR");
  };
  auto isFalse = [&](std::string_view w) {
    return EqualsIgnoreCase(w, "FALSE") || EqualsIgnoreCase(w, "FALSCH");
  };
  return isTrue(word(sections[0])) && isFalse(word(sections[2]));
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

void AddCell(std::vector<Cell>& cells, std::string_view body, CellKind kind) {
  cells.push_back(MakeCell(body, kind));
}

// How a format code shows a number. Letters count only outside quotes, escapes and brackets.
FormatKind ClassifyFormat(std::string_view code) {
  if (code.empty() || EqualsIgnoreCase(code, "General") || EqualsIgnoreCase(code, "Standard"))
    return FormatKind::Number;
  if (IsBooleanFormat(code)) return FormatKind::Boolean;
  bool date = false, time = false, month = false, percentage = false;
  for (size_t i = 0; i < code.size(); ++i) {
    char c = static_cast<char>(std::tolower(static_cast<unsigned char>(code[i])));
    if (c == '"') {
      size_t end = code.find('"', i + 1);
      i = end == std::string_view::npos ? code.size() : end;
    } else if (c == '\\' || c == '_' || c == '*') {
      ++i;  // the next character is shown literally or used as fill
    } else if (c == '[') {
      size_t end = code.find(']', i + 1);
      if (end == std::string_view::npos) break;
      std::string_view inner = code.substr(i + 1, end - i - 1);
      // [h], [mm], [ss]: elapsed time; anything else in brackets is a colour, condition or locale
      if (!inner.empty() && inner.find_first_not_of("hHmMsS") == std::string_view::npos)
        time = true;
      i = end;
    } else if (EqualsIgnoreCase(code.substr(i, 5), "am/pm")) {
      time = true;
      i += 4;
    } else if (EqualsIgnoreCase(code.substr(i, 3), "a/p")) {
      time = true;
      i += 2;
    } else if (c == 'y' || c == 'd') {
      date = true;
    } else if (c == 'h' || c == 's') {
      time = true;
    } else if (c == 'm') {
      month = true;  // minutes when hours or seconds stand beside it
    } else if (c == '%') {
      percentage = true;
    }
  }
  if (date) return FormatKind::Date;
  if (time) return FormatKind::Time;
  if (month) return FormatKind::Date;
  return percentage ? FormatKind::Percentage : FormatKind::Number;
}

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
  std::vector<std::string> rawNames;  // BIFF5 names, decoded once the code page is known
  StringReader strings(true, 1252);
  bool ended = false;
  while (!ended && records.Next()) {
    std::string_view body = records.Body();
    switch (records.Type()) {
      case kFilePass:
        throw BiffError(Failure::Encrypted);
      case kCodePage:
        if (body.size() < 2) Damaged();
        globals.codePage = U16(body, 0);
        break;
      case kDateMode:
        if (body.size() < 2) Damaged();
        globals.date1904 = U16(body, 0) == 1;
        break;
      case kBoundSheet: {
        if (body.size() < 7) Damaged();
        SheetEntry sheet;
        sheet.offset = U32(body, 0);
        sheet.worksheet = static_cast<uint8_t>(body[5]) == 0;
        Parts name({body.substr(6)});
        if (globals.biff8) {
          sheet.name = strings.Read(name, 1);
        } else {
          rawNames.push_back(name.Bytes(name.U8()));
        }
        globals.sheets.push_back(std::move(sheet));
        break;
      }
      case kFormat: {
        if (body.size() < 3) Damaged();
        Parts code(records.WithContinues(2));
        std::string text;
        if (globals.biff8) {
          text = strings.Read(code, 2);
        } else {
          text = code.Bytes(code.U8());  // the format letters are ASCII in every code page
        }
        formats[U16(body, 0)] = ClassifyFormat(text);
        break;
      }
      case kXf:
        if (body.size() < 4) Damaged();
        xfFormats.push_back(U16(body, 2));
        break;
      case kSst:
        if (body.size() < 8) Damaged();
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
  return globals;
}

SheetCells ReadSheet(std::string_view stream, const Globals& globals, uint32_t offset) {
  Records records(stream, offset);
  if (!records.Next() || records.Type() != kBof) Damaged();
  StringReader strings(globals.biff8, globals.codePage);
  SheetCells sheet;
  std::vector<Cell>& cells = sheet.cells;
  std::optional<Cell> pendingString;  // a formula whose text result follows in a STRING record
  auto settlePending = [&] {
    if (!pendingString) return;
    pendingString->kind = CellKind::NoResult;
    cells.push_back(*pendingString);
    pendingString.reset();
  };
  auto addText = [&](std::string text, std::string_view header) {
    if (text.empty()) return;
    AddCell(cells, header, CellKind::Text);
    cells.back().index = static_cast<uint32_t>(sheet.texts.size());
    sheet.texts.push_back(std::move(text));
  };

  int depth = 1;  // charts embedded in the sheet bring their own BOF and EOF
  while (depth > 0) {
    if (!records.Next()) Damaged();
    uint16_t type = records.Type();
    std::string_view body = records.Body();
    if (type == kBof) {
      ++depth;
      continue;
    }
    if (type == kEof) {
      --depth;
      continue;
    }
    if (depth > 1) continue;
    switch (type) {
      case kNumber:
        if (body.size() < 14) Damaged();
        settlePending();
        AddCell(cells, body, CellKind::Number);
        cells.back().number = F64(body, 6);
        break;
      case kRk:
        if (body.size() < 10) Damaged();
        settlePending();
        AddCell(cells, body, CellKind::Number);
        cells.back().number = RkValue(U32(body, 6));
        break;
      case kMulRk: {
        if (body.size() < 6) Damaged();
        settlePending();
        size_t count = (body.size() - 6) / 6;
        uint16_t first = U16(body, 2);
        if (first + count > 0x10000) Damaged();
        for (size_t i = 0; i < count; ++i) {
          Cell cell;
          cell.row = U16(body, 0);
          cell.col = static_cast<uint16_t>(first + i);
          cell.xf = U16(body, 4 + 6 * i);
          cell.number = RkValue(U32(body, 6 + 6 * i));
          cells.push_back(cell);
        }
        break;
      }
      case kLabelSst: {
        if (body.size() < 10) Damaged();
        settlePending();
        uint32_t index = U32(body, 6);
        if (index < globals.SharedStringCount()) {
          if (globals.SharedString(index).empty()) break;
          AddCell(cells, body, CellKind::SharedString);
        } else {
          AddCell(cells, body, CellKind::NoText);
        }
        cells.back().index = index;
        break;
      }
      case kLabel:
      case kRString: {
        if (body.size() < 8) Damaged();
        settlePending();
        Parts text(records.WithContinues(6));
        addText(strings.Read(text, 2), body);
        break;
      }
      case kBoolErr:
        if (body.size() < 8) Damaged();
        settlePending();
        AddCell(cells, body, body[7] ? CellKind::Error : CellKind::Boolean);
        cells.back().code = static_cast<uint8_t>(body[6]);
        break;
      case kFormula: {
        if (body.size() < 14) Damaged();
        settlePending();
        if (U16(body, 12) != 0xFFFF) {
          AddCell(cells, body, CellKind::Number);
          cells.back().number = F64(body, 6);
          break;
        }
        switch (static_cast<uint8_t>(body[6])) {
          case 0:
            pendingString = MakeCell(body, CellKind::NoResult);
            break;
          case 1:
            AddCell(cells, body, CellKind::Boolean);
            cells.back().code = static_cast<uint8_t>(body[8]);
            break;
          case 2:
            AddCell(cells, body, CellKind::Error);
            cells.back().code = static_cast<uint8_t>(body[8]);
            break;
          case 3:
            break;  // an empty text
          default:
            AddCell(cells, body, CellKind::NoResult);
            break;
        }
        break;
      }
      case kString: {
        if (!pendingString) break;
        Cell formula = *pendingString;
        pendingString.reset();
        Parts text(records.WithContinues(0));
        std::string value = strings.Read(text, 2);
        if (value.empty()) break;
        formula.kind = CellKind::Text;
        formula.index = static_cast<uint32_t>(sheet.texts.size());
        sheet.texts.push_back(std::move(value));
        cells.push_back(formula);
        break;
      }
      case kBlank:
      case kMulBlank:
        settlePending();
        break;
      default:
        break;
    }
  }
  settlePending();

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
  return sheet;
}

}  // namespace velra::biff

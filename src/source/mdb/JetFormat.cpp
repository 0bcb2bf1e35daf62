#include "source/mdb/JetFormat.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstring>

#include "base/Encoding.h"

namespace velra::jet {

namespace {

constexpr size_t kObfuscatedStart = 0x18;
constexpr size_t kVersionOffset = 0x14;
constexpr size_t kCodePageOffset = 0x3C;
constexpr size_t kPasswordOffset = 0x42;
constexpr size_t kCreationDateOffset = 0x72;
constexpr std::array<unsigned char, 4> kHeaderKey = {0xC7, 0xDA, 0x39, 0x6B};

// XORs `data` with the RC4 keystream of `key`.
void Rc4Xor(const unsigned char* key, size_t keyLength, char* data, size_t length) {
  std::array<unsigned char, 256> state;
  for (size_t i = 0; i < 256; ++i) state[i] = static_cast<unsigned char>(i);
  for (size_t i = 0, j = 0; i < 256; ++i) {
    j = (j + state[i] + key[i % keyLength]) & 0xFF;
    std::swap(state[i], state[j]);
  }
  for (size_t n = 0, i = 0, j = 0; n < length; ++n) {
    i = (i + 1) & 0xFF;
    j = (j + state[i]) & 0xFF;
    std::swap(state[i], state[j]);
    data[n] = static_cast<char>(static_cast<unsigned char>(data[n]) ^
                                state[(state[i] + state[j]) & 0xFF]);
  }
}

// Collects UTF-16 code units, pairing surrogates.
class Utf16Sink {
 public:
  explicit Utf16Sink(std::string& out) : out_(out) {}
  ~Utf16Sink() { Flush(); }
  void Add(char32_t unit) {
    if (high_ && unit >= 0xDC00 && unit <= 0xDFFF) {
      AppendUtf8(out_, 0x10000 + ((high_ - 0xD800) << 10) + (unit - 0xDC00));
      high_ = 0;
      return;
    }
    Flush();
    if (unit >= 0xD800 && unit <= 0xDBFF)
      high_ = unit;
    else
      AppendUtf8(out_, unit);  // a lone low surrogate becomes U+FFFD there
  }

 private:
  void Flush() {
    if (high_) AppendUtf8(out_, high_);
    high_ = 0;
  }
  std::string& out_;
  char32_t high_ = 0;
};

constexpr double kFirstStoredDay = -657434;  // 1 January 100
constexpr double kLastStoredDay = 2958465;   // 31 December 9999

}  // namespace

Kind KindOfHeader(std::string_view page) {
  if (page.size() < kHeaderBytes || page.substr(0, 4) != std::string_view("\0\1\0\0", 4))
    return Kind::NotJet;
  std::string_view magic = page.substr(4, 15);
  if (magic == "Standard ACE DB") return Kind::Ace;
  if (magic != "Standard Jet DB") return Kind::NotJet;
  switch (page[kVersionOffset]) {
    case 0:
      return Kind::Jet3;
    case 1:
      return Kind::Jet4;
    default:
      return Kind::NotJet;
  }
}

size_t PageSize(Kind kind) {
  return kind == Kind::Jet3 ? 2048 : 4096;
}

std::string DecodedHeader(std::string_view page, Kind kind) {
  std::string header(page.substr(0, kHeaderBytes));
  size_t length = kind == Kind::Jet3 ? 126 : 128;
  Rc4Xor(kHeaderKey.data(), kHeaderKey.size(), header.data() + kObfuscatedStart, length);
  return header;
}

std::string PasswordOf(std::string_view decodedHeader, Kind kind) {
  if (kind == Kind::Jet3) {
    std::string_view bytes = decodedHeader.substr(kPasswordOffset, 20);
    while (!bytes.empty() && bytes.back() == '\0') bytes.remove_suffix(1);
    return CodePage(CodePageOf(decodedHeader)).ToUtf8(bytes);
  }
  std::string bytes(decodedHeader.substr(kPasswordOffset, 40));
  // Jet 4 masks the password with the integer part of the creation date.
  double created;
  std::memcpy(&created, decodedHeader.data() + kCreationDateOffset, sizeof created);
  uint32_t mask = 0;
  if (std::isfinite(created) && std::fabs(created) < 2147483648.0)
    mask = static_cast<uint32_t>(static_cast<int32_t>(created));
  for (size_t i = 0; i < bytes.size(); ++i)
    bytes[i] =
        static_cast<char>(static_cast<unsigned char>(bytes[i]) ^ ((mask >> (8 * (i % 4))) & 0xFF));
  size_t units = bytes.size() / 2;
  while (units > 0 && bytes[2 * units - 1] == '\0' && bytes[2 * units - 2] == '\0') --units;
  std::string password;
  Utf16Sink sink(password);
  for (size_t i = 0; i < units; ++i)
    sink.Add(static_cast<unsigned char>(bytes[2 * i]) |
             static_cast<char32_t>(static_cast<unsigned char>(bytes[2 * i + 1])) << 8);
  return password;
}

int CodePageOf(std::string_view decodedHeader) {
  return static_cast<unsigned char>(decodedHeader[kCodePageOffset]) |
         static_cast<unsigned char>(decodedHeader[kCodePageOffset + 1]) << 8;
}

std::string TextToUtf8(std::string_view bytes, Kind kind, const CodePage& codePage) {
  if (kind == Kind::Jet3) return codePage.ToUtf8(bytes);
  std::string out;
  out.reserve(bytes.size());
  {
    Utf16Sink sink(out);
    auto unitAt = [&](size_t i) {
      return static_cast<char32_t>(static_cast<unsigned char>(bytes[i]) |
                                   static_cast<unsigned char>(bytes[i + 1]) << 8);
    };
    if (bytes.starts_with("\xFF\xFE")) {
      // Compressed: one byte per character with a zero high byte; a zero byte switches to
      // plain UTF-16 and back.
      bool compressed = true;
      for (size_t i = 2; i < bytes.size();) {
        if (bytes[i] == '\0') {
          compressed = !compressed;
          ++i;
        } else if (compressed) {
          sink.Add(static_cast<unsigned char>(bytes[i++]));
        } else if (i + 1 < bytes.size()) {
          sink.Add(unitAt(i));
          i += 2;
        } else {
          break;
        }
      }
    } else {
      for (size_t i = 0; i + 1 < bytes.size(); i += 2) sink.Add(unitAt(i));
    }
  }
  return out;
}

bool DateOf(double stored, DateTime& out) {
  if (!std::isfinite(stored) || stored < kFirstStoredDay || stored >= kLastStoredDay + 1)
    return false;
  DateTime result;
  if (!DateTime::FromSerial(stored, result) || result.Year < 100) return false;
  out = result;
  return true;
}

std::string DecimalText(UInt128 magnitude, bool negative, unsigned scale) {
  std::string digits;
  do {
    digits.insert(digits.begin(), static_cast<char>('0' + static_cast<int>(magnitude % 10)));
    magnitude /= 10;
  } while (magnitude != 0);
  if (digits.size() <= scale) digits.insert(0, scale + 1 - digits.size(), '0');
  if (scale > 0) {
    digits.insert(digits.size() - scale, 1, '.');
    while (digits.back() == '0') digits.pop_back();
    if (digits.back() == '.') digits.pop_back();
  }
  if (negative && digits != "0") digits.insert(0, 1, '-');
  return digits;
}

bool DecimalToDouble(std::string_view text, double& out) {
  double value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  out = value;
  if (error != std::errc() || end != text.data() + text.size()) return false;
  char buffer[400];
  auto [written, writeError] =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
  return writeError == std::errc() && std::string_view(buffer, written - buffer) == text;
}

}  // namespace velra::jet

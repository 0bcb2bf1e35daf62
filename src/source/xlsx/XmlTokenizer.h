#pragma once
// A small pull parser for the XML parts of a workbook. It reads a part piece by piece, so that a
// sheet of any size needs only a small buffer, and it refuses what a workbook never contains:
// document type declarations (and with them any entity expansion) and absurd nesting.

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace velra::xlsx {

// Where the tokenizer gets its bytes; Read returns 0 at the end and throws on failure.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  virtual size_t Read(char* buffer, size_t size) = 0;
};

class XmlError : public std::runtime_error {
 public:
  enum class Kind {
    Malformed,     // not well-formed, or cut off
    Doctype,       // a document type declaration
    TooDeep,       // more than kMaxDepth open elements
    TokenTooLong,  // one tag or text longer than kMaxTokenBytes
    Utf16,         // a part in UTF-16
  };
  explicit XmlError(Kind kind) : std::runtime_error("xml"), kind_(kind) {}
  Kind GetKind() const { return kind_; }

 private:
  Kind kind_;
};

class XmlTokenizer {
 public:
  enum class Token { Start, End, Text, Finish };
  static constexpr size_t kMaxDepth = 256;
  static constexpr size_t kMaxTokenBytes = 16u * 1024u * 1024u;
  // Beyond these an element is taken for damage (or an attack on memory).
  static constexpr size_t kMaxNameBytes = 1024;
  static constexpr size_t kMaxAttributes = 1024;

  explicit XmlTokenizer(ByteSource& source);

  // The next token; an empty element gives Start and End. Throws XmlError. The views handed out
  // below stay valid until the next call.
  Token Next();
  // Start and End: the element name without its namespace prefix.
  std::string_view Name() const { return name_; }
  // Start: the value of the attribute with this name (without prefix), entities resolved;
  // empty when absent.
  std::string_view Attribute(std::string_view name) const;
  // Text: the character data, entities resolved and line ends made "\n".
  std::string_view Text();
  // Elements open, the one just started included.
  size_t Depth() const { return openStarts_.size(); }

 private:
  char* Data() { return buffer_.data() + begin_; }
  size_t Available() const { return end_ - begin_; }
  bool Fill();
  bool Ensure(size_t bytes);
  size_t Find(size_t from, std::string_view terminator);
  size_t FindTagEnd();
  void SkipByteOrderMark();
  // Character data up to the next "<"; false when it lies outside the root element.
  bool ReadText();
  // After "<!": true for a CDATA section, which is text; false for a comment, which is skipped.
  bool ReadDeclaration();
  void ReadStartTag(size_t tagEnd);
  void ReadEndTag(size_t tagEnd);

  ByteSource& source_;
  std::vector<char> buffer_;
  size_t begin_ = 0;  // unread bytes are [begin_, end_)
  size_t end_ = 0;
  bool atEnd_ = false;
  bool started_ = false;
  bool sawRoot_ = false;
  bool pendingEnd_ = false;

  std::string_view name_;
  std::vector<std::pair<std::string_view, std::string_view>> attributes_;
  char* text_ = nullptr;
  size_t textSize_ = 0;
  bool textDecoded_ = false;

  std::string openNames_;  // qualified names of the open elements, one after another
  std::vector<size_t> openStarts_;
};

}  // namespace velra::xlsx

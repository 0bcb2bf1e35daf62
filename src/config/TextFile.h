#pragma once
// Reading and rewriting the suite's small text files (ini files, the matching file).

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/Encoding.h"
#include "config/ConfigError.h"

namespace velra {

struct TextDocument {
  std::vector<std::string> lines;  // UTF-8, without line ends
  TextEncoding encoding = TextEncoding::Utf8;
  std::string lineEnd = "\r\n";  // the first line end found in the file; CR LF for new files
};

// Configuration files are small; anything larger is refused rather than read into memory.
constexpr size_t kMaxTextFileSize = 16u * 1024u * 1024u;

// Reads a regular file of at most `limit` bytes, and one byte more when the file is larger, so
// that the caller can refuse it. nullopt with the errno in `errorNumber` (0: no regular file).
std::optional<std::string> ReadSmallFile(const std::string& path, size_t limit, int& errorNumber);

// Reads a regular file. Lines end at CR LF, LF or CR. Throws ConfigError naming the file when it
// cannot be read.
TextDocument ReadTextFile(const std::string& path);

// Writes the lines, each followed by the document's line end, in the document's encoding, to a
// temporary file in the same folder that then replaces `path`, so that a crash leaves either the
// old or the new file. Throws ConfigError naming the file on failure.
void WriteTextFileAtomically(const std::string& path, const TextDocument& document);

// A file written under a temporary name beside the file it replaces, which it replaces only on
// Commit, so that a crash or a failure leaves either the old or the new file. Without Commit the
// temporary file is removed when the writer goes.
// Files the suite shares stay what they were: a symbolic link (also a chain of links) is followed
// and its target replaced, or created when it does not exist yet; the new file keeps owner, group
// and permissions of the file it replaces (0644 for a new one; a process that may not give the
// file to its owner keeps at least the group). The temporary file ".<name>.velra-tmp-XXXXXX" is
// locked while it is written, so that the next write of the same file can tell what a killed
// writer left behind and remove it.
class AtomicFileWriter {
 public:
  explicit AtomicFileWriter(std::string path);
  ~AtomicFileWriter();
  AtomicFileWriter(const AtomicFileWriter&) = delete;
  AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

  // Creates the temporary file; throws ConfigError on failure.
  void Open();
  // Appends bytes. False once writing has failed; Commit then says why.
  bool Write(std::string_view bytes);
  // Drops what was written so far, to write the content anew.
  bool Restart();
  // Writes everything out and replaces `path`; throws ConfigError on failure.
  void Commit();

 private:
  bool Flush();

  int KeepAttributesOfTarget();

  std::string path_;    // as given, for the messages
  std::string target_;  // path_ with its links followed: the file that is replaced
  std::string temporary_;
  int fd_ = -1;
  std::string buffer_;
  int errorNumber_ = 0;  // of the first failed write, 0 while all went well
};

// Writes `bytes` as the whole new content of `path` through an AtomicFileWriter.
void WriteFileAtomically(const std::string& path, std::string_view bytes);

}  // namespace velra

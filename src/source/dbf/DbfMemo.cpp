#include "source/dbf/DbfMemo.h"

#include <algorithm>
#include <cstring>

#include "source/SourceError.h"
#include "source/dbf/DbfTexts.h"

namespace velra::dbf {

namespace {

constexpr uint32_t kMemoHeader = 512;
constexpr uint32_t kDBase3Block = 512;
constexpr char kEndOfText = 0x1A;
constexpr size_t kScanChunk = 64 * 1024;

uint32_t Be32(const unsigned char* p) {
  return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 |
         static_cast<uint32_t>(p[2]) << 8 | p[3];
}

uint32_t Le32(const unsigned char* p) {
  return static_cast<uint32_t>(p[3]) << 24 | static_cast<uint32_t>(p[2]) << 16 |
         static_cast<uint32_t>(p[1]) << 8 | p[0];
}

}  // namespace

std::unique_ptr<MemoFile> MemoFile::Open(const std::string& path, MemoFormat format,
                                         std::string& problem) {
  std::unique_ptr<MemoFile> memo;
  try {
    memo.reset(new MemoFile(path, format));
  } catch (const SourceError& error) {
    problem = error.Code() == SourceErrorCode::FileMissing ? texts::MemoMissing(path)
                                                           : texts::MemoNotOpened(error.what());
    return nullptr;
  }
  unsigned char header[kMemoHeader];
  if (!memo->file_.ReadAt(0, kMemoHeader, reinterpret_cast<char*>(header))) {
    problem = texts::MemoUnreadable(path, texts::kMemoHeaderDamaged);
    return nullptr;
  }
  switch (format) {
    case MemoFormat::DBase3:
      memo->blockSize_ = kDBase3Block;
      break;
    case MemoFormat::DBase4: {
      uint32_t size = static_cast<uint32_t>(header[20]) | static_cast<uint32_t>(header[21]) << 8;
      memo->blockSize_ = size != 0 ? size : kDBase3Block;
      break;
    }
    case MemoFormat::FoxPro:
      memo->blockSize_ = static_cast<uint32_t>(header[6]) << 8 | header[7];
      if (memo->blockSize_ == 0) {
        problem = texts::MemoUnreadable(path, texts::kMemoHeaderDamaged);
        return nullptr;
      }
      break;
  }
  return memo;
}

std::optional<std::string> MemoFile::Read(uint64_t block) const {
  const uint64_t offset = block * blockSize_;
  const uint64_t size = file_.Size();
  if (offset < kMemoHeader || offset >= size) return std::nullopt;

  unsigned char blockHeader[8];
  const bool hasBlockHeader =
      size - offset >= 8 && file_.ReadAt(offset, 8, reinterpret_cast<char*>(blockHeader));
  uint64_t length = 0;
  switch (format_) {
    case MemoFormat::FoxPro:
      if (!hasBlockHeader) return std::nullopt;
      length = Be32(blockHeader + 4);  // after the type of the block
      break;
    case MemoFormat::DBase4:
      // dBase IV marks its blocks; a block without the mark was written the dBase III way.
      if (!hasBlockHeader || std::memcmp(blockHeader, "\xFF\xFF\x08\x00", 4) != 0)
        return ReadUpToTerminator(offset);
      length = Le32(blockHeader + 4);
      if (length < 8) return std::nullopt;
      length -= 8;  // the length counts the block header
      break;
    case MemoFormat::DBase3:
      return ReadUpToTerminator(offset);
  }
  if (length > size - offset - 8) return std::nullopt;
  std::string bytes(static_cast<size_t>(length), '\0');
  if (!file_.ReadAt(offset + 8, bytes.size(), bytes.data())) return std::nullopt;
  return bytes;
}

std::optional<std::string> MemoFile::ReadUpToTerminator(uint64_t offset) const {
  std::string bytes;
  std::string chunk(kScanChunk, '\0');
  while (offset < file_.Size()) {
    size_t want = static_cast<size_t>(std::min<uint64_t>(kScanChunk, file_.Size() - offset));
    if (!file_.ReadAt(offset, want, chunk.data())) return std::nullopt;
    size_t end = chunk.find(kEndOfText);
    if (end < want) {
      bytes.append(chunk, 0, end);
      return bytes;
    }
    bytes.append(chunk, 0, want);
    offset += want;
  }
  return bytes;  // the file ends before the terminator: keep what is there
}

}  // namespace velra::dbf

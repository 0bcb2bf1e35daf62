#pragma once
// Article pictures: a column mapped to Graphic names a picture file or a web address; the picture
// is stored once in ArticlePictures (identified by file name and folder) and the article gets its
// ID.

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "db/Connection.h"
#include "import/ValueConversion.h"

namespace velra {

// Fetches pictures given by web address into a fresh temporary folder of the run (removed with
// the downloader). Only http, https and ftp; a time-out and a size limit; each address once; a
// download is kept only when it is an image.
class Downloader {
 public:
  struct Limits {
    long timeoutSeconds = 30;
    uint64_t maxBytes = 50ull * 1024 * 1024;
  };
  Downloader();
  explicit Downloader(Limits limits);
  ~Downloader();
  Downloader(const Downloader&) = delete;
  Downloader& operator=(const Downloader&) = delete;

  struct Result {
    std::string localFile;  // empty on failure
    std::string error;      // German reason on failure
  };
  // The same address again gives the first result without a second download.
  const Result& Fetch(const std::string& address);

 private:
  Limits limits_;
  std::string folder_;  // created on the first download
  std::map<std::string, Result> fetched_;
  int counter_ = 0;
};

// ArticlePictures through the run's connection, inside the row's transaction. A picture is a
// regular file (no device, nothing of /proc or /sys) or a download whose first bytes are those
// of a JPEG, PNG, GIF, BMP, TIFF or WebP image.
class PictureStore {
 public:
  // `importFolder`: the folder of the import file, where relative picture names are found.
  PictureStore(Connection& connection, const ValueConverter& converter, Downloader& downloader,
               std::string importFolder = {});
  ~PictureStore();

  // The ID of the picture `reference` names (a file path, or a web address that is fetched
  // first), stored now if it is not stored yet. nullopt with a German reason in `error` when the
  // picture cannot be fetched or read or is no image.
  std::optional<int64_t> PictureFor(const std::string& reference, std::string& error);

  // The operations behind it, by file name and folder.
  bool PictureExists(const std::string& fileName, const std::string& folder);
  int64_t PictureId(const std::string& fileName, const std::string& folder);  // 0 when none
  // Stores the file as a new record; its ID, or nullopt with a reason when it cannot be read.
  std::optional<int64_t> ImportPicture(const std::string& file, const std::string& fileName,
                                       const std::string& folder, std::string& error);

 private:
  struct Statements;
  Connection& connection_;
  const ValueConverter& converter_;
  Downloader& downloader_;
  std::string importFolder_;
  std::unique_ptr<Statements> statements_;
};

}  // namespace velra

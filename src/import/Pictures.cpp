#include "import/Pictures.h"

#include <fcntl.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <mutex>
#include <string_view>
#include <utility>

#include <curl/curl.h>

#include "base/Paths.h"
#include "base/Text.h"
#include "db/DbError.h"
#include "import/ImageTypes.h"
#include "source/Formats.h"

namespace velra {
namespace {

// The texts of the pictures, in one place.
constexpr std::string_view kNotLoaded = "konnte nicht geladen werden";
constexpr std::string_view kNotStored = "konnte nicht gespeichert werden.";
constexpr std::string_view kSchemeRefused =
    "nur Adressen mit http://, https:// oder ftp:// werden geladen";
constexpr std::string_view kRedirectRefused =
    "die Adresse leitet zu einer Adresse weiter, die nicht mit http:// oder https:// beginnt";
constexpr std::string_view kTooManyRedirects = "die Adresse leitet zu oft weiter";
constexpr std::string_view kTimedOut = "Zeitüberschreitung, der Server hat nach ";
constexpr std::string_view kSeconds = " s noch nicht geliefert";
constexpr std::string_view kHostNotFound = "der Server wurde nicht gefunden";
constexpr std::string_view kConnectionRefused = "der Server nimmt keine Verbindung an";
constexpr std::string_view kRemoteMissing = "die Datei gibt es auf dem Server nicht";
constexpr std::string_view kAccessDenied = "der Server verweigert den Zugriff";
constexpr std::string_view kHttpStatus = "der Server antwortet mit dem Fehler HTTP ";
constexpr std::string_view kPictureTooLarge = "das Bild ist größer als ";
constexpr std::string_view kSecureConnection = "die sichere Verbindung zum Server ist gescheitert";
constexpr std::string_view kBadAddress = "die Adresse ist ungültig";
constexpr std::string_view kTempFolderFailed = "der temporäre Ordner kann nicht angelegt werden (";
constexpr std::string_view kLocalWriteFailed = "die Datei kann nicht gespeichert werden (";
constexpr std::string_view kFileMissing = "wurde nicht gefunden.";
constexpr std::string_view kNotAFile = "ist keine Datei.";
constexpr std::string_view kSystemFile =
    "gehört zum Betriebssystem (/proc, /sys) und wird nicht als Bild gelesen.";
constexpr std::string_view kNotAPicture =
    "ist kein Bild (erwartet: JPEG, PNG, GIF, BMP, TIFF oder WebP).";
constexpr std::string_view kServerSendsNoPicture =
    "der Server liefert kein Bild (erwartet: JPEG, PNG, GIF, BMP, TIFF oder WebP)";
constexpr std::string_view kNoImportFolder =
    "hat keinen vollständigen Pfad, und der Ordner der Importdatei ist nicht bekannt.";
constexpr std::string_view kFileTooLarge = "ist größer als ";
constexpr std::string_view kNotReadable = "kann nicht gelesen werden (";
constexpr std::string_view kNoPermission = "keine Berechtigung";
constexpr std::string_view kPictureFile = "Die Bilddatei ";
constexpr std::string_view kPicture = "Das Bild ";
constexpr std::string_view kTableMissing = "Die Firmendatenbank enthält keine Tabelle ";
constexpr std::string_view kTable = "Die Tabelle ";
constexpr std::string_view kFieldMissing = " der Firmendatenbank hat kein Feld ";

constexpr std::string_view kPicturesTable = "ArticlePictures";
constexpr std::string_view kFallbackName = "bild";
constexpr std::string_view kFolderPattern = "velra-bilder-XXXXXX";
constexpr const char* kUserAgent = "Velra-Importassistent";
// Redirects stay on the web: ftp addresses are fetched when given, but a web server has no
// reason to send the download elsewhere.
constexpr const char* kProtocols = "http,https,ftp";
constexpr const char* kRedirectProtocols = "http,https";
constexpr long kMaxRedirects = 5;
// Room for a counter prefix within the usual 255-byte limit of a file name.
constexpr size_t kMaxNameBytes = 200;

// Local picture files obey the download limit too: a run must not load a disk image by mistake.
const uint64_t kMaxFileBytes = Downloader::Limits{}.maxBytes;

std::string Quoted(std::string_view text) {
  return "'" + std::string(text) + "'";
}

std::string SizeText(uint64_t bytes) {
  constexpr uint64_t kKilo = 1024, kMega = 1024 * 1024;
  if (bytes >= kMega && bytes % kMega == 0) return std::to_string(bytes / kMega) + " MB";
  if (bytes >= kKilo && bytes % kKilo == 0) return std::to_string(bytes / kKilo) + " KB";
  return std::to_string(bytes) + " Bytes";
}

std::string LoadFailed(std::string_view address, std::string_view reason) {
  return std::string(kPicture) + Quoted(address) + " " + std::string(kNotLoaded) + ": " +
         std::string(reason) + ".";
}

void InitCurlOnce() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

bool StartsWithIgnoreCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && ToLowerAscii(text.substr(0, prefix.size())) == prefix;
}

// "scheme://" at the start, whatever the scheme: such a reference is never a local path.
bool HasScheme(std::string_view text) {
  size_t colon = text.find("://");
  if (colon == std::string_view::npos || colon == 0) return false;
  for (size_t i = 0; i < colon; ++i) {
    char c = text[i];
    bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    bool other = (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
    if (!letter && !(i > 0 && other)) return false;
  }
  return true;
}

// The address as libcurl takes it: "www." means http, and blanks or bytes outside ASCII (as
// addresses typed into a spreadsheet carry them) are percent-encoded.
std::optional<std::string> RequestUrl(std::string_view address) {
  std::string url;
  if (StartsWithIgnoreCase(address, "www."))
    url = "http://";
  else if (!StartsWithIgnoreCase(address, "http://") &&
           !StartsWithIgnoreCase(address, "https://") && !StartsWithIgnoreCase(address, "ftp://"))
    return std::nullopt;
  static constexpr char kHex[] = "0123456789ABCDEF";
  for (char c : address) {
    auto b = static_cast<unsigned char>(c);
    if (b <= 0x20 || b >= 0x7F) {
      url += '%';
      url += kHex[b >> 4];
      url += kHex[b & 0x0F];
    } else {
      url += c;
    }
  }
  return url;
}

// The last part of the address's path, without query and fragment, made safe as a file name.
std::string LocalName(std::string_view address) {
  size_t start = address.find("://");
  start = start == std::string_view::npos ? 0 : start + 3;
  size_t end = address.find_first_of("?#", start);
  std::string_view rest = address.substr(start, end == std::string_view::npos ? end : end - start);
  size_t slash = rest.find('/');
  std::string_view path = slash == std::string_view::npos ? std::string_view() : rest.substr(slash);
  std::string_view last = path.substr(path.find_last_of('/') + 1);
  if (last.empty() || last == "." || last == "..") return std::string(kFallbackName);

  std::string name;
  for (char c : last) {
    auto b = static_cast<unsigned char>(c);
    bool unsafe =
        b < 0x20 || b == 0x7F || std::string_view("/\\:*?\"<>|").find(c) != std::string_view::npos;
    name += unsafe ? '_' : c;
  }
  if (name.size() > kMaxNameBytes) {
    size_t cut = kMaxNameBytes;
    while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) --cut;
    name.resize(cut);
  }
  // Names that end in a dot or blank would not survive a copy to a Windows share.
  if (!name.empty() && (name.back() == '.' || name.back() == ' ')) name.back() = '_';
  return name.empty() ? std::string(kFallbackName) : name;
}

std::string ErrnoText(int error) {
  if (error == EACCES || error == EPERM) return std::string(kNoPermission);
  return std::strerror(error);
}

struct Download {
  int fd = -1;
  Bytes head;  // the first bytes, which tell whether an image came
  uint64_t written = 0;
  uint64_t limit = 0;
  bool tooLarge = false;
  int writeError = 0;
};

size_t WriteChunk(char* data, size_t size, size_t count, void* user) {
  auto* download = static_cast<Download*>(user);
  const size_t bytes = size * count;
  // The size option only helps when the server announces a length.
  if (download->written + bytes > download->limit) {
    download->tooLarge = true;
    return 0;
  }
  size_t done = 0;
  while (done < bytes) {
    ssize_t n = ::write(download->fd, data + done, bytes - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      download->writeError = errno;
      return 0;
    }
    done += static_cast<size_t>(n);
  }
  if (download->head.size() < kImageHeadBytes)
    download->head.insert(download->head.end(), data,
                          data + std::min(bytes, kImageHeadBytes - download->head.size()));
  download->written += bytes;
  return bytes;
}

std::string CurlReason(CURL* curl, CURLcode code, const Download& download,
                       const Downloader::Limits& limits, const char* detail) {
  if (download.tooLarge || code == CURLE_FILESIZE_EXCEEDED)
    return std::string(kPictureTooLarge) + SizeText(limits.maxBytes);
  if (download.writeError != 0)
    return std::string(kLocalWriteFailed) + ErrnoText(download.writeError) + ")";
  switch (code) {
    case CURLE_OPERATION_TIMEDOUT:
      return std::string(kTimedOut) + std::to_string(limits.timeoutSeconds) + std::string(kSeconds);
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
      return std::string(kHostNotFound);
    case CURLE_COULDNT_CONNECT:
      return std::string(kConnectionRefused);
    case CURLE_UNSUPPORTED_PROTOCOL:
      // The address itself was checked before; only a redirect can lead here.
      return std::string(kRedirectRefused);
    case CURLE_TOO_MANY_REDIRECTS:
      return std::string(kTooManyRedirects);
    case CURLE_URL_MALFORMAT:
      return std::string(kBadAddress);
    case CURLE_REMOTE_FILE_NOT_FOUND:
      return std::string(kRemoteMissing);
    case CURLE_LOGIN_DENIED:
    case CURLE_REMOTE_ACCESS_DENIED:
      return std::string(kAccessDenied);
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CACERT_BADFILE:
      return std::string(kSecureConnection);
    case CURLE_HTTP_RETURNED_ERROR: {
      long status = 0;
      curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
      if (status == 404 || status == 410)
        return std::string(kRemoteMissing) + " (HTTP " + std::to_string(status) + ")";
      if (status == 401 || status == 403)
        return std::string(kAccessDenied) + " (HTTP " + std::to_string(status) + ")";
      return std::string(kHttpStatus) + std::to_string(status);
    }
    default:
      return detail && *detail ? std::string(detail) : std::string(curl_easy_strerror(code));
  }
}

// The file's content and its last change, read completely before anything is stored.
struct PictureFile {
  Bytes bytes;
  DateTime changed;
};

// The pseudo file systems of the kernel: their "files" are processes, settings and devices.
bool OnSystemFileSystem(int fd) {
  struct statfs system {};
  if (::fstatfs(fd, &system) != 0) return false;
  for (auto magic : {PROC_SUPER_MAGIC, SYSFS_MAGIC, DEBUGFS_MAGIC, TRACEFS_MAGIC, SECURITYFS_MAGIC,
                     CGROUP_SUPER_MAGIC, CGROUP2_SUPER_MAGIC})
    if (static_cast<unsigned long>(system.f_type) == static_cast<unsigned long>(magic)) return true;
  return false;
}

std::optional<PictureFile> ReadPictureFile(const std::string& file, std::string_view shownAs,
                                           std::string& error) {
  const std::string prefix = std::string(kPictureFile) + Quoted(shownAs) + " ";
  // A device or pipe is not even opened: opening one can wait or act.
  struct stat before {};
  if (::stat(file.c_str(), &before) == 0 && !S_ISREG(before.st_mode)) {
    error = prefix + std::string(kNotAFile);
    return std::nullopt;
  }
  // Not blocking, so that a pipe put there since cannot stop the run.
  int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    int e = errno;
    error = prefix + std::string(e == ENOENT || e == ENOTDIR
                                     ? kFileMissing
                                     : std::string(kNotReadable) + ErrnoText(e) + ").");
    return std::nullopt;
  }
  struct Closer {
    int fd;
    ~Closer() { ::close(fd); }
  } closer{fd};

  struct stat info {};
  if (::fstat(fd, &info) != 0) {
    error = prefix + std::string(kNotReadable) + ErrnoText(errno) + ").";
    return std::nullopt;
  }
  if (!S_ISREG(info.st_mode)) {
    error = prefix + std::string(kNotAFile);
    return std::nullopt;
  }
  if (OnSystemFileSystem(fd)) {
    error = prefix + std::string(kSystemFile);
    return std::nullopt;
  }
  const std::string tooLarge = prefix + std::string(kFileTooLarge) + SizeText(kMaxFileBytes) + ".";
  if (static_cast<uint64_t>(info.st_size) > kMaxFileBytes) {
    error = tooLarge;
    return std::nullopt;
  }

  PictureFile picture;
  picture.bytes.reserve(static_cast<size_t>(info.st_size));
  unsigned char buffer[64 * 1024];
  for (;;) {
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      error = prefix + std::string(kNotReadable) + ErrnoText(errno) + ").";
      return std::nullopt;
    }
    if (n == 0) break;
    // The file may grow while it is read.
    if (picture.bytes.size() + static_cast<size_t>(n) > kMaxFileBytes) {
      error = tooLarge;
      return std::nullopt;
    }
    picture.bytes.insert(picture.bytes.end(), buffer, buffer + n);
  }
  if (!IsKnownImage(picture.bytes)) {
    error = prefix + std::string(kNotAPicture);
    return std::nullopt;
  }

  std::tm local{};
  time_t changed = info.st_mtime;
  if (::localtime_r(&changed, &local)) {
    picture.changed = DateTime{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                               local.tm_hour,        local.tm_min,     local.tm_sec};
  }
  return picture;
}

}  // namespace

Downloader::Downloader() : Downloader(Limits{}) {}

Downloader::Downloader(Limits limits) : limits_(limits) {
  InitCurlOnce();
}

Downloader::~Downloader() {
  if (folder_.empty()) return;
  std::error_code ignored;
  std::filesystem::remove_all(folder_, ignored);
}

const Downloader::Result& Downloader::Fetch(const std::string& address) {
  if (auto found = fetched_.find(address); found != fetched_.end()) return found->second;
  Result& result = fetched_[address];

  std::optional<std::string> url = RequestUrl(address);
  if (!url) {
    result.error = LoadFailed(address, kSchemeRefused);
    return result;
  }

  if (folder_.empty()) {
    std::string pattern = TempFolder() + std::string(kFolderPattern);
    if (!::mkdtemp(pattern.data())) {
      result.error = LoadFailed(address, std::string(kTempFolderFailed) + ErrnoText(errno) + ")");
      return result;
    }
    folder_ = pattern + "/";
  }

  // Two addresses may end in the same name; neither download may overwrite the other.
  const std::string name = LocalName(address);
  std::string localFile = folder_ + name;
  Download download;
  download.limit = limits_.maxBytes;
  for (;;) {
    download.fd = ::open(localFile.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (download.fd >= 0 || errno != EEXIST) break;
    localFile = folder_ + std::to_string(++counter_) + "_" + name;
  }
  if (download.fd < 0) {
    result.error = LoadFailed(address, std::string(kLocalWriteFailed) + ErrnoText(errno) + ")");
    return result;
  }

  CURL* curl = curl_easy_init();
  CURLcode code = CURLE_FAILED_INIT;
  char detail[CURL_ERROR_SIZE] = {};
  if (curl) {
    curl_easy_setopt(curl, CURLOPT_URL, url->c_str());
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, kProtocols);
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, kRedirectProtocols);
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, kMaxRedirects);
    curl_easy_setopt(curl, CURLOPT_FAILONERROR, 1L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, limits_.timeoutSeconds);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, limits_.timeoutSeconds);
    curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(limits_.maxBytes));
    // The run works on a worker thread; signals would hit the wrong one.
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_USERAGENT, kUserAgent);
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, detail);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &WriteChunk);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &download);
    code = curl_easy_perform(curl);
  }
  int closeError = ::close(download.fd) == 0 ? 0 : errno;
  if (code == CURLE_OK && closeError != 0) download.writeError = closeError;

  const bool loaded = code == CURLE_OK && download.writeError == 0;
  if (loaded && IsKnownImage(download.head)) {
    result.localFile = localFile;
  } else {
    // A web page or an error text sent as a picture is not kept.
    result.error = LoadFailed(address, loaded ? std::string(kServerSendsNoPicture)
                                              : CurlReason(curl, code, download, limits_, detail));
    ::unlink(localFile.c_str());
  }
  if (curl) curl_easy_cleanup(curl);
  return result;
}

namespace {

// A reference written on Windows that names a drive, a share or the root of a drive: it stays as
// written, and only finds a picture stored under it.
bool IsWindowsAbsolute(std::string_view path) {
  const bool drive = path.size() >= 2 && path[1] == ':' &&
                     ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
  return drive || path.starts_with('\\');
}

bool IsRelativePath(std::string_view path) {
  return !path.starts_with('/') && !IsWindowsAbsolute(path);
}

// The path under which a local picture is read and stored: a relative name lies beside the
// import file ("bilder\a.jpg" written on Windows as well), and "." and ".." are resolved, so that
// every way of writing one file names one picture.
std::string LocalPicturePath(const std::string& reference, const std::string& importFolder) {
  if (IsWindowsAbsolute(reference)) return reference;
  std::string path = reference;
  if (IsRelativePath(reference)) {
    std::replace(path.begin(), path.end(), '\\', '/');
    path = PathJoin(importFolder, path);
  }
  return std::filesystem::path(path).lexically_normal().string();
}

struct PictureSql {
  std::string byName, byId, insert;
};

// The statements with the database's own spelling of the names, so that engines which compare
// quoted names by letter case find them too.
PictureSql BuildSql(Connection& connection) {
  std::optional<std::string> table;
  for (const std::string& name : connection.Tables()) {
    if (EqualsIgnoreCase(name, kPicturesTable)) {
      table = name;
      break;
    }
  }
  if (!table)
    throw DbError(DbError::Kind::Statement,
                  std::string(kTableMissing) + Quoted(kPicturesTable) + ".");
  auto column = [&](std::string_view field) {
    std::optional<ColumnInfo> info = connection.FindColumn(*table, field);
    if (!info)
      throw DbError(DbError::Kind::Statement, std::string(kTable) + Quoted(*table) +
                                                  std::string(kFieldMissing) + Quoted(field) + ".");
    return connection.Quote(info->name);
  };
  const std::string from = " FROM " + connection.Quote(*table);
  const std::string id = column("ID");
  const std::string fileName = column("filename");
  const std::string path = column("Path");
  PictureSql sql;
  sql.byName =
      "SELECT " + id + from + " WHERE " + fileName + " = ? AND " + path + " = ? ORDER BY " + id;
  sql.byId = "SELECT " + id + from + " WHERE " + id + " = ?";
  sql.insert = "INSERT INTO " + connection.Quote(*table) + " (" + fileName + ", " +
               column("FileSize") + ", " + column("Measure") + ", " + column("Date") + ", " + path +
               ", " + column("Picture") + ") VALUES (?, ?, ?, ?, ?, ?)";
  return sql;
}

// The first column of the first row as an ID; 0 when there is no row.
int64_t FirstId(Statement& statement) {
  struct Resetter {
    Statement& statement;
    ~Resetter() { statement.Reset(); }
  } resetter{statement};
  if (!statement.Next()) return 0;
  Value id = statement.Get(0);
  switch (id.GetType()) {
    case Value::Type::Integer:
      return id.AsInteger();
    case Value::Type::Double:
      return static_cast<int64_t>(id.AsDouble());
    case Value::Type::Text:
      return LeadingInteger(id.AsText()).value_or(0);
    default:
      return 0;
  }
}

}  // namespace

struct PictureStore::Statements {
  explicit Statements(Connection& connection) : Statements(connection, BuildSql(connection)) {}
  Statements(Connection& connection, const PictureSql& sql)
      : byName(connection.Prepare(sql.byName)),
        byId(connection.Prepare(sql.byId)),
        insert(connection.Prepare(sql.insert)) {}

  Statement byName;
  Statement byId;
  Statement insert;

  struct Known {
    int64_t id;
    // Stored by this store: a rolled-back row takes the record with it.
    bool storedHere;
  };
  std::map<std::pair<std::string, std::string>, Known> known;
};

namespace {

std::optional<int64_t> InsertPicture(Connection& connection, Statement& insert,
                                     const ValueConverter& converter, const std::string& file,
                                     const std::string& fileName, const std::string& folder,
                                     std::string_view shownAs, std::string& error) {
  std::optional<PictureFile> picture = ReadPictureFile(file, shownAs, error);
  if (!picture) return std::nullopt;
  const std::string size =
      converter.FormatPlain(static_cast<double>(picture->bytes.size()) / 1000.0) + " KB";
  insert.Bind(1, fileName)
      .Bind(2, size)
      .Bind(3, "")
      .Bind(4, picture->changed)
      .Bind(5, folder)
      .Bind(6, Value(std::move(picture->bytes)));
  insert.Execute();
  return connection.LastInsertId();
}

}  // namespace

PictureStore::PictureStore(Connection& connection, const ValueConverter& converter,
                           Downloader& downloader, std::string importFolder)
    : connection_(connection),
      converter_(converter),
      downloader_(downloader),
      importFolder_(std::move(importFolder)) {}

PictureStore::~PictureStore() = default;

bool PictureStore::PictureExists(const std::string& fileName, const std::string& folder) {
  return PictureId(fileName, folder) != 0;
}

int64_t PictureStore::PictureId(const std::string& fileName, const std::string& folder) {
  if (!statements_) statements_ = std::make_unique<Statements>(connection_);
  statements_->byName.Bind(1, fileName).Bind(2, folder);
  return FirstId(statements_->byName);
}

std::optional<int64_t> PictureStore::ImportPicture(const std::string& file,
                                                   const std::string& fileName,
                                                   const std::string& folder, std::string& error) {
  if (!statements_) statements_ = std::make_unique<Statements>(connection_);
  return InsertPicture(connection_, statements_->insert, converter_, file, fileName, folder, file,
                       error);
}

std::optional<int64_t> PictureStore::PictureFor(const std::string& reference, std::string& error) {
  error.clear();
  const std::string text = Trim(reference);
  if (text.empty()) return std::nullopt;

  // Any "scheme://" goes to the downloader, which refuses what is not http, https or ftp, so
  // that "file:///etc/passwd" is never read as a picture. A drive letter is no scheme.
  const bool web = IsWebAddress(text) || (HasScheme(text) && text.find("://") > 1);
  std::string path = text, fileName, folder;
  if (web) {
    // Folder and name together are the whole address, so that addresses that differ only in
    // their query stay different pictures.
    folder = text.substr(0, text.rfind('/') + 1);
    fileName = text.substr(folder.size());
  } else {
    if (IsRelativePath(text) && importFolder_.empty()) {
      error = std::string(kPictureFile) + Quoted(text) + " " + std::string(kNoImportFolder);
      return std::nullopt;
    }
    path = LocalPicturePath(text, importFolder_);
    fileName = FileNameOf(path);
    folder = path.substr(0, path.size() - fileName.size());
  }

  try {
    if (!statements_) statements_ = std::make_unique<Statements>(connection_);
    auto& known = statements_->known;
    const auto key = std::make_pair(fileName, folder);
    if (auto found = known.find(key); found != known.end()) {
      Statements::Known& entry = found->second;
      if (!entry.storedHere) return entry.id;
      statements_->byId.Bind(1, entry.id);
      if (FirstId(statements_->byId) == entry.id) {
        if (!connection_.InTransaction()) entry.storedHere = false;
        return entry.id;
      }
      known.erase(found);
    }

    if (int64_t id = PictureId(fileName, folder); id != 0) {
      known[key] = {id, false};
      return id;
    }

    std::string file = path;
    if (web) {
      const Downloader::Result& fetched = downloader_.Fetch(text);
      if (fetched.localFile.empty()) {
        error = fetched.error;
        return std::nullopt;
      }
      file = fetched.localFile;
    }
    std::optional<int64_t> id = InsertPicture(connection_, statements_->insert, converter_, file,
                                              fileName, folder, text, error);
    if (id) known[key] = {*id, true};
    return id;
  } catch (const DbError& failure) {
    error =
        std::string(kPicture) + Quoted(text) + " " + std::string(kNotStored) + " " + failure.what();
    return std::nullopt;
  }
}

}  // namespace velra

#include "source/mdb/MdbReader.h"

#include <fcntl.h>
#include <mdbtools.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <unordered_set>

#include "base/Encoding.h"
#include "config/Messages.h"
#include "source/SourceError.h"
#include "source/mdb/JetFormat.h"
#include "source/mdb/MdbTexts.h"
#include "source/mdb/MdbValues.h"

namespace velra {

using namespace mdb::texts;

namespace {

constexpr uint32_t kProgressRows = 2000;
// Page 2 holds the catalog's table definition; a shorter file cannot be a database.
constexpr uint64_t kMinPages = 3;
constexpr uint32_t kCatalogPage = 2;
constexpr uint32_t kSystemFlags = 0x80000002;

// Names from mdbtools are UTF-8 unless its conversion failed.
std::string NameOf(const char* name, size_t capacity) {
  std::string text(name, strnlen(name, capacity));
  return IsValidUtf8(text) ? text : Windows1252ToUtf8(text);
}

bool SameNameIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

// What the header page says about the file.
struct FileFacts {
  jet::Kind kind = jet::Kind::NotJet;
  size_t pageSize = 0;
  uint64_t pageCount = 0;
  int codePage = 1252;
  std::string password;
};

FileFacts ReadFileFacts(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    int error = errno;
    if (error == ENOENT || error == ENOTDIR)
      throw SourceError(SourceErrorCode::FileMissing, messages::FileMissing(path));
    throw SourceError(SourceErrorCode::FileUnreadable, messages::FileUnreadable(path, error));
  }
  struct Closer {
    int fd;
    ~Closer() { ::close(fd); }
  } closer{fd};

  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))
    throw SourceError(SourceErrorCode::FileUnreadable, messages::NotARegularFile(path));
  if (info.st_size == 0) throw SourceError(SourceErrorCode::WrongFormat, EmptyFile(path));

  std::string page(jet::kHeaderBytes, '\0');
  size_t got = 0;
  while (got < page.size()) {
    ssize_t n = ::pread(fd, page.data() + got, page.size() - got, static_cast<off_t>(got));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0)
      throw SourceError(SourceErrorCode::FileUnreadable, messages::FileUnreadable(path, errno));
    if (n == 0) break;
    got += static_cast<size_t>(n);
  }
  page.resize(got);

  FileFacts facts;
  facts.kind = jet::KindOfHeader(page);
  if (facts.kind == jet::Kind::NotJet)
    throw SourceError(SourceErrorCode::WrongFormat, NoAccessDatabase(path));
  if (facts.kind == jet::Kind::Ace)
    throw SourceError(SourceErrorCode::Unsupported, AceNotSupported(path));
  facts.pageSize = jet::PageSize(facts.kind);
  auto size = static_cast<uint64_t>(info.st_size);
  // mdbtools reads a missing page as an empty one; only whole pages keep it on firm ground.
  if (size % facts.pageSize != 0 || size / facts.pageSize < kMinPages)
    throw SourceError(SourceErrorCode::WrongFormat, Damaged(path));
  facts.pageCount = size / facts.pageSize;
  std::string header = jet::DecodedHeader(page, facts.kind);
  facts.codePage = jet::CodePageOf(header);
  facts.password = jet::PasswordOf(header, facts.kind);
  return facts;
}

struct HandleCloser {
  void operator()(MdbHandle* mdb) const { mdb_close(mdb); }
};
struct TableFreer {
  void operator()(MdbTableDef* table) const { mdb_free_tabledef(table); }
};

// One field of the table being loaded.
struct Field {
  MdbColumn* column = nullptr;
  std::string name;
  std::vector<char> bound;  // Booleans only: their value lives in the null bitmap
  int boundLength = 0;
  bool typeReported = false;
};

class AccessReader final : public SourceReader {
 public:
  AccessReader(std::string path, FileFacts facts)
      : path_(std::move(path)), facts_(std::move(facts)), codePage_(facts_.codePage) {
    mdb_.reset(mdb_open(path_.c_str(), MDB_NOFLAGS));
    if (!mdb_ || !mdb_->f || !mdb_->fmt ||
        mdb_->fmt->pg_size != static_cast<ssize_t>(facts_.pageSize))
      throw SourceError(SourceErrorCode::WrongFormat, Damaged(path_));
    mdb_set_boolean_fmt_numbers(mdb_.get());
    ReadCatalog();
  }

  std::vector<std::string> Tables() override { return tables_; }

  void Load(const std::string& table, const LoadOptions& options, SourceTable& out,
            LoadReport& report) override {
    out.Clear();
    if (catalogDamaged_) report.Warn(0, CatalogIncomplete(path_));
    Scan(*Find(table), options, out, report);
  }

 private:
  // The catalog is read here rather than by mdbtools, which also parses the properties of every
  // object and loops for ever on some damaged ones.
  void ReadCatalog() {
    MdbCatalogEntry& objects = AddEntry("MSysObjects", kCatalogPage);
    SourceTable catalog;
    LoadReport notes;
    try {
      Scan(objects, {}, catalog, notes);
    } catch (const SourceError&) {
      throw SourceError(SourceErrorCode::WrongFormat, Damaged(path_));
    }
    auto column = [&](std::string_view name) {
      const auto& names = catalog.ColumnNames();
      auto found = std::find(names.begin(), names.end(), name);
      if (found == names.end()) throw SourceError(SourceErrorCode::WrongFormat, Damaged(path_));
      return static_cast<size_t>(found - names.begin()) + 1;
    };
    const size_t idColumn = column("Id"), nameColumn = column("Name"), typeColumn = column("Type"),
                 flagsColumn = column("Flags");
    // mdbtools skips a catalog row it cannot read, and with it maybe a table.
    catalogDamaged_ = !notes.warnings.empty();
    for (size_t row = 1; row <= catalog.RowCount(); ++row) {
      Value id = catalog.Get(idColumn, row), name = catalog.Get(nameColumn, row),
            type = catalog.Get(typeColumn, row), flags = catalog.Get(flagsColumn, row);
      // Jet gives every object an id, a name and a type.
      if (id.GetType() != Value::Type::Integer || !name.IsText() ||
          type.GetType() != Value::Type::Integer) {
        catalogDamaged_ = true;
        continue;
      }
      if ((type.AsInteger() & 0x7F) != MDB_TABLE) continue;
      // Hidden system tables (attachments, navigation pane) are no data of the user either.
      auto flagBits =
          static_cast<uint32_t>(flags.GetType() == Value::Type::Integer ? flags.AsInteger() : 0);
      if ((flagBits & kSystemFlags) != 0 || name.AsText().find("MSys") != std::string::npos)
        continue;
      AddEntry(name.AsText(), static_cast<uint32_t>(id.AsInteger()) & 0x00FFFFFF);
      tables_.push_back(name.AsText());
    }
    // Every load names the damage; without any table left the file is damaged as a whole.
    if (catalogDamaged_ && tables_.empty())
      throw SourceError(SourceErrorCode::WrongFormat, Damaged(path_));
  }

  MdbCatalogEntry& AddEntry(const std::string& name, uint32_t page) {
    auto entry = std::make_unique<MdbCatalogEntry>();
    entry->mdb = mdb_.get();
    std::snprintf(entry->object_name, sizeof entry->object_name, "%s", name.c_str());
    entry->object_type = MDB_TABLE;
    entry->table_pg = page;
    entries_.push_back(std::move(entry));
    return *entries_.back();
  }

  void Scan(MdbCatalogEntry& entry, const LoadOptions& options, SourceTable& out,
            LoadReport& report) {
    const std::string table = entry.object_name;
    if (entry.table_pg == 0 || entry.table_pg >= facts_.pageCount)
      throw SourceError(SourceErrorCode::WrongFormat, TableDamaged(table, path_));
    CheckUsageMap(entry, table);
    std::unique_ptr<MdbTableDef, TableFreer> def(mdb_read_table(&entry));
    if (!def || !mdb_read_columns(def.get()) || !def->columns || def->columns->len < def->num_cols)
      throw SourceError(SourceErrorCode::WrongFormat, TableDamaged(table, path_));
    if (def->num_cols > kMaxSourceColumns)
      throw SourceError(SourceErrorCode::TooLarge, TooManyColumns(table, path_));
    CheckDataPages(*def, table);

    std::vector<Field> fields(def->num_cols);
    std::vector<std::string> names;
    for (size_t i = 0; i < fields.size(); ++i) {
      Field& field = fields[i];
      field.column = static_cast<MdbColumn*>(g_ptr_array_index(def->columns, i));
      field.name = NameOf(field.column->name, sizeof field.column->name);
      names.push_back(options.firstRowHasNames ? field.name : GeneratedColumnName(i + 1));
      if (field.column->col_type == MDB_BOOL) {
        field.bound.assign(std::max<size_t>(mdb_->bind_size, 16), '\0');
        mdb_bind_column(def.get(), static_cast<int>(i + 1), field.bound.data(), &field.boundLength);
      }
    }

    const uint64_t total = def->num_rows;
    auto cancelled = [&](uint64_t done) {
      if (!options.progress || options.progress(done, total)) return false;
      out.Clear();
      report.cancelled = true;
      return true;
    };
    if (cancelled(0)) return;
    uint32_t record = 0;
    try {
      out.Reset(std::move(names));
      mdb_rewind_table(def.get());
      while (mdb_fetch_row(def.get())) {
        ++record;
        for (size_t i = 0; i < fields.size(); ++i) ReadField(fields[i], i + 1, record, out, report);
        out.FinishRow(record);
        if (record % kProgressRows == 0 && cancelled(record)) return;
      }
    } catch (...) {
      out.Clear();
      throw;
    }
    if (record < total) report.Warn(0, RowsMissing(table, total, record));
    if (options.progress) options.progress(record, std::max<uint64_t>(total, record));
  }

  MdbCatalogEntry* Find(const std::string& table) const {
    // entries_[0] is the catalog itself.
    for (size_t i = 0; i < tables_.size(); ++i)
      if (tables_[i] == table) return entries_[i + 1].get();
    // Jet compares names without regard to letter case.
    for (size_t i = 0; i < tables_.size(); ++i)
      if (SameNameIgnoringCase(tables_[i], table)) return entries_[i + 1].get();
    throw SourceError(SourceErrorCode::TableMissing, TableNotFound(table, path_));
  }

  // mdbtools takes a usage map it cannot read for an empty table.
  void CheckUsageMap(const MdbCatalogEntry& entry, const std::string& table) {
    MdbHandle* mdb = mdb_.get();
    if (mdb_read_pg(mdb, entry.table_pg) != static_cast<ssize_t>(facts_.pageSize) ||
        mdb->pg_buf[0] != MDB_PAGE_TABLE)
      throw SourceError(SourceErrorCode::WrongFormat, TableDamaged(table, path_));
    std::string_view page(reinterpret_cast<const char*>(mdb->pg_buf), facts_.pageSize);
    uint32_t mapPage = jet::Le32(page, mdb->fmt->tab_usage_map_offset) >> 8;
    if (mapPage == 0 || mapPage >= facts_.pageCount)
      throw SourceError(SourceErrorCode::WrongFormat, TableDamaged(table, path_));
  }

  // The data pages the table claims must lie in the file; mdbtools would end the scan early at
  // a missing one without a word.
  void CheckDataPages(MdbTableDef& def, const std::string& table) {
    // mdbtools would follow a missing map into a null pointer.
    if (!def.usage_map || def.map_sz < 1)
      throw SourceError(SourceErrorCode::WrongFormat, TableDamaged(table, path_));
    guint32 page = 0;
    for (uint64_t step = 0; step <= facts_.pageCount; ++step) {
      gint32 next =
          mdb_map_find_next(mdb_.get(), def.usage_map, static_cast<unsigned>(def.map_sz), page);
      if (next <= 0 || static_cast<guint32>(next) <= page) return;
      if (static_cast<uint64_t>(next) >= facts_.pageCount)
        throw SourceError(SourceErrorCode::WrongFormat, TableDamaged(table, path_));
      page = static_cast<guint32>(next);
    }
  }

  void ReadField(Field& field, size_t column, uint32_t record, SourceTable& out,
                 LoadReport& report) {
    MdbColumn& col = *field.column;
    auto note = [&](const std::string& text) {
      report.WarnCell(record, column, {}, FieldNote(field.name, column, text));
    };
    if (col.col_type == MDB_BOOL) {
      out.SetValue(column, Value(field.boundLength == 1 && field.bound[0] == '1'));
      return;
    }
    // mdbtools leaves the place of the value on its current page; no length means null.
    if (col.cur_value_len <= 0) return;
    if (col.cur_value_start < 0 ||
        static_cast<size_t>(col.cur_value_start) + static_cast<size_t>(col.cur_value_len) >
            facts_.pageSize) {
      note(kValueUnreadable);
      return;
    }
    std::string_view bytes(reinterpret_cast<const char*>(mdb_->pg_buf) + col.cur_value_start,
                           static_cast<size_t>(col.cur_value_len));
    switch (col.col_type) {
      case MDB_TEXT:
        out.SetText(column, jet::TextToUtf8(bytes, facts_.kind, codePage_));
        return;
      case MDB_MEMO:
      case MDB_OLE: {
        std::string data;
        if (!ReadLongValue(bytes, data)) note(kLongValueIncomplete);
        if (col.col_type == MDB_MEMO)
          out.SetText(column, jet::TextToUtf8(data, facts_.kind, codePage_));
        else
          out.SetValue(column, Value(Bytes(data.begin(), data.end())));
        return;
      }
      case MDB_BINARY:
        out.SetValue(column, Value(Bytes(bytes.begin(), bytes.end())));
        return;
      default:
        break;
    }
    if (!mdb::IsFixedSize(col.col_type)) {
      if (!field.typeReported) note(kTypeUnsupported);
      field.typeReported = true;
      return;
    }
    // mdbtools swaps the names: col_prec holds the scale.
    mdb::FieldValue value = mdb::FixedSizeValue(col.col_type, bytes, col.col_prec);
    if (!value.note.empty()) note(value.note);
    if (value.value) out.SetValue(column, *value.value);
  }

  // The content of a Memo or OLE field, whose row part `head` says where it is stored. False
  // when it is not stored completely; `data` then holds what could be read.
  bool ReadLongValue(std::string_view head, std::string& data) {
    constexpr size_t kHeadSize = 12;
    if (head.size() < kHeadSize) return false;
    uint32_t lengthAndKind = jet::Le32(head, 0);
    uint32_t length = lengthAndKind & 0x3FFFFFFF;
    uint32_t pageRow = jet::Le32(head, 4);
    std::string_view row;
    switch (lengthAndKind >> 30) {
      case 2:  // in the row itself
        data.assign(head.substr(kHeadSize, length));
        return data.size() == length;
      case 1:  // in one row of another page
        if (!LongValueRow(pageRow, row)) return false;
        data.assign(row.substr(0, length));
        return data.size() == length;
      case 0: {  // in a chain of rows, each starting with the place of the next
        data.reserve(std::min<uint64_t>(length, facts_.pageCount * facts_.pageSize));
        std::unordered_set<uint32_t> visited;
        while (data.size() < length && pageRow != 0) {
          if (!visited.insert(pageRow).second || !LongValueRow(pageRow, row) || row.size() <= 4)
            return false;
          pageRow = jet::Le32(row, 0);
          data.append(row.substr(4, length - data.size()));
        }
        return data.size() == length;
      }
      default:
        return false;
    }
  }

  // The row `pageRow` (page << 8 | row), valid until mdbtools reads its next page.
  bool LongValueRow(uint32_t pageRow, std::string_view& row) {
    uint32_t page = pageRow >> 8;
    if (page == 0 || page >= facts_.pageCount) return false;
    void* buffer = nullptr;
    int offset = 0;
    size_t length = 0;
    if (mdb_find_pg_row(mdb_.get(), static_cast<int>(pageRow), &buffer, &offset, &length) != 0 ||
        !buffer || offset < 0 || static_cast<size_t>(offset) + length > facts_.pageSize)
      return false;
    row = std::string_view(static_cast<const char*>(buffer) + offset, length);
    return true;
  }

  std::string path_;
  FileFacts facts_;
  CodePage codePage_;
  std::unique_ptr<MdbHandle, HandleCloser> mdb_;
  std::vector<std::string> tables_;
  std::vector<std::unique_ptr<MdbCatalogEntry>> entries_;
  bool catalogDamaged_ = false;
};

}  // namespace

std::string StoredAccessPassword(const std::string& path) {
  return ReadFileFacts(path).password;
}

std::unique_ptr<SourceReader> OpenAccessDatabase(const std::string& path,
                                                 const std::string& password) {
  FileFacts facts = ReadFileFacts(path);
  // A file without a password opens whatever password is given: the wizard keeps the password
  // of the last protected file and would otherwise ask for one here.
  if (!facts.password.empty() && password != facts.password)
    throw SourceError(SourceErrorCode::WrongPassword, PasswordWrong(path));
  return std::make_unique<AccessReader>(path, std::move(facts));
}

AccessOpenResult OpenAccessWithPassword(const std::string& path, std::string& password,
                                        PasswordPrompter& prompter) {
  bool prompting = false;
  int attempt = 0;
  while (true) {
    try {
      return {OpenAccessDatabase(path, password), false};
    } catch (const SourceError& error) {
      if (error.Code() != SourceErrorCode::WrongPassword) {
        prompter.Error(kErrorTitle, error.Message());
        return {};
      }
    }
    if (prompting) {
      if (attempt >= 3) {
        prompter.Error(kNoticeTitle, kPasswordRefused);
        return {nullptr, true};
      }
      prompter.Warning(kNoticeTitle, kPasswordInvalid);
      ++attempt;
    }
    prompting = true;
    std::string prompt = kPasswordPrompt;
    if (attempt > 0) prompt += kAttemptLabel + std::to_string(attempt);
    password = prompter.AskPassword(kPasswordTitle, prompt).value_or(std::string());
  }
}

}  // namespace velra

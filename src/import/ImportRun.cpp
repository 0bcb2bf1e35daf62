#include "import/ImportRun.h"

#include <chrono>
#include <cmath>
#include <memory>
#include <optional>
#include <set>
#include <thread>
#include <unordered_map>

#include "base/Text.h"
#include "db/Connection.h"
#include "db/TargetTable.h"
#include "import/Addresses.h"
#include "import/ArticleRecords.h"
#include "import/ArticleSteps.h"
#include "import/ImportLock.h"
#include "import/KeyIndex.h"
#include "import/LoadNotes.h"
#include "import/NumberRanges.h"
#include "import/Pictures.h"
#include "import/Prices.h"
#include "import/RecordCompletion.h"
#include "import/RowRecord.h"
#include "import/ValueConversion.h"

namespace velra {

namespace {

constexpr const char* kCannotOpen = "Die Firmendatenbank konnte nicht geöffnet werden:";
constexpr size_t kRowsPerCommit = 1000;
constexpr auto kTimePerCommit = std::chrono::milliseconds(250);

// The numbering of a kind that draws numbers; nullptr for the others.
const Numbering* NumberingOf(const DataKindInfo& kind) {
  return kind.Numbered() ? &kind.numbering : nullptr;
}

// Customers, suppliers and articles: records with a number of their own, a creation date and
// the import note.
bool IsMasterRecord(Family family) {
  return family == Family::Customers || family == Family::Suppliers || family == Family::Articles;
}

// Failures after which no row can be written any more: another program holds the database, the
// connection is gone, the disk is full, the login may not write.
bool StopsTheRun(const DbError& error) {
  const DbError::Kind kind = error.GetKind();
  return kind == DbError::Kind::Locked || kind == DbError::Kind::Open ||
         kind == DbError::Kind::Storage || kind == DbError::Kind::Denied;
}

constexpr const char* kNotWrittenAfterStop =
    "Die Zeile wurde nicht importiert: Der Import wurde angehalten, bevor sie gespeichert war.";

// A column of the grid that is imported.
struct PlannedColumn {
  size_t sourceColumn;  // from 1
  int field;            // index in the target table
  std::string name;     // the column's name in the source
  std::string fieldName;
  Value::Type type;
  TypeClass typeClass;  // the picture class: a file or web address, stored as a picture record
};

class Runner {
 public:
  Runner(const SessionContext& context, const ImportSettings& settings, const SourceTable& source,
         const std::vector<GridColumn>& columns, const RunOptions& options)
      : context_(context),
        settings_(settings),
        options_(options),
        source_(source),
        columns_(columns),
        converter_(context.Regional),
        kind_(Describe(settings.datenart)),
        numbered_(NumberingOf(kind_)) {}

  ImportResult Run(const RowProgress& progress, const std::atomic<bool>& cancel) {
    const size_t rows = source_.RowCount();
    if (!Prepare(cancel)) {
      batch_.reset();                      // a run that does not start leaves the table as it was
      result_.report.rowsRejected = rows;  // none of them was imported
      return std::move(result_);
    }
    result_.status = ImportResult::Status::Finished;
    if (options_.loadNotes) AddLoadNotes(*options_.loadNotes, source_, result_.report);
    try {
      for (size_t row = 1; row <= rows; ++row) {
        if (options_.pause && options_.pause->load() && !GoOnAfterPause(cancel)) {
          result_.status = ImportResult::Status::Cancelled;
          break;
        }
        currentRow_ = row;
        if (!batch_) StartBatch();
        // A row is written completely or not at all.
        connection_->Savepoint();
        bool open = true, written = false;
        try {
          written = ProcessRow(static_cast<uint32_t>(row));
        } catch (const DbError& e) {
          // The batch goes with the run; the rows it held are reported below.
          if (StopsTheRun(e)) throw;
          connection_->RollbackToSavepoint();
          open = false;
          RejectRow(row, e.what());
        }
        if (stop_ || cancel.load()) {
          if (open) connection_->RollbackToSavepoint();
          if (written) UndoRowCounts();
          result_.status = stop_ ? ImportResult::Status::Stopped : ImportResult::Status::Cancelled;
          if (stop_) ReportRowsNotWritten(row + 1, rows);
          break;
        }
        if (open) connection_->ReleaseSavepoint();
        if (progress) progress(row, rows);
        if (++rowsInBatch_ >= kRowsPerCommit ||
            std::chrono::steady_clock::now() - batchStart_ > kTimePerCommit)
          CommitBatch();
      }
      CommitBatch();
    } catch (const DbError& e) {
      // The rows since the last commit are lost with the batch.
      batch_.reset();
      ImportReport& report = result_.report;
      report.rowsWritten = committed_.rowsWritten;
      report.added = committed_.added;
      report.updated = committed_.updated;
      report.unchanged = committed_.unchanged;
      result_.status = ImportResult::Status::Stopped;
      result_.message = e.what();
      if (!options_.testRun) ReportRowsNotWritten(committedThrough_ + 1, rows);
    }
    if (options_.testRun) {
      batch_.reset();  // rolls the whole run back
      result_.testRun = true;
    }
    StoreCounters();
    return std::move(result_);
  }

 private:
  struct Counts {
    size_t rowsWritten = 0, added = 0, updated = 0, unchanged = 0;
  };

  bool Prepare(const std::atomic<bool>& cancel) {
    try {
      connection_ = Connection::Open(context_.ConnectionString);
      table_ = std::make_unique<TargetTable>(*connection_, settings_.table);
    } catch (const DbError& e) {
      result_.message = std::string(kCannotOpen) + "\r\n" + e.what();
      return false;
    }
    record_ = std::make_unique<RowRecord>(*table_);
    PlanColumns();
    try {
      // From the first check to the end of the run no other run writes the table.
      if (!Lock(cancel)) return false;
      StartBatch();
      if (options_.deleteFirst && !DeleteAll()) return false;
      if (!PrepareKeys() || !PrepareNumbers()) return false;
      PrepareCompletion();
    } catch (const DbError& e) {
      result_.message = std::string(kCannotOpen) + "\r\n" + e.what();
      return false;
    }
    return true;
  }

  bool Lock(const std::atomic<bool>& cancel) {
    const std::string other =
        "Ein anderer Import in die Firma '" + context_.CompanyName + "' läuft gerade";
    LockWaiting waiting;
    waiting.wait = options_.waitForOtherRun;
    waiting.cancel = &cancel;
    if (options_.waiting)
      waiting.report = [&](int seconds) {
        options_.waiting(other + "; es wird gewartet … (" + std::to_string(seconds) + " s)");
      };
    lock_ = LockImport(*connection_, context_.DatabasePath, table_->Name(), waiting);
    if (lock_.state == ImportLock::State::Busy)
      result_.message = other + "; der Import wurde nicht gestartet.";
    else if (lock_.state == ImportLock::State::Cancelled)
      result_.message = "Der Import wurde abgebrochen, bevor er begann: " + other + ".";
    return lock_.state == ImportLock::State::Taken;
  }

  bool DeleteAll() {
    int64_t deleted = 0;
    try {
      deleted = connection_->Execute("DELETE FROM " + connection_->Quote(table_->Name()));
    } catch (const DbError& e) {
      result_.message = std::string("Die Datensätze konnten nicht gelöscht werden:\r\n") + e.what();
      return false;
    }
    deletedInBatch_ = static_cast<size_t>(deleted);
    if (options_.testRun)
      result_.preview.notes.push_back("Tabelle '" + table_->Name() + "': alle " +
                                      std::to_string(deleted) + " Datensätze würden gelöscht.");
    return true;
  }

  void PlanColumns() {
    for (size_t i = 0; i < columns_.size(); ++i) {
      const GridColumn& column = columns_[i];
      if (column.FieldCaption.empty() || column.TargetField.empty()) continue;
      int field = table_->IndexOf(column.TargetField);
      if (field < 0) {
        result_.report.Add({0, 0, column.SourceName, column.TargetField, "",
                            "Das Feld gibt es in der Tabelle '" + table_->Name() +
                                "' nicht; die Spalte wird nicht übernommen."});
        continue;
      }
      const ColumnInfo& info = table_->Columns()[static_cast<size_t>(field)];
      planned_.push_back(
          {i + 1, field, column.SourceName, info.name, info.type, TypeClassOf(info.name)});
    }
  }

  bool Synchronising() const { return settings_.synchronise && !kind_.alwaysAdds; }

  bool PrepareKeys() {
    if (!Synchronising()) return PrepareNumberIndex();
    std::vector<std::string> keyFields{kind_.firstKeyField ? kind_.firstKeyField
                                                           : settings_.synchronisationField};
    keyColumns_.push_back(FindMappedColumn(columns_, settings_.synchronisationField));
    if (kind_.secondKeyField) {
      keyFields.push_back(kind_.secondKeyField);
      keyColumns_.push_back(FindMappedColumn(columns_, kind_.secondKeyField));
    }
    for (const std::string& field : keyFields) {
      int index = table_->IndexOf(field);
      if (field.empty() || index < 0) {
        result_.message = "Das Synchronisationsfeld '" + field + "' gibt es in der Tabelle '" +
                          table_->Name() + "' nicht; es wurde nichts importiert.";
        return false;
      }
      keyFields_.push_back(index);
    }
    index_.Load(*connection_, *table_, keyFields_);
    return true;
  }

  // Without synchronisation every row adds a record, so a number that exists already (or came
  // earlier in the file) would be there twice: such rows are refused.
  bool PrepareNumberIndex() {
    const char* field = kind_.uniqueNumberField;
    if (!field || (numbered_ && settings_.autoNumber)) return true;
    const int index = table_->IndexOf(field);
    if (index < 0) return true;
    keyFields_.push_back(index);
    keyColumns_.push_back(FindMappedColumn(columns_, field));
    index_.Load(*connection_, *table_, keyFields_);
    return true;
  }

  bool UniqueNumbers() const { return !Synchronising() && !keyFields_.empty(); }

  // False (the row refused) when the row's number belongs to a record already.
  bool NumberIsNew(uint32_t row) {
    const std::string number = TrimBlanks(KeyText(keyColumns_[0], row));
    if (number.empty()) return true;
    const KeyIndex::Entry* entry = index_.Find(KeyIndex::Compose({number}));
    if (!entry) return true;
    RejectRow(row, "Die Nummer " + number + " gibt es schon (" +
                       (entry->row ? "Zeile " + std::to_string(LineOf(entry->row))
                                   : std::string("in der Firma")) +
                       "); mit 'Synchronisieren' wird der Datensatz aktualisiert.");
    return false;
  }

  bool PrepareNumbers() {
    if (!numbered_ || (!numbered_->alwaysDrawn && !settings_.autoNumber)) return true;
    if (!context_.Options) {
      result_.message = "Die Nummernkreise der Firma können nicht gelesen werden.";
      return false;
    }
    std::string error;
    cursor_ = NumberRangeCursor::Open(*context_.Options, numbered_->range, today_, error);
    if (!cursor_) {
      result_.message = error;
      return false;
    }
    if (options_.testRun) cursor_->LeaveStoredCounter();
    int field = table_->IndexOf(numbered_->field);
    if (field < 0) {
      result_.message = std::string("Das Feld '") + numbered_->field +
                        "' gibt es in der Tabelle '" + table_->Name() + "' nicht.";
      return false;
    }
    taken_ = std::make_unique<Statement>(connection_->Prepare(connection_->GetDialect().SelectFirst(
        "1", connection_->Quote(table_->Name()) + " WHERE " +
                 connection_->Quote(table_->Columns()[static_cast<size_t>(field)].name) + " = ?")));
    return true;
  }

  bool PricesComputed() const { return settings_.priceMode == 1 || settings_.priceMode == 2; }

  void PrepareCompletion() {
    const bool articles = kind_.family == Family::Articles;
    const bool prices = kind_.family == Family::Prices;
    if (articles)
      for (const PlannedColumn& column : planned_)
        if (EqualsIgnoreCase(column.fieldName, "VatCode")) vatColumn_ = &column;
    if (((articles || prices) && PricesComputed()) || vatColumn_)
      taxes_ = TaxRates::Load(*connection_);
    if (prices && PricesComputed())
      articleTaxKeys_ = std::make_unique<ArticleLookup>(*connection_, "Articles", "VatCode");
    if (articles && settings_.webshop) webshop_ = std::make_unique<WebshopRecords>(*connection_);
    if (articles && settings_.createSupplier)
      suppliers_ = std::make_unique<SupplierRecords>(*connection_);
    for (const PlannedColumn& column : planned_)
      if (column.typeClass == TypeClass::Picture && !pictures_)
        pictures_ = std::make_unique<PictureStore>(*connection_, converter_, downloader_,
                                                   settings_.sourceFolder);
  }

  bool IsTaken(const std::string& number) {
    taken_->Reset();
    taken_->Bind(1, Value(number));
    bool taken = taken_->Next();
    taken_->Reset();
    return taken;
  }

  uint32_t LineOf(size_t row) const {
    uint32_t line = source_.SourceLine(row);
    return line ? line : static_cast<uint32_t>(row);
  }

  void RejectRow(size_t row, const std::string& reason) {
    rejectedSinceCommit_.push_back(row);
    result_.report.AddRejected({static_cast<uint32_t>(row), LineOf(row), "", "", "",
                                "Die Zeile wurde nicht importiert: " + reason});
  }

  // After a stop: every row from `first` on that is not in the database and not yet reported as
  // rejected, so that the report (and the file of rejected rows) names each row not imported.
  void ReportRowsNotWritten(size_t first, size_t last) {
    auto rejected = rejectedSinceCommit_.begin();
    for (size_t row = first; row <= last; ++row) {
      while (rejected != rejectedSinceCommit_.end() && *rejected < row) ++rejected;
      if (rejected != rejectedSinceCommit_.end() && *rejected == row) continue;
      result_.report.AddRejected(
          {static_cast<uint32_t>(row), LineOf(row), "", "", "", kNotWrittenAfterStop});
    }
  }

  // The grid's columns are the source's columns in the same order.
  std::string KeyText(int gridColumn, size_t row) const {
    if (gridColumn <= 0) return {};  // no column carries the key: the empty key
    return converter_.ToText(source_.Get(static_cast<size_t>(gridColumn), row))
        .value_or(std::string());
  }

  bool KeyOfRecordIsEmpty() const {
    return TrimBlanks(converter_.ToText(record_->At(keyFields_[0])).value_or(std::string()))
        .empty();
  }

  std::string RecordKey() const {
    std::vector<std::string> values;
    for (int field : keyFields_)
      values.push_back(converter_.ToText(record_->At(field)).value_or(std::string()));
    return KeyIndex::Compose(values);
  }

  // Sets a field the run fills by itself; a field the table lacks is reported once.
  void SetFixed(const char* field, Value value) {
    if (record_->Set(field, std::move(value))) return;
    ReportMissingFixed(field);
  }
  // Sets the time of the last change; it is written only with a change of another field.
  void SetUpdateStamp(const DateTime& now) {
    if (!record_->Stamp("DateUpdate", Value(now))) ReportMissingFixed("DateUpdate");
  }
  void ReportMissingFixed(const char* field) {
    if (missingFixed_.insert(field).second)
      result_.report.Add({0, 0, "", field, "",
                          "Das Feld gibt es in der Tabelle '" + table_->Name() +
                              "' nicht; es wird beim Import nicht gesetzt."});
  }

  // Locates or adds the row's record and fills the fields the run sets by itself. False when the
  // row cannot be imported.
  bool Locate(uint32_t row) {
    record_->StartNew();
    if (UniqueNumbers() && !NumberIsNew(row)) return false;
    if (Synchronising()) {
      std::vector<std::string> keys;
      for (int column : keyColumns_) keys.push_back(KeyText(column, row));
      // An empty key is no key: it would pick whichever record happens to have none.
      if (TrimBlanks(keys[0]).empty())
        Note(row, settings_.synchronisationField.c_str(), "",
             "Die Zeile wurde als neuer Datensatz angelegt: kein Wert im Synchronisationsfeld.");
      else if (KeyIndex::Entry* entry = index_.Find(KeyIndex::Compose(keys))) {
        record_->LoadExisting(entry->id);
        if (entry->row != 0)
          result_.report.Add({row, LineOf(row), "", "", Join(keys, " / "),
                              "Der Schlüssel steht in der Datei mehrfach (Zeilen " +
                                  std::to_string(LineOf(entry->row)) + " und " +
                                  std::to_string(LineOf(row)) +
                                  "); diese Zeile ändert den Datensatz der früheren."});
      }
    }
    const DateTime now = Now();
    const Family family = kind_.family;
    if (IsMasterRecord(family)) {
      if (!record_->IsNew()) {
        number_ = NzText(record_->Get(numbered_->field));
      } else if (cursor_) {
        if (!DrawNumber(row)) return false;
        SetFixed(numbered_->field, Value(number_));
        if (family == Family::Articles) SetFixed("ArticleNumberVariant", Value(number_));
      } else {
        int column = FindMappedColumn(columns_, numbered_->field);
        number_ =
            column > 0
                ? converter_.ToText(source_.Get(static_cast<size_t>(column), row)).value_or("")
                : "";
        if (number_.empty()) {
          RejectRow(row, std::string("Sie hat keine ") + numbered_->caption + ".");
          return false;
        }
      }
      if (record_->IsNew()) SetFixed("DateCreation", Value(now));
      SetUpdateStamp(now);
      SetFixed("WorksOnLastOf", Value(context_.ImportNote));
      if (family == Family::Articles) {
        SetFixed("Active", Value(settings_.active));
        SetFixed("RebateAble", Value(settings_.rebate));
        SetFixed("POSAble", Value(settings_.pos));
        SetFixed("BuildBy", Value("velra"));
      }
    } else if (family == Family::Stock) {
      if (!DrawNumber(row)) return false;
      SetFixed("StockingNumber", Value(number_));
      SetFixed("Blocked", Value(false));
      SetFixed("BlockedBy", Value(""));
      SetFixed("BlockedAt", Value());
      SetFixed("ReasonBlocking", Value(""));
      SetFixed("DateCreation", Value(now));
      SetUpdateStamp(now);
      SetFixed("WorksOnLastOf", Value(context_.ImportNote));
    } else if (family == Family::StorageLocations) {
      SetFixed("Warehouseman", Value(""));
      SetFixed("Address", Value(""));
    }
    return true;
  }

  bool DrawNumber(uint32_t row) {
    std::string error;
    std::optional<std::string> number =
        cursor_->Next([this](const std::string& n) { return IsTaken(n); }, error);
    if (!number) {
      RejectRow(row, error);
      result_.message = error;
      stop_ = true;
      return false;
    }
    cursor_->CountOn();
    number_ = *number;
    return true;
  }

  void WriteColumns(uint32_t row) {
    for (const PlannedColumn& column : planned_) {
      const Value value = ImportedValue(source_, column.sourceColumn, row, column.fieldName);
      if (column.typeClass == TypeClass::Picture) {
        WritePicture(row, column, value);
        continue;
      }
      Conversion conversion = converter_.ForClass(value, column.typeClass, column.type);
      if (conversion.outcome == Conversion::Outcome::Converted)
        record_->SetAt(column.field, std::move(conversion.value));
      else if (conversion.outcome == Conversion::Outcome::Failed)
        result_.report.Add({row, LineOf(row), column.name, column.fieldName,
                            converter_.ToText(value).value_or(std::string()), conversion.reason});
    }
  }

  void WritePicture(uint32_t row, const PlannedColumn& column, const Value& value) {
    std::string reference = TrimBlanks(converter_.ToText(value).value_or(std::string()));
    if (reference.empty()) return;
    std::string error;
    if (std::optional<int64_t> id = pictures_->PictureFor(reference, error))
      record_->SetAt(column.field, Value(*id));
    else if (!error.empty())
      result_.report.Add({row, LineOf(row), column.name, column.fieldName, reference, error});
  }

  // A note of the row about a field the run fills by itself.
  void Note(uint32_t row, const char* field, const std::string& value, const std::string& reason) {
    result_.report.Add({row, LineOf(row), "", field, value, reason});
  }

  std::string Text(const char* field) const {
    return converter_.ToText(record_->Get(field)).value_or(std::string());
  }

  void Complete(uint32_t row) {
    switch (kind_.family) {
      case Family::Customers:
        CompleteBankData(*record_);
        CompleteAddressTexts(*record_);
        AddressAndSearchName("InvoiceAddress");
        break;
      case Family::Articles:
        CompleteArticle(row);
        break;
      case Family::Suppliers:
        CompleteBankData(*record_);
        AddressAndSearchName("Address");
        break;
      case Family::StructureList:
        CompletePosition(*record_, context_.PositionFormat, converter_);
        break;
      case Family::Stock:
        SetFixed("Date", Value(today_));
        break;
      case Family::Prices:
        if (PricesComputed()) {
          const std::string article = Text("ArticleNumber");
          std::optional<Value> taxKey = articleTaxKeys_->First(article);
          if (!taxKey)
            Note(
                row, "ArticleNumber", article,
                "Die Preise wurden nicht berechnet: Einen Artikel mit dieser Nummer gibt es nicht, "
                "also auch keinen Steuersatz.");
          else
            ComputePrices(row, NzText(*taxKey));
        }
        break;
      case Family::Webshop:
        for (const char* field : {"TemplateDetails", "TemplateOptions"})
          if (Text(field).empty()) SetFixed(field, Value("default"));
        break;
      case Family::StorageLocations:
      case Family::Plain:
        break;
    }
  }

  void CompleteArticle(uint32_t row) {
    // The tax key belongs to this row alone: from the imported rate or the default.
    std::string taxKey;
    if (std::string rate = Text("VatCode"); !rate.empty()) {
      taxKey = VatRateCode(rate, converter_);
      if (TaxKeyRefused(row, rate, taxKey))
        taxKey.clear();
      else
        SetFixed("VatCode", Value(taxKey));
    }
    if (settings_.defaultArticleType) SetFixed("ArticleType", Value(settings_.articleType));
    if (settings_.defaultTaxKey) {
      taxKey = settings_.taxKey;
      SetFixed("VatCode", Value(taxKey));
    }
    if (settings_.defaultUnit) SetFixed("Unit", Value(settings_.unit));
    if (settings_.defaultStorage) SetFixed("Storage", Value(settings_.storage));
    if (!Text("ShortText").empty()) SetFixed("Label", Value(ArticleLabel(*record_, converter_)));
    ComputePrices(row, taxKey);
    if (suppliers_) CreateSupplier(row, taxKey);
    if (webshop_) {
      webshop_->Prepare(Text("ArticleNumber"), Text("ShortText"), Text("LongText"));
      SetFixed("Webshop", Value(true));
    }
  }

  // An imported tax rate must lead to a tax key the company uses now; otherwise the field keeps
  // what it held and the report names the value. A code the record held already is not judged,
  // nor a rate that the default tax key replaces anyway.
  bool TaxKeyRefused(uint32_t row, const std::string& rate, const std::string& taxKey) {
    if (!vatColumn_ || settings_.defaultTaxKey || taxes_.IsActive(taxKey)) return false;
    record_->Unset("VatCode");
    result_.report.Add({row, LineOf(row), vatColumn_->name, vatColumn_->fieldName, rate,
                        "Zu diesem Steuersatz gibt es in der Firma keinen aktiven "
                        "Steuerschlüssel; er wurde nicht übernommen."});
    return true;
  }

  void ComputePrices(uint32_t row, const std::string& taxKey) {
    if (!PricesComputed()) return;
    const bool fromNet = settings_.priceMode == 1;
    const char* base = fromNet ? "NetPrice" : "GrossPrice";
    if (taxKey.empty()) {
      Note(row, "VatCode", "",
           "Die Preise wurden nicht berechnet: Der Artikel hat keinen Steuersatz.");
      return;
    }
    std::optional<double> percentage = taxes_.Percentage(taxKey);
    if (!percentage) {
      Note(row, "VatCode", taxKey,
           "Die Preise wurden nicht berechnet: Den Steuerschlüssel gibt es in der Firma nicht.");
      return;
    }
    std::optional<double> price = converter_.ToDouble(record_->Get(base));
    if (!price) {
      Note(row, base, Text(base),
           std::string("Die Preise wurden nicht berechnet: Der ") +
               (fromNet ? "Nettopreis" : "Bruttopreis") + " ist leer oder keine Zahl.");
      return;
    }
    const double tax =
        fromNet ? VatFromNet(*price, *percentage) : VatFromGross(*price, *percentage);
    const double other =
        fromNet ? GrossFromNet(*price, *percentage) : NetFromGross(*price, *percentage);
    if (!std::isfinite(tax) || !std::isfinite(other)) {
      Note(row, "VatCode", taxKey,
           "Die Preise wurden nicht berechnet: Mit diesem Steuersatz lassen sie sich nicht "
           "rechnen.");
      return;
    }
    SetFixed("VatAmount", Value(tax));
    SetFixed(fromNet ? "GrossPrice" : "NetPrice", Value(other));
  }

  void CreateSupplier(uint32_t row, const std::string& taxKey) {
    const std::string article = Text("ArticleNumber"), supplier = Text("Supplier"),
                      order = Text("OrderNumber");
    if (article.empty() || supplier.empty() || order.empty()) return;
    std::optional<double> price = converter_.ToDouble(record_->Get("PurchasePrice"));
    if (!price)
      Note(row, "PurchasePrice", Text("PurchasePrice"),
           "Der Lieferant zum Artikel wurde ohne Preise angelegt: Der Einkaufspreis ist leer oder "
           "keine Zahl.");
    suppliers_->Create(article, supplier, Text("SupplierNumber"), order, Text("ShortText"), price,
                       taxKey, Text("Unit"));
  }

  void AddressAndSearchName(const char* addressField) {
    if (settings_.generateAddress)
      SetFixed(addressField, Value(AddressBlock(*record_, context_.Country)));
    if (std::optional<std::string> name = SearchName(*record_, settings_.searchNameMode))
      SetFixed("Matchcode", Value(*name));
  }

  // The record keeps the number it was given, whatever a column wrote into the number field.
  void ReassertNumber() {
    if (!IsMasterRecord(kind_.family)) return;
    SetFixed(numbered_->field, Value(number_));
    if (kind_.family == Family::Articles) SetFixed("ArticleNumberVariant", Value(number_));
  }

  bool ProcessRow(uint32_t row) {
    rowCounts_ = Counts();
    if (options_.testRun) NoteKey(row);
    if (!Locate(row)) return false;
    WriteColumns(row);
    ReassertNumber();
    Complete(row);
    const bool wasNew = record_->IsNew();
    RowRecord::Saved saved = record_->Save();
    if (!keyFields_.empty()) {
      const std::string key = RecordKey();
      if (KeyOfRecordIsEmpty()) {
        // Records without a key are never found by one.
      } else if (wasNew) {
        index_.Add(key, record_->Id(), row);
      } else if (KeyIndex::Entry* entry = index_.Find(key)) {
        entry->row = row;
      }
    }
    if (options_.testRun) Preview(row, saved);
    rowCounts_.rowsWritten = 1;
    rowCounts_.added = saved == RowRecord::Saved::Added;
    rowCounts_.updated = saved == RowRecord::Saved::Updated;
    rowCounts_.unchanged = saved == RowRecord::Saved::Unchanged;
    Tally(rowCounts_, true);
    return true;
  }

  // Adds the row's counts to the report, or takes them back.
  void Tally(const Counts& counts, bool add) {
    ImportReport& report = result_.report;
    auto apply = [add](size_t& total, size_t count) {
      total = add ? total + count : total - count;
    };
    apply(report.rowsWritten, counts.rowsWritten);
    apply(report.added, counts.added);
    apply(report.updated, counts.updated);
    apply(report.unchanged, counts.unchanged);
  }

  void UndoRowCounts() { Tally(rowCounts_, false); }

  void StartBatch() {
    batch_.emplace(connection_->Begin());
    batchStart_ = std::chrono::steady_clock::now();
    rowsInBatch_ = 0;
  }

  // Waits at a row boundary while the run is paused, with the rows so far committed; false when
  // the user chose to cancel meanwhile.
  bool GoOnAfterPause(const std::atomic<bool>& cancel) {
    CommitBatch();
    while (options_.pause->load() && !cancel.load())
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    return !cancel.load();
  }

  void CommitBatch() {
    if (!batch_ || options_.testRun) return;
    batch_->Commit();
    batch_.reset();
    const ImportReport& report = result_.report;
    committed_ = {report.rowsWritten, report.added, report.updated, report.unchanged};
    committedThrough_ = currentRow_;
    rejectedSinceCommit_.clear();
    result_.deleted += deletedInBatch_;
    deletedInBatch_ = 0;
  }

  // The key of the row as the file gives it: the synchronisation key, or the number column when
  // the numbers come from the file.
  void NoteKey(uint32_t row) {
    std::vector<std::string> keys;
    if (Synchronising()) {
      for (int column : keyColumns_) keys.push_back(KeyText(column, row));
    } else if (numbered_ && !cursor_) {
      keys.push_back(KeyText(FindMappedColumn(columns_, numbered_->field), row));
    }
    const std::string shown = Join(keys, " / ");
    if (keys.empty() || TrimBlanks(shown).empty()) return;
    // Only the first line of a key is kept until it turns up again.
    auto [seen, added] = keyLines_.try_emplace(KeyIndex::Compose(keys), SeenKey{LineOf(row), -1});
    if (added) return;
    TestRunPreview& preview = result_.preview;
    if (seen->second.duplicate < 0) {
      if (preview.duplicates.size() == TestRunPreview::kMaxDuplicates) {
        ++preview.moreDuplicates;
        seen->second.duplicate = -2;
        return;
      }
      seen->second.duplicate = static_cast<int>(preview.duplicates.size());
      preview.duplicates.push_back({shown, {seen->second.firstLine}});
    }
    if (seen->second.duplicate >= 0)
      preview.duplicates[static_cast<size_t>(seen->second.duplicate)].lines.push_back(LineOf(row));
  }

  void Preview(uint32_t row, RowRecord::Saved saved) {
    TestRunPreview& preview = result_.preview;
    const bool first = preview.firstRows.size() < TestRunPreview::kFirstRows;
    if (saved != RowRecord::Saved::Updated && !first) return;
    RecordPreview record;
    record.row = row;
    record.line = LineOf(row);
    record.action = saved == RowRecord::Saved::Added     ? RecordPreview::Action::Add
                    : saved == RowRecord::Saved::Updated ? RecordPreview::Action::Update
                                                         : RecordPreview::Action::Unchanged;
    record.key = numbered_ ? number_ : Synchronising() ? RecordKey() : std::string();
    const std::vector<ColumnInfo>& columns = table_->Columns();
    for (size_t i = 0; i < columns.size(); ++i) {
      const int index = static_cast<int>(i);
      if (!record_->WasSet(index) || index == table_->IdIndex()) continue;
      const bool isNew = saved == RowRecord::Saved::Added;
      if (!isNew && SameFieldValue(record_->At(index), record_->Original(index))) continue;
      record.fields.push_back(
          {columns[i].name, isNew ? Value() : record_->Original(index), record_->At(index)});
    }
    if (first) preview.firstRows.push_back(record);
    if (saved != RowRecord::Saved::Updated) return;
    if (preview.changed.size() < TestRunPreview::kMaxChanged)
      preview.changed.push_back(std::move(record));
    else
      ++preview.moreChanged;
  }

  void StoreCounters() {
    if (!cursor_) return;
    std::string error;
    if (!cursor_->StoreExact(error)) result_.report.Add({0, 0, "", "", "", error});
  }

  const SessionContext& context_;
  const ImportSettings& settings_;
  const RunOptions options_;
  const SourceTable& source_;
  const std::vector<GridColumn>& columns_;
  ValueConverter converter_;
  const DataKindInfo& kind_;
  const Numbering* numbered_;
  const DateTime today_ = Today();

  ImportResult result_;
  std::unique_ptr<Connection> connection_;
  ImportLock lock_;  // held to the end of the run, released before the connection closes
  std::unique_ptr<TargetTable> table_;
  std::unique_ptr<RowRecord> record_;
  std::vector<PlannedColumn> planned_;
  std::vector<int> keyColumns_;  // grid columns of the key, from 1; 0 for none
  std::vector<int> keyFields_;   // table columns of the key
  KeyIndex index_;
  std::optional<NumberRangeCursor> cursor_;
  std::unique_ptr<Statement> taken_;
  std::set<std::string> missingFixed_;
  TaxRates taxes_;
  const PlannedColumn* vatColumn_ = nullptr;  // the column of the article's tax rate
  std::unique_ptr<ArticleLookup> articleTaxKeys_;
  std::unique_ptr<WebshopRecords> webshop_;
  std::unique_ptr<SupplierRecords> suppliers_;
  Downloader downloader_;
  std::unique_ptr<PictureStore> pictures_;
  std::string number_;  // Satznummer
  bool stop_ = false;
  Counts rowCounts_, committed_;
  std::optional<Transaction> batch_;
  std::chrono::steady_clock::time_point batchStart_;
  size_t rowsInBatch_ = 0;
  size_t deletedInBatch_ = 0;
  size_t currentRow_ = 0;
  size_t committedThrough_ = 0;              // the rows up to this one are committed
  std::vector<size_t> rejectedSinceCommit_;  // reported already, ascending
  // Test run: the first line of every key, and where a key found again is listed (-1: not
  // yet, -2: beyond the list's limit).
  struct SeenKey {
    uint32_t firstLine;
    int duplicate;
  };
  std::unordered_map<std::string, SeenKey> keyLines_;
};

}  // namespace

ImportResult RunImport(const SessionContext& context, const ImportSettings& settings,
                       const SourceTable& source, const std::vector<GridColumn>& columns,
                       const RowProgress& progress, const std::atomic<bool>& cancel,
                       const RunOptions& options) {
  Runner runner(context, settings, source, columns, options);
  return runner.Run(progress, cancel);
}

}  // namespace velra

// The source page: format, file, table and text settings, and loading the source into the grid.

#include "app/DataKinds.h"
#include "app/LoadNotesText.h"
#include "base/Paths.h"
#include "base/Text.h"
#include "shell/ShellTexts.h"
#include "shell/Wizard.h"
#include "source/Formats.h"
#include "source/SourceEncoding.h"
#include "source/SourceError.h"
#include "source/SourceOpening.h"
#include "source/mdb/MdbReader.h"

namespace velra {

namespace {

// The password prompts of an Access source go through the wizard's dialogs.
class DialogPrompter final : public PasswordPrompter {
 public:
  explicit DialogPrompter(Dialogs& dialogs) : dialogs_(dialogs) {}
  std::optional<std::string> AskPassword(const std::string& title,
                                         const std::string& prompt) override {
    return dialogs_.InputBox(prompt, title);
  }
  void Warning(const std::string& title, const std::string& text) override {
    dialogs_.Message(text, title, Dialogs::Icon::Warning);
  }
  void Error(const std::string& title, const std::string& text) override {
    dialogs_.Message(text, title, Dialogs::Icon::Error);
  }

 private:
  Dialogs& dialogs_;
};

// The character sets offered for text and dBase files, by name and as the list shows them.
struct EncodingEntry {
  std::string_view name, caption;
};
constexpr EncodingEntry kEncodings[] = {
    {text_encoding::kAuto, "Automatisch erkennen"},
    {text_encoding::kUtf8, "UTF-8"},
    {text_encoding::kWindows1252, "Windows (ANSI, 1252)"},
    {text_encoding::kCp850, "DOS (Codepage 850)"},
};

std::string FileStem(const std::string& path) {
  std::string name = FileNameOf(path);
  return name.substr(0, name.find_last_of('.'));
}

}  // namespace

void Wizard::CboImportformatClick(int index) {
  session_.SourceFormatIndex = index;
  std::optional<SourceFormat> format = FormatOfIndex(index);
  if (!format) return;
  WizardControls& c = Controls();
  c.cboImportformat.Select(index);
  const FormatInfo& info = InfoOf(*format);
  session_.SourceFormat = info.code;
  session_.DialogFilterIndex = static_cast<int16_t>(info.dialogFilterIndex);
  c.fmDatenbanken.Visible = info.isDatabase;
  c.fmCSV.Visible = !info.isDatabase;
  c.cboZeichensatz.Visible = !info.isDatabase || *format == SourceFormat::Dbf;
}

void Wizard::CmdDialogClick() {
  std::optional<std::string> path = dialogs_.ChooseFile(
      texts::kFileDialogTitle, FileDialogFilter(), session_.DialogFilterIndex, session_.SourceFile);
  if (path) FileChosen(*path);
}

void Wizard::FileChosen(const std::string& path) {
  WizardControls& c = Controls();
  // A table chosen in another file means nothing here; in a dBase folder the chosen file is the
  // table the user means.
  if (path != session_.SourceFile) session_.SourceTableName.clear();
  session_.SourceFile = path;
  c.txtDateiname.Text = path;
  c.statusPanels[texts::kStatusFile] = "Datei: " + path;
  if (std::optional<SourceFormat> format = FormatOfFileName(path))
    CboImportformatClick(static_cast<int>(*format));
  if (session_.SourceFormat == "DBF" && session_.SourceTableName.empty())
    session_.SourceTableName = FileStem(path);
  OpenSource();
  FillFieldList(c.cboSynchronisierung, false);
  const std::string keyField = !session_.PreferredSyncField.empty()
                                   ? session_.PreferredSyncField
                                   : std::string(Describe(session_.Datenart).keyField);
  c.cboSynchronisierung.SetText(Layout().Lookup(keyField));
  c.Focus("cmdWeiter");
}

void Wizard::OpenSource() {
  std::optional<SourceFormat> format = FormatOfCode(session_.SourceFormat);
  if (!format || !InfoOf(*format).isDatabase) return;
  // An open source is kept only for the same file in the same format.
  if (session_.SourceConnection && session_.SourceConnectionFile == session_.SourceFile &&
      session_.SourceConnectionFormat == session_.SourceFormat) {
    ListSourceTables();
    return;
  }
  session_.SourceConnection.reset();
  if (*format == SourceFormat::Mdb) {
    DialogPrompter prompter(dialogs_);
    AccessOpenResult result =
        OpenAccessWithPassword(session_.SourceFile, session_.SourcePassword, prompter);
    session_.SourceConnection = std::move(result.reader);
    if (!session_.SourceConnection) ForgetSourceFile();
  } else {
    try {
      session_.SourceConnection = OpenDatabaseSource(*format, session_.SourceFile);
    } catch (const SourceError& e) {
      ForgetSourceFile();
      ShowError(e.Message());
    }
  }
  if (session_.SourceConnection) {
    session_.SourceConnectionFile = session_.SourceFile;
    session_.SourceConnectionFormat = session_.SourceFormat;
  }
  ListSourceTables();
}

void Wizard::ForgetSourceFile() {
  WizardControls& c = Controls();
  session_.SourceFile.clear();
  session_.SourceTableName.clear();
  session_.SourceConnection.reset();
  c.txtDateiname.Text.clear();
  c.cboTabellen.Clear();
  c.statusPanels.erase(texts::kStatusFile);
}

void Wizard::ListSourceTables() {
  Combo& tables = Controls().cboTabellen;
  tables.Clear();
  if (!session_.SourceConnection) return;
  tables.Items = session_.SourceConnection->Tables();
  if (!session_.SourceTableName.empty()) {
    if (!tables.SetText(session_.SourceTableName)) {
      // Table names of dBase folders and sheets are matched the way the user wrote them.
      for (size_t i = 0; i < tables.Items.size(); ++i)
        if (EqualsIgnoreCase(tables.Items[i], session_.SourceTableName))
          tables.Select(static_cast<int>(i));
    }
  } else if (!tables.Items.empty()) {
    // The file the user chose, else the first table; the others stay in the list.
    const std::string chosen = session_.SourceConnection->ChosenTable();
    if (chosen.empty() || !tables.SetText(chosen)) tables.Select(0);
    session_.SourceTableName = tables.Text;
  }
}

void Wizard::CboTabellenClick(int index) {
  Combo& tables = Controls().cboTabellen;
  tables.Select(index);
  if (tables.ListIndex < 0) return;
  session_.SourceTableName = tables.Text;
  Controls().statusPanels[texts::kStatusTable] = "Tabelle: " + tables.Text;
}

void Wizard::ChkSpaltentitelClick(int value) {
  Controls().chkSpaltentitel.Value = value;
  if (!Controls().txtDateiname.Text.empty()) LoadSourceIntoGrid();
}

void Wizard::CboZeichensatzClick(int index) {
  if (index < 0 || index >= static_cast<int>(std::size(kEncodings))) return;
  SelectEncoding(std::string(kEncodings[index].name));
}

void Wizard::SelectEncoding(const std::string& name) {
  Combo& combo = Controls().cboZeichensatz;
  if (combo.Items.empty())
    for (const EncodingEntry& entry : kEncodings) combo.Items.emplace_back(entry.caption);
  session_.SourceEncoding = name;
  for (size_t i = 0; i < std::size(kEncodings); ++i)
    if (EqualsIgnoreCase(Trim(name), kEncodings[i].name)) combo.Select(static_cast<int>(i));
}

void Wizard::TrennzeichenChange(const std::string& text) {
  Controls().txtTrennzeichen.Text = FirstCharacters(text, 1);
  session_.Separator = Controls().txtTrennzeichen.Text;
}

void Wizard::BegrenzungChange(const std::string& text) {
  Controls().txtBegrenzung.Text = FirstCharacters(text, 1);
  session_.TextQualifier = Controls().txtBegrenzung.Text;
}

void Wizard::ZeilenumbruchChange(const std::string& text) {
  Controls().txtZeilenumbruch.Text = FirstCharacters(text, 5);
  session_.LineBreakToken = Controls().txtZeilenumbruch.Text;
}

void Wizard::FillFieldList(Combo& combo, bool withPrompt) {
  session_.TargetFields =
      ReadFieldList(session_.Context.ConnectionString, session_.Zieltabelle, Layout());
  if (!session_.TargetFields.error.empty())
    session_.Problems.push_back(session_.TargetFields.error);
  combo.Clear();
  if (withPrompt) combo.Items.push_back(texts::kFieldPrompt);
  for (const FieldChoice& choice : session_.TargetFields.choices)
    combo.Items.push_back(choice.Caption);
}

void Wizard::RunSlow(std::function<void()> work, std::function<void()> then) {
  if (runSlow) return runSlow(std::move(work), std::move(then));
  work();
  then();
}

void Wizard::LoadSourceIntoGrid(std::function<void()> after) {
  auto load = std::make_shared<SourceLoad>();
  if (!PrepareLoad(*load)) {
    if (after) after();
    return;
  }
  RunSlow([load] { ReadSource(*load); },
          [this, load, after = std::move(after)] {
            FinishLoad(std::move(*load));
            if (after) after();
          });
}

bool Wizard::PrepareLoad(SourceLoad& load) {
  WizardControls& c = Controls();
  OpenSource();
  FillFieldList(c.cboDatenbankfelder, true);
  // The loaded source stays as it is until the new one replaces it (the grid shows it).
  std::optional<SourceFormat> format = FormatOfCode(session_.SourceFormat);
  if (!format || (InfoOf(*format).isDatabase && !session_.SourceConnection)) {
    ForgetLoadedSource();
    return false;
  }
  load.source = CurrentSource();
  load.source.text.progress = loadProgress;
  if (InfoOf(*format).isDatabase) {
    // The source is read by the load; a later load opens it afresh.
    load.reader = std::move(session_.SourceConnection);
    load.source.table = c.cboTabellen.Text;
  }
  load.rules.emplace(Rules());
  return true;
}

void Wizard::ReadSource(SourceLoad& load) {
  try {
    const TextOptions& text = load.source.text;
    if (load.reader) {
      LoadOptions options;
      options.firstRowHasNames = text.firstRowHasNames;
      options.encoding = text.encoding;
      options.progress = text.progress;
      load.reader->Load(load.source.table, options, load.data, load.notes);
    } else {
      LoadTextFile(load.source.path, text, load.data, load.notes);
    }
  } catch (const SourceError& e) {
    load.error = e.Message();
    return;
  }
  if (!load.notes.cancelled)
    load.columns = MapColumns(load.data.ColumnNames(), *load.rules, load.problems);
}

void Wizard::FinishLoad(SourceLoad load) {
  if (load.error || load.notes.cancelled) {
    // A file that cannot be read is not kept as the chosen one; a cancelled load leaves nothing
    // to map. Either way: back to the source.
    ForgetLoadedSource();
    if (load.error) ForgetSourceFile();
    session_.Schritt = 3;
    ShowStep(3);
    if (load.error) ShowError(*load.error);
    return;
  }
  session_.SourceData = std::move(load.data);
  session_.LoadNotes = std::move(load.notes);
  Controls().columns = std::move(load.columns);
  for (std::string& problem : load.problems) session_.Problems.push_back(std::move(problem));
  ShowLoadNotes();
  // No column of the new file is active yet.
  session_.CurrentColumn = 0;
  ShowCurrentColumn();
}

void Wizard::ForgetLoadedSource() {
  session_.SourceData.Clear();
  session_.LoadNotes = LoadReport();
  Controls().columns.clear();
}

void Wizard::ShowLoadNotes() {
  const std::string text = LoadNotesText(session_.LoadNotes);
  if (!text.empty()) dialogs_.Message(text, texts::kHinweis, Dialogs::Icon::Warning);
}

}  // namespace velra

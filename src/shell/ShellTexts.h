#pragma once
// The German texts of the wizard's behaviour, exactly as the window shows them.

namespace velra::texts {

inline constexpr const char* kHinweis = "Hinweis";
inline constexpr const char* kFehler = "Fehler";

inline constexpr const char* kChooseCompanyFirst =
    "Bitte wählen Sie zuerst eine Firma, in die importiert werden soll.";

inline constexpr const char* kCancelQuestion = "Möchten Sie den Import wirklich abbrechen?";
inline constexpr const char* kCancelTitle = "Import abbrechen";

inline constexpr const char* kDataKindTip =
    "Markieren Sie bitte die Datenart mit einem Klick der linken Maustaste";
inline constexpr const char* kNoColumn = "<Kein>";
inline constexpr const char* kFieldPrompt =
    "Wählen Sie bitte ein Datenbankfeld aus und weisen es der Spalte zu...";
inline constexpr const char* kUnassignedMark = "× ";
inline constexpr const char* kFileDialogTitle = "Importieren";
inline constexpr const char* kReady = "Klicken Sie bitte auf 'OK', um den Import zu starten...";

inline constexpr const char* kPriceModes[] = {"Keine Berechnung der Artikelpreise",
                                              "von Netto zu Brutto berechnen",
                                              "von Brutto zu Netto berechnen"};
inline constexpr const char* kSearchNameModes[] = {
    "Suchname nicht autom. erzeugen", "Suchname wie Nachname", "Suchname wie Firma",
    "Suchname wie Nachname, Vorname", "Suchname wie Nachname, Vorname - Ort"};

inline constexpr const char* kStatusData = "Daten";
inline constexpr const char* kStatusFile = "Datei";
inline constexpr const char* kStatusTable = "Tabelle";

inline constexpr const char* kPasswordTitle = "Kennwort der Datenbank";
inline constexpr const char* kLoadNotes = "Beim Lesen der Datei ist Folgendes aufgefallen:";
inline constexpr const char* kMoreNotes = "... und %1 weitere Hinweise.";

// "Sie haben das Datenbankfeld '<caption>' bereits der Spalte (<n>) zugewiesen. ..."
inline constexpr const char* kDuplicateStart = "Sie haben das Datenbankfeld '";
inline constexpr const char* kDuplicateMiddle = "' bereits der Spalte (";
inline constexpr const char* kDuplicateEnd =
    ") zugewiesen. Möchten Sie das Datenbankfeld erneut zuweisen?";

// The defaults of the article settings must be entries the company offers.
inline constexpr const char* kArticleTypeNotListed =
    "Den Artikeltyp '%1' gibt es in der Firma nicht oder er ist nicht aktiv.";
inline constexpr const char* kUnitNotListed =
    "Die Einheit '%1' gibt es in der Firma nicht oder sie ist nicht aktiv.";
inline constexpr const char* kNoTaxKeyChosen =
    "Wählen Sie bitte den Steuersatz, den die Artikel erhalten sollen.";

inline constexpr const char* kDeleteQuestion =
    "Möchten Sie nun alle vorhandenen Datensätze löschen?";
inline constexpr const char* kDeleteTitle = "Löschen";
inline constexpr const char* kDeleted = "Die Datensätze wurden gelöscht.";
inline constexpr const char* kImporting = "Die Daten werden importiert. Einen Moment bitte...";
inline constexpr const char* kImported = "Die Datei wurde erfolgreich importiert...";
inline constexpr const char* kImportedWithNotes =
    "Die Datei wurde importiert, aber nicht alle Werte konnten übernommen werden (%1 Meldungen im "
    "Importprotokoll).";
inline constexpr const char* kImportCancelled = "Der Import wurde abgebrochen...";
// "Der Import wurde angehalten: <Grund>. 3 von 10 Zeilen wurden gespeichert."
inline constexpr const char* kImportStopped = "Der Import wurde angehalten";
inline constexpr const char* kRowsSaved = "%1 von %2 Zeilen wurden gespeichert.";
inline constexpr const char* kNothingImported =
    "Die Datei wurde nicht importiert: Keine ihrer %2 Zeilen konnte gespeichert werden (%1 "
    "Meldungen im Importprotokoll).";
inline constexpr const char* kImportNotStarted = "Der Import wurde nicht ausgeführt.";

inline constexpr const char* kProfileOpenTitle = "Profil laden";
inline constexpr const char* kProfileSaveTitle = "Profil speichern";
inline constexpr const char* kProfileFilter = "Importprofil (*.json) |*.json|Alle Dateien (*.*) |*";
inline constexpr const char* kProfileDefaultName = "Importprofil.json";
inline constexpr const char* kRejectSaveTitle = "Abgewiesene Zeilen speichern";
inline constexpr const char* kRejectFilter = "CSV-Format (*.csv) |*.csv|Alle Dateien (*.*) |*";
inline constexpr const char* kRejectDefaultName = "Abgewiesene Zeilen.csv";
inline constexpr const char* kNoRejectedRows = "Es gibt keine abgewiesenen Zeilen.";
inline constexpr const char* kRejectedRowsSaved = "%1 Zeilen wurden in '%2' gespeichert.";
inline constexpr const char* kTestRunDone = "Testlauf: %1. Es wurde nichts gespeichert.";
inline constexpr const char* kTestRunStopped = "Der Testlauf wurde angehalten: ";
inline constexpr const char* kLearnedNotSaved =
    "Die gelernten Zuordnungen konnten nicht gespeichert werden: ";

inline constexpr int kHelpContext = 1140;
inline constexpr int kKeyF1 = 112;

}  // namespace velra::texts

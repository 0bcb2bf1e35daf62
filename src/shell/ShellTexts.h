#pragma once
// The German texts of the wizard's behaviour, exactly as the window shows them.
// The texts both front ends show are in app/AppTexts.h, included here.

#include "app/AppTexts.h"

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
inline constexpr const char* kFileDialogTitle = "Importieren";

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

inline constexpr const char* kDuplicateQuestion =
    "Sie haben das Datenbankfeld '%1' bereits der Spalte (%2) zugewiesen. Möchten Sie das "
    "Datenbankfeld erneut zuweisen?";

inline constexpr const char* kDeleteTitle = "Löschen";
inline constexpr const char* kImporting = "Die Daten werden importiert. Einen Moment bitte...";
// The progress of a run: "3 von 10".
inline constexpr const char* kRowsDone = "%1 von %2";

// Loading a profile.
inline constexpr const char* kProfileTableMissing =
    "Die Tabelle '%1' aus dem Profil gibt es in der Datei nicht.";
inline constexpr const char* kProfileMigrated =
    "Das Profil stammt von einer älteren Version und wurde übernommen; speichern Sie es erneut, "
    "um es im neuen Format abzulegen.";

inline constexpr const char* kProfileOpenTitle = "Profil laden";
inline constexpr const char* kProfileSaveTitle = "Profil speichern";
inline constexpr const char* kProfileFilter = "Importprofil (*.json) |*.json|Alle Dateien (*.*) |*";
inline constexpr const char* kProfileDefaultName = "Importprofil.json";
inline constexpr const char* kRejectSaveTitle = "Abgewiesene Zeilen speichern";
inline constexpr const char* kRejectFilter = "CSV-Format (*.csv) |*.csv|Alle Dateien (*.*) |*";
inline constexpr const char* kRejectDefaultName = "Abgewiesene Zeilen.csv";

inline constexpr int kHelpContext = 1140;
inline constexpr int kKeyF1 = 112;

}  // namespace velra::texts

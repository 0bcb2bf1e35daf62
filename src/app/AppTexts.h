#pragma once
// The German texts of the import's steps that both front ends show: the run's ending, the checks
// before a run, the load notes, reject files and learned mappings. Placeholders are %1, %2, filled
// by Fill (base/Text.h).

namespace velra::texts {

// The defaults of the article settings must be entries the company offers.
inline constexpr const char* kArticleTypeNotListed =
    "Den Artikeltyp '%1' gibt es in der Firma nicht oder er ist nicht aktiv.";
inline constexpr const char* kUnitNotListed =
    "Die Einheit '%1' gibt es in der Firma nicht oder sie ist nicht aktiv.";
// A profile's default the company does not offer.
inline constexpr const char* kProfileArticleTypeMissing =
    "Den Artikeltyp '%1' aus dem Profil gibt es in der Firma nicht.";
inline constexpr const char* kProfileUnitMissing =
    "Die Einheit '%1' aus dem Profil gibt es in der Firma nicht.";
inline constexpr const char* kProfileTaxKeyMissing =
    "Den Steuerschlüssel '%1' aus dem Profil gibt es in der Firma nicht.";
inline constexpr const char* kNoTaxKeyChosen =
    "Wählen Sie bitte den Steuersatz, den die Artikel erhalten sollen.";
inline constexpr const char* kReady = "Klicken Sie bitte auf 'OK', um den Import zu starten...";
inline constexpr const char* kDeleted = "Die Datensätze wurden gelöscht.";
inline constexpr const char* kDeleteQuestion =
    "Möchten Sie nun alle vorhandenen Datensätze löschen?";
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
inline constexpr const char* kNoRejectedRows = "Es gibt keine abgewiesenen Zeilen.";
inline constexpr const char* kRejectedRowsSaved = "%1 Zeilen wurden in '%2' gespeichert.";
inline constexpr const char* kLearnedNotSaved =
    "Die gelernten Zuordnungen konnten nicht gespeichert werden: ";
inline constexpr const char* kLoadNotes = "Beim Lesen der Datei ist Folgendes aufgefallen:";
inline constexpr const char* kMoreNotes = "... und %1 weitere Hinweise.";
inline constexpr const char* kUnassignedMark = "× ";
inline constexpr const char* kTestRunDone = "Testlauf: %1. Es wurde nichts gespeichert.";
inline constexpr const char* kTestRunStopped = "Der Testlauf wurde angehalten: ";

// How a profile's columns fit the file, one line per kind of misfit followed by the names.
inline constexpr const char* kProfileColumnsMissing =
    "Spalten des Profils, die die Datei nicht hat:";
inline constexpr const char* kFileColumnsNotInProfile =
    "Spalten der Datei, die das Profil nicht kennt (werden nicht importiert):";
inline constexpr const char* kProfileFieldsMissing =
    "Felder des Profils, die es in der Tabelle nicht gibt:";

}  // namespace velra::texts

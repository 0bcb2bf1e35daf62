#pragma once
// The German texts of importassistent-cli, exactly as the terminal shows them. Placeholders are
// %1, %2 ..., filled by Fill (base/Text.h). The option descriptions of --help stay beside their
// options.

namespace velra::cli::texts {

// The notes of loading a file in a preview: %1 the line, %2 the note; %1 how many more.
inline constexpr const char* kPreviewNote = "Zeile %1: %2";
inline constexpr const char* kPreviewMoreNotes = "... und %1 weitere Hinweise";

// Opening the session.
inline constexpr const char* kNoCompanies = "Es sind keine Firmen vorhanden.";
inline constexpr const char* kNoCompanyChosen =
    "Es ist keine Firma gewählt: Geben Sie eine Firma mit --company an.";
// %1 the text given, %2 the kinds' texts, %3 their numbers.
inline constexpr const char* kUnknownKind =
    "Die Datenart '%1' gibt es nicht. Möglich sind %2 oder ihre Nummern %3.";

// The command line itself.
inline constexpr const char* kMissingCommand = "Es fehlt ein Befehl: %1.";
inline constexpr const char* kUnknownCommand = "Unbekannter Befehl '%1'; möglich sind %2.";
inline constexpr const char* kUnknownOption = "Unbekannte Option: %1";
inline constexpr const char* kStrayValue = "Der Wert '%1' gehört zu keiner Option.";
inline constexpr const char* kMissingOption = "Die Option %1 fehlt.";
inline constexpr const char* kMissingValue = "Die Option %1 braucht einen Wert.";
inline constexpr const char* kRepeatedOption = "Die Option %1 ist nur einmal erlaubt.";
inline constexpr const char* kFlagWithValue = "Die Option %1 steht ohne Wert, nicht mit '%2'.";
inline constexpr const char* kWrongValue = "Der Wert '%1' passt nicht zur Option %2.";
// %2 the check's complaint, e.g. "erwartet ...".
inline constexpr const char* kOptionRefused = "Die Option %1 %2";
inline constexpr const char* kOnlyWith = "Die Option %1 gilt nur zusammen mit %2.";
inline constexpr const char* kUnexpectedUsage = "Die Befehlszeile ist nicht richtig: %1";
inline constexpr const char* kNotOneOf = "erwartet %1, nicht '%2'.";
inline constexpr const char* kNotWholeNumber = "erwartet eine ganze Zahl %1, nicht '%2'.";
// Pieces of the two messages above: "a, b oder c", "von 1 bis 9", "ab 1".
inline constexpr const char* kLastAlternative = " oder ";
inline constexpr const char* kBounds = "%1 bis %2";
inline constexpr const char* kFromTo = "von %1";
inline constexpr const char* kFrom = "ab %1";

// import: options that do not fit.
inline constexpr const char* kTaxKeyMissing = "Den Steuerschlüssel '%1' gibt es nicht.";
inline constexpr const char* kPriceModes =
    "--price-mode kennt none, net-to-gross und gross-to-net.";
// %1 the --map argument, %2 why it does not fit.
inline constexpr const char* kMapRefused = "--map \"%1\": %2";
inline constexpr const char* kMapNoColumn = "Die Datei hat keine Spalte '%1'.";
inline constexpr const char* kMapNoField = "Die Datenart hat kein Feld mit der Bezeichnung '%1'.";
inline constexpr const char* kSyncAndDelete =
    "--sync und --delete-all schließen sich aus: Synchronisieren aktualisiert die vorhandenen "
    "Datensätze, --delete-all löscht sie vor dem Import.";
inline constexpr const char* kSyncNotForKind =
    "%1 gilt nicht für die Datenart '%2': Jede Zeile wird als neuer Datensatz angelegt.";
inline constexpr const char* kProfileMigrated =
    "Das Profil stammt von einer älteren Version; mit --save-profile legen Sie es im neuen "
    "Format ab.";
inline constexpr const char* kOptionAndProfile =
    "%1 und --profile schließen sich aus: Die Einstellungen kommen aus dem Profil.";
inline constexpr const char* kNoKind =
    "Geben Sie die Datenart mit --kind oder ein Profil mit --profile an.";
inline constexpr const char* kProfileOfOtherKind =
    "Das Profil gehört zur Datenart '%1', nicht zu '%2'.";
inline constexpr const char* kConfirmDelete =
    "Der Import löscht zuerst alle Datensätze der Tabelle; bestätigen Sie es mit --yes.";
inline constexpr const char* kProfileSaved = "Das Profil wurde in '%1' gespeichert.";

// import: the test run's preview and the report.
inline constexpr const char* kFirstRows =
    "Die ersten Zeilen mit allen Werten, die der Import setzt:";
inline constexpr const char* kChangedRecords = "Geänderte Datensätze (alt -> neu):";
inline constexpr const char* kDuplicateKeys = "Schlüssel, die in der Datei mehrfach stehen:";
inline constexpr const char* kMoreRecords = "  ... und %1 weitere";
inline constexpr const char* kMoreEntries = "... und %1 weitere Meldungen";

// preview
inline constexpr const char* kReading = "Datei wird gelesen: %1 %";

// demo
inline constexpr const char* kDemoServerMissing =
    "Die Demo-Umgebung in %1 ist angelegt, die Serverfirma aber ohne Datenbank. Beheben Sie den "
    "Grund und wiederholen Sie den Befehl mit --replace.";
inline constexpr const char* kDemoCreated = "Demo-Umgebung angelegt in %1";
inline constexpr const char* kDemoServerCreated = "Serverfirma %1 angelegt auf %2";
inline constexpr const char* kDemoStart = "Starten Sie den Importassistenten mit --program-dir %1";

}  // namespace velra::cli::texts

#pragma once
// The German texts of the CSV reader. Placeholders are %1, %2 ..., filled by Fill (base/Text.h);
// a file that is missing or cannot be read is told by the sentences of config/Messages.h.

namespace velra::csv_texts {

inline constexpr const char* kEmpty = "Die Datei '%1' ist leer.";
inline constexpr const char* kBinary =
    "Die Datei '%1' enthält Binärdaten und ist keine Text- oder CSV-Datei.";
// %1 the file, %2 the megabytes of memory allowed.
inline constexpr const char* kTooLarge =
    "Die Datei '%1' wird nicht geladen, weil ihre Daten mehr als %2 MB Arbeitsspeicher "
    "bräuchten.";
// %1 the file, %2 the line, %3 the most columns.
inline constexpr const char* kTooManyColumns =
    "Die Datei '%1' hat in Zeile %2 mehr als %3 Spalten.";
// %1 the file, %2 the line.
inline constexpr const char* kRecordTooLarge =
    "Die Datei '%1' hat in Zeile %2 einen Datensatz von mehr als 64 MB; sie ist keine "
    "Stammdatendatei.";
// %1 the values of the line, %2 the columns of the header, %3 the first column left out.
inline constexpr const char* kValuesBeyondHeader =
    "Die Zeile hat %1 Werte, die Kopfzeile nur %2; die Werte ab Spalte %3 werden nicht "
    "übernommen.";

}  // namespace velra::csv_texts

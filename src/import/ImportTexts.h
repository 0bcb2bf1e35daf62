#pragma once
// The German texts of the import's run, its records and its files, exactly as the report and
// the messages show them. Placeholders are %1, %2 ..., filled by Fill (base/Text.h).

namespace velra::import_texts {

// The run.
inline constexpr const char* kCannotOpen =
    "Die Firmendatenbank konnte nicht geöffnet werden:\r\n%1";
inline constexpr const char* kOtherRun = "Ein anderer Import in die Firma '%1' läuft gerade";
// %1 the sentence above.
inline constexpr const char* kWaitingForOtherRun = "%1; es wird gewartet … (%2 s)";
inline constexpr const char* kOtherRunNotStarted = "%1; der Import wurde nicht gestartet.";
inline constexpr const char* kCancelledBeforeStart =
    "Der Import wurde abgebrochen, bevor er begann: %1.";
inline constexpr const char* kNotDeleted = "Die Datensätze konnten nicht gelöscht werden:\r\n%1";
inline constexpr const char* kWouldDelete = "Tabelle '%1': alle %2 Datensätze würden gelöscht.";
inline constexpr const char* kRowRejected = "Die Zeile wurde nicht importiert: %1";
inline constexpr const char* kNotWrittenAfterStop =
    "Die Zeile wurde nicht importiert: Der Import wurde angehalten, bevor sie gespeichert war.";

// What a mapping lacks before a run: the first line, then the hint of the field.
inline constexpr const char* kMandatoryMissing =
    "Sie haben leider nicht alle nötigen Pflichtfelder zugewiesen.\r\n%1";
inline constexpr const char* kSyncFieldHint =
    "Prüfen Sie bitte, ob Sie das Feld '%1' zugeordnet haben.";
inline constexpr const char* kSearchNameHint =
    "Prüfen Sie bitte, ob Sie den Suchnamen zugeordnet haben.";
inline constexpr const char* kTaxRateHint =
    "Prüfen Sie bitte, ob Sie den Steuersatz zugeordnet haben.";

// The company database lacks what the import reads.
inline constexpr const char* kTableMissing = "Die Firmendatenbank enthält keine Tabelle '%1'.";
inline constexpr const char* kFieldMissing =
    "Die Tabelle '%1' der Firmendatenbank hat kein Feld '%2'.";
// %2 why, a sentence.
inline constexpr const char* kListLeftEmpty =
    "Die Auswahlliste aus der Tabelle '%1' bleibt leer. %2";

// The report: its summary, %1 to %7 the counts of rows, records and entries.
inline constexpr const char* kReportSummary =
    "Zeilen: %1, geschrieben: %2, neu angelegt: %3, geändert: %4, unverändert: %5, nicht "
    "importiert: %6, Meldungen: %7";
inline constexpr const char* kReportMoreEntries = "... und %1 weitere Meldungen";
inline constexpr const char* kReportNotSaved =
    "Das Importprotokoll konnte nicht nach '%1' geschrieben werden.";
// What the reader noticed in the file.
inline constexpr const char* kLoadNote = "Beim Lesen der Datei: %1";
inline constexpr const char* kMoreLoadNotes =
    "Beim Lesen der Datei: %1 weitere Hinweise wie die obigen.";

// Where the rejected rows may not be saved.
inline constexpr const char* kRejectsOverSource =
    "Die abgewiesenen Zeilen können nicht in die Importdatei selbst gespeichert werden; wählen Sie "
    "bitte einen anderen Dateinamen.";
inline constexpr const char* kRejectsOverSuiteFile =
    "Die abgewiesenen Zeilen können nicht in '%1' gespeichert werden: Die Datei gehört zu den "
    "Daten von Velra (Firmendatenbank, Firmeneinstellungen, Firmenliste oder Umgebung); wählen Sie "
    "bitte einen anderen Dateinamen.";
// The file of rejected rows: its format, and what changed in it.
inline constexpr const char* kRejectSeparatorInvalid =
    "Das Trennzeichen '%1' der Fehlerdatei ist ungültig: Es muss ein einzelnes Zeichen sein, das "
    "kein Zeilenumbruch ist.";
inline constexpr const char* kRejectQualifierInvalid =
    "Das Textbegrenzungszeichen '%1' der Fehlerdatei ist ungültig: Es muss ein einzelnes Zeichen "
    "sein, das weder Zeilenumbruch noch Trennzeichen ist.";
inline constexpr const char* kRejectLineBreakTokenInvalid =
    "Das Ersatzzeichen für Zeilenumbrüche '%1' darf weder einen Zeilenumbruch noch das Trenn- oder "
    "Textbegrenzungszeichen enthalten.";
inline constexpr const char* kRejectOneRowGone =
    "Eine Zeile des Importprotokolls gibt es in der Tabelle nicht mehr; sie fehlt in der Datei.";
inline constexpr const char* kRejectRowsGone =
    "%1 Zeilen des Importprotokolls gibt es in der Tabelle nicht mehr; sie fehlen in der Datei.";
inline constexpr const char* kRejectNoFile =
    "Für die abgewiesenen Zeilen ist keine Datei angegeben.";
inline constexpr const char* kRejectEncodingUnknown =
    "Die Zeichenkodierung '%1' der Fehlerdatei ist unbekannt; möglich sind 'utf-8', 'utf-8-bom' "
    "und "
    "'windows-1252'.";
inline constexpr const char* kRejectNoSeparator =
    "Die Quelldatei hat kein Trennzeichen; in der Datei trennt ';' die Spalte 'Fehler' ab. Stellen "
    "Sie beim erneuten Import ';' als Trennzeichen ein.";
inline constexpr const char* kRejectQualifierNotOneByte =
    "Das Textbegrenzungszeichen '%1' kann in der Zeichenkodierung der Fehlerdatei nicht als ein "
    "Byte stehen.";
inline constexpr const char* kRejectWrittenAsUtf8 =
    "Die Datei enthält Zeichen, die Windows-1252 nicht darstellen kann; sie wurde daher als UTF-8 "
    "mit BOM geschrieben.";
inline constexpr const char* kRejectQualifierAdded =
    "Werte enthalten das Trennzeichen oder Zeilenumbrüche; die Datei schließt sie daher in '%1' "
    "ein. Stellen Sie beim erneuten Import '%1' als Textbegrenzungszeichen ein.";
inline constexpr const char* kRejectIncomplete =
    "Die Datei '%1' konnte nicht vollständig geschrieben werden.";
inline constexpr const char* kRejectBinaryLeftEmpty =
    "Binärdaten (Spalte %1) kann eine Textdatei nicht aufnehmen; diese Werte sind in der Datei "
    "leer.";
// What the run notes about a row or a column.
inline constexpr const char* kTaxKeyNotActive =
    "Zu diesem Steuersatz gibt es in der Firma keinen aktiven Steuerschlüssel; er wurde nicht "
    "übernommen.";
inline constexpr const char* kSupplierWithoutPrices =
    "Der Lieferant zum Artikel wurde ohne Preise angelegt: Der Einkaufspreis ist leer oder keine "
    "Zahl.";
inline constexpr const char* kColumnFieldMissing =
    "Das Feld gibt es in der Tabelle '%1' nicht; die Spalte wird nicht übernommen.";
inline constexpr const char* kFixedFieldMissing =
    "Das Feld gibt es in der Tabelle '%1' nicht; es wird beim Import nicht gesetzt.";
// %1 the caption of the number, e.g. "Artikelnummer".
inline constexpr const char* kNoNumber = "Sie hat keine %1.";
inline constexpr const char* kPricesNoTaxRate =
    "Die Preise wurden nicht berechnet: Der Artikel hat keinen Steuersatz.";
inline constexpr const char* kPricesNoTaxKey =
    "Die Preise wurden nicht berechnet: Den Steuerschlüssel gibt es in der Firma nicht.";
// %1 kNetPrice or kGrossPrice.
inline constexpr const char* kPricesNoBase =
    "Die Preise wurden nicht berechnet: Der %1 ist leer oder keine Zahl.";
inline constexpr const char* kNetPrice = "Nettopreis";
inline constexpr const char* kGrossPrice = "Bruttopreis";
inline constexpr const char* kPricesNotComputable =
    "Die Preise wurden nicht berechnet: Mit diesem Steuersatz lassen sie sich nicht rechnen.";
inline constexpr const char* kPricesNoArticle =
    "Die Preise wurden nicht berechnet: Einen Artikel mit dieser Nummer gibt es nicht, also auch "
    "keinen Steuersatz.";
inline constexpr const char* kSyncFieldNotInTable =
    "Das Synchronisationsfeld '%1' gibt es in der Tabelle '%2' nicht; es wurde nichts importiert.";
// %2 where the number is: kTakenInLine or kTakenInCompany.
inline constexpr const char* kNumberTaken =
    "Die Nummer %1 gibt es schon (%2); mit 'Synchronisieren' wird der Datensatz aktualisiert.";
inline constexpr const char* kTakenInLine = "Zeile %1";
inline constexpr const char* kTakenInCompany = "in der Firma";
inline constexpr const char* kNoSyncKey =
    "Die Zeile wurde als neuer Datensatz angelegt: kein Wert im Synchronisationsfeld.";
inline constexpr const char* kKeyTwice =
    "Der Schlüssel steht in der Datei mehrfach (Zeilen %1 und %2); diese Zeile ändert den "
    "Datensatz der früheren.";
inline constexpr const char* kRangesUnreadable =
    "Die Nummernkreise der Firma können nicht gelesen werden.";
inline constexpr const char* kNumberFieldMissing =
    "Das Feld '%1' gibt es in der Tabelle '%2' nicht.";
// Why a value cannot be converted for its field; %1 the value as the report shows it.
inline constexpr const char* kPicturesNotYet =
    "Bilder werden in dieser Ausgabe noch nicht übernommen.";
inline constexpr const char* kBinaryColumn =
    "Das Feld nimmt Binärdaten auf; ein importierter Wert wird dort nicht gespeichert.";
inline constexpr const char* kBinaryValue = "Binärdaten können nicht als Text übernommen werden.";
inline constexpr const char* kNotANumber = "'%1' ist keine Zahl.";
inline constexpr const char* kNotAWholeNumber = "'%1' ist keine ganze Zahl.";
inline constexpr const char* kTooLarge = "'%1' ist für das Feld zu groß.";
inline constexpr const char* kNotADate = "'%1' ist kein gültiges Datum.";
inline constexpr const char* kNotABoolean =
    "'%1' ist kein Wahrheitswert (erwartet: 1/0, ja/nein, j/n, x/leer, wahr/falsch, yes/no, "
    "true/false).";
// Number ranges; %1 the range's name.
inline constexpr const char* kRangeNoFormat =
    "Der Nummernkreis '%1' hat kein Nummernformat, auch das allgemeine Nummernformat des Programms "
    "ist leer; seine Nummern wären leer.";
inline constexpr const char* kRangeEmptyNumber =
    "Der Nummernkreis '%1' ergibt mit dem Nummernformat '%2' eine leere Nummer.";
inline constexpr const char* kRangeNoCounter = "Der Nummernkreis '%1' hat keinen Zählerstand.";
inline constexpr const char* kRangeCounterNoNumber =
    "Der Nummernkreis '%1' hat den Zählerstand '%2', der keine Zahl ist.";
// %2 the format, %3 the number taken.
inline constexpr const char* kRangeFormatWithoutCounter =
    "Der Nummernkreis '%1' findet keine freie Nummer: die Nummer '%3' ist bereits vergeben, und "
    "das Nummernformat '%2' enthält keinen Zähler (\"Nr.\").";
// %2 the count of attempts, %3 the last number tried.
inline constexpr const char* kRangeTooManyAttempts =
    "Der Nummernkreis '%1' findet nach %2 vergebenen Nummern keine freie Nummer (zuletzt "
    "geprüft: '%3').";
// %2 why, a sentence.
inline constexpr const char* kRangeCounterNotStored =
    "Der Zählerstand des Nummernkreises '%1' konnte nicht gespeichert werden. %2";
}  // namespace velra::import_texts

#pragma once
// The German texts of the workbook reader, in one place, and the filling of their placeholders.

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

#include "base/Text.h"

#include "source/SourceError.h"

namespace velra::xlsx {

// German texts. %1 is the file, the further numbers as each text says.
inline constexpr std::string_view kEmptyFile = "Die Datei '%1' ist leer.";
inline constexpr std::string_view kNotAWorkbook =
    "Die Datei '%1' ist keine Excel-Arbeitsmappe im Format .xlsx.";
inline constexpr std::string_view kDamaged =
    "Die Datei '%1' ist beschädigt oder unvollständig und kann nicht als Excel-Arbeitsmappe "
    "gelesen werden.";
inline constexpr std::string_view kEncrypted =
    "Die Arbeitsmappe '%1' ist mit einem Kennwort geschützt und kann erst gelesen werden, wenn "
    "sie in Excel ohne Kennwortschutz gespeichert wurde.";
inline constexpr std::string_view kOtherOfficeFormat =
    "Die Datei '%1' ist keine .xlsx-Arbeitsmappe, sondern im älteren Excel-Format (.xls) oder "
    "einem anderen Office-Format gespeichert.";
inline constexpr std::string_view kOutOfMemory =
    "Die Datei '%1' ist zu groß für den verfügbaren Arbeitsspeicher.";
// %2 a number.
inline constexpr std::string_view kTooMuchMemory =
    "Die Datei '%1' wird nicht geladen, weil ihre Daten mehr als %2 MB Arbeitsspeicher "
    "bräuchten.";
// %2 the part of the archive.
inline constexpr std::string_view kNoWorkbookPart =
    "Die Datei '%1' enthält keine Excel-Arbeitsmappe (der Teil '%2' fehlt oder ist keine "
    "Arbeitsmappe).";
inline constexpr std::string_view kPartUnreadable =
    "Die Datei '%1' ist beschädigt: Der Teil '%2' lässt sich nicht entpacken.";
inline constexpr std::string_view kPartNotXml =
    "Die Datei '%1' ist beschädigt: Der Teil '%2' ist kein gültiges XML.";
inline constexpr std::string_view kPartUtf16 =
    "Die Datei '%1' wird nicht gelesen, weil ihr Teil '%2' in UTF-16 gespeichert ist, was nicht "
    "unterstützt wird.";
inline constexpr std::string_view kPartDoctype =
    "Die Datei '%1' wird nicht gelesen, weil ihr Teil '%2' eine Dokumenttypdefinition (DTD) "
    "enthält, wie sie in Excel-Arbeitsmappen nicht vorkommt.";
// %3 a number.
inline constexpr std::string_view kPartTooLarge =
    "Die Datei '%1' wird nicht gelesen, weil ihr Teil '%2' entpackt mehr als %3 MB ergäbe, was "
    "auf eine beschädigte oder manipulierte Datei hinweist.";
inline constexpr std::string_view kPartTooDeep =
    "Die Datei '%1' wird nicht gelesen, weil ihr Teil '%2' mehr als %3 Ebenen tief "
    "verschachtelt ist.";
inline constexpr std::string_view kPartTokenTooLong =
    "Die Datei '%1' wird nicht gelesen, weil ihr Teil '%2' einen Eintrag von mehr als %3 MB "
    "enthält.";
// %2 the sheet.
inline constexpr std::string_view kTableMissing =
    "Die Tabelle '%2' gibt es in der Datei '%1' nicht.";
inline constexpr std::string_view kSheetPartMissing =
    "Die Datei '%1' ist beschädigt: Die Daten der Tabelle '%2' fehlen.";
// %3 the reference or row number as it stands in the file.
inline constexpr std::string_view kBadCellReference =
    "Die Datei '%1' ist beschädigt: Die Tabelle '%2' enthält den ungültigen Zellbezug '%3'.";
inline constexpr std::string_view kBadRowNumber =
    "Die Datei '%1' ist beschädigt: Die Tabelle '%2' enthält die ungültige Zeilennummer '%3'.";
// %3 the row, %4 the limit.
inline constexpr std::string_view kTooManyColumns =
    "Die Tabelle '%2' der Datei '%1' hat in Zeile %3 mehr als %4 Spalten.";

// Warnings about single cells; %1 is the cell (e.g. "C7"), %2 its content.
inline constexpr std::string_view kWarnErrorValue =
    "Zelle %1 enthält den Fehlerwert %2; sie bleibt leer.";
inline constexpr std::string_view kWarnNoResult =
    "Zelle %1 enthält eine Formel ohne gespeichertes Ergebnis; sie bleibt leer.";
inline constexpr std::string_view kWarnNotANumber =
    "Zelle %1: '%2' ist keine gültige Zahl und wird als Text übernommen.";
inline constexpr std::string_view kWarnDateOutOfRange =
    "Zelle %1: Die Zahl %2 ist als Datum formatiert, liegt aber außerhalb des gültigen "
    "Datumsbereichs und wird als Zahl übernommen.";
inline constexpr std::string_view kWarnNotABoolean =
    "Zelle %1: '%2' ist kein Wahrheitswert und wird als Text übernommen.";
inline constexpr std::string_view kWarnNotADate =
    "Zelle %1: '%2' ist kein gültiges Datum und wird als Text übernommen.";
inline constexpr std::string_view kWarnNoSuchString =
    "Zelle %1 verweist auf einen Text, den es in der Datei nicht gibt; sie bleibt leer.";
inline constexpr std::string_view kWarnUnknownType =
    "Zelle %1 hat den unbekannten Typ '%3'; ihr Wert '%2' wird als Text übernommen.";
inline constexpr std::string_view kWarnDuplicateCell =
    "Zelle %1 steht zweimal in der Datei; nur der erste Wert wird übernommen.";

[[noreturn]] void Throw(SourceErrorCode code, std::string_view pattern,
                        std::initializer_list<std::string_view> args);
// Whole megabytes, for the limits in the texts.
std::string Megabytes(uint64_t bytes);

}  // namespace velra::xlsx

#pragma once
// The German texts of the dBase reader, in one place.

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "config/Messages.h"

namespace velra::dbf::texts {

inline std::string Quoted(std::string_view text) {
  std::string quoted;
  quoted.reserve(text.size() + 2);
  quoted.append(1, '\'').append(text).append(1, '\'');
  return quoted;
}

// Errors that stop a table from opening.
inline std::string FileMissing(std::string_view path) {
  return "Die Datei " + Quoted(path) + " ist nicht vorhanden.";
}
inline std::string FileUnreadable(std::string_view path, int errorNumber) {
  return "Die Datei " + Quoted(path) +
         " kann nicht gelesen werden: " + messages::SystemReason(errorNumber);
}
inline std::string FileShortRead(std::string_view path) {
  return "Die Datei " + Quoted(path) +
         " kann nicht vollständig gelesen werden: Sie wurde während des Lesens verkürzt.";
}
inline std::string NotARegularFile(std::string_view path) {
  return "Die Datei " + Quoted(path) + " ist keine gewöhnliche Datei.";
}
inline std::string FolderUnreadable(std::string_view folder, int errorNumber) {
  return "Der Ordner " + Quoted(folder) +
         " kann nicht gelesen werden: " + messages::SystemReason(errorNumber);
}
inline std::string TableMissing(std::string_view table, std::string_view folder) {
  return "Die Tabelle " + Quoted(table) + " ist im Ordner " + Quoted(folder) + " nicht vorhanden.";
}
inline std::string FileEmpty(std::string_view path) {
  return "Die Datei " + Quoted(path) + " ist leer.";
}
inline std::string NotDbase(std::string_view path) {
  return "Die Datei " + Quoted(path) + " ist keine dBase-Tabelle.";
}
inline std::string DbaseTwo(std::string_view path) {
  return "Die Datei " + Quoted(path) +
         " stammt aus dBase II oder FoxBASE; dieses Tabellenformat wird nicht unterstützt.";
}
inline std::string HeaderTruncated(std::string_view path) {
  return "Die Datei " + Quoted(path) + " ist unvollständig: Sie endet innerhalb ihres Dateikopfs.";
}
inline std::string HeaderLengthInvalid(std::string_view path, uint32_t length) {
  return "Die Datei " + Quoted(path) + " ist beschädigt: Ihr Dateikopf gibt mit " +
         std::to_string(length) + " Bytes eine unmögliche Länge für sich selbst an.";
}
inline std::string FieldsBeyondHeader(std::string_view path) {
  return "Die Datei " + Quoted(path) +
         " ist beschädigt: Die Feldbeschreibungen reichen über das Ende des Dateikopfs hinaus.";
}
inline std::string NoFields(std::string_view path) {
  return "Die Datei " + Quoted(path) + " ist beschädigt: Sie beschreibt kein einziges Feld.";
}
inline std::string FieldInvalid(std::string_view path, size_t field) {
  return "Die Datei " + Quoted(path) + " ist beschädigt: Die Beschreibung des " +
         std::to_string(field) + ". Feldes ist ungültig.";
}
inline std::string TooManyFields(std::string_view path, size_t limit) {
  return "Die Datei " + Quoted(path) + " hat mehr als " + std::to_string(limit) +
         " Felder und kann nicht geladen werden.";
}
inline std::string RecordLengthInvalid(std::string_view path, uint32_t claimed, uint64_t needed) {
  return "Die Datei " + Quoted(path) + " ist beschädigt: Ihr Dateikopf gibt eine Satzlänge von " +
         std::to_string(claimed) + " Bytes an, die Felder brauchen aber " + std::to_string(needed) +
         " Bytes.";
}
inline std::string MemoTooLarge(std::string_view memoPath) {
  return "Die Memodatei " + Quoted(memoPath) +
         " verweist so oft auf dieselben Blöcke, dass die Tabelle nicht in den Speicher passt.";
}

// Notes on the whole table (line 0).
inline std::string RecordsMissing(std::string_view path, uint32_t claimed, uint64_t present) {
  return "Die Datei " + Quoted(path) + " ist kürzer, als ihr Dateikopf angibt: Sie enthält nur " +
         std::to_string(present) + " der angegebenen " + std::to_string(claimed) +
         " Datensätze. Die vorhandenen wurden geladen.";
}
inline std::string DataAfterRecords(std::string_view path, uint32_t claimed) {
  return "Die Datei " + Quoted(path) + " enthält hinter den " + std::to_string(claimed) +
         " Datensätzen, die ihr Dateikopf angibt, weitere Daten; diese wurden nicht geladen.";
}
inline std::string MemoMissing(std::string_view memoPath) {
  return "Die Memodatei " + Quoted(memoPath) +
         " ist nicht vorhanden; die Memofelder der Tabelle bleiben leer.";
}
inline std::string MemoUnreadable(std::string_view memoPath, std::string_view reason) {
  return "Die Memodatei " + Quoted(memoPath) + " kann nicht gelesen werden (" +
         std::string(reason) + "); die Memofelder der Tabelle bleiben leer.";
}
inline std::string MemoNotOpened(std::string_view openError) {
  return std::string(openError) + " Die Memofelder der Tabelle bleiben leer.";
}
inline constexpr std::string_view kMemoHeaderDamaged = "ihr Dateikopf ist beschädigt";
inline std::string CodePageGuessed(const std::string& chosen) {
  return "Die Tabelle gibt keinen Zeichensatz an; nach ihren Umlauten werden ihre Texte als " +
         chosen + " gelesen.";
}

inline std::string CodePageUnknown(unsigned languageDriver) {
  char hex[8];
  std::snprintf(hex, sizeof hex, "0x%02X", languageDriver & 0xFFu);
  return std::string("Die Tabelle gibt den unbekannten Zeichensatz ") + hex +
         " an; ihre Texte werden als Windows-1252 gelesen.";
}
inline std::string CpgUnknown(std::string_view cpgPath, std::string_view content) {
  return "Die Datei " + Quoted(cpgPath) + " nennt den unbekannten Zeichensatz " + Quoted(content) +
         "; sie wird nicht beachtet.";
}

// Notes on single cells: the field as stored and the column it fills.
inline std::string Cell(std::string_view field, size_t column) {
  return "Feld " + Quoted(field) + " (Spalte " + std::to_string(column) + "): ";
}
inline std::string TypeUnsupported(std::string_view field, size_t column, char type) {
  return Cell(field, column) + "Der Feldtyp " + Quoted(std::string(1, type)) +
         " kann nicht gelesen werden; die Spalte bleibt leer.";
}
inline std::string NotANumber(std::string_view field, size_t column, std::string_view value) {
  return Cell(field, column) + "Der Wert " + Quoted(value) +
         " ist keine Zahl; die Zelle bleibt leer.";
}
inline std::string NotADate(std::string_view field, size_t column, std::string_view value) {
  return Cell(field, column) + "Der Wert " + Quoted(value) +
         " ist kein gültiges Datum; die Zelle bleibt leer.";
}
inline std::string NotATimestamp(std::string_view field, size_t column) {
  return Cell(field, column) + "Der Zeitstempel ist ungültig; die Zelle bleibt leer.";
}
inline std::string NotALogical(std::string_view field, size_t column, std::string_view value) {
  return Cell(field, column) + "Der Wert " + Quoted(value) +
         " ist kein Wahrheitswert; die Zelle bleibt leer.";
}
inline std::string NotABlockNumber(std::string_view field, size_t column, std::string_view value) {
  return Cell(field, column) + "Der Verweis " + Quoted(value) +
         " auf die Memodatei ist keine Blocknummer; die Zelle bleibt leer.";
}
inline std::string MemoBlockBad(std::string_view field, size_t column, uint64_t block,
                                std::string_view memoPath) {
  return Cell(field, column) + "Der Block " + std::to_string(block) + " der Memodatei " +
         Quoted(memoPath) + " fehlt oder ist beschädigt; die Zelle bleibt leer.";
}
inline std::string NotUtf8(std::string_view field, size_t column) {
  return Cell(field, column) +
         "Der Text ist kein gültiges UTF-8 und wurde als Windows-1252 gelesen.";
}

}  // namespace velra::dbf::texts

#pragma once
// The one session of the wizard: the session-wide values, the wizard's own fields, the loaded
// source with its column mapping, and the state of every control.

#include <array>
#include <atomic>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "company/SessionContext.h"
#include "import/ImportRun.h"
#include "mapping/FieldList.h"
#include "mapping/GridColumns.h"
#include "shell/Controls.h"
#include "source/SourceReader.h"
#include "source/SourceTable.h"

namespace velra {

struct WizardControls {
  // Step pages, their lights and the buttons.
  std::array<bool, kStepCount> pageVisible{};
  std::array<uint32_t, kStepCount> stepLight{};
  Button cmdZurueck, cmdWeiter, cmdOK, cmdBeenden, cmdHilfe, cmdAbbrechen;
  std::string focus;           // name of the control that has the focus
  unsigned focusRequests = 0;  // counts Focus calls, so that the window gives it again
  void Focus(std::string control) {
    focus = std::move(control);
    ++focusRequests;
  }
  std::map<std::string, std::string> statusPanels;  // "Daten", "Datei", "Tabelle"

  // Step 0.
  Combo cboFirma;
  // Step 1.
  ListView lvwDatenarten;
  Label lbTipp_Datenart_Beschreibung;
  // Step 2: settings.
  Frame fmEinstellungen_Allgemein, fmEinstellungen_Artikel, fmEinstellungen_Kunden,
      fmEinstellungen_Lieferanten;
  CheckBox chkLoeschen, chkSynchronisieren, chkAutoNummer, chkAktiv, chkRabatt, chkPOS, chkWebshop,
      chkLieferant, chkArtikeltyp, chkEinheit, chkSteuersatz, chkLagerort,
      chkKunden_Anschrift_generieren, chkLieferanten_Anschrift_generieren;
  Combo cboArtikeltyp, cboEinheit, cboBerechnungsart, cboKunden_Suchname, cboLieferanten_Suchname;
  ImageCombo icboSteuersatz;
  Button cmdLagerort;
  TextBox txtLagerort;
  // Step 3: source.
  Combo cboImportformat, cboTabellen, cboSynchronisierung, cboZeichensatz;
  TextBox txtDateiname, txtTrennzeichen, txtBegrenzung, txtZeilenumbruch;
  Button cmdDialog;
  Frame fmDatenbanken, fmCSV;
  CheckBox chkSpaltentitel;
  Label lbSynchronisierung, lbTipp_Synchronisierung;
  // Step 4: mapping.
  std::vector<GridColumn> columns;  // the grid's columns
  Combo cboDatenbankfelder;
  Label lbSpalte;
  // Step 5: import.
  Label lbStatustext, lbStatus;
  ProgressBar progressBar;
};

struct ImportSession {
  SessionContext Context;

  int16_t Schritt = 0;
  DataKind Datenart = DataKind::Articles;
  std::string Zieltabelle = "Articles";
  std::string Synchronisationsfeld = "ArticleNumber";
  int32_t SourceFormatIndex = 4;
  std::string SourceFormat = "CSV";
  int16_t DialogFilterIndex = 6;
  std::string Separator = ";";
  std::string TextQualifier = "\"";
  std::string LineBreakToken = "<br/>";
  std::string SourceFile;
  std::string SourceTableName;  // the chosen table or sheet
  std::string SourcePassword;
  // Of text and dBase files: auto, utf-8, windows-1252 or cp850 (see EncodingChoiceOf).
  std::string SourceEncoding = "auto";
  // The synchronisation field a profile asks for; empty: the kind's own.
  std::string PreferredSyncField;
  SourceTable SourceData;
  LoadReport LoadNotes;  // what the last load noticed
  int CurrentColumn = 0;
  int32_t Berechnungsart = 0;
  int32_t Suchnamenmodus = 0;
  std::atomic<bool> AbbruchAngefordert{false};
  std::atomic<bool> RunPaused{false};  // while the user is asked whether to cancel

  // The opened database-like source, with the file and format it belongs to.
  std::unique_ptr<SourceReader> SourceConnection;
  std::string SourceConnectionFile;
  std::string SourceConnectionFormat;
  // The fields of the target table and their captions, read with the field list.
  FieldList TargetFields;

  ImportResult LastImport;   // the result of the last run, with its report
  ImportResult LastTestRun;  // the result of the last test run, with its preview

  // Mappings learned from earlier runs: used by the automatic mapping unless switched off, and
  // kept in this file (empty: the user's default).
  bool UseLearnedMappings = true;
  std::string LearnedMappingsFile;

  WizardControls Controls;
  // Problems found on the way (environment, companies, lists) for the window's log.
  std::vector<std::string> Problems;
  bool Closed = false;  // the window was closed

  std::string HeaderLine() const { return SourceData.HeaderLine(Separator); }
};

}  // namespace velra

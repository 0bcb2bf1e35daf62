#pragma once
// The window's German texts, exactly as the suite shows them.

namespace velra::gui::texts {

inline constexpr const char* kWindowTitle = "Velra: Importassistent";
inline constexpr const char* kTitle = "Importassistent";
inline constexpr const char* kStepCaptions[] = {"Start",       "Art der Daten", "Einstellungen",
                                                "Importdatei", "Feldzuordnung", "Importieren",
                                                "Fertig"};

inline constexpr const char* kWelcome = "Willkommen";
inline constexpr const char* kWelcomeHeading = "Assistent für den Import von Stammdaten";
inline constexpr const char* kWelcomeBody =
    "Dieser Assistent wird Ihnen bei der Übernahme von Daten behilflich sein. Sie können diverse "
    "Datenformate wie z. B. Microsoft Excel, Text, CSV-Format, DBase oder auch Microsoft Access "
    "importieren und so in Velra übernehmen. Sie können diesen Assistenten belibieg oft "
    "ausführen. ";
inline constexpr const char* kCompany = "Firma";
inline constexpr const char* kCompanyTip =
    "Wählen Sie hier bitte die Firma aus, für die Sie Daten importieren möchten.";

inline constexpr const char* kDataKindQuestion =
    "Um welche Daten handelt es sich bei der zu importierenden Datei?";
inline constexpr const char* kDataKindColumns[] = {"Daten", "Index", "Beschreibung"};

inline constexpr const char* kSettingsHeading =
    "Nehmen Sie hier bitte die Einstellungen zum Datenimport vor";
inline constexpr const char* kGeneral = "Allgemein";
inline constexpr const char* kArticles = "Artikel";
inline constexpr const char* kCustomers = "Kunden";
inline constexpr const char* kSuppliers = "Lieferanten";
inline constexpr const char* kDelete =
    "Vor dem Import alle vorhandenen Datensätze löschen. Die Daten gehen unwiderruflich verloren!";
inline constexpr const char* kSynchronise =
    "Synchronisieren (bereits vorhandene Datensätze werden aktualisiert und nicht ein weiteres Mal "
    "angelegt)";
inline constexpr const char* kAutoNumber =
    "Nummernkreise automatisch vergeben. (Ein eventuell vorhandener Nummernkreis in der "
    "Importdatei wird "
    "nicht berücksichtigt bzw. wird nicht importiert)";
inline constexpr const char* kActive = "Artikel aktivieren";
inline constexpr const char* kRebate = "Rabattfähig";
inline constexpr const char* kPos = "POS-fähig";
inline constexpr const char* kWebshop = "Artikel für den Webshop vorbereiten";
inline constexpr const char* kSupplier = "Lieferant zum Artikel anlegen";
inline constexpr const char* kDefaults = "Vorbelegungswerte";
inline constexpr const char* kArticleType = "Artikeltyp";
inline constexpr const char* kUnit = "Einheit";
inline constexpr const char* kTaxRate = "Steuersatz";
inline constexpr const char* kStorage = "Lagerort";
inline constexpr const char* kPriceMode = "Berechnungsart";
inline constexpr const char* kPriceTip =
    "Bei allen Berechnungsarten ist darauf zu achten, dass in der zu importierenden Datei, jedem "
    "Artikel, ein "
    "gültiger Steuersatz zugewiesen ist.";
inline constexpr const char* kAddress =
    "Anschrift automatisch generieren (aus Name, Vorname, Straße, usw. wird die Rechnungsanschrift "
    "autom. "
    "erzeugt)";
inline constexpr const char* kSearchName = "Suchnamen";
inline constexpr const char* kCustomerTip =
    "Hier können Sie bestimmen, ob der Suchname des Kunden autom. generiert und wie dieser "
    "dargestellt werden "
    "soll.";
inline constexpr const char* kSupplierTip =
    "Hier können Sie bestimmen, ob der Suchname des Lieferanten autom. generiert und wie dieser "
    "dargestellt "
    "werden soll.";
inline constexpr const char* kChooseStorage = "Lagerort wählen";
inline constexpr const char* kNoStorage = "Kein Lagerort bestimmen";

inline constexpr const char* kSourceHeading =
    "Wählen Sie bitte das Format und die Datei aus, die Sie importieren möchten.";
inline constexpr const char* kFormat = "Format";
inline constexpr const char* kFile = "Datei";
inline constexpr const char* kDatabaseSettings = "Einstellungen für (XLS, DBF oder MDB)";
inline constexpr const char* kTable = "Tabelle";
inline constexpr const char* kEncoding = "Zeichensatz";
inline constexpr const char* kTextSettings = "Einstellungen für Text / CSV";
inline constexpr const char* kSeparator = "Wählen Sie bitte das Trennzeichen aus";
inline constexpr const char* kQualifier = "Textqualifizierer";
inline constexpr const char* kLineBreak = "Zeilenumbruch wird ersetzt durch";
inline constexpr const char* kHeaderLine = "Erste Zeile enthält Feldnamen";
inline constexpr const char* kSynchronisation = "Synchronisierung";
inline constexpr const char* kSynchronisationTip =
    "Wählen Sie hier bitte die Spalte aus, über dessen Wert die Datensätze synchronisiert werden "
    "sollen. Die "
    "Werte dieser Spalte werden in Velra gesucht und bei einer Übereinstimmung wird der Datensatz "
    "aktualisiert "
    "und nicht erneut angelegt. Für jede Datenart ist bereits eine Spalte vorbelegt. ";

inline constexpr const char* kMappingLine1 =
    "Sie können nun jeder Spalte ein Feld der Datenbank zuweisen.";
inline constexpr const char* kMappingLine2 =
    "Klicken Sie bitte auf eine Spalte um diese zu aktivieren und wählen dann ein Datenbankfeld "
    "aus.";
inline constexpr const char* kCurrentColumn = "Aktuell markierte Spalte:";
inline constexpr const char* kLinkTo = "Verknüpfen und übertragen in: ";
inline constexpr const char* kMappingTip =
    "Um die Daten in Velra importieren zu können, müssen Sie zunächst jeder Spalte ein "
    "Datenbankfeld aus Velra "
    "zuweisen. Aktivieren Sie mit der linken Maustaste die Spalte, die Sie mit einem Datenbankfeld "
    "verknüpfen "
    "möchten. Nun suchen Sie bitte ein Feld aus der oberen Auswahlliste aus und weisen es so der "
    "Spalte zu.";
inline constexpr const char* kRemoveMapping = "Feldzuordnung aufheben";
inline constexpr const char* kAutoMapping = "Automatische Feldzuordnung starten";
inline constexpr const char* kAddRow = "Zeile hinzufügen";
inline constexpr const char* kDeleteRow = "Zeile löschen";

inline constexpr const char* kLoadProfile = "Profil laden...";
inline constexpr const char* kSaveProfile = "Profil speichern...";
inline constexpr const char* kUseLearned = "Gelernte Zuordnungen verwenden";
inline constexpr const char* kTestRun = "&Testlauf";
inline constexpr const char* kTestRunTip =
    "Der Testlauf führt den ganzen Import aus und nimmt ihn am Ende zurück: Sie sehen, was neu "
    "angelegt "
    "und was geändert würde, ohne dass etwas gespeichert wird.";
inline constexpr const char* kSaveRejects = "Abgewiesene Zeilen speichern...";

inline constexpr const char* kImportNote =
    "Je nach Datenmenge kann der Import einige Minuten in Anspruch nehmen.";
inline constexpr const char* kStatus = "Status:";
inline constexpr const char* kCancel = "Abbrechen";
inline constexpr const char* kFinished = "Der Importassistent ist fertig.";
inline constexpr const char* kShowReport = "Importprotokoll anzeigen";
inline constexpr const char* kMoment = "Einen Moment bitte...";

// The grid's column headers: the tip names the column and its field.
inline constexpr const char* kColumnUnassignedTip = "Spalte '%1': nicht zugeordnet";
inline constexpr const char* kColumnAssignedTip = "Spalte '%1' → %2";

// The import report: %1 to %4 are counts of rows.
inline constexpr const char* kReportWritten =
    "Geschriebene Zeilen: %1 (neu angelegt: %2, geändert: %3, unverändert: %4)";
inline constexpr const char* kReportNotWritten =
    "Nicht importierte Zeilen: %1, Meldungen im Protokoll: %2";
inline constexpr const char* kReportNoEntries =
    "Alle Werte wurden übernommen; das Protokoll ist leer.";
inline constexpr const char* kReportTruncated =
    "Das Protokoll enthält %1 Meldungen; aufgeführt sind die ersten %2. Die übrigen werden nur "
    "gezählt.";

// The test run's dialog.
inline constexpr const char* kTestRunNothingSaved =
    "Es wurde nichts gespeichert: Der Import würde genau das tun, was hier steht.";
// "… und 3 weitere geänderte Datensätze."
inline constexpr const char* kTestRunMore = "… und %1 weitere %2.";
inline constexpr const char* kTestRunMoreChanged = "geänderte Datensätze";
inline constexpr const char* kTestRunMoreDuplicates = "mehrfache Schlüssel";
inline constexpr const char* kTestRunChanges = "Änderungen (%1)";
inline constexpr const char* kTestRunDuplicates = "Doppelte Schlüssel (%1)";
inline constexpr const char* kTestRunShowReport = "Importprotokoll anzeigen (%1)";

inline constexpr const char* kStorageHint =
    "Markieren Sie bitte den Lagerort und klicken Sie auf 'OK'.";

// A help topic without a page; %2 is the topic of the overview, linked.
inline constexpr const char* kHelpMissingText =
    "Zu diesem Thema (Nummer %1) gibt es leider keine Hilfeseite. Die Übersicht über den "
    "Importassistenten finden Sie <a href=\"qrc:/help/%2.html\">hier</a>.";

inline constexpr const char* kQtTranslationsMissing =
    "Die deutschen Texte der Qt-Dialoge fehlen (Paket qt6-translations-l10n); Dateiauswahl und "
    "Eingabefelder erscheinen englisch.";

}  // namespace velra::gui::texts

#include "demo/DbfSample.h"

#include <shapefil.h>

#include "base/Encoding.h"
#include "base/Text.h"
#include "demo/DemoTexts.h"

namespace velra {

namespace {

enum class Kind { Text, Number, Date, Logical };

struct Field {
  const char* name;       // at most 10 characters
  const char* csvColumn;  // the column of the CSV sample it comes from; empty for fixed values
  Kind kind;
  int width, decimals;
};

const Field kFields[] = {
    {"ARTNR", "Artikelnummer", Kind::Text, 10, 0},
    {"BEZEICHNUN", "Bezeichnung", Kind::Text, 40, 0},
    {"LANGTEXT", "Langtext", Kind::Text, 120, 0},
    {"EINHEIT", "Einheit", Kind::Text, 6, 0},
    {"EK", "EK", Kind::Number, 10, 2},
    {"VK_NETTO", "VK netto", Kind::Number, 10, 2},
    {"VK_BRUTTO", "VK brutto", Kind::Number, 10, 2},
    {"MWST", "MwSt", Kind::Number, 5, 1},
    {"EAN", "EAN", Kind::Text, 13, 0},
    {"GEWICHT", "Gewicht", Kind::Number, 10, 3},
    {"HERSTELLER", "Hersteller", Kind::Text, 30, 0},
    {"LIEFERANT", "Lieferant", Kind::Text, 40, 0},
    {"LIEFNR", "Lieferanten-Nr.", Kind::Text, 10, 0},
    {"BESTNR", "Bestellnummer", Kind::Text, 20, 0},
    {"WARENGRUP", "Warengruppe", Kind::Text, 30, 0},
    {"ANGELEGT", "", Kind::Date, 8, 0},
    {"AKTIV", "", Kind::Logical, 1, 0},
};

DBFFieldType TypeOf(Kind kind) {
  switch (kind) {
    case Kind::Number:
      return FTDouble;
    case Kind::Date:
      return FTDate;
    case Kind::Logical:
      return FTLogical;
    default:
      return FTString;
  }
}

int ColumnOf(const SourceTable& table, const char* name) {
  for (size_t c = 0; c < table.ColumnCount(); ++c)
    if (table.ColumnNames()[c] == name) return static_cast<int>(c + 1);
  throw DemoError(std::string("Dem Artikelbeispiel fehlt die Spalte ") + name + ".");
}

}  // namespace

void WriteArticleDbf(const SourceTable& articles, const std::string& path) {
  // Language driver 0x57: Windows-1252.
  DBFHandle dbf = DBFCreateEx(path.c_str(), "LDID/87");
  if (!dbf) throw DemoError(Fill(demo_texts::kFileNotCreated, {path}));
  for (const Field& field : kFields)
    DBFAddField(dbf, field.name, TypeOf(field.kind), field.width, field.decimals);
  for (size_t row = 1; row <= articles.RowCount(); ++row) {
    int record = static_cast<int>(row - 1);
    for (int f = 0; f < static_cast<int>(std::size(kFields)); ++f) {
      const Field& field = kFields[f];
      if (field.kind == Kind::Date) {
        char date[] = "20261201";  // dBase keeps dates as YYYYMMDD
        DBFWriteAttributeDirectly(dbf, record, f, date);
        continue;
      }
      if (field.kind == Kind::Logical) {
        DBFWriteLogicalAttribute(dbf, record, f, 'T');
        continue;
      }
      std::string text =
          NzText(articles.Get(static_cast<size_t>(ColumnOf(articles, field.csvColumn)), row));
      if (text.empty()) {
        DBFWriteNULLAttribute(dbf, record, f);
      } else if (field.kind == Kind::Number) {
        DBFWriteDoubleAttribute(dbf, record, f, std::stod(ReplaceAll(text, ",", ".")));
      } else {
        std::string cut =
            FirstCharacters(ReplaceAll(text, "\r\n", " "), static_cast<size_t>(field.width));
        DBFWriteStringAttribute(dbf, record, f, Utf8ToWindows1252(cut).value_or(cut).c_str());
      }
    }
  }
  DBFClose(dbf);
}

}  // namespace velra

// Writes benchmark source files: German master data as real exports have them.
//   bench-generate csv-wide ROWS FILE   20 columns of text, umlauts and decimal commas
//   (Windows-1252) bench-generate xlsx ROWS FILE       the same articles as a workbook with typed
//   cells bench-generate dbf ROWS FILE        the same articles as a dBase table bench-generate
//   articles ROWS FILE   an article export of a dozen columns (Windows-1252)
//   bench-generate articles-changed ROWS FILE   the same article numbers, other texts and prices

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

#include <shapefil.h>
#include <xlsxwriter.h>

#include "base/Encoding.h"

namespace {

const char* kWords[] = {
    "Schraube",   "Mutter",      "Unterlegscheibe", "Dübel",           "Winkel", "Scharnier",
    "Türgriff",   "Kabelbinder", "Schlauchschelle", "Gewindestange",   "Öse",    "Bügel",
    "Kugellager", "Dichtung",    "Federring",       "Sicherungsmutter"};
const char* kTowns[] = {"München",  "Köln",      "Düsseldorf",  "Nürnberg",  "Lübeck",
                        "Würzburg", "Göttingen", "Saarbrücken", "Osnabrück", "Tübingen"};

std::string Cp1252(const std::string& utf8) {
  return *velra::Utf8ToWindows1252(utf8);
}

int WriteWideCsv(long rows, const char* path) {
  FILE* out = std::fopen(path, "wb");
  if (!out) return 1;
  std::mt19937 random(42);
  auto pick = [&](auto& list) { return list[random() % (sizeof(list) / sizeof(list[0]))]; };
  std::fputs(Cp1252("Artikelnummer;Bezeichnung;Langtext;Einheit;EK;VK netto;VK brutto;MwSt;"
                    "EAN;Hersteller;Lieferant;Bestellnummer;Gewicht;Länge;Breite;Höhe;Lagerort;"
                    "Warengruppe;Ursprungsland;Bemerkung\r\n")
                 .c_str(),
             out);
  for (long i = 1; i <= rows; ++i) {
    std::string line = "A" + std::to_string(100000 + i) + ";";
    line += std::string(pick(kWords)) + " M" + std::to_string(random() % 20 + 2) + ";";
    line += "\"" + std::string(pick(kWords)) + " aus Edelstahl; für " + pick(kTowns) + "\";";
    line += "Stk;";
    char prices[96];
    double net = static_cast<double>(random() % 100000) / 100.0;
    std::snprintf(prices, sizeof prices, "%.2f;%.2f;%.2f;19;", net * 0.6, net, net * 1.19);
    for (char* c = prices; *c; ++c)
      if (*c == '.') *c = ',';
    line += prices;
    line += "40" + std::to_string(10000000000L + i) + ";";
    line += std::string("Würth & Söhne;Lieferant ") + std::to_string(i % 50) + ";";
    line += "B-" + std::to_string(i * 7 % 99991) + ";0,25;120;45;12;H1-B-03;";
    line += std::string(pick(kWords)) + ";DE;Bemerkung " + std::to_string(i % 1000) + "\r\n";
    std::fputs(Cp1252(line).c_str(), out);
  }
  return std::fclose(out) == 0 ? 0 : 1;
}

// One article of the typed formats: a dozen fields of each kind.
struct Article {
  std::string number, text, unit, supplier, group;
  double purchase, net, gross, weight;
  int vat;
};

Article MakeArticle(long i, std::mt19937& random) {
  auto pick = [&](auto& list) { return list[random() % (sizeof(list) / sizeof(list[0]))]; };
  double net = static_cast<double>(random() % 100000) / 100.0;
  return {"A" + std::to_string(100000 + i),
          std::string(pick(kWords)) + " M" + std::to_string(random() % 20 + 2),
          "Stk",
          std::string("Lieferant ") + pick(kTowns),
          pick(kWords),
          net * 0.6,
          net,
          net * 1.19,
          0.25,
          19};
}

// `seed`: another seed gives the same article numbers with other texts and prices.
int WriteArticlesCsv(long rows, const char* path, bool suppliers, unsigned seed = 7) {
  FILE* out = std::fopen(path, "wb");
  if (!out) return 1;
  std::mt19937 random(seed);
  std::string header =
      "Artikelnummer;Bezeichnung;Langtext;Einheit;EK;VK netto;VK "
      "brutto;MwSt;EAN;Gewicht;Hersteller;Warengruppe";
  if (suppliers) header += ";Lieferant;Lieferantennummer;Bestellnummer";
  std::fputs(Cp1252(header + "\r\n").c_str(), out);
  for (long i = 1; i <= rows; ++i) {
    Article a = MakeArticle(i, random);
    char numbers[160];
    std::snprintf(numbers, sizeof numbers, "%.2f;%.2f;%.2f;%d;40%011ld;%.3f", a.purchase, a.net,
                  a.gross, a.vat, i, a.weight);
    for (char* c = numbers; *c; ++c)
      if (*c == '.') *c = ',';
    std::string line = a.number + ";" + a.text + ";\"" + a.text + " für Holz; Metall\";" + a.unit +
                       ";" + numbers + ";Würth & Söhne;" + a.group;
    if (suppliers)
      line += ";" + a.supplier + ";7" + std::to_string(i % 1000) + ";B-" + std::to_string(i);
    line += "\r\n";
    std::fputs(Cp1252(line).c_str(), out);
  }
  return std::fclose(out) == 0 ? 0 : 1;
}

int WriteXlsx(long rows, const char* path) {
  lxw_workbook* workbook = workbook_new(path);
  lxw_worksheet* sheet = workbook_add_worksheet(workbook, "Artikel");
  const char* names[] = {"Artikelnummer", "Bezeichnung", "Einheit",  "Lieferant",
                         "Warengruppe",   "EK",          "VK netto", "VK brutto",
                         "Gewicht",       "MwSt",        "Aktiv",    "Angelegt"};
  for (lxw_col_t c = 0; c < 12; ++c) worksheet_write_string(sheet, 0, c, names[c], nullptr);
  lxw_format* date = workbook_add_format(workbook);
  format_set_num_format(date, "dd.mm.yyyy");
  std::mt19937 random(42);
  for (long i = 1; i <= rows; ++i) {
    Article a = MakeArticle(i, random);
    auto row = static_cast<lxw_row_t>(i);
    worksheet_write_string(sheet, row, 0, a.number.c_str(), nullptr);
    worksheet_write_string(sheet, row, 1, a.text.c_str(), nullptr);
    worksheet_write_string(sheet, row, 2, a.unit.c_str(), nullptr);
    worksheet_write_string(sheet, row, 3, a.supplier.c_str(), nullptr);
    worksheet_write_string(sheet, row, 4, a.group.c_str(), nullptr);
    worksheet_write_number(sheet, row, 5, a.purchase, nullptr);
    worksheet_write_number(sheet, row, 6, a.net, nullptr);
    worksheet_write_number(sheet, row, 7, a.gross, nullptr);
    worksheet_write_number(sheet, row, 8, a.weight, nullptr);
    worksheet_write_number(sheet, row, 9, a.vat, nullptr);
    worksheet_write_boolean(sheet, row, 10, 1, nullptr);
    worksheet_write_number(sheet, row, 11, 46360, date);
  }
  return workbook_close(workbook) == LXW_NO_ERROR ? 0 : 1;
}

int WriteDbf(long rows, const char* path) {
  DBFHandle dbf = DBFCreateEx(path, "LDID/87");
  if (!dbf) return 1;
  DBFAddField(dbf, "ARTNR", FTString, 10, 0);
  DBFAddField(dbf, "BEZEICHNUN", FTString, 40, 0);
  DBFAddField(dbf, "EINHEIT", FTString, 6, 0);
  DBFAddField(dbf, "LIEFERANT", FTString, 40, 0);
  DBFAddField(dbf, "WARENGRUP", FTString, 30, 0);
  DBFAddField(dbf, "EK", FTDouble, 10, 2);
  DBFAddField(dbf, "VK_NETTO", FTDouble, 10, 2);
  DBFAddField(dbf, "VK_BRUTTO", FTDouble, 10, 2);
  DBFAddField(dbf, "GEWICHT", FTDouble, 10, 3);
  DBFAddField(dbf, "MWST", FTInteger, 3, 0);
  DBFAddField(dbf, "AKTIV", FTLogical, 1, 0);
  DBFAddField(dbf, "ANGELEGT", FTDate, 8, 0);
  std::mt19937 random(42);
  char date[] = "20261204";
  for (long i = 1; i <= rows; ++i) {
    Article a = MakeArticle(i, random);
    int r = static_cast<int>(i - 1);
    DBFWriteStringAttribute(dbf, r, 0, a.number.c_str());
    DBFWriteStringAttribute(dbf, r, 1, Cp1252(a.text).c_str());
    DBFWriteStringAttribute(dbf, r, 2, a.unit.c_str());
    DBFWriteStringAttribute(dbf, r, 3, Cp1252(a.supplier).c_str());
    DBFWriteStringAttribute(dbf, r, 4, Cp1252(a.group).c_str());
    DBFWriteDoubleAttribute(dbf, r, 5, a.purchase);
    DBFWriteDoubleAttribute(dbf, r, 6, a.net);
    DBFWriteDoubleAttribute(dbf, r, 7, a.gross);
    DBFWriteDoubleAttribute(dbf, r, 8, a.weight);
    DBFWriteIntegerAttribute(dbf, r, 9, a.vat);
    DBFWriteLogicalAttribute(dbf, r, 10, 'T');
    DBFWriteAttributeDirectly(dbf, r, 11, date);
  }
  DBFClose(dbf);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string kind = argc == 4 ? argv[1] : "";
  if (kind == "csv-wide") return WriteWideCsv(std::atol(argv[2]), argv[3]);
  if (kind == "xlsx") return WriteXlsx(std::atol(argv[2]), argv[3]);
  if (kind == "dbf") return WriteDbf(std::atol(argv[2]), argv[3]);
  if (kind == "articles") return WriteArticlesCsv(std::atol(argv[2]), argv[3], false);
  if (kind == "articles-suppliers") return WriteArticlesCsv(std::atol(argv[2]), argv[3], true);
  if (kind == "articles-changed") return WriteArticlesCsv(std::atol(argv[2]), argv[3], false, 8);
  std::fprintf(stderr,
               "usage: bench-generate csv-wide|xlsx|dbf|articles|articles-changed|"
               "articles-suppliers ROWS FILE\n");
  return 2;
}

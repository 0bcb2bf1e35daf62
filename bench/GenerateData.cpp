// Writes benchmark source files: German master data as real exports have them.
//   bench-generate csv-wide ROWS FILE   20 columns of text, umlauts and decimal commas (Windows-1252)

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

#include "config/Encoding.h"

namespace {

const char* kWords[] = {"Schraube", "Mutter", "Unterlegscheibe", "Dübel", "Winkel", "Scharnier",
                        "Türgriff", "Kabelbinder", "Schlauchschelle", "Gewindestange", "Öse",
                        "Bügel", "Kugellager", "Dichtung", "Federring", "Sicherungsmutter"};
const char* kTowns[] = {"München", "Köln", "Düsseldorf", "Nürnberg", "Lübeck", "Würzburg",
                        "Göttingen", "Saarbrücken", "Osnabrück", "Tübingen"};

std::string Cp1252(const std::string& utf8) { return *velra::Utf8ToWindows1252(utf8); }

int WriteWideCsv(long rows, const char* path) {
  FILE* out = std::fopen(path, "wb");
  if (!out) return 1;
  std::mt19937 random(42);
  auto pick = [&](auto& list) { return list[random() % (sizeof(list) / sizeof(list[0]))]; };
  std::fputs(Cp1252("Artikelnummer;Bezeichnung;Langtext;Einheit;EK;VK netto;VK brutto;MwSt;"
                    "EAN;Hersteller;Lieferant;Bestellnummer;Gewicht;Länge;Breite;Höhe;Lagerort;"
                    "Warengruppe;Ursprungsland;Bemerkung\r\n").c_str(), out);
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

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::string(argv[1]) == "csv-wide") return WriteWideCsv(std::atol(argv[2]), argv[3]);
  std::fprintf(stderr, "usage: bench-generate csv-wide ROWS FILE\n");
  return 2;
}

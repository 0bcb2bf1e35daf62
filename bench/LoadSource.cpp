// Loads a source file into the source table and prints the time, the rate and the peak memory.
//   bench-load-source FILE   (any format; the first table of a database-like file)

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>

#include "PeakMemory.h"
#include "source/SourceError.h"
#include "source/SourceOpening.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: bench-load-source FILE\n");
    return 2;
  }
  const std::string path = argv[1];
  std::ifstream file(path, std::ios::binary | std::ios::ate);
  const double megabytes = static_cast<double>(file.tellg()) / 1e6;
  velra::SourceTable table;
  velra::LoadReport report;
  auto start = std::chrono::steady_clock::now();
  try {
    velra::SourceRequest request;
    request.format = velra::FormatOfFileName(path).value_or(velra::SourceFormat::Csv);
    request.path = path;
    velra::LoadSource(request, table, report);
  } catch (const velra::SourceError& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 3;
  }
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const double peak = static_cast<double>(PeakRssKiB()) / 1024.0;
  std::printf(
      "rows %zu columns %zu file %.1f MB time %.3f s rate %.1f MB/s peak %.1f MB (%.2fx file) "
      "table %.1f MB\n",
      table.RowCount(), table.ColumnCount(), megabytes, seconds, megabytes / seconds, peak,
      peak / megabytes, static_cast<double>(table.MemoryUsage()) / 1e6);
  return 0;
}

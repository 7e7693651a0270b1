// Writes the hostile table as CSV and JSON, and the cells they must read
// back as (UTF-16 code units in hex), for export_readback.py to check with
// real parsers.
#include <cstdio>
#include <fstream>

#include "tests/host/export_samples.h"

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  const std::string dir = argv[1];
  std::vector<std::vector<glimmerlog::ExportCell>> rows;
  const glimmerlog::ExportDocument doc = glimmerlog::test::HostileDocument(rows);
  for (auto [format, name] : {std::pair{glimmerlog::ExportFormat::kCsv, "sample.csv"},
                              std::pair{glimmerlog::ExportFormat::kJson, "sample.json"},
                              std::pair{glimmerlog::ExportFormat::kJsonLines, "sample.jsonl"}}) {
    std::string out;
    glimmerlog::WriteExport(format, doc, out);
    std::ofstream(dir + "/" + name, std::ios::binary) << out;
  }
  std::ofstream expected(dir + "/expected.txt");
  auto hex = [](const std::u16string& s) {
    std::string h;
    char unit[8];
    for (char16_t c : s) {
      std::snprintf(unit, sizeof(unit), "%04x", static_cast<unsigned>(c));
      h += unit;
    }
    return h;
  };
  for (const std::u16string& c : doc.columns) expected << "column " << hex(c) << "\n";
  // JSON's values (ISO times), then what CSV holds (the text shown); "n"
  // marks a number.
  for (const auto& row : rows) {
    expected << "row";
    for (const auto& cell : row) {
      expected << " " << (cell.number ? "n" : "") << (cell.iso.empty() ? hex(cell.shown) : hex(cell.iso)) << ".";
    }
    expected << "\nshown";
    for (const auto& cell : row) expected << " " << hex(cell.shown) << ".";
    expected << "\n";
  }
  return 0;
}

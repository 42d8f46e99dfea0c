// write-hostile-archives FOLDER: every row of the hostile-archive table and
// the whole proofs it starts from, each as FOLDER/<label>/<proof name>.zip,
// for readers outside this program.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/check/hostile_zip.h"

namespace {

bool Write(const std::filesystem::path& folder, const std::string& label,
           const std::vector<hostile::Entry>& entries) {
  std::string safe;
  for (char c : label) safe += (c == ' ' || c == '/') ? '-' : c;
  std::error_code error;
  std::filesystem::create_directories(folder / safe, error);
  std::ofstream out(folder / safe / (hostile::kName + ".zip"), std::ios::binary);
  const std::string zip = hostile::Zip(entries);
  out.write(zip.data(), static_cast<std::streamsize>(zip.size()));
  return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: write-hostile-archives FOLDER\n", stderr);
    return 2;
  }
  const std::filesystem::path folder = argv[1];
  bool ok = Write(folder, "whole", hostile::Proof());
  std::vector<hostile::Entry> described = hostile::Proof();
  for (hostile::Entry& e : described) e.descriptor = true;
  ok = Write(folder, "whole with data descriptors", described) && ok;
  for (const hostile::DamageRow& row : hostile::kDamageRows) {
    std::vector<hostile::Entry> entries = hostile::Proof();
    row.damage(&entries);
    ok = Write(folder, row.label, entries) && ok;
  }
  return ok ? 0 : 1;
}

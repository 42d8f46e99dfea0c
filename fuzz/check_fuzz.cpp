// Runs the whole check of one proof archive on arbitrary bytes held in
// memory: the zip directory, every entry's inflation, the screenshot
// decoders, the game-file readers, the name rules and the entry times; and
// asserts the bound on the bytes inflated per archive.
#include <cstddef>
#include <cstdint>
#include <string>

#include "check/check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  ArchiveSource source;
  source.data = data;
  source.size = size;
  CheckOptions options;
  options.requireNumber = size % 2 == 0;
  // A round's window on some inputs, so that the saved game's time is
  // compared with it too (the gap check is on by default).
  if (size % 3 == 0) {
    ParseWindowEnd("2026-11-01", false, &options.from);
    ParseWindowEnd("2026-11-30", true, &options.to);
  }
  const ProofReport report = CheckProof(source, "oakfield_Ann Lee_973.zip", options);
  // The work per archive is bounded whatever its headers say.
  if (report.inflatedBytes > kMaxInflatedBytes) __builtin_trap();
  // The presentation of whatever was found must hold up too.
  const std::string page = HtmlReport({report}) + CsvReport({report}) + TerminalTable({report});
  volatile std::size_t sink = page.size();
  (void)sink;
  return 0;
}

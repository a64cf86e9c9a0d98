// Landmark files in every layout (plain, TPS, NTS), told apart by content:
// the reader, whose specimen names must come out as UTF-8, written as the
// cells of a CSV row.
#include <cstdlib>

#include "fuzz_support.hpp"
#include "io/landmark_file.hpp"
#include "platform/matrix/text.hpp"

using namespace varnok;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::istringstream in{std::string(fuzz::asText(data, size))};
  io::LandmarkFile f;
  try {
    f = io::readLandmarks(in, "fuzz.tps");
  } catch (const io::DataFileError&) {
    return 0;
  }
  if (!f.ids.empty() && static_cast<Eigen::Index>(f.ids.size()) != f.data.rows()) std::abort();
  std::string row;
  for (const std::string& id : f.ids) {
    appendCsvField(row, id);
    row += ',';
  }
  if (!isUtf8(row)) std::abort();
  return 0;
}

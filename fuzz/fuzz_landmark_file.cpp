// Landmark files in every layout (plain, TPS, NTS), told apart by content,
// TPS curves read as points or skipped as the first byte says: the reader,
// whose specimen names must come out as UTF-8, written as the cells of a CSV
// row, and whose curves must account for every point after the landmarks.
#include <cstdlib>

#include "fuzz_support.hpp"
#include "io/landmark_file.hpp"
#include "platform/matrix/text.hpp"

using namespace varnok;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const bool curves = size > 0 && (data[0] & 1) != 0;
  std::istringstream in{std::string(fuzz::asText(data, size))};
  io::LandmarkFile f;
  try {
    f = io::readLandmarks(in, "fuzz.tps", {.readCurves = curves});
  } catch (const io::DataFileError&) {
    return 0;
  }
  long long points = f.landmarks;
  for (const io::TpsCurve& c : f.curves) points += c.points;
  if (!f.curves.empty() && 2 * points + 1 != f.data.cols()) std::abort();
  if (!f.ids.empty() && static_cast<Eigen::Index>(f.ids.size()) != f.data.rows()) std::abort();
  std::string row;
  for (const std::string& id : f.ids) {
    appendCsvField(row, id);
    row += ',';
  }
  if (!isUtf8(row)) std::abort();
  return 0;
}

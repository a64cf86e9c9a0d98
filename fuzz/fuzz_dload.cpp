// Landmark data files: the reader, then the whole analysis of what it read.
#include "fuzz_support.hpp"

using namespace varnok::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes = asText(data, size);
  varnok::Mat m;
  if (!readerAccepts(bytes, &m)) return 0;
  // Small analyses keep the runs fast: the spline's matrices grow with the
  // cube of the landmarks.
  if (m.size() > 2000 || m.cols() > 61) return 0;
  writeFile("data.txt", bytes);
  Session s;
  s.load("LoadData", "data.txt");
  s.act("NoGroupList");
  s.act("ShowPCAAxis");
  return 0;
}

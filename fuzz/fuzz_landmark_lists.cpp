// Files that name landmarks of the loaded data: links of a wireframe and the
// sliding points of curves. What they give back must name landmarks 1..L.
#include <cstdlib>
#include <sstream>

#include "fuzz_support.hpp"
#include "io/curves.hpp"
#include "io/input_file.hpp"
#include "io/links.hpp"

using namespace varnok;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  constexpr long long L = 12;
  const auto inRange = [](long long k) { return k >= 0 && k < L; };
  const std::string text(fuzz::asText(data, size));
  try {
    std::istringstream in(text);
    for (const auto& link : io::readLinks(in, "links.txt", L))
      if (!inRange(link.from) || !inRange(link.to) || link.from == link.to) std::abort();
  } catch (const io::DataFileError&) {
  }
  try {
    std::istringstream in(text);
    for (const auto& s : io::readSliders(in, "sliders.txt", L))
      if (!inRange(s.before) || !inRange(s.point) || !inRange(s.after) || s.point == s.before ||
          s.point == s.after)
        std::abort();
  } catch (const io::DataFileError&) {
  }
  return 0;
}

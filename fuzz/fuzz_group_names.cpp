// Group names files: the reader, then a legend of the names drawn and
// written as plot data, which both need valid UTF-8.
#include <cstdlib>

#include "fuzz_support.hpp"
#include "io/group_names.hpp"
#include "platform/graphics/plot_data.hpp"
#include "platform/graphics/render.hpp"
#include "platform/matrix/text.hpp"

using namespace varnok;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::string> names;
  try {
    names = io::parseGroupNames(fuzz::asText(data, size), "names.txt");
  } catch (const io::DataFileError&) {
    return 0;
  }
  graphics::Figure fig;
  graphics::Axes& ax = fig.axes();
  ax.hold(true);
  std::vector<graphics::LegendEntry> entries;
  for (std::size_t k = 0; k < names.size() && k < 8; ++k) {
    if (!isUtf8(names[k]) || names[k].size() > io::kMaxGroupNameBytes) std::abort();
    const double at = static_cast<double>(k);
    graphics::Line& line = ax.plot(std::vector<double>{at}, std::vector<double>{at}, "ko");
    entries.push_back({names[k], line.handle(), static_cast<double>(k + 1)});
  }
  ax.setLegend(entries);
  // The legend stays inside a small picture, and both files can be made.
  if (const auto box = graphics::legendBox(fig, 160, 120)) {
    const auto frame = graphics::plotBox(fig, 160, 120);
    if ((*box)[0] < frame[0] || (*box)[0] + (*box)[2] > frame[0] + frame[2] + 1e-6) std::abort();
  }
  (void)graphics::renderPicture(fig, graphics::PictureFormat::Png, 160, 120);
  (void)graphics::plotDataJson(fig);
  return 0;
}

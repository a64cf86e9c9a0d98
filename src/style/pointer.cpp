#include "style/pointer.hpp"

#include <limits>

namespace varnok::style {

Mat fishPointer() {
  static const char* rows[16] = {
      "................", ".......B........", "......BWB......B", ".....BWWB.....BB",
      "...BBBBBBB...BWB", "..BWWWWWWWB.BWWB", ".BWWBWWWWWWBWWWB", "BBBBWWWWWWWWWWWB",
      "....BWWWWWWWWWWB", "BBBBWWWWWWWB.WWB", ".BWWWWWWWWWBBWWB", "..BWWWWWWWB..BWB",
      "...BBBBBBB....BB", ".....BWWB......B", "......BWB.......", ".......BB......."};
  Mat m(16, 16);
  for (int r = 0; r < 16; ++r)
    for (int c = 0; c < 16; ++c) {
      char p = rows[r][c];
      m(r, c) = p == 'B' ? 1.0 : p == 'W' ? 2.0 : std::numeric_limits<double>::quiet_NaN();
    }
  return m;
}

void spiffyfish(graphics::Figure& fig) {
  fig.pointer = "custom";
  fig.pointerShapeCData = fishPointer();
  fig.touch();
}

void boringcursor(graphics::Figure& fig) {
  fig.pointer = "arrow";
  fig.touch();
}

}  // namespace varnok::style

#include <cairo.h>
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "platform/graphics/cairo_backend.hpp"
#include "platform/graphics/graphics.hpp"
#include "platform/graphics/render.hpp"
#include "platform/graphics/text_metrics.hpp"
#include "platform/graphics/visit.hpp"

namespace varnok::graphics {
namespace {

// The room for the vertical axis's tick labels is measured as they are drawn,
// minus sign and all, with the axes font's nominal advances.
TEST(TextMeasure, NominalAdvancesOfTickLabels) {
  const NominalAxesFont m;
  EXPECT_DOUBLE_EQ(m.advance(tickLabelText(-1.5, TickStep{5, -1}, 0)), 11.2 + 8.5 + 4.2 + 8.5);
  EXPECT_DOUBLE_EQ(m.advance("10"), 17);
  EXPECT_DOUBLE_EQ(widestAdvance({"1", "-0.25", "100"}, m), 11.2 + 8.5 + 4.2 + 8.5 + 8.5);
  EXPECT_DOUBLE_EQ(widestAdvance({}, m), 0);
  EXPECT_EQ(tickLabelText(2, TickStep{1, 0}, 0), "2");
}

TEST(TextMeasure, CleanTextKeepsUtf8AndTakesOtherBytesAsLatin1) {
  EXPECT_EQ(cleanText("a\tb\x01"), "a b");
  EXPECT_EQ(cleanText("\xc3\xa9"), "\xc3\xa9");
  EXPECT_EQ(cleanText("\xe9"), "\xc3\xa9");
}

// With a y-axis title the left room follows the widest tick label; the
// glyphs the renderer draws (here hinted to whole pixels) come within half a
// pixel a character of the nominal advances.
TEST(TextMeasure, NominalAndDrawnTickLabelsAgree) {
  const auto b = CairoBackend::scratch();
  b->selectFont("DejaVu Sans", 10 * kPixelsPerPoint);
  const NominalAxesFont nominal;
  for (const auto& [label, chars] :
       std::vector<std::pair<std::string, int>>{{"0.125", 5}, {"\u221210", 3}, {"2.5", 3}})
    EXPECT_NEAR(b->measure().advance(label), nominal.advance(label), 0.5 * chars) << label;
}

// Each kind of object reaches the visit for its own class.
TEST(ObjectVisitor, AcceptCallsTheVisitOfTheObjectsClass) {
  Figure fig;
  Axes& ax = fig.axes();
  ax.hold(true);
  ax.plot(std::vector<double>{0, 1}, std::vector<double>{0, 1});
  ax.text(0, 0, "a");
  ax.patch({0, 1, 1}, {0, 0, 1}, ColorSpec::of({1, 0, 0}));
  std::string kinds;
  for (const auto& o : ax.children())
    visitAs(*o, overloaded{[&](const Line&) { kinds += 'L'; }, [&](const Text&) { kinds += 'T'; },
                           [&](const Patch&) { kinds += 'P'; }});
  EXPECT_EQ(kinds, "LTP");
}

// Axes and figure properties come from tables: reading, writing, read-only
// and unknown names answer as before.
TEST(AxesAndFigureProperties, AnswerFromTheirTables) {
  Figure fig;
  Axes& ax = fig.axes();
  Mat lim(1, 2);
  lim << 0, 2;
  ax.set("xlim", lim);
  EXPECT_EQ(ax.get("XLimMode").text(), "manual");
  try {
    ax.set("xlimmode", "sideways");
    FAIL();
  } catch (const std::exception& e) {
    EXPECT_STREQ(e.what(),
                 "Bad value for the xlimmode property of the Axes class: must be one of \"auto\", "
                 "\"manual\", not \"sideways\".");
  }
  try {
    ax.set("Type", "x");
    FAIL();
  } catch (const std::exception& e) {
    EXPECT_STREQ(e.what(), "The Type property of the Axes class is read-only.");
  }
  try {
    fig.get("Colour");
    FAIL();
  } catch (const std::exception& e) {
    EXPECT_STREQ(e.what(), "There is no Colour property on the Figure class.");
  }
  fig.set("units", "inches");
  EXPECT_EQ(fig.get("Units").text(), "inches");
}

}  // namespace
}  // namespace varnok::graphics

#include "style/symbols.hpp"

#include <gtest/gtest.h>

#include "platform/matrix/runtime_error.hpp"

namespace varnok::style {
namespace {

using graphics::ColorSpec;
using graphics::Line;

class SymbolsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ax_.hold(true);
    circles_ = &ax_.plot(std::vector<double>{0, 1}, std::vector<double>{0, 1}, "ro");
    solid_ = &ax_.plot(std::vector<double>{0, 1}, std::vector<double>{1, 0}, "k-");
    label_ = &ax_.text(0.5, 0.5, "label");
  }
  graphics::Figure fig_;
  graphics::Axes& ax_ = fig_.axes();
  Line* circles_ = nullptr;
  Line* solid_ = nullptr;
  graphics::Text* label_ = nullptr;
};

TEST_F(SymbolsTest, FillTakesTheLinesOwnColour) {
  setsymbolfill(childrenOf(ax_), 1);
  EXPECT_EQ(circles_->markerFaceColor, ColorSpec::of({1, 0, 0}));
  EXPECT_EQ(solid_->markerFaceColor, ColorSpec::of({0, 0, 0}));
  setsymbolfill(childrenOf(ax_), 0);
  EXPECT_EQ(circles_->markerFaceColor, ColorSpec::none());
  EXPECT_EQ(label_->color, (graphics::Rgb{0, 0, 0}));
}

TEST_F(SymbolsTest, BlackSymbols) {
  setsymbolbw(childrenOf(ax_));
  EXPECT_EQ(circles_->markerFaceColor, ColorSpec::of({0, 0, 0}));
  EXPECT_EQ(circles_->markerEdgeColor, ColorSpec::of({0, 0, 0}));
  EXPECT_EQ(circles_->color, (graphics::Rgb{1, 0, 0}));  // the line colour stays
}

TEST_F(SymbolsTest, SizesAndWidths) {
  const double size = circles_->markerSize;
  incrementsymbolsize(childrenOf(ax_), 1);
  EXPECT_EQ(circles_->markerSize, size + 1);
  incrementsymbolsize(childrenOf(ax_), -1);
  EXPECT_EQ(circles_->markerSize, size);
  // Marker-only lines keep their width; drawn lines widen.
  const double width = circles_->lineWidth;
  incrementlinethickness(childrenOf(ax_), 0.5);
  EXPECT_EQ(circles_->lineWidth, width);
  EXPECT_EQ(solid_->lineWidth, width + 0.5);
  setlinethickness(childrenOf(ax_), 2.5);
  EXPECT_EQ(circles_->lineWidth, 2.5);
  EXPECT_EQ(solid_->lineWidth, 2.5);
}

TEST_F(SymbolsTest, RefusedValueStopsAfterEarlierChildren) {
  EXPECT_THROW(incrementsymbolsize(childrenOf(ax_), -1000), RuntimeError);
  EXPECT_GT(circles_->markerSize, 0);
}

TEST_F(SymbolsTest, HandlesResolve) {
  EXPECT_EQ(childrenOf(fig_, ax_.handle()).size(), 3u);
  EXPECT_TRUE(childrenOf(fig_, fig_.handle()).empty());
  EXPECT_TRUE(childrenOf(fig_, circles_->handle()).empty());
  EXPECT_THROW(childrenOf(fig_, 12345.5), RuntimeError);
}

// The restyling routines on points drawn in bulk leave every member as they
// leave the same points plotted one at a time, between ordinary lines.
TEST(SymbolsOnBulkPoints, EveryRoutineMatchesSinglePlots) {
  graphics::Figure bulk, single;
  const std::vector<double> xy = {0, 0, 1, 2, 2, 1, 3, 3};
  graphics::Line style;
  style.color = {0, 0.5, 0};
  style.marker = 's';
  style.lineStyle = "none";
  style.markerSize = 4;
  for (graphics::Figure* f : {&bulk, &single}) {
    f->axes().plot(std::vector<double>{0, 1}, std::vector<double>{1, 0}, "k-");
    f->axes().hold(true);
  }
  bulk.axes().plotPoints(xy, style);
  for (std::size_t i = 0; i < xy.size(); i += 2) {
    Line& l = single.axes().plot(std::vector<double>{xy[i]}, std::vector<double>{xy[i + 1]});
    l.color = style.color;
    l.marker = style.marker;
    l.lineStyle = style.lineStyle;
    l.markerSize = style.markerSize;
  }
  for (graphics::Figure* f : {&bulk, &single}) {
    f->axes().plot(std::vector<double>{0, 1}, std::vector<double>{0, 1}, "r:");
    setsymbolfill(childrenOf(f->axes()), 1);
    incrementsymbolsize(childrenOf(f->axes()), 2);
    incrementlinethickness(childrenOf(f->axes()), 1);
  }
  // Through the axes' handle too, as the menu actions call them.
  for (graphics::Figure* f : {&bulk, &single}) setsymbolbw(childrenOf(*f, f->axes().handle()));
  const Mat handles = bulk.axes().get("Children").matrix();
  ASSERT_EQ(handles, single.axes().get("Children").matrix());
  ASSERT_EQ(handles.rows(), 6);
  for (Eigen::Index i = 0; i < handles.rows(); ++i)
    for (const char* p : {"MarkerFaceColor", "MarkerEdgeColor", "MarkerSize", "LineWidth", "Color",
                          "XData", "YData"})
      EXPECT_EQ(bulk.getProperty(handles(i, 0), p).describe(),
                single.getProperty(handles(i, 0), p).describe())
          << p << " of child " << i;
  setsymbolfill(childrenOf(bulk.axes()), 0);
  EXPECT_EQ(bulk.getProperty(handles(2, 0), "MarkerFaceColor").text(), "none");
}

}  // namespace
}  // namespace varnok::style

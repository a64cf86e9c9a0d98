#include "platform/graphics/render.hpp"

#include <cairo.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>

#include "platform/graphics/graphics.hpp"
#include "platform/graphics/markers.hpp"
#include "platform/matrix/runtime_error.hpp"

namespace varnok::graphics {
namespace {

namespace fs = std::filesystem;
using V = std::vector<double>;

// A figure painted into an image surface, with pixel access.
class Picture {
 public:
  Picture(const Figure& fig, int w, int h, bool throughGroup = false)
      : w_(w), h_(h), surface_(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h)) {
    cairo_t* cr = cairo_create(surface_);
    if (throughGroup) {
      // Drawing into a group takes the path-based marker code.
      cairo_push_group(cr);
      render(fig, cr, w, h);
      cairo_pop_group_to_source(cr);
      cairo_paint(cr);
    } else {
      render(fig, cr, w, h);
    }
    status_ = cairo_status(cr);
    cairo_destroy(cr);
    cairo_surface_flush(surface_);
  }
  ~Picture() { cairo_surface_destroy(surface_); }
  Picture(const Picture&) = delete;
  Picture& operator=(const Picture&) = delete;

  cairo_status_t status() const { return status_; }
  // Channels 0..255 of the pixel containing the point (x, y).
  std::array<int, 3> at(double x, double y) const {
    const int px = static_cast<int>(x), py = static_cast<int>(y);
    const auto* row =
        cairo_image_surface_get_data(surface_) + py * cairo_image_surface_get_stride(surface_);
    const std::uint32_t v = reinterpret_cast<const std::uint32_t*>(row)[px];
    return {static_cast<int>((v >> 16) & 255), static_cast<int>((v >> 8) & 255),
            static_cast<int>(v & 255)};
  }
  bool isRed(double x, double y) const {
    const auto c = at(x, y);
    return c[0] > 200 && c[1] < 60 && c[2] < 60;
  }
  bool isWhite(double x, double y) const { return at(x, y) == std::array<int, 3>{255, 255, 255}; }
  // Bounding box [x0 y0 x1 y1] of the pixels darker than mid grey in a region.
  std::array<int, 4> darkBounds(int x0, int y0, int x1, int y1) const {
    std::array<int, 4> b = {x1, y1, x0, y0};
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x)
        if (at(x, y)[1] < 128)
          b = {std::min(b[0], x), std::min(b[1], y), std::max(b[2], x), std::max(b[3], y)};
    return b;
  }
  // Centre of the red ink in the picture.
  std::array<double, 2> redCentre() const {
    double sx = 0, sy = 0, sw = 0;
    for (int y = 0; y < h_; ++y)
      for (int x = 0; x < w_; ++x) {
        const auto c = at(x, y);
        const double wgt = std::max(0, c[0] - std::max(c[1], c[2])) / 255.0;
        sx += wgt * x, sy += wgt * y, sw += wgt;
      }
    return {sx / sw, sy / sw};
  }

 private:
  int w_, h_;
  cairo_surface_t* surface_;
  cairo_status_t status_ = CAIRO_STATUS_SUCCESS;
};

// The pixel of a data point in a picture of the given size.
std::array<double, 2> pixelOf(const Figure& fig, int w, int h, double x, double y) {
  const auto box = plotBox(fig, w, h);
  const Limits l = fig.axes().limitsFor(box[2], box[3]);
  return {box[0] + (x - l[0]) / (l[1] - l[0]) * box[2],
          box[1] + box[3] - (y - l[2]) / (l[3] - l[2]) * box[3]};
}

TEST(MarkerStyle, AutoAndNoneResolve) {
  Line l;
  l.color = {0, 0, 1};
  l.marker = 'o';
  const Rgb white = {1, 1, 1};
  MarkerStyle s = markerStyleOf(l, white);
  EXPECT_EQ(s.edge, (Rgb{0, 0, 1}));  // edge "auto": the line's colour
  EXPECT_FALSE(s.face);               // face "none"
  l.markerFaceColor = ColorSpec::autoColor();
  EXPECT_EQ(markerStyleOf(l, white).face, white);
  // The point is a dot in the edge colour; crosses have no face to fill.
  l.marker = '.';
  l.markerFaceColor = ColorSpec::of({1, 0, 0});
  s = markerStyleOf(l, white);
  EXPECT_EQ(s.face, (Rgb{0, 0, 1}));
  EXPECT_FALSE(s.edge);
  l.marker = 'x';
  EXPECT_FALSE(markerStyleOf(l, white).face);
  l.markerEdgeColor = ColorSpec::none();
  EXPECT_FALSE(markerStyleOf(l, white).paints());
}

TEST(Render, MarkersLandOnTheirDataPointsWithYUpwards) {
  Figure fig;
  Axes& ax = fig.axes();
  ax.plot(V{0.5}, V{1.5}, "rs", {"MarkerSize", 12, "MarkerFaceColor", "r"});
  ax.setLimits({0, 2, 0, 2});
  Picture pic(fig, 400, 300);
  ASSERT_EQ(pic.status(), CAIRO_STATUS_SUCCESS);
  const auto p = pixelOf(fig, 400, 300, 0.5, 1.5);
  EXPECT_TRUE(pic.isRed(p[0], p[1]));
  const auto mirror = pixelOf(fig, 400, 300, 0.5, 0.5);
  EXPECT_TRUE(pic.isWhite(mirror[0], mirror[1]));
  const auto c = pic.redCentre();
  EXPECT_NEAR(c[0], p[0], 0.6);
  EXPECT_NEAR(c[1], p[1], 0.6);
}

TEST(Render, HollowAndFilledMarkers) {
  Figure fig;
  Axes& ax = fig.axes();
  ax.hold(true);
  ax.plot(V{0.5}, V{1}, "ro", {"MarkerSize", 20, "LineWidth", 2});
  ax.plot(V{1.5}, V{1}, "ro", {"MarkerSize", 20, "MarkerFaceColor", "auto"});
  ax.plot(V{1}, V{1.5}, "ko",
          {"MarkerSize", 20, "MarkerFaceColor", "r", "MarkerEdgeColor", "none"});
  ax.setLimits({0, 2, 0, 2});
  Picture pic(fig, 400, 300);
  const auto hollow = pixelOf(fig, 400, 300, 0.5, 1);
  EXPECT_TRUE(pic.isWhite(hollow[0], hollow[1]));
  const double r = 10 * kPixelsPerPoint;  // the edge is at the radius
  EXPECT_TRUE(pic.isRed(hollow[0] + r, hollow[1]));
  const auto autoFace = pixelOf(fig, 400, 300, 1.5, 1);  // "auto" face: the axes' white
  EXPECT_TRUE(pic.isWhite(autoFace[0], autoFace[1]));
  const auto filled = pixelOf(fig, 400, 300, 1, 1.5);
  EXPECT_TRUE(pic.isRed(filled[0], filled[1]));
}

TEST(Render, ImageAndPathMarkersAgree) {
  // Every marker, filled and hollow, at awkward sub-pixel positions: the
  // sprites used on image surfaces must put the ink where paths put it.
  Figure fig;
  Axes& ax = fig.axes();
  ax.hold(true);
  for (std::size_t i = 0; i < kMarkers.size(); ++i) {
    const double x = 0.137 + 0.71 * static_cast<double>(i);
    ax.plot(V{x}, V{1.23}, std::string("r") + kMarkers[i], {"MarkerSize", 9});
    ax.plot(V{x}, V{2.71}, std::string("r") + kMarkers[i],
            {"MarkerSize", 7, "MarkerFaceColor", "r", "LineWidth", 1.5});
  }
  ax.setLimits({-0.5, 9.5, 0, 4});
  Picture stamped(fig, 500, 300);
  Picture pathed(fig, 500, 300, true);
  const auto a = stamped.redCentre(), b = pathed.redCentre();
  EXPECT_NEAR(a[0], b[0], 0.25);
  EXPECT_NEAR(a[1], b[1], 0.25);
  int differing = 0;
  for (int y = 0; y < 300; ++y)
    for (int x = 0; x < 500; ++x) {
      const auto p = stamped.at(x, y), q = pathed.at(x, y);
      for (int k = 0; k < 3; ++k) differing += std::abs(p[k] - q[k]) > 100;
    }
  EXPECT_LT(differing, 60);
}

TEST(Render, SemiTransparentMarkersLetWhatIsBelowShowThrough) {
  Figure fig;
  Axes& ax = fig.axes();
  ax.hold(true);
  Line style;
  style.color = {1, 0, 0};
  style.marker = 's';
  style.markerSize = 30;
  style.markerFaceColor = ColorSpec::of({1, 0, 0});
  style.markerEdgeColor = ColorSpec::none();
  style.markerAlpha = 0.5F;
  // One point alone, two on one another.
  ax.plotPoints({0.5, 1, 1.5, 1, 1.5, 1}, style);
  ax.setLimits({0, 2, 0, 2});
  const auto one = pixelOf(fig, 400, 300, 0.5, 1), two = pixelOf(fig, 400, 300, 1.5, 1);
  for (bool throughGroup : {false, true}) {
    Picture pic(fig, 400, 300, throughGroup);
    const auto c = pic.at(one[0], one[1]);
    EXPECT_EQ(c[0], 255) << throughGroup;
    EXPECT_NEAR(c[1], 128, 2) << throughGroup;
    EXPECT_NEAR(c[2], 128, 2) << throughGroup;
  }
  // Stamped one over the other on the screen's images, they are darker.
  Picture pic(fig, 400, 300);
  EXPECT_NEAR(pic.at(two[0], two[1])[1], 64, 3);
}

TEST(Render, LinesAreClippedToTheBoxButMarkersOnTheLimitsAreWhole) {
  Figure fig;
  Axes& ax = fig.axes();
  ax.hold(true);
  ax.plot(V{-10, 10}, V{1, 1}, "r-", {"LineWidth", 4});
  ax.plot(V{2}, V{0.5}, "rs", {"MarkerSize", 14, "MarkerFaceColor", "r"});
  ax.plot(V{2.06}, V{1.5}, "rs", {"MarkerSize", 14, "MarkerFaceColor", "r"});
  ax.setLimits({0, 2, 0, 2});
  Picture pic(fig, 400, 300);
  const auto box = plotBox(fig, 400, 300);
  const double y = pixelOf(fig, 400, 300, 0, 1)[1];
  EXPECT_TRUE(pic.isRed(box[0] + 6, y));
  EXPECT_FALSE(pic.isRed(box[0] - 6, y));  // in the margin: clipped
  // A marker on the right limit pokes out of the box...
  EXPECT_TRUE(pic.isRed(box[0] + box[2] + 4, pixelOf(fig, 400, 300, 2, 0.5)[1]));
  // ...a marker just beyond it is not drawn at all.
  EXPECT_FALSE(pic.isRed(box[0] + box[2] + 4, pixelOf(fig, 400, 300, 2, 1.5)[1]));
}

TEST(Render, PatchRingsAfterNaNAreHoles) {
  Figure fig;
  Axes& ax = fig.axes();
  ax.patch(V{0, 4, 4, 0, NAN, 1, 3, 3, 1}, V{0, 0, 4, 4, NAN, 1, 1, 3, 3},
           ColorSpec::of({1, 0, 0}));
  ax.setLimits({-1, 5, -1, 5});
  Picture pic(fig, 400, 300);
  const auto band = pixelOf(fig, 400, 300, 0.5, 2), hole = pixelOf(fig, 400, 300, 2, 2),
             outside = pixelOf(fig, 400, 300, -0.5, 2);
  EXPECT_TRUE(pic.isRed(band[0], band[1]));
  EXPECT_TRUE(pic.isWhite(hole[0], hole[1]));
  EXPECT_TRUE(pic.isWhite(outside[0], outside[1]));
}

TEST(Render, EqualUnitsLookEqualAtAnySize) {
  Figure fig;
  Axes& ax = fig.axes();
  ax.plot(V{0, 1, 1, 0, 0}, V{0, 0, 1, 1, 0}, "k-", {"LineWidth", 1});
  ax.setLimits({-1, 2, -1, 2});
  ax.axisEqual();
  for (auto [w, h] : {std::pair{600, 300}, {300, 500}}) {
    Picture pic(fig, w, h);
    const auto box = plotBox(fig, w, h);
    // Inside the box, clear of its frame and ticks.
    const auto b = pic.darkBounds(static_cast<int>(box[0]) + 12, static_cast<int>(box[1]) + 12,
                                  static_cast<int>(box[0] + box[2]) - 12,
                                  static_cast<int>(box[1] + box[3]) - 12);
    EXPECT_NEAR(b[2] - b[0], b[3] - b[1], 2) << w << " x " << h;
    EXPECT_GT(b[2] - b[0], 20);
  }
}

TEST(Render, BackgroundsTitleAndText) {
  Figure fig;
  Axes& ax = fig.axes();
  ax.setLimits({0, 16, -2, 12});
  ax.text(1, 10, "WWWW", {"Color", "r", "FontSize", 20});
  Picture plain(fig, 500, 400);
  EXPECT_EQ(plain.at(2, 2), (std::array<int, 3>{240, 240, 240}));  // figure colour 0.94
  const auto box = plotBox(fig, 500, 400);
  EXPECT_TRUE(plain.isWhite(box[0] + box[2] - 20, box[1] + box[3] / 2));
  // Left aligned at its point, centred on it vertically.
  const auto p = pixelOf(fig, 500, 400, 1, 10);
  int redRight = 0, redLeft = 0;
  for (int dy = -8; dy <= 8; ++dy) {
    for (int dx = 2; dx < 60; ++dx) redRight += plain.isRed(p[0] + dx, p[1] + dy);
    for (int dx = 3; dx < 25; ++dx) redLeft += plain.isRed(p[0] - dx, p[1] + dy);
  }
  EXPECT_GT(redRight, 30);
  EXPECT_EQ(redLeft, 0);

  const auto inkAboveBox = [&](const Picture& pic) {
    int ink = 0;
    for (int y = 2; y < static_cast<int>(box[1]) - 2; ++y)
      for (int x = static_cast<int>(box[0] + box[2] / 3); x < box[0] + 2 * box[2] / 3; ++x)
        ink += pic.at(x, y)[0] < 120;
    return ink;
  };
  EXPECT_EQ(inkAboveBox(plain), 0);
  ax.setTitle("PCA Axis 1 vs. Axis 2");
  Picture titled(fig, 500, 400);
  EXPECT_GT(inkAboveBox(titled), 20);
}

// A title longer than a small picture is wide is set smaller and kept whole
// inside it, rather than running off its right edge.
TEST(Render, ATitleLongerThanThePictureStaysInsideIt) {
  Figure fig;
  Axes& ax = fig.axes();
  ax.plot(V{0, 1}, V{0, 1}, "k-");
  // Letters without gaps between them, so that a cut shows in any column.
  ax.setTitle(std::string(20, 'M'));
  const auto box = plotBox(fig, 260, 240);
  Picture pic(fig, 260, 240);
  const auto inkInColumn = [&](int x) {
    int ink = 0;
    for (int y = 1; y < static_cast<int>(box[1]) - 2; ++y) ink += pic.at(x, y)[0] < 160;
    return ink;
  };
  int inkNearLeft = 0, inkNearRight = 0;
  for (int x = 2; x < 20; ++x) inkNearLeft += inkInColumn(x);
  for (int x = 240; x < 258; ++x) inkNearRight += inkInColumn(x);
  EXPECT_GT(inkNearLeft, 0);   // it uses the width...
  EXPECT_GT(inkNearRight, 0);  // ...on both sides of the box
  EXPECT_EQ(inkInColumn(0), 0);
  EXPECT_EQ(inkInColumn(259), 0);  // and is not cut at either edge
}

TEST(Render, TextThatIsNotUtf8DoesNotStopTheDrawing) {
  Figure fig;
  Axes& ax = fig.axes();
  ax.hold(true);
  ax.text(0.2, 1, "caf\xe9 \xff\xfe\t\r");
  ax.plot(V{1.5}, V{1}, "rs", {"MarkerSize", 12, "MarkerFaceColor", "r"});
  ax.setLimits({0, 2, 0, 2});
  Picture pic(fig, 400, 300);
  EXPECT_EQ(pic.status(), CAIRO_STATUS_SUCCESS);
  const auto p = pixelOf(fig, 400, 300, 1.5, 1);
  EXPECT_TRUE(pic.isRed(p[0], p[1]));
}

TEST(Render, PixelToDataInvertsTheMapping) {
  Figure fig;
  fig.axes().plot(V{-3, 7}, V{0.2, 0.4}, "ko");
  fig.axes().axisEqual();
  const auto box = plotBox(fig, 640, 480);
  const Limits l = fig.axes().limitsFor(box[2], box[3]);
  const auto low = pixelToData(fig, 640, 480, box[0], box[1] + box[3]);
  const auto high = pixelToData(fig, 640, 480, box[0] + box[2], box[1]);
  EXPECT_NEAR(low[0], l[0], 1e-9);
  EXPECT_NEAR(low[1], l[2], 1e-9);
  EXPECT_NEAR(high[0], l[1], 1e-9);
  EXPECT_NEAR(high[1], l[3], 1e-9);
}

TEST(Render, AnInsetTakesTheCornerWithFewestPointsAndLeavesTheLegendAlone) {
  Figure fig;
  auto& ax = fig.axes();
  // Points in the top right corner and one in the bottom left.
  ax.plot(V{0.95, 0.9, 0.92, 0.05}, V{0.95, 0.9, 0.97, 0.05}, "ko");
  ax.setLimits({0, 1, 0, 1});
  const auto box = plotBox(fig, 800, 600);
  auto corner = [&] {
    const auto r = emptiestCorner(fig, 800, 600, 200, 150, 6);
    EXPECT_EQ(r[2], 200);
    EXPECT_EQ(r[3], 150);
    const bool left = r[0] < box[0] + box[2] / 2, upper = r[1] < box[1] + box[3] / 2;
    return std::string(upper ? "top " : "bottom ") + (left ? "left" : "right");
  };
  // Top left and bottom right hide nothing: the top left comes first.
  EXPECT_EQ(corner(), "top left");
  // A legend takes the emptiest corner first; the inset goes elsewhere.
  ax.setLegend({{"points", ax.children().front()->handle(), 1}});
  const auto legend = legendBox(fig, 800, 600);
  ASSERT_TRUE(legend);
  EXPECT_LT((*legend)[0], box[0] + box[2] / 2);
  EXPECT_EQ(corner(), "bottom right");
  const auto r = emptiestCorner(fig, 800, 600, 200, 150, 6);
  EXPECT_GE(r[0], box[0] + 6 - 1e-9);
  EXPECT_LE(r[0] + r[2], box[0] + box[2] - 6 + 1e-9);
}

// ---- files ----

class PictureFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = (fs::temp_directory_path() / "varnok-graphics-XXXXXX").string();
    ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
    dir_ = tmpl;
    fig_.axes().plot(V{0.1, 0.5, 0.9}, V{0.2, 0.8, 0.4}, "ko");
    fig_.axes().hold(true);
    fig_.axes().text(0.5, 0.8, "  7");
    fig_.axes().setTitle("title");
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string path(const std::string& name) const { return (dir_ / name).string(); }
  static std::string read(const std::string& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  std::size_t filesInDir() const {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir_), {}));
  }

  fs::path dir_;
  Figure fig_;
};

TEST_F(PictureFiles, FormatFromTheExtension) {
  EXPECT_EQ(formatFromPath("a/b/plot.PNG"), PictureFormat::Png);
  EXPECT_EQ(formatFromPath("plot.svg"), PictureFormat::Svg);
  EXPECT_EQ(formatFromPath("plot.Pdf"), PictureFormat::Pdf);
  EXPECT_EQ(formatFromPath("plot.eps"), PictureFormat::Eps);
  EXPECT_EQ(formatFromPath("plot.ps"), std::nullopt);
  EXPECT_EQ(formatFromPath("plot"), std::nullopt);
  EXPECT_EQ(formatFromPath("pictures.png/plot"), std::nullopt);
}

TEST_F(PictureFiles, EachFormatIsWrittenWholeWithNothingLeftBehind) {
  const std::pair<const char*, PictureFormat> cases[] = {{"p.png", PictureFormat::Png},
                                                         {"p.svg", PictureFormat::Svg},
                                                         {"p.pdf", PictureFormat::Pdf},
                                                         {"p.eps", PictureFormat::Eps}};
  for (const auto& [name, format] : cases) savePicture(fig_, path(name), format, 400, 300);
  EXPECT_EQ(filesInDir(), 4u);

  const std::string png = read(path("p.png"));
  ASSERT_GT(png.size(), 24u);
  EXPECT_EQ(png.substr(0, 8), "\x89PNG\r\n\x1a\n");
  const auto be32 = [&](std::size_t at) {
    return (static_cast<unsigned char>(png[at]) << 24) |
           (static_cast<unsigned char>(png[at + 1]) << 16) |
           (static_cast<unsigned char>(png[at + 2]) << 8) | static_cast<unsigned char>(png[at + 3]);
  };
  EXPECT_EQ(be32(16), 800u);  // twice the pixels
  EXPECT_EQ(be32(20), 600u);

  const std::string svg = read(path("p.svg"));
  EXPECT_NE(svg.find("<svg"), std::string::npos);
  EXPECT_NE(svg.find("</svg>"), std::string::npos);
  const std::string pdf = read(path("p.pdf"));
  EXPECT_EQ(pdf.substr(0, 5), "%PDF-");
  EXPECT_NE(pdf.find("%%EOF"), std::string::npos);
  const std::string eps = read(path("p.eps"));
  EXPECT_EQ(eps.substr(0, 23), "%!PS-Adobe-3.0 EPSF-3.0");
  EXPECT_NE(eps.find("%%BoundingBox: 0 0 300 225"), std::string::npos);  // points
  EXPECT_NE(eps.find("%%EOF"), std::string::npos);
}

// Cairo numbers its SVG surfaces per process; two renderings of the same
// figure differ only there.
std::string withoutSurfaceIds(std::string svg) {
  return std::regex_replace(svg, std::regex("surface[0-9]+"), "surface");
}

TEST_F(PictureFiles, TheSavedFileHoldsTheRenderedBytes) {
  // The clipboard takes renderPicture's bytes; a saved file must be the same
  // picture.
  savePicture(fig_, path("p.png"), PictureFormat::Png, 300, 200);
  EXPECT_TRUE(read(path("p.png")) == renderPicture(fig_, PictureFormat::Png, 300, 200));
  savePicture(fig_, path("p.svg"), PictureFormat::Svg, 300, 200);
  EXPECT_TRUE(withoutSurfaceIds(read(path("p.svg"))) ==
              withoutSurfaceIds(renderPicture(fig_, PictureFormat::Svg, 300, 200)));
  EXPECT_EQ(renderPicture(fig_, PictureFormat::Pdf).substr(0, 5), "%PDF-");
  EXPECT_EQ(renderPicture(fig_, PictureFormat::Eps).substr(0, 4), "%!PS");
  EXPECT_THROW(renderPicture(fig_, PictureFormat::Png, 20000, 10), RuntimeError);
  EXPECT_THROW(renderPicture(fig_, PictureFormat::Svg, std::nan(""), 10), RuntimeError);
}

TEST_F(PictureFiles, DefaultSizeIsTheFigures) {
  fig_.set("Position", Value(Mat(Eigen::RowVector4d(0, 0, 640, 480))));
  savePicture(fig_, path("f.eps"), PictureFormat::Eps);
  EXPECT_NE(read(path("f.eps")).find("%%BoundingBox: 0 0 480 360"), std::string::npos);
}

TEST_F(PictureFiles, ReplacesAnExistingFile) {
  std::ofstream(path("p.png")) << "old contents that are not a picture";
  savePicture(fig_, path("p.png"), PictureFormat::Png, 200, 100);
  EXPECT_EQ(read(path("p.png")).substr(1, 3), "PNG");
  EXPECT_EQ(filesInDir(), 1u);
}

TEST_F(PictureFiles, UnwritablePathsThrowNamingTheFileAndTouchNothing) {
  const std::string keep = path("keep.txt");
  std::ofstream(keep) << "precious";
  // A regular file where a folder should be, and a folder that is not there.
  for (const std::string& bad : {keep + "/p.eps", path("missing/p.eps")}) {
    try {
      savePicture(fig_, bad, PictureFormat::Eps);
      ADD_FAILURE() << "wrote " << bad;
    } catch (const RuntimeError& e) {
      EXPECT_NE(std::string(e.what()).find(bad), std::string::npos) << e.what();
    }
  }
  EXPECT_EQ(read(keep), "precious");
  // A folder in the way of the file: the temporary file is cleaned up.
  fs::create_directory(path("taken.png"));
  EXPECT_THROW(savePicture(fig_, path("taken.png"), PictureFormat::Png), RuntimeError);
  // A size that cannot be drawn fails before the file is touched.
  EXPECT_THROW(savePicture(fig_, keep, PictureFormat::Png, 1e9, 10), RuntimeError);
  EXPECT_EQ(read(keep), "precious");
  EXPECT_EQ(filesInDir(), 2u);
}

}  // namespace
}  // namespace varnok::graphics

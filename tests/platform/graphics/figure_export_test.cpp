// Figures for papers: axis titles, legends, padded limits, and pictures at a
// chosen size and resolution on white, with the resolution in the PNG.
#include <cairo.h>
#include <gtest/gtest.h>

#include <cstring>

#include "platform/graphics/graphics.hpp"
#include "platform/graphics/plot_data.hpp"
#include "platform/graphics/png_meta.hpp"
#include "platform/graphics/render.hpp"
#include "platform/matrix/runtime_error.hpp"

namespace varnok::graphics {
namespace {

using V = std::vector<double>;

std::uint32_t big32(const std::string& s, std::size_t at) {
  std::uint32_t v = 0;
  for (std::size_t i = 0; i < 4; ++i) v = (v << 8) | static_cast<unsigned char>(s[at + i]);
  return v;
}

// Width and height from a PNG file's header chunk.
std::array<std::uint32_t, 2> pngSize(const std::string& png) {
  EXPECT_EQ(png.substr(12, 4), "IHDR");
  return {big32(png, 16), big32(png, 20)};
}

// A PNG file decoded into pixels.
class Decoded {
 public:
  explicit Decoded(const std::string& png) : bytes_(png) {
    surface_ = cairo_image_surface_create_from_png_stream(&Decoded::read, this);
  }
  ~Decoded() { cairo_surface_destroy(surface_); }
  Decoded(const Decoded&) = delete;
  Decoded& operator=(const Decoded&) = delete;
  int width() const { return cairo_image_surface_get_width(surface_); }
  int height() const { return cairo_image_surface_get_height(surface_); }
  std::array<int, 3> at(int x, int y) const {
    const auto* row =
        cairo_image_surface_get_data(surface_) + y * cairo_image_surface_get_stride(surface_);
    const std::uint32_t v = reinterpret_cast<const std::uint32_t*>(row)[x];
    return {static_cast<int>((v >> 16) & 255), static_cast<int>((v >> 8) & 255),
            static_cast<int>(v & 255)};
  }

 private:
  static cairo_status_t read(void* self, unsigned char* data, unsigned int length) {
    auto* d = static_cast<Decoded*>(self);
    if (d->pos_ + length > d->bytes_.size()) return CAIRO_STATUS_READ_ERROR;
    std::memcpy(data, d->bytes_.data() + d->pos_, length);
    d->pos_ += length;
    return CAIRO_STATUS_SUCCESS;
  }
  std::string bytes_;
  std::size_t pos_ = 0;
  cairo_surface_t* surface_ = nullptr;
};

// ---------------------------------------------------------------------------
// Axis titles and padded limits.

TEST(AxisTitles, ArePlotTextsClearedWithTheTitle) {
  Figure fig;
  Axes& ax = fig.axes();
  ax.plot(V{1, 2}, V{3, 4}, "ko");
  ax.setXLabel("PC 1 (46.0 %)");
  ax.set("YLabel", Value("PC 2 (16.9 %)"));
  EXPECT_EQ(ax.get("XLabel").text(), "PC 1 (46.0 %)");
  EXPECT_EQ(ax.ylabel(), "PC 2 (16.9 %)");
  EXPECT_THROW(ax.set("XLabel", Value(3.0)), RuntimeError);
  // Adding to a held plot keeps them; a new plot and cla clear them.
  ax.hold(true);
  ax.plot(V{5}, V{6}, "rx");
  EXPECT_EQ(ax.xlabel(), "PC 1 (46.0 %)");
  ax.hold(false);
  ax.plot(V{5}, V{6}, "rx");
  EXPECT_EQ(ax.xlabel(), "");
  ax.setXLabel("a");
  ax.setYLabel("b");
  ax.setLegend({{"one", 0, 1}});
  ax.setAutoMargin(0.1);
  ax.cla();
  EXPECT_EQ(ax.xlabel(), "");
  EXPECT_EQ(ax.ylabel(), "");
  EXPECT_TRUE(ax.legend().empty());
  EXPECT_EQ(ax.autoMargin(), 0);
}

TEST(AxisTitles, PaddedLimitsKeepEveryPointInsideTheFrame) {
  Figure fig;
  Axes& ax = fig.axes();
  ax.plot(V{1, 2, 3, 4, 5, 6}, V{0.5, 0.2, 0.1, 0.05, 0.02, 0.001}, "ko");
  ax.axisAuto();
  // Rounded limits put the first and last ranks on the frame.
  EXPECT_EQ(ax.limits()[1], 6);
  ax.setAutoMargin(0.05);
  const Limits l = ax.limits();
  EXPECT_NEAR(l[0], 1 - 0.25, 1e-12);
  EXPECT_NEAR(l[1], 6 + 0.25, 1e-12);
  EXPECT_LT(l[2], 0.001);
  EXPECT_GT(l[3], 0.5);
  EXPECT_EQ(ax.get("XLimMode").text(), "auto");
  // One value still gets a range around it.
  Figure one;
  one.axes().plot(V{3}, V{3}, "ko");
  one.axes().setAutoMargin(0.05);
  EXPECT_LT(one.axes().limits()[0], 3);
  EXPECT_GT(one.axes().limits()[1], 3);
  EXPECT_THROW(ax.setAutoMargin(-0.1), RuntimeError);
  EXPECT_THROW(ax.setAutoMargin(std::nan("")), RuntimeError);
}

TEST(AxisTitles, SmallFiguresKeepRoomForTicksAndTitles) {
  Figure fig;
  Axes& ax = fig.axes();
  ax.plot(V{-0.05, 0.05}, V{-0.0015, 0.0015}, "ko");
  // 85 x 60 mm: the fractions of the position alone leave 29 pixels left.
  const double w = 321, h = 227;
  EXPECT_NEAR(ax.boxPx(w, h)[0], 45, 1e-9);
  ax.setYLabel("Eigenvalue");
  ax.setXLabel("Principal axis");
  const auto box = ax.boxPx(w, h);
  // Tick labels such as "-0.0015" (about 52 pixels), a gap and the title.
  EXPECT_GT(box[0], 52 + 14 + 17);
  EXPECT_GE(box[1], 44);
  // A large figure keeps the fractions of its position.
  EXPECT_NEAR(ax.boxPx(1400, 800)[0], 126, 1e-9);
  // setBoxSize still gives exactly the box asked for.
  for (auto [bw, bh] : {std::pair{200.0, 150.0}, {880.0, 595.0}}) {
    ax.setBoxSize(bw, bh);
    EXPECT_NEAR(ax.boxWidth(), bw, 1e-6);
    EXPECT_NEAR(ax.boxHeight(), bh, 1e-6);
  }
}

// ---------------------------------------------------------------------------
// Legends.

TEST(Legend, SitsInTheCornerThatHidesTheFewestPoints) {
  Figure fig;
  fig.position = {0, 0, 600, 450};
  Axes& ax = fig.axes();
  ax.hold(true);
  // Points crowd the top right; the bottom left is empty.
  V x, y;
  for (int i = 0; i < 10; ++i)
    for (int j = 0; j < 10; ++j) {
      x.push_back(5 + 0.5 * i), y.push_back(5 + 0.5 * j);
      if (i < 5) x.push_back(0.5 * i), y.push_back(5 + 0.5 * j);  // top left
      if (j < 5) x.push_back(5 + 0.5 * i), y.push_back(0.5 * j);  // bottom right
    }
  Line& a = ax.plot(x, y, "ko");
  Line& b = ax.plot(V{0.1}, V{9.9}, "rx");
  ax.setLimits({0, 10, 0, 10});
  ax.setLegend({{"Female", a.handle(), 1}, {"Male", b.handle(), 2}});
  const auto box = legendBox(fig, 600, 450);
  ASSERT_TRUE(box);
  const auto frame = plotBox(fig, 600, 450);
  EXPECT_LT((*box)[0], frame[0] + frame[2] / 2);  // left
  EXPECT_GT((*box)[1], frame[1] + frame[3] / 2);  // bottom
  EXPECT_GT((*box)[2], 10);
  EXPECT_GT((*box)[3], 2 * 10);  // two rows
  // Its entries are not children of the axes.
  EXPECT_EQ(ax.childCount(), 2u);
  // An entry whose line is gone is not shown; with none left, no legend.
  ax.remove(a.handle());
  ax.remove(b.handle());
  EXPECT_FALSE(legendBox(fig, 600, 450));
}

TEST(Legend, LongNamesAreShortenedToStayInsideThePicture) {
  // A name of 120 characters made the legend wider than the plot, and it
  // fell outside the picture.
  Figure fig;
  Axes& ax = fig.axes();
  ax.hold(true);
  Line& a = ax.plot(V{1}, V{1}, "ko");
  Line& b = ax.plot(V{2}, V{2}, "rx");
  std::string longName;
  for (int i = 0; i < 24; ++i) longName += "W\xC3\xA4rme";  // 120 characters, 144 bytes
  ax.setLegend({{longName, a.handle(), 1}, {"Male", b.handle(), 2}});
  for (const auto& [w, h] : {std::pair{600.0, 450.0}, {300.0, 200.0}, {160.0, 120.0}}) {
    const auto box = legendBox(fig, w, h);
    ASSERT_TRUE(box);
    const auto frame = plotBox(fig, w, h);
    EXPECT_GE((*box)[0], frame[0]) << w;
    EXPECT_LE((*box)[0] + (*box)[2], frame[0] + frame[2] + 1e-9) << w;
  }
  // The picture is drawn with it, and the plot data keep the whole name.
  EXPECT_NO_THROW(renderPicture(fig, PictureFormat::Png, 300, 200));
  EXPECT_NE(plotDataJson(fig).find(longName), std::string::npos);
}

TEST(Legend, NamesCairoWouldRefuseAreDrawnWithAReplacementCharacter) {
  // U+FFFF and U+FDD0 are well-formed UTF-8 but no characters; a lone
  // continuation byte is not UTF-8 at all. None may fail the picture.
  for (const std::string name : {"\xEF\xBF\xBFM", "a\xEF\xB7\x90", "b\x80", "\xF4\x8F\xBF\xBF"}) {
    Figure fig;
    Axes& ax = fig.axes();
    Line& a = ax.plot(V{1}, V{1}, "ko");
    ax.setLegend({{name, a.handle(), 1}});
    ax.setTitle(name);
    EXPECT_NO_THROW(renderPicture(fig, PictureFormat::Png, 300, 200)) << name;
    EXPECT_NO_THROW(renderPicture(fig, PictureFormat::Svg, 300, 200)) << name;
  }
}

TEST(Legend, ShowsTheMarkerAsItIsDrawnNow) {
  Figure fig;
  Axes& ax = fig.axes();
  ax.hold(true);
  Line style;
  style.marker = 's';
  style.color = {1, 0, 0};
  const Handle first = ax.plotPoints({1, 1, 2, 2, 3, 3}, style);
  ax.setLegend({{"Group 1", first + 1, 1}});
  // Restyling the group (as the symbol menus do) changes the legend too.
  for (Object* o : ax.restyleTargets()) o->set("MarkerFaceColor", Value("r"));
  const std::string json = plotDataJson(fig);
  EXPECT_NE(json.find("\"legend\": [\n      {\"label\": \"Group 1\", \"group\": 1, \"handle\": " +
                      std::to_string(static_cast<int>(first + 1)) +
                      ", \"marker\": \"s\", \"markerSize\": 6, \"color\": [1, 0, 0], "
                      "\"markerFaceColor\": [1, 0, 0], \"markerEdgeColor\": \"auto\"}"),
            std::string::npos)
      << json;
  EXPECT_NE(json.find("\"xlabel\": \"\""), std::string::npos);
}

// ---------------------------------------------------------------------------
// PNG resolution.

TEST(PngResolution, ChunkBytesAndCrc) {
  // Check values of the PNG CRC: the empty IEND chunk's is in every file.
  EXPECT_EQ(pngCrc32("IEND"), 0xAE426082u);
  EXPECT_EQ(pngCrc32("123456789"), 0xCBF43926u);
  EXPECT_EQ(pixelsPerMetre(300), 11811u);
  EXPECT_EQ(pixelsPerMetre(96), 3780u);
  const std::string expected(
      "\x00\x00\x00\x09pHYs\x00\x00\x2e\x23\x00\x00\x2e\x23\x01\x78\xa5\x3f\x76", 21);
  EXPECT_EQ(pngPhysChunk(300), expected);
}

TEST(PngResolution, GoesAfterTheHeaderAndReplacesAnOldOne) {
  Figure fig;
  fig.axes().plot(V{0, 1}, V{0, 1}, "k-");
  const std::string png = renderPicture(fig, PictureFormat::Png, 100, 80);
  // Rendered pictures state their resolution right after the header.
  EXPECT_EQ(png.substr(33, 21), pngPhysChunk(192));
  EXPECT_NEAR(pngResolution(png), 192, 0.01);
  const std::string again = withPngResolution(png, 600);
  EXPECT_EQ(again.size(), png.size());
  EXPECT_EQ(again.substr(33, 21), pngPhysChunk(600));
  EXPECT_EQ(again.find("pHYs"), again.rfind("pHYs"));
  EXPECT_NEAR(pngResolution(again), 600, 0.01);
  // Still an image of the same pixels.
  Decoded a(png), b(again);
  EXPECT_EQ(a.width(), b.width());
  EXPECT_EQ(a.at(50, 40), b.at(50, 40));
  EXPECT_THROW(withPngResolution("GIF89a....", 300), RuntimeError);
  EXPECT_THROW(withPngResolution(png, 0), RuntimeError);
  EXPECT_EQ(pngResolution("not a png"), 0);
}

// ---------------------------------------------------------------------------
// Pictures at a chosen size.

TEST(ExportSize, PixelsAndPagesOfTheChosenSize) {
  Figure fig;
  fig.axes().plot(V{0, 1}, V{0, 1}, "ko");
  const ExportOptions mm300{PictureSize{85, 60, SizeUnit::Millimetres}, 300};
  const std::string png = renderPicture(fig, PictureFormat::Png, mm300);
  EXPECT_EQ(pngSize(png), (std::array<std::uint32_t, 2>{1004, 709}));
  EXPECT_NEAR(pngResolution(png), 300, 0.01);
  // Millimetres default to 300 dpi, pixels to 96.
  EXPECT_EQ(pngSize(renderPicture(fig, PictureFormat::Png,
                                  ExportOptions{PictureSize{85, 60, SizeUnit::Millimetres}, {}})),
            (std::array<std::uint32_t, 2>{1004, 709}));
  const std::string px =
      renderPicture(fig, PictureFormat::Png, ExportOptions{PictureSize{1200, 900}, {}});
  EXPECT_EQ(pngSize(px), (std::array<std::uint32_t, 2>{1200, 900}));
  EXPECT_NEAR(pngResolution(px), 96, 0.02);  // 3780 pixels a metre
  // Vector files get the page size in points: 85 mm = 240.94 pt.
  const std::string svg = renderPicture(fig, PictureFormat::Svg, mm300);
  EXPECT_NE(svg.find("width=\"240.94"), std::string::npos) << svg.substr(0, 300);
  EXPECT_NE(svg.find("height=\"170.07"), std::string::npos);
  const std::string eps = renderPicture(fig, PictureFormat::Eps, mm300);
  EXPECT_NE(eps.find("%%BoundingBox: 0 0 241 171"), std::string::npos) << eps.substr(0, 300);
}

TEST(ExportSize, TheLayoutIsThePrintedSizeWhateverTheResolution) {
  Figure fig;
  fig.axes().plot(V{0, 1}, V{0, 1}, "ko");
  const auto at = [&](double dpi) {
    return exportLayout(fig, PictureFormat::Png,
                        ExportOptions{PictureSize{85, 60, SizeUnit::Millimetres}, dpi});
  };
  const ExportLayout low = at(150), high = at(600);
  // The same figure in screen pixels (85 mm at 96 per inch), with four times
  // the pixels at four times the resolution.
  EXPECT_NEAR(low.width, 85 / 25.4 * 96, 0.5);
  EXPECT_NEAR(high.width, 85 / 25.4 * 96, 0.2);
  EXPECT_EQ(high.pixelWidth, 2008);
  EXPECT_NEAR(high.pixelWidth, 4.0 * low.pixelWidth, 2);
  // A size in pixels is laid out smaller at a higher resolution: the same
  // pixels print smaller.
  const auto px = [&](double dpi) {
    return exportLayout(fig, PictureFormat::Png, ExportOptions{PictureSize{1200, 900}, dpi});
  };
  EXPECT_NEAR(px(96).width, 1200, 1e-9);
  EXPECT_NEAR(px(300).width, 1200 * 96 / 300.0, 1e-9);
  EXPECT_EQ(px(300).pixelWidth, 1200);
}

TEST(ExportSize, SizesAndResolutionsThatCannotBeDrawnAreRefused) {
  Figure fig;
  const auto refuse = [&](ExportOptions o, PictureFormat f, const char* says) {
    try {
      renderPicture(fig, f, o);
      ADD_FAILURE() << "not refused: " << says;
    } catch (const RuntimeError& e) {
      EXPECT_NE(std::string(e.what()).find(says), std::string::npos) << e.what();
    }
  };
  refuse({PictureSize{85, 60, SizeUnit::Millimetres}, 5}, PictureFormat::Png, "resolution 5 dpi");
  refuse({PictureSize{85, 60, SizeUnit::Millimetres}, 1e6}, PictureFormat::Pdf, "resolution");
  refuse({PictureSize{0, 60, SizeUnit::Millimetres}, {}}, PictureFormat::Png, "positive");
  refuse({PictureSize{std::nan(""), 60}, {}}, PictureFormat::Svg, "positive");
  refuse({PictureSize{1000, 600, SizeUnit::Millimetres}, 2400}, PictureFormat::Png, "too large");
  refuse({PictureSize{30000, 10}, {}}, PictureFormat::Png, "20000");
  refuse({PictureSize{1, 1, SizeUnit::Millimetres}, {}}, PictureFormat::Eps, "mm");
  // The same large page is fine as a vector file.
  EXPECT_NO_THROW(renderPicture(
      fig, PictureFormat::Pdf, ExportOptions{PictureSize{1000, 600, SizeUnit::Millimetres}, 2400}));
}

TEST(ExportSize, TheLimitsAreTheOnesTheMessagesQuote) {
  // Sizes the messages allow were refused (16001 to 20000 pixels, as
  // "20000.000000"), and sizes they forbid were drawn (4200 mm).
  Figure fig;
  const auto refusal = [&](const PictureSize& size, PictureFormat f) -> std::string {
    try {
      exportLayout(fig, f, ExportOptions{size, {}});
    } catch (const RuntimeError& e) {
      return e.what();
    }
    return "";
  };
  EXPECT_EQ(refusal({20000, 100}, PictureFormat::Png), "");
  EXPECT_EQ(refusal({20000, 20000}, PictureFormat::Svg), "");
  EXPECT_EQ(refusal({4000, 2, SizeUnit::Millimetres}, PictureFormat::Pdf), "");
  EXPECT_EQ(refusal({20001, 100}, PictureFormat::Png),
            "Cannot draw the picture: the picture size 20001 x 100 pixels is not between 1 and "
            "20000 pixels a side.");
  EXPECT_EQ(refusal({20001, 100}, PictureFormat::Eps), refusal({20001, 100}, PictureFormat::Png));
  EXPECT_EQ(refusal({4200, 100, SizeUnit::Millimetres}, PictureFormat::Svg),
            "Cannot draw the picture: the picture size 4200 x 100 mm is not between 2 and 4000 mm "
            "a side.");
  EXPECT_NE(refusal({15000, 15000}, PictureFormat::Png)
                .find("at most 20000 pixels a side and 150 million pixels"),
            std::string::npos);
}

TEST(ExportSize, ExportedPicturesAreWhiteWhereTheScreenIsGrey) {
  Figure fig;
  fig.color = {0.94, 0.94, 0.94};
  fig.axes().plot(V{0, 1}, V{0, 1}, "ko");
  Decoded png(renderPicture(fig, PictureFormat::Png,
                            ExportOptions{PictureSize{60, 40, SizeUnit::Millimetres}, 150}));
  for (auto [x, y] : {std::pair{0, 0}, {png.width() - 1, png.height() - 1}, {2, png.height() / 2}})
    EXPECT_EQ(png.at(x, y), (std::array<int, 3>{255, 255, 255})) << x << "," << y;
  // The screen keeps the figure's colour.
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 50, 40);
  cairo_t* cr = cairo_create(s);
  render(fig, cr, 50, 40);
  cairo_destroy(cr);
  cairo_surface_flush(s);
  const std::uint32_t corner =
      *reinterpret_cast<const std::uint32_t*>(cairo_image_surface_get_data(s));
  EXPECT_EQ((corner >> 8) & 255, 240u);
  cairo_surface_destroy(s);
}

TEST(ExportSize, SizesAsScriptsWriteThem) {
  std::string why;
  EXPECT_EQ(parsePictureSize("85x60mm", &why), (PictureSize{85, 60, SizeUnit::Millimetres}));
  EXPECT_EQ(parsePictureSize("85.5X60.25MM", &why),
            (PictureSize{85.5, 60.25, SizeUnit::Millimetres}));
  EXPECT_EQ(parsePictureSize("1200x900", &why), (PictureSize{1200, 900, SizeUnit::Pixels}));
  EXPECT_EQ(parsePictureSize("1200x900px", &why), (PictureSize{1200, 900, SizeUnit::Pixels}));
  for (const char* bad : {"", "85", "85x", "x60", "85x60cm", "-85x60", "0x60mm", "85x60x3",
                          "85 x 60", "nanx60", "infx60mm", "85x60mmmm"}) {
    why.clear();
    EXPECT_FALSE(parsePictureSize(bad, &why)) << bad;
    EXPECT_NE(why.find("WIDTHxHEIGHT"), std::string::npos) << bad;
  }
}

}  // namespace
}  // namespace varnok::graphics

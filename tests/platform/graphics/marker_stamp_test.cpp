#include <cairo.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/graphics/marker_shapes.hpp"
#include "platform/graphics/markers.hpp"

namespace varnok::graphics {
namespace {

constexpr int kWidth = 320, kHeight = 220;
// Each position is taken by at most this many markers.
constexpr int kMostCopies = 7;
// Levels (of 255) two pictures blended in different numbers of steps may
// differ by where ink overlaps.
constexpr int kRounding = 2;

struct Mark {
  MarkerStyle style;
  double x, y;
};

// How the stamper paints: blocks of pixels on two threads (its default) or
// one pixel at a time on one thread.
enum class Painting { Fast, Plain };

// The pixels a stamper paints on white.
template <class Stamping>
std::vector<std::uint32_t> stampedPixels(Stamping&& stampAll) {
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kWidth, kHeight);
  cairo_t* cr = cairo_create(s);
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_paint(cr);
  {
    auto stamper = MarkerStamper::forContext(cr, kWidth, kHeight);
    EXPECT_NE(stamper, nullptr);
    if (stamper) stampAll(*stamper);
  }
  cairo_surface_flush(s);
  std::vector<std::uint32_t> px(static_cast<std::size_t>(kWidth) * kHeight);
  const unsigned char* data = cairo_image_surface_get_data(s);
  const int stride = cairo_image_surface_get_stride(s);
  for (int y = 0; y < kHeight; ++y)
    std::copy_n(
        reinterpret_cast<const std::uint32_t*>(data + static_cast<std::ptrdiff_t>(y) * stride),
        kWidth, px.begin() + static_cast<std::ptrdiff_t>(y) * kWidth);
  cairo_destroy(cr);
  cairo_surface_destroy(s);
  return px;
}

// The scene stamped on white, with repeats stamped once or every time.
std::vector<std::uint32_t> stampScene(const std::vector<Mark>& marks, bool repeatsOnce,
                                      Painting painting = Painting::Fast) {
  return stampedPixels([&](MarkerStamper& stamper) {
    stamper.stampRepeatsOnce(repeatsOnce);
    if (painting == Painting::Plain) {
      stamper.blendBlocks(false);
      stamper.paintOnTwoThreads(false);
    } else {
      stamper.paintOnTwoThreads(true);  // even where the machine has one core
    }
    for (const Mark& m : marks) EXPECT_TRUE(stamper.stamp(m.style, m.x, m.y));
  });
}

int channel(std::uint32_t p, int k) {
  return static_cast<int>((p >> (8 * k)) & 0xFF);
}

MarkerStyle look(char marker, std::optional<Rgb> face, std::optional<Rgb> edge, double alpha) {
  MarkerStyle st;
  st.marker = marker;
  st.sizePx = 8;
  st.lineWidthPx = 1.3;
  st.face = face;
  st.edge = edge;
  st.alpha = alpha;
  if (marker == '.') {
    st.face = face ? face : edge;
    st.edge.reset();
  }
  if (marker == 'x' || marker == '+' || marker == '*') st.face.reset();
  return st;
}

// 100,000 markers: every shape of the look in its own run, each position
// taken by up to kMostCopies markers, moved by less than an eighth of a pixel, in
// shuffled order within the run.
std::vector<Mark> denseScene(const MarkerStyle& base, std::mt19937_64& rng,
                             std::string_view shapes = kMarkers) {
  std::vector<Mark> marks;
  std::uniform_real_distribution<double> x(10, kWidth - 10), y(10, kHeight - 10), jitter(0, 0.125);
  std::uniform_int_distribution<int> copies(1, kMostCopies);
  const std::size_t perShape = 100000 / shapes.size();
  for (const char shape : shapes) {
    const MarkerStyle st = look(shape, base.face, base.edge, base.alpha);
    std::vector<Mark> run;
    while (run.size() < perShape) {
      const double px = x(rng), py = y(rng);
      for (int c = copies(rng); c > 0 && run.size() < perShape; --c)
        run.push_back({st, px + jitter(rng), py + jitter(rng)});
    }
    std::shuffle(run.begin(), run.end(), rng);
    marks.insert(marks.end(), run.begin(), run.end());
  }
  return marks;
}

TEST(MarkerStamper, RepeatsOfAnOpaqueOneColourLookOnlyLeaveRimsLighter) {
  // Both pictures hold only blends of white and the ink. Stamping a repeat
  // again can only darken a pixel the marker already covers in part, so:
  // where the picture with repeats stamped once is untouched white or full
  // ink the other is too, and elsewhere the picture with every repeat is at
  // least as dark. Blending rounds to whole levels and the two pictures
  // blend a different number of times, hence the slack of kRounding.
  std::mt19937_64 rng(24);
  const Rgb ink{0.1, 0.3, 0.8};
  const std::array<std::pair<std::optional<Rgb>, std::optional<Rgb>>, 3> looks = {
      {{std::nullopt, ink}, {ink, std::nullopt}, {ink, ink}}};
  for (const auto& [face, edge] : looks) {
    const std::vector<Mark> marks = denseScene(look('o', face, edge, 1), rng);
    const auto once = stampScene(marks, true), every = stampScene(marks, false);
    int differing = 0;
    for (std::size_t i = 0; i < once.size(); ++i) {
      if (once[i] == every[i]) continue;
      ++differing;
      for (int k = 0; k < 3; ++k) {
        const int a = channel(once[i], k), b = channel(every[i], k), white = 255;
        const int full = static_cast<int>(std::lround(255 * (k == 0   ? ink.b
                                                             : k == 1 ? ink.g
                                                                      : ink.r)));
        const std::string where = "pixel " + std::to_string(i) + " channel " + std::to_string(k);
        if (a == white) {
          ASSERT_LE(std::abs(a - b), kRounding) << where;
        } else if (std::abs(a - full) <= kRounding) {
          ASSERT_LE(std::abs(b - full), kRounding) << where;
        } else {
          ASSERT_LE(b, a + kRounding) << where;
        }
      }
    }
    // The scene is dense with repeats: some rims do differ.
    EXPECT_GT(differing, 0);
  }
}

TEST(MarkerStamper, TranslucentAndTwoColourLooksStampEveryRepeat) {
  // Repeats deepen a translucent colour, and with two colours the order of
  // faces and edges shows: such pictures stay exactly as before.
  std::mt19937_64 rng(7);
  const Rgb face{0.9, 0.2, 0.1}, edge{0, 0, 0};
  for (const MarkerStyle& st : {look('s', face, edge, 1), look('o', face, std::nullopt, 0.5)}) {
    // Crosses, plus signs, asterisks and points have one colour whatever the
    // look says.
    std::string twoColoured;
    for (const char shape : kMarkers)
      if (std::string_view(".x+*").find(shape) == std::string_view::npos) twoColoured += shape;
    const std::vector<Mark> marks =
        denseScene(st, rng, st.alpha < 1 ? kMarkers : std::string_view(twoColoured));
    EXPECT_TRUE(stampScene(marks, true) == stampScene(marks, false));
  }
}

TEST(MarkerStamper, AnotherLookInBetweenIsCoveredByTheRepeat) {
  // Red, then blue over it, then red again at the same spot: red is on top,
  // as when every marker is stamped.
  const MarkerStyle red = look('s', Rgb{1, 0, 0}, Rgb{1, 0, 0}, 1);
  const MarkerStyle blue = look('s', Rgb{0, 0, 1}, Rgb{0, 0, 1}, 1);
  std::vector<Mark> marks;
  for (int i = 0; i < 50; ++i) {
    const double x = 20 + 5.5 * i, y = 30 + 3.25 * (i % 40);
    marks.push_back({red, x, y});
    marks.push_back({blue, x + 0.01, y});
    marks.push_back({red, x + 0.02, y + 0.01});
  }
  EXPECT_TRUE(stampScene(marks, true) == stampScene(marks, false));
}

TEST(MarkerStamper, BlocksOnTwoThreadsPaintTheSamePixelsAsOneAtATime) {
  // Every shape in opaque, translucent and two-coloured looks, over the
  // whole picture and past its edges (where blocks would leave the image and
  // single pixels are blended instead), many on the same pixels and the two
  // threads' bands.
  std::mt19937_64 rng(31);
  std::uniform_real_distribution<double> x(-6, kWidth + 6), y(-6, kHeight + 6);
  const Rgb face{0.2, 0.7, 0.3}, edge{0.5, 0.1, 0.6};
  std::vector<Mark> marks;
  for (const MarkerStyle& base :
       {look('o', face, edge, 1), look('o', face, edge, 0.5), look('o', face, std::nullopt, 1),
        look('o', std::nullopt, edge, 0.3)})
    for (const char shape : kMarkers) {
      const MarkerStyle st = look(shape, base.face, base.edge, base.alpha);
      for (int i = 0; i < 1500; ++i) marks.push_back({st, x(rng), y(rng)});
    }
  std::shuffle(marks.begin(), marks.end(), rng);
  for (const bool once : {true, false})
    EXPECT_TRUE(stampScene(marks, once, Painting::Fast) == stampScene(marks, once, Painting::Plain))
        << "repeats stamped once: " << once;
}

TEST(MarkerStamper, SievingHalvesOfARunLeavesThePictureOfEveryMarkerInTurn) {
  // One opaque look of one colour: markers crowded on a few spots (most of
  // them repeats), on the quarter-pixel borders of cells, past the picture's
  // edges and nowhere at all. Each half of the run is sieved on its own and
  // what passes is stamped, first half first.
  std::mt19937_64 rng(5);
  std::normal_distribution<double> spread(0, 1.5);
  std::uniform_real_distribution<double> x(-6, kWidth + 6), y(-6, kHeight + 6);
  std::uniform_int_distribution<int> cell(0, 4 * kWidth);
  for (const MarkerStyle& st :
       {look('o', Rgb{0.2, 0.7, 0.3}, std::nullopt, 1), look('+', std::nullopt, Rgb{0, 0, 0}, 1),
        look('s', Rgb{0, 0, 1}, Rgb{0, 0, 1}, 1)}) {
    std::vector<Mark> marks;
    const std::array<std::array<double, 2>, 3> spots = {{{60, 50}, {200, 120}, {318, 5}}};
    for (int i = 0; i < 100000; ++i) {
      const auto& at = spots[static_cast<std::size_t>(i % 3)];
      marks.push_back({st, at[0] + spread(rng), at[1] + spread(rng)});
      if (i % 50 == 0) marks.push_back({st, x(rng), y(rng)});
      if (i % 97 == 0) marks.push_back({st, cell(rng) / 4.0, cell(rng) / 4.0 - 20});
    }
    marks.push_back({st, std::nan(""), 3});
    marks.push_back({st, 5, HUGE_VAL});
    marks.push_back({st, 3e7, 10});
    std::size_t passed = 0;
    const auto sieved = stampedPixels([&](MarkerStamper& stamper) {
      std::unique_ptr<RepeatSieve> sieves[2] = {stamper.repeatSieve(st), stamper.repeatSieve(st)};
      ASSERT_TRUE(sieves[0] && sieves[1]);
      const std::size_t mid = marks.size() / 2;
      for (std::size_t i = 0; i < marks.size(); ++i)
        if (sieves[i < mid ? 0 : 1]->first(marks[i].x, marks[i].y)) {
          ++passed;
          EXPECT_TRUE(stamper.stamp(st, marks[i].x, marks[i].y));
        }
    });
    EXPECT_TRUE(sieved == stampScene(marks, true)) << "marker " << st.marker;
    EXPECT_LT(passed, marks.size() / 3) << "marker " << st.marker;
  }

  // Looks whose repeats show, and a stamper told to stamp every marker,
  // have no sieve.
  stampedPixels([&](MarkerStamper& stamper) {
    EXPECT_EQ(stamper.repeatSieve(look('o', Rgb{1, 0, 0}, std::nullopt, 0.5)), nullptr);
    EXPECT_EQ(stamper.repeatSieve(look('o', Rgb{1, 0, 0}, Rgb{0, 0, 1}, 1)), nullptr);
    stamper.stampRepeatsOnce(false);
    EXPECT_EQ(stamper.repeatSieve(look('o', Rgb{1, 0, 0}, std::nullopt, 1)), nullptr);
  });
}

}  // namespace
}  // namespace varnok::graphics

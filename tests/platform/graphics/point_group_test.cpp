// Points drawn in bulk behave as the same points drawn one plot at a time.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <optional>

#include "platform/graphics/graphics.hpp"
#include "platform/graphics/plot_data.hpp"
#include "platform/graphics/render.hpp"
#include "platform/matrix/runtime_error.hpp"

namespace varnok::graphics {
namespace {

using V = std::vector<double>;

Line starStyle() {
  Line s;
  s.color = {0, 0, 1};
  s.marker = '*';
  s.lineStyle = "none";
  s.markerSize = 3;
  return s;
}

// Two figures holding the same picture: a title line, five points, a text;
// the points in bulk in one, one plot each in the other.
struct Twins {
  Figure bulk, single;
  V xy = {0, 0, 1, 2, 2, 1, 3, 3, -1, 4};
  Twins() {
    for (Figure* f : {&bulk, &single}) {
      f->axes().plot(V{0, 1}, V{1, 0}, "k-");
      f->axes().hold(true);
    }
    bulk.axes().plotPoints(xy, starStyle());
    for (std::size_t i = 0; i < xy.size(); i += 2) {
      Line& l = single.axes().plot(V{xy[i]}, V{xy[i + 1]});
      const Line s = starStyle();
      l.color = s.color;
      l.marker = s.marker;
      l.lineStyle = s.lineStyle;
      l.markerSize = s.markerSize;
    }
    for (Figure* f : {&bulk, &single}) f->axes().text(1, 1, "label");
  }
};

void expectSameHandlesAndProperties(Figure& a, Figure& b) {
  const Mat ha = a.axes().get("Children").matrix(), hb = b.axes().get("Children").matrix();
  ASSERT_EQ(ha, hb);
  for (Eigen::Index i = 0; i < ha.rows(); ++i) {
    Object* oa = a.find(ha(i, 0));
    Object* ob = b.find(hb(i, 0));
    ASSERT_NE(oa, nullptr);
    ASSERT_NE(ob, nullptr);
    EXPECT_EQ(oa->parent(), &a.axes());
    for (const std::string& p : ob->propertyNames())
      EXPECT_EQ(oa->get(p).describe(), ob->get(p).describe()) << p << " of child " << i;
  }
}

TEST(PointGroup, HandlesChildrenAndPropertiesMatchSinglePlots) {
  Twins t;
  EXPECT_EQ(t.bulk.axes().childCount(), 7u);
  EXPECT_EQ(t.bulk.axes().dataExtent(), t.single.axes().dataExtent());
  expectSameHandlesAndProperties(t.bulk, t.single);
  // The children list, as the picture's own objects, is the same too.
  ASSERT_EQ(t.bulk.axes().children().size(), 7u);
  EXPECT_EQ(t.bulk.axes().children()[3]->get("YData").scalar(), 1);
}

TEST(PointGroup, OneMemberChangesAloneAndCanBeDeleted) {
  Twins t;
  const Handle third = t.bulk.axes().get("Children").matrix()(3, 0);
  for (Figure* f : {&t.bulk, &t.single}) {
    f->setProperty(third, "MarkerSize", Value(9.0));
    EXPECT_TRUE(f->axes().remove(third + 1));
    EXPECT_FALSE(f->axes().remove(third + 1));
  }
  EXPECT_EQ(t.bulk.getProperty(third, "MarkerSize").scalar(), 9);
  EXPECT_EQ(t.bulk.getProperty(third - 1, "MarkerSize").scalar(), 3);
  expectSameHandlesAndProperties(t.bulk, t.single);
}

TEST(PointGroup, RestylingChangesEveryMember) {
  Twins t;
  for (Figure* f : {&t.bulk, &t.single})
    for (Object* o : f->axes().restyleTargets())
      if (o->type() == "line") o->set("MarkerFaceColor", o->get("Color"));
  // One entry for the whole group, in drawing order.
  EXPECT_EQ(t.bulk.axes().restyleTargets().size(), 3u);
  expectSameHandlesAndProperties(t.bulk, t.single);
}

TEST(PointGroup, DrawsTheSamePicture) {
  Twins t;
  for (Figure* f : {&t.bulk, &t.single}) f->axes().axisEqual();
  EXPECT_EQ(renderPicture(t.bulk, PictureFormat::Png, 400, 300),
            renderPicture(t.single, PictureFormat::Png, 400, 300));
}

TEST(PointGroup, PlotDataListsEveryMemberAndKeepsTheGroup) {
  Twins t;
  EXPECT_EQ(plotDataJson(t.bulk), plotDataJson(t.single));
  // Still one group: a restyling sees it once.
  EXPECT_EQ(t.bulk.axes().restyleTargets().size(), 3u);
}

// The point (x, y) in style s: in bulk in one figure, as a line of its own
// in the other.
void plotBoth(Figure& bulk, Figure& single, double x, double y, const Line& s) {
  bulk.axes().plotPoints(V{x, y}, s);
  Line& l = single.axes().plot(V{x}, V{y});
  l.color = s.color;
  l.marker = s.marker;
  l.lineStyle = s.lineStyle;
  l.markerSize = s.markerSize;
  l.markerFaceColor = s.markerFaceColor;
}

// Specimens of two group codes taking turns, one plotPoints call each: one
// group holding both styles, behaving as the single plots.
struct TakingTurns {
  Figure bulk, single;
  TakingTurns() {
    Line circles = starStyle();
    circles.marker = 'o';
    circles.color = {1, 0, 0};
    circles.markerSize = 5;
    const Line* styles[] = {&circles, nullptr};
    Line stars = starStyle();
    styles[1] = &stars;
    for (Figure* f : {&bulk, &single}) {
      f->axes().plot(V{0, 1}, V{1, 0}, "k-");
      f->axes().hold(true);
    }
    for (int i = 0; i < 7; ++i) {
      const Line& s = *styles[i % 3 == 1 ? 1 : 0];
      const double x = i, y = i * i % 5;
      plotBoth(bulk, single, x, y, s);
    }
    for (Figure* f : {&bulk, &single}) f->axes().axisEqual();
  }
};

TEST(PointGroup, StylesTakingTurnsShareOneGroup) {
  TakingTurns t;
  // The line and one entry per distinct style.
  EXPECT_EQ(t.bulk.axes().restyleTargets().size(), 3u);
  EXPECT_EQ(t.bulk.axes().childCount(), 8u);
  EXPECT_EQ(t.bulk.axes().dataExtent(), t.single.axes().dataExtent());
  EXPECT_EQ(plotDataJson(t.bulk), plotDataJson(t.single));
  EXPECT_EQ(renderPicture(t.bulk, PictureFormat::Png, 300, 200),
            renderPicture(t.single, PictureFormat::Png, 300, 200));
  // Restyling each distinct style once is restyling every member once.
  for (Figure* f : {&t.bulk, &t.single})
    for (Object* o : f->axes().restyleTargets())
      if (o->type() == "line") o->set("MarkerSize", Value(o->get("MarkerSize").scalar() + 1));
  // Hiding one style hides only its members, in the limits too.
  t.bulk.axes().restyleTargets()[2]->set("Visible", Value("off"));
  const Mat h = t.single.axes().get("Children").matrix();
  for (Eigen::Index i = 0; i < h.rows(); ++i)
    if (t.single.getProperty(h(i, 0), "Marker").text() == "*")
      t.single.setProperty(h(i, 0), "Visible", Value("off"));
  EXPECT_EQ(t.bulk.axes().dataExtent(), t.single.axes().dataExtent());
  EXPECT_EQ(renderPicture(t.bulk, PictureFormat::Png, 300, 200),
            renderPicture(t.single, PictureFormat::Png, 300, 200));
  // Deleting a member and reading the others by handle.
  for (Figure* f : {&t.bulk, &t.single}) EXPECT_TRUE(f->axes().remove(h(3, 0)));
  expectSameHandlesAndProperties(t.bulk, t.single);
}

TEST(PointGroup, OnlyPointsMadeRightAfterAGroupJoinIt) {
  Figure f;
  f.axes().hold(true);
  const Handle a = f.axes().plotPoints(V{0, 0, 1, 1}, starStyle());
  f.axes().text(0, 0, "between");
  Line other = starStyle();
  other.marker = 'o';
  const Handle b = f.axes().plotPoints(V{2, 2}, other);
  const Handle c = f.axes().plotPoints(V{3, 3}, starStyle());
  EXPECT_EQ(b, a + 3);
  EXPECT_EQ(c, b + 1);
  // The text keeps its place in the drawing order.
  const Mat h = f.axes().get("Children").matrix();
  ASSERT_EQ(h.rows(), 5);
  EXPECT_EQ(f.getProperty(h(2, 0), "Type").text(), "text");
  // Both groups' styles and the text: first group, text, the joined group.
  EXPECT_EQ(f.axes().restyleTargets().size(), 4u);
}

TEST(PointGroup, NewPlotClaAndColourOrder) {
  Figure a, b;
  a.axes().plotPoints(V{1, 1, 2, 2, 3, 3}, starStyle());
  for (int i = 0; i < 3; ++i) {
    b.axes().plot(V{1}, V{1}).marker = '*';
    b.axes().hold(true);
  }
  // Each point took a colour of the order: the next plot gets the fourth.
  a.axes().hold(true);
  EXPECT_EQ(a.axes().plot(V{0, 1}, V{0, 1}).color, b.axes().plot(V{0, 1}, V{0, 1}).color);
  // Without hold a new plot replaces the group.
  a.axes().hold(false);
  a.axes().plot(V{0, 1}, V{0, 1});
  EXPECT_EQ(a.axes().childCount(), 1u);
  a.axes().hold(true);
  a.axes().plotPoints(V{5, 5}, starStyle());
  a.axes().cla();
  EXPECT_EQ(a.axes().childCount(), 0u);
  EXPECT_EQ(a.axes().get("Children").matrix().rows(), 0);
  EXPECT_EQ(a.axes().plotPoints(V{}, starStyle()), 0);
  EXPECT_EQ(a.find(12345), nullptr);
}

// Landmark rows shared with the data instead of copied: the same members, in
// the same order, at the same positions to the bit (turned or not), as the
// turned copy the picture used to keep, in runs mixed with pairs of its own.
TEST(PointGroup, SharedLandmarkRowsBehaveAsTheirTurnedCopy) {
  const Eigen::Index N = 40, L = 6;
  auto rows = std::make_shared<Mat>(Mat::Random(N, 2 * L + 1) * 50.0);
  (*rows)(3, 0) = -0.0;
  const double theta = 0.7;
  // What turning a row means, written out.
  const auto turned = [&](Eigen::Index b, Eigen::Index e, std::optional<double> angle) {
    V xy;
    for (Eigen::Index i = b; i < e; ++i)
      for (Eigen::Index j = 0; j < L; ++j) {
        const double px = (*rows)(i, 2 * j), py = (*rows)(i, 2 * j + 1);
        if (!angle) {
          xy.insert(xy.end(), {px, py});
          continue;
        }
        const double c = std::cos(*angle), s = std::sin(*angle);
        xy.insert(xy.end(), {c * px - s * py, s * px + c * py});
      }
    return xy;
  };
  Line other = starStyle();
  other.marker = 'o';
  Figure copied, shared;
  for (Figure* f : {&copied, &shared}) {
    f->axes().hold(true);
    f->axes().plotPoints(V{1, 2, 3, 4}, starStyle());
  }
  copied.axes().plotPoints(turned(0, 15, theta), starStyle());
  copied.axes().plotPoints(V{-5, 5}, other);
  copied.axes().plotPoints(turned(15, N, std::nullopt), other);
  copied.axes().plotPoints(turned(20, 22, 0.0), starStyle());
  {
    const std::shared_ptr<const Mat> block = rows;
    shared.axes().plotPoints(PointPositions(block, 0, 15, theta), starStyle());
    shared.axes().plotPoints(V{-5, 5}, other);
    shared.axes().plotPoints(PointPositions(block, 15, N, std::nullopt), other);
    shared.axes().plotPoints(PointPositions(block, 20, 22, 0.0), starStyle());
  }
  // The picture keeps the rows it was given when the data move on.
  rows.reset();
  EXPECT_EQ(shared.axes().childCount(), 2 + 15 * L + 1 + 25 * L + 2 * L);

  std::vector<const PointGroup*> a, b;
  copied.axes().visit([](const Object&) {}, [&](const PointGroup& g) { a.push_back(&g); });
  shared.axes().visit([](const Object&) {}, [&](const PointGroup& g) { b.push_back(&g); });
  ASSERT_EQ(a.size(), 1u);
  ASSERT_EQ(b.size(), 1u);
  ASSERT_EQ(a[0]->size(), b[0]->size());
  std::size_t k = 0;
  b[0]->positions.forEach([&](double x, double y) {
    const auto [cx, cy] = a[0]->positions.at(k);
    const auto [sx, sy] = b[0]->positions.at(k);
    EXPECT_TRUE(std::signbit(x) == std::signbit(cx) && x == cx && y == cy) << "member " << k;
    EXPECT_TRUE(sx == x && sy == y) << "member " << k;
    ++k;
    return true;
  });
  EXPECT_EQ(k, a[0]->size());
  EXPECT_EQ(copied.axes().dataExtent(), shared.axes().dataExtent());
  EXPECT_EQ(plotDataJson(copied), plotDataJson(shared));
  EXPECT_EQ(renderPicture(copied, PictureFormat::Png, 400, 300),
            renderPicture(shared, PictureFormat::Png, 400, 300));
  expectSameHandlesAndProperties(copied, shared);
}

// A long run of one opaque look is sieved of its repeats on two threads
// before it is stamped; the same markers in a group of two looks go one by
// one. The pictures are the same to the bit.
TEST(PointGroup, ALongRunOfOneLookDrawsTheSameSievedAsMarkerByMarker) {
  V xy;
  for (int i = 0; i < 90000; ++i) {
    const double t = i * 0.001;
    xy.insert(xy.end(),
              {std::sin(t * 7) * (1 + (i % 13) * 0.01), std::cos(t * 3) + (i % 7) * 0.003});
  }
  Line dot = starStyle();
  dot.marker = 'o';
  dot.markerFaceColor = ColorSpec::of(Rgb{0, 0, 1});
  Line other = starStyle();
  other.color = {1, 0, 0};
  Figure sieved, oneByOne;
  for (Figure* f : {&sieved, &oneByOne}) f->axes().hold(true);
  sieved.axes().plotPoints(xy, dot);
  sieved.axes().text(-0.9, -0.9, "label");
  sieved.axes().plotPoints(V{0.5, 0.5}, other);
  oneByOne.axes().plotPoints(xy, dot);
  oneByOne.axes().plotPoints(V{0.5, 0.5}, other);
  oneByOne.axes().text(-0.9, -0.9, "label");
  std::size_t groups[2] = {0, 0};
  sieved.axes().visit([](const Object&) {}, [&](const PointGroup&) { ++groups[0]; });
  oneByOne.axes().visit([](const Object&) {}, [&](const PointGroup&) { ++groups[1]; });
  EXPECT_EQ(groups[0], 2u);
  EXPECT_EQ(groups[1], 1u);
  EXPECT_EQ(renderPicture(sieved, PictureFormat::Png, 500, 400),
            renderPicture(oneByOne, PictureFormat::Png, 500, 400));
}

// Looks taking turns at random, many markers on the same cells: a group of
// three styles draws the picture of the same markers plotted one by one. A
// long run of looks that stamp every marker (two colours) is placed on two
// threads; one of one colour is stamped marker by marker.
TEST(PointGroup, LooksTakingTurnsDrawAsTheSamePointsOneByOne) {
  for (const bool twoColours : {false, true}) {
    Line looks[3] = {starStyle(), starStyle(), starStyle()};
    looks[0].marker = 'o';
    looks[0].markerFaceColor = ColorSpec::of(twoColours ? Rgb{1, 1, 0} : Rgb{0, 0, 1});
    looks[1].marker = 's';
    looks[1].color = {1, 0, 0};
    looks[1].markerFaceColor = ColorSpec::of(twoColours ? Rgb{0, 1, 0} : Rgb{1, 0, 0});
    looks[2].color = {0, 0.5, 0};
    if (twoColours) looks[2].marker = 'd', looks[2].markerFaceColor = ColorSpec::of(Rgb{1, 1, 1});
    Figure bulk, single;
    for (Figure* f : {&bulk, &single}) f->axes().hold(true);
    unsigned state = 7;
    const auto next = [&state] { return (state = state * 1103515245u + 12345u) >> 8; };
    for (int i = 0, n = twoColours ? 140000 : 4000; i < n; ++i) {
      const Line& s = looks[next() % 3];
      const double x = (next() % 400) / 40.0, y = (next() % 300) / 40.0;
      plotBoth(bulk, single, x, y, s);
    }
    std::size_t groups = 0;
    bulk.axes().visit([](const Object&) {}, [&](const PointGroup&) { ++groups; });
    EXPECT_EQ(groups, 1u);
    EXPECT_EQ(renderPicture(bulk, PictureFormat::Png, 500, 400),
              renderPicture(single, PictureFormat::Png, 500, 400))
        << "two colours: " << twoColours;
  }
}

}  // namespace
}  // namespace varnok::graphics

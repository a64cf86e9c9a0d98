// Wireframes: links read from a file and curves of semilandmarks, drawn over
// every picture of a shape, on the gorilla skulls and an outline study.
#include "display/wireframe.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <sstream>

#include "display/showshape.hpp"
#include "display/superimposition.hpp"
#include "io/links.hpp"
#include "morpho/basereg.hpp"
#include "morpho/meth3sup.hpp"
#include "platform/graphics/plot_data.hpp"
#include "support/picture_controls.hpp"
#include "support/session_fixture.hpp"

namespace varnok::display {
namespace {

using Eigen::Index;
using graphics::Line;

constexpr Index kL = 8;  // landmarks of a gorilla skull
// A closed outline of the skull's eight landmarks and a diagonal.
constexpr const char* kLinks = "1 2\n2,3\n3\t4\n# the back\n4 5\n5 6\n6 7\n7 8\n8 1\n\n1 5\n";
constexpr Index kLinkCount = 9;
constexpr std::pair<Index, Index> kLinkPairs[kLinkCount] = {{0, 1}, {1, 2}, {2, 3}, {3, 4}, {4, 5},
                                                            {5, 6}, {6, 7}, {7, 0}, {0, 4}};

std::vector<const Line*> tagged(const graphics::Axes& ax, const std::string& tag) {
  std::vector<const Line*> out;
  for (const auto& c : ax.children())
    if (auto* l = dynamic_cast<const Line*>(c.get()); l && l->tag.str() == tag) out.push_back(l);
  return out;
}

// Each link line joins exactly the two points of xy (2 x L) that it names.
void expectLinksOn(const std::vector<const Line*>& links, const Mat& xy, double tol,
                   const std::string& what) {
  ASSERT_EQ(links.size(), static_cast<size_t>(kLinkCount)) << what;
  for (Index k = 0; k < kLinkCount; ++k) {
    const Line& l = *links[static_cast<size_t>(k)];
    const auto [a, b] = kLinkPairs[k];
    ASSERT_EQ(l.xdata().size(), 2u) << what;
    EXPECT_NEAR(l.xdata()[0], xy(0, a), tol) << what << " link " << k;
    EXPECT_NEAR(l.ydata()[0], xy(1, a), tol) << what << " link " << k;
    EXPECT_NEAR(l.xdata()[1], xy(0, b), tol) << what << " link " << k;
    EXPECT_NEAR(l.ydata()[1], xy(1, b), tol) << what << " link " << k;
  }
}

class WireframeTest : public testkit::SessionTest {
 protected:
  WireframeTest() {
    testkit::addPictureControls(win_, dir_);
    for (const char* f : {"gorilla_groups.txt", "mice.txt"})
      std::filesystem::copy_file(std::filesystem::path(VARNOK_DATA_DIR) / f, dir_ / f);
    for (const char* tag : {"LoadGroup", "NoLoadGroup", "RestrictBox", "PCALimit", "BWButton"})
      win_.add(tag);
    shell_.session().folder = testkit::folderString(dir_);
  }
  void act(const std::string& a) { shell_.runCallback("Varnoksw('" + a + "')"); }
  void analyse() {
    answer("gorilla.txt", dir_);
    act("LoadData");
    answer("gorilla_groups.txt", dir_);
    act("LoadGroupList");
  }
  void loadLinks(const std::string& name, const std::string& text) {
    std::ofstream(dir_ / name) << text;
    answer(name, dir_);
    shell_.runCallback("LoadLinks");
  }
  const graphics::Axes& ax() { return win_.figure().axes(); }
  const std::vector<window::MessageBox>& messages() { return win_.answers.messages; }
};

TEST_F(WireframeTest, BadLinksFilesAreRefusedNamingTheLineAndTheLinksKept) {
  shell_.runCallback("LoadLinks");
  ASSERT_EQ(messages().size(), 1u);
  EXPECT_EQ(messages().back().text, "Load the landmark data first: the links name its landmarks.");
  analyse();
  loadLinks("links.txt", kLinks);
  ASSERT_EQ(messages().size(), 1u);
  const auto kept = shell_.session().links;
  ASSERT_EQ(kept.size(), static_cast<size_t>(kLinkCount));
  EXPECT_EQ(kept.back(), (session::Session::Link{0, 4}));
  const std::pair<const char*, const char*> bad[] = {
      {"1 2\n2 3 4\n", "line 2 holds 3 words, but a link line holds two landmark numbers."},
      {"1 2\n\n3\n", "line 3 holds 1 word, but a link line holds two landmark numbers."},
      {"0 2\n", "line 1 holds \"0\", which is not a landmark number from 1 to 8."},
      {"1 9\n", "line 1 holds \"9\", which is not a landmark number from 1 to 8."},
      {"1 2.5\n", "line 1 holds \"2.5\", which is not a landmark number from 1 to 8."},
      {"one two\n", "line 1 holds \"one\", which is not a landmark number from 1 to 8."},
      {"3 3\n", "line 1 joins landmark 3 to itself; a link needs two different landmarks."},
  };
  for (const auto& [text, why] : bad) {
    loadLinks("bad.txt", text);
    EXPECT_EQ(messages().back().text, std::string("The file bad.txt could not be loaded: ") + why);
    EXPECT_EQ(shell_.session().links, kept) << text;
  }
  loadLinks("empty.txt", "# nothing\n\n");
  EXPECT_EQ(messages().back().text, "The file empty.txt holds no link.");
  EXPECT_EQ(shell_.session().links, kept);

  // New data of as many landmarks keeps the links; of another number not.
  answer("gorilla.txt", dir_);
  act("LoadData");
  EXPECT_EQ(shell_.session().links, kept);
  answer("mice.txt", dir_);
  act("LoadData");
  ASSERT_NE(state_.DATA->cols(), 2 * kL + 1);
  EXPECT_TRUE(shell_.session().links.empty());
}

TEST_F(WireframeTest, LinksEndAtTheirLandmarksInEverySuperimpositionAndMean) {
  analyse();
  loadLinks("links.txt", kLinks);
  win_.control("RefAngleBox").set("String", "90");
  const double t = std::numbers::pi / 2;
  const Mat& ref = state_.reference;
  act("ShowProcrustes");
  expectLinksOn(tagged(ax(), kLinkTag), pointsOfRow(turnRows(ref, t).row(0)), 1e-12, "Procrustes");
  const Mat bc = morpho::basereg(ref, 1, 5);
  act("ShowBC");
  expectLinksOn(tagged(ax(), kLinkTag), pointsOfRow(bc.row(0)), 1e-12, "baseline");
  act("ShowSBR");
  expectLinksOn(tagged(ax(), kLinkTag), pointsOfRow(morpho::meth3sup(bc).row(0)), 1e-12,
                "sliding baseline");
  // The links lie over the clouds: drawn last.
  EXPECT_EQ(ax().children().back()->tag.str(), kLinkTag);

  // Means: each mean's links in its group's colour, markers at least
  // 2.5 mm across, and a legend naming both groups.
  shell_.runCallback("Varnoksw('ShowMeans')");
  const auto means = groupMeans(*state_.DATA, state_.GLIST, state_.reference, nullptr);
  const auto links = tagged(ax(), kLinkTag);
  ASSERT_EQ(links.size(), 2u * kLinkCount);
  const graphics::Rgb colours[2] = {{0, 0, 0}, {0, 0, 1}};  // "ko", "bx"
  for (size_t g = 0; g < 2; ++g) {
    const std::vector<const Line*> mine(links.begin() + static_cast<long>(g * kLinkCount),
                                        links.begin() + static_cast<long>((g + 1) * kLinkCount));
    expectLinksOn(mine, pointsOfRow(means[g].form), 1e-12, "mean " + std::to_string(g + 1));
    for (const Line* l : mine) EXPECT_EQ(l->color, colours[g]);
  }
  ASSERT_EQ(ax().legend().size(), 2u);
  EXPECT_EQ(ax().legend()[1].label, "Group 2");
  for (const auto& c : ax().children()) {
    if (auto* l = dynamic_cast<const Line*>(c.get()); l && l->marker != 0) {
      EXPECT_GE(l->markerSize * 25.4 / 72, 2.5);
    }
  }
  // The plot data carries the links.
  EXPECT_NE(graphics::plotDataJson(win_.figure()).find("\"tag\": \"link\""), std::string::npos);
  EXPECT_TRUE(messages().empty());
}

TEST_F(WireframeTest, DeformationsDrawTheReferenceLinksGreyAndTheDeformedOnesBlack) {
  answer("gorilla.txt", dir_);
  act("LoadData");
  act("NoGroupList");
  loadLinks("links.txt", kLinks);
  const char* actions[] = {"ShowPCADeformationPS", "ShowPCADeformationBC", "ShowPCADeformationSBR"};
  for (const char* a : actions) {
    // Landmark vectors run from each reference landmark to where the spline
    // takes it, the deformed landmark: the links must end on them.
    win_.control("DeFormat").set("Value", 3.0);
    act(a);
    std::vector<const Line*> grey, black, vectors;
    for (const auto& c : ax().children()) {
      auto* l = dynamic_cast<const Line*>(c.get());
      if (l == nullptr) continue;
      if (l->tag.str() == kLinkTag)
        (l->color == kReferenceWireColor ? grey : black).push_back(l);
      else if (l->xdata().size() == 2 && l->marker == 0 && vectors.size() < 3 * kL)
        vectors.push_back(l);  // each vector is followed by its two barbs
    }
    Mat from(2, kL), to(2, kL);
    for (Index k = 0; k < kL; ++k) {
      const Line& v = *vectors.at(static_cast<size_t>(3 * k));
      from.col(k) << v.xdata()[0], v.ydata()[0];
      to.col(k) << v.xdata()[1], v.ydata()[1];
    }
    expectLinksOn(grey, from, 0, std::string(a) + " reference");
    expectLinksOn(black, to, 1e-9, std::string(a) + " deformed");
    // Every other picture type draws the same wireframe, over the picture.
    for (double type = 1; type <= 9; ++type) {
      win_.control("DeFormat").set("Value", type);
      act(a);
      // Vectors added to the picture shown (type 5) add their own wireframe
      // over the one there: the last drawn are theirs.
      const auto all = tagged(ax(), kLinkTag);
      ASSERT_GE(all.size(), 2u * kLinkCount);
      std::vector<const Line*> g, b;
      for (auto it = all.end() - 2 * kLinkCount; it != all.end(); ++it)
        ((*it)->color == kReferenceWireColor ? g : b).push_back(*it);
      expectLinksOn(g, from, 1e-12, std::string(a) + " type " + std::to_string(type));
      expectLinksOn(b, to, 1e-9, std::string(a) + " type " + std::to_string(type));
      EXPECT_EQ(ax().children().back()->tag.str(), kLinkTag);
    }
  }
  EXPECT_TRUE(messages().empty()) << messages().front().text;
}

// An outline study: four landmarks and a closed outline of twelve points.
constexpr Index kFixed = 4, kOutline = 12, kPoints = kFixed + kOutline;

std::string outlineTps(int specimens) {
  std::ostringstream t;
  t.precision(17);
  for (int s = 0; s < specimens; ++s) {
    const double a = 1.0 + 0.05 * std::sin(s), b = 0.6 + 0.04 * std::cos(2.0 * s);
    t << "LM=" << kFixed << "\n";
    for (Index k = 0; k < kFixed; ++k) {
      const double th = std::numbers::pi / 2 * static_cast<double>(k) + 0.01 * s;
      t << a * std::cos(th) << " " << b * std::sin(th) << "\n";
    }
    t << "OUTLINES=1\nPOINTS=" << kOutline << "\n";
    for (Index k = 0; k < kOutline; ++k) {
      const double th = 2 * std::numbers::pi * (static_cast<double>(k) + 0.5) / kOutline +
                        0.02 * std::sin(static_cast<double>(3 * k + s));
      t << a * std::cos(th) << " " << b * std::sin(th) << "\n";
    }
    t << "ID=E" << s + 1 << "\n";
  }
  return t.str();
}

TEST_F(WireframeTest, OutlinesAreDrawnClosedThroughTheirPointsWithSemilandmarksAsDots) {
  std::ofstream(dir_ / "ellipses.tps") << outlineTps(8);
  answer("ellipses.tps", dir_);
  act("LoadData");
  act("NoGroupList");
  ASSERT_EQ(state_.reference.cols(), 2 * kPoints + 1);
  win_.control("RefAngleBox").set("String", "0");
  const Mat bc = morpho::basereg(state_.reference, 1, 3);
  win_.control("BaseBox2").set("String", "3");
  const std::pair<const char*, Mat> shown[] = {
      {"ShowProcrustes", state_.reference}, {"ShowBC", bc}, {"ShowSBR", morpho::meth3sup(bc)}};
  for (const auto& [a, mean] : shown) {
    act(a);
    // The landmarks keep the group's symbol; the outline's points are dots.
    size_t symbols = 0, dots = 0;
    win_.figure().axes().visit([](const graphics::Object&) {},
                               [&](const graphics::PointGroup& g) {
                                 for (size_t k = 0; k < g.size(); ++k)
                                   ++(g.styleOf(k).marker == '.' ? dots : symbols);
                               });
    EXPECT_EQ(symbols, static_cast<size_t>(8 * kFixed)) << a;
    EXPECT_EQ(dots, static_cast<size_t>(8 * kOutline)) << a;
    const auto curves = tagged(ax(), kCurveTag);
    ASSERT_EQ(curves.size(), 1u) << a;
    const Line& c = *curves.front();
    ASSERT_EQ(c.xdata().size(), static_cast<size_t>(kOutline + 1)) << a;
    for (Index k = 0; k <= kOutline; ++k) {
      const Index p = kFixed + k % kOutline;
      EXPECT_NEAR(c.xdata()[static_cast<size_t>(k)], mean(0, 2 * p), 1e-12) << a << k;
      EXPECT_NEAR(c.ydata()[static_cast<size_t>(k)], mean(0, 2 * p + 1), 1e-12) << a << k;
    }
  }
  // The deformation pictures draw the outline of the reference and of the
  // deformed shape, and the reference's semilandmarks as dots.
  win_.control("BaseBox2").set("String", "3");
  act("ShowPCADeformationPS");
  EXPECT_EQ(tagged(ax(), kCurveTag).size(), 2u);
  size_t dotted = 0;
  for (const auto& c : ax().children())
    if (auto* l = dynamic_cast<const Line*>(c.get()); l && l->marker == '.')
      dotted += l->xdata().size();
  EXPECT_EQ(dotted, static_cast<size_t>(kOutline));
  EXPECT_TRUE(messages().empty()) << messages().front().text;
}

}  // namespace
}  // namespace varnok::display

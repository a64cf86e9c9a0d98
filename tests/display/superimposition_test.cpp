// The superimposition displays on the gorilla skulls (two sexes as groups),
// through the dispatcher, on an in-memory window.
#include "display/superimposition.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <set>

#include "morpho/basereg.hpp"
#include "morpho/getconsensus.hpp"
#include "morpho/getpsup.hpp"
#include "morpho/meth3sup.hpp"
#include "platform/graphics/plot_data.hpp"
#include "support/session_fixture.hpp"

namespace varnok::display {
namespace {

constexpr Eigen::Index kL = 8;  // landmarks of a gorilla skull

// Every drawn point and its style, read without expanding the point groups.
struct Drawn {
  std::vector<double> x, y;
  std::vector<const graphics::Line*> style;
  size_t groups = 0, others = 0;
};

class SuperimpositionTest : public testkit::SessionTest {
 protected:
  SuperimpositionTest() {
    for (const char* f : {"gorilla.txt", "gorilla_groups.txt", "mice.txt"})
      std::filesystem::copy_file(std::filesystem::path(VARNOK_DATA_DIR) / f, dir_ / f);
    for (const char* tag : {"FileBox", "GroupBox", "LoadReference", "XBox", "YBox", "XBoxExp",
                            "YBoxExp", "ShowBox", "VarianceBox"})
      win_.add(tag);
    win_.add("RefAngleBox").set("String", "0");
    win_.add("BaseBox1").set("String", "1");
    win_.add("BaseBox2").set("String", "5");
  }
  void analyse() {
    answer("gorilla.txt", dir_);
    act("LoadData");
    answer("gorilla_groups.txt", dir_);
    act("LoadGroupList");
  }
  void act(const std::string& a) { shell_.runCallback("Varnoksw('" + a + "')"); }
  void means(int f) { shell_.runCallback("Varnoksw('ShowMeans'," + std::to_string(f) + ")"); }
  Drawn drawn() {
    Drawn d;
    win_.figure().axes().visit([&](const graphics::Object&) { ++d.others; },
                               [&](const graphics::PointGroup& g) {
                                 ++d.groups;
                                 for (size_t k = 0; k < g.size(); ++k) {
                                   const auto [x, y] = g.positions.at(k);
                                   d.x.push_back(x);
                                   d.y.push_back(y);
                                   d.style.push_back(&g.styleOf(k));
                                 }
                               });
    return d;
  }
  // Group 1: filled red circles of size 7; group 2: hollow blue squares.
  void useTable() {
    s_.altcode = 1;
    s_.codearray = (Mat(2, 6) << 1, 0, 0, 2, 7, 1, 0, 0, 1, 6, 9, 0).finished();
  }
  const std::vector<window::MessageBox>& messages() { return win_.answers.messages; }

  session::AnalysisState& s_ = shell_.state();
};

// Point k drawn at landmark j of row i of x turned by t.
void expectPoint(const Drawn& d, size_t k, const Mat& x, Eigen::Index i, Eigen::Index j,
                 double t = 0) {
  const double px = x(i, 2 * j), py = x(i, 2 * j + 1);
  EXPECT_NEAR(d.x.at(k), std::cos(t) * px - std::sin(t) * py, 1e-12) << k;
  EXPECT_NEAR(d.y.at(k), std::sin(t) * px + std::cos(t) * py, 1e-12) << k;
}

TEST_F(SuperimpositionTest, GroupMeansAndTheCodesThatNameNoGroup) {
  analyse();
  // Specimen 1 alone as group 1, the rest group 3 (2 unused), two bad codes.
  Mat glist = Mat::Constant(59, 1, 3);
  glist(0, 0) = 1;
  glist(2, 0) = 0;
  glist(40, 0) = 1.5;
  auto m = groupMeans(*s_.DATA, glist, s_.reference, &console_);
  ASSERT_EQ(m.size(), 2u);
  EXPECT_EQ(m[0].code, 1);
  EXPECT_EQ(Mat(m[0].form), Mat(s_.DATA->row(0)));  // bit for bit
  EXPECT_EQ(m[1].code, 3);
  Mat members(56, 2 * kL + 1);
  members << s_.DATA->middleRows(1, 1), s_.DATA->middleRows(3, 37), s_.DATA->bottomRows(18);
  Mat expected = morpho::getpsup(Mat(morpho::getconsensus(members).y), s_.reference);
  EXPECT_LT((Mat(m[1].form) - expected).cwiseAbs().maxCoeff(), 1e-14);
  EXPECT_NE(console_.kept().find("Error caught in GLIST loop\ni = 3\nN = 59\nGLIST(i) = 0\n"
                                 "size(ngmember, 1) = 1\nsize(ngmember, 2) = 3\n"),
            std::string::npos);
  EXPECT_NE(console_.kept().find("i = 41\nN = 59\nGLIST(i) = 1.5\n"), std::string::npos);
}

TEST_F(SuperimpositionTest, MeansAreHollowUnturnedAndRegisteredOnRequest) {
  analyse();
  win_.control("RefAngleBox").set("String", "90");
  act("ShowMeans");  // no second argument: Procrustes means
  Drawn d = drawn();
  auto m = groupMeans(*s_.DATA, s_.GLIST, s_.reference, nullptr);
  ASSERT_EQ(d.x.size(), 2u * kL);
  for (Eigen::Index j = 0; j < kL; ++j) expectPoint(d, kL + j, Mat(m[1].form), 0, j);
  EXPECT_EQ(d.style[kL]->marker, 'x');
  for (const auto* l : d.style) EXPECT_EQ(l->markerFaceColor, graphics::ColorSpec::none());
  means(1);  // baseline 1-5: landmark 1 at (0,0), landmark 5 at (1,0)
  d = drawn();
  for (size_t k : {size_t{0}, size_t{kL}}) {
    EXPECT_NEAR(std::hypot(d.x[k], d.y[k]) + std::hypot(d.x[k + 4] - 1, d.y[k + 4]), 0, 1e-12);
  }
  means(2);  // sliding: baseline on the x axis, centroid on the y axis
  d = drawn();
  double cx = 0;
  for (Eigen::Index j = 0; j < kL; ++j) cx += d.x[j];
  EXPECT_NEAR(cx, 0, 1e-12);
  EXPECT_NEAR(d.y[0], d.y[4], 1e-12);
  EXPECT_TRUE(messages().empty());
}

TEST_F(SuperimpositionTest, TurningAndFillFollowTheSymbolSource) {
  analyse();
  win_.control("RefAngleBox").set("String", "90");
  const double t = M_PI / 2;
  const Mat bc = morpho::basereg(*s_.DATA, 1, 5), sbr = morpho::meth3sup(bc);
  const Mat* shown[] = {&*s_.DATA, &bc, &sbr};
  const char* actions[] = {"ShowProcrustes", "ShowBC", "ShowSBR"};
  for (int table = 0; table < 2; ++table) {
    if (table == 1) useTable();
    for (int a = 0; a < 3; ++a) {
      act(actions[a]);
      Drawn d = drawn();
      ASSERT_EQ(d.x.size(), 59u * kL) << actions[a];
      // Procrustes is always turned, the registrations only with a table.
      const double turn = (a == 0 || table == 1) ? t : 0;
      expectPoint(d, 3, *shown[a], 0, 3, turn);
      expectPoint(d, 58 * kL + 7, *shown[a], 58, 7, turn);
      for (const auto* l : d.style) {
        const bool hollow = table == 1 && l->marker == 's';
        EXPECT_EQ(l->markerFaceColor,
                  hollow ? graphics::ColorSpec::none() : graphics::ColorSpec::of(l->color));
      }
      EXPECT_EQ(d.style.back()->marker, table == 1 ? 's' : 'x');
    }
  }
  EXPECT_TRUE(messages().empty());
}

TEST_F(SuperimpositionTest, RefusalsLeaveThePictureAndTheAnalysisAsTheyWere) {
  const char* all[] = {"ShowProcrustes", "ShowBC", "ShowSBR", "ShowMeans"};
  for (const char* a : all) act(a);
  answer("mice.txt", dir_);
  act("LoadData");
  act("ShowMeans");
  analyse();
  answer("mice.txt", dir_);
  act("LoadData");
  act("ShowProcrustes");  // the gorilla groups do not fit the mice
  ASSERT_EQ(messages().size(), 6u);
  EXPECT_EQ(messages()[3].text, "Load a data file first");
  EXPECT_EQ(messages()[4].text, "Run the analysis first");
  EXPECT_EQ(messages()[5].text, "Run the analysis first");
  win_.answers.messages.clear();

  analyse();
  act("ShowProcrustes");
  const std::string before = graphics::plotDataJson(win_.figure());
  auto refused = [&](const std::string& run, const std::string& mentions) {
    const Mat data = *s_.DATA, glist = s_.GLIST, reference = s_.reference;
    run.front() == '#' ? means(run[1] - '0') : act(run);
    ASSERT_EQ(messages().size(), 1u) << run << " " << mentions;
    EXPECT_NE(messages()[0].text.find(mentions), std::string::npos) << messages()[0].text;
    EXPECT_TRUE(graphics::plotDataJson(win_.figure()) == before) << run;
    EXPECT_TRUE((*s_.DATA) == data && s_.GLIST == glist && s_.reference == reference);
    win_.answers.messages.clear();
  };
  auto box = [&](const char* tag, const char* text) { win_.control(tag).set("String", text); };
  box("BaseBox1", "0");
  refused("ShowBC", "The first baseline landmark is \"0\"");
  box("BaseBox1", "1"), box("BaseBox2", "9");
  refused("ShowSBR", "from 1 to 8");
  box("BaseBox2", "two");
  refused("#1", "The second baseline landmark is \"two\"");
  box("BaseBox2", "1");
  refused("ShowSBR", "two different landmarks");
  box("BaseBox2", "5");

  const Mat glist = s_.GLIST;
  s_.GLIST(30, 0) = 25;
  for (const char* a : all) refused(a, "group code 25");
  s_.GLIST(30, 0) = -1;
  refused("ShowBC", "Specimen 31");
  useTable();
  s_.GLIST = glist;
  s_.GLIST(0, 0) = 3;
  refused("#0", "1 to 2 (the rows of the symbol code table");
  s_.GLIST = glist;
  s_.codearray(1, 3) = 14;
  refused("ShowProcrustes", "marker 14");
  s_.codearray(1, 3) = 6;
  box("RefAngleBox", "north");
  refused("ShowSBR", "The reference angle box holds \"north\"");
  // Procrustes means without a table use no angle and no baseline.
  s_.altcode = 0;
  box("BaseBox1", "x");
  means(0);
  EXPECT_TRUE(messages().empty());
}

TEST_F(SuperimpositionTest, ManySpecimensInRunsOfAlternatingGroupsDrawOneGroupOfPoints) {
  analyse();
  const Eigen::Index N = 100000;  // runs of 1,000 of alternating groups
  Mat data(N, 2 * kL + 1), glist(N, 1);
  for (Eigen::Index i = 0; i < N; ++i) {
    data.row(i) = s_.DATA->row(i % 59);
    glist(i, 0) = 1 + static_cast<double>((i / 1000) % 2);
  }
  s_.DATA = data;
  s_.GLIST = glist;
  for (const char* a : {"ShowProcrustes", "ShowSBR"}) {
    act(a);
    Drawn d = drawn();
    // The runs follow one another, so they make one group holding both
    // groups' styles once each.
    EXPECT_EQ(d.groups, 1u);
    EXPECT_EQ(std::set<const graphics::Line*>(d.style.begin(), d.style.end()).size(), 2u);
    EXPECT_NE(d.style[0]->marker, d.style[1000 * kL]->marker);
    EXPECT_EQ(d.style[0], d.style[2000 * kL]);
    EXPECT_EQ(d.others, 0u);
    EXPECT_EQ(win_.figure().axes().childCount(), static_cast<size_t>(N * kL));
  }
  // Each landmark is still an object of its own, found by its handle.
  graphics::Handle last = 0;
  win_.figure().axes().visit([](const graphics::Object&) {},
                             [&](const graphics::PointGroup& g) { last = g.last(); });
  auto* line = dynamic_cast<graphics::Line*>(win_.figure().axes().find(last));
  ASSERT_NE(line, nullptr);
  Mat sbr = morpho::meth3sup(morpho::basereg(s_.DATA->bottomRows(1), 1, 5));
  EXPECT_NEAR(line->ydata().at(0), sbr(0, 2 * kL - 1), 1e-12);
  EXPECT_EQ(line->markerFaceColor, graphics::ColorSpec::of(line->color));
}

}  // namespace
}  // namespace varnok::display

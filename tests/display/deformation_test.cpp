#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "display/aheadw.hpp"
#include "display/deformation_actions.hpp"
#include "display/rotationhandler.hpp"
#include "display/showpw5.hpp"
#include "morpho/reversepw6u.hpp"
#include "morpho/reversepwarb.hpp"
#include "morpho/tps.hpp"
#include "morpho/vertxy.hpp"
#include "platform/graphics/quiver.hpp"
#include "platform/matrix/runtime_error.hpp"
#include "platform/window/in_memory_window.hpp"
#include "support/session_fixture.hpp"

namespace varnok::display {
namespace {

using graphics::Line;
using window::Click;
using window::InMemoryWindow;

// A centred irregular form of six landmarks with unit centroid size.
Mat sixLandmarks() {
  Mat xy(2, 6);
  xy << -1.0, -0.4, 0.5, 1.1, 0.6, -0.5,  //
      0.1, 0.9, 1.0, 0.0, -0.8, -0.9;
  xy.colwise() -= xy.rowwise().mean();
  xy /= std::sqrt(xy.squaredNorm());
  return morpho::xyfromvert(xy.transpose(), 1.0);
}

// A shape-variable row (2L-4 values and a trailing one) of small values.
RowVec someScores(const Mat& ref, double scale = 0.05) {
  const Eigen::Index n = ref.cols() - 4;
  RowVec pw(n);
  for (Eigen::Index i = 0; i < n; ++i) pw(i) = scale * std::sin(1.3 * static_cast<double>(i + 1));
  pw(n - 1) = 1;
  return pw;
}

std::vector<Line*> lines(InMemoryWindow& w) {
  std::vector<Line*> out;
  for (const auto& c : w.figure().axes().children())
    if (auto* l = dynamic_cast<Line*>(c.get())) out.push_back(l);
  return out;
}

TEST(Aheadw, BarbsOpenBackwardsTwentyDegrees) {
  InMemoryWindow w;
  auto& ax = w.figure().axes();
  aheadw(ax, 0, 0, 1, 0, 0.01);
  auto ls = lines(w);
  ASSERT_EQ(ls.size(), 2u);
  const double c = 0.01 * std::cos(M_PI / 9), s = 0.01 * std::sin(M_PI / 9);
  EXPECT_NEAR(ls[0]->xdata()[1], 1 - c, 1e-15);
  EXPECT_NEAR(ls[0]->ydata()[1], -s, 1e-15);
  EXPECT_NEAR(ls[1]->xdata()[1], 1 - c, 1e-15);
  EXPECT_NEAR(ls[1]->ydata()[1], s, 1e-15);
  EXPECT_EQ(ls[0]->xdata()[0], 1);
  EXPECT_EQ(ls[0]->color, (graphics::Rgb{0, 0, 0}));
  EXPECT_EQ(ls[0]->lineWidth, 1);
  EXPECT_TRUE(ax.held());
  // A vector of length zero points along +x.
  aheadw(ax, 2, 2, 2, 2, 1);
  ls = lines(w);
  EXPECT_NEAR(ls[2]->xdata()[1], 2 - std::cos(M_PI / 9), 1e-15);
}

TEST(Rotationhandler, StepsAddUpAndOfferTheLastAnswer) {
  InMemoryWindow w;
  w.answers.inputs = {std::vector<std::string>{"30"}, std::vector<std::string>{"15"},
                      std::vector<std::string>{"0"}};
  Mat ref = sixLandmarks();
  RotationResult r = rotationhandler(w, nullptr, ref, 7);
  EXPECT_DOUBLE_EQ(r.theta, 0.7853981633974483);
  ASSERT_EQ(w.answers.inputDefaults.size(), 3u);
  EXPECT_EQ(w.answers.inputDefaults[0], std::vector<std::string>{"7"});
  EXPECT_EQ(w.answers.inputDefaults[1], std::vector<std::string>{"30"});
  EXPECT_EQ(w.answers.inputDefaults[2], std::vector<std::string>{"15"});
  EXPECT_EQ(w.answers.inputTitles[0], kRotationTitle);
  RowVec turned = turnRow(ref, M_PI / 4);
  EXPECT_TRUE(r.reference.isApprox(turned, 1e-14));
  EXPECT_EQ(r.reference(12), 1.0);
  // The picture is the turned reference in magenta asterisks.
  auto ls = lines(w);
  ASSERT_EQ(ls.size(), 6u);
  EXPECT_EQ(ls[0]->marker, '*');
  EXPECT_NEAR(ls[0]->xdata()[0], turned(0), 1e-14);
}

TEST(Rotationhandler, DefaultTenCancelAndNonNumbers) {
  InMemoryWindow w;
  Mat ref = sixLandmarks();
  // 0 offers 10; a cancel ends with no turn.
  RotationResult r = rotationhandler(w, nullptr, ref, 0);
  EXPECT_EQ(w.answers.inputDefaults.at(0), std::vector<std::string>{"10"});
  EXPECT_EQ(r.theta, 0);
  EXPECT_EQ(r.reference, RowVec(ref));
  // A non-number is refused and asked again; the default stays.
  w.answers.inputs = {std::vector<std::string>{"abc"}, std::vector<std::string>{"90"},
                      std::vector<std::string>{"0"}};
  r = rotationhandler(w, nullptr, ref, 20);
  EXPECT_DOUBLE_EQ(r.theta, M_PI / 2);
  ASSERT_EQ(w.answers.messages.size(), 1u);
  EXPECT_NE(w.answers.messages[0].text.find("abc"), std::string::npos);
  EXPECT_EQ(w.answers.inputDefaults.at(2), std::vector<std::string>{"20"});
}

TEST(DeformationGrid, ExtentOfTheExampleGrid) {
  Mat refxy = morpho::vertxy(sixLandmarks());
  Mat weight = Mat::Zero(9, 2);
  DeformationGrid g = deformationGrid(refxy, weight, {0, 10, 0, 4.5}, 10, 1);
  ASSERT_EQ(g.xw.rows(), 16);
  ASSERT_EQ(g.xw.cols(), 8);
  EXPECT_EQ(g.xstep, 1);
  EXPECT_EQ(g.xw(0, 0), -2);
  EXPECT_EQ(g.xw(15, 3), 13);
  EXPECT_EQ(g.yw(4, 0), -1);
  EXPECT_EQ(g.yw(4, 7), 6);
  EXPECT_EQ(g.xp, g.xw);
  EXPECT_EQ(g.yp, g.yw);
  // A range of 2 widens x by the width on each side and y by 0.75 of it.
  g = deformationGrid(refxy, weight, {0, 10, 0, 4}, 10, 2);
  EXPECT_EQ(g.xstep, 3);
  EXPECT_EQ(g.xw(2, 0), -10);
  EXPECT_EQ(g.yw(0, 1), -3);
  EXPECT_THROW(deformationGrid(refxy, weight, {0, 10, 0, 4}, 0, 1), RuntimeError);
}

TEST(DeformationGrid, AllNodesAtOnceEqualTheKernelSumPerNode) {
  std::mt19937 rng(5);
  std::uniform_real_distribution<double> u(-1, 1);
  Mat refxy(2, 12), tarxy(2, 12);
  for (Eigen::Index i = 0; i < refxy.size(); ++i) {
    refxy(i) = u(rng);
    tarxy(i) = refxy(i) + 0.1 * u(rng);
  }
  Mat W = deformationWeights(refxy, tarxy);
  // Density 100 gives more nodes than one block of the kernel.
  DeformationGrid g = deformationGrid(refxy, W, {-1.2, 1.2, -1.1, 1.1}, 100, 1.2);
  ASSERT_GT(g.xw.size(), 8192);
  const Eigen::Index L = 12;
  for (Eigen::Index i = 0; i < g.xw.rows(); ++i)
    for (Eigen::Index j = 0; j < g.xw.cols(); ++j) {
      const double xn = g.xw(i, j), yn = g.yw(i, j);
      Mat pt(2, 1);
      pt << xn, yn;
      const double xp = xn + morpho::wsspline(refxy, pt, W.col(0).head(L)) + W(L, 0) +
                        W(L + 1, 0) * xn + W(L + 2, 0) * yn;
      const double yp = yn + morpho::wsspline(refxy, pt, W.col(1).head(L)) + W(L, 1) +
                        W(L + 1, 1) * xn + W(L + 2, 1) * yn;
      ASSERT_NEAR(g.xp(i, j), xp, 1e-12);
      ASSERT_NEAR(g.yp(i, j), yp, 1e-12);
    }
  // The spline sends each reference landmark onto its target landmark.
  RowVec mapped = morpho::reversepw6u(morpho::xyfromvert(refxy.transpose(), 1), W);
  EXPECT_TRUE(morpho::vertxy(mapped).isApprox(tarxy, 1e-10));
  // Equal forms give no displacement at all.
  EXPECT_TRUE(deformationWeights(refxy, refxy).isZero(0));
}

TEST(DeformationWeights, CoincidentOrCollinearLandmarksAreRefused) {
  Mat xy(2, 4);
  xy << 0, 1, 0, 1, 0, 0, 1, 0;
  try {
    deformationWeights(xy, xy);
    FAIL();
  } catch (const RuntimeError& e) {
    EXPECT_NE(std::string(e.what()).find("2 and 4"), std::string::npos);
  }
  Mat line(2, 4);
  line << 0, 1, 2, 3, 0, 1, 2, 3;
  EXPECT_THROW(deformationWeights(line, line), RuntimeError);
}

class Showpw5Test : public ::testing::Test {
 protected:
  Showpw5Test() { w.add("RefAngleBox").set("String", "0"); }
  InMemoryWindow w;
  Mat ref = sixLandmarks();
};

TEST_F(Showpw5Test, TargetEqualToReferenceDrawsAnUndeformedGrid) {
  RowVec zero = RowVec::Zero(ref.cols() - 4);
  DeformationResult r = showpw5(w, nullptr, ref, zero, 10, 1, 2, 1, 2);
  ASSERT_TRUE(r.theta);
  EXPECT_EQ(*r.theta, 0);
  EXPECT_TRUE(morpho::vertxy(r.bigrefdef).isApprox(morpho::vertxy(ref), 1e-12));
  auto ls = lines(w);
  ASSERT_GT(ls.size(), 3u);
  // Each image of a horizontal grid line keeps one y.
  for (double y : ls[0]->ydata()) EXPECT_NEAR(y, ls[0]->ydata()[0], 1e-12);
  EXPECT_EQ(ls[0]->lineWidth, 1);
  EXPECT_EQ(ls.back()->marker, 'd');
}

TEST_F(Showpw5Test, RefAngleTurnsBothFormsWithoutRotateRequest) {
  w.control("RefAngleBox").set("String", "30");
  RowVec pw = someScores(ref);
  DeformationResult r = showpw5(w, nullptr, ref, pw, 10, 3, 2, 1, 2);
  ASSERT_TRUE(r.theta);
  EXPECT_NEAR(*r.theta, 30, 1e-12);
  RowVec target = morpho::reversepwarb(ref, pw);
  EXPECT_TRUE(r.bigrefdef2.isApprox(turnRow(target, M_PI / 6), 1e-12));
  // The spline ends each landmark vector on the target landmark.
  EXPECT_TRUE(morpho::vertxy(r.bigrefdef).isApprox(morpho::vertxy(r.bigrefdef2), 1e-9));
}

TEST_F(Showpw5Test, BaselinePicturesSetNoAngleAndAskNothing) {
  w.control("RefAngleBox").set("String", "junk");
  w.add("RotateRequest").set("Value", 1.0);
  DeformationResult r = showpw5(w, nullptr, ref, someScores(ref), 10, 1, 0, 1, 2);
  EXPECT_FALSE(r.theta);
  EXPECT_TRUE(w.answers.inputTitles.empty());
  EXPECT_NEAR(r.bigrefdef2(0), 0, 1e-15);
  EXPECT_NEAR(r.bigrefdef2(2), 1, 1e-15);
  // An unreadable angle while RotateRequest is off stops the picture.
  w.control("RotateRequest").set("Value", 0.0);
  EXPECT_THROW(showpw5(w, nullptr, ref, someScores(ref), 10, 1, 2, 1, 2), RuntimeError);
}

// The request alone makes the picture; one with nobody to ask (the live
// shape) must not need the rotation dialog or grid trimming.
TEST_F(Showpw5Test, ARequestWithNobodyToAskDrawsOrStopsButNeverAsks) {
  DeformationRequest r;
  r.reference = ref;
  r.pwscore = someScores(ref);
  r.npts = 10;
  r.picture = PictureType::Grid;
  r.registration = Registration::Procrustes;
  r.orientation = {1, 0, 30.0};
  graphics::Figure fig;
  const DeformationResult out = renderDeformation(r, {fig.axes()});
  ASSERT_TRUE(out.theta);
  EXPECT_NEAR(*out.theta, 30, 1e-12);
  EXPECT_GT(fig.axes().childCount(), 3u);
  r.orientation.rotateRequest = 1;
  EXPECT_THROW(renderDeformation(r, {fig.axes()}), RuntimeError);
  r.orientation.rotateRequest = 0;
  r.style.trimreq = 1;
  EXPECT_THROW(renderDeformation(r, {fig.axes()}), RuntimeError);
}

TEST_F(Showpw5Test, RedGridBlackVectorsAndNothingFor98And99) {
  DeformationStyle st;
  st.linespec = "r";
  showpw5(w, nullptr, ref, someScores(ref), 10, 4, 2, 1, 2, st);
  int red = 0, black = 0;
  for (Line* l : lines(w)) {
    if (l->marker != 0) continue;
    if (l->color == graphics::Rgb{1, 0, 0}) ++red;
    if (l->color == graphics::Rgb{0, 0, 0}) ++black;
  }
  EXPECT_EQ(black, 6 * 3);  // six vectors, two barbs each
  EXPECT_GT(red, 16);
  for (double t : {98.0, 99.0}) {
    showpw5(w, nullptr, ref, someScores(ref), 10, t, 2, 1, 2, st);
    EXPECT_TRUE(w.figure().axes().children().empty());
  }
}

TEST_F(Showpw5Test, ArrowFieldsAndContours) {
  showpw5(w, nullptr, ref, someScores(ref), 10, 6, 2, 1, 2);
  auto& kids = w.figure().axes().children();
  auto* q = dynamic_cast<graphics::Quiver*>(kids.at(0).get());
  ASSERT_NE(q, nullptr);
  EXPECT_TRUE(q->vdata.isZero(0));
  EXPECT_FALSE(q->udata.isZero(0));
  showpw5(w, nullptr, ref, someScores(ref), 10, 9, 2, 1, 2);
  EXPECT_EQ(w.figure().axes().children().at(0)->type(), "contour");
}

TEST_F(Showpw5Test, RightClicksAtOnceKeepRowsAndColumnsFromFour) {
  DeformationStyle st;
  st.trimreq = 1;
  w.answers.clicks.assign(4, Click{0, 0, 3});
  showpw5(w, nullptr, ref, someScores(ref), 10, 1, 2, 1, 2, st);
  auto ls = lines(w);
  // Rows 4..16 and columns 4..ny of the grid: ny - 3 column images of 13
  // points, then 13 row images; then the landmarks.
  ASSERT_GE(ls.size(), 15u);
  EXPECT_EQ(ls[0]->xdata().size(), 13u);
  const size_t ncolumns = ls.size() - 13 - 1;
  EXPECT_EQ(ls[ncolumns]->xdata().size(), ncolumns);
  EXPECT_EQ(ls.back()->marker, 'd');
}

TEST_F(Showpw5Test, TrimmingMarkersStayOnTheGrid) {
  DeformationStyle st;
  st.trimreq = 1;
  // Stage 1: ten clicks far left move the upper corner to the first row.
  for (int i = 0; i < 10; ++i) w.answers.clicks.push_back(Click{-100, 0, 1});
  w.answers.clicks.push_back(Click{0, 0, 3});
  // Stage 2 ends at once; stage 3: far right clicks keep the last row.
  w.answers.clicks.push_back(Click{0, 0, 3});
  for (int i = 0; i < 3; ++i) w.answers.clicks.push_back(Click{100, 0, 1});
  w.answers.clicks.push_back(Click{0, 0, 3});
  w.answers.clicks.push_back(Click{0, 0, 3});
  showpw5(w, nullptr, ref, someScores(ref), 10, 4, 2, 1, 2, st);
  auto ls = lines(w);
  EXPECT_EQ(ls[0]->xdata().size(), 16u);  // rows 1..16
  EXPECT_TRUE(w.answers.clicks.empty());
}

TEST_F(Showpw5Test, CoincidentLandmarksAreNamedAndNothingDrawn) {
  Mat bad = ref;
  bad(4) = bad(0);
  bad(5) = bad(1);
  DeformationResult r = showpw5(w, nullptr, bad, someScores(bad), 10, 1, 2, 1, 2);
  ASSERT_EQ(w.answers.messages.size(), 1u);
  EXPECT_NE(w.answers.messages[0].text.find("1 and 3"), std::string::npos);
  EXPECT_TRUE(w.figure().axes().children().empty());
  EXPECT_FALSE(r.theta);
}

TEST_F(Showpw5Test, AScoreTooLargeToDrawIsSaidInABox) {
  // 1e308 once overflowed and the console blamed the reference.
  for (double score : {1e308, 1e200}) {
    w.answers.messages.clear();
    const RowVec scores = someScores(ref) * score;
    const DeformationResult r = showpw5(w, nullptr, ref, scores, 10, 1, 2, 1, 2);
    ASSERT_EQ(w.answers.messages.size(), 1u) << score;
    EXPECT_NE(w.answers.messages[0].text.find("score is too large to draw"), std::string::npos)
        << w.answers.messages[0].text;
    EXPECT_TRUE(w.figure().axes().children().empty());
    EXPECT_FALSE(r.theta);
  }
}

TEST_F(Showpw5Test, NumbersAndVectorsAddedToThePictureShown) {
  w.add("NumberButton").set("Value", 1.0);
  w.add("LMNumberBox").set("Value", 1.0);
  showpw5(w, nullptr, ref, someScores(ref), 10, 3, 2, 1, 2);
  auto& kids = w.figure().axes().children();
  int texts = 0;
  for (const auto& c : kids) texts += c->type() == "text";
  EXPECT_EQ(texts, 12);  // both kinds of numbers, six landmarks each
  const size_t before = kids.size();
  // Vectors to the target keep what is shown: no clearing, no grid.
  w.control("NumberButton").set("Value", 0.0);
  w.control("LMNumberBox").set("Value", 0.0);
  showpw5(w, nullptr, ref, someScores(ref), 10, 5, 2, 1, 2);
  // children() shows every landmark of a bulk-drawn form as its own line.
  EXPECT_EQ(w.figure().axes().children().size(), before + 1 + 6 * 3 + 6);
}

TEST(DeformationAxisVector, RoundsToFiveDecimals) {
  Mat V(2, 2);
  V << 0.6, 0.8, -0.8, 0.6;
  RowVec v = deformationAxisVector(V, 3, 1, 0.123456);
  EXPECT_DOUBLE_EQ(v(2), 0.12346);
  EXPECT_DOUBLE_EQ(v(0), std::round(0.8 * 12345.6) / 100000);
  EXPECT_EQ(deformationAxisVector(V, 3, 1, -0.123456), RowVec(-v));
  EXPECT_TRUE(deformationAxisVector(V, 3, 2, 0).isZero(0));
  EXPECT_THROW(deformationAxisVector(V, 3, 3, 1), RuntimeError);
}

class DeformationActions : public testkit::SessionTest {
 protected:
  void analysed() {
    state_.reference = sixLandmarks();
    state_.Vmatrix = Mat::Identity(8, 8);
    state_.NumPCA = 9;
    state_.vplotdensity = 20;
    state_.vaheads = 1;
    state_.vrefsymbol = "ko";
    state_.vlineformat1 = "k-";
    state_.vlinewidth = 1.5;
    state_.defangle = 10;
    for (auto [tag, text] : {std::pair{"BaseBox1", "1"},
                             {"BaseBox2", "2"},
                             {"ExagerationBox", "0.1"},
                             {"ShowBox", "1"},
                             {"RangeBox", "1"},
                             {"RefAngleBox", "25"}})
      win_.add(tag).set("String", text);
    win_.add("DeFormat").set("Value", 1.0);
    win_.add("GridTrimButton").set("Value", 0.0);
  }
};

TEST_F(DeformationActions, SameArgumentsButSuptype) {
  analysed();
  auto read = [&](Registration how) { return readDeformationRequest(state_, win_, how).request; };
  auto ps = read(Registration::Procrustes), bc = read(Registration::Baseline),
       sbr = read(Registration::SlidingBaseline);
  ASSERT_TRUE(ps && bc && sbr);
  EXPECT_EQ(ps->pwscore(0), 0);
  EXPECT_EQ(ps->pwscore(7), 0.1);
  EXPECT_EQ(ps->pwscore(8), 0.1);
  EXPECT_EQ(ps->npts, 20);
  EXPECT_EQ(ps->style.symboltype, "ko");
  EXPECT_EQ(ps->style.lineweight, 1.5);
  for (const auto* c : {&*bc, &*sbr}) {
    EXPECT_EQ(c->pwscore, ps->pwscore);
    EXPECT_EQ(c->reference, ps->reference);
    EXPECT_EQ(c->style.linespec, ps->style.linespec);
    EXPECT_EQ(c->style.defangle, ps->style.defangle);
    EXPECT_EQ(c->b2, ps->b2);
    EXPECT_EQ(c->picture, ps->picture);
  }
  EXPECT_EQ(bc->registration, Registration::Baseline);
  EXPECT_EQ(sbr->registration, Registration::SlidingBaseline);
}

TEST_F(DeformationActions, ProcrustesStoresTheAngleBaselineKeepsIt) {
  analysed();
  ShowPCADeformationBC(ctx_);
  EXPECT_EQ(*state_.defangle, 10);
  EXPECT_FALSE(win_.figure().axes().children().empty());
  ShowPCADeformationPS(ctx_);
  EXPECT_NEAR(*state_.defangle, 25, 1e-12);
}

TEST_F(DeformationActions, RefusedWithAMessageAndNothingChanged) {
  ShowPCADeformationPS(ctx_);
  ASSERT_EQ(win_.answers.messages.size(), 1u);
  analysed();
  win_.control("ShowBox").set("String", "9");
  ShowPCADeformationSBR(ctx_);
  ASSERT_EQ(win_.answers.messages.size(), 2u);
  EXPECT_NE(win_.answers.messages[1].text.find("principal axis 9"), std::string::npos);
  win_.control("ShowBox").set("String", "1");
  win_.control("BaseBox2").set("String", "1");
  ShowPCADeformationBC(ctx_);
  EXPECT_EQ(win_.answers.messages.size(), 3u);
  EXPECT_TRUE(win_.figure().axes().children().empty());
  EXPECT_EQ(*state_.defangle, 10);
}

TEST_F(DeformationActions, RoutinesByName) {
  Mat ref = sixLandmarks();
  ValueList args = {Value(ref), Value(Mat(someScores(ref))), 10, 1, 0, 1, 2};
  ValueList out = shell_.callByName("showpw5", args, 3);
  ASSERT_EQ(out.size(), 3u);
  EXPECT_EQ(out[2].scalar(), 10);  // a baseline picture turns nothing
  EXPECT_EQ(out[1].matrix().cols(), 13);
  args.resize(15, Value(1.0));
  try {
    shell_.callByName("showpw5", args, 1);
    FAIL();
  } catch (const RuntimeError& e) {
    EXPECT_NE(std::string(e.what()).find("declared number of inputs (14)"), std::string::npos);
  }
  auto& ax = win_.figure().axes();
  ax.cla();
  shell_.callByName("aheadw", {0, 0, 1, 0, 0.01}, 0);
  EXPECT_EQ(ax.children().size(), 2u);
  Mat X(2, 2), Y(2, 2), U = Mat::Ones(2, 2);
  X << 0, 1, 0, 1;
  Y << 0, 0, 1, 1;
  out = shell_.callByName("quiver", {X, Y, U, U}, 1);
  EXPECT_NE(ax.find(static_cast<graphics::Handle>(out.at(0).scalar())), nullptr);
  Mat Z(2, 2);
  Z << 0, 1, 1, 2;
  out = shell_.callByName("contours", {X, Y, Z, Value(Mat(Mat::Constant(1, 1, 1.0)))}, 2);
  EXPECT_EQ(out.at(0).matrix().rows(), 2);
  EXPECT_GT(out.at(0).matrix().cols(), 0);
  out = shell_.callByName("contourf", {X, Y, Z}, 2);
  EXPECT_EQ(ax.children().back()->type(), "contour");
}

}  // namespace
}  // namespace varnok::display

#include <gtest/gtest.h>

#include <cmath>

#include "platform/graphics/graphics.hpp"
#include "platform/graphics/ticks.hpp"
#include "platform/matrix/runtime_error.hpp"

namespace varnok::graphics {
namespace {

using V = std::vector<double>;

TEST(Ticks, StepsFollowOneTwoFive) {
  EXPECT_EQ(niceStepAtLeast(0.13).mantissa, 2);
  EXPECT_EQ(niceStepAtLeast(0.13).exponent, -1);
  EXPECT_EQ(niceStepAtLeast(3).mantissa, 5);
  EXPECT_EQ(niceStepAtLeast(6).exponent, 1);
  EXPECT_EQ(niceStepAtLeast(1000).mantissa, 1);  // exactly a power of ten
  EXPECT_EQ(niceStepAtLeast(1000).exponent, 3);
  EXPECT_EQ(nextStep({5, -2}).exponent, -1);
}

TEST(Ticks, ValuesAreTheDecimalsTheyStandFor) {
  const auto t = tickValues(0, 1, TickStep{1, -1});
  ASSERT_EQ(t.size(), 11u);
  EXPECT_EQ(t[3], 0.3);  // not 0.30000000000000004
  EXPECT_EQ(t[7], 0.7);
  EXPECT_EQ(tickLabel(t[3], {1, -1}, 0), "0.3");
  // Ends that are multiples of the step despite rounding in the data.
  EXPECT_EQ(tickValues(0.1 + 0.2, 0.9, TickStep{1, -1}).front(), 0.3);
}

TEST(Ticks, Labels) {
  EXPECT_EQ(tickLabel(1.5, {5, -1}, 0), "1.5");
  EXPECT_EQ(tickLabel(2, {5, -1}, 0), "2");
  EXPECT_EQ(tickLabel(-0.04, {1, -2}, 0), "-0.04");
  EXPECT_EQ(tickLabel(1e-18, {1, -2}, 0), "0");
  EXPECT_EQ(tickLabel(-1e-18, {1, -2}, 0), "0");
  EXPECT_EQ(tickLabel(250, {5, 1}, 0), "250");
  // Large values are written as multiples of a power of ten.
  const V big = tickValues(0, 600000, TickStep{1, 5});
  EXPECT_EQ(tickLabelExponent(big, {1, 5}), 5);
  EXPECT_EQ(tickLabel(300000, {1, 5}, 5), "3");
  EXPECT_EQ(tickLabelExponent(V{0, 0.5, 1}, {5, -1}), 0);
  EXPECT_EQ(tickLabel(0.00025, {5, -5}, -4), "2.5");
}

TEST(AutoLimits, RoundOutwardToNiceValues) {
  EXPECT_EQ(niceLimits(0, 1), (std::array<double, 2>{0, 1}));
  EXPECT_EQ(niceLimits(0.1, 0.9), (std::array<double, 2>{0, 1}));
  EXPECT_EQ(niceLimits(0.31, 0.69), (std::array<double, 2>{0.3, 0.7}));
  EXPECT_EQ(niceLimits(-7.3, 12.1), (std::array<double, 2>{-10, 15}));
  const auto l = niceLimits(-0.0312, 0.0456);
  EXPECT_LE(l[0], -0.0312);
  EXPECT_GE(l[1], 0.0456);
  EXPECT_LT(l[1] - l[0], 2 * (0.0456 + 0.0312));
}

TEST(AutoLimits, OnePointGetsARangeAroundIt) {
  EXPECT_EQ(niceLimits(3, 3), (std::array<double, 2>{2, 4}));
  EXPECT_EQ(niceLimits(0, 0), (std::array<double, 2>{-1, 1}));
  const auto tiny = niceLimits(0.0437, 0.0437);
  EXPECT_LT(tiny[0], 0.0437);
  EXPECT_GT(tiny[1], 0.0437);
  EXPECT_LT(tiny[1] - tiny[0], 0.1);
  const auto neg = niceLimits(-250, -250);
  EXPECT_LT(neg[0], -250);
  EXPECT_GT(neg[1], -250);
}

TEST(AxesLimits, FollowTheDataOfLinesAndPatchesOnly) {
  Figure fig;
  Axes& ax = fig.axes();
  EXPECT_EQ(ax.limits(), (Limits{0, 1, 0, 1}));  // nothing drawn
  EXPECT_FALSE(ax.dataExtent());
  ax.hold(true);
  ax.plot(V{0.12, 0.87, NAN}, V{-3.2, 4.4, 100}, "ko");
  ax.text(50, 50, "labels do not widen the axes");
  ax.plot(V{1000}, V{1000}, "ko", {"Visible", "off"});
  EXPECT_EQ(ax.dataExtent(), (Limits{0.12, 0.87, -3.2, 4.4}));
  EXPECT_EQ(ax.limits(), (Limits{0, 1, -4, 6}));
  ax.patch(V{0, 2}, V{0, 0}, ColorSpec::none());
  EXPECT_EQ(ax.limits()[1], 2);
}

TEST(AxesLimits, ManualLimitsAndRefusals) {
  Figure fig;
  Axes& ax = fig.axes();
  ax.plot(V{1}, V{1}, "ko");
  ax.setLimits({0, 16, -2, 12});
  EXPECT_EQ(ax.limits(), (Limits{0, 16, -2, 12}));
  EXPECT_FALSE(ax.autoLimits());
  EXPECT_THROW(ax.setLimits({1, 1, 0, 1}), RuntimeError);
  EXPECT_THROW(ax.setLimits({0, 1, 3, 2}), RuntimeError);
  EXPECT_THROW(ax.setLimits({0, NAN, 0, 1}), RuntimeError);
  EXPECT_EQ(ax.limits(), (Limits{0, 16, -2, 12}));
  ax.axisAuto();
  EXPECT_TRUE(ax.autoLimits());
  EXPECT_EQ(ax.limits(), (Limits{0, 2, 0, 2}));
}

// Under equal units one data unit spans as many pixels on x as on y, so the
// limits' ranges have the box's aspect ratio; the data stays inside.
void expectEqualUnits(const Axes& ax, const Limits& mustContain) {
  const Limits l = ax.limits();
  EXPECT_NEAR((l[1] - l[0]) / (l[3] - l[2]), ax.boxWidth() / ax.boxHeight(), 1e-9);
  EXPECT_LE(l[0], mustContain[0]);
  EXPECT_GE(l[1], mustContain[1]);
  EXPECT_LE(l[2], mustContain[2]);
  EXPECT_GE(l[3], mustContain[3]);
}

TEST(AxesLimits, EqualUnitsForAnyBox) {
  Figure fig;
  Axes& ax = fig.axes();
  ax.plot(V{-0.03, 0.03, 0.01}, V{-0.02, 0.002, 0.025}, "ko");
  ax.axisAuto();
  ax.axisEqual();
  const Limits data = {-0.03, 0.03, -0.02, 0.025};
  for (auto [w, h] : {std::pair{880.0, 595.0}, {400.0, 400.0}, {300.0, 800.0}, {1200.0, 200.0}}) {
    ax.setBoxSize(w, h);
    EXPECT_NEAR(ax.boxWidth(), w, 1e-9);
    EXPECT_NEAR(ax.boxHeight(), h, 1e-9);
    expectEqualUnits(ax, data);
  }
  // Equal units keep the automatic limits in the unwidened direction.
  ax.setBoxSize(1200, 200);
  const auto ny = niceLimits(-0.02, 0.025);
  EXPECT_DOUBLE_EQ(ax.limits()[2], ny[0]);
  EXPECT_DOUBLE_EQ(ax.limits()[3], ny[1]);
  ax.axisNormal();
  EXPECT_EQ(ax.limits()[0], niceLimits(-0.03, 0.03)[0]);
}

TEST(AxesLimits, EqualUnitsWidenManualLimits) {
  // Read the equal limits, widen them by one on every side, set them and ask
  // for equal units again, as the symbol legend does.
  Figure fig;
  Axes& ax = fig.axes();
  ax.plot(V{0.1, 3.1}, V{1, 12}, "ko");
  ax.axisEqual();
  Limits l = ax.limits();
  for (int i = 0; i < 4; ++i) l[i] += (i % 2 ? 1 : -1);
  ax.setLimits(l);
  ax.axisEqual();
  expectEqualUnits(ax, l);
  EXPECT_FALSE(ax.autoLimits());
}

TEST(AxesLimits, AxisEqualOnASinglePointKeepsItInside) {
  Figure fig;
  Axes& ax = fig.axes();
  ax.plot(V{5}, V{-2}, "k.");
  ax.axisEqual();
  expectEqualUnits(ax, {5, 5, -2, -2});
  const Limits l = ax.limits();
  EXPECT_LT(l[0], 5);
  EXPECT_GT(l[3], -2);
}

}  // namespace
}  // namespace varnok::graphics

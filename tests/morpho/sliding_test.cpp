// Sliding semilandmarks against the dense computation from the definitions
// in support/sliding_reference.hpp.
#include "morpho/sliding.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>

#include "support/sliding_reference.hpp"

namespace varnok::morpho {
namespace {

using Eigen::Index;
using Eigen::MatrixXd;
using Eigen::VectorXd;
using namespace varnok::testing::sliding;

TEST(Sliding, BendingEnergyAgreesWithTheDefinitionAndStationary) {
  const Outline ref = ellipse(10, 1.0, 0.6, 0.0, 1);
  Outline specimen = ellipse(10, 1.1, 0.55, 0.02, 2);
  // The specimen's semilandmarks are spaced unevenly along its outline.
  for (Index i = 0; i < specimen.L; ++i) {
    const double shift = 0.03 * std::sin(3.0 * static_cast<double>(i));
    specimen.form(2 * i) += shift * specimen.form(2 * i + 1);
    specimen.form(2 * i + 1) -= shift * specimen.form(2 * i);
  }
  const Mat be = bendingEnergyOf(ref.form, ref.L);
  ASSERT_EQ(be.rows(), ref.L);
  const MatrixXd dense = independentBe(ref.form, ref.L);
  EXPECT_LT((MatrixXd(be) - dense).cwiseAbs().maxCoeff(), 1e-9 * dense.cwiseAbs().maxCoeff());

  RowVec slid = specimen.form;
  ASSERT_FALSE(slideSpecimen(slid, ref.form, be, ref.sliders, SlideCriterion::BendingEnergy));
  const RowVec expected = independentSlide(specimen.form, ref.form, ref.sliders, ref.L);
  EXPECT_LT((slid - expected).cwiseAbs().maxCoeff(), 1e-9);
  // Landmarks stay where they were digitised.
  for (Index i = 0; i < ref.L; i += 11) {
    EXPECT_EQ(slid(2 * i), specimen.form(2 * i));
    EXPECT_EQ(slid(2 * i + 1), specimen.form(2 * i + 1));
  }
  // Never more bent than before, and at the minimum the gradient along the
  // tangents vanishes: U'B z(t) = 0.
  EXPECT_LE(energy(slid, dense), energy(specimen.form, dense));
  const MatrixXd u = tangentMatrix(specimen.form, ref.sliders, ref.L);
  const VectorXd grad = u.transpose() * blockDiag(dense) * stacked(slid, ref.L);
  EXPECT_LT(
      grad.cwiseAbs().maxCoeff(),
      1e-8 *
          (u.transpose() * blockDiag(dense) * stacked(specimen.form, ref.L)).cwiseAbs().maxCoeff());
}

TEST(Sliding, PointsMovedAlongStraightEdgesSlideBackToTheReference) {
  // A rectangle with corners as landmarks and three points on each edge.
  Outline ref;
  const double corners[4][2] = {{0, 0}, {2, 0}, {2, 1}, {0, 1}};
  for (int c = 0; c < 4; ++c)
    for (int k = 0; k < 4; ++k) {
      const double f = k / 4.0;
      const auto& p = corners[c];
      const auto& q = corners[(c + 1) % 4];
      ref.form.conservativeResize(ref.form.size() + 2);
      ref.form(ref.form.size() - 2) = p[0] + f * (q[0] - p[0]);
      ref.form(ref.form.size() - 1) = p[1] + f * (q[1] - p[1]);
    }
  ref.L = 16;
  for (Index i = 0; i < ref.L; ++i)
    if (i % 4 != 0) ref.sliders.push_back({i - 1, i, (i + 1) % ref.L});
  RowVec specimen = ref.form;
  // Move each semilandmark along its edge, keeping the order of the points.
  for (Index i = 0; i < ref.L; ++i) {
    if (i % 4 == 0) continue;
    const auto& p = corners[i / 4];
    const auto& q = corners[(i / 4 + 1) % 4];
    const double f = (i % 4) / 4.0 + 0.04 * static_cast<double>((i % 3) - 1);
    specimen(2 * i) = p[0] + f * (q[0] - p[0]);
    specimen(2 * i + 1) = p[1] + f * (q[1] - p[1]);
  }
  const Mat be = bendingEnergyOf(ref.form, ref.L);
  ASSERT_GT(energy(specimen, be), 1e-6);
  ASSERT_FALSE(slideSpecimen(specimen, ref.form, be, ref.sliders, SlideCriterion::BendingEnergy));
  EXPECT_LT((specimen - ref.form).cwiseAbs().maxCoeff(), 1e-10);
  EXPECT_LT(std::abs(energy(specimen, be)), 1e-10);
}

TEST(Sliding, ProcrustesCriterionPutsEachPointAtTheFootOfThePerpendicular) {
  // A straight curve along y = 0.1 x; the reference's points lie off it.
  const Index L = 6;
  RowVec specimen(2 * L), ref(2 * L);
  for (Index i = 0; i < L; ++i) {
    specimen(2 * i) = static_cast<double>(i);
    specimen(2 * i + 1) = 0.1 * static_cast<double>(i);
    ref(2 * i) = static_cast<double>(i) + 0.3 * std::sin(static_cast<double>(i));
    ref(2 * i + 1) = 0.5 - 0.2 * static_cast<double>(i);
  }
  std::vector<Slider> sliders;
  for (Index i = 1; i + 1 < L; ++i) sliders.push_back({i - 1, i, i + 1});
  RowVec slid = specimen;
  ASSERT_FALSE(slideSpecimen(slid, ref, Mat(), sliders, SlideCriterion::ProcrustesDistance));
  for (Index i = 1; i + 1 < L; ++i) {
    // On the line, and the offset to the reference's point is normal to it.
    EXPECT_NEAR(slid(2 * i + 1), 0.1 * slid(2 * i), 1e-12);
    const double ox = ref(2 * i) - slid(2 * i), oy = ref(2 * i + 1) - slid(2 * i + 1);
    EXPECT_NEAR(ox * 1.0 + oy * 0.1, 0.0, 1e-12);
  }
  EXPECT_EQ(slid(0), specimen(0));
  EXPECT_EQ(slid(2 * L - 1), specimen(2 * L - 1));
}

TEST(Sliding, AllSpecimensOnTwoCoresAsOneByOneAndFailuresChangeNothing) {
  const Outline ref = ellipse(20, 1.0, 0.7, 0.0, 3);
  const Index N = 120, M = 2 * ref.L + 1;
  Mat data(N, M);
  for (Index i = 0; i < N; ++i) {
    const Outline s = ellipse(20, 1.0, 0.7, 0.03, static_cast<unsigned>(10 + i));
    data.row(i).head(2 * ref.L) = s.form;
    data(i, M - 1) = 1.0 + static_cast<double>(i);
  }
  const Mat be = bendingEnergyOf(ref.form, ref.L);
  Mat expected = data;
  for (Index i = 0; i < N; ++i)
    ASSERT_FALSE(
        slideSpecimen(expected.row(i), ref.form, be, ref.sliders, SlideCriterion::BendingEnergy));
  Mat all = data;
  ASSERT_FALSE(slideAll(all, ref.form, be, ref.sliders, SlideCriterion::BendingEnergy));
  EXPECT_EQ(all, expected);  // the same arithmetic whichever core slid a row

  // Specimen 57's slider 3 has coinciding neighbours: no tangent.
  Mat bad = data;
  const Slider& k = ref.sliders[3];
  bad(57, 2 * k.after) = bad(57, 2 * k.before);
  bad(57, 2 * k.after + 1) = bad(57, 2 * k.before + 1);
  const Mat before = bad;
  const auto failure = slideAll(bad, ref.form, be, ref.sliders, SlideCriterion::BendingEnergy);
  ASSERT_TRUE(failure);
  EXPECT_EQ(failure->specimen, 57);
  EXPECT_EQ(failure->slider, 3);
  EXPECT_EQ(bad, before);
}

TEST(Sliding, UndeterminedMovesAndUnusableReferencesAreRefused) {
  // Every point of a regular polygon sliding: a small rotation moves each
  // along its tangent without bending, so the moves are not determined.
  const Outline circle = ellipse(7, 1.0, 1.0, 0.0, 4);
  std::vector<Slider> all;
  for (Index i = 0; i < circle.L; ++i)
    all.push_back({(i + circle.L - 1) % circle.L, i, (i + 1) % circle.L});
  RowVec x = circle.form;
  const Mat be = bendingEnergyOf(circle.form, circle.L);
  EXPECT_TRUE(slideSpecimen(x, circle.form, be, all, SlideCriterion::BendingEnergy));
  EXPECT_EQ(x, circle.form);

  // Coinciding points make the spline matrix singular.
  RowVec twice = circle.form;
  twice(2) = twice(0);
  twice(3) = twice(1);
  EXPECT_EQ(bendingEnergyOf(twice, circle.L).size(), 0);
  // So do points all on one line.
  RowVec line(2 * circle.L);
  for (Index i = 0; i < circle.L; ++i) line(2 * i) = 2.0 * (line(2 * i + 1) = 0.5 * i);
  EXPECT_EQ(bendingEnergyOf(line, circle.L).size(), 0);
  // A densely sampled outline is ill-conditioned, not singular.
  const Outline dense = ellipse(124, 1.0, 0.6, 0.001, 5);
  EXPECT_EQ(bendingEnergyOf(dense.form, dense.L).rows(), 500);
}

TEST(Sliding, SliderSetsAreChecked) {
  EXPECT_FALSE(slidersProblem({{0, 1, 2}, {1, 2, 3}, {2, 3, 4}}, 5));
  EXPECT_FALSE(slidersProblem({{0, 0, 1}, {3, 4, 4}}, 5));  // curve ends
  EXPECT_EQ(*slidersProblem({{0, 1, 5}}, 5), "Slider 1 names point 6; the data have 5 points.");
  EXPECT_EQ(*slidersProblem({{0, 1, 2}, {2, 3, 2}}, 5),
            "Slider 2 needs two different neighbours of point 4.");
  EXPECT_EQ(*slidersProblem({{0, 1, 2}, {3, 1, 4}}, 5), "Point 2 slides twice (sliders 1 and 2).");
}

}  // namespace
}  // namespace varnok::morpho

// The shape statistics against sums written out from their definitions, on
// the gorilla skulls with their sexes and on data built so that the answer is
// known.
#include "analysis/shape_statistics.hpp"

#include <gtest/gtest.h>

#include <Eigen/Dense>
#include <algorithm>
#include <cmath>
#include <numeric>
#include <random>

#include "analysis/canonical_variates.hpp"
#include "analysis/f_distribution.hpp"
#include "support/picture_controls.hpp"
#include "support/session_fixture.hpp"

namespace varnok::analysis {
namespace {

namespace fs = std::filesystem;
using Index = Eigen::Index;

#define EXPECT_REL(a, b, tol) EXPECT_NEAR((a), (b), (tol)*std::fabs(b))

template <class F>
std::string refusal(F&& f) {
  try {
    f();
  } catch (const RuntimeError& e) {
    return e.what();
  }
  return "(not refused)";
}

// ---------------------------------------------------------------------------
// Reference sums from the definitions.

std::vector<Index> members(const std::vector<int>& codes, int code) {
  std::vector<Index> m;
  for (Index i = 0; i < static_cast<Index>(codes.size()); ++i)
    if (codes[i] == code) m.push_back(i);
  return m;
}

RowVec meanOf(const Mat& W, const std::vector<Index>& rows) {
  RowVec m = RowVec::Zero(W.cols());
  for (Index i : rows) m += W.row(i);
  return m / static_cast<double>(rows.size());
}

// Pooled within-group covariance and group means of W, leaving out row
// `skip` (-1: none).
Eigen::MatrixXd pooledWithout(const Mat& W, const std::vector<int>& codes, Index skip,
                              std::vector<RowVec>& means, const std::vector<int>& groups) {
  Eigen::MatrixXd S = Eigen::MatrixXd::Zero(W.cols(), W.cols());
  Index n = 0, k = 0;
  means.clear();
  for (int g : groups) {
    std::vector<Index> m = members(codes, g);
    m.erase(std::remove(m.begin(), m.end(), skip), m.end());
    means.push_back(m.empty() ? RowVec() : meanOf(W, m));
    if (m.empty()) continue;
    ++k, n += static_cast<Index>(m.size());
    for (Index i : m) S += (W.row(i) - means.back()).transpose() * (W.row(i) - means.back());
  }
  return S / static_cast<double>(n - k);
}

double mahalanobis(const RowVec& d, const Eigen::MatrixXd& S) {
  return std::sqrt(d * S.inverse() * d.transpose());
}

// Regression R² of W on x, both centred on the means of `codes` groups.
double regressionR2(const Mat& W, const ColVec& x, const std::vector<int>& codes) {
  Mat Wc = W;
  ColVec xc = x;
  for (int g : std::vector<int>(codes.begin(), codes.end())) {
    const std::vector<Index> m = members(codes, g);
    const RowVec mw = meanOf(W, m);
    double mx = 0;
    for (Index i : m) mx += x(i) / static_cast<double>(m.size());
    for (Index i : m) Wc.row(i) = W.row(i) - mw, xc(i) = x(i) - mx;
  }
  const RowVec b = xc.transpose() * Wc / xc.squaredNorm();
  return (xc * b).squaredNorm() / Wc.squaredNorm();
}

// ---------------------------------------------------------------------------
// The gorilla skulls, fitted with their sexes by the program itself.

class GorillaStatistics : public testkit::SessionTest {
 protected:
  GorillaStatistics() {
    for (const char* f : {"gorilla.txt", "gorilla_groups.txt"})
      fs::copy_file(fs::path(VARNOK_DATA_DIR) / f, dir_ / "start" / f);
    testkit::addAnalysisControls(win_);
    answer("gorilla.txt", dir_ / "start");
    shell_.runCallback("Varnoksw('LoadData')");
    answer("gorilla_groups.txt", dir_ / "start");
    shell_.runCallback("Varnoksw('LoadGroupList')");
    const Mat& pw = state_.pwscores;
    W = pw.leftCols(pw.cols() - 1);
    x = pw.col(pw.cols() - 1).array().log();
    for (Index i = 0; i < state_.GLIST.rows(); ++i)
      codes.push_back(static_cast<int>(state_.GLIST(i, 0)));
  }
  Mat W;
  ColVec x;
  std::vector<int> codes;
};

TEST_F(GorillaStatistics, AnovaAndDistancesMatchTheDefinitions) {
  ASSERT_EQ(W.rows(), 59);
  ASSERT_EQ(W.cols(), 12);
  const ShapeAnova a = shapeAnova(W, groupsFromColumn(state_.GLIST));
  const RowVec mean = W.colwise().mean(), m1 = meanOf(W, members(codes, 1)),
               m2 = meanOf(W, members(codes, 2));
  const double ssT = (W.rowwise() - mean).squaredNorm();
  const double ssG = 30 * (m1 - mean).squaredNorm() + 29 * (m2 - mean).squaredNorm();
  const double F = ssG / ((ssT - ssG) / 57);
  EXPECT_REL(a.ssTotal, ssT, 1e-12);
  EXPECT_REL(a.ssGroups, ssG, 1e-10);
  EXPECT_REL(a.F, F, 1e-10);
  EXPECT_REL(a.msResid, (ssT - ssG) / 57, 1e-10);
  EXPECT_EQ(a.df1, 1);
  EXPECT_EQ(a.df2, 57);
  EXPECT_REL(a.F, 22.2422957, 1e-7);
  EXPECT_REL(a.R2, 0.2806872, 1e-6);
  EXPECT_REL(a.pParam, 8.57636e-42, 1e-5);
  ASSERT_EQ(a.pairs.size(), 1u);
  EXPECT_EQ(a.pairs[0].a, 1);
  EXPECT_EQ(a.pairs[0].b, 2);
  EXPECT_REL(a.pairs[0].D, (m1 - m2).norm(), 1e-10);
  EXPECT_REL(a.pairs[0].D, 0.05857120, 1e-6);
  // No rearrangement of the sexes comes near: p is its floor 1 / (P + 1).
  EXPECT_DOUBLE_EQ(a.pPerm, 1.0 / 1000);
  EXPECT_DOUBLE_EQ(a.pairs[0].pPerm, 1.0 / 1000);
}

TEST_F(GorillaStatistics, AllometryOutliersAndCanonicalVariates) {
  const Groups sexes = groupsFromCodes(codes);
  const ShapeRegression plain = regressShapeOnSize(W, x);
  const ShapeRegression pooled = regressShapeOnSizeWithinGroups(W, x, sexes);
  EXPECT_REL(plain.R2, regressionR2(W, x, std::vector<int>(59, 1)), 1e-10);
  EXPECT_REL(pooled.R2, regressionR2(W, x, codes), 1e-10);
  EXPECT_REL(plain.R2, 0.2715089, 1e-6);
  EXPECT_REL(pooled.R2, 0.03222281, 1e-6);
  EXPECT_REL(plain.F, plain.R2 / ((1 - plain.R2) / 57), 1e-10);
  EXPECT_EQ(pooled.df2, 56);
  // Scores are the projections on the unit regression vector.
  const RowVec unit = plain.b / plain.b.norm();
  EXPECT_NEAR(plain.scores(7), (W.row(7) - W.colwise().mean()).dot(unit), 1e-14);
  EXPECT_LT((shapeChangePerUnit(W, x) - plain.b).norm(), 1e-12 * plain.b.norm());

  const Outliers o = findOutliers(W);
  std::vector<double> d(59);
  for (Index i = 0; i < 59; ++i) d[i] = (W.row(i) - W.colwise().mean()).norm();
  std::vector<double> s = d;
  std::sort(s.begin(), s.end());
  // 59 values: the halves are the lowest 29 and the highest 29.
  const double q1 = s[14], q3 = s[44];
  EXPECT_DOUBLE_EQ(o.q1, q1);
  EXPECT_DOUBLE_EQ(o.q3, q3);
  EXPECT_NEAR(o.D(48), d[48], 1e-15);
  EXPECT_TRUE(std::count(o.above.begin(), o.above.end(), 48) == 1);
  for (Index i : o.above) EXPECT_GT(d[i], q3 + 1.5 * (q3 - q1));
  EXPECT_EQ(o.order.front(), std::max_element(d.begin(), d.end()) - d.begin());

  // With q = V every principal axis is kept: the scores are W rotated, and
  // Mahalanobis distances do not see rotations.
  const CanonicalVariates c = canonicalVariates(W, sexes);
  EXPECT_EQ(c.q, 12);
  std::vector<RowVec> means;
  const Eigen::MatrixXd S = pooledWithout(W, codes, -1, means, {1, 2});
  EXPECT_REL(c.distances[0].D, mahalanobis(means[0] - means[1], S), 1e-9);
  EXPECT_REL(c.distances[0].D, 5.1665004, 1e-7);
  EXPECT_DOUBLE_EQ(c.distances[0].pPerm, 1.0 / 1000);
  for (Index i = 0; i < 59; ++i) {
    const Eigen::MatrixXd Si = pooledWithout(W, codes, i, means, {1, 2});
    const double d1 = mahalanobis(W.row(i) - means[0], Si);
    const double d2 = mahalanobis(W.row(i) - means[1], Si);
    EXPECT_EQ(c.assigned[i], d1 <= d2 ? 1 : 2) << i;
  }
  EXPECT_EQ(c.overallPercent, 100);
  EXPECT_EQ(c.confusion(0, 0), 30);
  EXPECT_EQ(c.confusion(1, 1), 29);
  // One CV of unit pooled within-group variance, females negative.
  ASSERT_EQ(c.scores.cols(), 1);
  double within = 0, female = 0;
  for (int g : {1, 2}) {
    const std::vector<Index> m = members(codes, g);
    double mg = 0;
    for (Index i : m) mg += c.scores(i, 0) / static_cast<double>(m.size());
    for (Index i : m) within += std::pow(c.scores(i, 0) - mg, 2) / 57;
    if (g == 1) female = mg;
  }
  EXPECT_NEAR(within, 1, 1e-10);
  EXPECT_LT(female, 0);
  // The CV separates as far as the Mahalanobis distance does.
  EXPECT_REL(std::fabs(c.groupMeans.row(0).dot(c.coefficients.col(0)) -
                       c.groupMeans.row(1).dot(c.coefficients.col(0))),
             c.distances[0].D, 1e-9);
}

// ---------------------------------------------------------------------------
// Data with known answers.

Mat gaussian(Index n, Index v, unsigned seed) {
  std::mt19937_64 rng(seed);
  std::normal_distribution<double> z(0, 1);
  Mat m(n, v);
  for (Index i = 0; i < n; ++i)
    for (Index j = 0; j < v; ++j) m(i, j) = z(rng);
  return m;
}

TEST(ShapeStatistics, TranslatedCopiesAndIdenticalGroups) {
  const Index n = 20, V = 6;
  const Mat X = gaussian(n, V, 3);
  RowVec t = RowVec::LinSpaced(V, 0.5, 1.5);
  Mat W(2 * n, V);
  W << X, X.rowwise() + t;
  std::vector<int> codes(2 * n, 4);
  std::fill(codes.begin(), codes.begin() + n, 2);
  const ShapeAnova a = shapeAnova(W, groupsFromCodes(codes), {199, 5});
  const double ssWithin = 2 * (X.rowwise() - X.colwise().mean()).squaredNorm();
  const double ssGroups = static_cast<double>(n) * t.squaredNorm() / 2;
  EXPECT_REL(a.R2, ssGroups / (ssGroups + ssWithin), 1e-12);
  EXPECT_REL(a.F, ssGroups / (ssWithin / (2 * n - 2)), 1e-12);
  ASSERT_EQ(a.pairs.size(), 1u);
  EXPECT_EQ(a.pairs[0].a, 2);
  EXPECT_EQ(a.pairs[0].b, 4);
  EXPECT_REL(a.pairs[0].D, t.norm(), 1e-12);
  // Relabelling the groups the other way round changes no figure.
  std::vector<int> swapped(codes.rbegin(), codes.rend());
  Mat flipped = W.colwise().reverse();
  const ShapeAnova b = shapeAnova(flipped, groupsFromCodes(swapped), {199, 5});
  EXPECT_REL(b.pairs[0].D, a.pairs[0].D, 1e-12);
  EXPECT_REL(b.F, a.F, 1e-12);

  // Three groups, two of them the same rows: their means coincide and no
  // rearrangement has a smaller distance, so p is 1.
  Mat W3(3 * n, V);
  W3 << X, X, X.rowwise() + t;
  std::vector<int> c3(3 * n, 3);
  std::fill(c3.begin(), c3.begin() + n, 1);
  std::fill(c3.begin() + n, c3.begin() + 2 * n, 2);
  const ShapeAnova three = shapeAnova(W3, groupsFromCodes(c3), {99, 1});
  ASSERT_EQ(three.pairs.size(), 3u);
  EXPECT_NEAR(three.pairs[0].D, 0, 1e-15);
  EXPECT_EQ(three.pairs[0].pPerm, 1);
  EXPECT_REL(three.pairs[1].D, t.norm(), 1e-12);
  EXPECT_REL(three.pairs[2].D, t.norm(), 1e-12);
  // The floor of p: nothing beats the observed separation.
  EXPECT_DOUBLE_EQ(three.pPerm, 1.0 / 100);
  EXPECT_DOUBLE_EQ(three.pairs[1].pPerm, 1.0 / 100);
}

TEST(ShapeStatistics, SameSeedSameResultsOnOneAndTwoThreads) {
  // A weak group difference and weak allometry, so the p-values are neither
  // floor nor 1 and every count matters.
  const Index N = 300, V = 8;
  Mat W = gaussian(N, V, 11);
  std::vector<int> codes(N);
  ColVec x(N);
  for (Index i = 0; i < N; ++i) {
    codes[i] = 1 + static_cast<int>(i % 3);
    x(i) = 0.01 * static_cast<double>(i % 17) + 0.001 * W(i, 0);
    W(i, 1) += 0.12 * codes[i];
  }
  const Groups g = groupsFromCodes(codes);
  auto run = [&](int threads, std::uint64_t seed) {
    const PermutationOptions o{3000, seed, threads};
    std::vector<double> p;
    const ShapeAnova a = shapeAnova(W, g, o);
    p.push_back(a.pPerm);
    for (const auto& d : a.pairs) p.push_back(d.pPerm);
    p.push_back(regressShapeOnSize(W, x, o).pPerm);
    p.push_back(regressShapeOnSizeWithinGroups(W, x, g, o).pPerm);
    for (const auto& d : canonicalVariates(W, g, 0, o).distances) p.push_back(d.pPerm);
    return p;
  };
  const std::vector<double> one = run(1, 42), two = run(2, 42);
  EXPECT_EQ(one, two);
  for (double p : one) {
    EXPECT_GE(p, 1.0 / 3001);
    EXPECT_LE(p, 1.0);
  }
  EXPECT_GT(*std::max_element(one.begin(), one.end()), 0.01);
  EXPECT_NE(run(2, 43), one);
}

TEST(ShapeStatistics, ShapeExactlyLinearInSizeIsRecovered) {
  const Index N = 30, V = 5;
  const RowVec b = RowVec::LinSpaced(V, -1, 2);
  ColVec x = gaussian(N, 1, 7).col(0);
  std::vector<int> codes(N);
  Mat W(N, V);
  for (Index i = 0; i < N; ++i) {
    codes[i] = i < 10 ? 1 : 2;
    W.row(i) = (codes[i] == 1 ? 0.3 : -0.2) + x(i) * b.array();
  }
  const ShapeRegression pooled = regressShapeOnSizeWithinGroups(W, x, groupsFromCodes(codes));
  EXPECT_NEAR(pooled.R2, 1, 1e-12);
  EXPECT_LT((pooled.b - b).norm(), 1e-12);
  for (Index i = 0; i < N; ++i) W.row(i) = 0.3 + x(i) * b.array();
  const ShapeRegression plain = regressShapeOnSize(W, x, {49, 1});
  EXPECT_NEAR(plain.R2, 1, 1e-12);
  EXPECT_LT((plain.b - b).norm(), 1e-12);
  EXPECT_NEAR(plain.scores(3), (x(3) - x.mean()) * b.norm(), 1e-12);
  EXPECT_DOUBLE_EQ(plain.pPerm, 1.0 / 50);
}

TEST(ShapeStatistics, ClassificationAndMahalanobisDistances) {
  const Index N = 120, V = 6;
  Mat W = gaussian(N, V, 21);
  std::vector<int> separated(N), random(N);
  std::mt19937_64 rng(5);
  for (Index i = 0; i < N; ++i) {
    separated[i] = 1 + static_cast<int>(i % 3);
    random[i] = 1 + static_cast<int>(rng() % 2);
  }
  Mat apart = W;
  for (Index i = 0; i < N; ++i) apart(i, separated[i] % V) += 12;
  const CanonicalVariates good = canonicalVariates(apart, groupsFromCodes(separated), 0, {19, 1});
  EXPECT_EQ(good.overallPercent, 100);
  EXPECT_EQ(good.eigenvalues.size(), 2);
  for (const auto& d : good.distances) EXPECT_DOUBLE_EQ(d.pPerm, 1.0 / 20);
  const CanonicalVariates chance = canonicalVariates(W, groupsFromCodes(random), 0, {0, 1});
  EXPECT_GT(chance.overallPercent, 30);
  EXPECT_LT(chance.overallPercent, 70);
  EXPECT_EQ(chance.confusion.sum(), N);

  // Specimens in another order: the same distances, the same assignments.
  std::vector<Index> order(N);
  std::iota(order.begin(), order.end(), 0);
  std::shuffle(order.begin(), order.end(), rng);
  Mat shuffled(N, V);
  std::vector<int> codes(N);
  for (Index i = 0; i < N; ++i)
    shuffled.row(i) = apart.row(order[i]), codes[i] = separated[order[i]];
  const CanonicalVariates again = canonicalVariates(shuffled, groupsFromCodes(codes), 0, {0, 1});
  ASSERT_EQ(again.distances.size(), 3u);
  for (std::size_t p = 0; p < 3; ++p) EXPECT_REL(again.distances[p].D, good.distances[p].D, 1e-10);
  for (Index i = 0; i < N; ++i) EXPECT_EQ(again.assigned[i], good.assigned[order[i]]);
  // Fewer axes may be asked for, not more.
  EXPECT_EQ(canonicalVariates(apart, groupsFromCodes(separated), 3, {0, 1}).q, 3);
  EXPECT_NE(refusal([&] {
              canonicalVariates(apart, groupsFromCodes(separated), 7);
            }).find("at most 6 principal components"),
            std::string::npos);
}

TEST(ShapeStatistics, RefusalsComputeNothing) {
  const Mat W = gaussian(6, 4, 1);
  const ColVec x = gaussian(6, 1, 2).col(0);
  const Groups one = groupsFromCodes({1, 1, 1, 1, 1, 1});
  const Groups six = groupsFromCodes({1, 2, 3, 4, 5, 6});
  const Groups two = groupsFromCodes({1, 1, 1, 2, 2, 2});
  EXPECT_NE(refusal([&] { shapeAnova(W, one); }).find("at least 2; the group list has 1 group"),
            std::string::npos);
  EXPECT_NE(refusal([&] { shapeAnova(W, six); }).find("more specimens than groups"),
            std::string::npos);
  EXPECT_NE(refusal([&] {
              regressShapeOnSize(W, ColVec::Constant(6, 0.5));
            }).find("every specimen has the same centroid size"),
            std::string::npos);
  EXPECT_NE(refusal([&] {
              regressShapeOnSize(W.topRows(2), x.head(2));
            }).find("at least 3 specimens, not 2"),
            std::string::npos);
  ColVec perGroup(6);
  perGroup << 1, 1, 1, 2, 2, 2;
  EXPECT_NE(
      refusal([&] { regressShapeOnSizeWithinGroups(W, perGroup, two); }).find("within every group"),
      std::string::npos);
  EXPECT_NE(refusal([&] {
              canonicalVariates(W.topRows(3), groupsFromCodes({1, 2, 2}));
            }).find("at least 2 specimens more than groups"),
            std::string::npos);
  EXPECT_NE(refusal([&] { canonicalVariates(W, one); }).find("at least 2"), std::string::npos);
  EXPECT_NE(refusal([&] { groupsFromColumn(Mat::Constant(3, 1, 1.5)); }).find("Line 1"),
            std::string::npos);
  const Mat same = W.row(0).replicate(6, 1);
  EXPECT_NE(refusal([&] { shapeAnova(same, two); }).find("every specimen has the same shape"),
            std::string::npos);
  EXPECT_NE(refusal([&] { regressShapeOnSize(same, x); }).find("the same shape"),
            std::string::npos);
  EXPECT_NE(refusal([&] { findOutliers(W.topRows(1)); }).find("at least 2"), std::string::npos);

  // A cancel stops the permutations with the usual error.
  struct Cancelling : Progress {
    bool cancelled() const override { return true; }
  } cancel;
  EXPECT_EQ(refusal([&] { shapeAnova(W, two, {999, 1}, cancel); }), "Cancelled.");
}

// ---------------------------------------------------------------------------
// Tails of the F and beta distributions. The expected values were computed
// offline with mpmath 1.3.0 at 50 significant digits:
//   mpmath.betainc(a, b, 0, x, regularized=True) and, for the F tail,
//   betainc(d2/2, d1/2, 0, d2/(d2 + d1 F), regularized=True).

TEST(FDistribution, TailsKeepTheirDigitsFarBelowOne) {
  struct Case {
    double F, d1, d2, p;
  };
  for (const Case& c :
       {Case{22.2422957, 12, 684, 8.5763650855043157e-42}, Case{3.0, 5, 40, 0.021605690375421766},
        Case{1.0, 2, 10, 0.40187757201646091}, Case{0.5, 10, 20, 0.8701603741696},
        Case{1.2, 56, 55888, 0.14539700348399017}, Case{25.0, 56, 55888, 1.7890125864827426e-252},
        Case{150.0, 12, 684, 2.292201157403921e-182}, Case{200.0, 20, 30, 1.466612714077889e-26},
        Case{2.5, 1, 1, 0.3590170359713761}, Case{1e6, 2, 3, 1.837113173581193e-9},
        Case{0.01, 3, 7, 0.9984952470401117}, Case{30.0, 56, 55888, 1.4439809390602255e-309}})
    EXPECT_REL(fUpperTail(c.F, c.d1, c.d2), c.p, 1e-10) << c.F << " " << c.d1 << " " << c.d2;
  EXPECT_EQ(fUpperTail(0, 3, 4), 1);
  EXPECT_EQ(fUpperTail(INFINITY, 3, 4), 0);
  EXPECT_TRUE(std::isnan(fUpperTail(NAN, 3, 4)));
  EXPECT_NE(refusal([] { fUpperTail(1, 0, 4); }).find("degrees of freedom"), std::string::npos);

  EXPECT_REL(incompleteBeta(50, 3, 0.1), 1.07875e-47, 1e-12);
  EXPECT_REL(incompleteBeta(100, 100, 0.001), 4.1045069078776273e-242, 1e-12);
  EXPECT_REL(incompleteBeta(2.5, 7.5, 0.3), 0.67894348586618166, 1e-12);
  EXPECT_REL(incompleteBeta(0.5, 0.5, 0.9), 0.79516723530086655, 1e-12);
}

}  // namespace
}  // namespace varnok::analysis

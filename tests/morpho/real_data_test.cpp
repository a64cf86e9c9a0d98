// The whole chain on the real landmark data sets: consensus, fit, shape
// variables and reconstruction.
#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <vector>

#include "morpho/getconsensus.hpp"
#include "morpho/getpsup.hpp"
#include "morpho/getpw_arbit.hpp"
#include "morpho/mirrored.hpp"
#include "morpho/reversepwarb.hpp"
#include "morpho_test_support.hpp"

namespace varnok::morpho {
namespace {

using namespace testing;

struct DataSet {
  const char* file;
  Index N, L;
};

void PrintTo(const DataSet& d, std::ostream* os) {
  *os << d.file;
}

class RealData : public ::testing::TestWithParam<DataSet> {
 protected:
  void SetUp() override {
    x_ = readLandmarks(GetParam().file);
    ASSERT_EQ(x_.rows(), GetParam().N) << GetParam().file;
    ASSERT_EQ(x_.cols(), 2 * GetParam().L + 1);
  }
  Mat x_;
};

TEST_P(RealData, ConsensusIsAFixedPointOfItsDefinition) {
  const Consensus c = getconsensus(x_);
  ASSERT_TRUE(c.converged);
  const Index K = x_.cols() - 1;
  Mat mean = getpsup(x_, c.y).colwise().mean();
  mean /= mean.leftCols(K).norm();
  EXPECT_LE((mean - Mat(c.y)).leftCols(K).squaredNorm(), kConsensusThreshold);
  EXPECT_NEAR(c.y.head(K).squaredNorm(), 1.0, 1e-14);
}

// The shape variables are coordinates of the fitted forms in an orthonormal
// basis of everything but the translations, the reference and its rotation:
// their total variance is the variance of the fitted coordinates with those
// four directions projected out.
TEST_P(RealData, ShapeVariablesCarryAllTheShapeVariance) {
  const Index L = GetParam().L, N = GetParam().N;
  Mat ref = getconsensus(x_).y;
  ref = (ref * 10000.0).array().round() / 10000.0;
  const Mat fit = getpsup(x_, ref);
  const Mat pw = getpw_arbit(ref, fit);
  ASSERT_EQ(pw.cols(), 2 * L - 3);

  Mat basis = Mat::Zero(2 * L, 4);
  for (Index j = 0; j < L; ++j) {
    basis(2 * j, 0) = 1.0;
    basis(2 * j + 1, 1) = 1.0;
    basis(2 * j, 2) = ref(0, 2 * j);
    basis(2 * j + 1, 2) = ref(0, 2 * j + 1);
    basis(2 * j, 3) = -ref(0, 2 * j + 1);
    basis(2 * j + 1, 3) = ref(0, 2 * j);
  }
  const Eigen::HouseholderQR<Eigen::MatrixXd> qr(basis);
  const Eigen::MatrixXd Q = qr.householderQ() * Eigen::MatrixXd::Identity(2 * L, 4);
  Eigen::MatrixXd coords = fit.leftCols(2 * L);
  coords -= (coords * Q) * Q.transpose();

  auto totalVariance = [N](Eigen::MatrixXd m) {
    m.rowwise() -= m.colwise().mean();
    return m.squaredNorm() / static_cast<double>(N - 1);
  };
  const double shapeVar = totalVariance(pw.leftCols(2 * L - 4));
  const double coordVar = totalVariance(coords);
  EXPECT_NEAR(shapeVar, coordVar, 1e-7 * coordVar);
}

TEST_P(RealData, ReconstructionGivesBackTheFittedForms) {
  const Index L = GetParam().L;
  Mat ref = getconsensus(x_).y;
  ref = (ref * 10000.0).array().round() / 10000.0;
  const Mat fit = getpsup(x_, ref);
  const Mat pw = getpw_arbit(ref, fit);
  const RowVec r = ref.leftCols(2 * L);
  for (Index i = 0; i < fit.rows(); ++i) {
    const RowVec back = reversepwarb(ref, pw.row(i));
    // What the shape variables leave out: the component along the reference,
    // and the translation by which the rounded reference is off centre.
    const RowVec xi = fit.row(i).head(2 * L);
    RowVec expected = xi - (xi.dot(r) / r.squaredNorm() - 1.0) * r;
    RowVec got = back.head(2 * L);
    for (RowVec* v : {&expected, &got}) {
      Eigen::Map<Eigen::Matrix<double, Eigen::Dynamic, 2, Eigen::RowMajor>> xy(v->data(), L, 2);
      xy.rowwise() -= xy.colwise().mean();
    }
    EXPECT_LT((got - expected).norm(), 1e-7) << GetParam().file << " row " << i;
  }
}

TEST_P(RealData, NoSpecimenIsMirroredButAMirroredCopyIsFoundAmongThem) {
  EXPECT_TRUE(mirroredRows(x_, getconsensus(x_).y).empty());
  // One specimen of the set again, as its mirror image (x -> -x), last.
  Mat withCopy(x_.rows() + 1, x_.cols());
  withCopy.topRows(x_.rows()) = x_;
  withCopy.row(x_.rows()) = x_.row(1);
  for (Index j = 0; j + 1 < x_.cols(); j += 2) withCopy(x_.rows(), j) = -x_(1, j);
  EXPECT_EQ(mirroredRows(withCopy, getconsensus(withCopy).y), std::vector<Index>{x_.rows()});
  // Its fit: the mirror image of a specimen fits as the specimen's own.
  const MirrorFit own = mirrorFit(x_.row(1), getconsensus(x_).y);
  const MirrorFit copy = mirrorFit(withCopy.row(x_.rows()), getconsensus(x_).y);
  EXPECT_NEAR(copy.mirrored, own.ss, 1e-12);
  EXPECT_NEAR(copy.ss, own.mirrored, 1e-12);
}

// A study large enough to be searched on two threads, mirrored copies
// scattered through it and on the edges of the blocks of rows: the rows
// found are those the fit of each row alone finds, in order.
TEST_P(RealData, MirroredCopiesAreFoundInALargeStudyInOrder) {
  const Index n = 12 * 4096 + 7;
  Mat big(n, x_.cols());
  std::vector<Index> copies;
  for (Index i = 0; i < n; ++i) {
    big.row(i) = x_.row(i % x_.rows());
    if (i % 4096 == 4095 || i % 4096 == 0 || i % 1013 == 5 || i == n - 1) {
      for (Index j = 0; j + 1 < x_.cols(); j += 2) big(i, j) = -big(i, j);
      copies.push_back(i);
    }
  }
  const RowVec consensus = getconsensus(x_).y;
  std::vector<Index> oneByOne;
  for (Index i = 0; i < n; ++i) {
    const MirrorFit fit = mirrorFit(big.row(i), consensus);
    if (fit.mirrored < kMirroredRatio * fit.ss) oneByOne.push_back(i);
  }
  // Most copies differ enough from their own mirror image to be found.
  EXPECT_GT(oneByOne.size(), copies.size() / 2);
  EXPECT_TRUE(std::includes(copies.begin(), copies.end(), oneByOne.begin(), oneByOne.end()));
  EXPECT_EQ(mirroredRows(big, consensus), oneByOne);
}

INSTANTIATE_TEST_SUITE_P(Morpho, RealData,
                         ::testing::Values(DataSet{"gorilla.txt", 59, 8},
                                           DataSet{"mice.txt", 76, 6},
                                           DataSet{"digit3.txt", 30, 13}),
                         [](const auto& info) {
                           std::string f = info.param.file;
                           return f.substr(0, f.find('.'));
                         });

}  // namespace
}  // namespace varnok::morpho

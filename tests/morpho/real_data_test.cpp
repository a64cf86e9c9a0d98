// The whole chain on the real landmark data sets: consensus, fit, shape
// variables and reconstruction.
#include <gtest/gtest.h>

#include <ostream>

#include "morpho/getconsensus.hpp"
#include "morpho/getpsup.hpp"
#include "morpho/getpw_arbit.hpp"
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

#include "analysis/canonical_variates.hpp"

#include <Eigen/Cholesky>
#include <Eigen/Eigenvalues>
#include <algorithm>
#include <cmath>
#include <string>

#include "analysis/pca.hpp"
#include "platform/matrix/runtime_error.hpp"

namespace varnok::analysis {

namespace {

using Index = Eigen::Index;
using Dense = Eigen::MatrixXd;

struct Axes {
  Mat axes;  // V by maxQ, largest eigenvalue first
  int maxQ = 0;
};

Axes principalAxes(const Mat& W, const Groups& groups) {
  const Index N = W.rows(), V = W.cols();
  const EigenPairs e = symmetricEigen(covariance(W));
  const double largest = e.values(V - 1);
  Index above = 0;
  for (Index j = 0; j < V; ++j)
    if (e.values(j) > 1e-10 * largest) ++above;
  Axes a;
  a.maxQ = static_cast<int>(std::max<Index>(0, std::min({V, N - groups.count() - 1, above})));
  a.axes.resize(V, a.maxQ);
  for (int j = 0; j < a.maxQ; ++j) a.axes.col(j) = e.vectors.col(V - 1 - j);
  return a;
}

void check(const Mat& W, const Groups& groups) {
  const Index N = W.rows();
  const int k = groups.count();
  if (groups.specimens() != N)
    throw RuntimeError("Run-time Error: Canonical variates: the group list has " +
                       std::to_string(groups.specimens()) + " specimens and the shape variables " +
                       std::to_string(N) + ".");
  if (k < 2)
    throw RuntimeError(
        "Run-time Error: Canonical variates separate groups and need at least 2; the group list "
        "has " +
        std::to_string(k) + (k == 1 ? " group." : " groups."));
  if (N <= k + 1)
    throw RuntimeError(
        "Run-time Error: Canonical variates need at least 2 specimens more than "
        "groups; there are " +
        std::to_string(N) + " specimens in " + std::to_string(k) + " groups.");
  if (W.cols() < 1 || !W.allFinite())
    throw RuntimeError(
        "Run-time Error: Canonical variates need shape variables that are finite numbers; run "
        "the analysis first.");
}

// Leave-one-out assignment of every specimen (group indices 0 .. k-1).
std::vector<int> leaveOneOut(const Dense& Z, const Groups& groups, const Dense& means,
                             const Dense& scatter) {
  const Index N = Z.rows(), q = Z.cols();
  const int k = groups.count();
  std::vector<int> out(static_cast<std::size_t>(N));
  Eigen::LLT<Dense> llt(q);
  Dense m = means;
  Eigen::VectorXd d(q);
  for (Index i = 0; i < N; ++i) {
    const int g = groups.index[i];
    const double n = static_cast<double>(groups.sizes[g]);
    m = means;
    Dense sc = scatter;
    int present = k;
    if (groups.sizes[g] > 1) {
      d = Z.row(i).transpose() - means.row(g).transpose();
      // Leaving z_i out of its group: the scatter loses n/(n-1) d d' and the
      // mean moves away from z_i.
      sc.noalias() -= (n / (n - 1)) * d * d.transpose();
      m.row(g) = (n * means.row(g) - Z.row(i)) / (n - 1);
    } else {
      --present;
    }
    llt.compute(sc / static_cast<double>(N - 1 - present));
    double best = INFINITY;
    int choice = -1;
    for (int h = 0; h < k; ++h) {
      if (h == g && groups.sizes[g] == 1) continue;
      d = Z.row(i).transpose() - m.row(h).transpose();
      llt.matrixL().solveInPlace(d);
      const double dist = d.squaredNorm();
      if (dist < best || choice < 0) best = dist, choice = h;
    }
    out[static_cast<std::size_t>(i)] = choice;
  }
  return out;
}

}  // namespace

int cvaMaxAxes(const Mat& W, const Groups& groups) {
  check(W, groups);
  return principalAxes(W, groups).maxQ;
}

CanonicalVariates canonicalVariates(const Mat& W, const Groups& groups, int q,
                                    const PermutationOptions& options, Progress& progress) {
  check(W, groups);
  Axes pa = principalAxes(W, groups);
  if (pa.maxQ < 1)
    throw RuntimeError(
        "Run-time Error: Canonical variates need shape variation within the groups; the "
        "principal components hold none.");
  if (q <= 0) q = pa.maxQ;
  if (q > pa.maxQ)
    throw RuntimeError("Run-time Error: Canonical variates can use at most " +
                       std::to_string(pa.maxQ) + " principal components here, not " +
                       std::to_string(q) + ".");
  const Index N = W.rows();
  const int k = groups.count();
  CanonicalVariates r;
  r.N = N, r.V = W.cols(), r.k = k, r.q = q;
  r.axes = pa.axes.leftCols(q);
  const Dense Z = (W.rowwise() - W.colwise().mean()) * r.axes;

  Dense means = Dense::Zero(k, q);
  for (Index i = 0; i < N; ++i) means.row(groups.index[i]) += Z.row(i);
  for (int g = 0; g < k; ++g) means.row(g) /= static_cast<double>(groups.sizes[g]);
  Dense scatter = Dense::Zero(q, q), between = Dense::Zero(q, q);
  for (Index i = 0; i < N; ++i) {
    const Eigen::RowVectorXd d = Z.row(i) - means.row(groups.index[i]);
    scatter.noalias() += d.transpose() * d;
  }
  for (int g = 0; g < k; ++g)
    between.noalias() +=
        static_cast<double>(groups.sizes[g]) * means.row(g).transpose() * means.row(g);
  const double dfWithin = static_cast<double>(N - k);
  const Dense S = scatter / dfWithin;
  r.S = S;
  r.groupMeans = means;

  // Canonical variates: B a = lambda S a with a' S a = 1.
  Eigen::GeneralizedSelfAdjointEigenSolver<Dense> ges(between, S);
  if (ges.info() != Eigen::Success)
    throw RuntimeError(
        "Run-time Error: The canonical variates could not be computed: the "
        "within-group covariance is singular.");
  const Index m = std::min<Index>(k - 1, q);
  r.eigenvalues.resize(m);
  r.coefficients.resize(q, m);
  for (Index j = 0; j < m; ++j) {
    r.eigenvalues(j) = ges.eigenvalues()(q - 1 - j);
    Eigen::VectorXd a = ges.eigenvectors().col(q - 1 - j);
    a /= std::sqrt(a.dot(S * a));
    if (means.row(0).dot(a) > 0) a = -a;
    r.coefficients.col(j) = a;
  }
  r.scores = Z * r.coefficients;

  // Mahalanobis distances, observed and permuted through one routine: for an
  // arrangement, S = (Z'Z - sum_g S_g S_g' / n_g) / (N - k) with S_g the
  // group sums of the centred scores.
  const Dense T = Z.transpose() * Z;
  struct Scratch {
    Dense sums, within;
    Eigen::VectorXd d;
    Eigen::LLT<Dense> llt;
  };
  Scratch scratch[2];
  for (auto& s : scratch) {
    s.sums.resize(k, q);
    s.within.resize(q, q);
    s.d.resize(q);
    s.llt.compute(Dense::Identity(q, q));  // sizes its storage once
  }
  auto statistics = [&](const int* a, double* out, int part) {
    Scratch& s = scratch[part];
    s.sums.setZero();
    for (Index i = 0; i < N; ++i) s.sums.row(a[i]) += Z.row(i);
    s.within = T;
    for (int g = 0; g < k; ++g)
      s.within.noalias() -=
          (1.0 / static_cast<double>(groups.sizes[g])) * s.sums.row(g).transpose() * s.sums.row(g);
    s.within /= dfWithin;
    s.llt.compute(s.within);
    for (int ga = 0; ga < k; ++ga)
      for (int gb = ga + 1; gb < k; ++gb) {
        s.d = s.sums.row(ga).transpose() / static_cast<double>(groups.sizes[ga]) -
              s.sums.row(gb).transpose() / static_cast<double>(groups.sizes[gb]);
        s.llt.matrixL().solveInPlace(s.d);
        *out++ = s.d.norm();
      }
  };
  std::vector<double> observed(static_cast<std::size_t>(k) * (k - 1) / 2);
  statistics(groups.index.data(), observed.data(), 0);
  const std::vector<long> counts = countPermutations(
      groups.index, observed, options, static_cast<std::size_t>(N * q + q * q * q) * sizeof(double),
      progress, [](PermutationStream& s, std::vector<int>& a) { s.shuffle(a.data(), a.size()); },
      statistics);
  r.permutations = std::max(0L, options.count);
  r.seed = options.seed;
  std::size_t p = 0;
  for (int ga = 0; ga < k; ++ga)
    for (int gb = ga + 1; gb < k; ++gb, ++p)
      r.distances.push_back({groups.codes[ga], groups.codes[gb], observed[p],
                             permutationP(counts[p], r.permutations)});

  const std::vector<int> assigned = leaveOneOut(Z, groups, means, scatter);
  r.confusion = Mat::Zero(k, k);
  r.assigned.resize(static_cast<std::size_t>(N));
  for (Index i = 0; i < N; ++i) {
    r.confusion(groups.index[i], assigned[i]) += 1;
    r.assigned[i] = groups.codes[assigned[i]];
  }
  r.percentCorrect.resize(static_cast<std::size_t>(k));
  for (int g = 0; g < k; ++g)
    r.percentCorrect[g] = 100 * r.confusion(g, g) / static_cast<double>(groups.sizes[g]);
  r.overallPercent = 100 * r.confusion.trace() / static_cast<double>(N);
  return r;
}

}  // namespace varnok::analysis

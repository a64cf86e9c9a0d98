#include "analysis/shape_statistics.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <numeric>
#include <string>

#include "analysis/f_distribution.hpp"
#include "platform/matrix/runtime_error.hpp"

namespace varnok::analysis {

namespace {

using Index = Eigen::Index;

std::string count(Index n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

void checkShapeVariables(const Mat& W, Index minRows, const char* what) {
  if (W.cols() < 1)
    throw RuntimeError(std::string("Run-time Error: ") + what +
                       " needs shape variables; run the analysis first.");
  if (W.rows() < minRows)
    throw RuntimeError(std::string("Run-time Error: ") + what + " needs at least " +
                       std::to_string(minRows) + " specimens, not " + std::to_string(W.rows()) +
                       ".");
  if (!W.allFinite())
    throw RuntimeError(std::string("Run-time Error: ") + what +
                       ": the shape variables hold values that are not finite numbers.");
}

void checkGroupsMatch(const Mat& W, const Groups& groups, const char* what) {
  if (groups.specimens() != W.rows())
    throw RuntimeError(std::string("Run-time Error: ") + what + ": the group list has " +
                       count(groups.specimens(), "specimen", "specimens") +
                       " and the shape variables " + count(W.rows(), "specimen", "specimens") +
                       ".");
}

// Sums of squares need some shape variation to divide by: one that is only
// the rounding of centring identical rows (relative to the rows' own sum of
// squares) is none.
void checkVariation(double ssTotal, const Mat& W, const char* what) {
  if (!(ssTotal > 1e-24 * W.squaredNorm()))
    throw RuntimeError(std::string("Run-time Error: ") + what +
                       " needs shape variation; every specimen has the same shape.");
}

// Rows centred on their group means (all specimens one group when groups is
// null).
Mat centred(const Mat& W, const Groups* groups) {
  if (groups == nullptr) return W.rowwise() - W.colwise().mean();
  Mat sums = Mat::Zero(groups->count(), W.cols());
  for (Index i = 0; i < W.rows(); ++i) sums.row(groups->index[i]) += W.row(i);
  for (int g = 0; g < groups->count(); ++g) sums.row(g) /= static_cast<double>(groups->sizes[g]);
  Mat out(W.rows(), W.cols());
  for (Index i = 0; i < W.rows(); ++i) out.row(i) = W.row(i) - sums.row(groups->index[i]);
  return out;
}

ColVec centred(const ColVec& x, const Groups* groups) {
  Mat column = x;
  return centred(column, groups);
}

// Goodall's F from the group and total sums of squares; rounding that makes
// the residual negative is taken as a zero residual.
double goodallF(double ssGroups, double ssTotal, double df1, double df2) {
  const double resid = std::max(0.0, ssTotal - ssGroups);
  return (ssGroups / df1) / (resid / df2);
}

}  // namespace

Groups groupsFromCodes(const std::vector<int>& codes) {
  Groups g;
  std::map<int, int> position;
  for (int c : codes) position.emplace(c, 0);
  for (auto& [code, at] : position) {
    at = static_cast<int>(g.codes.size());
    g.codes.push_back(code);
  }
  g.sizes.assign(g.codes.size(), 0);
  g.index.reserve(codes.size());
  for (int c : codes) {
    const int at = position[c];
    g.index.push_back(at);
    ++g.sizes[static_cast<std::size_t>(at)];
  }
  return g;
}

Groups groupsFromColumn(const Mat& glist) {
  if (glist.cols() != 1 && glist.rows() > 0)
    throw RuntimeError("Run-time Error: A group list is one column of group codes, not " +
                       std::to_string(glist.cols()) + ".");
  std::vector<int> codes;
  codes.reserve(static_cast<std::size_t>(glist.rows()));
  for (Index i = 0; i < glist.rows(); ++i) {
    const double c = glist(i, 0);
    if (!(std::fabs(c) < 1e9) || c != std::floor(c))
      throw RuntimeError("Run-time Error: Line " + std::to_string(i + 1) +
                         " of the group list is not a whole number.");
    codes.push_back(static_cast<int>(c));
  }
  return groupsFromCodes(codes);
}

ShapeAnova shapeAnova(const Mat& W, const Groups& groups, const PermutationOptions& options,
                      Progress& progress) {
  constexpr const char* what = "The Procrustes ANOVA";
  checkGroupsMatch(W, groups, what);
  const int k = groups.count();
  if (k < 2)
    throw RuntimeError(
        "Run-time Error: The Procrustes ANOVA compares groups and needs at least 2; the group "
        "list has " +
        count(k, "group", "groups") + ".");
  const Index N = W.rows(), V = W.cols();
  if (N <= k)
    throw RuntimeError(
        "Run-time Error: The Procrustes ANOVA needs more specimens than groups; "
        "there are " +
        count(N, "specimen", "specimens") + " in " + count(k, "group", "groups") + ".");
  checkShapeVariables(W, 2, what);

  ShapeAnova r;
  r.N = N, r.V = V, r.k = k;
  r.df1 = k - 1, r.df2 = static_cast<double>(N - k);
  const Mat Wc = centred(W, nullptr);
  r.ssTotal = Wc.squaredNorm();
  checkVariation(r.ssTotal, W, what);

  // With centred rows the group sums S_g add up to 0, so the largest group's
  // sum is minus the others' and its rows need not be read:
  // SS_groups = sum_g ||S_g||² / n_g, w̄_g = S_g / n_g.
  const int skip = static_cast<int>(std::max_element(groups.sizes.begin(), groups.sizes.end()) -
                                    groups.sizes.begin());
  std::vector<double> inverse(static_cast<std::size_t>(k));
  for (int g = 0; g < k; ++g) inverse[g] = 1.0 / static_cast<double>(groups.sizes[g]);
  const std::size_t kv = static_cast<std::size_t>(k * V);
  std::vector<double> scratch[2] = {std::vector<double>(kv), std::vector<double>(kv)};
  const double df1 = r.df1, df2 = r.df2, ssTotal = r.ssTotal;
  auto statistics = [&](const int* a, double* out, int part) {
    double* S = scratch[part].data();
    std::fill(S, S + kv, 0.0);
    const double* w = Wc.data();
    for (Index i = 0; i < N; ++i, w += V) {
      const int g = a[i];
      if (g == skip) continue;
      double* s = S + g * V;
      for (Index v = 0; v < V; ++v) s[v] += w[v];
    }
    double* last = S + skip * V;
    for (int g = 0; g < k; ++g)
      if (g != skip)
        for (Index v = 0; v < V; ++v) last[v] -= S[g * V + v];
    double ssGroups = 0;
    for (int g = 0; g < k; ++g) {
      double sq = 0;
      for (Index v = 0; v < V; ++v) sq += S[g * V + v] * S[g * V + v];
      ssGroups += sq * inverse[g];
    }
    out[0] = goodallF(ssGroups, ssTotal, df1, df2);
    out[1] = ssGroups;
    double* d = out + 2;
    for (int ga = 0; ga < k; ++ga)
      for (int gb = ga + 1; gb < k; ++gb) {
        double sq = 0;
        for (Index v = 0; v < V; ++v) {
          const double diff = S[ga * V + v] * inverse[ga] - S[gb * V + v] * inverse[gb];
          sq += diff * diff;
        }
        *d++ = std::sqrt(sq);
      }
  };

  const std::size_t pairs = static_cast<std::size_t>(k) * (k - 1) / 2;
  std::vector<double> observed(2 + pairs);
  statistics(groups.index.data(), observed.data(), 0);
  r.F = observed[0];
  r.ssGroups = observed[1];
  r.ssResid = std::max(0.0, r.ssTotal - r.ssGroups);
  r.msGroups = r.ssGroups / r.df1;
  r.msResid = r.ssResid / r.df2;
  r.R2 = r.ssGroups / r.ssTotal;
  r.pParam = fUpperTail(r.F, r.df1 * static_cast<double>(V), r.df2 * static_cast<double>(V));

  // Only F and the distances are tested (SS_groups is monotone in F).
  std::vector<double> tested = observed;
  tested[1] = -std::numeric_limits<double>::infinity();
  const std::vector<long> counts = countPermutations(
      groups.index, tested, options, static_cast<std::size_t>(N * V) * sizeof(double), progress,
      [&](PermutationStream& s, std::vector<int>& a) { s.shuffle(a.data(), a.size()); },
      statistics);
  r.permutations = std::max(0L, options.count);
  r.seed = options.seed;
  r.pPerm = permutationP(counts[0], r.permutations);
  std::size_t p = 0;
  for (int ga = 0; ga < k; ++ga)
    for (int gb = ga + 1; gb < k; ++gb, ++p)
      r.pairs.push_back({groups.codes[ga], groups.codes[gb], observed[2 + p],
                         permutationP(counts[2 + p], r.permutations)});
  return r;
}

namespace {

// The regression on the rows W centred as Wc and on centred sizes xc; draw rearranges
// the specimen order of xc.
template <class Draw>
ShapeRegression regress(const Mat& W, const Mat& Wc, const ColVec& xc, double df2, bool pooled,
                        const PermutationOptions& options, Progress& progress, Draw&& draw) {
  const Index N = Wc.rows(), V = Wc.cols();
  ShapeRegression r;
  r.pooled = pooled;
  r.N = N, r.V = V, r.df2 = df2;
  r.ssTotal = Wc.squaredNorm();
  checkVariation(r.ssTotal, W,
                 pooled ? "The pooled within-group regression of shape on size"
                        : "The regression of shape on size");
  const double sxx = xc.squaredNorm(), ssTotal = r.ssTotal;
  // b = Wc' x* / Sxx, so SS_pred = Sxx ||b||² = ||Wc' x*||² / Sxx.
  std::vector<double> scratch[2] = {std::vector<double>(static_cast<std::size_t>(V)),
                                    std::vector<double>(static_cast<std::size_t>(V))};
  auto statistics = [&](const int* a, double* out, int part) {
    double* u = scratch[part].data();
    std::fill(u, u + V, 0.0);
    const double* w = Wc.data();
    for (Index i = 0; i < N; ++i, w += V) {
      const double xi = xc(a[i]);
      for (Index v = 0; v < V; ++v) u[v] += xi * w[v];
    }
    double sq = 0;
    for (Index v = 0; v < V; ++v) sq += u[v] * u[v];
    const double ssPred = sq / sxx;
    out[0] = goodallF(ssPred, ssTotal, 1.0, df2);
    out[1] = ssPred;
  };
  std::vector<int> identity(static_cast<std::size_t>(N));
  std::iota(identity.begin(), identity.end(), 0);
  std::vector<double> observed(2);
  statistics(identity.data(), observed.data(), 0);
  r.F = observed[0];
  r.ssPred = observed[1];
  r.ssResid = std::max(0.0, r.ssTotal - r.ssPred);
  r.R2 = r.ssPred / r.ssTotal;
  r.b = (xc.transpose() * Wc) / sxx;
  const double norm = r.b.norm();
  r.scores = norm > 0 ? ColVec(Wc * r.b.transpose() / norm) : ColVec(ColVec::Zero(N));

  // Only F is tested (SS_pred is monotone in it).
  const std::vector<long> counts = countPermutations(
      identity, {observed[0], -std::numeric_limits<double>::infinity()}, options,
      static_cast<std::size_t>(N * V) * sizeof(double), progress, draw, statistics);
  r.permutations = std::max(0L, options.count);
  r.seed = options.seed;
  r.pPerm = permutationP(counts[0], r.permutations);
  return r;
}

void checkSizes(const Mat& W, const ColVec& x, const char* what,
                const char* values = "log centroid sizes") {
  if (x.size() != W.rows())
    throw RuntimeError(std::string("Run-time Error: ") + what + ": there are " +
                       std::to_string(x.size()) + " " + values + " for " +
                       count(W.rows(), "specimen", "specimens") + ".");
  if (!x.allFinite())
    throw RuntimeError(std::string("Run-time Error: ") + what + ": the " + values +
                       " hold values that are not finite numbers.");
}

}  // namespace

ShapeRegression regressShapeOnSize(const Mat& W, const ColVec& x, const PermutationOptions& options,
                                   Progress& progress) {
  constexpr const char* what = "The regression of shape on size";
  checkSizes(W, x, what);
  checkShapeVariables(W, 3, what);
  if (x.maxCoeff() == x.minCoeff())
    throw RuntimeError(
        "Run-time Error: The regression of shape on size needs specimens of different sizes; "
        "every specimen has the same centroid size.");
  return regress(W, centred(W, nullptr), centred(x, nullptr), static_cast<double>(W.rows() - 2),
                 false, options, progress,
                 [](PermutationStream& s, std::vector<int>& a) { s.shuffle(a.data(), a.size()); });
}

ShapeRegression regressShapeOnSizeWithinGroups(const Mat& W, const ColVec& x, const Groups& groups,
                                               const PermutationOptions& options,
                                               Progress& progress) {
  constexpr const char* what = "The pooled within-group regression of shape on size";
  checkSizes(W, x, what);
  checkGroupsMatch(W, groups, what);
  checkShapeVariables(W, 3, what);
  const int k = groups.count();
  const Index N = W.rows();
  if (N < k + 2)
    throw RuntimeError(
        "Run-time Error: The pooled within-group regression of shape on size needs at least 2 "
        "specimens more than groups; there are " +
        count(N, "specimen", "specimens") + " in " + count(k, "group", "groups") + ".");
  std::vector<double> low(static_cast<std::size_t>(k), INFINITY),
      high(static_cast<std::size_t>(k), -INFINITY);
  bool varies = false;
  for (Index i = 0; i < N; ++i) {
    const int g = groups.index[i];
    low[g] = std::min(low[g], x(i));
    high[g] = std::max(high[g], x(i));
    varies = varies || low[g] != high[g];
  }
  if (!varies)
    throw RuntimeError(
        "Run-time Error: The pooled within-group regression of shape on size needs specimens of "
        "different sizes within a group; within every group all have the same centroid size.");
  std::vector<std::vector<int>> members(static_cast<std::size_t>(k));
  for (Index i = 0; i < N; ++i) members[groups.index[i]].push_back(static_cast<int>(i));
  return regress(W, centred(W, &groups), centred(x, &groups), static_cast<double>(N - k - 1), true,
                 options, progress, [&](PermutationStream& s, std::vector<int>& a) {
                   for (const auto& m : members) s.shuffleAt(a.data(), m);
                 });
}

RowVec shapeChangePerUnit(const Mat& W, const ColVec& s) {
  constexpr const char* what = "The shape change along a score";
  checkSizes(W, s, what, "scores");
  checkShapeVariables(W, 2, what);
  if (s.maxCoeff() == s.minCoeff())
    throw RuntimeError(
        "Run-time Error: The shape change along a score needs a score that varies; every "
        "specimen has the same score.");
  const ColVec sc = centred(s, nullptr);
  return (sc.transpose() * centred(W, nullptr)) / sc.squaredNorm();
}

Outliers findOutliers(const Mat& W) {
  checkShapeVariables(W, 2, "Finding outliers");
  const Index N = W.rows();
  Outliers o;
  o.D = centred(W, nullptr).rowwise().norm();
  o.order.resize(static_cast<std::size_t>(N));
  std::iota(o.order.begin(), o.order.end(), Index{0});
  std::stable_sort(o.order.begin(), o.order.end(),
                   [&](Index a, Index b) { return o.D(a) > o.D(b); });
  std::vector<double> sorted(o.D.data(), o.D.data() + N);
  std::sort(sorted.begin(), sorted.end());
  auto median = [](const double* v, std::size_t n) {
    return n % 2 == 1 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
  };
  const std::size_t half = static_cast<std::size_t>(N) / 2;
  o.q1 = median(sorted.data(), half);
  o.q3 = median(sorted.data() + (static_cast<std::size_t>(N) - half), half);
  o.fence = o.q3 + 1.5 * (o.q3 - o.q1);
  for (Index i : o.order)
    if (o.D(i) > o.fence) o.above.push_back(i);
  return o;
}

}  // namespace varnok::analysis

#include "analysis/scree.hpp"

#include <cmath>
#include <numeric>
#include <string>

#include "morpho/checkpcaRoot.hpp"
#include "platform/matrix/runtime_error.hpp"
#include "platform/matrix/text.hpp"

namespace varnok::analysis {

namespace {

// The eigenvalues largest first: escore(i) = Dmatrix(NumPCA - i, NumPCA - i)
// for i = 1 .. NumPCA - 1 (none when NumPCA is below 2).
std::vector<double> descendingEigenvalues(const session::AnalysisState& s) {
  const double numPCA = session::need(s.NumPCA, "NumPCA");
  const Mat& D = session::need(s.Dmatrix, "Dmatrix");
  if (!std::isfinite(numPCA) || numPCA < 2) return {};
  const auto V = static_cast<Eigen::Index>(numPCA) - 1;
  if (V > D.rows() || V > D.cols())
    throw RuntimeError("Run-time Error: Index exceeds matrix dimensions.");
  std::vector<double> escore(static_cast<size_t>(V));
  for (Eigen::Index i = 1; i <= V; ++i) escore[static_cast<size_t>(i - 1)] = D(V - i, V - i);
  return escore;
}

// Automatic limits of the scree plots run this share of the data range past
// the first and last points, so no marker sits on the frame.
constexpr double kScreeMargin = 0.06;

void drawScree(session::ActionContext& ctx, const std::vector<double>& escore, std::string title,
               std::string ylabel) {
  if (escore.empty()) throwUndefined("escore");
  auto& ax = ctx.window.figure().axes();
  ax.cla();
  // The score plot leaves equal units on; a scree plot fills the box.
  ax.axisNormal();
  std::vector<double> rank(escore.size());
  std::iota(rank.begin(), rank.end(), 1.0);
  ax.plot(rank, escore, "ko");
  ax.axisAuto();
  ax.setTitle(std::move(title));
  ax.setAutoMargin(kScreeMargin);
  ax.setXLabel("Principal axis");
  ax.setYLabel(std::move(ylabel));
}

}  // namespace

void ScreePlot(session::ActionContext& ctx) {
  drawScree(ctx, descendingEigenvalues(ctx.state), "Scree Plot-Raw Eigenvalues", "Eigenvalue");
}

void ScreePercentages(session::ActionContext& ctx) {
  std::vector<double> escore = descendingEigenvalues(ctx.state);
  const double total = std::accumulate(escore.begin(), escore.end(), 0.0);
  for (double& e : escore) e = e * 100 / total;
  drawScree(ctx, escore, "Scree Plot as Percentage of Variance", "Share of variance (%)");
}

int distinctEigenvalues(const std::vector<double>& escore, double N) {
  // Negative eigenvalues only arise as rounding noise where the true value is
  // zero (fewer specimens than variables); judged as zeros they keep the test
  // meaningful instead of taking the logarithm of a negative number.
  auto eigenvalue = [&](int k) {
    const double v = escore[static_cast<size_t>(k - 1)];
    return v < 0 ? 0.0 : v;
  };
  const int V = static_cast<int>(escore.size());
  double chich = 10;  // only makes the first pass run
  int count = 1;
  while (chich > 5.99 && count < V) {
    chich = morpho::checkpcaRoot(eigenvalue(count), eigenvalue(count + 1), N - 1);
    ++count;
  }
  return count - 2;
}

void CheckSig(session::ActionContext& ctx) {
  const double N = static_cast<double>(session::need(*ctx.state.DATA, "DATA").rows());
  const int distinct = distinctEigenvalues(descendingEigenvalues(ctx.state), N);
  ctx.window.dialogs().msgbox(
      sprintf("The number of distinct eigenvalues is %i ", {static_cast<double>(distinct)}),
      "Test for significantly different PCAs");
}

}  // namespace varnok::analysis

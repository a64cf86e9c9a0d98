#include "display/deformation_actions.hpp"

#include <cmath>
#include <string>

#include "platform/matrix/runtime_error.hpp"
#include "platform/matrix/text.hpp"

namespace varnok::display {

namespace {

bool wholeIn(double x, double lo, double hi) {
  return x >= lo && x <= hi && x == std::floor(x);
}

void deform(session::ActionContext& ctx, double suptype) {
  auto call = gatherDeformationCall(ctx, suptype);
  if (call) drawDeformation(ctx, *call);
}

}  // namespace

std::nullopt_t refuseDeformation(window::Window& w, const std::string& text) {
  w.dialogs().msgbox(text, kDeformationTitle);
  return std::nullopt;
}

bool isAxis(double t, double V) {
  return wholeIn(t, 1, V);
}

Eigen::Index axisColumn(const Mat& Vmatrix, double numPCA, double t) {
  const double c = numPCA - t;  // 1-based column
  if (!wholeIn(c, 1, static_cast<double>(Vmatrix.cols())))
    throw RuntimeError("There is no principal axis " + num2str(t) +
                       "; the analysis has axes 1 to " +
                       num2str(static_cast<double>(Vmatrix.cols())) + ".");
  return static_cast<Eigen::Index>(c) - 1;
}

std::optional<double> boxNumber(window::Window& w, const char* tag) {
  Value v = w.control(tag).get("String");
  Mat m = str2num(v.isText() ? v.text() : v.describe());
  if (m.size() == 0 || !std::isfinite(m(0, 0))) return std::nullopt;
  return m(0, 0);
}

bool readyToPicture(const session::AnalysisState& s, window::Window& w) {
  if (s.Vmatrix.size() == 0 || s.reference.size() == 0 || !s.NumPCA) {
    refuseDeformation(w,
                      "There is no analysis to picture yet. Load a landmark data file and run the "
                      "analysis (group list or no group list) first.");
    return false;
  }
  if (!s.vplotdensity || !s.vlinewidth || !s.vlineformat1 || !s.vrefsymbol || !s.vaheads) {
    refuseDeformation(w, "The display settings are not set; load a landmark data file first.");
    return false;
  }
  return true;
}

std::optional<DeformationCall> gatherPictureSettings(const session::AnalysisState& s,
                                                     window::Window& w, double suptype) {
  auto refuse = [&w](const std::string& text) { return refuseDeformation(w, text); };
  DeformationCall call;
  call.suptype = suptype;
  const double L = static_cast<double>((s.reference.cols() - 1) / 2);
  auto b1 = boxNumber(w, "BaseBox1");
  auto b2 = boxNumber(w, "BaseBox2");
  const double deftype = w.control("DeFormat").get("Value").scalar();
  auto range = boxNumber(w, "RangeBox");
  const double gridtrim = w.control("GridTrimButton").get("Value").scalar();
  if (!range || *range <= 0) return refuse("The grid range must be a positive number.");
  if (suptype != 2) {
    if (!b1 || !b2 || !wholeIn(*b1, 1, L) || !wholeIn(*b2, 1, L) || *b1 == *b2)
      return refuse("The baseline landmarks must be two different landmark numbers from 1 to " +
                    num2str(L) + ".");
  }
  call.b1 = b1.value_or(1);
  call.b2 = b2.value_or(2);
  call.reference = s.reference;
  call.npts = *s.vplotdensity;
  call.plottype = deftype;
  call.style.lineweight = *s.vlinewidth;
  call.style.linespec = *s.vlineformat1;
  call.style.symboltype = *s.vrefsymbol;
  call.style.aheadspec = *s.vaheads;
  call.style.rangeexpansion = *range;
  call.style.trimreq = gridtrim;
  call.style.defangle = s.defangle.value_or(10);
  return call;
}

void drawDeformation(session::ActionContext& ctx, const DeformationCall& call) {
  DeformationResult r = showpw5(ctx.window, &ctx.console, call.reference, call.pwscore, call.npts,
                                call.plottype, call.suptype, call.b1, call.b2, call.style);
  if (r.theta) ctx.state.defangle = *r.theta;
}

RowVec deformationAxisVector(const Mat& Vmatrix, double numPCA, double pcatarget,
                             double exaggeration) {
  const Eigen::Index c = axisColumn(Vmatrix, numPCA, pcatarget);
  const Eigen::Index V = Vmatrix.rows();
  RowVec v(V + 1);
  v.head(V) = Vmatrix.col(c).transpose();
  v(V) = 1;
  for (Eigen::Index i = 0; i <= V; ++i) v(i) = std::round(v(i) * 100000 * exaggeration) / 100000;
  return v;
}

std::optional<DeformationCall> gatherDeformationCall(session::ActionContext& ctx, double suptype) {
  auto& s = ctx.state;
  auto& w = ctx.window;
  auto refuse = [&w](const std::string& text) { return refuseDeformation(w, text); };
  if (!readyToPicture(s, w)) return std::nullopt;
  auto ex = boxNumber(w, "ExagerationBox");
  auto target = boxNumber(w, "ShowBox");
  if (!ex) return refuse("The exaggeration is not a number.");
  if (!target) return refuse("The principal axis to show is not a number.");
  const double V = static_cast<double>(s.Vmatrix.cols());
  if (!wholeIn(*target, 1, V))
    return refuse("There is no principal axis " + num2str(*target) +
                  "; the analysis has axes 1 to " + num2str(V) + ".");
  auto call = gatherPictureSettings(s, w, suptype);
  if (!call) return std::nullopt;
  call->pwscore = deformationAxisVector(s.Vmatrix, *s.NumPCA, *target, *ex);
  return call;
}

void ShowPCADeformationPS(session::ActionContext& ctx) {
  deform(ctx, 2);
}
void ShowPCADeformationBC(session::ActionContext& ctx) {
  deform(ctx, 0);
}
void ShowPCADeformationSBR(session::ActionContext& ctx) {
  deform(ctx, 1);
}

}  // namespace varnok::display

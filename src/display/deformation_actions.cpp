#include "display/deformation_actions.hpp"

#include <algorithm>
#include <any>
#include <cmath>
#include <string>
#include <utility>

#include "display/outline.hpp"
#include "platform/matrix/runtime_error.hpp"
#include "platform/matrix/text.hpp"
#include "session/controls.hpp"

namespace varnok::display {

namespace {

bool wholeIn(double x, double lo, double hi) {
  return x >= lo && x <= hi && x == std::floor(x);
}

RequestRead refused(std::string why) {
  return {std::nullopt, std::move(why)};
}

void deform(session::ActionContext& ctx, Registration how) {
  auto r = shownRefusal(ctx, readDeformationRequest(ctx.state, ctx.window, how));
  if (!r) return;
  // Read again only to name the picture: the request read both already.
  const double axis = *session::boxNumber(ctx.window, "ShowBox");
  const double score = *session::boxNumber(ctx.window, "ExagerationBox");
  const double sign = axisSign(ctx.session, axis);
  const Eigen::Index V = r->pwscore.size() - 1;
  r->pwscore.head(V) *= sign;
  drawDeformation(ctx, *r,
                  {"PC " + num2str(axis) + " = " + sprintf("%+.2f", {sign * score}), axis, true});
}

}  // namespace

std::optional<DeformationRequest> shownRefusal(session::ActionContext& ctx, RequestRead read) {
  if (!read.request)
    ctx.window.dialogs().warn(read.refusal, session::refusalTitle(ctx, kDeformationTitle));
  return std::move(read.request);
}

bool isAxis(double t, double V) {
  return wholeIn(t, 1, V);
}

Eigen::Index loadingColumn(const Mat& Vmatrix, double numPCA, double t) {
  const auto c = session::axisColumn(numPCA, t, Vmatrix.cols());
  if (!c)
    throw RuntimeError("There is no principal axis " + num2str(t) +
                       "; the analysis has axes 1 to " +
                       num2str(static_cast<double>(Vmatrix.cols())) + ".");
  return *c;
}

std::optional<std::string> notReadyToPicture(const session::AnalysisState& s) {
  if (s.Vmatrix.size() == 0 || s.reference.size() == 0 || !s.NumPCA)
    return "There is no analysis to picture yet. Load a landmark data file and run the "
           "analysis (group list or no group list) first.";
  if (!s.vplotdensity || !s.vlinewidth || !s.vlineformat1 || !s.vrefsymbol || !s.vaheads)
    return "The display settings are not set; load a landmark data file first.";
  return std::nullopt;
}

RequestRead readPictureSettings(const session::AnalysisState& s, window::Window& w,
                                Registration how) {
  DeformationRequest r;
  r.registration = how;
  const double L = static_cast<double>((s.reference.cols() - 1) / 2);
  auto b1 = session::boxNumber(w, "BaseBox1");
  auto b2 = session::boxNumber(w, "BaseBox2");
  const double deftype = session::controlValue(w, "DeFormat");
  auto range = session::boxNumber(w, "RangeBox");
  const double gridtrim = session::controlValue(w, "GridTrimButton");
  if (!range || *range <= 0) return refused("The grid range must be a positive number.");
  if (how != Registration::Procrustes) {
    if (!b1 || !b2 || !wholeIn(*b1, 1, L) || !wholeIn(*b2, 1, L) || *b1 == *b2)
      return refused("The baseline landmarks must be two different landmark numbers from 1 to " +
                     num2str(L) + ".");
  }
  r.b1 = b1.value_or(1);
  r.b2 = b2.value_or(2);
  r.reference = s.reference;
  r.npts = *s.vplotdensity;
  r.picture = pictureType(deftype);
  r.style.lineweight = *s.vlinewidth;
  r.style.linespec = *s.vlineformat1;
  r.style.symboltype = *s.vrefsymbol;
  r.style.aheadspec = *s.vaheads;
  r.style.rangeexpansion = *range;
  r.style.trimreq = gridtrim;
  r.style.defangle = s.defangle.value_or(10);
  readPictureChoices(w, r);
  return {std::move(r), {}};
}

const LastDeformation* lastDeformation(const session::Session& s) {
  return std::any_cast<LastDeformation>(&s.figures.lastDeformation);
}

std::string registrationName(const DeformationRequest& r) {
  const std::string baseline = num2str(r.b1) + "-" + num2str(r.b2);
  switch (r.registration) {
    case Registration::Baseline:
      return "baseline " + baseline;
    case Registration::SlidingBaseline:
      return "sliding baseline " + baseline;
    case Registration::Procrustes:
      return "Procrustes";
    case Registration::ResistantFit:
      return "resistant fit";
    case Registration::None:
      break;
  }
  return "as given";
}

double axisSign(const session::Session& s, double t) {
  const auto& f = s.figures.flippedAxes;
  return std::find(f.begin(), f.end(), t) != f.end() ? -1 : 1;
}

void setPictureTitle(session::ActionContext& ctx, const std::string& title) {
  if (ctx.session.figures.titles) ctx.window.figure().axes().setTitle(title);
}

bool drawDeformation(session::ActionContext& ctx, const DeformationRequest& request,
                     const PictureSubject& subject) {
  echoRegistration(&ctx.console, static_cast<double>(request.registration));
  DeformationRequest r = request;
  r.wire = studyWireframe(ctx.session, (r.reference.cols() - 1) / 2);
  r.outline = carryOutline(outlineSource(ctx.session), r.reference);
  DeformationResult out =
      renderDeformation(r, {ctx.window.figure().axes(), &ctx.console, &ctx.window});
  if (!out.refusal.empty())
    ctx.window.dialogs().warn(out.refusal, session::refusalTitle(ctx, kDeformationTitle));
  if (out.theta) ctx.state.defangle = *out.theta;
  if (!out.refusal.empty()) return false;
  if (subject.what.empty()) return true;
  setPictureTitle(
      ctx, subject.namesRegistration ? subject.what + ", " + registrationName(r) : subject.what);
  ctx.session.figures.lastDeformation =
      LastDeformation{r, subject, out.referenceTurn, out.targetTurn};
  return true;
}

RowVec deformationAxisVector(const Mat& Vmatrix, double numPCA, double pcatarget,
                             double exaggeration) {
  const Eigen::Index c = loadingColumn(Vmatrix, numPCA, pcatarget);
  const Eigen::Index V = Vmatrix.rows();
  RowVec v(V + 1);
  v.head(V) = Vmatrix.col(c).transpose();
  v(V) = 1;
  for (Eigen::Index i = 0; i <= V; ++i) v(i) = std::round(v(i) * 100000 * exaggeration) / 100000;
  return v;
}

RequestRead readDeformationRequest(const session::AnalysisState& s, window::Window& w,
                                   Registration how) {
  if (auto why = notReadyToPicture(s)) return refused(*why);
  auto ex = session::boxNumber(w, "ExagerationBox");
  auto target = session::boxNumber(w, "ShowBox");
  if (!ex) return refused("The exaggeration is not a number.");
  if (!target) return refused("The principal axis to show is not a number.");
  const double V = static_cast<double>(s.Vmatrix.cols());
  if (!wholeIn(*target, 1, V))
    return refused("There is no principal axis " + num2str(*target) +
                   "; the analysis has axes 1 to " + num2str(V) + ".");
  auto read = readPictureSettings(s, w, how);
  if (read.request)
    read.request->pwscore = deformationAxisVector(s.Vmatrix, *s.NumPCA, *target, *ex);
  return read;
}

void ShowPCADeformationPS(session::ActionContext& ctx) {
  deform(ctx, Registration::Procrustes);
}
void ShowPCADeformationBC(session::ActionContext& ctx) {
  deform(ctx, Registration::Baseline);
}
void ShowPCADeformationSBR(session::ActionContext& ctx) {
  deform(ctx, Registration::SlidingBaseline);
}

}  // namespace varnok::display

// The PCA deformation actions: the shape change along one principal axis as
// a deformation of the reference, under Procrustes superimposition (PS),
// baseline registration (BC) or sliding baseline registration (SBR).
#pragma once

#include <optional>
#include <string>

#include "display/showpw5.hpp"
#include "session/action_context.hpp"

namespace varnok::display {

// A request read from the controls and the state, or why none can be made:
// one line for a message box titled kDeformationTitle. Reading shows
// nothing, asks nothing and changes nothing.
struct RequestRead {
  std::optional<DeformationRequest> request;
  std::string refusal;
};

// Shows a refusal in a message box titled kDeformationTitle and gives the
// request, if there is one: what an action draws.
std::optional<DeformationRequest> shownRefusal(session::ActionContext& ctx, RequestRead read);

// Whether t is a whole number from 1 to V, a principal axis of V.
bool isAxis(double t, double V);

// The column (0-based) of Vmatrix holding principal axis t, column numPCA - t
// counted from 1. Throws RuntimeError for an axis outside 1..V.
Eigen::Index loadingColumn(const Mat& Vmatrix, double numPCA, double t);

// Why there is nothing to picture yet (no analysis, or the display settings
// not set), or nullopt when there is.
std::optional<std::string> notReadyToPicture(const session::AnalysisState& s);

// What every deformation picture reads the same way: the baseline in
// BaseBox1 and BaseBox2 (checked unless the registration is Procrustes),
// DeFormat, RangeBox, GridTrimButton, the controls of readPictureChoices, the
// reference and the display settings. pwscore is left for the caller. Check
// notReadyToPicture first.
RequestRead readPictureSettings(const session::AnalysisState& s, window::Window& w,
                                Registration how);

// What a deformation picture shows: its title's first part ("PC 1 = +0.10",
// "Marker 1 (0.012, -0.004)") and, for a picture along a principal axis,
// that axis and whether the registration is named after it.
struct PictureSubject {
  std::string what;
  std::optional<double> axis;
  bool namesRegistration = false;
};

// The last deformation picture drawn: its request, what it shows and the
// turns it got, kept in Session::figures.lastDeformation so that the
// expansion map and the exported shapes follow it.
struct LastDeformation {
  DeformationRequest request;
  PictureSubject subject;
  double referenceTurn = 0, targetTurn = 0;
};
const LastDeformation* lastDeformation(const session::Session& s);

// The registration as a title names it: "Procrustes", "baseline 1-2",
// "sliding baseline 1-2", "resistant fit".
std::string registrationName(const DeformationRequest& r);

// -1 when principal axis t is shown with its sign flipped, else 1.
double axisSign(const session::Session& s, double t);

// Sets the picture's title when titles are on (Session::figures.titles).
void setPictureTitle(session::ActionContext& ctx, const std::string& title);

// Draws the request; the angle the picture was turned by becomes defangle
// (baseline pictures turn nothing and leave it). A refusal of the renderer
// is shown in a message box. A picture drawn gets its title from subject and
// becomes the last deformation picture. False when nothing was drawn.
bool drawDeformation(session::ActionContext& ctx, const DeformationRequest& r,
                     const PictureSubject& subject = {});

// The shape variables of the point exaggeration units along principal axis
// pcatarget (1 = largest eigenvalue), followed by exaggeration itself, each
// rounded to five decimals. Throws RuntimeError for an axis outside 1..V.
RowVec deformationAxisVector(const Mat& Vmatrix, double numPCA, double pcatarget,
                             double exaggeration);

// The request of ShowPCADeformationPS, BC or SBR: the axis in ShowBox, the
// factor in ExagerationBox and the picture settings, under how.
RequestRead readDeformationRequest(const session::AnalysisState& s, window::Window& w,
                                   Registration how);

void ShowPCADeformationPS(session::ActionContext& ctx);
void ShowPCADeformationBC(session::ActionContext& ctx);
void ShowPCADeformationSBR(session::ActionContext& ctx);

}  // namespace varnok::display

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
std::optional<DeformationRequest> shownRefusal(window::Window& w, RequestRead read);

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

// Draws the request; the angle the picture was turned by becomes defangle
// (baseline pictures turn nothing and leave it). A refusal of the renderer
// is shown in a message box.
void drawDeformation(session::ActionContext& ctx, const DeformationRequest& r);

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

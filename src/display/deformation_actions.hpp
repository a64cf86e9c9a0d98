// The PCA deformation actions: the shape change along one principal axis as
// a deformation of the reference, under Procrustes superimposition (PS),
// baseline registration (BC) or sliding baseline registration (SBR).
#pragma once

#include <optional>
#include <string>

#include "display/showpw5.hpp"
#include "session/action_context.hpp"

namespace varnok::display {

// Everything one deformation picture is drawn from.
struct DeformationCall {
  Mat reference;
  RowVec pwscore;
  double npts = 0, plottype = 0, suptype = 0, b1 = 0, b2 = 0;
  DeformationStyle style;
};

// The title of the message boxes that refuse a deformation picture.
inline constexpr const char* kDeformationTitle = "Deformation Error";

// The number in a control's String, or nullopt when it holds none (or a
// value that is not finite).
std::optional<double> boxNumber(window::Window& w, const char* tag);

// Shows text in a message box titled kDeformationTitle; gives nullopt, for
// a gathering function to return.
std::nullopt_t refuseDeformation(window::Window& w, const std::string& text);

// Whether t is a whole number from 1 to V, a principal axis of V.
bool isAxis(double t, double V);

// The column (0-based) of Vmatrix holding principal axis t, column numPCA - t
// counted from 1. Throws RuntimeError for an axis outside 1..V.
Eigen::Index axisColumn(const Mat& Vmatrix, double numPCA, double t);

// Whether there is an analysis to picture and the display settings are set;
// false after a message box (in w) saying which is missing.
bool readyToPicture(const session::AnalysisState& s, window::Window& w);

// What every deformation picture reads the same way: the baseline in
// BaseBox1 and BaseBox2 (checked unless suptype is 2, Procrustes), DeFormat,
// RangeBox, GridTrimButton, the reference and the display settings. pwscore
// is left for the caller. A problem is shown in a message box and gives
// nullopt. Call readyToPicture first.
std::optional<DeformationCall> gatherPictureSettings(const session::AnalysisState& s,
                                                     window::Window& w, double suptype);

// Draws call with showpw5; the angle the picture was turned by becomes
// defangle (baseline pictures turn nothing and leave it).
void drawDeformation(session::ActionContext& ctx, const DeformationCall& call);

// The shape variables of the point exaggeration units along principal axis
// pcatarget (1 = largest eigenvalue), followed by exaggeration itself, each
// rounded to five decimals. Throws RuntimeError for an axis outside 1..V.
RowVec deformationAxisVector(const Mat& Vmatrix, double numPCA, double pcatarget,
                             double exaggeration);

// Reads the controls and the state for a picture under suptype (2 PS, 0 BC,
// 1 SBR). A problem the user can mend (no analysis yet, an axis or a number
// that is not usable) is shown in a message box and gives nullopt.
std::optional<DeformationCall> gatherDeformationCall(session::ActionContext& ctx, double suptype);

void ShowPCADeformationPS(session::ActionContext& ctx);
void ShowPCADeformationBC(session::ActionContext& ctx);
void ShowPCADeformationSBR(session::ActionContext& ctx);

}  // namespace varnok::display

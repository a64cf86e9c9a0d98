// AnalysisState: the dispatcher's variables, kept between actions for the life
// of the process.
//
// An empty matrix or an unset optional means "not yet assigned"; actions read
// them through need(), which raises the runtime error for an undefined value,
// so an action started too early stops at that read.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/matrix/runtime_error.hpp"
#include "platform/matrix/shared_mat.hpp"
#include "platform/matrix/types.hpp"

namespace varnok::session {

// The columns of the data: a specimen row of n = 2L + 1 values (x y of each
// of L landmarks, then the centroid size) has V = n - 5 = 2L - 4 shape
// variables (the 2L coordinates less position, scale and rotation), and
// NumPCA = n - 4 = V + 1, the count the axis numbers are taken from
// (principal axis t is column NumPCA - t of Vmatrix, 1-based).
inline constexpr Eigen::Index kShapeVariablesLess = 5;  // V = n - kShapeVariablesLess
inline constexpr Eigen::Index kNumPCALess = 4;          // NumPCA = n - kNumPCALess

// The 0-based column of principal axis t (1 = largest eigenvalue) in a
// matrix of columns axes ordered by ascending eigenvalue (Vmatrix,
// PCAScores, percentexp), given NumPCA; nullopt when t names no column
// (not a whole number, or outside 1..columns).
std::optional<Eigen::Index> axisColumn(double numPCA, double t, Eigen::Index columns);

struct AnalysisState {
  // N x (2L+1): the landmark rows of the N specimens loaded, x y per
  // landmark and the centroid size; fitted onto the reference by the analysis.
  // Shared with the rows as read until the analysis replaces it, and with the
  // picture of the superimposed specimens.
  SharedMat DATA;
  // N x 1: the group code of each specimen, whole numbers from 1.
  Mat GLIST;
  // 24 line-style codes ("ro", "g+", ...): the default symbol of group code k at k-1.
  std::vector<std::string> ColorList;
  // G x 6: symbol code table, a row per group code: r g b, marker index 1..13, size, filled.
  Mat codearray;
  // 1: groups drawn with codearray, 0: with ColorList; unset before the first load.
  std::optional<double> altcode;
  // 1 x (2L+1): the reference form the shape variables are taken against.
  Mat reference;
  // How the reference was made: 0 consensus of the data, 1 loaded from a file.
  std::optional<double> referencetype;
  // N x (V+1): the shape variables (partial warps and uniform) of each specimen and its centroid
  // size.
  Mat pwscores;
  // V x V: eigenvectors of the shape variables' covariance, a column per axis, ascending
  // eigenvalue.
  Mat Vmatrix;
  // V x V: diagonal, the eigenvalues in the order of Vmatrix's columns.
  Mat Dmatrix;
  // 1 x V: each axis's share of the total variance, in the order of Vmatrix's columns.
  Mat percentexp;
  // N x V: the scores of each specimen on every axis, in the order of Vmatrix's columns.
  Mat PCAScores;
  // V + 1 (n - kNumPCALess): principal axis t is column NumPCA - t (1-based).
  std::optional<double> NumPCA;
  // Grid density of the deformation pictures: grid steps across the reference's width.
  std::optional<double> vplotdensity;
  // Line width of grids and vectors, points.
  std::optional<double> vlinewidth;
  // Line-style code of grids and vectors ("k-").
  std::optional<std::string> vlineformat1;
  // Line-style code of the reference landmarks in the deformation pictures ("ko").
  std::optional<std::string> vrefsymbol;
  // 1: vectors end in arrow heads, 0: plain lines.
  std::optional<double> vaheads;
  // Degrees: the last angle a Procrustes deformation picture was turned by,
  // offered first by the rotation dialog.
  std::optional<double> defangle;
  // The score-plot markers 1 and 2: scores on the plotted axes (XBox, YBox),
  // in the plot's data units; unset until placed.
  std::optional<double> marker1x, marker1y, marker2x, marker2y;
};

// The value of a state variable, or the runtime error for an undefined one.
inline const Mat& need(const Mat& m, const char* name) {
  if (m.size() == 0) throwUndefined(name);
  return m;
}
template <class T>
const T& need(const std::optional<T>& v, const char* name) {
  if (!v) throwUndefined(name);
  return *v;
}

// The 24 default group symbols, one per group code.
const std::vector<std::string>& defaultColorList();

}  // namespace varnok::session

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
#include "platform/matrix/types.hpp"

namespace varnok::session {

struct AnalysisState {
  Mat DATA;                             // N x (2L+1) landmark data (superimposed after analysis)
  Mat GLIST;                            // N x 1 group codes
  std::vector<std::string> ColorList;   // 24 symbol codes, one per group code
  Mat codearray;                        // G x 6 symbol code table
  std::optional<double> altcode;        // 1: symbols from codearray, 0: from ColorList
  Mat reference;                        // 1 x (2L+1) reference form
  std::optional<double> referencetype;  // 0 consensus, 1 loaded reference
  Mat pwscores;                         // N x (V+1) shape variables and centroid size
  Mat Vmatrix;                          // V x V eigenvectors, ascending eigenvalues
  Mat Dmatrix;                          // V x V eigenvalues, ascending
  Mat percentexp;                       // 1 x V shares of the total variance
  Mat PCAScores;                        // N x V scores
  std::optional<double> NumPCA;         // V + 1
  std::optional<double> vplotdensity;
  std::optional<double> vlinewidth;
  std::optional<std::string> vlineformat1;
  std::optional<std::string> vrefsymbol;
  std::optional<double> vaheads;
  std::optional<double> defangle;
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

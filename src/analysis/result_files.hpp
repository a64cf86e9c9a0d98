// Result files: the save actions that write the analysis results as plain
// whitespace-separated numbers for other tools.
//
// Every file is written in one style: each number with "%g " (six significant
// digits, the shorter of fixed and exponent notation, then a space) and each
// row ended by " \n " (space, line end, space). So every line after the first
// begins with a space, ends with two spaces before its line end, and the file
// ends with a line end and a single space.
//
// Each action first checks that its result exists (a message box without a
// title when it does not, and no dialog), asks for a file name with a save
// dialog (filter "*.*"), makes the chosen folder the working folder, and then
// writes the whole file or nothing: the text goes to a temporary file beside
// the target that replaces it only when complete, so an existing file is never
// left emptied or half-written. A file that cannot be written is reported in
// a message box titled "Error Saving File" naming the file.
#pragma once

#include <string>

#include "platform/matrix/types.hpp"
#include "session/action_context.hpp"

namespace varnok::analysis {

// SAVEPCA  Writes PCAScores (N by V), one specimen per row. Column 1 is the
// score on the axis of the smallest eigenvalue, the last column the score on
// principal axis 1.
void SavePCA(session::ActionContext& ctx);

// SAVEEIGEN  Writes the diagonal of Dmatrix, one eigenvalue (a variance, not a
// share) per row, smallest first.
void SaveEigen(session::ActionContext& ctx);

// SAVEPCMATRIX  Writes a header line, then Vmatrix (V by V) row by row; column
// j holds the coefficients of the shape variables for the j-th smallest
// eigenvalue.
void SavePCMatrix(session::ActionContext& ctx);

// SAVEONEAXIS  Writes the loadings of the principal axis t named in ShowBox
// (1 = largest eigenvalue, column NumPCA - t of Vmatrix) as one row, ended by
// the sentinel 999 and the comment "% PCA axis number t". An axis number that
// the analysis does not have is reported before the dialog; no file is
// touched then.
void SaveOneAxis(session::ActionContext& ctx);

// SAVEWARP  Writes pwscores (N by V+1: partial-warp and uniform scores, then
// the centroid size), one specimen per row.
void SaveWarp(session::ActionContext& ctx);

// SAVEREF  Writes the reference form (1 by 2L+1: x1 y1 ... xL yL and its last
// value) as one row.
void SaveRef(session::ActionContext& ctx);

// The text of a matrix in the result-file style: every element with "%g ",
// row after row, each row ended by " \n ". Inf and NaN are written "Inf",
// "-Inf" and "NaN", as the program's sprintf writes them.
std::string resultRows(const Mat& m);

}  // namespace varnok::analysis

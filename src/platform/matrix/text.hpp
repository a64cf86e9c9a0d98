// Number and text conversion with the program's own rules.
//
// Every message, box text and result file goes through these, so a number is
// written the same way everywhere. Formats follow C's printf where it agrees:
// %s %i %d %f %g %e %c with flags, widths and precisions; escapes \n \t \\ are
// expanded in the format; a format is reused while arguments remain, and a
// numeric argument given to %s is written as by %g.
#pragma once

#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "platform/matrix/types.hpp"

namespace varnok {

// One argument of sprintf: a number or a text.
using FormatArg = std::variant<double, std::string>;

// Formats like the runtime's sprintf. Matrix arguments are passed element by
// element (row by row); sprintfMat does that for a matrix.
std::string sprintf(std::string_view format, const std::vector<FormatArg>& args = {});
// Formats every element of m, row after row, cycling through the format.
std::string sprintfMat(std::string_view format, const Mat& m);

// Number to text: integers as integers, other values with up to 4 decimals
// after the most significant digit ("%.{max(log10|x|,0)+5}g"), as the
// runtime's num2str does for scalars. Rows are joined with two blanks.
std::string num2str(double x);
std::string num2str(const Mat& m);

// The shortest decimal text that reads back as exactly x ("0.1", "1e+300",
// "-0"); "inf", "-inf" and "nan" for the values that are not finite, which
// each kind of file writes in its own way.
std::string shortestText(double x);
void appendShortestText(std::string& out, double x);

// Text to a row of numbers: numbers separated by blanks, tabs or commas (and
// semicolons, which start a new row). Returns an empty matrix when the text
// holds no number or anything that is not a number; never throws.
Mat str2num(std::string_view text);

// Parses one number at p (up to end): optional sign ('+' or '-'), digits with
// an optional decimal point, an optional exponent; also Inf and NaN in any
// case. Returns the position after it, or nullptr when p holds no number.
// The result is correctly rounded (the same double as strtod gives).
const char* parseDouble(const char* p, const char* end, double& v);

// Rounds halves away from zero (2.5 -> 3, -2.5 -> -3).
double round(double x);
Mat round(const Mat& m);

// Expands the escapes \n \t \\ \' \" of a format text.
std::string expandEscapes(std::string_view s);

// ASCII lower case: property names, pointer names and units are matched in any case.
std::string lowerCase(std::string_view s);

}  // namespace varnok

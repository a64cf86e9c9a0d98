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

// Whether bytes are well-formed UTF-8: no stray continuation bytes, no
// overlong forms, no surrogates (U+D800..U+DFFF), nothing above U+10FFFF.
bool isUtf8(std::string_view bytes);

// Text read from a file, as the program keeps it. Every file the program
// writes must be valid UTF-8, so text a file gives follows one rule when it
// is read: well-formed UTF-8 stays as it is, and a file whose text is not
// (an old Windows or Mac file) is read as Latin-1 throughout, every byte one
// character. latin1ToUtf8 is the second half of that rule, for callers that
// judge the whole file with isUtf8 and convert it a piece at a time.
std::string latin1ToUtf8(std::string_view bytes);
std::string utf8FromFile(std::string_view bytes);

// One text cell of a CSV file (RFC 4180): quoted when it holds a comma, a
// quote or a line end, its quotes doubled. A cell that a spreadsheet would
// take for a formula (starting with =, +, -, @, a tab or a CR) gets a
// leading apostrophe and is quoted, so it opens as the text it is. Numbers
// are not cells of this kind: they are written as numbers.
std::string csvField(std::string_view text);
void appendCsvField(std::string& out, std::string_view text);

}  // namespace varnok

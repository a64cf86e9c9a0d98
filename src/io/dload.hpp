// dload: reads a numeric text file into a matrix, one row per line.
//
// Input: a text file of numbers separated by blanks, tabs or commas, one row
// per line, every line with the count of numbers of the first line. Lines
// end in LF, CR LF or CR alone; the last line needs no line end. A UTF-8
// byte-order mark at the start is skipped. Reading stops at the end of the
// file or at the first empty line after the first: one trailing empty line
// is harmless, and the non-empty lines after such a line are counted so the
// user can be told they were not read.
// Output: N by K matrix, row i = line i.
//
// Malformed lines (a different count of numbers, no number, text that is not
// a number, a number that is not finite such as NaN, Inf or 1e999) raise
// DataFileError naming the file and the line; so do UTF-16 and binary files,
// with a message saying so. Nothing is returned then. The parser holds one
// line at a time besides the matrix; a file read in two halves also holds
// the second half's rows until they are copied after the first's.
#pragma once

#include <cstddef>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>

#include "io/input_file.hpp"
#include "platform/matrix/types.hpp"

namespace varnok::io {

// A numeric text read, with what was left unread.
struct NumericText {
  Mat data;
  // The empty line that ended the data while non-empty lines followed it
  // (1-based), 0 when everything was read.
  long stopLine = 0;
  // How many non-empty lines after stopLine were not read.
  long unreadLines = 0;
};

// Parses a stream or a buffer; displayName names the file in error
// messages. An empty input gives an empty matrix.
NumericText parseNumericText(std::istream& in, const std::string& displayName);
NumericText parseNumericText(std::string_view text, const std::string& displayName);
// As parseNumericText, the matrix only.
Mat readNumeric(std::istream& in, const std::string& displayName);

// Reads a file, naming it displayName (its name without the folder when
// empty) in messages. Throws FileAccessError when it cannot be opened as a
// regular file (or is larger than maxBytes), DataFileError when it is
// malformed.
// Files of parallelBytes or more are parsed in two halves on two threads
// (with the same result and messages as one thread).
inline constexpr std::size_t kParallelReadBytes = std::size_t{8} << 20;
NumericText readNumericText(const std::string& path, const std::string& displayName = "",
                            std::optional<long long> maxBytes = std::nullopt,
                            std::size_t parallelBytes = kParallelReadBytes);

// Reads a file; nullopt when it cannot be opened as a regular file.
std::optional<Mat> readNumericFile(const std::string& path);

// The routine as called by name: the 1 x 1 matrix -1 when the file cannot be
// opened (callers test for it), the matrix otherwise.
Mat dload(const std::string& fname);

// The note for lines left unread after an empty line, or "" when none were.
std::string unreadLinesNote(const std::string& displayName, const NumericText& text);

}  // namespace varnok::io

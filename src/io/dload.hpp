// dload: reads a numeric text file into a matrix, one row per line.
//
// Input: a text file of numbers separated by blanks, tabs or commas, one row
// per line, every line with the count of numbers of the first line. Line ends
// may be LF or CR LF. Reading stops at the end of the file or at the first
// line after the first that is a bare line end (or a single character): one
// trailing empty line is harmless.
// Output: N by K matrix, row i = line i.
//
// Malformed lines (a different count of numbers, no number, text that is not
// a number) raise DataFileError naming the file and the line; nothing is
// returned then. The parser holds one line at a time besides the matrix.
#pragma once

#include <iosfwd>
#include <optional>
#include <string>

#include "platform/matrix/runtime_error.hpp"
#include "platform/matrix/types.hpp"

namespace varnok::io {

// A file that cannot be used, with a message fit for a message box.
class DataFileError : public RuntimeError {
 public:
  using RuntimeError::RuntimeError;
};

// Parses a stream; displayName names the file in error messages. An empty
// stream gives an empty matrix.
Mat readNumeric(std::istream& in, const std::string& displayName);

// Reads a file; nullopt when it cannot be opened for reading.
std::optional<Mat> readNumericFile(const std::string& path);

// The routine as called by name: the 1 x 1 matrix -1 when the file cannot be
// opened (callers test for it), the matrix otherwise.
Mat dload(const std::string& fname);

}  // namespace varnok::io

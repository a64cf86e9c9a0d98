// Line and token reading shared by the TPS and NTS readers.
//
// LineReader hands out the lines of a stream without their line ends: LF,
// CR LF and a lone CR (old Mac files) all end a line, and a UTF-8 byte-order
// mark at the very start is dropped, so a file saved by any editor reads the
// same. Lines are numbered from 1 as a text editor shows them, for messages.
//
// Every message names the file and the line in the words of the numeric
// reader ("The file F could not be loaded: line N ..."), raised as
// DataFileError so that the loading action shows it in its message box.
#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "io/dload.hpp"

namespace varnok::io::text {

class LineReader {
 public:
  explicit LineReader(std::istream& in) : in_(in) {}
  // The next line into line (without its end); false at the end of the stream.
  bool next(std::string& line);
  // The number of the line last read (0 before the first).
  long number() const { return number_; }

 private:
  std::istream& in_;
  long number_ = 0;
};

// s without blanks, tabs and stray CRs at either end.
std::string_view trim(std::string_view s);

// The words of a line: separated by blanks and tabs, and by commas too when
// commas is true.
std::vector<std::string_view> words(std::string_view line, bool commas);

enum class NumberKind { Finite, NotFinite, NotANumber };
// Reads a whole word as a number (decimal or exponent notation).
NumberKind readNumber(std::string_view word, double& value);

// A whole word as a non-negative integer (digits only); nullopt otherwise or
// when it exceeds max.
std::optional<long long> readCount(std::string_view word, long long max);

// "The file FILE could not be loaded: line LINE WHAT"
[[noreturn]] void lineError(const std::string& file, long line, const std::string& what);
// "The file FILE could not be loaded: WHAT"
[[noreturn]] void fileError(const std::string& file, const std::string& what);

// The number word in a message: quoted as it stands in the file.
std::string quoted(std::string_view word);

}  // namespace varnok::io::text

#include "io/dload.hpp"

#include <charconv>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <istream>
#include <vector>

#include "platform/matrix/text.hpp"

namespace varnok::io {

namespace {

constexpr size_t kChunk = 1 << 20;

bool isSeparator(char c) {
  return c == ' ' || c == '\t' || c == ',' || c == '\r';
}

[[noreturn]] void lineError(const std::string& file, long line, const std::string& what) {
  throw DataFileError("The file " + file + " could not be loaded: line " + std::to_string(line) +
                      " " + what);
}

// Parses the numbers of one line (without its line feed) into out; returns
// how many there were. Stops with an error at text that is not a number or
// when the line holds more than max numbers.
long parseLine(const char* p, const char* end, double* out, long max, const std::string& file,
               long lineNo, long firstCount) {
  long n = 0;
  while (true) {
    while (p < end && isSeparator(*p)) ++p;
    if (p >= end) break;
    const char* start = p;
    double v;
    const char* next = parseDouble(p, end, v);
    if (next == nullptr || (next < end && !isSeparator(*next))) {
      const char* q = start;
      while (q < end && !isSeparator(*q)) ++q;
      lineError(file, lineNo, "holds \"" + std::string(start, q) + "\", which is not a number.");
    }
    if (n >= max)
      lineError(file, lineNo,
                "holds more than " + std::to_string(firstCount) +
                    " numbers, but the first line holds " + std::to_string(firstCount) + ".");
    out[n++] = v;
    p = next;
  }
  return n;
}

}  // namespace

Mat readNumeric(std::istream& in, const std::string& displayName) {
  // Size hint from the stream length, when it has one.
  std::streamoff total = -1;
  {
    auto here = in.tellg();
    if (here != std::streampos(-1) && in.seekg(0, std::ios::end)) {
      total = in.tellg() - here;
      in.seekg(here);
    }
    in.clear();
  }

  std::vector<char> buf(kChunk);
  size_t begin = 0, end = 0;
  bool eof = false;
  auto fill = [&]() {
    if (begin > 0) {
      std::memmove(buf.data(), buf.data() + begin, end - begin);
      end -= begin;
      begin = 0;
    }
    if (end == buf.size()) buf.resize(buf.size() * 2);  // a line longer than the buffer
    in.read(buf.data() + end, static_cast<std::streamsize>(buf.size() - end));
    auto got = in.gcount();
    end += static_cast<size_t>(got);
    if (got == 0) eof = true;
  };

  Mat m;
  long cols = 0, rows = 0, lineNo = 0;
  std::vector<double> first;
  while (true) {
    // Find the next line.
    const char* nl = nullptr;
    while (true) {
      nl = static_cast<const char*>(std::memchr(buf.data() + begin, '\n', end - begin));
      if (nl != nullptr || eof) break;
      fill();
    }
    if (nl == nullptr && begin == end) break;  // end of file
    const char* lineStart = buf.data() + begin;
    const char* lineEnd = nl != nullptr ? nl : buf.data() + end;
    size_t length = static_cast<size_t>(lineEnd - lineStart) + (nl != nullptr ? 1 : 0);
    begin = nl != nullptr ? static_cast<size_t>(nl - buf.data()) + 1 : end;
    ++lineNo;

    if (lineNo > 1) {
      // A bare line end (LF, or CR LF) or a one-character line ends the data.
      bool bare = length == 1 || (length == 2 && nl != nullptr && lineStart[0] == '\r');
      if (bare) break;
    }
    if (lineNo == 1) {
      first.resize(length / 2 + 1);
      cols = parseLine(lineStart, lineEnd, first.data(), static_cast<long>(first.size()),
                       displayName, lineNo, 0);
      if (cols == 0) lineError(displayName, lineNo, "holds no number.");
      long estimate = 1024;
      if (total > 0)
        estimate =
            static_cast<long>(static_cast<double>(total) / static_cast<double>(length) * 1.02) + 16;
      m.resize(estimate, cols);
      std::copy(first.begin(), first.begin() + cols, m.data());
      rows = 1;
      continue;
    }
    if (rows == m.rows()) m.conservativeResize(rows + rows / 2 + 16, cols);
    double* row = m.data() + rows * cols;
    long n = parseLine(lineStart, lineEnd, row, cols, displayName, lineNo, cols);
    if (n == 0) lineError(displayName, lineNo, "holds no number.");
    if (n != cols)
      lineError(displayName, lineNo,
                "holds " + std::to_string(n) + " numbers, but the first line holds " +
                    std::to_string(cols) + ".");
    ++rows;
  }
  if (rows == 0) return Mat();
  m.conservativeResize(rows, cols);
  return m;
}

std::optional<Mat> readNumericFile(const std::string& path) {
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) return std::nullopt;
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  return readNumeric(in, std::filesystem::path(path).filename().string());
}

Mat dload(const std::string& fname) {
  auto m = readNumericFile(fname);
  if (!m) return Mat::Constant(1, 1, -1.0);
  return std::move(*m);
}

}  // namespace varnok::io

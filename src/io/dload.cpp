#include "io/dload.hpp"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <istream>
#include <new>
#include <optional>
#include <stdexcept>
#include <system_error>
#include <thread>
#include <vector>

#include "platform/matrix/memory.hpp"
#include "platform/matrix/text.hpp"

namespace varnok::io {

namespace {

constexpr size_t kChunk = 1 << 20;
constexpr size_t kNone = static_cast<size_t>(-1);

bool isSeparator(char c) {
  return c == ' ' || c == '\t' || c == ',';
}

bool isControl(char ch) {
  const auto c = static_cast<unsigned char>(ch);
  return (c < 0x20 && c != '\t') || c == 0x7F;
}

[[noreturn]] void fail(const std::string& file, const std::string& what) {
  throw DataFileError("The file " + file + " could not be loaded: " + what);
}

[[noreturn]] void lineError(const std::string& file, long line, const std::string& what) {
  fail(file, "line " + std::to_string(line) + " " + what);
}

[[noreturn]] void binaryError(const std::string& file, const std::string& where, char byte) {
  fail(file, "it looks like a binary file, not a text file of numbers (" + where + " the byte " +
                 quoteForMessage(std::string_view(&byte, 1)) + ").");
}

[[noreturn]] void utf16Error(const std::string& file) {
  fail(file, "it looks like a UTF-16 text file; save it as plain text (UTF-8 or ASCII).");
}

// Text that is not a number: a control byte in it means the file is not text.
[[noreturn]] void tokenError(const std::string& file, long lineNo, const char* start,
                             const char* end, const char* what) {
  for (const char* p = start; p < end; ++p)
    if (isControl(*p)) binaryError(file, "line " + std::to_string(lineNo) + " holds", *p);
  lineError(file, lineNo,
            "holds \"" +
                quoteForMessage(std::string_view(start, static_cast<size_t>(end - start))) +
                "\", which is not " + what + ".");
}

// Parses the numbers of one line (without its line end) into out; returns
// how many there were. Stops with an error at text that is not a finite
// number or when the line holds more than max numbers.
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
      tokenError(file, lineNo, start, q, "a number");
    }
    if (!std::isfinite(v)) tokenError(file, lineNo, start, next, "a finite number");
    if (n >= max)
      lineError(file, lineNo,
                "holds more than " + std::to_string(firstCount) +
                    " numbers, but the first line holds " + std::to_string(firstCount) + ".");
    out[n++] = v;
    p = next;
  }
  return n;
}

// The start of the input: skips a UTF-8 byte-order mark (returns its length)
// and refuses UTF-16 and files with NUL bytes, which are not text of numbers.
size_t checkStart(const char* p, size_t n, const std::string& file) {
  const auto b = [&](size_t i) { return static_cast<unsigned char>(p[i]); };
  if (n >= 3 && b(0) == 0xEF && b(1) == 0xBB && b(2) == 0xBF) return 3;
  if (n >= 2 && ((b(0) == 0xFF && b(1) == 0xFE) || (b(0) == 0xFE && b(1) == 0xFF)))
    utf16Error(file);
  if (std::memchr(p, '\0', n) == nullptr) return 0;
  // UTF-16 without a mark: digits and blanks are ASCII, so every other byte
  // is NUL.
  const size_t look = std::min<size_t>(n, 4096) & ~size_t{1};
  size_t nul[2] = {0, 0};
  for (size_t i = 0; i < look; ++i)
    if (p[i] == '\0') ++nul[i & 1];
  const size_t half = look / 2;
  const size_t most = std::max(nul[0], nul[1]), least = std::min(nul[0], nul[1]);
  if (half > 0 && most * 10 >= half * 6 && least * 10 <= half) utf16Error(file);
  binaryError(file, "it holds", '\0');
}

// Where the rows of one half of a file go when two threads share one matrix:
// rows start..start+cap-1 of the matrix at base, then a spill-over buffer
// for the rows beyond (rare: lines longer on average than estimated).
struct RowSlot {
  double* base = nullptr;
  long cols = 0;
  long start = 0;
  long cap = 0;
  long filled = 0;
  std::vector<double> spill;

  double* next() {
    if (filled < cap) return base + (start + filled) * cols;
    spill.resize(spill.size() + static_cast<size_t>(cols));
    return spill.data() + spill.size() - static_cast<size_t>(cols);
  }
};

// The first line of a half holds another count of numbers than the file's
// first line: the serial reader has the message for that.
struct CountMismatch {};

// stopped (when given) tells whether an empty line ended the data. With a
// slot, the rows go into it instead of into the result's matrix.
template <class Read>
NumericText parse(Read read, const std::string& name, long long total, bool* stopped = nullptr,
                  RowSlot* slot = nullptr) {
  size_t initial = kChunk;
  if (total >= 0 && total < static_cast<long long>(kChunk))
    initial = std::max<size_t>(static_cast<size_t>(total) + 1, 256);
  std::vector<char> buf(initial);
  size_t begin = 0, end = 0;
  bool eof = false;
  // Where the next line feed is (kNone: not found up to lfScanned).
  size_t lfAt = kNone, lfScanned = 0;
  auto fill = [&]() {
    if (begin > 0) {
      std::memmove(buf.data(), buf.data() + begin, end - begin);
      end -= begin;
      lfScanned = lfScanned > begin ? lfScanned - begin : 0;
      if (lfAt != kNone) lfAt = lfAt >= begin ? lfAt - begin : kNone;
      begin = 0;
    }
    if (end == buf.size()) buf.resize(buf.size() * 2);  // a line longer than the buffer
    const size_t got = read(buf.data() + end, buf.size() - end);
    end += got;
    if (got == 0) eof = true;
  };
  // The line at begin: its length without the line end, and the length of
  // its line end (LF, CR LF, CR; 0 for a last line without one). False at
  // the end of the input.
  auto nextLine = [&](size_t& len, size_t& endLen) -> bool {
    while (true) {
      if (lfAt == kNone || lfAt < begin) {
        lfAt = kNone;
        const size_t from = std::max(begin, lfScanned);
        const void* q = std::memchr(buf.data() + from, '\n', end - from);
        if (q != nullptr)
          lfAt = static_cast<size_t>(static_cast<const char*>(q) - buf.data());
        else
          lfScanned = end;
      }
      const size_t limit = lfAt != kNone ? lfAt : end;
      const void* cr = std::memchr(buf.data() + begin, '\r', limit - begin);
      if (cr != nullptr) {
        const auto at = static_cast<size_t>(static_cast<const char*>(cr) - buf.data());
        if (at + 1 == end && !eof) {  // is it CR LF?
          fill();
          continue;
        }
        len = at - begin;
        endLen = at + 1 < end && buf[at + 1] == '\n' ? 2 : 1;
        return true;
      }
      if (lfAt != kNone) {
        len = lfAt - begin;
        endLen = 1;
        return true;
      }
      if (eof) {
        if (begin == end) return false;
        len = end - begin;
        endLen = 0;
        return true;
      }
      fill();
    }
  };

  fill();
  begin = checkStart(buf.data(), end, name);

  NumericText out;
  Mat& m = out.data;
  long cols = 0, rows = 0, lineNo = 0;
  size_t len = 0, endLen = 0;
  while (nextLine(len, endLen)) {
    const char* lineStart = buf.data() + begin;
    const char* lineEnd = lineStart + len;
    begin += len + endLen;
    ++lineNo;

    if (lineNo == 1) {
      std::vector<double> first(len / 2 + 1);
      cols = parseLine(lineStart, lineEnd, first.data(), static_cast<long>(first.size()), name,
                       lineNo, 0);
      if (cols == 0) lineError(name, lineNo, "holds no number.");
      if (slot != nullptr) {
        if (cols != slot->cols) throw CountMismatch{};
        std::copy(first.begin(), first.begin() + cols, slot->next());
        slot->filled = rows = 1;
        continue;
      }
      long estimate = 1024;
      if (total > 0)
        estimate = static_cast<long>(static_cast<double>(total) /
                                     static_cast<double>(len + endLen) * 1.02) +
                   16;
      // The estimate assumes lines like the first; when memory for it is
      // lacking the matrix grows as the lines come instead.
      try {
        m.resize(estimate, cols);
      } catch (const std::bad_alloc&) {
        m.resize(std::min<long>(estimate, 1024), cols);
      }
      adviseLargeBlock(m.data(), static_cast<size_t>(m.size()) * sizeof(double));
      std::copy(first.begin(), first.begin() + cols, m.data());
      rows = 1;
      continue;
    }
    // An empty line ends the data; so does a last line of one blank, which
    // the program's own result files end with.
    if (len == 0 || (endLen == 0 && len == 1 && isSeparator(*lineStart))) {
      long unread = 0;
      while (nextLine(len, endLen)) {
        const char* p = buf.data() + begin;
        if (std::any_of(p, p + len, [](char c) { return c != ' ' && c != '\t'; })) ++unread;
        begin += len + endLen;
      }
      if (unread > 0) {
        out.stopLine = lineNo;
        out.unreadLines = unread;
      }
      if (stopped != nullptr) *stopped = true;
      break;
    }
    double* row;
    if (slot != nullptr) {
      row = slot->next();
    } else {
      if (rows == m.rows()) m.conservativeResize(rows + rows / 2 + 16, cols);
      row = m.data() + rows * cols;
    }
    const long n = parseLine(lineStart, lineEnd, row, cols, name, lineNo, cols);
    if (n == 0) lineError(name, lineNo, "holds no number.");
    if (n != cols)
      lineError(name, lineNo,
                "holds " + std::to_string(n) + " numbers, but the first line holds " +
                    std::to_string(cols) + ".");
    ++rows;
    if (slot != nullptr) slot->filled = rows;
  }
  if (rows == 0 || slot != nullptr) {
    m = Mat();
  } else {
    m.conservativeResize(rows, cols);
  }
  return out;
}

// A file too large for memory is a file the user gets told about, not an
// allocation failure.
template <class Read>
NumericText parseGuarded(Read read, const std::string& name, long long total) {
  try {
    return parse(read, name, total);
  } catch (const std::bad_alloc&) {
  } catch (const std::length_error&) {
  }
  fail(name, "it is too large for the memory available.");
}

// Large files are read by two threads, each parsing its half (cut after a
// line feed near the middle) straight into one matrix: the first half from
// its top, the second from a row estimated from the average line length,
// after which the second half's rows are moved down to join the first.
// Memory stays the matrix plus small buffers. Only the plain case is
// shared: when the second half holds anything the serial reader would
// report or treat specially (an error, an empty line, a different count of
// numbers, bytes that look like a byte-order mark), or the first half stops
// at an empty line, the file is read again serially, so messages and line
// numbers are exactly the serial reader's. nullopt: read it serially.
std::optional<NumericText> parseInHalves(const InputFile& file, const std::string& name,
                                         long long total) {
  if (total < 2 || std::thread::hardware_concurrency() < 2) return std::nullopt;
  // The count of numbers of the first line, and the average length of the
  // lines at the start of the file.
  long cols = 0;
  double lineLength = 0;
  {
    std::vector<char> head(1 << 16);
    const std::size_t got = file.readAt(head.data(), head.size(), 0);
    const char* p = head.data();
    const char* end = p + got;
    if (got >= 3 && static_cast<unsigned char>(p[0]) == 0xEF) p += 3;
    if (std::memchr(head.data(), '\0', got) != nullptr) return std::nullopt;
    const char* lf = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(end - p)));
    if (lf == nullptr) return std::nullopt;
    const char* lineEnd = lf > p && lf[-1] == '\r' ? lf - 1 : lf;
    std::vector<double> first(static_cast<size_t>(lineEnd - p) / 2 + 1);
    try {
      cols = parseLine(p, lineEnd, first.data(), static_cast<long>(first.size()), name, 1, 0);
    } catch (const DataFileError&) {
      return std::nullopt;
    }
    if (cols == 0) return std::nullopt;
    // Counted by offsets: the lines read so far and where the last one ends.
    long lines = 0;
    size_t through = 0;
    for (size_t q = 0; q < got; ++q)
      if (head[q] == '\n') {
        ++lines;
        through = q + 1;
      }
    lineLength = static_cast<double>(through) / static_cast<double>(std::max(lines, 1L));
  }
  // The cut: just after the first line feed at or after the middle.
  long long cut = -1;
  {
    std::vector<char> look(1 << 16);
    for (long long at = total / 2; at < total && cut < 0;) {
      const std::size_t got = file.readAt(look.data(), look.size(), at);
      if (got == 0) break;
      const void* lf = std::memchr(look.data(), '\n', got);
      if (lf != nullptr) cut = at + (static_cast<const char*>(lf) - look.data()) + 1;
      at += static_cast<long long>(got);
    }
  }
  if (cut <= 0 || cut >= total) return std::nullopt;
  {
    unsigned char head[3] = {0, 0, 0};
    const std::size_t got = file.readAt(reinterpret_cast<char*>(head), 3, cut);
    if (got >= 1 && (head[0] == 0xEF || head[0] == 0xFF || head[0] == 0xFE)) return std::nullopt;
  }
  auto ranged = [&file](long long from, long long to) {
    return [&file, at = from, to](char* dst, std::size_t size) mutable {
      const auto want =
          static_cast<std::size_t>(std::min<long long>(static_cast<long long>(size), to - at));
      if (want == 0) return std::size_t{0};
      const std::size_t got = file.readAt(dst, want, at);
      at += static_cast<long long>(got);
      return got;
    };
  };
  // A little room over the estimate: digits vary from line to line.
  auto rowsFor = [lineLength](long long bytes) {
    return static_cast<long>(static_cast<double>(bytes) / lineLength * 1.03) + 16;
  };
  const long room1 = rowsFor(cut), room2 = rowsFor(total - cut);
  Mat m(room1 + room2, cols);
  adviseLargeBlock(m.data(), static_cast<size_t>(m.size()) * sizeof(double));
  RowSlot one{m.data(), cols, 0, room1, 0, {}};
  RowSlot two{m.data(), cols, room1, room2, 0, {}};

  NumericText second;
  bool secondUsable = false;
  std::thread other;
  try {
    other = std::thread([&] {
      try {
        second = parse(ranged(cut, total), name, total - cut, nullptr, &two);
        // An empty line with nothing after it ends the data as it would for
        // one thread; one with lines after it needs their line numbers.
        secondUsable = second.stopLine == 0 && two.filled > 0;
      } catch (...) {
        secondUsable = false;
      }
    });
  } catch (const std::system_error&) {
    return std::nullopt;  // no thread to be had: one thread reads it all
  }
  bool firstStopped = false;
  try {
    parse(ranged(0, cut), name, cut, &firstStopped, &one);
  } catch (const CountMismatch&) {
    other.join();
    return std::nullopt;
  } catch (...) {
    other.join();
    throw;  // the first error in the file is in the first half
  }
  other.join();
  if (firstStopped || !secondUsable) return std::nullopt;

  const long a = one.filled, b = two.filled;
  const long bInPlace = std::min(b, room2);
  if (a + b > m.rows()) m.conservativeResize(a + b, cols);
  double* data = m.data();
  const auto rowBytes = static_cast<size_t>(cols) * sizeof(double);
  std::memmove(data + a * cols, data + room1 * cols, static_cast<size_t>(bInPlace) * rowBytes);
  if (!one.spill.empty())
    std::memcpy(data + room1 * cols, one.spill.data(), one.spill.size() * sizeof(double));
  if (!two.spill.empty())
    std::memcpy(data + (a + bInPlace) * cols, two.spill.data(), two.spill.size() * sizeof(double));
  m.conservativeResize(a + b, cols);
  NumericText out;
  out.data = std::move(m);
  return out;
}

}  // namespace

NumericText parseNumericText(std::istream& in, const std::string& displayName) {
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
  auto read = [&in](char* to, size_t size) {
    in.read(to, static_cast<std::streamsize>(size));
    return static_cast<size_t>(in.gcount());
  };
  return parseGuarded(read, displayName, total);
}

NumericText parseNumericText(std::string_view text, const std::string& displayName) {
  size_t at = 0;
  auto read = [&](char* to, size_t size) {
    const size_t n = std::min(size, text.size() - at);
    std::memcpy(to, text.data() + at, n);
    at += n;
    return n;
  };
  return parseGuarded(read, displayName, static_cast<long long>(text.size()));
}

Mat readNumeric(std::istream& in, const std::string& displayName) {
  return std::move(parseNumericText(in, displayName).data);
}

NumericText readNumericText(const std::string& path, const std::string& displayName,
                            std::optional<long long> maxBytes, std::size_t parallelBytes) {
  const std::string name =
      displayName.empty() ? std::filesystem::path(path).filename().string() : displayName;
  InputFile file(path, quoteForMessage(name, 255), maxBytes);
  // Compared unsigned: no limit (the largest size_t) must not wrap to -1.
  if (static_cast<unsigned long long>(file.size()) >= parallelBytes) {
    try {
      if (auto halves = parseInHalves(file, file.displayName(), file.size()))
        return std::move(*halves);
    } catch (const std::bad_alloc&) {
      fail(file.displayName(), "it is too large for the memory available.");
    } catch (const std::length_error&) {
      fail(file.displayName(), "it is too large for the memory available.");
    }
  }
  auto read = [&file](char* to, size_t size) { return file.read(to, size); };
  return parseGuarded(read, file.displayName(), file.size());
}

std::optional<Mat> readNumericFile(const std::string& path) {
  try {
    return std::move(readNumericText(path).data);
  } catch (const FileAccessError&) {
    return std::nullopt;
  }
}

Mat dload(const std::string& fname) {
  auto m = readNumericFile(fname);
  if (!m) return Mat::Constant(1, 1, -1.0);
  return std::move(*m);
}

std::string unreadLinesNote(const std::string& displayName, const NumericText& text) {
  if (text.unreadLines <= 0) return "";
  const std::string lines = text.unreadLines == 1
                                ? "1 more line after it was"
                                : std::to_string(text.unreadLines) + " more lines after it were";
  return "Reading of the file " + displayName + " stopped at the empty line " +
         std::to_string(text.stopLine) + "; " + lines +
         " not read. Remove the empty line to load " + (text.unreadLines == 1 ? "it." : "them.");
}

}  // namespace varnok::io

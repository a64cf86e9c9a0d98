#include "io/landmark_text.hpp"

#include <cmath>
#include <istream>
#include <streambuf>

#include "platform/matrix/text.hpp"

namespace varnok::io::text {

bool LineReader::next(std::string& line) {
  line.clear();
  std::streambuf* buf = in_.rdbuf();
  if (buf == nullptr) return false;
  using Traits = std::streambuf::traits_type;
  int c = buf->sbumpc();
  if (c == Traits::eof()) return false;
  ++number_;
  while (c != Traits::eof() && c != '\n' && c != '\r') {
    line.push_back(static_cast<char>(c));
    c = buf->sbumpc();
  }
  if (c == '\r' && buf->sgetc() == '\n') buf->sbumpc();
  if (number_ == 1 && line.starts_with("\xEF\xBB\xBF")) line.erase(0, 3);
  return true;
}

std::string_view trim(std::string_view s) {
  auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
  while (!s.empty() && blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && blank(s.back())) s.remove_suffix(1);
  return s;
}

std::vector<std::string_view> words(std::string_view line, bool commas) {
  auto sep = [commas](char c) {
    return c == ' ' || c == '\t' || c == '\r' || (commas && c == ',');
  };
  std::vector<std::string_view> out;
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && sep(line[i])) ++i;
    std::size_t start = i;
    while (i < line.size() && !sep(line[i])) ++i;
    if (i > start) out.push_back(line.substr(start, i - start));
  }
  return out;
}

NumberKind readNumber(std::string_view word, double& value) {
  const char* end = word.data() + word.size();
  const char* next = parseDouble(word.data(), end, value);
  if (word.empty() || next != end) return NumberKind::NotANumber;
  return std::isfinite(value) ? NumberKind::Finite : NumberKind::NotFinite;
}

std::optional<long long> readCount(std::string_view word, long long max) {
  if (word.empty()) return std::nullopt;
  long long n = 0;
  for (char c : word) {
    if (c < '0' || c > '9') return std::nullopt;
    n = n * 10 + (c - '0');
    if (n > max) return std::nullopt;
  }
  return n;
}

void lineError(const std::string& file, long line, const std::string& what) {
  throw DataFileError("The file " + file + " could not be loaded: line " + std::to_string(line) +
                      " " + what);
}

void fileError(const std::string& file, const std::string& what) {
  throw DataFileError("The file " + file + " could not be loaded: " + what);
}

std::string quoted(std::string_view word) {
  // A binary file can hold a "word" of any length; the message keeps it short.
  constexpr std::size_t kMax = 40;
  if (word.size() > kMax) return "\"" + std::string(word.substr(0, kMax)) + "...\"";
  return "\"" + std::string(word) + "\"";
}

}  // namespace varnok::io::text

#include "platform/matrix/text.hpp"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace varnok {

std::string expandEscapes(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '\\' || i + 1 == s.size()) {
      out += s[i];
      continue;
    }
    char c = s[++i];
    switch (c) {
      case 'n':
        out += '\n';
        break;
      case 't':
        out += '\t';
        break;
      case 'r':
        out += '\r';
        break;
      case '\\':
        out += '\\';
        break;
      case '\'':
        out += '\'';
        break;
      case '"':
        out += '"';
        break;
      default:
        out += '\\';
        out += c;
    }
  }
  return out;
}

namespace {

struct Directive {
  std::string flags;
  int width = -1;      // -1: none
  int precision = -1;  // -1: none
  bool hasPrecision = false;
  char conv = 0;
};

// Parses a directive starting after '%' at position i; returns the position
// after it, or npos when the text there is not a directive.
size_t parseDirective(std::string_view f, size_t i, Directive& d) {
  while (i < f.size() && std::string_view("-+ 0#").find(f[i]) != std::string_view::npos)
    d.flags += f[i++];
  auto digits = [&](int& out) {
    while (i < f.size() && std::isdigit(static_cast<unsigned char>(f[i])))
      out = std::max(out, 0) * 10 + (f[i++] - '0');
  };
  digits(d.width);
  if (i < f.size() && f[i] == '.') {
    d.hasPrecision = true;
    d.precision = 0;
    ++i;
    digits(d.precision);
  }
  if (i < f.size() && std::string_view("sidfgecuoxXEG").find(f[i]) != std::string_view::npos) {
    d.conv = f[i];
    return i + 1;
  }
  return std::string_view::npos;
}

std::string cformat(const Directive& d, char conv, const char* lengthMod, ...) {
  std::string fmt = "%" + d.flags;
  if (d.width >= 0) fmt += std::to_string(d.width);
  if (d.hasPrecision) fmt += "." + std::to_string(d.precision);
  fmt += lengthMod;
  fmt += conv;
  va_list ap;
  va_start(ap, lengthMod);
  va_list ap2;
  va_copy(ap2, ap);
  int n = std::vsnprintf(nullptr, 0, fmt.c_str(), ap);
  va_end(ap);
  std::string out(n > 0 ? static_cast<size_t>(n) : 0, '\0');
  if (n > 0) std::vsnprintf(out.data(), out.size() + 1, fmt.c_str(), ap2);
  va_end(ap2);
  return out;
}

// A text written in a field of the directive's width (precision ignored).
std::string padded(const Directive& d, const std::string& s) {
  Directive t = d;
  t.hasPrecision = false;
  t.flags.erase(std::remove(t.flags.begin(), t.flags.end(), '0'), t.flags.end());
  return cformat(t, 's', "", s.c_str());
}

std::string nonFinite(double v) {
  return std::isnan(v) ? "NaN" : (v > 0 ? "Inf" : "-Inf");
}

std::string formatNumber(const Directive& d, double v) {
  if (!std::isfinite(v)) return padded(d, nonFinite(v));
  switch (d.conv) {
    case 'd':
    case 'i':
    case 'u':
    case 'o':
    case 'x':
    case 'X':
      // A value that is not a whole number cannot be written as an integer;
      // it is written in exponent notation instead of being truncated.
      if (v != std::floor(v) || std::fabs(v) > 9.2e18) {
        Directive e = d;
        if (!e.hasPrecision) {
          e.hasPrecision = true;
          e.precision = 6;
        }
        return cformat(e, 'e', "", v);
      }
      if (d.conv == 'd' || d.conv == 'i')
        return cformat(d, d.conv, "ll", static_cast<long long>(v));
      return cformat(d, d.conv, "ll", static_cast<unsigned long long>(static_cast<long long>(v)));
    case 'c':
      if (v == std::floor(v) && v >= 0 && v < 256)
        return padded(d, std::string(1, static_cast<char>(v)));
      return cformat(d, 'e', "", v);
    case 's':
      if (v == std::floor(v) && v >= 32 && v < 127)
        return padded(d, std::string(1, static_cast<char>(v)));
      {
        Directive e = d;
        e.hasPrecision = false;
        return cformat(e, 'e', "", v);
      }
    default:
      return cformat(d, d.conv, "", v);
  }
}

std::string formatText(const Directive& d, const std::string& s) {
  if (d.conv == 's' || d.conv == 'c') return cformat(d, 's', "", s.c_str());
  return padded(d, s);
}

}  // namespace

std::string sprintf(std::string_view format, const std::vector<FormatArg>& args) {
  const std::string f = expandEscapes(format);
  std::string out;
  size_t next = 0;  // next argument
  bool consumedInPass = false;
  while (true) {
    consumedInPass = false;
    size_t i = 0;
    while (i < f.size()) {
      char c = f[i];
      if (c != '%') {
        out += c;
        ++i;
        continue;
      }
      if (i + 1 < f.size() && f[i + 1] == '%') {
        out += '%';
        i += 2;
        continue;
      }
      Directive d;
      size_t end = parseDirective(f, i + 1, d);
      if (end == std::string_view::npos) {  // not a directive: written as it stands
        out += c;
        ++i;
        continue;
      }
      if (next >= args.size()) {
        // Out of arguments: the output stops before the first directive
        // that has none (on a first pass without any arguments, too).
        return out;
      }
      const FormatArg& a = args[next++];
      consumedInPass = true;
      if (const double* v = std::get_if<double>(&a))
        out += formatNumber(d, *v);
      else
        out += formatText(d, std::get<std::string>(a));
      i = end;
    }
    // The format is used again while arguments remain.
    if (next >= args.size() || !consumedInPass) break;
  }
  return out;
}

std::string sprintfMat(std::string_view format, const Mat& m) {
  std::vector<FormatArg> args;
  args.reserve(static_cast<size_t>(m.size()));
  for (Eigen::Index r = 0; r < m.rows(); ++r)
    for (Eigen::Index c = 0; c < m.cols(); ++c) args.emplace_back(m(r, c));
  return sprintf(format, args);
}

std::string num2str(double x) {
  if (std::isnan(x)) return "NaN";
  if (std::isinf(x)) return x > 0 ? "Inf" : "-Inf";
  char buf[64];
  if (x == std::floor(x) && std::fabs(x) < 1e15) {
    std::snprintf(buf, sizeof buf, "%.0f", x);
    std::string s = buf;
    return s == "-0" ? "0" : s;
  }
  // Four decimals after the leading digit, at least five significant digits.
  int digits = x == 0 ? 5 : static_cast<int>(std::floor(std::log10(std::fabs(x)))) + 5;
  digits = std::clamp(digits, 5, 16);
  std::snprintf(buf, sizeof buf, "%.*g", digits, x);
  return buf;
}

std::string num2str(const Mat& m) {
  if (m.size() == 1) return num2str(m(0, 0));
  std::string out;
  for (Eigen::Index r = 0; r < m.rows(); ++r) {
    if (r > 0) out += '\n';
    for (Eigen::Index c = 0; c < m.cols(); ++c) {
      if (c > 0) out += "  ";
      out += num2str(m(r, c));
    }
  }
  return out;
}

namespace {

bool isSeparator(char c) {
  return c == ' ' || c == '\t' || c == ',' || c == '\r';
}

}  // namespace

std::string shortestText(double x) {
  std::string out;
  appendShortestText(out, x);
  return out;
}

void appendShortestText(std::string& out, double x) {
  // 24 characters hold the longest: "-2.2250738585072014e-308".
  char buf[32];
  const auto r = std::to_chars(buf, buf + sizeof buf, x);
  out.append(buf, r.ptr);
}

Mat str2num(std::string_view text) {
  std::vector<double> values;
  std::vector<size_t> rowEnds;
  const char* p = text.data();
  const char* end = p + text.size();
  size_t cols = 0;
  auto closeRow = [&]() -> bool {
    size_t n = values.size() - (rowEnds.empty() ? 0 : rowEnds.back());
    if (n == 0) return true;  // empty rows are skipped
    if (cols == 0) cols = n;
    if (n != cols) return false;
    rowEnds.push_back(values.size());
    return true;
  };
  while (p < end) {
    char c = *p;
    if (isSeparator(c)) {
      ++p;
      continue;
    }
    if (c == ';' || c == '\n') {
      if (!closeRow()) return Mat();
      ++p;
      continue;
    }
    double v;
    const char* q = parseDouble(p, end, v);
    if (q == nullptr) return Mat();
    if (q < end && !isSeparator(*q) && *q != ';' && *q != '\n') return Mat();
    values.push_back(v);
    p = q;
  }
  if (!closeRow()) return Mat();
  if (values.empty()) return Mat();
  Mat m(static_cast<Eigen::Index>(rowEnds.size()), static_cast<Eigen::Index>(cols));
  for (size_t i = 0; i < values.size(); ++i) m.data()[i] = values[i];
  return m;
}

namespace {

// A number too large or too small for a double, already checked to be one
// by the library's parser: +-infinity or +-0, as strtod gives in every
// locale (strtod itself reads the decimal point of the user's locale).
double outOfRange(const char* p, const char* end) {
  const bool negative = *p == '-';
  if (*p == '-' || *p == '+') ++p;
  // The decimal exponent of the first significant digit decides.
  long long lead = 0;
  bool seen = false, point = false;
  for (; p < end; ++p) {
    if (*p == '.') {
      point = true;
    } else if (static_cast<unsigned>(*p - '0') < 10) {
      if (*p != '0') seen = true;
      if (!seen && point) --lead;
      if (!point && seen) ++lead;
      if (seen && point) break;
    } else {
      break;
    }
  }
  while (p < end && *p != 'e' && *p != 'E') ++p;
  long long exp10 = 0;
  if (p < end) {
    ++p;
    const bool eneg = p < end && *p == '-';
    if (p < end && (*p == '-' || *p == '+')) ++p;
    // Capped far beyond the digits any file can hold before the exponent.
    for (; p < end && static_cast<unsigned>(*p - '0') < 10; ++p)
      if (exp10 < 1'000'000'000'000'000) exp10 = exp10 * 10 + (*p - '0');
    if (eneg) exp10 = -exp10;
  }
  const double magnitude = lead + exp10 > 0 ? std::numeric_limits<double>::infinity() : 0.0;
  return negative ? -magnitude : magnitude;
}

}  // namespace

const char* parseDouble(const char* p, const char* end, double& v) {
  // Fast path for the plain decimals landmark files are made of: at most 19
  // significant digits and a small power of ten. When the digits fit in 53
  // bits and the power of ten is exact (10^0..10^22), one multiplication or
  // division of two exact doubles rounds correctly (Clinger 1990).
  static constexpr double kPow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                      1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                      1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
  const char* s = p;
  bool negative = false;
  if (s < end && (*s == '-' || *s == '+')) negative = *s++ == '-';
  const char* intStart = s;
  while (s < end && *s == '0') ++s;  // leading zeros carry no digit
  // Up to 19 significant digits fit the 64-bit mantissa; with more, the
  // library parser below takes over.
  unsigned long long mantissa = 0;
  const char* digitsStart = s;
  while (s < end && static_cast<unsigned>(*s - '0') < 10)
    mantissa = mantissa * 10 + static_cast<unsigned>(*s++ - '0');
  long digits = s - digitsStart;
  long exp10 = 0;
  bool anyDigit = s != intStart;
  if (s < end && *s == '.') {
    const char* fracStart = ++s;
    if (mantissa == 0)
      while (s < end && *s == '0') ++s;
    const char* fracDigits = s;
    while (s < end && static_cast<unsigned>(*s - '0') < 10)
      mantissa = mantissa * 10 + static_cast<unsigned>(*s++ - '0');
    digits += s - fracDigits;
    exp10 -= s - fracStart;
    anyDigit = anyDigit || s != fracStart;
  }
  if (anyDigit && s < end && (*s == 'e' || *s == 'E')) {
    const char* e = s + 1;
    bool eneg = false;
    if (e < end && (*e == '-' || *e == '+')) eneg = *e++ == '-';
    if (e < end && static_cast<unsigned>(*e - '0') < 10) {
      long ev = 0;
      while (e < end && static_cast<unsigned>(*e - '0') < 10) {
        if (ev < 100000) ev = ev * 10 + (*e - '0');
        ++e;
      }
      exp10 += eneg ? -ev : ev;
      s = e;
    }
  }
  if (anyDigit && digits <= 19 && mantissa < (1ULL << 53) && exp10 >= -22 && exp10 <= 22) {
    double m = static_cast<double>(mantissa);
    m = exp10 < 0 ? m / kPow10[-exp10] : m * kPow10[exp10];
    v = negative ? -m : m;
    return s;
  }
  // Everything else (long mantissas, large exponents, Inf, NaN) goes to the
  // library's correctly rounded parser.
  const char* q = p + (p < end && *p == '+' ? 1 : 0);
  if (q < end && q != p && *q == '-') return nullptr;  // "+-1"
  auto r = std::from_chars(q, end, v);
  if (r.ec == std::errc::result_out_of_range && r.ptr != q) {
    v = outOfRange(q, r.ptr);
    return r.ptr;
  }
  if (r.ec != std::errc()) return nullptr;
  return r.ptr;
}

double round(double x) {
  return std::round(x);
}

Mat round(const Mat& m) {
  return m.unaryExpr([](double v) { return std::round(v); });
}

std::string lowerCase(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

bool isUtf8(std::string_view bytes) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const auto* end = p + bytes.size();
  while (p < end) {
    const unsigned char c = *p;
    if (c < 0x80) {
      ++p;
      continue;
    }
    // The length of the sequence and the range of its second byte, which
    // rules out overlong forms, surrogates and code points above U+10FFFF.
    int length = 0;
    unsigned char low = 0x80, high = 0xBF;
    if (c >= 0xC2 && c <= 0xDF) {
      length = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
      length = 3;
      if (c == 0xE0) low = 0xA0;
      if (c == 0xED) high = 0x9F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      length = 4;
      if (c == 0xF0) low = 0x90;
      if (c == 0xF4) high = 0x8F;
    } else {
      return false;
    }
    if (end - p < length) return false;
    if (p[1] < low || p[1] > high) return false;
    for (int k = 2; k < length; ++k)
      if (p[k] < 0x80 || p[k] > 0xBF) return false;
    p += length;
  }
  return true;
}

std::string latin1ToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 4);
  for (const char ch : bytes) {
    const auto c = static_cast<unsigned char>(ch);
    if (c < 0x80) {
      out += ch;
    } else {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

std::string utf8FromFile(std::string_view bytes) {
  return isUtf8(bytes) ? std::string(bytes) : latin1ToUtf8(bytes);
}

void appendCsvField(std::string& out, std::string_view text) {
  const bool formula =
      !text.empty() && std::string_view("=+-@\t\r").find(text.front()) != std::string_view::npos;
  if (!formula && text.find_first_of(",\"\r\n") == std::string_view::npos) {
    out += text;
    return;
  }
  out += '"';
  if (formula) out += '\'';
  for (const char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  out += '"';
}

std::string csvField(std::string_view text) {
  std::string out;
  appendCsvField(out, text);
  return out;
}

}  // namespace varnok

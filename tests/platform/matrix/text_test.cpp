#include "platform/matrix/text.hpp"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <system_error>

#include "platform/matrix/console.hpp"
#include "platform/matrix/runtime_error.hpp"

namespace varnok {
namespace {

TEST(Sprintf, SummaryFormatOfTheDataBox) {
  EXPECT_EQ(sprintf("File: %s \\n %3.0f Specimens \\n %3.0f Landmarks", {"a.txt", 30.0, 12.0}),
            "File: a.txt \n  30 Specimens \n  12 Landmarks");
  // Three characters is a minimum width, not a limit, and %3.0f rounds.
  EXPECT_EQ(sprintf("%3.0f|%3.0f|%3.0f", {1234.0, 2.5, 12.5}), "1234|  2| 12");
}

TEST(Sprintf, FixedDecimalsAndGeneralFormat) {
  EXPECT_EQ(sprintf("%1.4f", {0.43096}), "0.4310");
  EXPECT_EQ(sprintf("%1.7f", {0.0123456789}), "0.0123457");
  EXPECT_EQ(sprintf("%f", {12.0}), "12.000000");
  EXPECT_EQ(sprintf("%g ", {0.1}), "0.1 ");
  EXPECT_EQ(sprintf("%g ", {1234567.0}), "1.23457e+06 ");
  EXPECT_EQ(sprintf("%g ", {-0.000012345}), "-1.2345e-05 ");
  EXPECT_EQ(sprintf("%g", {100000.0}), "100000");
  EXPECT_EQ(sprintf("%e", {1.5}), "1.500000e+00");
}

TEST(Sprintf, IntegersAndNonIntegersUnderIntegerDirectives) {
  EXPECT_EQ(sprintf("%i specimens", {59.0}), "59 specimens");
  EXPECT_EQ(sprintf("%3.0i", {7.0}), "  7");
  EXPECT_EQ(sprintf("%d", {-3.0}), "-3");
  // A fraction is not truncated to an integer: it is written in full.
  EXPECT_EQ(sprintf("%d", {1.5}), "1.500000e+00");
}

TEST(Sprintf, FormatIsReusedAndStopsWhereArgumentsEnd) {
  EXPECT_EQ(sprintf("%g ", {1.0, 2.0, 3.0}), "1 2 3 ");
  EXPECT_EQ(sprintf("%d and %d", {1.0}), "1 and ");
  EXPECT_EQ(sprintf("no directive here"), "no directive here");
  EXPECT_EQ(sprintf("%d items"), "");
  EXPECT_EQ(sprintfMat("%g ", (Mat(2, 2) << 1, 2, 3, 4).finished()), "1 2 3 4 ");
}

TEST(Sprintf, EscapesPercentAndText) {
  EXPECT_EQ(sprintf("a\\tb\\\\c 100%%"), "a\tb\\c 100%");
  EXPECT_EQ(sprintf("\\nSS distance/(n-1) =%1.7f", {0.5}), "\nSS distance/(n-1) =0.5000000");
  EXPECT_EQ(sprintf("[%5s]", {"ab"}), "[   ab]");
  EXPECT_EQ(sprintf("%c%c", {"x", 65.0}), "xA");
  EXPECT_EQ(sprintf("%s is %d", {"x", 2.0}), "x is 2");
  EXPECT_EQ(sprintf("rate 5%"), "rate 5%");  // not a directive: kept
  EXPECT_EQ(sprintf("%5.1q"), "%5.1q");
}

TEST(Sprintf, NonFiniteValues) {
  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_EQ(sprintf("%g %f %d", {inf, -inf, std::nan("")}), "Inf -Inf NaN");
  EXPECT_EQ(sprintf("%5.1f|", {inf}), "  Inf|");
}

TEST(Num2str, IntegersAndFractions) {
  EXPECT_EQ(num2str(15.0), "15");
  EXPECT_EQ(num2str(-1.0), "-1");
  EXPECT_EQ(num2str(0.0), "0");
  EXPECT_EQ(num2str(-0.0), "0");
  EXPECT_EQ(num2str(3.14159265), "3.1416");
  EXPECT_EQ(num2str(123.4567), "123.4567");
  EXPECT_EQ(num2str(0.4310123), "0.43101");
  EXPECT_EQ(num2str(0.001234567), "0.0012346");
  EXPECT_EQ(num2str(std::nan("")), "NaN");
  EXPECT_EQ(num2str((Mat(1, 3) << 1, 2.5, 3).finished()), "1  2.5  3");
}

TEST(Str2num, SeparatorsAndRows) {
  Mat blanks = str2num("1 2.5 -3e2");
  ASSERT_EQ(blanks.rows(), 1);
  ASSERT_EQ(blanks.cols(), 3);
  EXPECT_DOUBLE_EQ(blanks(0, 2), -300);
  EXPECT_EQ(str2num("1,2.5,-3e2"), blanks);
  EXPECT_EQ(str2num("\t1\t2.5 , -3e2\r\n"), blanks);
  EXPECT_EQ(str2num("+1 2.5 -3E+2"), blanks);
  Mat rows = str2num("1 2; 3 4");
  EXPECT_EQ(rows.rows(), 2);
  EXPECT_EQ(rows(1, 0), 3);
  EXPECT_EQ(str2num(".5")(0, 0), 0.5);
  EXPECT_TRUE(std::isinf(str2num("Inf")(0, 0)));
}

TEST(Str2num, TextWithoutANumberGivesEmpty) {
  EXPECT_EQ(str2num("").size(), 0);
  EXPECT_EQ(str2num("   ").size(), 0);
  EXPECT_EQ(str2num("auto").size(), 0);
  EXPECT_EQ(str2num("12abc").size(), 0);
  EXPECT_EQ(str2num("1 2; 3").size(), 0);  // ragged rows
  EXPECT_EQ(str2num("1 -").size(), 0);
  EXPECT_EQ(str2num("+-1").size(), 0);
}

TEST(ParseDouble, AgreesWithStrtodToTheLastBit) {
  std::mt19937_64 rng(42);
  std::uniform_int_distribution<int> digit(0, 9), len(1, 22), exp(-30, 30), kind(0, 3);
  for (int i = 0; i < 20000; ++i) {
    std::string s = kind(rng) == 0 ? "-" : "";
    int n = len(rng);
    int point = std::uniform_int_distribution<int>(0, n)(rng);
    for (int k = 0; k < n; ++k) {
      if (k == point) s += '.';
      s += static_cast<char>('0' + digit(rng));
    }
    if (kind(rng) == 1) s += "e" + std::to_string(exp(rng));
    double fast = 0;
    const char* end = parseDouble(s.data(), s.data() + s.size(), fast);
    ASSERT_EQ(end, s.data() + s.size()) << s;
    EXPECT_EQ(fast, std::strtod(s.c_str(), nullptr)) << s;
  }
  const char* zeros = "0.0000000000000000000000001234";
  double v = 0;
  parseDouble(zeros, zeros + std::strlen(zeros), v);
  EXPECT_EQ(v, 1.234e-25);
  for (const char* bad : {".", "-", "+", "e5", "+-1", "", "abc"}) {
    EXPECT_EQ(parseDouble(bad, bad + std::strlen(bad), v), nullptr) << bad;
  }
  const char* partial = "1e+";
  EXPECT_EQ(parseDouble(partial, partial + 3, v), partial + 1);
}

// The parser as it was before numbers out of a double's range stopped going
// through strtod (which reads the decimal point of the user's locale): the
// reference for what is accepted, where a number ends and its value.
const char* referenceParseDouble(const char* p, const char* end, double& v) {
  static constexpr double kPow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                      1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                      1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
  const char* s = p;
  bool negative = false;
  if (s < end && (*s == '-' || *s == '+')) negative = *s++ == '-';
  const char* intStart = s;
  while (s < end && *s == '0') ++s;
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
  const char* q = p + (p < end && *p == '+' ? 1 : 0);
  if (q < end && q != p && *q == '-') return nullptr;
  auto r = std::from_chars(q, end, v);
  if (r.ec == std::errc::result_out_of_range && r.ptr != q) {
    v = std::strtod(std::string(q, r.ptr).c_str(), nullptr);
    return r.ptr;
  }
  if (r.ec != std::errc()) return nullptr;
  return r.ptr;
}

// Both parsers on text: the same end (or both refuse) and the same bits
// (so -0 and 0 differ, and a NaN's sign counts).
void expectSameAsReference(const std::string& text) {
  const char* b = text.data();
  const char* e = b + text.size();
  double got = 12345, want = 12345;
  const char* gotEnd = parseDouble(b, e, got);
  const char* wantEnd = referenceParseDouble(b, e, want);
  ASSERT_EQ(gotEnd, wantEnd) << '"' << text << '"';
  if (wantEnd == nullptr) return;
  std::uint64_t gotBits, wantBits;
  std::memcpy(&gotBits, &got, sizeof got);
  std::memcpy(&wantBits, &want, sizeof want);
  ASSERT_EQ(gotBits, wantBits) << '"' << text << "\" " << got << " vs " << want;
}

TEST(ParseDouble, SameNumbersAndEndsAsTheReferenceBitForBit) {
  // Every kind of text the readers meet or might: signs, missing digits on
  // either side of the point, exponents, zeros, words, other notations
  // (which stop at their first foreign character), and numbers beyond a
  // double's range or precision.
  for (const char* t : {"0",
                        "-0",
                        "+0",
                        "-0.0",
                        "0.",
                        "-.0",
                        "+1",
                        "+-1",
                        "-+1",
                        "--1",
                        "++1",
                        "1e5",
                        "1E5",
                        "1e+5",
                        "1e-5",
                        "1e",
                        "1e+",
                        "1e-",
                        "e5",
                        ".5",
                        "-.5",
                        "+.5",
                        "5.",
                        "-5.",
                        ".",
                        "-.",
                        "+",
                        "-",
                        "",
                        " 1",
                        "1 ",
                        "nan",
                        "NaN",
                        "-nan",
                        "+nan",
                        "nan(12)",
                        "inf",
                        "-Inf",
                        "+INF",
                        "infinity",
                        "-infinity",
                        "infin",
                        "0x1p3",
                        "0X10",
                        "1d5",
                        "1D-5",
                        "1,5",
                        "1.000,5",
                        "1 000",
                        "1_000",
                        "1'000",
                        "12abc",
                        "1.2.3",
                        "1e5e5",
                        "1.5e3.2",
                        "00012.5000",
                        "0.0000000000000000000000001234",
                        "000.000e5",
                        "0e999999",
                        "-0e-999999",
                        "1e400",
                        "-1e400",
                        "1e-400",
                        "-1e-400",
                        "1e-310",
                        "-4.9e-324",
                        "2e-324",
                        "-2e-324",
                        "2.4703282292062327e-324",
                        "2.4703282292062328e-324",
                        "1.7976931348623157e308",
                        "1.7976931348623159e308",
                        "-1.7976931348623159e308",
                        "0.000001e-320",
                        "123456e-330",
                        "0.00000000000000000000000000000000000000001e309",
                        "1000000000000000000000e-400",
                        "9007199254740993",
                        "9007199254740992.5",
                        "12345678901234567890",
                        "1234567890123456789",
                        "0.12345678901234567890123",
                        "4503599627370496.5",
                        "8.589973e9",
                        "1e22",
                        "1e23",
                        "1e-22",
                        "1e-23",
                        "123456789012345678901234567890e-30",
                        "\xd9\xa1",
                        "1\xd9\xa1"}) {
    expectSameAsReference(t);
  }
  // Random doubles of every magnitude, written as printf and the readers'
  // files write them, with 1 to 17 significant digits, plus the ways a
  // number can be spelled differently.
  std::mt19937_64 rng(24);
  std::uniform_int_distribution<int> precision(1, 17), style(0, 5);
  char buf[64];
  for (int i = 0; i < 100000; ++i) {
    double x;
    if (i % 2 == 0) {
      const std::uint64_t bits = rng();
      std::memcpy(&x, &bits, sizeof x);
      if (!std::isfinite(x)) continue;
    } else {
      x = std::normal_distribution<double>(0, 1)(rng) *
          std::pow(10.0, std::uniform_int_distribution<int>(-8, 8)(rng));
    }
    const int digits = precision(rng);
    switch (style(rng)) {
      case 0:
        std::snprintf(buf, sizeof buf, "%.*g", digits, x);
        break;
      case 1:
        std::snprintf(buf, sizeof buf, "%.*e", digits - 1, x);
        break;
      case 2:
        std::snprintf(buf, sizeof buf, "%+.*g", digits, x);
        break;
      case 3:
        std::snprintf(buf, sizeof buf, "%.*f", digits, std::fmod(x, 1e12));
        break;
      case 4:
        std::snprintf(buf, sizeof buf, "%.*E", digits, x);
        break;
      default:
        std::snprintf(buf, sizeof buf, "%.17g", x);
        break;
    }
    std::string text = buf;
    expectSameAsReference(text);
    // Without the zero before the point, and cut short anywhere.
    if (text.starts_with("0.")) expectSameAsReference(text.substr(1));
    expectSameAsReference(text.substr(0, static_cast<size_t>(i) % (text.size() + 1)));
  }
}

TEST(ShortestText, ReadsBackExactlyAndNoShorterTextWould) {
  EXPECT_EQ(shortestText(0.1), "0.1");
  EXPECT_EQ(shortestText(-0.0), "-0");
  EXPECT_EQ(shortestText(1e300), "1e+300");
  EXPECT_EQ(shortestText(std::numeric_limits<double>::denorm_min()), "5e-324");
  EXPECT_EQ(shortestText(-std::numeric_limits<double>::infinity()), "-inf");
  std::mt19937_64 rng(7);
  for (int i = 0; i < 20000; ++i) {
    double x;
    const std::uint64_t bits = rng();
    std::memcpy(&x, &bits, sizeof x);
    if (!std::isfinite(x)) continue;
    const std::string t = shortestText(x);
    double back = 0;
    ASSERT_EQ(parseDouble(t.data(), t.data() + t.size(), back), t.data() + t.size()) << t;
    ASSERT_EQ(back, x) << t;
    // One significant digit fewer no longer reads back as x (large whole
    // numbers are written with all their digits when that is shorter).
    std::string digits = t.substr(0, t.find('e'));
    const bool point = digits.find('.') != std::string::npos;
    std::erase_if(digits, [](char c) { return c < '0' || c > '9'; });
    digits.erase(0, digits.find_first_not_of('0'));
    if (digits.size() > 1 && (point || t.find('e') != std::string::npos)) {
      char shorter[40];
      std::snprintf(shorter, sizeof shorter, "%.*e", static_cast<int>(digits.size()) - 2, x);
      EXPECT_NE(std::strtod(shorter, nullptr), x) << t << " " << shorter;
    }
  }
}

TEST(Round, HalvesAwayFromZero) {
  EXPECT_EQ(round(2.5), 3);
  EXPECT_EQ(round(-2.5), -3);
  EXPECT_EQ(round(0.49999999999999994), 0);
  EXPECT_EQ(round(1.4999), 1);
  Mat r = round((Mat(1, 2) << 10000 * 0.12345, -0.5).finished());
  EXPECT_EQ(r(0, 0), 1235);
  EXPECT_EQ(r(0, 1), -1);
}

TEST(ArgumentCounts, ExactMessages) {
  EXPECT_EQ(tooManyInputsMessage("Varnoksw", 2),
            "Run-time Error: File: Varnoksw Line: 1 Column: 1 The function \"Varnoksw\" was "
            "called with more than the declared number of inputs (2).");
  EXPECT_EQ(tooManyOutputsMessage("Varnoksw", 0),
            "Run-time Error: File: Varnoksw Line: 1 Column: 1 The function \"Varnoksw\" was "
            "called with more than the declared number of outputs (0).");
  EXPECT_EQ(tooManyInputsMessage("UniArbitrary", 1, 3),
            "Run-time Error: File: UniArbitrary Line: 1 Column: 3 The function \"UniArbitrary\" "
            "was called with more than the declared number of inputs (1).");
  EXPECT_NO_THROW(checkArgCounts("f", 5, 5, -1, -1));
  EXPECT_THROW(checkArgCounts("f", 2, 0, 1, 0), RuntimeError);
}

TEST(Console, NamedValueDisplay) {
  Console c(nullptr, true);
  c.display("scale", 2.0);
  c.display("x", (Mat(1, 2) << 0.5, -1.25).finished());
  c.display("name", std::string_view("text"));
  EXPECT_EQ(c.kept(),
            "scale =\n\n         2\n\n"
            "x =\n\n    0.5000   -1.2500\n\n"
            "name =\n\ntext\n\n");
}

// Text from files becomes valid UTF-8, whatever its bytes: a surrogate, an
// overlong form or a code point above U+10FFFF once passed as UTF-8 and
// broke every picture export and the plot data.
TEST(TextFromFiles, OnlyWellFormedUtf8StaysAsItIs) {
  for (const char* good : {"", "plain", "M\xC3\xA4nnchen", "\xE2\x82\xAC", "\xED\x9F\xBF",
                           "\xF0\x9F\x98\x80", "\xF4\x8F\xBF\xBF"})
    EXPECT_TRUE(isUtf8(good)) << good;
  for (const char* bad :
       {"\xED\xA0\x80", "\xE0\x80\xAF", "\xC0\xAF", "\xF4\x90\x80\x80", "\xF5\x80\x80\x80", "\x80",
        "ab\xC3", "\xE2\x82", "\xC3\x28", "M\xE4nnchen"})
    EXPECT_FALSE(isUtf8(bad)) << bad;
  EXPECT_EQ(utf8FromFile("M\xC3\xA4nnchen"), "M\xC3\xA4nnchen");
  // Not UTF-8: every byte is its Latin-1 character, also those that
  // looked like the start of a sequence.
  EXPECT_EQ(utf8FromFile("M\xE4nnchen \xC3\xA4"), "M\xC3\xA4nnchen \xC3\x83\xC2\xA4");
  EXPECT_EQ(utf8FromFile("\xED\xA0\x80"), "\xC3\xAD\xC2\xA0\xC2\x80");
  EXPECT_TRUE(isUtf8(latin1ToUtf8("\xFF\x80\x00z")));
}

// A cell that starts like a formula opens in a spreadsheet as the text it is.
TEST(CsvField, FormulasAreNeutralisedAndSeparatorsQuoted) {
  EXPECT_EQ(csvField("Gorilla 12"), "Gorilla 12");
  EXPECT_EQ(csvField(""), "");
  EXPECT_EQ(csvField("a,b"), "\"a,b\"");
  EXPECT_EQ(csvField("say \"hi\""), "\"say \"\"hi\"\"\"");
  EXPECT_EQ(csvField("two\nlines"), "\"two\nlines\"");
  EXPECT_EQ(csvField("=1+2"), "\"'=1+2\"");
  EXPECT_EQ(csvField("+1"), "\"'+1\"");
  EXPECT_EQ(csvField("-2+3"), "\"'-2+3\"");
  EXPECT_EQ(csvField("@SUM(A1)"), "\"'@SUM(A1)\"");
  EXPECT_EQ(csvField("\t=1"), "\"'\t=1\"");
  EXPECT_EQ(csvField("\r=1"), "\"'\r=1\"");
  EXPECT_EQ(csvField("=HYPERLINK(\"x\",\"y\")"), "\"'=HYPERLINK(\"\"x\"\",\"\"y\"\")\"");
  // Only the first character counts.
  EXPECT_EQ(csvField("a=b"), "a=b");
}

}  // namespace
}  // namespace varnok

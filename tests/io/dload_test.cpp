#include "io/dload.hpp"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

namespace varnok::io {
namespace {

Mat parse(const std::string& text) {
  std::istringstream in(text);
  return readNumeric(in, "test.txt");
}

std::string errorOf(const std::string& text) {
  try {
    parse(text);
  } catch (const DataFileError& e) {
    return e.what();
  }
  return "no error";
}

std::string lines(int n, const char* sep, const char* end) {
  std::string s;
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < 25; ++j) s += std::to_string(i * 100 + j) + (j < 24 ? sep : "");
    s += end;
  }
  return s;
}

TEST(Dload, ReadsRowsInFileOrder) {
  Mat m = parse(lines(30, " ", "\n"));
  ASSERT_EQ(m.rows(), 30);
  ASSERT_EQ(m.cols(), 25);
  EXPECT_EQ(m(0, 0), 0);
  EXPECT_EQ(m(29, 24), 2924);
  EXPECT_EQ(m(7, 3), 703);
}

TEST(Dload, SeparatorsAndLineEndsDoNotMatter) {
  Mat blanks = parse(lines(30, " ", "\n"));
  EXPECT_EQ(parse(lines(30, ",", "\n")), blanks);
  EXPECT_EQ(parse(lines(30, "\t", "\n")), blanks);
  EXPECT_EQ(parse(lines(30, ", ", "\r\n")), blanks);
  // The last line needs no line end.
  std::string noEnd = lines(30, " ", "\n");
  noEnd.pop_back();
  EXPECT_EQ(parse(noEnd), blanks);
}

TEST(Dload, StopLineEndsTheData) {
  Mat plain = parse(lines(30, " ", "\n"));
  EXPECT_EQ(parse(lines(30, " ", "\n") + "\n"), plain);
  EXPECT_EQ(parse(lines(30, " ", "\r\n") + "\r\n"), plain);
  // Everything after the first bare line end is ignored.
  EXPECT_EQ(parse(lines(30, " ", "\n") + "\n" + "garbage\n1 2 3\n"), plain);
  // A last one-digit group code without its line feed is data, not the end.
  Mat codes = parse("1\n2\n2");
  ASSERT_EQ(codes.rows(), 3);
  EXPECT_EQ(codes(2, 0), 2);
  EXPECT_EQ(parse("1\n2\n2\n").rows(), 3);
  EXPECT_EQ(parse("1\n2\n12").rows(), 3);
  EXPECT_EQ(parse("1\r2\r7").rows(), 3);
  // The program's own result files end in a line end and one blank.
  EXPECT_EQ(parse("1 2  \n 3 4  \n "), (Mat(2, 2) << 1, 2, 3, 4).finished());
}

TEST(Dload, NumberForms) {
  Mat m = parse("1.5e3 -2 +3 .25 -0.5E-1\n");
  ASSERT_EQ(m.cols(), 5);
  EXPECT_EQ(m(0, 0), 1500);
  EXPECT_EQ(m(0, 2), 3);
  EXPECT_EQ(m(0, 3), 0.25);
  EXPECT_EQ(m(0, 4), -0.05);
}

TEST(Dload, MalformedLinesNameFileAndLine) {
  EXPECT_EQ(errorOf("1 2 3\n4 5\n"),
            "The file test.txt could not be loaded: line 2 holds 2 numbers, but the first line "
            "holds 3.");
  EXPECT_EQ(errorOf("1 2 3\n4 5 6 7\n"),
            "The file test.txt could not be loaded: line 2 holds more than 3 numbers, but the "
            "first line holds 3.");
  EXPECT_EQ(errorOf("1 2 3\n4 x 6\n"),
            "The file test.txt could not be loaded: line 2 holds \"x\", which is not a number.");
  EXPECT_EQ(errorOf("1 2 3\n4 5 6abc\n"),
            "The file test.txt could not be loaded: line 2 holds \"6abc\", which is not a "
            "number.");
  EXPECT_EQ(errorOf("1 2 3\n   \n"),
            "The file test.txt could not be loaded: line 2 holds no number.");
  EXPECT_EQ(errorOf("\n1 2\n"), "The file test.txt could not be loaded: line 1 holds no number.");
}

TEST(Dload, EmptyInputGivesEmptyMatrix) {
  EXPECT_EQ(parse("").size(), 0);
}

TEST(Dload, MissingFileIsMinusOneForTheRoutineAndNulloptForReaders) {
  EXPECT_FALSE(readNumericFile("/nonexistent/dir/file.txt").has_value());
  Mat m = dload("/nonexistent/dir/file.txt");
  ASSERT_EQ(m.size(), 1);
  EXPECT_EQ(m(0, 0), -1);
  EXPECT_FALSE(readNumericFile(std::filesystem::temp_directory_path().string()).has_value());
}

TEST(Dload, LongLinesAcrossBufferBoundaries) {
  // Lines of ~6 MB each cross the reader's 1 MB chunks.
  std::string line;
  const int n = 600000;
  for (int j = 0; j < n; ++j) line += "1.25 ";
  std::string text = line + "\n" + line + "\n";
  Mat m = parse(text);
  ASSERT_EQ(m.rows(), 2);
  ASSERT_EQ(m.cols(), n);
  EXPECT_EQ(m(1, n - 1), 1.25);
}

TEST(Dload, RealDataFile) {
  auto m = readNumericFile(VARNOK_SOURCE_DIR "/examples/gorilla.txt");
  ASSERT_TRUE(m.has_value());
  EXPECT_EQ(m->rows(), 59);
  EXPECT_EQ(m->cols(), 17);
}

// ---- encodings, line ends and hostile content ----

NumericText text(const std::string& t) {
  return parseNumericText(std::string_view(t), "f.txt");
}

std::string errorOfText(const std::string& t) {
  try {
    text(t);
  } catch (const DataFileError& e) {
    return e.what();
  }
  return "no error";
}

TEST(Dload, Utf8ByteOrderMarkIsSkipped) {
  EXPECT_EQ(parse("\xEF\xBB\xBF"
                  "1 2\n3 4\n"),
            (Mat(2, 2) << 1, 2, 3, 4).finished());
  EXPECT_EQ(parse("\xEF\xBB\xBF").size(), 0);
}

TEST(Dload, Utf16AndBinaryFilesSayWhatTheyAre) {
  const std::string utf16 =
      "The file f.txt could not be loaded: it looks like a UTF-16 text file; save it as plain "
      "text (UTF-8 or ASCII).";
  auto wide = [](const std::string& ascii, bool bigEndian) {
    std::string out;
    for (char c : ascii) {
      if (bigEndian) out += '\0';
      out += c;
      if (!bigEndian) out += '\0';
    }
    return out;
  };
  EXPECT_EQ(errorOfText("\xFF\xFE" + wide("1 2\r\n3 4\r\n", false)), utf16);
  EXPECT_EQ(errorOfText("\xFE\xFF" + wide("1 2\r\n3 4\r\n", true)), utf16);
  EXPECT_EQ(errorOfText(wide("1 2\n3 4\n", false)), utf16);  // no mark
  EXPECT_EQ(errorOfText(wide("1 2\n3 4\n", true)), utf16);

  EXPECT_EQ(errorOfText(std::string("1 2\n3 \0\0\0\0\x7f 4\n", 15)),
            "The file f.txt could not be loaded: it looks like a binary file, not a text file of "
            "numbers (it holds the byte \\x00).");
  EXPECT_EQ(errorOfText("1 2\n3 4\n5 \x01\x02"
                        "6\n"),
            "The file f.txt could not be loaded: it looks like a binary file, not a text file of "
            "numbers (line 3 holds the byte \\x01).");
  // The start of a PNG picture.
  EXPECT_EQ(errorOfText(std::string("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR", 16)),
            "The file f.txt could not be loaded: it looks like a binary file, not a text file of "
            "numbers (it holds the byte \\x00).");
}

TEST(Dload, EveryLineEndEndsALine) {
  const Mat expected = (Mat(3, 2) << 1, 2, 3, 4, 5, 6).finished();
  for (const char* end : {"\n", "\r\n", "\r"}) {
    SCOPED_TRACE(testing::PrintToString(std::string(end)));
    const std::string e(end);
    EXPECT_EQ(parse("1 2" + e + "3 4" + e + "5 6" + e), expected);
    EXPECT_EQ(parse("1 2" + e + "3 4" + e + "5 6"), expected);  // no last line end
    EXPECT_EQ(parse("1 2" + e + "3 4" + e + "5 6" + e + e), expected);
  }
  // A CR LF split across the reader's chunks is one line end.
  std::string big;
  while (big.size() < (1u << 20) - 1) big += "1 ";
  big.resize((1u << 20) - 1);
  big += "\r\n" + big + "\r\n";
  EXPECT_EQ(text(big).data.rows(), 2);
  EXPECT_EQ(text(big).stopLine, 0);
}

TEST(Dload, LinesAfterAnEmptyLineAreCountedNotRead) {
  NumericText t = text("1 2\n3 4\n\n5 6\n   \n\n7 8\n");
  EXPECT_EQ(t.data, (Mat(2, 2) << 1, 2, 3, 4).finished());
  EXPECT_EQ(t.stopLine, 3);
  EXPECT_EQ(t.unreadLines, 2);
  EXPECT_EQ(unreadLinesNote("f.txt", t),
            "Reading of the file f.txt stopped at the empty line 3; 2 more lines after it were "
            "not read. Remove the empty line to load them.");
  t = text("1 2\r\r5 6");
  EXPECT_EQ(t.data.rows(), 1);
  EXPECT_EQ(t.unreadLines, 1);
  EXPECT_EQ(unreadLinesNote("f.txt", t),
            "Reading of the file f.txt stopped at the empty line 2; 1 more line after it was not "
            "read. Remove the empty line to load it.");
  // Trailing empty or blank lines are no loss.
  for (const char* harmless : {"1 2\n\n", "1 2\n\n\n \n\t\n", "1 2\r\n\r\n\r\n"}) {
    t = text(harmless);
    EXPECT_EQ(t.data.rows(), 1);
    EXPECT_EQ(t.unreadLines, 0);
    EXPECT_EQ(t.stopLine, 0);
    EXPECT_EQ(unreadLinesNote("f.txt", t), "");
  }
}

TEST(Dload, NonFiniteNumbersAreRefusedNamingTheLine) {
  EXPECT_EQ(errorOfText("1 2\n3 NaN\n"),
            "The file f.txt could not be loaded: line 2 holds \"NaN\", which is not a finite "
            "number.");
  EXPECT_EQ(errorOfText("1 2\n3 4\n-Inf 5\n"),
            "The file f.txt could not be loaded: line 3 holds \"-Inf\", which is not a finite "
            "number.");
  EXPECT_EQ(errorOfText("1e999 2\n"),
            "The file f.txt could not be loaded: line 1 holds \"1e999\", which is not a finite "
            "number.");
  EXPECT_EQ(errorOfText("1 2\n3 -1e400\n"),
            "The file f.txt could not be loaded: line 2 holds \"-1e400\", which is not a finite "
            "number.");
  EXPECT_EQ(errorOfText("1\ninf\n"),
            "The file f.txt could not be loaded: line 2 holds \"inf\", which is not a finite "
            "number.");
  // Large and tiny finite numbers are kept.
  EXPECT_EQ(parse("1e308 4.9e-324 1e-400\n")(0, 0), 1e308);
}

TEST(Dload, MessagesQuoteAShortEscapedPieceOfTheText) {
  const std::string huge(10'000'000, 'x');
  const std::string message = errorOfText("1 2\n3 " + huge + "\n");
  EXPECT_LT(message.size(), 150u);
  EXPECT_EQ(message, "The file f.txt could not be loaded: line 2 holds \"" + std::string(40, 'x') +
                         "...\", which is not a number.");
  EXPECT_EQ(quoteForMessage("ab\x1b[2Jc\xff\xc3\xa9"), "ab\\x1b[2Jc\\xff\xc3\xa9");
  EXPECT_EQ(quoteForMessage(std::string(3, '\x7f'), 10), "\\x7f\\x7f...");
  EXPECT_EQ(quoteForMessage("short"), "short");
}

TEST(Dload, ArbitraryBytesGiveAMatrixOfFiniteNumbersOrAMessage) {
  // Bytes the reader treats specially, mixed at random.
  static constexpr char kBytes[] = "0123456789 ,\t\r\n.-+eEnNaAiIfF\xEF\xBB\xBF\xFF\xFE\x01";
  const std::string alphabet = std::string(kBytes, sizeof kBytes - 1) + std::string(1, '\0');
  std::mt19937 rng(11);
  for (int round = 0; round < 3000; ++round) {
    std::string input(static_cast<size_t>(rng() % 60), ' ');
    for (char& c : input) c = alphabet[rng() % alphabet.size()];
    try {
      const NumericText t = parseNumericText(std::string_view(input), "r.txt");
      for (Eigen::Index i = 0; i < t.data.size(); ++i)
        ASSERT_TRUE(std::isfinite(t.data.data()[i])) << testing::PrintToString(input);
      ASSERT_GE(t.unreadLines, 0);
    } catch (const DataFileError& e) {
      ASSERT_EQ(std::string(e.what()).rfind("The file r.txt could not be loaded: ", 0), 0u);
      ASSERT_LT(std::string(e.what()).size(), 200u);
    }
  }
}

#if !defined(__SANITIZE_ADDRESS__)
// A stream that never ends and never starts a new line.
class EndlessDigits : public std::streambuf {
 public:
  EndlessDigits() {
    std::memset(block_, '1', sizeof block_);
    setg(block_, block_, block_ + sizeof block_);
  }

 protected:
  int_type underflow() override {
    setg(block_, block_, block_ + sizeof block_);
    return traits_type::to_int_type(block_[0]);
  }

 private:
  char block_[4096];
};

TEST(Dload, RunningOutOfMemoryIsAMessage) {
  // In a child process with little address space, so the test cannot take
  // the machine's memory.
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  const pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    ::close(fds[0]);
    long pages = 0;
    std::ifstream("/proc/self/statm") >> pages;
    const rlim_t room =
        static_cast<rlim_t>(pages) * static_cast<rlim_t>(::sysconf(_SC_PAGESIZE)) + (256u << 20);
    rlimit limit{room, room};
    std::string out = "no limit";
    if (::setrlimit(RLIMIT_AS, &limit) == 0) {
      try {
        EndlessDigits digits;
        std::istream in(&digits);
        parseNumericText(in, "endless.txt");
        out = "no error";
      } catch (const DataFileError& e) {
        out = e.what();
      } catch (const std::exception& e) {
        out = std::string("other: ") + e.what();
      }
    }
    (void)!::write(fds[1], out.data(), out.size());
    ::_exit(0);
  }
  ::close(fds[1]);
  std::string got;
  char buf[512];
  for (ssize_t n; (n = ::read(fds[0], buf, sizeof buf)) > 0;)
    got.append(buf, static_cast<size_t>(n));
  ::close(fds[0]);
  ::waitpid(pid, nullptr, 0);
  EXPECT_EQ(got,
            "The file endless.txt could not be loaded: it is too large for the memory available.");
}
#endif

}  // namespace
}  // namespace varnok::io

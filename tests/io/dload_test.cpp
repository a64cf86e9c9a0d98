#include "io/dload.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
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
  // A last line of one character without a line end is a stop line too, so a
  // one-digit last group code without its line feed is not read.
  Mat codes = parse("1\n2\n2");
  EXPECT_EQ(codes.rows(), 2);
  EXPECT_EQ(parse("1\n2\n2\n").rows(), 3);
  EXPECT_EQ(parse("1\n2\n12").rows(), 3);
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

}  // namespace
}  // namespace varnok::io

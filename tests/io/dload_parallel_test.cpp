// Reading a file in two halves on two threads gives what one thread gives:
// the same matrix, the same note on unread lines and the same first error,
// wherever the middle of the file falls.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <limits>
#include <string>

#include "io/dload.hpp"
#include "support/session_fixture.hpp"

namespace varnok::io {
namespace {

struct Outcome {
  Mat data;
  long stopLine = -1, unread = -1;
  std::string error;
};

Outcome readWith(const std::string& path, std::size_t parallelBytes) {
  Outcome o;
  try {
    NumericText t = readNumericText(path, "", std::nullopt, parallelBytes);
    o.data = std::move(t.data);
    o.stopLine = t.stopLine;
    o.unread = t.unreadLines;
  } catch (const DataFileError& e) {
    o.error = e.what();
  }
  return o;
}

// Writes text and checks that two threads read it as one does; returns the
// one-thread outcome.
Outcome expectSameAsOneThread(const std::filesystem::path& p, const std::string& text) {
  testkit::writeFile(p, text);
  const Outcome one = readWith(p, std::numeric_limits<std::size_t>::max());
  const Outcome two = readWith(p, 0);
  EXPECT_EQ(two.error, one.error) << text;
  EXPECT_EQ(two.data, one.data) << text;
  EXPECT_EQ(two.stopLine, one.stopLine) << text;
  EXPECT_EQ(two.unread, one.unread) << text;
  return one;
}

// Lines "i i+1 i+2" with the given line end; the first line padded so the
// middle of the file moves across every byte of the lines around it.
std::string lines(int n, const std::string& end, int pad) {
  std::string s = std::string(static_cast<size_t>(pad), ' ');
  for (int i = 1; i <= n; ++i)
    s += std::to_string(i) + " " + std::to_string(i + 1) + "," + std::to_string(i + 2) + end;
  return s;
}

class DloadHalves : public ::testing::Test {
 protected:
  testkit::ScratchFolder dir_;
  std::filesystem::path file_ = dir_ / "data.txt";
};

TEST_F(DloadHalves, EveryCutAndLineEnd) {
  for (const std::string end : {"\n", "\r\n", "\r", "\n\r"})
    for (int pad = 0; pad < 24; ++pad) {
      const Outcome o = expectSameAsOneThread(file_, lines(9, end, pad));
      if (end != "\n\r") {
        EXPECT_EQ(o.data.rows(), 9);
      }
    }
  // No line end at the end, a trailing empty line, a last line of one blank.
  for (int pad = 0; pad < 12; ++pad) {
    std::string t = lines(7, "\r\n", pad);
    expectSameAsOneThread(file_, t.substr(0, t.size() - 2));
    expectSameAsOneThread(file_, t + "\r\n");
    EXPECT_EQ(expectSameAsOneThread(file_, t + " ").data.rows(), 7);
  }
}

TEST_F(DloadHalves, ErrorsInEitherHalfWithTheirLineNumbers) {
  for (int pad = 0; pad < 20; ++pad) {
    for (int bad : {2, 5, 8, 9}) {
      std::string t;
      for (int i = 1; i <= 9; ++i) {
        if (i == 1) t += std::string(static_cast<size_t>(pad), ' ');
        t += i == bad ? "1 2 x\n" : "1 2 3\n";
      }
      const Outcome o = expectSameAsOneThread(file_, t);
      EXPECT_NE(o.error.find("line " + std::to_string(bad) + " "), std::string::npos) << o.error;
    }
    // Errors in both halves: the first one is reported.
    std::string both = std::string(static_cast<size_t>(pad), ' ') + "1 2 3\n1 2\n1 2 3\n1 2 3\n" +
                       "1 2 3\n1 2 3\n1 2 3 4\n1 2 3\n";
    EXPECT_NE(expectSameAsOneThread(file_, both).error.find("line 2 "), std::string::npos);
    // A different count from the start of the second half, NaN, a NUL byte,
    // a byte-order mark where the second half begins.
    expectSameAsOneThread(file_, lines(4, "\n", pad) + "1 2\n1 2\n1 2\n1 2\n1 2\n");
    expectSameAsOneThread(file_, lines(6, "\n", pad) + "1 NaN 3\n");
    expectSameAsOneThread(file_, lines(6, "\n", pad) + std::string("1 2 \0\n", 6));
    expectSameAsOneThread(file_, lines(5, "\n", pad) + "\xEF\xBB\xBF" + lines(5, "\n", 0));
  }
}

TEST_F(DloadHalves, EmptyLinesStopTheDataInEitherHalf) {
  for (int pad = 0; pad < 20; ++pad) {
    for (int at : {3, 6, 8}) {
      std::string t = std::string(static_cast<size_t>(pad), ' ');
      for (int i = 1; i <= 9; ++i) t += i == at ? "\r\n" : "1 2 3\r\n";
      const Outcome o = expectSameAsOneThread(file_, t);
      EXPECT_EQ(o.stopLine, at);
      EXPECT_EQ(o.unread, 9 - at);
      EXPECT_EQ(o.data.rows(), at - 1);
    }
  }
}

// Each half's rows are placed by an estimate from the average line length;
// lines much shorter in one half than in the other overflow that estimate.
TEST_F(DloadHalves, HalvesOfUnevenLineLengths) {
  const std::string wide = "1 2 3" + std::string(300, ' ') + "\n";
  for (int shortLines : {1, 40, 400}) {
    std::string shortFirst, longFirst;
    for (int i = 0; i < shortLines; ++i) shortFirst += std::to_string(i) + " 2 3\n";
    for (int i = 0; i < 20; ++i) longFirst += wide;
    const std::string t1 = shortFirst + longFirst, t2 = longFirst + shortFirst;
    EXPECT_EQ(expectSameAsOneThread(file_, t1).data.rows(), shortLines + 20);
    EXPECT_EQ(expectSameAsOneThread(file_, t2).data.rows(), shortLines + 20);
  }
}

}  // namespace
}  // namespace varnok::io

// The NTS reader on hand-written files, and how a landmark file's layout is
// recognised.
#include "io/nts.hpp"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "io/dload.hpp"
#include "io/landmark_file.hpp"
#include "platform/matrix/text.hpp"

namespace varnok::io {
namespace {

NtsData parse(const std::string& text) {
  std::istringstream in(text);
  return readNts(in, "rats.nts");
}

std::string errorOf(const std::string& text) {
  try {
    parse(text);
  } catch (const DataFileError& e) {
    return e.what();
  }
  return "no error";
}

TEST(Nts, PairsGetTheirCentroidSize) {
  NtsData d = parse("1 2 6 0\n0 0 3 0 0 4\n1 1 2 2 3 5\n");
  ASSERT_EQ(d.data.rows(), 2);
  ASSERT_EQ(d.data.cols(), 7);
  EXPECT_EQ(d.data(0, 2), 3);
  EXPECT_EQ(d.data(1, 5), 5);
  // Centroid (1, 4/3): squared distances 1 + 16/9, 4 + 16/9, 1 + 64/9.
  EXPECT_DOUBLE_EQ(d.data(0, 6), std::sqrt(6.0 + 96.0 / 9.0));
  EXPECT_TRUE(d.ids.empty());
}

TEST(Nts, AnOddColumnCountCarriesItsOwnSize) {
  NtsData d = parse("1 2 7 0\n0 0 3 0 0 4 99\n1 1 2 2 3 5 7.5\n");
  ASSERT_EQ(d.data.cols(), 7);
  EXPECT_EQ(d.data(0, 6), 99);
  EXPECT_EQ(d.data(1, 6), 7.5);
}

TEST(Nts, HeaderFormsLabelsAndLayout) {
  const Mat plain = parse("1 2 6 0\n0 0 3 0 0 4\n1 1 2 2 3 5\n").data;
  // Comments first, DIM=2, numbers over any lines, CR LF and CR line ends.
  EXPECT_EQ(parse("\" rats, 2 specimens\n' second comment\n1 2 6 0 DIM=2\n0 0 3\n0 0 4 1 1\n2 2 "
                  "3 5")
                .data,
            plain);
  EXPECT_EQ(parse("1 2 6 0\r\n0 0 3 0 0 4\r\n1 1 2 2 3 5\r\n").data, plain);
  EXPECT_EQ(parse("1 2 6 0\r0 0 3 0 0 4\r1 1 2 2 3 5\r").data, plain);
  EXPECT_EQ(parse("\xEF\xBB\xBF"
                  "1 2 6 0\n0,0,3,0,0,4\n1,1,2,2,3,5\n")
                .data,
            plain);
  // Row labels name the specimens; column labels are read past.
  NtsData d = parse("1 2L 6 0\nrat01 rat02\n0 0 3 0 0 4\n1 1 2 2 3 5\n");
  EXPECT_EQ(d.data, plain);
  EXPECT_EQ(d.ids, (std::vector<std::string>{"rat01", "rat02"}));
  d = parse("1 2l 6L 0 dim=2\nrat01\nrat02\nx1 y1 x2 y2 x3 y3\n0 0 3 0 0 4 1 1 2 2 3 5\n");
  EXPECT_EQ(d.data, plain);
  EXPECT_EQ(d.ids, (std::vector<std::string>{"rat01", "rat02"}));
  d = parse("1 2 6L 0\nx1 y1 x2 y2 x3 y3\n0 0 3 0 0 4 1 1 2 2 3 5\n");
  EXPECT_EQ(d.data, plain);
  EXPECT_TRUE(d.ids.empty());
  // A missing-value code that no value uses.
  EXPECT_EQ(parse("1 2 6 1 -999\n0 0 3 0 0 4\n1 1 2 2 3 5\n").data, plain);
  EXPECT_EQ(parse("").data.size(), 0);
  EXPECT_EQ(parse("\" only a comment\n").data.size(), 0);
}

TEST(Nts, ErrorsNameTheFileAndTheLine) {
  const std::string p = "The file rats.nts could not be loaded: ";
  EXPECT_EQ(errorOf("\" c\n1 2 6\n"),
            p + "line 2 holds \"1 2 6\", which is not an NTS header such as \"1 30 24 0\" (type, "
                "rows, columns, missing-value flag).");
  EXPECT_EQ(errorOf("2 3 3 0\n"),
            p + "line 1 holds matrix type 2; landmark data are a rectangular matrix, type 1.");
  EXPECT_EQ(errorOf("1 2 9 0 DIM=3\n"),
            p + "line 1 holds DIM=3: only two-dimensional landmarks can be used.");
  EXPECT_EQ(errorOf("1 2 1 0\n1 2\n"),
            p + "line 1 announces 1 column, but a landmark needs two: an x and a y.");
  EXPECT_EQ(errorOf("1 0 6 0\n"), p + "line 1 announces no rows.");
  EXPECT_EQ(errorOf("1 2 6 0\n0 0 3 0 0 4\n1 1 2 2 3\n"),
            p + "it ends at line 3 after 11 of the 12 numbers (2 rows of 6) that the header on "
                "line 1 announces.");
  EXPECT_EQ(errorOf("1 2 6 0\n0 0 3 0 0 4\n1 1 2 2 3 5 6\n"),
            p + "line 3 holds more numbers than the 2 rows of 6 columns that the header on line 1 "
                "announces.");
  EXPECT_EQ(errorOf("1 2 6 0\n0 0 3 0 0 4\n1 1 two 2 3 5\n"),
            p + "line 3 holds \"two\", which is not a number.");
  EXPECT_EQ(errorOf("1 2 6 0\n0 0 3 0 0 4\n1 1 Inf 2 3 5\n"),
            p + "line 3 holds \"Inf\", which is not a finite number.");
  EXPECT_EQ(errorOf("1 2 6 1 -999\n0 0 3 0 0 4\n1 1 -999 2 3 5\n"),
            p + "line 3 holds the missing-value code \"-999\"; every landmark of every specimen "
                "must be present.");
  EXPECT_EQ(errorOf("1 2L 6 0\nrat01\n"),
            p + "it ends at line 2 before the labels that the header on line 1 announces are "
                "complete.");
}

TEST(Nts, HeadersAreToldFromDataLines) {
  EXPECT_TRUE(isNtsHeader("1 30 24 0"));
  EXPECT_TRUE(isNtsHeader(" 1 30L 24L 0 DIM=2 "));
  EXPECT_TRUE(isNtsHeader("1 30 24 1 -999"));
  // Data lines: an odd count of numbers, or numbers that are no counts.
  EXPECT_FALSE(isNtsHeader("1 30 24 0 5 6 7"));
  EXPECT_FALSE(isNtsHeader("1 30.5 24 0"));
  EXPECT_FALSE(isNtsHeader("2 30 24 0"));
  EXPECT_FALSE(isNtsHeader("1 30 24 2"));
  EXPECT_FALSE(isNtsHeader("1 30 24 0 DIM"));
}

LandmarkFormat formatOf(const std::string& text) {
  std::istringstream in(text);
  return detectLandmarkFormat(in);
}

TEST(LandmarkFile, TheLayoutIsToldByContent) {
  EXPECT_EQ(formatOf("LM=3\n0 0\n"), LandmarkFormat::Tps);
  EXPECT_EQ(formatOf("\xEF\xBB\xBF\r\n# tps\r\nlm=3\r\n"), LandmarkFormat::Tps);
  EXPECT_EQ(formatOf("1 2 6 0\n"), LandmarkFormat::Nts);
  EXPECT_EQ(formatOf("\"comment\n1 2 6 0\n"), LandmarkFormat::Nts);
  EXPECT_EQ(formatOf("'comment\n"), LandmarkFormat::Nts);
  EXPECT_EQ(formatOf("5 193 53 -27 0 0 0 33 -2 105 18 176 72 114 92 38 235.17972\n"),
            LandmarkFormat::Plain);
  EXPECT_EQ(formatOf("1,2,3,4,5,6,7\n"), LandmarkFormat::Plain);
  EXPECT_EQ(formatOf(""), LandmarkFormat::Plain);
  EXPECT_EQ(formatOf("x y z\n"), LandmarkFormat::Plain);  // the plain reader reports it
}

TEST(LandmarkFile, EveryLayoutGivesTheSameRows) {
  const std::string plainText = "0 0 3 0 0 4 5\n1 1 2 2 3 5 2.5\n";
  std::istringstream plainIn(plainText);
  const LandmarkFile plain = readLandmarks(plainIn, "a.txt");
  EXPECT_EQ(plain.format, LandmarkFormat::Plain);
  ASSERT_EQ(plain.data.rows(), 2);
  std::istringstream tpsIn("LM=3\n0 0\n3 0\n0 4\nID=a\nLM=3\n1 1\n2 2\n3 5\nID=b\n");
  const LandmarkFile tps = readLandmarks(tpsIn, "a.tps");
  std::istringstream ntsIn("1 2 6 0\n0 0 3 0 0 4\n1 1 2 2 3 5\n");
  const LandmarkFile nts = readLandmarks(ntsIn, "a.nts");
  EXPECT_EQ(tps.format, LandmarkFormat::Tps);
  EXPECT_EQ(nts.format, LandmarkFormat::Nts);
  // The coordinates agree; the size column is computed for TPS and NTS.
  EXPECT_EQ(tps.data.leftCols(6), plain.data.leftCols(6));
  EXPECT_EQ(nts.data, tps.data);
  EXPECT_EQ(tps.ids, (std::vector<std::string>{"a", "b"}));
  EXPECT_TRUE(plain.ids.empty());
  EXPECT_TRUE(nts.ids.empty());
}

TEST(LandmarkFile, SpecimenNamesAreUtf8WhateverTheFileHeld) {
  // Names with bytes that are not UTF-8 once went as they were into the
  // results table, which is then not UTF-8.
  std::istringstream tpsIn(
      "LM=3\n0 0\n3 0\n0 4\nID=M\xE4nnchen\nLM=3\n1 1\n2 2\n3 5\nID=\xC3\xA4\xED\xA0\x80\n");
  const LandmarkFile tps = readLandmarks(tpsIn, "a.tps");
  // Read as Latin-1, every name alike.
  EXPECT_EQ(tps.ids, (std::vector<std::string>{"M\xC3\xA4nnchen",
                                               "\xC3\x83\xC2\xA4\xC3\xAD\xC2\xA0\xC2\x80"}));
  std::istringstream ntsIn("1 2L 6 0\nrat\xF4\x90\x80\x80 r\xC3\xA4t\n0 0 3 0 0 4\n1 1 2 2 3 5\n");
  for (const std::string& id : readLandmarks(ntsIn, "a.nts").ids) EXPECT_TRUE(isUtf8(id)) << id;
  // UTF-8 names stay as they are.
  std::istringstream utf8In("LM=3\n0 0\n3 0\n0 4\nID=M\xC3\xA4nnchen\n");
  EXPECT_EQ(readLandmarks(utf8In, "a.tps").ids, std::vector<std::string>{"M\xC3\xA4nnchen"});
}

TEST(LandmarkFile, NotesSayWhatWasLeftOut) {
  std::istringstream in(
      "LM=3\n0 0\n3 0\n0 4\nCURVES=1\nPOINTS=2\n1 1\n2 2\nSCALE=1\n"
      "LM=3\n0 0\n3 0\n0 4\nOUTLINES=1\nPOINTS=1\n1 1\n");
  const LandmarkFile f = readLandmarks(in, "w.tps");
  EXPECT_EQ(f.notes, (std::vector<std::string>{
                         "Skipped 2 curve points in w.tps: semilandmarks are not used.",
                         "Skipped 1 outline points in w.tps: outlines are not used.",
                         "1 of the 2 specimens in w.tps have no SCALE=: their coordinates are "
                         "used unscaled, in other units than the rest."}));
}

TEST(LandmarkFile, FilesAreReadByTheirContentWhateverTheirName) {
  const auto dir = std::filesystem::temp_directory_path() /
                   ("varnok_landmark_file_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  std::ofstream(dir / "wings.txt") << "LM=3\n0 0\n3 0\n0 4\nID=w1\n";
  std::ofstream(dir / "rats.dat") << "1 1 6 0\n0 0 3 0 0 4\n";
  std::ofstream(dir / "plain.tps") << "0 0 3 0 0 4 5\n";
  auto tps = readLandmarkFile((dir / "wings.txt").string());
  auto nts = readLandmarkFile((dir / "rats.dat").string());
  auto plain = readLandmarkFile((dir / "plain.tps").string());

  EXPECT_EQ(tps.format, LandmarkFormat::Tps);
  EXPECT_EQ(tps.ids, std::vector<std::string>{"w1"});
  EXPECT_EQ(nts.format, LandmarkFormat::Nts);
  EXPECT_EQ(plain.format, LandmarkFormat::Plain);
  EXPECT_EQ(plain.data(0, 6), 5);
  EXPECT_EQ(nts.data.leftCols(6), plain.data.leftCols(6));
  EXPECT_THROW(readLandmarkFile((dir / "none.tps").string()), FileAccessError);
  EXPECT_THROW(readLandmarkFile(dir.string()), FileAccessError);  // a folder
  std::filesystem::remove_all(dir);
}

TEST(LandmarkFile, ScrambledInputIsRefusedOrReadWhole) {
  // Pieces of every layout in random order: each input either reads as whole
  // rows of finite numbers, one name per row if any, or is refused with a
  // DataFileError; nothing else escapes.
  const std::vector<std::string> pieces = {
      "LM=",     "lm=",      "3",       "2",    "0",   " ",           "\t",      "\n",
      "\r\n",    "\r",       "-1.5",    "1e3",  "nan", "inf",         "x",       "SCALE=",
      "SCALE=0", "CURVES=1", "POINTS=", "ID=a", "\"",  "'",           "1 2 6 0", "L",
      "DIM=2",   "1 1L 2 0", ",",       "=",    "#",   "\xEF\xBB\xBF"};
  std::mt19937 rng(12345);
  int read = 0, refused = 0;
  for (int trial = 0; trial < 4000; ++trial) {
    std::string text;
    const int n = static_cast<int>(rng() % 40);
    for (int i = 0; i < n; ++i) text += pieces[rng() % pieces.size()];
    std::istringstream in(text);
    try {
      const LandmarkFile f = readLandmarks(in, "s.txt");
      ++read;
      if (f.format == LandmarkFormat::Plain) continue;
      if (f.data.size() == 0) continue;
      EXPECT_EQ(f.data.cols() % 2, 1) << text;
      EXPECT_TRUE(f.data.allFinite()) << text;
      EXPECT_TRUE(f.ids.empty() || static_cast<Eigen::Index>(f.ids.size()) == f.data.rows())
          << text;
    } catch (const DataFileError&) {
      ++refused;
    }
  }
  EXPECT_GT(read, 0);
  EXPECT_GT(refused, 0);
}

}  // namespace
}  // namespace varnok::io

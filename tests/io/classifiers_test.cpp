#include "io/classifiers.hpp"

#include <gtest/gtest.h>

#include "io/input_file.hpp"

namespace varnok::io {
namespace {

using Strings = std::vector<std::string>;
using namespace std::string_literals;

std::string refusal(const std::string& bytes) {
  try {
    parseClassifierTable(bytes, "t.csv");
  } catch (const DataFileError& e) {
    return e.what();
  }
  return "(read)";
}

std::string refusal(const std::string& bytes, const Strings& ids, std::size_t count) {
  try {
    matchClassifiers(parseClassifierTable(bytes, "t.csv"), ids, count, "t.csv");
  } catch (const DataFileError& e) {
    return e.what();
  }
  return "(matched)";
}

TEST(ClassifierTable, ReadsTheWaysSpreadsheetsWriteTables) {
  // A byte-order mark, CR LF ends, a quoted comma, a doubled quote, a line
  // end inside quotes, blanks around unquoted fields, a blank last line.
  const ClassifierTable t = parseClassifierTable(
      "\xEF\xBB\xBFSpecimen,Species,Note\r\n"
      "A1, albistylum ,\"big, old\"\r\n"
      "A2,\"say \"\"hi\"\"\",\"two\r\nlines\"\r\n"
      "\r\n",
      "t.csv");
  EXPECT_EQ(t.header, (Strings{"Specimen", "Species", "Note"}));
  ASSERT_EQ(t.rows.size(), 2u);
  EXPECT_EQ(t.rows[0], (Strings{"A1", "albistylum", "big, old"}));
  EXPECT_EQ(t.rows[1], (Strings{"A2", "say \"hi\"", "two\r\nlines"}));
  EXPECT_EQ(t.lines, (std::vector<long>{2, 3}));

  // Semicolons (a comma is then part of a value), tabs, CR alone, Latin-1.
  EXPECT_EQ(parseClassifierTable("ID;Size\rA1;1,5\r", "t.csv").rows[0], (Strings{"A1", "1,5"}));
  const ClassifierTable tabs = parseClassifierTable("ID\tSite, region\nA1\t M\xFCnchen\n", "t.csv");
  EXPECT_EQ(tabs.header, (Strings{"ID", "Site, region"}));
  EXPECT_EQ(tabs.rows[0], (Strings{"A1", "M\xC3\xBCnchen"}));
  // An empty last field.
  EXPECT_EQ(parseClassifierTable("a,b\n1,\n", "t.csv").rows[0], (Strings{"1", ""}));
}

TEST(ClassifierTable, RefusesWhatIsNotATableByLine) {
  EXPECT_NE(refusal("").find("empty"), std::string::npos);
  EXPECT_NE(refusal("ID,Sex\n").find("no rows"), std::string::npos);
  EXPECT_NE(refusal("ID,Sex\nA1,F\nA2\n").find("line 3 has 1 fields, but the header has 2"),
            std::string::npos);
  EXPECT_NE(refusal("ID,Sex\nA1,\"F\n").find("starts on line 2 is not closed"), std::string::npos);
  EXPECT_NE(refusal("ID,Sex\nA1,\"F\"x\n").find("line 2 has text after the closing quote"),
            std::string::npos);
  EXPECT_NE(refusal("ID,,Sex\nA1,1,F\n").find("column 2 of the header has no name"),
            std::string::npos);
  EXPECT_NE(refusal("ID,Sex,Sex\nA1,F,M\n").find("two columns are named \"Sex\""),
            std::string::npos);
  EXPECT_NE(refusal("\xFF\xFEI\0D\0"s).find("UTF-16"), std::string::npos);
  EXPECT_NE(refusal("ID,Sex\nA1,F\x01\n").find("binary"), std::string::npos);
}

TEST(ClassifierMatch, FindsTheIdColumnAndKeepsTheOthersInSpecimenOrder) {
  const auto m = matchClassifiers(
      parseClassifierTable("Sex,Specimen,Species\nM,B2,x\nF,A1,y\nF,Z9,z\nM,C3,x\n", "t.csv"),
      {"A1", "B2", "C3"}, 3, "t.csv");
  EXPECT_EQ(m.classifiers.idColumn, "Specimen");
  EXPECT_EQ(m.classifiers.columns, (Strings{"Sex", "Species"}));
  EXPECT_EQ(m.classifiers.values[0], (Strings{"F", "M", "M"}));
  EXPECT_EQ(m.classifiers.values[1], (Strings{"y", "x", "x"}));
  EXPECT_EQ(m.ignoredRows, 1);

  // Without IDs: one row per specimen in file order, every column a classifier.
  const auto plain =
      matchClassifiers(parseClassifierTable("Tag,Sex\nq,F\nr,M\n", "t.csv"), {}, 2, "t.csv");
  EXPECT_EQ(plain.classifiers.idColumn, "");
  EXPECT_EQ(plain.classifiers.columns, (Strings{"Tag", "Sex"}));
  EXPECT_EQ(plain.classifiers.values[1], (Strings{"F", "M"}));
}

TEST(ClassifierMatch, RefusesATableThatDoesNotFitTheSpecimens) {
  const Strings ids = {"A1", "A2", "A3", "A4", "A5", "A6", "A7", "A8"};
  EXPECT_NE(refusal("ID,Sex\nX,F\n", ids, 8).find("no column holds the IDs"), std::string::npos);
  const std::string missing = refusal("ID,Sex\nA2,F\n", ids, 8);
  EXPECT_NE(missing.find("7 loaded specimens have no row: \"A1\", \"A3\", \"A4\", \"A5\", \"A6\" "
                         "and 2 more."),
            std::string::npos)
      << missing;
  EXPECT_NE(refusal("ID,Sex\nA1,F\nA1,M\n", {"A1"}, 1).find("\"A1\" appears twice (lines 2 and 3)"),
            std::string::npos);
  EXPECT_NE(refusal("ID\nA1\n", {"A1"}, 1).find("no column besides the IDs"), std::string::npos);
  EXPECT_NE(refusal("Sex\nF\nM\n", {}, 3).find("it has 2 rows, but 3 specimens are loaded"),
            std::string::npos);
}

}  // namespace
}  // namespace varnok::io

// End-to-end: the Statistics menu run by name in script mode on the bundled
// data, checked through the console and the exported table.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "support/script_folder.hpp"
#include "support/session_fixture.hpp"

namespace {

namespace fs = std::filesystem;

using Row = std::vector<std::string>;

// Splits a CSV line into fields (quoted fields with doubled quotes).
Row fields(const std::string& line) {
  Row out(1);
  bool quoted = false;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (quoted) {
      if (c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
        out.back() += '"';
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else {
        out.back() += c;
      }
    } else if (c == '"') {
      quoted = true;
    } else if (c == ',') {
      out.emplace_back();
    } else {
      out.back() += c;
    }
  }
  return out;
}

enum Col {
  kTable,
  kTerm,
  kA,
  kB,
  kDf1,
  kDf2,
  kSS,
  kMS,
  kR2,
  kF,
  kD,
  kPPerm,
  kPParam,
  kP,
  kSeed,
  kValue
};

class Statistics : public varnok::testkit::ScriptFolderTest {
 protected:
  // The rows of an exported table after its header, which must be exact.
  std::vector<Row> table(const std::string& name) {
    std::istringstream in(read(name));
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line, "table,term,a,b,df1,df2,SS,MS,R2,F,D,p_perm,p_param,permutations,seed,value");
    std::vector<Row> rows;
    while (std::getline(in, line)) {
      rows.push_back(fields(line));
      EXPECT_EQ(rows.back().size(), 16u) << line;
      rows.back().resize(16);
    }
    return rows;
  }

  static const Row* find(const std::vector<Row>& rows, const std::string& table,
                         const std::string& term, const std::string& a = "",
                         const std::string& b = "") {
    for (const Row& r : rows)
      if (r[kTable] == table && r[kTerm] == term && r[kA] == a && r[kB] == b) return &r;
    return nullptr;
  }

  static double num(const Row& r, Col c) { return std::stod(r[c]); }
};

constexpr const char* kGorillaBySex =
    "answer file gorilla.txt\n"
    "Varnoksw('LoadData')\n"
    "answer file gorilla_groups.txt\n"
    "Varnoksw('LoadGroupList')\n";

// The reference figures were computed independently from the gorilla shape
// variables at full precision.
TEST_F(Statistics, EveryTestOnTheGorillaSexesAgreesWithTheReferenceFigures) {
  int status = -1;
  const std::string out = run(std::string(kGorillaBySex) +
                                  "ShapeAnova\n"
                                  "ShapeRegression\n"
                                  "CanonicalVariates\n"
                                  "FindOutliers\n"
                                  "answer click 1.2 0.1\n"
                                  "ShowOutlierSpecimen\n"
                                  "answer file stats\n"
                                  "ExportStatistics\n",
                              &status);
  EXPECT_EQ(status, 0) << out << read("stderr.txt");
  EXPECT_NE(out.find("Procrustes ANOVA of shape on group: F = 22.24, R² = 0.281, p = 0.001 (999 "
                     "permutations)"),
            std::string::npos)
      << out;
  // The point at rank 1 of the outlier plot is specimen 49.
  EXPECT_NE(out.find("Specimen 49 (49): Procrustes distance 0.10183 from the mean shape"),
            std::string::npos)
      << out;
  const auto rows = table("stats.csv");
  const auto near = [](double got, double want) { return std::abs(got / want - 1) < 1e-6; };

  const Row* g = find(rows, "anova", "group");
  ASSERT_TRUE(g);
  EXPECT_PRED2(near, num(*g, kF), 22.2422957);
  EXPECT_PRED2(near, num(*g, kR2), 0.2806872);
  EXPECT_NEAR(num(*g, kPParam) / 8.57636e-42, 1, 1e-5);
  EXPECT_EQ((*g)[kDf1], "1");
  EXPECT_EQ((*g)[kDf2], "57");
  EXPECT_EQ((*g)[kP], "999");
  EXPECT_EQ((*g)[kSeed], "1");
  EXPECT_DOUBLE_EQ(num(*g, kPPerm), 0.001);  // never below 1 / (P + 1)
  EXPECT_EQ((*g)[kValue], "");
  const Row* e = find(rows, "anova", "residual");
  const Row* t = find(rows, "anova", "total");
  ASSERT_TRUE(e && t);
  EXPECT_NEAR(num(*g, kSS) + num(*e, kSS), num(*t, kSS), 1e-15);
  EXPECT_NEAR(num(*e, kMS), num(*e, kSS) / 57, 1e-18);
  EXPECT_EQ((*t)[kMS], "");
  EXPECT_EQ((*t)[kF], "");
  // 17 significant digits: the figure reads back as the same double.
  EXPECT_GE((*g)[kF].size(), 17u);

  const Row* d = find(rows, "pairwise", "", "1", "2");
  ASSERT_TRUE(d);
  EXPECT_PRED2(near, num(*d, kD), 0.05857120);

  const Row* reg = find(rows, "regression", "log_cs");
  const Row* pooled = find(rows, "regression", "log_cs_pooled");
  ASSERT_TRUE(reg && pooled);
  EXPECT_PRED2(near, num(*reg, kR2), 0.2715089);
  EXPECT_PRED2(near, num(*pooled, kR2), 0.03222281);
  EXPECT_EQ((*reg)[kDf2], "57");
  EXPECT_EQ((*pooled)[kDf2], "56");
  EXPECT_TRUE(find(rows, "regression", "total_pooled"));

  const Row* m = find(rows, "mahalanobis", "", "1", "2");
  ASSERT_TRUE(m);
  EXPECT_PRED2(near, num(*m, kD), 5.1665004);
  const Row* all = find(rows, "classification_percent", "", "all");
  ASSERT_TRUE(all);
  EXPECT_EQ((*all)[kValue], "100");
  const Row* wrong = find(rows, "classification", "", "1", "2");
  ASSERT_TRUE(wrong);
  EXPECT_EQ((*wrong)[kValue], "0");

  int outliers = 0;
  for (const Row& r : rows) outliers += r[kTable] == "outlier";
  EXPECT_EQ(outliers, 59);
  const Row* s49 = find(rows, "outlier", "", "49");
  ASSERT_TRUE(s49);
  EXPECT_EQ((*s49)[kValue], "1");
}

TEST_F(Statistics, RefusalsLeaveTheEarlierResultsAndPicture) {
  // The same skulls with every centroid size equal: no allometry to fit.
  {
    std::ifstream in(dir_ / "gorilla.txt");
    std::ofstream out(dir_ / "same_size.txt");
    std::string line;
    while (std::getline(in, line)) out << line.substr(0, line.find_last_of(' ')) << " 200\n";
  }
  const std::string out =
      run("ShapeAnova\n"
          "answer file gorilla.txt\n"
          "Varnoksw('LoadData')\n"
          "ShapeAnova\n"
          "Varnoksw('NoGroupList')\n"
          "FindOutliers\n"
          "save-picture before.json\n"
          "ShapeAnova\n"
          "CanonicalVariates\n"
          "save-picture after.json\n"
          "answer file one_group.csv\n"
          "ExportStatistics\n"
          "answer file same_size.txt\n"
          "Varnoksw('LoadData')\n"
          "Varnoksw('NoGroupList')\n"
          "FindOutliers\n"
          "ShapeRegression\n"
          "answer file same_size.csv\n"
          "ExportStatistics\n");
  EXPECT_NE(out.find("the group list has 1 group"), std::string::npos) << out;
  EXPECT_NE(out.find("Run-time Error: The statistics need an analysis"), std::string::npos) << out;
  EXPECT_EQ(read("before.json"), read("after.json"));
  for (const char* name : {"one_group.csv", "same_size.csv"}) {
    const auto rows = table(name);
    ASSERT_EQ(rows.size(), 59u) << name;
    for (const Row& r : rows) EXPECT_EQ(r[kTable], "outlier") << name;
  }
}

TEST_F(Statistics, SettingsPicturesAndTheResultsTableOnTheMice) {
  int status = -1;
  const std::string out =
      run("answer file mice.txt\n"
          "Varnoksw('LoadData')\n"
          "answer file mice_groups.txt\n"
          "Varnoksw('LoadGroupList')\n"
          "answer file plain.csv\n"
          "ExportResultsTable\n"
          "answer input 99 7\n"
          "StatisticsSettings\n"
          "answer input many\n"
          "StatisticsSettings\n"
          "ShapeAnova\n"
          "ShapeRegression\n"
          "CanonicalVariates\n"
          "save-picture cv.json\n"
          "set PooledWithinGroupsItem Checked on\n"
          "PooledWithinGroups\n"
          "ShowAllometryShape\n"
          "save-picture allometry.json\n"
          "ShowCVShape\n"
          "save-picture cvshape.json\n"
          "FindOutliers\n"
          "answer file table.csv\n"
          "ExportResultsTable\n"
          "answer file mice_stats.csv\n"
          "ExportStatistics\n"
          "answer file mice_groups.txt\n"
          "Varnoksw('LoadGroupList')\n"
          "ExportStatistics\n"
          "answer file plain_again.csv\n"
          "ExportResultsTable\n",
          &status);
  EXPECT_EQ(status, 0) << out << read("stderr.txt");
  EXPECT_NE(out.find("is not two whole numbers"), std::string::npos) << out;
  const auto rows = table("mice_stats.csv");
  const Row* g = find(rows, "anova", "group");
  ASSERT_TRUE(g);
  EXPECT_EQ((*g)[kP], "99");
  EXPECT_EQ((*g)[kSeed], "7");
  EXPECT_GE(num(*g, kPPerm), 0.01);
  int pairs = 0, cells = 0;
  for (const Row& r : rows) {
    pairs += r[kTable] == "pairwise";
    cells += r[kTable] == "classification";
  }
  EXPECT_EQ(pairs, 3);
  EXPECT_EQ(cells, 9);
  // Three groups: CV 1 against CV 2, with a legend of the three.
  const std::string cv = read("cv.json");
  EXPECT_NE(cv.find("\"xlabel\": \"CV 1\""), std::string::npos) << cv.substr(0, 300);
  EXPECT_NE(cv.find("Group 3"), std::string::npos);
  EXPECT_NE(read("allometry.json"), read("cvshape.json"));
  // The statistics' columns follow the scores, and only while they belong
  // to the analysis.
  const std::string t = read("table.csv");
  EXPECT_NE(t.substr(0, t.find('\n'))
                .find(",regression_score,regression_score_pooled,CV1,CV2,procrustes_distance"),
            std::string::npos)
      << t.substr(0, 300);
  const std::string plain = read("plain.csv"), again = read("plain_again.csv");
  EXPECT_EQ(again.substr(0, again.find('\n')), plain.substr(0, plain.find('\n')));
  EXPECT_EQ(plain.substr(0, plain.find('\n')),
            "specimen,group,centroid_size,PC1,PC2,PC3,PC4,PC5,PC6,PC7,PC8");
  EXPECT_NE(out.find("There are no statistics to export yet"), std::string::npos);
}

}  // namespace

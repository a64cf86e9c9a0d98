// End-to-end: grouping by a column of the study's table writes the files,
// pictures and legends that a group code file and a group names file give.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "support/run_command.hpp"
#include "support/session_fixture.hpp"

namespace {

namespace fs = std::filesystem;
using varnok::testkit::readFile;
using varnok::testkit::writeFile;

// "G01" ... "G59".
std::string id(std::size_t n) {
  return (n < 10 ? "G0" : "G") + std::to_string(n);
}

const char* const kSaves =
    "answer file scores.txt\nVarnoksw('SavePCA')\n"
    "answer file eigen.txt\nVarnoksw('SaveEigen')\n"
    "answer file pcmatrix.txt\nVarnoksw('SavePCMatrix')\n"
    "answer file warps.txt\nVarnoksw('SaveWarp')\n"
    "answer file ref.txt\nVarnoksw('SaveRef')\n"
    "answer file fit.json\nExportPlotData\n"
    "save-picture fit.svg\n"
    "Varnoksw('ShowPCAAxis')\n"
    "answer file scores.json\nExportPlotData\n"
    "save-picture scores.svg\n"
    "answer file table.csv\nExportResultsTable\n";
const char* const kCompared[] = {"scores.txt",
                                 "eigen.txt",
                                 "pcmatrix.txt",
                                 "warps.txt",
                                 "ref.txt",
                                 "fit.json",
                                 "fit.svg",
                                 "scores.json",
                                 "scores.svg",
                                 "table_eigenvalues.csv",
                                 "table_coordinates.csv"};

class Classifiers : public ::testing::Test {
 protected:
  Classifiers() {
    std::istringstream in(readFile(fs::path(VARNOK_DATA_DIR) / "gorilla.txt"));
    for (std::string line; std::getline(in, line);)
      if (!line.empty()) rows_.push_back(line);
  }

  // Runs script in folder (made with files); returns its output.
  std::string run(const std::string& folder, const std::string& script) {
    const fs::path dir = scratch_ / folder;
    fs::create_directories(dir);
    for (const auto& [name, text] : files_) writeFile(dir / name, text);
    writeFile(dir / "session.vks", script);
    int status = 0;
    const std::string out =
        varnok::testkit::commandOutput(varnok::testkit::scriptCommand(dir, "2>&1"), &status);
    EXPECT_EQ(status, 0) << out;
    return out;
  }

  // The gorillas as a TPS file whose specimen i is "G" + i (two digits).
  std::string tps() const {
    std::string out;
    for (std::size_t i = 0; i < rows_.size(); ++i) {
      std::istringstream words(rows_[i]);
      std::vector<std::string> w;
      for (std::string x; words >> x;) w.push_back(x);
      out += "LM=8\n";
      for (int j = 0; j < 8; ++j) out += w[2 * j] + " " + w[2 * j + 1] + "\n";
      out += "ID=" + id(i + 1) + "\n";
    }
    return out;
  }

  void expectSameFiles(const std::string& a, const std::string& b) {
    for (const char* f : kCompared) {
      const std::string x = readFile(scratch_ / a / f), y = readFile(scratch_ / b / f);
      EXPECT_FALSE(x.empty()) << f;
      EXPECT_TRUE(x == y) << f << " differs between " << a << " and " << b;
    }
  }

  varnok::testkit::ScratchFolder scratch_;
  std::vector<std::string> rows_;
  std::vector<std::pair<std::string, std::string>> files_;
};

TEST_F(Classifiers, GroupingByAColumnWritesWhatAGroupListAndItsNamesWrite) {
  for (const char* f :
       {"gorilla.txt", "gorilla_groups.txt", "gorilla_group_names.txt", "gorilla_classifiers.csv"})
    files_.push_back({f, readFile(fs::path(VARNOK_DATA_DIR) / f)});
  const std::string load = "answer file gorilla.txt\nVarnoksw('LoadData')\n";
  run("list", load +
                  "answer file gorilla_groups.txt\nVarnoksw('LoadGroupList')\n"
                  "answer file gorilla_group_names.txt\nLoadGroupNames\n" +
                  kSaves);
  const std::string out = run("table", load +
                                           "answer file gorilla_classifiers.csv\nLoadClassifiers\n"
                                           "answer input Sex\nGroupBy\n" +
                                           kSaves);
  EXPECT_EQ(out.find("[msgbox"), std::string::npos) << out;
  expectSameFiles("list", "table");
  // The results table gains the names and the classifiers beside the codes.
  const std::string table = readFile(scratch_ / "table" / "table.csv");
  EXPECT_EQ(table.substr(0, table.find(",PC1")),
            "specimen,group,group_name,Specimen,Sex,Site,centroid_size");
}

TEST_F(Classifiers, CombinationsOfATableKeyedByIdMatchTheirCodeFile) {
  // The table as a spreadsheet may save it: a byte-order mark, CR LF, quoted
  // fields, its rows in another order and a specimen that is not loaded.
  std::vector<std::string> lines;
  std::string codes, names;
  const char* const kSpecies[] = {"beringei", "gorilla, western"};
  for (std::size_t i = 0; i < rows_.size(); ++i) {
    const bool male = i >= 30;
    const std::string species = kSpecies[i % 3 == 0 ? 0 : 1];
    lines.push_back("\"" + id(i + 1) + "\";\"" + species + "\";" + (male ? "Male" : "Female") +
                    "\r\n");
    // beringei * Female, beringei * Male, gorilla, western * Female, ... * Male
    codes += std::to_string((i % 3 == 0 ? 1 : 3) + (male ? 1 : 0)) + "\n";
  }
  std::reverse(lines.begin(), lines.end());
  lines.insert(lines.begin() + 7, "X99;beringei;Male\r\n");
  std::string csv = "\xEF\xBB\xBFSpecies;Specimen;Sex\r\n";
  for (const auto& l : lines) {
    // Species first: swap the first two fields.
    const auto a = l.find(';'), b = l.find(';', a + 1);
    csv += l.substr(a + 1, b - a - 1) + ";" + l.substr(0, a) + l.substr(b);
  }
  files_ = {{"gorilla.tps", tps()},
            {"codes.txt", codes},
            {"names.txt",
             "beringei * Female\nberingei * Male\ngorilla, western * Female\n"
             "gorilla, western * Male\n"},
            {"study.csv", csv}};
  const std::string load = "answer file gorilla.tps\nVarnoksw('LoadData')\n";
  run("list", load +
                  "answer file codes.txt\nVarnoksw('LoadGroupList')\n"
                  "answer file names.txt\nLoadGroupNames\n" +
                  kSaves);
  const std::string out =
      run("table",
          load + "answer file study.csv\nLoadClassifiers\nanswer input Species*Sex\nGroupBy\n" +
              kSaves);
  EXPECT_EQ(out.find("[msgbox"), std::string::npos) << out;
  EXPECT_NE(out.find("Left out 1 row of study.csv whose IDs are not loaded"), std::string::npos)
      << out;
  expectSameFiles("list", "table");
  const std::string table = readFile(scratch_ / "table" / "table.csv");
  EXPECT_NE(table.find("\n1,G01,1,beringei * Female,beringei,Female,"), std::string::npos) << table;
  EXPECT_NE(table.find("\n59,G59,4,\"gorilla, western * Male\",\"gorilla, western\",Male,"),
            std::string::npos);
}

}  // namespace

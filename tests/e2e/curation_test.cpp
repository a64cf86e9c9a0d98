// End-to-end: a study curated in the program (specimens reflected, left out,
// some groups analysed) gives the files of a data file that holds just the
// kept specimens, the reflected ones' x written as -x.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "support/run_command.hpp"
#include "support/session_fixture.hpp"

namespace {

namespace fs = std::filesystem;
using varnok::testkit::readFile;
using varnok::testkit::writeFile;

using Rows = std::vector<std::vector<std::string>>;

Rows rowsOf(const std::string& text) {
  Rows rows;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream words(line);
    std::vector<std::string> row;
    for (std::string w; words >> w;) row.push_back(w);
    if (!row.empty()) rows.push_back(row);
  }
  return rows;
}

std::string negated(const std::string& number) {
  return number[0] == '-' ? number.substr(1) : "-" + number;
}

// Landmark rows x y ... CS as a plain data file, or as a TPS file with IDs
// "G01" ... (the centroid size left out: the reader computes it).
std::string dataText(const Rows& rows, const std::vector<int>& numbers, bool tps) {
  std::string out;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const auto& r = rows[i];
    if (tps) out += "LM=" + std::to_string((r.size() - 1) / 2) + "\n";
    for (std::size_t j = 0; j + (tps ? 1 : 0) < r.size(); ++j)
      out += r[j] + (tps && j % 2 == 1 ? "\n" : " ");
    if (tps) {
      char id[16];
      std::snprintf(id, sizeof id, "ID=G%02d\n", numbers[i]);
      out += id;
    } else {
      out.back() = '\n';
    }
  }
  return out;
}

// Loads data and runs the analysis with the group list (or as one group when
// groups is empty), times times. A picture's plot data and SVG number their
// objects and surfaces in the order the session made them, so the session
// compared with a curated one loads a file for each analysis the curated
// one ran, holding the specimens that one saw.
std::string analyses(const std::string& data, const std::string& groups, int times = 1) {
  std::string out;
  for (int i = 0; i < times; ++i) {
    out += "answer file " + data + "\nVarnoksw('LoadData')\n";
    out += groups.empty() ? "Varnoksw('NoGroupList')\n"
                          : "answer file " + groups + "\nVarnoksw('LoadGroupList')\n";
  }
  return out;
}

// What every action after the choice writes.
const char* const kSaves =
    "answer file scores.txt\nVarnoksw('SavePCA')\n"
    "answer file eigen.txt\nVarnoksw('SaveEigen')\n"
    "answer file pcmatrix.txt\nVarnoksw('SavePCMatrix')\n"
    "answer file warps.txt\nVarnoksw('SaveWarp')\n"
    "answer file ref.txt\nVarnoksw('SaveRef')\n"
    "answer file table.csv\nExportResultsTable\n"
    "answer file fit.json\nExportPlotData\n"
    "Varnoksw('ShowPCAAxis')\n"
    "answer file scores.json\nExportPlotData\n"
    "save-picture scores.svg\n";
const char* const kFiles[] = {"scores.txt", "eigen.txt",   "pcmatrix.txt",
                              "warps.txt",  "ref.txt",     "table_eigenvalues.csv",
                              "fit.json",   "scores.json", "scores.svg"};

class Curation : public ::testing::Test {
 protected:
  Curation() {
    for (const char* f : {"gorilla.txt", "gorilla_groups.txt", "mice.txt", "mice_groups.txt"})
      rows_[f] = rowsOf(readFile(fs::path(VARNOK_DATA_DIR) / f));
  }

  // Runs a script in its own folder holding files; returns standard output.
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

  // The kept rows of data set name (1-based numbers), the reflected ones' x
  // negated, as a data file and its group list.
  void writeSubset(const std::string& stem, const std::string& data, const std::string& groups,
                   const std::vector<int>& kept, const std::set<int>& reflected, bool tps) {
    Rows rows;
    std::string glist;
    for (int k : kept) {
      auto row = rows_[data].at(static_cast<std::size_t>(k - 1));
      if (reflected.count(k))
        for (std::size_t j = 0; j + 1 < row.size(); j += 2) row[j] = negated(row[j]);
      rows.push_back(row);
      glist += rows_[groups].at(static_cast<std::size_t>(k - 1)).at(0) + "\n";
    }
    files_[stem + (tps ? ".tps" : ".txt")] = dataText(rows, kept, tps);
    files_[stem + "_groups.txt"] = glist;
  }

  void expectSameFiles(const std::string& a, const std::string& b) {
    for (const char* f : kFiles) {
      const std::string x = readFile(scratch_ / a / f), y = readFile(scratch_ / b / f);
      EXPECT_FALSE(x.empty()) << f;
      EXPECT_TRUE(x == y) << f << " differs";
    }
  }

  // The results table's columns after the specimen's number.
  static std::string afterNumbers(const std::string& table) {
    std::string out;
    std::istringstream in(table);
    for (std::string line; std::getline(in, line);) out += line.substr(line.find(',')) + "\n";
    return out;
  }

  varnok::testkit::ScratchFolder scratch_;
  std::map<std::string, Rows> rows_;
  std::map<std::string, std::string> files_;
};

TEST_F(Curation, ReflectingAndExcludingGivesTheFilesOfTheKeptSpecimensAlone) {
  std::vector<int> all(59);
  for (int i = 0; i < 59; ++i) all[static_cast<std::size_t>(i)] = i + 1;
  writeSubset("full", "gorilla.txt", "gorilla_groups.txt", all, {}, true);
  std::vector<int> kept;
  for (int k : all)
    if (k != 3 && (k < 10 || k > 12) && k != 40) kept.push_back(k);
  writeSubset("left", "gorilla.txt", "gorilla_groups.txt", kept, {}, true);
  writeSubset("kept", "gorilla.txt", "gorilla_groups.txt", kept, {7, 41}, true);

  const std::string curated = run("curated",
                                  "answer file full.tps\nVarnoksw('LoadData')\n"
                                  "answer file full_groups.txt\nVarnoksw('LoadGroupList')\n"
                                  "answer input 3 10-12 G40\nExcludeSpecimens\n"
                                  "answer input 7, G41\nReflectSpecimens\n"
                                  "print FileBox String\n" +
                                      std::string(kSaves));
  run("alone", analyses("full.tps", "full_groups.txt") + analyses("left.tps", "left_groups.txt") +
                   analyses("kept.tps", "kept_groups.txt") + kSaves);
  EXPECT_NE(curated.find("File: full.tps \n  54 of 59 specimens, 5 excluded, 2 reflected \n"),
            std::string::npos)
      << curated;
  EXPECT_EQ(curated.find("[msgbox"), std::string::npos) << curated;
  expectSameFiles("curated", "alone");
  // The table names each specimen by its number in the loaded file and its ID.
  const std::string table = readFile(scratch_ / "curated" / "table.csv");
  EXPECT_NE(table.find("\n2,G02,"), std::string::npos) << table;
  EXPECT_NE(table.find("\n4,G04,"), std::string::npos) << table;
  EXPECT_EQ(table.find("\n3,G03,"), std::string::npos) << table;
  EXPECT_EQ(afterNumbers(table), afterNumbers(readFile(scratch_ / "alone" / "table.csv")));
}

TEST_F(Curation, SomeGroupsOfMiceGiveTheFilesOfAFileOfThoseGroups) {
  std::vector<int> kept;
  for (std::size_t i = 0; i < rows_["mice_groups.txt"].size(); ++i)
    if (rows_["mice_groups.txt"][i][0] != "2") kept.push_back(static_cast<int>(i) + 1);
  writeSubset("some", "mice.txt", "mice_groups.txt", kept, {}, false);
  files_["mice.txt"] = readFile(fs::path(VARNOK_DATA_DIR) / "mice.txt");
  files_["mice_groups.txt"] = readFile(fs::path(VARNOK_DATA_DIR) / "mice_groups.txt");

  run("selected",
      "answer file mice.txt\nVarnoksw('LoadData')\n"
      "answer file mice_groups.txt\nVarnoksw('LoadGroupList')\n"
      "answer input 3 1\nSelectGroups\n" +
          std::string(kSaves));
  run("alone",
      analyses("mice.txt", "mice_groups.txt") + analyses("some.txt", "some_groups.txt") + kSaves);
  expectSameFiles("selected", "alone");

  // Left out before any analysis, then analysed as one group; and every
  // choice undone gives the whole file's results again.
  writeSubset("few", "mice.txt", "mice_groups.txt", {1, 2, 5, 6, 7, 8}, {}, false);
  run("early",
      "answer file mice.txt\nVarnoksw('LoadData')\n"
      "answer input 3-4 9-76\nExcludeSpecimens\n"
      "Varnoksw('NoGroupList')\n" +
          std::string(kSaves));
  run("few",
      "answer file few.txt\nVarnoksw('LoadData')\nVarnoksw('NoGroupList')\n" + std::string(kSaves));
  expectSameFiles("early", "few");
  run("undone",
      "answer file mice.txt\nVarnoksw('LoadData')\n"
      "answer file mice_groups.txt\nVarnoksw('LoadGroupList')\n"
      "answer input 2\nSelectGroups\n"
      // Specimens of the other groups: the data analysed stay the same.
      "answer input 5 mirrored\nExcludeSpecimens\n"
      "answer input 9 70\nReflectSpecimens\n"
      "answer input 9 70\nReflectSpecimens\n"
      "IncludeAllSpecimens\n" +
          std::string(kSaves));
  std::vector<int> second;
  for (int k = 31; k <= 53; ++k) second.push_back(k);
  writeSubset("two", "mice.txt", "mice_groups.txt", second, {}, false);
  run("whole", analyses("mice.txt", "mice_groups.txt") + analyses("two.txt", "two_groups.txt", 4) +
                   analyses("mice.txt", "mice_groups.txt") + kSaves);
  expectSameFiles("undone", "whole");
  EXPECT_EQ(readFile(scratch_ / "undone" / "table.csv"),
            readFile(scratch_ / "whole" / "table.csv"));
}

}  // namespace

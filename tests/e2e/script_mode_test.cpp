// End-to-end: the real program in script mode on the bundled data.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "support/session_fixture.hpp"

namespace {

namespace fs = std::filesystem;

class ScriptMode : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* f :
         {"gorilla.txt", "gorilla_groups.txt", "mice.txt", "mice_groups.txt", "digit3.txt"})
      fs::copy_file(fs::path(VARNOK_DATA_DIR) / f, dir_ / f);
  }

  // Runs a script; returns standard output, and the exit status in *status.
  std::string run(const std::string& script, int* status = nullptr) {
    { std::ofstream(dir_ / "session.vks") << script; }
    std::string cmd = "cd '" + dir_.string() + "' && QT_QPA_PLATFORM=offscreen '" +
                      VARNOK_BINARY_DIR "/varnok' --script session.vks 2>stderr.txt";
    std::FILE* p = popen(cmd.c_str(), "r");
    std::string out;
    std::array<char, 4096> buf{};
    size_t n;
    while ((n = std::fread(buf.data(), 1, buf.size(), p)) > 0) out.append(buf.data(), n);
    int rc = pclose(p);
    if (status) *status = rc;
    return out;
  }
  std::string read(const std::string& name) {
    std::ifstream in(dir_ / name, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }

  varnok::testkit::ScratchFolder scratch_;
  const fs::path dir_ = scratch_.path();
};

TEST_F(ScriptMode, LoadDataShowsTheThreeLineSummary) {
  int status = -1;
  std::string out =
      run("answer file gorilla.txt\n"
          "Varnoksw('LoadData')\n"
          "print FileBox String\n",
          &status);
  EXPECT_EQ(status, 0);
  EXPECT_NE(out.find("FileBox String: File: gorilla.txt \n  59 Specimens \n   8 Landmarks\n"),
            std::string::npos)
      << out;
}

TEST_F(ScriptMode, WrongCaseAndTooManyInputs) {
  std::string out =
      run("Varnoksw('loaddata')\n"
          "Varnoksw('LoadData', 1, 2)\n");
  EXPECT_NE(out.find("Fell through case!"), std::string::npos) << out;
  EXPECT_NE(out.find("Run-time Error: File: Varnoksw Line: 1 Column: 1 The function "
                     "\"Varnoksw\" was called with more than the declared number of inputs (2)."),
            std::string::npos)
      << out;
}

TEST_F(ScriptMode, BadFileIsReportedAndDataKept) {
  { std::ofstream(dir_ / "broken.txt") << "1 2 3 4 5\n1 2 3\n"; }
  std::string out =
      run("answer file mice.txt\n"
          "Varnoksw('LoadData')\n"
          "answer file broken.txt\n"
          "Varnoksw('LoadData')\n"
          "print FileBox String\n");
  EXPECT_NE(out.find("[msgbox Error Loading File] The file broken.txt could not be loaded: line 2 "
                     "holds 3 numbers, but the first line holds 5."),
            std::string::npos)
      << out;
  EXPECT_NE(out.find("FileBox String: File: mice.txt \n  76 Specimens \n   6 Landmarks"),
            std::string::npos)
      << out;
}

TEST_F(ScriptMode, SavePictureWritesEveryFormat) {
  int status = -1;
  run("Varnoksw('ManualHint')\n"
      "save-picture plot.png\n"
      "save-picture plot.svg\n"
      "save-picture plot.pdf\n"
      "save-picture plot.eps\n",
      &status);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(read("plot.png").substr(1, 3), "PNG");
  EXPECT_NE(read("plot.svg").find("<svg"), std::string::npos);
  EXPECT_EQ(read("plot.pdf").substr(0, 5), "%PDF-");
  EXPECT_EQ(read("plot.eps").rfind("%!PS-Adobe-3.0 EPSF-3.0", 0), 0u);
}

TEST_F(ScriptMode, AFigureForAPaperAtItsSizeAndResolution) {
  { std::ofstream(dir_ / "names.txt") << "Female\nMale\n"; }
  int status = -1;
  std::string out =
      run("answer file gorilla.txt\n"
          "Varnoksw('LoadData')\n"
          "answer file gorilla_groups.txt\n"
          "Varnoksw('LoadGroupList')\n"
          "answer file names.txt\n"
          "LoadGroupNames\n"
          "Varnoksw('ShowPCAAxis')\n"
          "save-picture fig.png 85x60mm 300\n"
          "save-picture fig.pdf 85x60mm\n"
          "save-picture fig.json\n",
          &status);
  EXPECT_EQ(status, 0) << out << read("stderr.txt");
  const std::string png = read("fig.png");
  ASSERT_GT(png.size(), 60u);
  const auto big32 = [&](std::size_t at) {
    std::uint32_t v = 0;
    for (std::size_t i = 0; i < 4; ++i) v = (v << 8) | static_cast<unsigned char>(png[at + i]);
    return v;
  };
  // 85 x 60 mm at 300 dpi, and the resolution stated right after the header.
  EXPECT_EQ(big32(16), 1004u);
  EXPECT_EQ(big32(20), 709u);
  EXPECT_EQ(png.substr(37, 4), "pHYs");
  EXPECT_EQ(big32(41), 11811u);
  EXPECT_NE(read("fig.pdf").find("/MediaBox [ 0 0 240.94"), std::string::npos);
  const std::string json = read("fig.json");
  EXPECT_NE(json.find("\"xlabel\": \"PC 1 (46.0 %)\""), std::string::npos) << json.substr(0, 400);
  EXPECT_NE(json.find("{\"label\": \"Female\", \"group\": 1"), std::string::npos);
  EXPECT_NE(json.find("{\"label\": \"Male\", \"group\": 2"), std::string::npos);
}

TEST_F(ScriptMode, UnansweredDialogIsCancelled) {
  int status = -1;
  std::string out = run("Varnoksw('LoadData')\nprint FileBox String\n", &status);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(out.find("[msgbox"), std::string::npos) << out;
  EXPECT_NE(read("stderr.txt").find("cancel"), std::string::npos);
}

// The rows of a result file: numbers separated by blanks.
std::vector<std::vector<double>> numbers(const std::string& text) {
  std::vector<std::vector<double>> rows;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream ls(line);
    std::vector<double> row;
    double v;
    while (ls >> v) row.push_back(v);
    if (!row.empty()) rows.push_back(row);
  }
  return rows;
}

// "%g " numbers, rows ending in " \n ": every line but the first starts with
// a blank, every line ends with two blanks, the file ends with "\n ".
void expectResultLayout(const std::string& text) {
  ASSERT_GE(text.size(), 2u);
  EXPECT_EQ(text.substr(text.size() - 2), "\n ");
  size_t start = 0;
  int line = 0;
  while (true) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) break;
    if (line > 0) {
      EXPECT_EQ(text[start], ' ') << "line " << line;
    }
    EXPECT_EQ(text.substr(end - 2, 2), "  ") << "line " << line;
    start = end + 1;
    ++line;
  }
}

double after(const std::string& out, const std::string& key) {
  size_t at = out.rfind(key);
  if (at == std::string::npos) return std::nan("");
  return std::stod(out.substr(at + key.size()));
}

TEST_F(ScriptMode, GorillaStudyWithGroups) {
  std::string out =
      run("answer file gorilla.txt\n"
          "Varnoksw('LoadData')\n"
          "answer file gorilla_groups.txt\n"
          "Varnoksw('LoadGroupList')\n"
          "print FileBox String\n"
          "print XBoxExp String\n"
          "Varnoksw('ShowPCAAxis')\n"
          "answer file scores.txt\n"
          "Varnoksw('SavePCA')\n"
          "answer file eigen.txt\n"
          "Varnoksw('SaveEigen')\n"
          "answer file warps.txt\n"
          "Varnoksw('SaveWarp')\n"
          "Varnoksw('CheckSig')\n"
          "Varnoksw('UpXAxis')\n"
          "Varnoksw('UpXAxis')\n"
          "print XBox String\n");
  auto scores = numbers(read("scores.txt"));
  ASSERT_EQ(scores.size(), 59u);
  EXPECT_EQ(scores[0].size(), 12u);
  expectResultLayout(read("scores.txt"));
  EXPECT_EQ(numbers(read("warps.txt"))[0].size(), 13u);

  auto eigen = numbers(read("eigen.txt"));
  ASSERT_EQ(eigen.size(), 12u);
  double sum = 0, largest = 0;
  for (auto& r : eigen) sum += r[0], largest = std::max(largest, r[0]);
  const double ss = after(out, "SS distance/(n-1) =");
  EXPECT_NEAR(sum, ss, 1e-6 * ss + 1e-7);
  // The largest share, with 4 decimals.
  const size_t at = out.find("XBoxExp String: ");
  ASSERT_NE(at, std::string::npos);
  const std::string share = out.substr(at + 16, out.find('\n', at) - at - 16);
  EXPECT_EQ(share.size(), 6u) << share;
  EXPECT_NEAR(std::stod(share), largest / sum, 1e-4);
  EXPECT_NE(out.find("[msgbox Test for significantly different PCAs] The number of distinct "
                     "eigenvalues is "),
            std::string::npos);
  EXPECT_NE(out.find("XBox String: 3\n"), std::string::npos);
}

TEST_F(ScriptMode, MiceWithGroupsAndDigitsWithout) {
  run("answer file mice.txt\nVarnoksw('LoadData')\nanswer file mice_groups.txt\n"
      "Varnoksw('LoadGroupList')\nanswer file mice_scores.txt\nVarnoksw('SavePCA')\n"
      "answer file digit3.txt\nVarnoksw('LoadData')\nVarnoksw('NoGroupList')\n"
      "answer file digit_scores.txt\nVarnoksw('SavePCA')\n");
  auto mice = numbers(read("mice_scores.txt"));
  ASSERT_EQ(mice.size(), 76u);
  EXPECT_EQ(mice[0].size(), 8u);
  auto digits = numbers(read("digit_scores.txt"));
  ASSERT_EQ(digits.size(), 30u);
  EXPECT_EQ(digits[0].size(), 22u);
}

TEST_F(ScriptMode, RestrictedPcaAndRefusedReference) {
  {
    std::ofstream(dir_ / "ref2.txt") << "1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17\n"
                                        "1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17\n";
    std::ofstream(dir_ / "wide.txt") << "1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19\n";
  }
  std::string out =
      run("answer file gorilla.txt\nVarnoksw('LoadData')\n"
          "set PCALimit Value 1\nset RestrictBox String 10\n"
          "Varnoksw('NoGroupList')\n"
          "set PCALimit Value 0\n"
          "answer file consensus.txt\nVarnoksw('SaveRef')\n"
          "answer file wide.txt\nVarnoksw('LoadReference')\n"
          "answer file ref2.txt\nVarnoksw('LoadReference')\n"
          "Varnoksw('NoGroupList')\n"
          "answer file again.txt\nVarnoksw('SaveRef')\n");
  EXPECT_NE(out.find("[msgbox Restricted PCA:] Calculated PCA Axes based on specimens 1 to 10 "
                     "only, all specimens scored, note there are 12 variables per specimen\n"
                     "There will be zero eigenvalues"),
            std::string::npos)
      << out;
  EXPECT_NE(out.find("[msgbox Reference Error] The number of landmarks in the reference does not "
                     "match"),
            std::string::npos);
  EXPECT_NE(out.find("[msgbox Reference Error] The reference file had more than 1 specimen,  "
                     "Reverting to consensus specimen"),
            std::string::npos);
  // After the refusal the analysis is back on the consensus of the (already
  // fitted) data: the same form up to rounding.
  auto a = numbers(read("consensus.txt")), b = numbers(read("again.txt"));
  ASSERT_EQ(a.size(), 1u);
  ASSERT_EQ(b.size(), 1u);
  for (size_t k = 0; k + 1 < a[0].size(); ++k) EXPECT_NEAR(a[0][k], b[0][k], 2e-4) << k;
}

TEST_F(ScriptMode, TpsFileToResultsTable) {
  {
    std::ofstream f(dir_ / "wings.tps", std::ios::binary);
    const char* forms[] = {"0 0\r\n10 0\r\n10 10\r\n0 10", "0 0\r\n11 1\r\n10 11\r\n1 10",
                           "1 0\r\n10 -1\r\n9 10\r\n0 9", "0 1\r\n12 0\r\n10 9\r\n-1 10",
                           "0 0\r\n10 1\r\n11 10\r\n0 11"};
    int i = 0;
    for (const char* form : forms) {
      ++i;
      f << "LM=4\r\n"
        << form << "\r\nCURVES=1\r\nPOINTS=2\r\n1 1\r\n2 2\r\nIMAGE=w" << i << ".jpg\r\nID=wing "
        << i << "\r\nSCALE=0.01\r\n";
    }
  }
  std::string out =
      run("answer file wings.tps\n"
          "Varnoksw('LoadData')\n"
          "print FileBox String\n"
          "ExportResultsTable\n"
          "Varnoksw('NoGroupList')\n"
          "answer file table.csv\n"
          "ExportResultsTable\n");
  EXPECT_NE(out.find("FileBox String: File: wings.tps \n   5 Specimens \n   4 Landmarks\n"),
            std::string::npos)
      << out;
  EXPECT_NE(out.find("Skipped 10 curve points in wings.tps: semilandmarks are not used."),
            std::string::npos)
      << out;
  // Before the analysis there is nothing to export.
  EXPECT_NE(out.find("] Run the analysis first"), std::string::npos) << out;
  const std::string table = read("table.csv");
  EXPECT_EQ(table.substr(0, table.find('\n')), "specimen,id,group,PC1,PC2,PC3,PC4");
  EXPECT_NE(table.find("\n5,wing 5,1,"), std::string::npos) << table;
  const std::string eigen = read("table_eigenvalues.csv");
  EXPECT_EQ(eigen.substr(0, eigen.find('\n')), "axis,eigenvalue,share,cumulative_share");
  EXPECT_EQ(std::count(eigen.begin(), eigen.end(), '\n'), 5);
}

// The "x" and "y" arrays of the objects of a plot-data file, in order.
std::vector<std::vector<double>> arrays(const std::string& json, const std::string& key) {
  std::vector<std::vector<double>> out;
  const std::string k = "\"" + key + "\":";
  for (size_t at = json.find(k); at != std::string::npos; at = json.find(k, at + 1)) {
    size_t open = json.find_first_not_of(' ', at + k.size());
    if (json[open] != '[') continue;  // a text's position, not a line
    size_t close = json.find(']', open);
    std::string inner = json.substr(open + 1, close - open - 1);
    std::replace(inner.begin(), inner.end(), ',', ' ');
    std::istringstream in(inner);
    std::vector<double> v;
    double d;
    while (in >> d) v.push_back(d);
    out.push_back(v);
  }
  return out;
}

TEST_F(ScriptMode, ProcrustesDeformationOfTheGorillas) {
  int status = -1;
  std::string out =
      run("answer file gorilla.txt\n"
          "Varnoksw('LoadData')\n"
          "Varnoksw('NoGroupList')\n"
          "set DeFormat Value 3\n"
          "Varnoksw('ShowPCADeformationPS')\n"
          "save-picture vectors.json\n"
          "set DeFormat Value 1\n"
          "Varnoksw('ShowPCADeformationPS')\n"
          "save-picture grid.json\n",
          &status);
  EXPECT_EQ(status, 0) << out;
  EXPECT_EQ(out.find("[msgbox"), std::string::npos) << out;
  // Landmark vectors: the white point at the origin, then per landmark its
  // vector and two barbs at the vector's end, then the eight landmarks.
  std::string vectors = read("vectors.json");
  auto xs = arrays(vectors, "x"), ys = arrays(vectors, "y");
  ASSERT_EQ(xs.size(), 1u + 8 * 3 + 8) << vectors.substr(0, 400);
  EXPECT_EQ(xs[0], std::vector<double>{0});
  for (size_t k = 0; k < 8; ++k) {
    const auto& vx = xs[1 + 3 * k];
    const auto& vy = ys[1 + 3 * k];
    ASSERT_EQ(vx.size(), 2u);
    EXPECT_NEAR(vx[0], xs[25 + k].at(0), 1e-9);
    EXPECT_NEAR(vy[0], ys[25 + k].at(0), 1e-9);
    EXPECT_NEAR(xs[2 + 3 * k].at(0), vx[1], 1e-9);
    EXPECT_NEAR(ys[3 + 3 * k].at(0), vy[1], 1e-9);
    // A change of 0.1 along the first axis moves no landmark far.
    EXPECT_LT(std::hypot(vx[1] - vx[0], vy[1] - vy[0]), 0.1);
  }
  // Deformed grid at the default density 20: 26 nodes per horizontal line.
  std::string grid = read("grid.json");
  auto gx = arrays(grid, "x");
  ASSERT_GT(gx.size(), 30u);
  EXPECT_EQ(gx[0].size(), 26u);
  const size_t ny = gx.size() - 26 - 1;
  EXPECT_EQ(gx[ny].size(), ny);
  EXPECT_EQ(gx.back().size(), 8u);
}

}  // namespace

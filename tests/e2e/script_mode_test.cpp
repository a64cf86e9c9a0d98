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

#include "support/script_folder.hpp"
#include "support/session_fixture.hpp"

namespace {

namespace fs = std::filesystem;

using ScriptMode = varnok::testkit::ScriptFolderTest;

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

TEST_F(ScriptMode, ScriptsFromOtherEditorsRunOrSayWhyNot) {
  // CR line ends once ran nothing and exited 0 without a word.
  int status = -1;
  std::string out =
      run("# Mac line ends\ranswer file gorilla.txt\rVarnoksw('LoadData')\rprint FileBox String\r",
          &status);
  EXPECT_EQ(status, 0);
  EXPECT_NE(out.find("FileBox String: File: gorilla.txt"), std::string::npos) << out;
  // A script that performs nothing, and a UTF-16 one, are refused on
  // standard error with a status that is not 0 and no raw bytes.
  for (const std::string& script :
       {std::string("# nothing but a comment\n\n"), std::string("\xFF\xFE#\0 \0x\0\n\0", 10)}) {
    run(script, &status);
    EXPECT_NE(status, 0);
    const std::string err = read("stderr.txt");
    EXPECT_TRUE(err.find("performs nothing") != std::string::npos ||
                err.find("save it as UTF-8") != std::string::npos)
        << err;
    EXPECT_EQ(err.find('\0'), std::string::npos);
  }
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
  // Curves skipped: the landmarks alone.
  std::string out =
      run("ReadCurvesAsSemilandmarks\n"
          "answer file wings.tps\n"
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
  EXPECT_EQ(table.substr(0, table.find('\n')), "specimen,id,group,centroid_size,PC1,PC2,PC3,PC4");
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

// The string values of key in a plot-data file, in order.
std::vector<std::string> strings(const std::string& json, const std::string& key) {
  std::vector<std::string> out;
  const std::string k = "\"" + key + "\": \"";
  for (size_t at = json.find(k); at != std::string::npos; at = json.find(k, at + 1)) {
    const size_t open = at + k.size();
    out.push_back(json.substr(open, json.find('"', open) - open));
  }
  return out;
}

constexpr const char* kGorillaScorePlot =
    "answer file gorilla.txt\n"
    "Varnoksw('LoadData')\n"
    "answer file gorilla_groups.txt\n"
    "Varnoksw('LoadGroupList')\n"
    "Varnoksw('ShowPCAAxis')\n";

TEST_F(ScriptMode, SuperimposedSpecimensAndGroupMeansOfTheGorillas) {
  int status = -1;
  std::string out = run(std::string(kGorillaScorePlot) +
                            "Varnoksw('ShowProcrustes')\n"
                            "save-picture all.json\n"
                            "Varnoksw('ShowBC')\n"
                            "save-picture baseline.json\n"
                            "Varnoksw('ShowSBR')\n"
                            "save-picture sliding.json\n"
                            "Varnoksw('ShowMeans',0)\n"
                            "save-picture means.json\n"
                            "Varnoksw('ShowMeans',1)\n"
                            "save-picture means_baseline.json\n"
                            "set BaseBox2 String 9\n"
                            "Varnoksw('ShowBC')\n"
                            "save-picture refused.json\n",
                        &status);
  EXPECT_EQ(status, 0) << out;
  // Every landmark of every specimen is a point of its own, specimen by
  // specimen: landmark k of specimen i is object 8 i + k.
  const auto all = arrays(read("all.json"), "x");
  ASSERT_EQ(all.size(), 59u * 8);
  for (const auto& x : all) EXPECT_EQ(x.size(), 1u);
  // Baseline registration puts landmark 1 at (0, 0) and landmark 2 at (1, 0)
  // in every specimen; sliding keeps the baseline on the x axis.
  const std::string baseline = read("baseline.json"), sliding = read("sliding.json");
  auto bx = arrays(baseline, "x"), by = arrays(baseline, "y");
  auto sy = arrays(sliding, "y");
  ASSERT_EQ(bx.size(), 59u * 8);
  ASSERT_EQ(sy.size(), 59u * 8);
  for (size_t i = 0; i < 59; ++i) {
    EXPECT_NEAR(bx[8 * i][0], 0, 1e-12) << i;
    EXPECT_NEAR(by[8 * i][0], 0, 1e-12) << i;
    EXPECT_NEAR(bx[8 * i + 1][0], 1, 1e-12) << i;
    EXPECT_NEAR(by[8 * i + 1][0], 0, 1e-12) << i;
    EXPECT_NEAR(sy[8 * i][0], 0, 1e-12) << i;
    EXPECT_NEAR(sy[8 * i + 1][0], 0, 1e-12) << i;
  }
  // One mean form per sex; registered on request.
  EXPECT_EQ(arrays(read("means.json"), "x").size(), 2u * 8);
  const auto mx = arrays(read("means_baseline.json"), "x");
  ASSERT_EQ(mx.size(), 2u * 8);
  for (size_t g = 0; g < 2; ++g) {
    EXPECT_NEAR(mx[8 * g][0], 0, 1e-12);
    EXPECT_NEAR(mx[8 * g + 1][0], 1, 1e-12);
  }
  // A baseline landmark the data do not have: a message titled with the
  // action, naming the box as the window labels it; the picture kept.
  EXPECT_NE(out.find("[msgbox Superimposed Specimens, Baseline] The second baseline landmark is "
                     "\"9\""),
            std::string::npos)
      << out;
  EXPECT_EQ(read("refused.json"), read("means_baseline.json"));
}

TEST_F(ScriptMode, MarkersOnTheGorillaScorePlot) {
  int status = -1;
  std::string out = run(std::string(kGorillaScorePlot) +
                            "save-picture plot.json\n"
                            "answer click -0.04 0.01\n"
                            "Varnoksw('PlaceM1')\n"
                            "answer click 0.03 -0.02\n"
                            "Varnoksw('PlaceM2')\n"
                            "answer cancel\n"
                            "Varnoksw('PlaceM1')\n"
                            "save-picture markers.json\n"
                            "Varnoksw('ShowPCAAxis')\n"
                            "Varnoksw('RestoreMarkers')\n"
                            "save-picture restored.json\n",
                        &status);
  EXPECT_EQ(status, 0) << out;
  EXPECT_EQ(out.find("[msgbox"), std::string::npos) << out;
  const std::string plot = read("plot.json"), markers = read("markers.json");
  const size_t n = arrays(plot, "x").size();
  // Two symbols per marker on top of the score plot; the cancelled pick
  // added none.
  auto xs = arrays(markers, "x"), ys = arrays(markers, "y");
  ASSERT_EQ(xs.size(), n + 4);
  // The markers of the drawn objects (the legend, before them, names some).
  const auto kinds = strings(markers.substr(markers.find("\"objects\"")), "marker");
  ASSERT_EQ(kinds.size(), n + 4);
  EXPECT_EQ(std::vector<std::string>(kinds.end() - 4, kinds.end()),
            (std::vector<std::string>{"o", "+", "o", "+"}));
  EXPECT_EQ(xs[n], std::vector<double>{-0.04});
  EXPECT_EQ(ys[n + 1], std::vector<double>{0.01});
  EXPECT_EQ(xs[n + 2], std::vector<double>{0.03});
  EXPECT_EQ(ys[n + 3], std::vector<double>{-0.02});
  EXPECT_NE(markers.find("\"markerFaceColor\": [1, 0, 0]"), std::string::npos);
  EXPECT_NE(markers.find("\"markerFaceColor\": [0, 1, 0]"), std::string::npos);
  // Redrawn plot, markers restored where they were.
  EXPECT_EQ(arrays(read("restored.json"), "x"), xs);
}

TEST_F(ScriptMode, MarkerDeformationsOfTheGorillas) {
  int status = -1;
  std::string out = run(std::string(kGorillaScorePlot) +
                            "answer click 0.05 0\n"
                            "Varnoksw('PlaceM1')\n"
                            "answer click 0.05 0\n"
                            "Varnoksw('PlaceM2')\n"
                            "Varnoksw('ShowMarker1PCA')\n"
                            "save-picture marker1.json\n"
                            "set ExagerationBox String 0.05\n"
                            "Varnoksw('ShowPCADeformationPS')\n"
                            "save-picture axis.json\n"
                            "Varnoksw('ShowMarkerDif')\n"
                            "save-picture dif.json\n"
                            "set XBox String 40\n"
                            "Varnoksw('ShowMarker2PCA')\n"
                            "save-picture refused.json\n",
                        &status);
  EXPECT_EQ(status, 0) << out;
  // Marker 1 at 0.05 on axis 1 is the shape 0.05 along axis 1: the same
  // grid as the axis picture, up to that picture's rounding.
  auto m1 = arrays(read("marker1.json"), "x"), axis = arrays(read("axis.json"), "x");
  ASSERT_EQ(m1.size(), axis.size());
  ASSERT_GT(m1.size(), 30u);
  for (size_t k = 0; k < m1.size(); ++k) {
    ASSERT_EQ(m1[k].size(), axis[k].size()) << k;
    for (size_t i = 0; i < m1[k].size(); ++i) EXPECT_NEAR(m1[k][i], axis[k][i], 1e-4);
  }
  // Both markers at one point: the undeformed reference, a square grid.
  // At density 20: ny horizontal lines of 26 nodes that stay level, 26
  // vertical lines of ny nodes that stay upright, then the landmarks (one
  // line of 8 points).
  const std::string dif = read("dif.json");
  auto dx = arrays(dif, "x"), dy = arrays(dif, "y");
  ASSERT_GT(dx.size(), 26u + 1);
  const size_t ny = dx.size() - 26 - 1;
  EXPECT_EQ(dx.back().size(), 8u);
  for (size_t k = 0; k < ny; ++k) {
    ASSERT_EQ(dy[k].size(), 26u);
    for (double y : dy[k]) EXPECT_NEAR(y, dy[k][0], 1e-12) << k;
  }
  for (size_t k = ny; k < ny + 26; ++k) {
    ASSERT_EQ(dx[k].size(), ny);
    for (double x : dx[k]) EXPECT_NEAR(x, dx[k][0], 1e-12) << k;
  }
  // An axis the analysis does not have: a message, the picture unchanged.
  EXPECT_NE(out.find("[msgbox Shape at M2] The X axis box holds axis 40"), std::string::npos)
      << out;
  EXPECT_EQ(read("refused.json"), dif);
}

TEST_F(ScriptMode, MarkerPicturesBeforeAnAnalysisSaySo) {
  std::string out = run("Varnoksw('ShowMarker1PCA')\nVarnoksw('ShowMarkerDif')\n");
  // Each refusal is titled with the action the user asked for.
  EXPECT_NE(out.find("[msgbox Shape at M1] There is no analysis"), std::string::npos) << out;
  EXPECT_NE(out.find("[msgbox Shape Change M1 → M2] There is no analysis"), std::string::npos)
      << out;
}

TEST_F(ScriptMode, EpsFileUnderTheNameAsTypedAndClipboardCopy) {
  fs::create_directories(dir_ / "out");
  int status = -1;
  std::string out = run(std::string(kGorillaScorePlot) +
                            "save-picture before.json\n"
                            "CopyBigImage(1)\n"
                            "save-picture copied.json\n"
                            "answer file out/fig\n"
                            "CopyImageEPS(1)\n"
                            "answer cancel\n"
                            "CopyImageEPS(1)\n",
                        &status);
  EXPECT_EQ(status, 0) << out;
  EXPECT_EQ(out.find("[msgbox"), std::string::npos) << out;
  EXPECT_NE(out.find("fposition ="), std::string::npos);
  EXPECT_EQ(read("out/fig").rfind("%!PS-Adobe-3.0 EPSF-3.0", 0), 0u);
  std::vector<std::string> written;
  for (const auto& e : fs::directory_iterator(dir_ / "out")) written.push_back(e.path().filename());
  EXPECT_EQ(written, std::vector<std::string>{"fig"});
  // After the clipboard copy the plot is as it was.
  EXPECT_EQ(read("copied.json"), read("before.json"));
}

}  // namespace

namespace {

// Scripts do the same on every machine: what the window remembers between
// runs is neither read nor written in script mode.
TEST_F(ScriptMode, TheUsersSettingsAreNeitherReadNorWritten) {
  const fs::path config = dir_ / "config";
  fs::create_directories(config / "Varnok");
  const std::string remembered =
      "[display]\ndensity=\"Varnoksw('SetPlotDensity',50)\"\nblackAndWhite=true\n"
      "[folders]\ndata=" +
      dir_.string() + "\n";
  { std::ofstream(config / "Varnok" / "Varnok.conf") << remembered; }
  {
    std::ofstream(dir_ / "session.vks") << "answer file gorilla.txt\nVarnoksw('LoadData')\n"
                                        << "print Density50 Checked\nprint Density20 Checked\n"
                                        << "print BWButton Label\n";
  }
  const std::string cmd = "cd '" + dir_.string() + "' && HOME='" + config.string() +
                          "' XDG_CONFIG_HOME='" + config.string() +
                          "' QT_QPA_PLATFORM=offscreen '" VARNOK_BINARY_DIR
                          "/varnok' --script session.vks 2>stderr.txt";
  std::FILE* p = popen(cmd.c_str(), "r");
  std::string out;
  std::array<char, 4096> buf{};
  size_t n;
  while ((n = std::fread(buf.data(), 1, buf.size(), p)) > 0) out.append(buf.data(), n);
  EXPECT_EQ(pclose(p), 0);
  EXPECT_NE(out.find("Density50 Checked: off"), std::string::npos) << out;
  EXPECT_NE(out.find("Density20 Checked: on"), std::string::npos) << out;
  EXPECT_NE(out.find("BWButton Label: Use BW Symbols"), std::string::npos) << out;
  // The settings file is as it was, and nothing else was written beside it.
  EXPECT_EQ(read("config/Varnok/Varnok.conf"), remembered);
  std::vector<std::string> written;
  for (const auto& e : fs::recursive_directory_iterator(config))
    written.push_back(e.path().lexically_relative(config).string());
  std::sort(written.begin(), written.end());
  EXPECT_EQ(written, (std::vector<std::string>{"Varnok", "Varnok/Varnok.conf"}));
}

}  // namespace

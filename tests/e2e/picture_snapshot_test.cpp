// End-to-end: the plot data of every kind of picture the program draws of the
// gorilla skulls, in script mode, against the stored copies of
// tests/snapshots/. A change of how pictures are drawn, not of what they
// show, passes unchanged.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "support/plot_data_snapshot.hpp"
#include "support/run_command.hpp"
#include "support/session_fixture.hpp"

namespace {

namespace fs = std::filesystem;
using varnok::testkit::readFile;

// One picture: the script lines that draw it, and the snapshot's name.
struct Picture {
  std::string steps;
  std::string name;
};

std::vector<Picture> gorillaPictures() {
  std::vector<Picture> p = {
      {"answer file gorilla.txt\nVarnoksw('LoadData')\n", "loaded"},
      {"answer file gorilla_groups.txt\nVarnoksw('LoadGroupList')\n", "superimposed_groups"},
      {"set CentroidButton Value 1\nanswer file gorilla_group_names.txt\nLoadGroupNames\n"
       "Varnoksw('ShowPCAAxis')\n",
       "scores"},
      {"set PCALabel Value 1\nVarnoksw('UpYAxis')\nVarnoksw('ShowPCAAxis')\n",
       "scores_1_3_numbered"},
      {"set PCALabel Value 0\nset AxisOnePos Value 0\nVarnoksw('DownYAxis')\n"
       "Varnoksw('ShowPCAAxis')\n",
       "scores_mirrored"},
      {"set AxisOnePos Value 1\nVarnoksw('ShowPCAAxis')\nincrementsymbolsize(gca,1)\n"
       "incrementlinethickness(gca,0.5)\nsetsymbolbw(gca)\n",
       "scores_restyled"},
      {"Varnoksw('ScreePlot')\n", "scree"},
      {"Varnoksw('ScreePercentages')\n", "scree_percentages"},
      {"Varnoksw('ShowProcrustes')\n", "superimposed"},
      {"Varnoksw('ShowBC')\n", "superimposed_baseline"},
      {"Varnoksw('ShowSBR')\n", "superimposed_sliding"},
      {"Varnoksw('ShowMeans',0)\n", "means"},
      {"Varnoksw('ShowMeans',1)\n", "means_baseline"},
      {"Varnoksw('ShowMeans',2)\n", "means_sliding"},
  };
  // The nine picture types in the three registrations; type 5 adds to the
  // picture before it.
  const std::array<std::pair<const char*, const char*>, 3> registrations = {
      {{"ShowPCADeformationPS", "procrustes"},
       {"ShowPCADeformationBC", "baseline"},
       {"ShowPCADeformationSBR", "sliding"}}};
  for (const auto& [action, reg] : registrations)
    for (int type = 1; type <= 9; ++type)
      p.push_back({"set DeFormat Value " + std::to_string(type) + "\nVarnoksw('" + action + "')\n",
                   std::string("deformation_") + reg + "_" + std::to_string(type)});
  // The display settings of the menus, and a grid beyond the form.
  p.push_back(
      {"Varnoksw('SetPlotDensity',10)\nVarnoksw('SetLineWidth',25)\n"
       "Varnoksw('SetLineFormat1','r')\nVarnoksw('SetReferenceSymbol','ko')\n"
       "set RangeBox String 1.5\nset DeFormat Value 1\n"
       "Varnoksw('ShowPCADeformationBC')\n",
       "deformation_settings_grid"});
  p.push_back(
      {"Varnoksw('NoArrowHeads')\nset DeFormat Value 2\nset ShowBox String 2\n"
       "set ExagerationBox String 0.2\nVarnoksw('ShowPCADeformationSBR')\n",
       "deformation_settings_arrows"});
  p.push_back(
      {"Varnoksw('ArrowHeads')\nVarnoksw('SetPlotDensity',20)\n"
       "Varnoksw('SetLineWidth',5)\nVarnoksw('SetLineFormat1','k')\n"
       "Varnoksw('SetReferenceSymbol','kd')\nset RangeBox String 1\n"
       "set ShowBox String 1\nset ExagerationBox String 0.1\n"
       "Varnoksw('ShowPCAAxis')\nanswer click -0.04 0.01\nVarnoksw('PlaceM1')\n"
       "answer click 0.03 -0.02\nVarnoksw('PlaceM2')\n",
       "markers"});
  for (const char* type : {"1", "3"}) {
    const std::string t = type;
    p.push_back({"set DeFormat Value " + t + "\nVarnoksw('ShowMarker1PCA')\n", "marker1_" + t});
    p.push_back({"Varnoksw('ShowMarker2PCA')\n", "marker2_" + t});
    p.push_back({"Varnoksw('ShowMarkerDif')\n", "marker_difference_" + t});
  }
  p.push_back(
      {"set MarkerScaleBox String 2\nset MarkerSuperList Value 1\n"
       "Varnoksw('ShowMarkerDif')\n",
       "marker_difference_scaled"});
  p.push_back({"Varnoksw('ShowPCAAxis')\nVarnoksw('RestoreMarkers')\n", "markers_restored"});
  // Symbols from a table, then a reference form from a file.
  p.push_back({"answer file codes.txt\nVarnoksw('CodeLoad')\nVarnoksw('ShowPCAAxis')\n",
               "scores_symbol_table"});
  p.push_back({"Varnoksw('SetBWCode')\nVarnoksw('ShowPCAAxis')\n", "scores_black_and_white"});
  p.push_back(
      {"Varnoksw('ClearData')\nanswer file gorilla.txt\nVarnoksw('LoadData')\n"
       "answer file reference.txt\nVarnoksw('LoadReference')\n",
       "reference"});
  p.push_back({"Varnoksw('NoGroupList')\n", "superimposed_on_reference"});
  p.push_back({"Varnoksw('ShowPCAAxis')\n", "scores_one_group"});
  return p;
}

TEST(PictureSnapshots, EveryKindOfPictureOfTheGorillas) {
  varnok::testkit::ScratchFolder scratch;
  const fs::path dir = scratch.path();
  for (const char* f : {"gorilla.txt", "gorilla_groups.txt", "gorilla_group_names.txt"})
    fs::copy_file(fs::path(VARNOK_DATA_DIR) / f, dir / f);
  // Group 1 red filled circles, group 2 blue open squares.
  varnok::testkit::writeFile(dir / "codes.txt", "1 0 0 2 7 1\n0 0 1 6 9 0\n");
  // The first skull as a reference form.
  const std::string data = readFile(dir / "gorilla.txt");
  varnok::testkit::writeFile(dir / "reference.txt", data.substr(0, data.find('\n') + 1));

  const auto pictures = gorillaPictures();
  std::string script;
  for (const auto& p : pictures) script += p.steps + "save-picture " + p.name + ".json\n";
  varnok::testkit::writeFile(dir / "session.vks", script);
  int status = 0;
  std::string out =
      varnok::testkit::commandOutput(varnok::testkit::scriptCommand(dir), &status);
  ASSERT_EQ(status, 0) << out;
  // Every step drew without complaint; the one message box says the
  // reference was read.
  const std::string loaded = "[msgbox Reference Loaded]";
  EXPECT_NE(out.find(loaded), std::string::npos) << out;
  EXPECT_EQ(out.replace(out.find(loaded), loaded.size(), "").find("[msgbox"), std::string::npos)
      << out;
  EXPECT_EQ(readFile(dir / "stderr.txt"), "");
  for (const auto& p : pictures) {
    SCOPED_TRACE(p.name);
    ASSERT_TRUE(fs::exists(dir / (p.name + ".json")));
    varnok::testkit::expectPlotDataSnapshot(readFile(dir / (p.name + ".json")), p.name);
  }
}

}  // namespace

// The controls of the window that the score plot, the markers and the
// deformation pictures read, added to an in-memory window with the values a
// fresh window shows (axes 1 and 2, baseline 1 to 5, reference angle 25),
// and the gorilla skulls copied into the test's folder.
#pragma once

#include <filesystem>
#include <utility>

#include "platform/window/in_memory_window.hpp"

namespace varnok::testkit {

inline void addPictureControls(window::InMemoryWindow& win, const std::filesystem::path& dir) {
  std::filesystem::copy_file(std::filesystem::path(VARNOK_DATA_DIR) / "gorilla.txt",
                             dir / "gorilla.txt");
  for (const char* tag : {"FileBox", "GroupBox", "LoadReference", "XBoxExp", "YBoxExp",
                          "VarianceBox", "LMNumberBox", "NumberButton"})
    win.add(tag);
  for (auto [tag, text] : {std::pair{"XBox", "1"},
                           {"YBox", "2"},
                           {"ShowBox", "1"},
                           {"BaseBox1", "1"},
                           {"BaseBox2", "5"},
                           {"ExagerationBox", "0.1"},
                           {"MarkerScaleBox", "1"},
                           {"RangeBox", "1"},
                           {"RefAngleBox", "25"}})
    win.add(tag).set("String", text);
  for (auto [tag, value] : {std::pair{"DeFormat", 1.0},
                            {"GridTrimButton", 0.0},
                            {"MarkerSuperList", 3.0},
                            {"PCALabel", 0.0},
                            {"CentroidButton", 0.0},
                            {"AxisOnePos", 1.0},
                            {"AxisTwoPos", 1.0}})
    win.add(tag).set("Value", value);
}

// The controls the loading and analysis actions read, empty, with the
// reference angle 0.
inline void addAnalysisControls(window::InMemoryWindow& win) {
  for (const char* tag :
       {"FileBox", "GroupBox", "LoadGroup", "NoLoadGroup", "LoadReference", "XBox", "YBox",
        "XBoxExp", "YBoxExp", "RestrictBox", "PCALimit", "ShowBox", "VarianceBox", "PCALabel",
        "CentroidButton", "AxisOnePos", "AxisTwoPos", "BWButton"})
    win.add(tag);
  win.add("RefAngleBox").set("String", "0");
}

}  // namespace varnok::testkit

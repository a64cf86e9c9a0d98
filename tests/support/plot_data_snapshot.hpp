// Plot-data snapshots: a picture's plot data compared with a stored copy.
//
// The stored copies in tests/snapshots/ are the plot data of every kind of
// picture, taken from a build known to be right. A change that should not
// alter any picture (a new structure for the code that draws, a faster
// renderer) must leave them all equal: same objects in the same order, the
// same texts and styles, and coordinates equal to within rounding (relative
// 1e-12), so that reordered arithmetic passes and a moved point does not.
//
// Run a test program with VARNOK_UPDATE_SNAPSHOTS=1 to write the stored
// copies from the current build instead of comparing; do that only for a
// change that is meant to alter pictures, and say so in its commit.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>

namespace varnok::testkit {

inline std::filesystem::path snapshotPath(const std::string& name) {
  return std::filesystem::path(VARNOK_SOURCE_DIR) / "tests" / "snapshots" / (name + ".json");
}

// The first place where a and b differ, as a JSON pointer with both values;
// empty when they agree.
inline std::string firstPlotDataDifference(const nlohmann::ordered_json& a,
                                           const nlohmann::ordered_json& b,
                                           const std::string& at = "") {
  auto show = [](const nlohmann::ordered_json& j) {
    std::string s = j.dump();
    return s.size() > 80 ? s.substr(0, 80) + "..." : s;
  };
  auto differ = [&] { return (at.empty() ? "/" : at) + ": " + show(a) + " against " + show(b); };
  if (a.is_number() && b.is_number()) {
    const double x = a.get<double>(), y = b.get<double>();
    const double scale = std::max({1.0, std::abs(x), std::abs(y)});
    return x == y || std::abs(x - y) <= 1e-12 * scale ? "" : differ();
  }
  if (a.type() != b.type()) return differ();
  if (a.is_array()) {
    if (a.size() != b.size())
      return (at.empty() ? "/" : at) + ": " + std::to_string(a.size()) + " entries against " +
             std::to_string(b.size());
    for (size_t i = 0; i < a.size(); ++i) {
      std::string d = firstPlotDataDifference(a[i], b[i], at + "/" + std::to_string(i));
      if (!d.empty()) return d;
    }
    return "";
  }
  if (a.is_object()) {
    std::string ka, kb;
    for (const auto& [k, v] : a.items()) ka += k + " ";
    for (const auto& [k, v] : b.items()) kb += k + " ";
    if (ka != kb) return (at.empty() ? "/" : at) + ": keys " + ka + "against " + kb;
    for (const auto& [k, v] : a.items()) {
      std::string d = firstPlotDataDifference(v, b[k], at + "/" + k);
      if (!d.empty()) return d;
    }
    return "";
  }
  return a == b ? "" : differ();
}

// Compares the plot data `json` with the stored copy `name` (or stores it).
inline void expectPlotDataSnapshot(const std::string& json, const std::string& name) {
  nlohmann::ordered_json actual;
  try {
    actual = nlohmann::ordered_json::parse(json);
  } catch (const std::exception& e) {
    ADD_FAILURE() << name << ": the plot data is not JSON: " << e.what();
    return;
  }
  const auto path = snapshotPath(name);
  if (std::getenv("VARNOK_UPDATE_SNAPSHOTS") != nullptr) {
    std::ofstream(path, std::ios::binary) << actual.dump() << "\n";
    return;
  }
  std::ifstream in(path, std::ios::binary);
  ASSERT_TRUE(in) << "no stored plot data " << path;
  std::stringstream text;
  text << in.rdbuf();
  const auto stored = nlohmann::ordered_json::parse(text.str());
  EXPECT_EQ(firstPlotDataDifference(actual, stored), "")
      << name << " differs from " << path << " (this build against the stored copy)";
}

}  // namespace varnok::testkit

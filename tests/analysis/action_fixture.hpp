// A dispatcher context on an in-memory window, run in a scratch folder that
// is the working directory while a test runs.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/window/in_memory_window.hpp"
#include "shell/action_context.hpp"
#include "shell/shell.hpp"

namespace varnok::analysis::actiontest {

namespace fs = std::filesystem;

class ActionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    home_ = fs::current_path();
    dir_ = fs::temp_directory_path() /
           ("varnok_analysis_" + std::to_string(::getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_ / "start");
    fs::create_directories(dir_ / "out");
    fs::current_path(dir_ / "start");
  }
  void TearDown() override {
    fs::current_path(home_);
    fs::remove_all(dir_);
  }

  // The next save dialog answers with name in folder (a cancel when name is
  // not given).
  void answer(const std::string& name, const fs::path& folder) {
    win_.answers.files.push_back(window::FileChoice{name, folder.string() + "/"});
  }
  void answerOut(const std::string& name) { answer(name, dir_ / "out"); }
  void cancel() { win_.answers.files.push_back(std::nullopt); }

  static std::string read(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  }
  static void write(const fs::path& p, const std::string& text) {
    std::ofstream(p, std::ios::binary) << text;
  }
  std::string out(const std::string& name) const { return read(dir_ / "out" / name); }
  // Names of the files in a folder (temporary files included).
  static std::vector<std::string> filesIn(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename());
    return names;
  }

  fs::path home_, dir_;
  window::InMemoryWindow win_;
  Console console_{nullptr, true};
  shell::Shell shell_{console_, [this]() -> window::Window& { return win_; }};
  shell::AnalysisState state_;
  shell::ActionContext ctx_{state_, win_, console_, shell_, std::nullopt};
};

}  // namespace varnok::analysis::actiontest

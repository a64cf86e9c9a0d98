// The shared test fixture: a shell on an in-memory window, with a scratch
// folder of its own that is the session's current folder.
//
// Nothing here changes the process's working directory, so test programs can
// run side by side (ctest -j) and in any folder.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/window/in_memory_window.hpp"
#include "session/action_context.hpp"
#include "shell/shell.hpp"

namespace varnok::testkit {

namespace fs = std::filesystem;

// A fresh empty folder for one test, removed when the object goes.
class ScratchFolder {
 public:
  ScratchFolder() {
    static std::atomic<int> counter{0};
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = info != nullptr ? info->name() : "none";
    for (char& c : name)
      if (c == '/') c = '_';
    path_ = fs::temp_directory_path() /
            ("varnok_" + std::to_string(::getpid()) + "_" + std::to_string(counter++) + "_" + name);
    fs::remove_all(path_);
    fs::create_directories(path_);
  }
  ~ScratchFolder() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const fs::path& path() const { return path_; }
  fs::path operator/(const fs::path& rel) const { return path_ / rel; }

 private:
  fs::path path_;
};

inline std::string readFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}
inline void writeFile(const fs::path& p, const std::string& text) {
  std::ofstream(p, std::ios::binary) << text;
}
// Names of the files in a folder (temporary files included).
inline std::vector<std::string> filesIn(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename());
  return names;
}
// path as a folder string the dialogs return (ending with a separator).
inline std::string folderString(const fs::path& p) {
  std::string s = p.string();
  if (s.empty() || s.back() != '/') s += '/';
  return s;
}

// A shell on an in-memory window whose session starts in the scratch folder's
// "start" subfolder; "out" is there for saves.
class SessionTest : public ::testing::Test {
 protected:
  SessionTest() {
    fs::create_directories(dir_ / "start");
    fs::create_directories(dir_ / "out");
    shell_.session().folder = folderString(dir_ / "start");
  }

  // The next file dialog answers with name in folder.
  void answer(const std::string& name, const fs::path& folder) {
    win_.answers.files.push_back(window::FileChoice{name, folderString(folder)});
  }
  void answerOut(const std::string& name) { answer(name, dir_ / "out"); }
  void cancel() { win_.answers.files.push_back(std::nullopt); }

  static std::string read(const fs::path& p) { return readFile(p); }
  static void write(const fs::path& p, const std::string& text) { writeFile(p, text); }
  std::string out(const std::string& name) const { return read(dir_ / "out" / name); }
  fs::path folder() { return fs::path(shell_.session().folder); }

  ScratchFolder scratch_;
  const fs::path dir_ = scratch_.path();
  window::InMemoryWindow win_;
  Console console_{nullptr, true};
  shell::Shell shell_{console_, [this]() -> window::Window& { return win_; }};
  session::AnalysisState& state_ = shell_.state();
  session::ActionContext ctx_{shell_.session(), shell_.state(), win_, console_,
                              noProgress(),     std::nullopt,   {}};
};

}  // namespace varnok::testkit

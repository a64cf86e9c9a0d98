// What the fuzz targets share: a session of the program on an in-memory
// window, and a scratch folder holding the files its actions read.
//
// Each target first hands the input to the reader as a stream, then, when
// the reader accepts it, lets the program's own action load the same bytes
// from a file and use them (analysis, plots), as a user's session would.
#pragma once

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>

#include "io/dload.hpp"
#include "platform/matrix/console.hpp"
#include "platform/window/in_memory_window.hpp"
#include "shell/shell.hpp"

namespace varnok::fuzz {

namespace fs = std::filesystem;

// Six specimens of four landmarks and a group list of three groups: the data
// the targets that fuzz a second file analyse.
inline constexpr std::string_view kData =
    "0 0 10 0 10 10 0 10 14.1\n"
    "1 0 11 1 10 12 0 9 14.8\n"
    "0 1 9 0 11 10 1 11 14.0\n"
    "5 5 15 6 14 15 4 14 13.9\n"
    "-2 0 8 -1 9 9 -1 10 14.5\n"
    "3 3 13 2 14 13 2 12 14.2\n";
inline constexpr std::string_view kGroups = "1\n1\n2\n2\n3\n3\n";

// The scratch folder of this process, made on first use in the temporary
// folder and removed when the process ends normally.
inline const fs::path& scratch() {
  struct Folder {
    fs::path path = fs::temp_directory_path() / ("varnok-fuzz-" + std::to_string(::getpid()));
    Folder() { fs::create_directories(path); }
    ~Folder() {
      std::error_code ec;
      fs::remove_all(path, ec);
    }
  };
  static const Folder folder;
  return folder.path;
}

inline void writeFile(const std::string& name, std::string_view bytes) {
  std::ofstream out(scratch() / name, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string_view asText(const std::uint8_t* data, std::size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

// The reader proper: the bytes as a stream. A refused file is a result; any
// other exception escapes and is reported by the fuzzer.
inline bool readerAccepts(std::string_view bytes, Mat* out = nullptr) {
  std::istringstream in{std::string(bytes)};
  try {
    Mat m = io::readNumeric(in, "fuzz.txt");
    if (out != nullptr) *out = std::move(m);
    return true;
  } catch (const io::DataFileError&) {
    return false;
  }
}

// A fresh program: the window's controls the loading and analysis actions
// use, a console that keeps nothing, and the dispatcher.
class Session {
 public:
  Session() {
    for (const char* tag :
         {"FileBox", "GroupBox", "LoadGroup", "NoLoadGroup", "LoadReference", "XBox", "YBox",
          "XBoxExp", "YBoxExp", "RestrictBox", "PCALimit", "ShowBox", "VarianceBox", "PCALabel",
          "CentroidButton", "AxisOnePos", "AxisTwoPos", "BWButton"})
      win_.add(tag);
    win_.add("RefAngleBox").set("String", "0");
    win_.control("AxisOnePos").set("Value", 1.0);
    win_.control("AxisTwoPos").set("Value", 1.0);
  }

  // Runs a callback; an action that stops must do so with the program's own
  // message. A message from the standard library (an index out of range, a
  // failed allocation) means a check is missing: that is reported as a crash.
  void act(const std::string& action) {
    if (shell_.runCallback("Varnoksw('" + action + "')")) return;
    const std::string& why = win_.statusText;
    if (why.find("::") != std::string::npos || why.find("bad_alloc") != std::string::npos ||
        why.find("std::") != std::string::npos) {
      std::fprintf(stderr, "%s stopped with a library error: %s\n", action.c_str(), why.c_str());
      std::abort();
    }
  }
  // Answers the next file dialog with a file of the scratch folder, then runs
  // the action.
  void load(const std::string& action, const std::string& file) {
    win_.answers.files.push_back(window::FileChoice{file, scratch().string() + "/"});
    act(action);
  }
  session::AnalysisState& state() { return shell_.state(); }
  window::InMemoryWindow& window() { return win_; }

 private:
  window::InMemoryWindow win_;
  Console console_{nullptr, false};
  shell::Shell shell_{console_, [this]() -> window::Window& { return win_; }};
};

}  // namespace varnok::fuzz

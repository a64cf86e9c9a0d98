// A test that runs the program in script mode in a scratch folder holding
// the bundled examples' data files.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "support/run_command.hpp"
#include "support/session_fixture.hpp"

namespace varnok::testkit {

class ScriptFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* f :
         {"gorilla.txt", "gorilla_groups.txt", "mice.txt", "mice_groups.txt", "digit3.txt"})
      std::filesystem::copy_file(std::filesystem::path(VARNOK_DATA_DIR) / f, dir_ / f);
  }

  // Runs a script; returns standard output, and the exit status in *status.
  std::string run(const std::string& script, int* status = nullptr) {
    { std::ofstream(dir_ / "session.vks") << script; }
    return commandOutput(scriptCommand(dir_), status);
  }
  // A file of the folder, byte for byte.
  std::string read(const std::string& name) { return readFile(dir_ / name); }

  ScratchFolder scratch_;
  const std::filesystem::path dir_ = scratch_.path();
};

}  // namespace varnok::testkit

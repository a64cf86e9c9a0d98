// End-to-end: the real program in script mode on the bundled data.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

namespace fs = std::filesystem;

class ScriptMode : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           (std::string("varnok_e2e_") +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    for (const char* f : {"gorilla.txt", "mice.txt", "digit3.txt"})
      fs::copy_file(fs::path(VARNOK_DATA_DIR) / f, dir_ / f);
  }
  void TearDown() override { fs::remove_all(dir_); }

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

  fs::path dir_;
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

TEST_F(ScriptMode, UnansweredDialogIsCancelled) {
  int status = -1;
  std::string out = run("Varnoksw('LoadData')\nprint FileBox String\n", &status);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(out.find("[msgbox"), std::string::npos) << out;
  EXPECT_NE(read("stderr.txt").find("cancel"), std::string::npos);
}

}  // namespace

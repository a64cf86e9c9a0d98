// End-to-end: the command line of the real program.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>

#include "support/run_command.hpp"
#include "support/session_fixture.hpp"

namespace {

struct Result {
  int status = -1;
  std::string out;  // standard output and standard error
};

// Runs varnok with the arguments, without a display unless env gives a platform.
Result varnok(const std::string& args, const std::string& env = "") {
  const std::string cmd = "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM " + env + " '" +
                          VARNOK_BINARY_DIR "/varnok' " + args + " 2>&1";
  Result r;
  int rc = 0;
  r.out = varnok::testkit::commandOutput(cmd, &rc);
  r.status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
  return r;
}

// The version of the CMake project.
std::string projectVersion() {
  std::ifstream in(VARNOK_SOURCE_DIR "/CMakeLists.txt");
  std::stringstream ss;
  ss << in.rdbuf();
  std::smatch m;
  const std::string text = ss.str();
  if (!std::regex_search(text, m, std::regex(R"(project\(varnok VERSION ([0-9.]+))"))) return "?";
  return m[1];
}

TEST(CommandLine, HelpAndVersionNeedNoDisplayAndExitZero) {
  const Result help = varnok("--help");
  EXPECT_EQ(help.status, 0) << help.out;
  EXPECT_EQ(help.out.rfind("Usage: varnok [--script FILE] [--help] [--version] [FILE | ROUTINE", 0),
            0u)
      << help.out;
  for (const char* option : {"--script <FILE>", "--help", "--version"})
    EXPECT_NE(help.out.find(option), std::string::npos) << option;

  const Result version = varnok("--version");
  EXPECT_EQ(version.status, 0) << version.out;
  EXPECT_EQ(version.out, "varnok " + projectVersion() + "\n");
}

TEST(CommandLine, ScriptsAndRoutineNamesWorkAsBefore) {
  // --script without its file, or with more than it, is refused with the usage.
  for (const char* args : {"--script", "--script a.vks b"}) {
    const Result r = varnok(args);
    EXPECT_EQ(r.status, 2) << args;
    EXPECT_EQ(r.out, "usage: varnok --script FILE\n") << args;
  }
  // A routine name calls that routine with the words after it, whatever
  // they look like; one that opens no window ends the program.
  const Result sub = varnok("pushbutton4_Callback --help", "QT_QPA_PLATFORM=offscreen");
  EXPECT_EQ(sub.status, 0) << sub.out;
  EXPECT_NE(sub.out.find("pushbutton4 Callback not implemented yet.\n"), std::string::npos)
      << sub.out;
  // A command of the window's own is no routine.
  const Result quit = varnok("Quit", "QT_QPA_PLATFORM=offscreen");
  EXPECT_NE(quit.out.find("Run-time Error: Undefined function or variable \"Quit\"."),
            std::string::npos)
      << quit.out;
}

TEST(CommandLine, AFileGivenToTheWindowIsLoadedAsLoadDataWould) {
  // What a desktop does with a double-clicked TPS file: `varnok FILE` from
  // some other folder. The window has loaded it when its settings (kept in
  // the scratch folder, not the user's) name it as the last data file
  // loaded, which only a load that succeeded does; the window then stays
  // open, so the test ends it.
  varnok::testkit::ScratchFolder scratch;
  const auto data = scratch / "data" / "three.tps";
  std::filesystem::create_directories(data.parent_path());
  varnok::testkit::writeFile(data,
                             "LM=3\n0 0\n1 0\n0 1\nID=a\n"
                             "LM=3\n0 0\n1.1 0\n0 1\nID=b\n"
                             "LM=3\n0 0.1\n1 0\n0 0.9\nID=c\n");
  const std::string conf = (scratch / "config" / "Varnok" / "Varnok.conf").string();
  const std::string cmd = "cd '" + scratch.path().string() +
                          "' && { env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=offscreen "
                          "XDG_CONFIG_HOME=config HOME=. '" VARNOK_BINARY_DIR
                          "/varnok' data/three.tps >out.txt 2>&1 & pid=$!; "
                          "for i in $(seq 300); do grep -qs three.tps '" +
                          conf + "' && break; sleep 0.05; done; kill $pid; wait $pid; cat '" +
                          conf + "'; }";
  const std::string settings = varnok::testkit::commandOutput(cmd);
  EXPECT_NE(settings.find("recentFiles=" + data.string()), std::string::npos)
      << settings << varnok::testkit::readFile(scratch / "out.txt");

  // Words after a file are refused before anything opens.
  const Result extra = varnok("a.tps b.tps", "QT_QPA_PLATFORM=offscreen");
  EXPECT_EQ(extra.status, 2) << extra.out;
  EXPECT_NE(extra.out.find("varnok: open one file at a time, with nothing after it: a.tps b.tps\n"),
            std::string::npos)
      << extra.out;
}

}  // namespace

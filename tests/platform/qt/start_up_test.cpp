// How the program starts: what the words of its command line ask for, and
// where it finds its layout whether it runs from the build tree or installed.
#include <gtest/gtest.h>

#include <QString>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "platform/qt/command_line.hpp"
#include "platform/qt/qt_window.hpp"
#include "support/session_fixture.hpp"

namespace varnok::qt {
namespace {

namespace fs = std::filesystem;
using Kind = StartRequest::Kind;

// The decision with the files that "exist" given.
StartRequest decide(const std::vector<std::string>& words, std::set<std::string> existing = {}) {
  return startRequest(words, [&existing](const std::string& p) { return existing.count(p) > 0; });
}

TEST(StartRequest, FilesAreOpenedInTheWindowAndEverythingElseIsARoutine) {
  EXPECT_EQ(decide({}).kind, Kind::Window);

  // Known extensions decide without looking at the disk, in any case, so a
  // missing file is reported by the load rather than taken for a routine.
  for (const char* data : {"skulls.tps", "SKULLS.TPS", "dir.v2/wings.nts", "gorilla.txt"}) {
    const StartRequest r = decide({data});
    EXPECT_EQ(r.kind, Kind::DataFile) << data;
    EXPECT_EQ(r.file, data);
  }
  EXPECT_EQ(decide({"/tmp/study.vks"}).kind, Kind::SessionScript);
  EXPECT_EQ(decide({"Study.VKS"}).kind, Kind::SessionScript);

  // Any other existing file is data (LoadData tells the formats by content);
  // the folder's dot is no extension, nor is a hidden file's leading dot.
  EXPECT_EQ(decide({"wings.dat"}, {"wings.dat"}).kind, Kind::DataFile);
  EXPECT_EQ(decide({"data.d/wings"}, {"data.d/wings"}).kind, Kind::DataFile);
  EXPECT_EQ(decide({"data.d/ShowPCAAxis"}).kind, Kind::Routine);
  EXPECT_EQ(decide({".vks"}).kind, Kind::Routine);

  // A routine keeps every word after its name, files and options included.
  const StartRequest routine = decide({"pushbutton4_Callback", "gorilla.txt", "--help"});
  EXPECT_EQ(routine.kind, Kind::Routine);
  EXPECT_TRUE(routine.file.empty());

  // A file comes alone: what would the words after it be for?
  EXPECT_EQ(decide({"a.tps", "b.tps"}).kind, Kind::TooManyWords);
  EXPECT_EQ(decide({"notes", "x"}, {"notes"}).kind, Kind::TooManyWords);
}

TEST(StartUp, TheLayoutIsFoundBesideTheProgramOrWhereItIsInstalled) {
  testkit::ScratchFolder scratch;
  fs::create_directories(scratch / "bin");
  fs::create_directories(scratch / "share" / "varnok");
  const QString bin = QString::fromStdString((scratch / "bin").string());
  // Nowhere on disk: the compiled-in copy, a resource path.
  EXPECT_EQ(layoutFileFor(bin).rfind(":/", 0), 0u) << layoutFileFor(bin);
  testkit::writeFile(scratch / "share" / "varnok" / "Varnok6p.ui", "<ui/>\n");
  EXPECT_EQ(layoutFileFor(bin), (scratch / "share" / "varnok" / "Varnok6p.ui").string());
  // A copy beside the program wins, so an edited layout can be tried.
  testkit::writeFile(scratch / "bin" / "Varnok6p.ui", "<ui/>\n");
  EXPECT_EQ(layoutFileFor(bin), (scratch / "bin" / "Varnok6p.ui").string());
}

}  // namespace
}  // namespace varnok::qt

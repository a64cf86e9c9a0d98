// Script files: the parser of a session's steps.
#include "platform/window/script_parser.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "shell/callback.hpp"

namespace varnok::window {
namespace {

namespace fs = std::filesystem;

bool parses(std::string_view text, std::string* why) {
  return shell::parseCallback(text, why).has_value();
}

std::variant<std::vector<ScriptStep>, ScriptError> parse(const std::string& text,
                                                         const fs::path& folder = "/data/run") {
  std::istringstream in(text);
  return parseScript(in, folder, parses);
}

std::vector<ScriptStep> steps(const std::string& text) {
  auto r = parse(text);
  if (auto* e = std::get_if<ScriptError>(&r)) {
    ADD_FAILURE() << "line " << e->line << ": " << e->message;
    return {};
  }
  return std::get<std::vector<ScriptStep>>(r);
}

ScriptError error(const std::string& text) {
  auto r = parse(text);
  if (auto* e = std::get_if<ScriptError>(&r)) return *e;
  ADD_FAILURE() << "no error for:\n" << text;
  return {};
}

TEST(ScriptParsing, ReadsEveryKindOfStep) {
  const auto s = steps(
      "# a whole session\n"
      "answer file tarvish.txt\n"
      "Varnoksw('LoadData')\n"
      "\n"
      "   answer input 30\n"
      "answer click 0.5 -1.25 3\n"
      "answer click 1 2\n"
      "answer cancel\n"
      "set RestrictBox String 10\n"
      "set PCALimit Value 1\n"
      "print FileBox String\n"
      "save-picture out/plot.svg\n"
      "incrementsymbolsize(gca,-1)\n");
  ASSERT_EQ(s.size(), 11u);
  EXPECT_EQ(s[0].kind, ScriptStep::Kind::Answer);
  EXPECT_EQ(s[0].answer.kind, ScriptAnswer::Kind::File);
  EXPECT_EQ(s[0].answer.text, "/data/run/tarvish.txt");
  EXPECT_EQ(s[0].line, 2);
  EXPECT_EQ(s[1].kind, ScriptStep::Kind::Callback);
  EXPECT_EQ(s[1].text, "Varnoksw('LoadData')");
  EXPECT_EQ(s[2].answer.kind, ScriptAnswer::Kind::Input);
  EXPECT_EQ(s[2].answer.text, "30");
  EXPECT_EQ(s[2].line, 5);
  EXPECT_EQ(s[3].answer.click.x, 0.5);
  EXPECT_EQ(s[3].answer.click.y, -1.25);
  EXPECT_EQ(s[3].answer.click.button, 3);
  EXPECT_EQ(s[4].answer.click.button, 1);
  EXPECT_EQ(s[5].answer.kind, ScriptAnswer::Kind::Cancel);
  EXPECT_EQ(s[6].kind, ScriptStep::Kind::Set);
  EXPECT_EQ(s[6].tag, "RestrictBox");
  EXPECT_EQ(s[6].value.text(), "10");
  EXPECT_TRUE(s[7].value.isMatrix());
  EXPECT_EQ(s[7].value.scalar(), 1);
  EXPECT_EQ(s[8].kind, ScriptStep::Kind::Print);
  EXPECT_EQ(s[9].kind, ScriptStep::Kind::SavePicture);
  EXPECT_EQ(s[9].text, "/data/run/out/plot.svg");
  EXPECT_EQ(s[10].text, "incrementsymbolsize(gca,-1)");
}

TEST(ScriptParsing, TextValuesAreTheRestOfTheLine) {
  const auto s = steps(
      "set FileBox String two  blanks and a tab\tinside   \n"
      "set XBox String\n"
      "answer input   Reference Rotation  \n"
      "answer file /abs/path with blank.txt\r\n");
  ASSERT_EQ(s.size(), 4u);
  EXPECT_EQ(s[0].value.text(), "two  blanks and a tab\tinside");
  EXPECT_EQ(s[1].value.text(), "");
  EXPECT_EQ(s[2].answer.text, "Reference Rotation");
  EXPECT_EQ(s[3].answer.text, "/abs/path with blank.txt");
}

TEST(ScriptParsing, BadLinesAreNamedByTheirNumber) {
  EXPECT_EQ(error("# ok\nanswer maybe\n").line, 2);
  EXPECT_EQ(error("answer click 1\n").line, 1);
  EXPECT_EQ(error("answer click 1 2 right\n").line, 1);
  EXPECT_EQ(error("answer click 1 2 0\n").line, 1);
  EXPECT_EQ(error("answer click inf 2\n").line, 1);
  EXPECT_EQ(error("answer click 1 nan 1\n").line, 1);
  EXPECT_EQ(error("answer click 1 2 1e300\n").line, 1);
  EXPECT_EQ(error("answer click 1 2 nan\n").line, 1);
  EXPECT_EQ(error("answer click 1 2 2.5\n").line, 1);
  EXPECT_EQ(error("answer cancel now\n").line, 1);
  EXPECT_EQ(error("answer file\n").line, 1);
  EXPECT_EQ(error("\n\nset XBox\n").line, 3);
  EXPECT_EQ(error("set PCALimit Value yes\n").line, 1);
  EXPECT_EQ(error("print FileBox\n").line, 1);
  EXPECT_EQ(error("print FileBox String extra\n").line, 1);
  EXPECT_EQ(error("save-picture plot.gif\n").line, 1);
  EXPECT_NE(error("save-picture plot.gif\n").message.find(".json"), std::string::npos);
  EXPECT_EQ(error("save-picture\n").line, 1);
  const ScriptError e = error("Varnoksw('LoadData')\nVarnoksw('LoadData'\n");
  EXPECT_EQ(e.line, 2);
  EXPECT_NE(e.message.find("Varnoksw('LoadData'"), std::string::npos) << e.message;
}

TEST(ScriptParsing, SavePictureTakesASizeAndAResolution) {
  using graphics::PictureSize;
  using graphics::SizeUnit;
  const auto s = steps(
      "save-picture fig.png 85x60mm 300\n"
      "save-picture fig.png 1200x900\n"
      "save-picture fig.pdf 150\n"
      "save-picture my figures/fig one.svg\n"
      "save-picture my figures/fig one.png 1200x900px 600\n"
      "save-picture plain.eps\n");
  ASSERT_EQ(s.size(), 6u);
  EXPECT_EQ(s[0].text, "/data/run/fig.png");
  EXPECT_EQ(s[0].pictureSize, (PictureSize{85, 60, SizeUnit::Millimetres}));
  EXPECT_EQ(s[0].dpi, 300);
  EXPECT_EQ(s[1].pictureSize, (PictureSize{1200, 900, SizeUnit::Pixels}));
  EXPECT_FALSE(s[1].dpi);
  EXPECT_FALSE(s[2].pictureSize);
  EXPECT_EQ(s[2].dpi, 150);
  // Paths may hold blanks, with or without a size after them.
  EXPECT_EQ(s[3].text, "/data/run/my figures/fig one.svg");
  EXPECT_FALSE(s[3].pictureSize);
  EXPECT_EQ(s[4].text, "/data/run/my figures/fig one.png");
  EXPECT_EQ(s[4].pictureSize, (PictureSize{1200, 900, SizeUnit::Pixels}));
  EXPECT_EQ(s[4].dpi, 600);
  EXPECT_FALSE(s[5].pictureSize);
  EXPECT_FALSE(s[5].dpi);
}

TEST(ScriptParsing, SavePictureRefusesSizesAndResolutionsItCannotUse) {
  const auto says = [](const std::string& line, const std::string& part) {
    const ScriptError e = error(line + "\n");
    EXPECT_EQ(e.line, 1) << line;
    EXPECT_NE(e.message.find(part), std::string::npos) << line << ": " << e.message;
  };
  says("save-picture fig.png 85x", "WIDTHxHEIGHT");
  says("save-picture fig.png 0x60mm", "WIDTHxHEIGHT");
  says("save-picture fig.png 85x60cm", "WIDTHxHEIGHT");
  says("save-picture fig.png 85x60mm 5", "from 10 to 4800");
  says("save-picture fig.png 85x60mm dpi", "dots per inch");
  says("save-picture fig.png 300 85x60mm", "optional WIDTHxHEIGHT");
  says("save-picture fig.png 85x60mm 300 extra", "cannot tell the format");
  says("save-picture plot.json 85x60mm", "plot data");
  says("save-picture plot.gif 85x60mm", "cannot tell the format");
}

TEST(ScriptParsing, PlotSizeTakesWholePixels) {
  const auto s = steps("plot-size 812 640\nplot-size 1 10000\n");
  ASSERT_EQ(s.size(), 2u);
  EXPECT_EQ(s[0].kind, ScriptStep::Kind::PlotSize);
  EXPECT_EQ(s[0].width, 812);
  EXPECT_EQ(s[0].height, 640);
  EXPECT_EQ(s[1].height, 10000);
  for (const char* bad : {"plot-size 800\n", "plot-size 800 600 1\n", "plot-size 0 600\n",
                          "plot-size 800.5 600\n", "plot-size 800 10001\n", "plot-size 800 1e300\n",
                          "plot-size nan 600\n", "plot-size wide 600\n"})
    EXPECT_EQ(error(bad).line, 1) << bad;
}

TEST(ScriptParsing, LineEndsAndMarksOfOtherEditors) {
  // CR line ends once made the whole script one comment line: nothing ran
  // and the program ended as if all had gone well.
  for (const char* text : {"# load\rVarnoksw('LoadData')\r\rprint DataBox string\r",
                           "# load\r\nVarnoksw('LoadData')\r\n\r\nprint DataBox string",
                           "\xEF\xBB\xBF# load\nVarnoksw('LoadData')\n\nprint DataBox string\n"}) {
    const auto s = steps(text);
    ASSERT_EQ(s.size(), 2u) << text;
    EXPECT_EQ(s[0].text, "Varnoksw('LoadData')");
    EXPECT_EQ(s[0].line, 2);
    EXPECT_EQ(s[1].kind, ScriptStep::Kind::Print);
    EXPECT_EQ(s[1].line, 4);
  }
  // A byte-order mark is no part of the first line.
  EXPECT_EQ(steps("\xEF\xBB\xBFVarnoksw('LoadData')\n")[0].text, "Varnoksw('LoadData')");
  // UTF-16 is refused as a whole, saying what to do, without its bytes.
  for (const std::string& text :
       {std::string("\xFF\xFE#\0 \0l\0\n\0", 10), std::string("\xFE\xFF\0#\0 \0l\0\n", 10),
        std::string("#\0 \0l\0\n\0", 8)}) {
    const ScriptError e = error(text);
    EXPECT_EQ(e.line, 0);
    EXPECT_NE(e.message.find("save it as UTF-8"), std::string::npos) << e.message;
    for (const char c : e.message) EXPECT_GE(static_cast<unsigned char>(c), 0x20) << e.message;
  }
}

TEST(ScriptParsing, AScriptThatPerformsNothingIsAnError) {
  const fs::path dir = fs::path(::testing::TempDir()) / "varnok_script_nothing";
  fs::create_directories(dir);
  for (const char* text : {"", "# only a comment\n\n   \n", "\xEF\xBB\xBF"}) {
    std::ofstream(dir / "empty.txt", std::ios::binary) << text;
    auto r = readScript(dir / "empty.txt", parses);
    ASSERT_TRUE(std::holds_alternative<ScriptError>(r)) << text;
    EXPECT_NE(std::get<ScriptError>(r).message.find("performs nothing"), std::string::npos);
  }
}

TEST(ScriptParsing, AMissingScriptIsReported) {
  auto r = readScript("/no/such/script.txt", parses);
  ASSERT_TRUE(std::holds_alternative<ScriptError>(r));
  EXPECT_NE(std::get<ScriptError>(r).message.find("/no/such/script.txt"), std::string::npos);
}

TEST(ScriptParsing, RelativePathsAreTakenFromTheScriptsFolder) {
  const fs::path dir = fs::path(::testing::TempDir()) / "varnok_script_dir";
  fs::create_directories(dir);
  {
    std::ofstream out(dir / "session.txt");
    out << "answer file ../data/a.txt\n";
  }
  auto r = readScript(dir / "session.txt", parses);
  ASSERT_TRUE(std::holds_alternative<std::vector<ScriptStep>>(r));
  EXPECT_EQ(std::get<std::vector<ScriptStep>>(r)[0].answer.text,
            (fs::absolute(dir).parent_path() / "data" / "a.txt").lexically_normal().string());
}

}  // namespace
}  // namespace varnok::window

#include "shell/help.hpp"

#include "io/load_data.hpp"
#include "platform/matrix/text.hpp"
#include "style/settings.hpp"

namespace varnok::shell {

const std::vector<std::string>& copyHintLines() {
  static const std::vector<std::string> lines = {"When using the copy to clipboard function",
                                                 "It is not unusual for the copied image to be",
                                                 "missing an edge of the image.  This is due to",
                                                 "an unfortunate interaction of Windows and my",
                                                 "copy routine.  It is fixable by changing the",
                                                 "size of the program window.  Try resetting the",
                                                 "program to the default size (using the button",
                                                 "between the close and minimize buttons on the",
                                                 "upper right corner of the window).  If this",
                                                 "does not work, try various resizings of the",
                                                 "window before copying"};
  return lines;
}

const std::vector<std::string>& fileHintLines() {
  static const std::vector<std::string> lines = {
      "If your data file does not load, check to make",
      "sure it is in a valid Ostrel file format, that is",
      "in the X1Y1...CS format from the Ostrel Pindrow",
      "Program.",
      "Errors in the group file are often due to the ",
      "presence of excess line feeds at the end of the ",
      "group file.  The program allows one and only",
      "one line feed after the last code in the file.",
      "Check your file format using NotePad or ",
      "WordPad"};
  return lines;
}

const std::vector<std::string>& manualHintLines() {
  static const std::vector<std::string> lines = {"There is a manual in the Adobe",
                                                 "PDF file format.  The manual was included",
                                                 "in the self-extracting zip file the program",
                                                 "came in and is named VarnokMan.pdf",
                                                 "There are example files, named ",
                                                 "Tarvish.txt and Tarvishgrp.txt ",
                                                 "that may be loaded into the program",
                                                 "or examined using a text editor"};
  return lines;
}

namespace {

void showLines(session::ActionContext& ctx, const std::vector<std::string>& lines,
               const graphics::Limits& limits) {
  auto& ax = ctx.window.figure().axes();
  ax.cla();
  ax.setLimits(limits);
  double y = 10;
  for (const auto& line : lines) {
    ax.text(1, y, sprintf(line));
    y -= 1;
  }
}

}  // namespace

void CopyHints(session::ActionContext& ctx) {
  showLines(ctx, copyHintLines(), {0, 16, -2, 12});
}
void FileHints(session::ActionContext& ctx) {
  showLines(ctx, fileHintLines(), {-2, 16, -2, 12});
}
void ManualHint(session::ActionContext& ctx) {
  showLines(ctx, manualHintLines(), {-2, 16, -2, 12});
}

void ClearData(session::ActionContext& ctx) {
  io::clearDerivedViews(ctx.window);
  auto& s = ctx.state;
  s.DATA = Mat();
  s.PCAScores = Mat();
  s.pwscores = Mat();
  s.GLIST = Mat();
  s.Vmatrix = Mat();
  s.Dmatrix = Mat();
  s.percentexp = Mat();
  s.NumPCA.reset();
  s.reference = Mat();
  s.altcode = 0;
  ctx.session.specimenIds.clear();
  ctx.session.forgetLoadedData();
  ctx.session.statistics.reset();
  ctx.window.control("FileBox").set("String", "No File Loaded");
  ctx.window.control("GroupBox").set("String", "No File Loaded");
  // The black-and-white switch goes back to the default symbols with altcode.
  style::showDisplaySettings(ctx.window, s);
}

}  // namespace varnok::shell

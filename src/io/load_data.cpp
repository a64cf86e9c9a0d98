#include "io/load_data.hpp"

#include "io/curves.hpp"
#include "io/landmark_file.hpp"
#include "io/links.hpp"
#include "io/mfload.hpp"
#include "platform/matrix/text.hpp"
#include "style/settings.hpp"

namespace varnok::io {

void clearDerivedViews(window::Window& w) {
  w.figure().axes().cla();
  for (const char* tag : {"XBoxExp", "YBoxExp", "GroupBox"})
    for (window::Control* c : w.findobj(tag)) c->set("String", "");
}

void LoadData(session::ActionContext& ctx) {
  LandmarkFile read;
  const TpsOptions tps{.readCurves = ctx.session.sliding.readCurves};
  auto file = loadForAction(ctx, kLandmarkFilter,
                            [&read, &tps](const std::string& path, const std::string& name) {
                              read = readLandmarkFile(path, name, tps);
                              NumericText t;
                              t.data = std::move(read.data);
                              t.stopLine = read.stopLine;
                              t.unreadLines = read.unreadLines;
                              return t;
                            });
  if (!file) return;
  if (file->data.size() == 0) {
    ctx.window.dialogs().warn("The file " + file->name + " holds no landmark data.",
                              kLoadErrorTitle);
    return;
  }
  auto& s = ctx.state;
  s.DATA = std::move(file->data);
  ctx.session.specimenIds = std::move(read.ids);
  // A new data file starts without the choices made on the last one.
  ctx.session.forgetLoadedData();
  ctx.session.keepLoadedData(s.DATA);
  ctx.session.loadedIds = ctx.session.specimenIds;
  // Names of the groups of another data set would label these groups wrongly.
  ctx.session.groupNames.clear();
  ctx.session.dataFile = file->path;
  // The curves of this file, if any, say which points slide (a sliders file
  // of the earlier data was forgotten with it).
  for (long long first = read.landmarks; const TpsCurve& c : read.curves) {
    ctx.session.curves.push_back({first, c.points, c.closed});
    first += c.points;
  }
  ++ctx.session.dataLoads;
  keepLinksFor(ctx.session, static_cast<long long>(s.DATA->cols() - 1) / 2);
  // The results of an earlier analysis belong to the earlier data: saving or
  // plotting them now would pass them off as this file's.
  s.GLIST = Mat();
  s.reference = Mat();
  s.pwscores = Mat();
  s.Vmatrix = Mat();
  s.Dmatrix = Mat();
  s.percentexp = Mat();
  s.PCAScores = Mat();
  s.NumPCA.reset();
  clearDerivedViews(ctx.window);
  ctx.session.statistics.reset();
  const double m = static_cast<double>(s.DATA->rows());
  const double n = static_cast<double>(s.DATA->cols());
  std::string box =
      sprintf("File: %s \n %3.0f Specimens \n %3.0f Landmarks", {file->name, m, (n - 1) / 2});
  box += curvesBoxLine(ctx.session);
  ctx.window.control("FileBox").set("String", box);

  s.ColorList = session::defaultColorList();
  s.vplotdensity = 20;
  s.vlinewidth = 1.5;
  s.vlineformat1 = "k-";
  s.vrefsymbol = "ko";
  s.vaheads = 1;
  s.defangle = 10;
  s.marker1x = s.marker2x = s.marker1y = s.marker2y = 0;
  s.referencetype = 0;
  style::showDisplaySettings(ctx.window, s);

  for (const char* tag : {"LoadGroup", "NoLoadGroup", "LoadReference"})
    ctx.window.setAll(tag, "Enable", "On");

  // A symbol table chosen before (black-and-white or loaded) stays in use.
  if (!s.altcode || *s.altcode != 1) s.altcode = 0;

  for (const auto& note : read.notes) ctx.console.line(note);
}

}  // namespace varnok::io

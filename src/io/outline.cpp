#include "io/outline.hpp"

#include <istream>
#include <optional>
#include <sstream>

#include "display/outline.hpp"
#include "display/showpw5.hpp"
#include "io/input_file.hpp"
#include "io/landmark_text.hpp"
#include "morpho/vertxy.hpp"

namespace varnok::io {

namespace {

constexpr const char* kTitle = "Load Outline";

Mat strokeOf(const std::vector<double>& xy) {
  const auto n = static_cast<Eigen::Index>(xy.size() / 2);
  Mat s(2, n);
  for (Eigen::Index k = 0; k < n; ++k) {
    s(0, k) = xy[static_cast<std::size_t>(2 * k)];
    s(1, k) = xy[static_cast<std::size_t>(2 * k + 1)];
  }
  return s;
}

std::string plural(std::size_t n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

}  // namespace

std::vector<Mat> readOutline(std::istream& in, const std::string& displayName) {
  text::LineReader lines(in);
  std::vector<Mat> out;
  std::vector<double> stroke;  // x y x y ... of the stroke being read
  auto endStroke = [&] {
    if (!stroke.empty()) out.push_back(strokeOf(stroke));
    stroke.clear();
  };
  std::string line;
  while (lines.next(line)) {
    const std::string_view t = text::trim(line);
    if (t.empty()) {
      endStroke();
      continue;
    }
    if (t.front() == '#') continue;
    const long here = lines.number();
    const auto w = text::words(t, true);
    if (w.size() != 2)
      text::lineError(displayName, here,
                      "holds " + plural(w.size(), "word", "words") +
                          ", but an outline line holds one point: two numbers, x and y.");
    for (const std::string_view word : w) {
      double v = 0;
      const text::NumberKind kind = text::readNumber(word, v);
      if (kind != text::NumberKind::Finite)
        text::lineError(displayName, here,
                        "holds " + text::quoted(word) +
                            (kind == text::NumberKind::NotFinite ? ", which is not a finite number."
                                                                 : ", which is not a number."));
      stroke.push_back(v);
    }
  }
  endStroke();
  if (out.empty()) text::fileError(displayName, "it holds no outline point.");
  return out;
}

void LoadOutline(session::Session& session, window::Window& window, Console& console) {
  const Mat& rows = session.loadedData().size() > 0 ? session.loadedData() : *session.state.DATA;
  if (session.state.DATA->size() == 0 || rows.cols() < 7) {
    window.dialogs().warn(
        "Load the landmark data first: an outline is drawn in the coordinates of one of its "
        "specimens.",
        kTitle);
    return;
  }
  auto choice = window.dialogs().uigetfile("*.*", kTitle, session.folder);
  if (!choice) return;
  const std::string name = quoteForMessage(choice->name, 255);
  std::vector<Mat> strokes;
  try {
    InputFile in(session.resolve(choice->folder + choice->name), name);
    std::istringstream content(in.readAll());
    strokes = readOutline(content, name);
  } catch (const DataFileError& e) {
    window.dialogs().warn(e.what(), kTitle);
    return;
  }

  const long long N = rows.rows();
  const std::string range = N == 1 ? "1" : "from 1 to " + std::to_string(N);
  const auto answer = window.dialogs().inputdlg(
      {"The number of the specimen whose coordinates the outline is in (" + range + ")"}, kTitle,
      {session.outlineSpecimen >= 1 && session.outlineSpecimen <= N
           ? std::to_string(session.outlineSpecimen)
           : "1"});
  if (!answer || answer->empty()) return;
  const std::string_view given = text::trim(answer->front());
  const auto n = text::readCount(given, N);
  if (!n || *n < 1) {
    window.dialogs().warn("\"" + quoteForMessage(given) +
                              "\" is not a specimen of the loaded data; give a whole number " +
                              range + ".",
                          kTitle);
    return;
  }
  const Mat landmarks = morpho::vertxy(rows.row(static_cast<Eigen::Index>(*n - 1)));
  try {
    (void)display::deformationWeights(landmarks, landmarks);
  } catch (const RuntimeError&) {
    window.dialogs().warn("The landmarks of specimen " + std::to_string(*n) +
                              " coincide or lie on one line, so no thin-plate spline can "
                              "carry an outline drawn on it.",
                          kTitle);
    return;
  }

  std::size_t points = 0;
  for (const Mat& s : strokes) points += static_cast<std::size_t>(s.cols());
  session.changeFolder(choice->folder);
  session.outline = std::move(strokes);
  session.outlineSpecimen = static_cast<long long>(*n);
  session.figures.outline = true;
  for (window::Control* c : window.findobj(display::kOutlineItem)) c->set("Checked", "on");
  console.line("Read an outline of " + plural(session.outline.size(), "stroke", "strokes") +
               " and " + plural(points, "point", "points") + " from " + choice->name +
               ", drawn on specimen " + std::to_string(*n) +
               "; it is drawn in every deformation picture.");
}

}  // namespace varnok::io

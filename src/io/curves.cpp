#include "io/curves.hpp"

#include <istream>
#include <sstream>

#include "io/input_file.hpp"
#include "io/landmark_list_file.hpp"
#include "io/landmark_text.hpp"

namespace varnok::io {

using Eigen::Index;

std::vector<morpho::Slider> curveSliders(const std::vector<TpsCurve>& curves, long long landmarks,
                                         bool slideEnds) {
  std::vector<morpho::Slider> out;
  Index b = static_cast<Index>(landmarks);
  for (const TpsCurve& c : curves) {
    const auto p = static_cast<Index>(c.points);
    if (c.closed) {
      if (p >= 3)
        for (Index k = 0; k < p; ++k) out.push_back({b + (k + p - 1) % p, b + k, b + (k + 1) % p});
    } else {
      if (slideEnds && p >= 2) out.push_back({b, b, b + 1});
      for (Index k = 1; k + 1 < p; ++k) out.push_back({b + k - 1, b + k, b + k + 1});
      if (slideEnds && p >= 2) out.push_back({b + p - 2, b + p - 1, b + p - 1});
    }
    b += p;
  }
  return out;
}

std::vector<morpho::Slider> readSliders(std::istream& in, const std::string& displayName,
                                        long long L) {
  text::LineReader lines(in);
  std::vector<morpho::Slider> out;
  std::vector<long> slidOn(static_cast<std::size_t>(L > 0 ? L : 0), 0);
  std::string line;
  while (lines.next(line)) {
    const std::string_view t = text::trim(line);
    if (t.empty() || t.front() == '#') continue;
    const long here = lines.number();
    const auto w = text::words(t, true);
    if (w.size() != 3)
      text::lineError(displayName, here,
                      "holds " + std::to_string(w.size()) + (w.size() == 1 ? " word" : " words") +
                          ", but a slider line holds three point numbers: before, slider, after.");
    Index n[3] = {0, 0, 0};
    for (int i = 0; i < 3; ++i) {
      const std::string_view word = w[static_cast<std::size_t>(i)];
      const auto v = text::readCount(word, L);
      if (!v || *v < 1)
        text::lineError(displayName, here,
                        "holds " + text::quoted(word) + ", which is not a point number from 1 to " +
                            std::to_string(L) + ".");
      n[i] = static_cast<Index>(*v);
    }
    if (n[0] == n[1] || n[1] == n[2] || n[0] == n[2])
      text::lineError(displayName, here,
                      "names a point twice; a slider needs three different points.");
    long& first = slidOn[static_cast<std::size_t>(n[1] - 1)];
    if (first != 0)
      text::lineError(displayName, here,
                      "makes point " + std::to_string(n[1]) + " slide again (line " +
                          std::to_string(first) + " already does).");
    first = here;
    out.push_back({n[0] - 1, n[1] - 1, n[2] - 1});
  }
  return out;
}

std::string slidingSummary(long long points, long long sliding, std::size_t curves) {
  std::string s = std::to_string(points) + " points: " + std::to_string(points - sliding) +
                  (points - sliding == 1 ? " landmark, " : " landmarks, ") +
                  std::to_string(sliding) + " sliding";
  if (curves > 0) s += " on " + std::to_string(curves) + (curves == 1 ? " curve" : " curves");
  return s;
}

std::vector<morpho::Slider> studySliders(const session::Session& session) {
  const Mat& rows = session.sliderRows;
  if (rows.size() > 0) {
    std::vector<morpho::Slider> out;
    for (Index i = 0; i < rows.rows(); ++i)
      out.push_back({static_cast<Index>(rows(i, 0)) - 1, static_cast<Index>(rows(i, 1)) - 1,
                     static_cast<Index>(rows(i, 2)) - 1});
    return out;
  }
  if (session.curves.empty()) return {};
  std::vector<TpsCurve> curves;
  for (const session::CurveSpan& c : session.curves) curves.push_back({c.points, c.closed});
  return curveSliders(curves, session.curves.front().first, session.sliding.slideCurveEnds);
}

std::string curvesBoxLine(const session::Session& session) {
  const bool slidersFile = session.sliderRows.size() > 0;
  if ((session.curves.empty() && !slidersFile) || session.state.DATA->size() == 0) return {};
  return "\n " + slidingSummary(static_cast<long long>(session.state.DATA->cols() - 1) / 2,
                                static_cast<long long>(studySliders(session).size()),
                                slidersFile ? 0 : session.curves.size());
}

void LoadSliders(session::Session& session, window::Window& window, Console& console) {
  auto read = askForLandmarkList(session, window, "Load Sliders",
                                 "Load the landmark data first: the sliders name its points.",
                                 "slider", readSliders);
  if (!read) return;
  const std::vector<morpho::Slider>& sliders = read->items;
  const long long L = static_cast<long long>(session.state.DATA->cols() - 1) / 2;
  Mat rows(static_cast<Index>(sliders.size()), 3);
  for (Index i = 0; i < rows.rows(); ++i) {
    const morpho::Slider& k = sliders[static_cast<std::size_t>(i)];
    rows.row(i) << static_cast<double>(k.before + 1), static_cast<double>(k.point + 1),
        static_cast<double>(k.after + 1);
  }
  session.sliderRows = std::move(rows);
  // The data's box ends with what slides now.
  for (window::Control* box : window.findobj("FileBox")) {
    std::string text = box->get("String").text();
    const std::size_t end = text.rfind(" Landmarks");
    if (end == std::string::npos) continue;
    text.erase(end + std::string_view(" Landmarks").size());
    box->set("String", text + curvesBoxLine(session));
  }
  console.line("Read " + std::to_string(sliders.size()) + " sliders from " + read->fileName + ": " +
               slidingSummary(L, static_cast<long long>(sliders.size()), 0) + ".");
}

namespace {

const char* onOff(bool on) {
  return on ? "on" : "off";
}

void showCriterion(const session::Session& session, window::Window& window, Console& console) {
  window.setAll("SlideProcrustesItem", "Checked", onOff(session.sliding.byProcrustes));
  window.setAll("SlideBendingItem", "Checked", onOff(!session.sliding.byProcrustes));
  console.line(session.sliding.byProcrustes
                   ? "Semilandmarks slide to the points of their tangents nearest the reference's."
                   : "Semilandmarks slide to where they bend the least from the reference.");
}

}  // namespace

void SlideByProcrustesDistance(session::Session& session, window::Window& window,
                               Console& console) {
  session.sliding.byProcrustes = true;
  showCriterion(session, window, console);
}

void SlideByBendingEnergy(session::Session& session, window::Window& window, Console& console) {
  session.sliding.byProcrustes = false;
  showCriterion(session, window, console);
}

void SlideCurveEnds(session::Session& session, window::Window& window, Console& console) {
  session.sliding.slideCurveEnds = !session.sliding.slideCurveEnds;
  window.setAll("SlideEndsItem", "Checked", onOff(session.sliding.slideCurveEnds));
  console.line(session.sliding.slideCurveEnds ? "The ends of open curves slide too."
                                              : "The ends of open curves stay where digitised.");
}

void ReadCurvesAsSemilandmarks(session::Session& session, window::Window& window,
                               Console& console) {
  session.sliding.readCurves = !session.sliding.readCurves;
  window.setAll("ReadCurvesItem", "Checked", onOff(session.sliding.readCurves));
  console.line(session.sliding.readCurves
                   ? "The curves of TPS files loaded from now on are read as semilandmarks."
                   : "The curves of TPS files loaded from now on are skipped.");
}

void SlidingRounds(session::Session& session, window::Window& window, Console& console) {
  constexpr const char* kTitle = "Sliding Rounds";
  constexpr long long kMost = 50;
  const auto answer = window.dialogs().inputdlg({"Most rounds of sliding and fitting (1 to 50)"},
                                                kTitle, {std::to_string(session.sliding.rounds)});
  if (!answer || answer->empty()) return;
  const std::string_view text = text::trim(answer->front());
  const auto n = text::readCount(text, kMost);
  if (!n || *n < 1) {
    window.dialogs().warn("\"" + quoteForMessage(text) +
                              "\" is not a number of rounds; give a whole number from 1 to 50.",
                          kTitle);
    return;
  }
  session.sliding.rounds = static_cast<int>(*n);
  console.line("Semilandmarks slide in at most " + std::to_string(*n) +
               (*n == 1 ? " round." : " rounds."));
}

}  // namespace varnok::io

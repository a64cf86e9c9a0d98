// Refused and cancelled actions leave the analysis as it was, and long random
// sequences of actions with bad files, cancels and odd box texts neither
// crash nor leave anything behind that changes a later analysis.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <regex>
#include <set>

#include "platform/matrix/runtime_error.hpp"
#include "shell/registry.hpp"
#include "support/session_fixture.hpp"

namespace varnok::shell {
namespace {

namespace fs = std::filesystem;
using session::AnalysisState;

bool sameMat(const Mat& a, const Mat& b) {
  return a.rows() == b.rows() && a.cols() == b.cols() &&
         (a.size() == 0 || (a.array() == b.array()).all());
}

// Every field of the state, named where it differs.
std::vector<std::string> differences(const AnalysisState& a, const AnalysisState& b) {
  std::vector<std::string> d;
  auto mat = [&](const char* n, const Mat& x, const Mat& y) {
    if (!sameMat(x, y)) d.emplace_back(n);
  };
  auto opt = [&](const char* n, const auto& x, const auto& y) {
    if (x != y) d.emplace_back(n);
  };
  mat("DATA", *a.DATA, *b.DATA);
  mat("GLIST", a.GLIST, b.GLIST);
  opt("ColorList", a.ColorList, b.ColorList);
  mat("codearray", a.codearray, b.codearray);
  opt("altcode", a.altcode, b.altcode);
  mat("reference", a.reference, b.reference);
  opt("referencetype", a.referencetype, b.referencetype);
  mat("pwscores", a.pwscores, b.pwscores);
  mat("Vmatrix", a.Vmatrix, b.Vmatrix);
  mat("Dmatrix", a.Dmatrix, b.Dmatrix);
  mat("percentexp", a.percentexp, b.percentexp);
  mat("PCAScores", a.PCAScores, b.PCAScores);
  opt("NumPCA", a.NumPCA, b.NumPCA);
  opt("vplotdensity", a.vplotdensity, b.vplotdensity);
  opt("vlinewidth", a.vlinewidth, b.vlinewidth);
  opt("vlineformat1", a.vlineformat1, b.vlineformat1);
  opt("vrefsymbol", a.vrefsymbol, b.vrefsymbol);
  opt("vaheads", a.vaheads, b.vaheads);
  opt("defangle", a.defangle, b.defangle);
  opt("marker1x", a.marker1x, b.marker1x);
  opt("marker1y", a.marker1y, b.marker1y);
  opt("marker2x", a.marker2x, b.marker2x);
  opt("marker2y", a.marker2y, b.marker2y);
  return d;
}

std::string joined(const std::vector<std::string>& v) {
  std::string s;
  for (const auto& x : v) s += x + " ";
  return s;
}

std::string layoutText() {
  std::ifstream in(VARNOK_SOURCE_DIR "/layout/Varnok6p.ui");
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Declares every control of the layout file, as the real window has them.
void declareLayoutControls(window::InMemoryWindow& w) {
  static const std::set<std::string> tags = [] {
    const std::string ui = layoutText();
    const std::regex named(R"re(<(?:widget class="[A-Za-z]+"|action) name="([A-Za-z0-9_]+)")re");
    std::set<std::string> t;
    for (std::sregex_iterator it(ui.begin(), ui.end(), named), end; it != end; ++it)
      t.insert((*it)[1]);
    return t;
  }();
  for (const auto& t : tags) w.add(t);
  w.control("RefAngleBox").set("String", "0");
}

// Every callback string of the layout file.
const std::vector<std::string>& layoutCallbacks() {
  static const std::vector<std::string> callbacks = [] {
    const std::string ui = layoutText();
    const std::regex prop(R"re(name="callback" stdset="0"><string>([^<]+)</string>)re");
    std::vector<std::string> out;
    for (std::sregex_iterator it(ui.begin(), ui.end(), prop), end; it != end; ++it) {
      std::string c = (*it)[1];
      for (auto [from, to] : {std::pair<std::string, std::string>{"&apos;", "'"}, {"&quot;", "\""}})
        for (size_t p; (p = c.find(from)) != std::string::npos;) c.replace(p, from.size(), to);
      out.push_back(c);
    }
    return out;
  }();
  return callbacks;
}

// A shell on an in-memory window holding every control of the layout file,
// with the example data and a set of bad files in its folder.
class Robustness : public testkit::SessionTest {
 protected:
  Robustness() {
    declareLayoutControls(win_);
    for (const char* f : {"gorilla.txt", "gorilla_groups.txt", "mice.txt", "mice_groups.txt"})
      fs::copy_file(fs::path(VARNOK_DATA_DIR) / f, dir_ / "start" / f);
    const std::string gorilla = read(dir_ / "start" / "gorilla.txt");
    write(dir_ / "start" / "ref.txt", gorilla.substr(0, gorilla.find('\n') + 1));
    write(dir_ / "start" / "codes.txt", "1 0 0 2 6 1\n0 0 1 3 8 0\n");
    // Files every reader must refuse.
    const std::vector<std::pair<std::string, std::string>> bad = {
        {"empty.txt", ""},
        {"text.txt", "one two three\n"},
        {"ragged.txt", "1 2 3 4 5 6 7\n1 2 3\n"},
        {"nan.txt", "1 2 3 4 5 6 nan\n"},
        {"inf_ref.txt",
         "inf" + gorilla.substr(gorilla.find(' '), gorilla.find('\n') + 1 - gorilla.find(' '))},
        {"point_ref.txt", "1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1\n"},
        {"huge_code.txt", std::string(59 * 2, '\n').replace(0, 4, "2e8\n")},
        {"zero_codes.txt",
         [] {
           std::string s;
           for (int i = 0; i < 59; ++i) s += "0\n";
           return s;
         }()},
        {"short_codes.txt", "1\n2\n"},
        {"nan_table.txt", "1 0 0 2 nan 1\n"},
        {"frac_table.txt", "1 0 0 2.5 6 1\n"},
        {"huge_table.txt", "1 0 0 2 18000 1\n"},
        {"binary.bin", std::string("\x00\x01\x02\xff\xfe", 5)},
    };
    for (const auto& [name, text] : bad) {
      write(dir_ / "start" / name, text);
      badFiles_.push_back(name);
    }
    fs::create_directories(dir_ / "start" / "folder.txt");
    badFiles_.push_back("folder.txt");
    badFiles_.push_back("missing.txt");
  }

  void file(const std::string& name) { answer(name, dir_ / "start"); }
  void act(const std::string& action) { shell_.Varnoksw({Value(action)}); }
  // Runs a callback as the window does: errors end in the console and status.
  void run(const std::string& callback) { shell_.runCallback(callback); }

  void analyseGorilla() {
    file("gorilla.txt");
    run("Varnoksw('LoadData')");
    file("gorilla_groups.txt");
    run("Varnoksw('LoadGroupList')");
    ASSERT_EQ(state_.PCAScores.rows(), 59) << console_.kept();
  }

  const std::vector<std::string>& callbacks_ = layoutCallbacks();
  std::vector<std::string> badFiles_;
};

TEST_F(Robustness, RefusedOrCancelledActionsLeaveTheStateAsItWas) {
  analyseGorilla();
  struct Case {
    std::string label;
    std::function<void()> queue;  // dialog answers and box texts
    std::string callback;
  };
  auto withFile = [this](std::string f) { return [this, f] { file(f); }; };
  auto cancelled = [this] { return [this] { cancel(); }; };
  std::vector<Case> cases;
  // Files each reader refuses (others are well-formed data to some of them:
  // a column of group codes is a valid landmark matrix to LoadData).
  const std::vector<std::string> unreadable = {"empty.txt",  "text.txt",    "ragged.txt",
                                               "nan.txt",    "inf_ref.txt", "nan_table.txt",
                                               "binary.bin", "folder.txt",  "missing.txt"};
  std::map<std::string, std::vector<std::string>> refused = {{"LoadData", unreadable},
                                                             {"LoadGroupList", badFiles_},
                                                             {"CodeLoad", badFiles_},
                                                             {"LoadReference", badFiles_}};
  for (const auto& [a, files] : refused) {
    const std::string cb = "Varnoksw('" + a + "')";
    cases.push_back({a + " cancelled", cancelled(), cb});
    for (const auto& f : files) cases.push_back({a + " " + f, withFile(f), cb});
  }
  for (const char* a : {"SavePCA", "SaveEigen", "SavePCMatrix", "SaveWarp", "SaveRef"})
    cases.push_back(
        {std::string(a) + " cancelled", cancelled(), std::string("Varnoksw('") + a + "')"});
  for (const char* text : {"abc", "0", "99", "1e308", "", "2.5"}) {
    const std::string t = text;
    cases.push_back({std::string("SaveOneAxis ") + t,
                     [this, t] { win_.control("ShowBox").set("String", t); },
                     "Varnoksw('SaveOneAxis')"});
    cases.push_back({std::string("ShowPCAAxis X ") + t,
                     [this, t] { win_.control("XBox").set("String", t); },
                     "Varnoksw('ShowPCAAxis')"});
  }
  for (const char* cb : {"Varnoksw('SetLineWidth',1e308)", "Varnoksw('SetLineWidth',-3)",
                         "Varnoksw('SetLineWidth','x')", "Varnoksw('SetPlotDensity',0)",
                         "Varnoksw('SetPlotDensity',1e9)", "Varnoksw('SetLineWidth')"})
    cases.push_back({cb, [] {}, cb});

  int changed = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    // The boxes as after the analysis, so each case starts alike.
    win_.control("XBox").set("String", "1");
    win_.control("YBox").set("String", "2");
    win_.control("ShowBox").set("String", "1");
    state_.referencetype = 0;
    const AnalysisState before = state_;
    c.queue();
    run(c.callback);
    auto d = differences(before, state_);
    // A reference that does not fit sends the next analysis back to the
    // consensus, which it already was here.
    EXPECT_TRUE(d.empty()) << "changed: " << joined(d) << "\n" << console_.kept();
    changed += !d.empty();
    state_ = before;
    win_.answers.files.clear();
  }
  EXPECT_EQ(changed, 0) << "of " << cases.size() << " refusals";
}

// Stops the work at its first report, as Cancel in the progress dialog does.
class CancelAtOnce : public Progress {
 public:
  bool cancelled() const override { return true; }
};

TEST_F(Robustness, CancelledAnalysisLeavesTheEarlierOne) {
  analyseGorilla();
  const AnalysisState before = state_;
  CancelAtOnce cancel;
  shell_.setProgress(&cancel);
  for (const char* a : {"NoGroupList", "LoadGroupList"}) {
    file("gorilla_groups.txt");
    EXPECT_FALSE(shell_.runCallback(std::string("Varnoksw('") + a + "')")) << a;
    EXPECT_TRUE(differences(before, state_).empty())
        << a << ": " << joined(differences(before, state_));
  }
  EXPECT_EQ(win_.statusText, "Cancelled.");
  shell_.setProgress(nullptr);
}

// After any sequence of actions, a plain analysis gives what it gives on a
// fresh start: nothing a refused or half-done action left behind leaks in.
TEST_F(Robustness, RandomActionSequences) {
  // The plain analysis on a fresh shell, from a copy of the data that no
  // dialog of the random sequences is given: a save dialog answered with a
  // data file's name writes over that file (EPS export, result files).
  fs::create_directories(dir_ / "pristine");
  fs::copy_file(dir_ / "start" / "gorilla.txt", dir_ / "pristine" / "gorilla.txt");
  auto plain = [this](Shell& shell, window::InMemoryWindow& w) {
    w.control("PCALimit").set("Value", 0.0);
    w.control("RefAngleBox").set("String", "0");
    w.answers.files.clear();
    w.answers.files.push_back(
        window::FileChoice{"gorilla.txt", testkit::folderString(dir_ / "pristine")});
    shell.runCallback("Varnoksw('LoadData')");
    shell.runCallback("Varnoksw('NoGroupList')");
  };
  plain(shell_, win_);
  const AnalysisState fresh = state_;
  ASSERT_EQ(fresh.PCAScores.rows(), 59) << console_.kept();

  const std::vector<std::string> goodFiles = {
      "gorilla.txt", "gorilla_groups.txt", "mice.txt", "mice_groups.txt", "ref.txt", "codes.txt"};
  const std::vector<std::string> boxTexts = {"1",     "2",   "3",   "0",     "-1",  "abc",  "",
                                             "1e308", "2.5", "NaN", "99999", "1 2", "%s%n", "auto"};
  const std::vector<std::string> boxes = {"XBox",           "YBox",        "ShowBox", "RefAngleBox",
                                          "ExagerationBox", "RestrictBox", "RangeBox"};
  std::mt19937 rng(20261208);
  auto pick = [&rng](const auto& v) -> const auto& {
    return v[std::uniform_int_distribution<size_t>(0, v.size() - 1)(rng)];
  };
  const int kSequences = 320;
  int steps = 0;
  for (int seq = 0; seq < kSequences; ++seq) {
    testkit::ScratchFolder unused;  // keeps saves of this sequence apart
    window::InMemoryWindow w;
    declareLayoutControls(w);
    Console console(nullptr, true);
    Shell shell(console, [&w]() -> window::Window& { return w; });
    shell.session().folder = testkit::folderString(dir_ / "start");

    const int length = std::uniform_int_distribution<int>(5, 25)(rng);
    for (int k = 0; k < length; ++k, ++steps) {
      // Answers for whatever dialog the action may open.
      const int kind = std::uniform_int_distribution<int>(0, 9)(rng);
      if (kind < 4)
        w.answers.files.push_back(
            window::FileChoice{pick(goodFiles), testkit::folderString(dir_ / "start")});
      else if (kind < 7)
        w.answers.files.push_back(
            window::FileChoice{pick(badFiles_), testkit::folderString(dir_ / "start")});
      else if (kind < 8)
        w.answers.files.push_back(
            window::FileChoice{"saved.txt", testkit::folderString(unused.path())});
      else
        w.answers.files.push_back(std::nullopt);
      w.answers.inputs.push_back(std::vector<std::string>{pick(boxTexts)});
      w.answers.clicks.push_back(window::Click{std::uniform_real_distribution<double>(-1, 1)(rng),
                                               std::uniform_real_distribution<double>(-1, 1)(rng),
                                               std::uniform_int_distribution<int>(1, 3)(rng)});
      if (std::uniform_int_distribution<int>(0, 3)(rng) == 0)
        w.control(pick(boxes)).set("String", pick(boxTexts));
      if (std::uniform_int_distribution<int>(0, 9)(rng) == 0)
        w.control("PCALimit").set("Value", std::uniform_int_distribution<int>(0, 1)(rng));
      const std::string& cb = pick(callbacks_);
      ASSERT_NO_THROW(shell.runCallback(cb)) << cb;
    }
    plain(shell, w);
    auto d = differences(fresh, shell.state());
    // Display settings and the symbol table are the user's choices, kept
    // across analyses; the results must not differ.
    std::vector<std::string> results;
    for (const auto& x : d)
      if (x == "DATA" || x == "GLIST" || x == "reference" || x == "referencetype" ||
          x == "pwscores" || x == "Vmatrix" || x == "Dmatrix" || x == "percentexp" ||
          x == "PCAScores" || x == "NumPCA")
        results.push_back(x);
    ASSERT_TRUE(results.empty()) << "sequence " << seq << " changed " << joined(results) << "\n"
                                 << console.kept();
  }
  EXPECT_GE(steps, kSequences * 5);
}

}  // namespace
}  // namespace varnok::shell

#include "platform/qt/session_recorder.hpp"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <algorithm>
#include <ctime>
#include <exception>
#include <system_error>

#include "platform/matrix/files.hpp"
#include "platform/matrix/text.hpp"
#include "platform/qt/qt_control.hpp"

namespace varnok::qt {

namespace {

namespace fs = std::filesystem;

using window::ScriptAnswer;

#ifdef VARNOK_VERSION
constexpr const char* kProgram = "Varnok " VARNOK_VERSION;
#else
constexpr const char* kProgram = "Varnok";
#endif

constexpr const char* kTitle = "Save Session as Script";
constexpr const char* kFilter = "Varnok session scripts (*.vks);;All files (*)";

bool blank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// The text as one script line can carry it: line breaks become blanks and
// blanks at the ends go (the parser drops them). *lossy tells whether
// anything changed.
std::string lineText(std::string text, bool* lossy) {
  for (char& c : text)
    if (c == '\n' || c == '\r') c = ' ', *lossy = true;
  std::size_t a = 0, b = text.size();
  while (a < b && blank(text[a])) ++a;
  while (b > a && blank(text[b - 1])) --b;
  if (a != 0 || b != text.size()) *lossy = true;
  return text.substr(a, b - a);
}

fs::path absolutePath(const fs::path& p) {
  std::error_code ec;
  fs::path a = fs::absolute(p, ec);
  return (ec ? p : a).lexically_normal();
}

// A folder as a path without a trailing separator.
fs::path folderPath(const fs::path& folder) {
  fs::path f = absolutePath(folder);
  if (!f.has_filename() && f.has_relative_path()) f = f.parent_path();
  return f;
}

std::string pathIn(const fs::path& file, const fs::path& folder) {
  if (!folder.empty()) {
    const fs::path rel = file.lexically_relative(folder);
    if (!rel.empty() && rel != "." && *rel.begin() != "..") return rel.string();
  }
  return file.string();
}

bool sameFile(const fs::path& a, const fs::path& b) {
  if (a == b) return true;
  std::error_code ec;
  return fs::equivalent(a, b, ec) && !ec;
}

}  // namespace

struct SessionRecorder::Step {
  enum class Kind { Set, Answer, Callback, Picture, PlotSize };
  Kind kind = Kind::Callback;
  std::string tag, property;
  std::string text;  // the value set, the callback string or the picture's full path
  ScriptAnswer answer;
  std::array<int, 2> size{};
  std::string pictureOptions;  // a picture's size and resolution, as save-picture takes them
};

// A control the user can change, and the value it had when the program last
// had its say.
struct SessionRecorder::Watched {
  QtControl* control = nullptr;
  const char* property = "";
  // A radio button of an exclusive group is unticked by ticking another,
  // which is what gets recorded.
  bool exclusive = false;
  std::optional<std::string> value;

  std::optional<std::string> now() const {
    if (!control->object()) return std::nullopt;
    try {
      return valueToText(control->get(property));
    } catch (const std::exception&) {
      return std::nullopt;
    }
  }
};

class SessionRecorder::Recording : public window::Dialogs {
 public:
  Recording(SessionRecorder& recorder, window::Dialogs& inner)
      : recorder_(recorder), inner_(inner) {}

  std::optional<window::FileChoice> uigetfile(std::string_view filter, std::string_view title,
                                              std::string_view folder) override {
    return file(inner_.uigetfile(filter, title, folder));
  }
  std::optional<window::FileChoice> uiputfile(std::string_view filter, std::string_view title,
                                              std::string_view folder) override {
    return file(inner_.uiputfile(filter, title, folder));
  }
  void msgbox(std::string_view text, std::string_view title) override {
    inner_.msgbox(text, title);
  }
  void warn(std::string_view text, std::string_view title) override { inner_.warn(text, title); }
  std::optional<std::vector<std::string>> inputdlg(
      const std::vector<std::string>& prompts, std::string_view title,
      const std::vector<std::string>& defaults) override {
    auto answers = inner_.inputdlg(prompts, title, defaults);
    if (!answers) {
      recorder_.answered({ScriptAnswer::Kind::Cancel, {}, {}});
    } else if (answers->empty()) {
      // A script answers a question with at least one line.
      recorder_.answered({ScriptAnswer::Kind::Input, {}, {}});
    } else {
      // One line per answer: the script gives a question's further prompts
      // the input answers that follow its first.
      for (const std::string& a : *answers) recorder_.answered({ScriptAnswer::Kind::Input, a, {}});
    }
    return answers;
  }
  bool confirm(std::string_view question, std::string_view title) override {
    return inner_.confirm(question, title);
  }
  std::optional<window::Click> ginput() override {
    auto click = inner_.ginput();
    if (click)
      recorder_.answered({ScriptAnswer::Kind::Click, {}, *click});
    else
      recorder_.answered({ScriptAnswer::Kind::Cancel, {}, {}});
    return click;
  }

 private:
  std::optional<window::FileChoice> file(std::optional<window::FileChoice> choice) {
    if (choice)
      recorder_.answered({ScriptAnswer::Kind::File,
                          absolutePath(fs::path(choice->folder) / choice->name).string(),
                          {}});
    else
      recorder_.answered({ScriptAnswer::Kind::Cancel, {}, {}});
    return choice;
  }

  SessionRecorder& recorder_;
  window::Dialogs& inner_;
};

SessionRecorder::SessionRecorder(const std::vector<std::unique_ptr<QtControl>>& controls,
                                 window::Dialogs& inner, PlotSize plotSize)
    : plotSize_(std::move(plotSize)), dialogs_(std::make_unique<Recording>(*this, inner)) {
  for (const auto& c : controls) {
    QObject* o = c->object();
    // The window's own switches (the live shape) are no input of the session.
    if (!c->builtin().empty()) continue;
    Watched w;
    w.control = c.get();
    if (qobject_cast<QLineEdit*>(o)) {
      w.property = "String";
    } else if (auto* b = qobject_cast<QAbstractButton*>(o)) {
      if (!b->isCheckable()) continue;
      w.property = "Value";
      w.exclusive = b->group() ? b->group()->exclusive() : b->autoExclusive();
    } else if (qobject_cast<QComboBox*>(o) || qobject_cast<QListWidget*>(o)) {
      w.property = "Value";
    } else {
      continue;
    }
    watched_.push_back(w);
  }
  snapshot();
}

SessionRecorder::~SessionRecorder() = default;

window::Dialogs& SessionRecorder::dialogs() {
  return *dialogs_;
}

SessionRecorder::Runner SessionRecorder::wrap(Runner inner,
                                              std::function<bool(const std::string&)> recorded) {
  return [this, inner = std::move(inner), recorded = std::move(recorded)](
             const std::string& callback, window::Control* source) {
    if (depth_ == 0 && recorded && !recorded(callback)) {
      inner(callback, source);
      return;
    }
    if (depth_ > 0) {
      // Run by a running callback: the replay of that one runs it again.
      ++depth_;
      try {
        inner(callback, source);
      } catch (...) {
        --depth_;
        throw;
      }
      --depth_;
      return;
    }
    beginCallback();
    try {
      inner(callback, source);
    } catch (...) {
      endCallback(callback);
      throw;
    }
    endCallback(callback);
  };
}

void SessionRecorder::catchUp() {
  if (plotSize_) {
    const auto size = plotSize_();
    if (size != sizeWritten_) {
      Step s;
      s.kind = Step::Kind::PlotSize;
      s.size = size;
      steps_.push_back(s);
      sizeWritten_ = size;
    }
  }
  for (Step& s : edits()) steps_.push_back(std::move(s));
}

void SessionRecorder::beginCallback() {
  catchUp();
  depth_ = 1;
}

void SessionRecorder::endCallback(const std::string& callback) {
  depth_ = 0;
  Step s;
  s.kind = Step::Kind::Callback;
  s.text = callback;
  steps_.push_back(std::move(s));
  snapshot();
}

void SessionRecorder::answered(const ScriptAnswer& answer) {
  if (depth_ == 0) return;
  Step s;
  s.kind = Step::Kind::Answer;
  s.answer = answer;
  steps_.push_back(std::move(s));
}

void SessionRecorder::picture(const std::string& path, const std::string& options) {
  if (depth_ > 0) return;
  catchUp();
  snapshot();
  Step s;
  s.kind = Step::Kind::Picture;
  s.text = absolutePath(path).string();
  s.pictureOptions = options;
  steps_.push_back(std::move(s));
}

std::vector<SessionRecorder::Step> SessionRecorder::edits() const {
  std::vector<Step> out;
  for (const Watched& w : watched_) {
    const auto now = w.now();
    if (!now || now == w.value) continue;
    // A list or combo box without a chosen row cannot be set to none.
    if (std::string_view(w.property) == "Value" && now->empty()) continue;
    if (w.exclusive && *now == "0") continue;
    Step s;
    s.kind = Step::Kind::Set;
    s.tag = w.control->tag();
    s.property = w.property;
    s.text = *now;
    out.push_back(std::move(s));
  }
  return out;
}

void SessionRecorder::snapshot() {
  for (Watched& w : watched_) w.value = w.now();
}

bool SessionRecorder::empty() const {
  return steps_.empty() && edits().empty();
}

std::vector<fs::path> SessionRecorder::filesUsed() const {
  std::vector<fs::path> out;
  for (const Step& s : steps_) {
    if (s.kind == Step::Kind::Picture) out.emplace_back(s.text);
    if (s.kind == Step::Kind::Answer && s.answer.kind == ScriptAnswer::Kind::File)
      out.emplace_back(s.answer.text);
  }
  return out;
}

fs::path SessionRecorder::lastFolder() const {
  for (auto s = steps_.rbegin(); s != steps_.rend(); ++s)
    if (s->kind == Step::Kind::Answer && s->answer.kind == ScriptAnswer::Kind::File)
      return fs::path(s->answer.text).parent_path();
  return {};
}

std::string SessionRecorder::script(const fs::path& folder,
                                    const std::vector<std::string>& header) const {
  const fs::path base = folder.empty() ? fs::path() : folderPath(folder);
  std::string out;
  for (const std::string& h : header) out += "# " + h + '\n';
  auto line = [&out](const std::string& head, const std::string& text) {
    bool lossy = false;
    const std::string kept = lineText(text, &lossy);
    if (lossy)
      out +=
          "# (the text on the next line had a line break or blanks at an end, which a script "
          "line cannot keep)\n";
    out += head + kept + '\n';
  };
  auto write = [&](const Step& s) {
    switch (s.kind) {
      case Step::Kind::Set:
        line("set " + s.tag + ' ' + s.property + ' ', s.text);
        break;
      case Step::Kind::Callback:
        out += s.text + '\n';
        break;
      case Step::Kind::PlotSize:
        out += "plot-size " + std::to_string(s.size[0]) + ' ' + std::to_string(s.size[1]) + '\n';
        break;
      case Step::Kind::Picture:
        line("save-picture ",
             pathIn(s.text, base) + (s.pictureOptions.empty() ? "" : " " + s.pictureOptions));
        break;
      case Step::Kind::Answer:
        switch (s.answer.kind) {
          case ScriptAnswer::Kind::File:
            line("answer file ", pathIn(s.answer.text, base));
            break;
          case ScriptAnswer::Kind::Input:
            line("answer input ", s.answer.text);
            break;
          case ScriptAnswer::Kind::Click:
            out += "answer click " + shortestText(s.answer.click.x) + ' ' +
                   shortestText(s.answer.click.y) + ' ' + std::to_string(s.answer.click.button) +
                   '\n';
            break;
          case ScriptAnswer::Kind::Cancel:
            out += "answer cancel\n";
            break;
        }
        break;
    }
  };
  for (const Step& s : steps_) write(s);
  for (const Step& s : edits()) write(s);
  return out;
}

void saveSessionScript(const SessionRecorder& recorder, window::Dialogs& dialogs,
                       const std::function<void(const std::string&)>& status) {
  if (recorder.empty()) {
    dialogs.warn("Nothing has been done in this window yet, so there is no session to save.",
                 kTitle);
    return;
  }
  // The data's folder, where the script can name the files it reads
  // without their folders.
  const fs::path start = recorder.lastFolder();
  const auto choice =
      dialogs.uiputfile(kFilter, kTitle, start.empty() ? "" : (start / "").string());
  if (!choice) return;
  fs::path path = absolutePath(fs::path(choice->folder) / choice->name);
  if (!path.has_extension()) {
    path += ".vks";
    // The dialog asked about replacing the name as typed, not this one.
    std::error_code ec;
    if (fs::exists(path, ec)) {
      dialogs.warn(path.string() +
                       " already exists. To replace it, type the name with its extension; "
                       "otherwise choose another name.",
                   kTitle);
      return;
    }
  }
  for (const fs::path& used : recorder.filesUsed()) {
    if (sameFile(used, path)) {
      dialogs.warn("The session reads or writes " + path.string() +
                       ", so the script cannot be saved there. Choose another name.",
                   kTitle);
      return;
    }
  }

  char date[64] = "";
  const std::time_t t = std::time(nullptr);
  std::tm local{};
  if (localtime_r(&t, &local)) std::strftime(date, sizeof date, "%Y-%m-%d %H:%M", &local);
  const std::vector<std::string> header = {
      std::string(kProgram) + " session script, saved " + date,
      "Replay it with: varnok --script " + path.filename().string()};
  try {
    writeFileAtomically(path.string(), recorder.script(path.parent_path(), header));
  } catch (const std::exception& e) {
    dialogs.warn(e.what(), kTitle);
    return;
  }
  status("Session saved as a script to " + path.string());
}

}  // namespace varnok::qt

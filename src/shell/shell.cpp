#include "shell/shell.hpp"

#include <algorithm>

#include "analysis/statistics_actions.hpp"
#include "display/live_shape.hpp"
#include "display/score_plot.hpp"
#include "platform/matrix/runtime_error.hpp"
#include "shell/action_titles.hpp"
#include "shell/callback.hpp"
#include "shell/enable_controls.hpp"
#include "shell/ref_angle.hpp"
#include "shell/registry.hpp"
#include "shell/routines.hpp"

namespace varnok::shell {

Shell::Shell(Console& console, WindowOpener opener)
    : console_(console), opener_(std::move(opener)), routines_(buildRoutineTable(*this)) {}

window::Window& Shell::window() {
  if (window_ == nullptr) window_ = &opener_();
  return *window_;
}

std::string Shell::liveShape(graphics::Figure& inset, double x, double y) {
  if (window_ == nullptr) return display::kLiveShapeNeedsScorePlot;
  return display::liveShape(
      session_.state, *window_, inset, x, y,
      display::studyWireframe(session_, (session_.state.reference.cols() - 1) / 2),
      session_.figures.flippedAxes, display::outlineSource(session_));
}

bool Shell::showsScorePlot() const {
  return window_ != nullptr && display::scorePlotAxes(window_->figure().axes()).has_value();
}

ValueList Shell::Varnok6p(const ValueList& args, int nargout) {
  if (args.empty()) {
    window_ = &opener_();  // reuses the open window, brought forward
    window_->raise();
    RefAngleSetup(*this);
    enableStatistics();
    if (nargout >= 1) return {Value(window_->figure().handle())};
    return {};
  }
  if (!args.front().isText()) return {};
  ValueList rest(args.begin() + 1, args.end());
  try {
    return callByName(args.front().text(), rest, nargout);
  } catch (const RuntimeError& e) {
    console_.error(e.what());
  }
  return {};
}

void Shell::Varnoksw(const ValueList& args, int nargout) {
  checkArgCounts("Varnoksw", static_cast<int>(args.size()), nargout, 2, 0);
  if (args.empty()) throwNotEnoughInputs("Varnoksw");
  if (const Entry* entry = entryOfCall("Varnoksw", args)) {
    run(*entry, args);
    return;
  }
  console_.write("Fell through case!", ConsoleTag::Error);
}

void Shell::run(const Entry& entry, const ValueList& args) {
  window::Window& w = window();
  if (entry.run == nullptr) {
    // A control whose action is not built yet says so where the user looks.
    std::string line = "Not available yet: " + entry.name;
    console_.error(line);
    w.status(line);
    return;
  }
  session::ActionContext ctx{.session = session_,
                             .state = session_.state,
                             .window = w,
                             .console = console_,
                             .progress = progress_ != nullptr ? *progress_ : noProgress(),
                             .fpass = std::nullopt,
                             .title = {}};
  // A dispatcher action's second argument.
  if (entry.kind == EntryKind::Action && args.size() > 1) ctx.fpass = args[1];
  ctx.title = actionTitle(entry.name, ctx.fpass ? ValueList{*ctx.fpass} : ValueList{});
  entry.run(ctx);
}

ValueList Shell::call(std::string_view name, const ValueList& args, int nargout, bool fromControl) {
  if (const Entry* entry = entryOfCall(name, args)) {
    switch (entry->kind) {
      case EntryKind::SubRoutine:
        console_.echo(subroutineLine(name));
        return {};
      case EntryKind::Action:
        // What the routine table's Varnoksw would check first.
        if (args.size() <= 2 && nargout == 0) {
          run(*entry, args);
          return {};
        }
        break;
      case EntryKind::WindowCommand:
        if (fromControl) {
          run(*entry, args);
          return {};
        }
        break;
      case EntryKind::Routine:
        break;
    }
  }
  session::CallEnv env{console_, session_,  [this]() -> window::Window& { return window(); },
                       nullptr,  progress_, actionTitle(name, args)};
  return routines_.call(env, name, args, nargout);
}

ValueList Shell::callByName(std::string_view name, const ValueList& args, int nargout) {
  return call(name, args, nargout, false);
}

std::string nextStepHint(const session::AnalysisState& state) {
  if (state.DATA->size() == 0) return "Load a data file first";
  if (state.PCAScores.size() == 0) return "Run the analysis first";
  return {};
}

void Shell::enableStatistics() {
  if (window_ == nullptr) return;
  analysis::enableStatisticsItems(session_, *window_);
  enableAnalysisControls(session_, *window_);
}

bool Shell::runCallback(std::string_view callback, window::Control* source) {
  std::string message;
  std::string hint;
  try {
    std::string why;
    const auto parsed = parseCallback(callback, &why);
    if (!parsed)
      throw RuntimeError("Run-time Error: The callback \"" + std::string(callback) +
                         "\" cannot be run: " + why + ".");
    ValueList args;
    for (const auto& a : parsed->args) {
      if (const Value* v = std::get_if<Value>(&a)) {
        args.push_back(*v);
        continue;
      }
      switch (std::get<CallbackSymbol>(a)) {
        case CallbackSymbol::Gca:
          args.emplace_back(window().figure().axes().handle());
          break;
        case CallbackSymbol::Gcf:
          args.emplace_back(window().figure().handle());
          break;
        case CallbackSymbol::Gcbo:
          args.emplace_back(source != nullptr ? Value(source->tag()) : Value());
          break;
      }
    }
    call(parsed->name, args, 0, true);
    console_.flush();
    enableStatistics();
    return true;
  } catch (const UndefinedError& e) {
    // Most often an action started before the step it needs: say which.
    message = e.what();
    hint = nextStepHint(session_.state);
  } catch (const RuntimeError& e) {
    message = e.what();
  } catch (const std::exception& e) {
    message = std::string("Run-time Error: ") + e.what();
  }
  // An action stopped part way: say why where the user looks, and never
  // leave the busy pointer behind.
  console_.error(message);
  console_.flush();
  window::Window& w = window();  // callbacks come from the window, so it is open
  w.actionFailed(message, hint);
  enableStatistics();
  if (w.figure().pointer == "watch") {
    w.figure().pointer = "arrow";
    w.figure().touch();
  }
  return false;
}

}  // namespace varnok::shell

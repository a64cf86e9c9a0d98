// Routine-table adapters of the shell and of the window routines.
#include <algorithm>
#include <array>
#include <cctype>

#include "platform/matrix/runtime_error.hpp"
#include "session/call_env.hpp"
#include "shell/ref_angle.hpp"
#include "shell/routines.hpp"
#include "shell/shell.hpp"

namespace varnok::shell {

namespace {

using session::CallEnv;

bool isKeyword(std::string_view s) {
  static constexpr std::array<std::string_view, 20> words = {
      "break",      "case",   "catch",    "classdef", "continue", "else",      "elseif",
      "end",        "for",    "function", "global",   "if",       "otherwise", "parfor",
      "persistent", "return", "spmd",     "switch",   "try",      "while"};
  return std::find(words.begin(), words.end(), s) != words.end();
}

bool isVarName(std::string_view s) {
  if (s.empty() || s.size() > 63 || !std::isalpha(static_cast<unsigned char>(s[0]))) return false;
  for (char c : s)
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_') return false;
  return !isKeyword(s);
}

std::string textArg(const ValueList& args, size_t i) {
  const Value& v = session::inputAt(args, i);
  return v.isText() ? v.text() : std::string();
}

}  // namespace

void bindShellRoutines(RoutineBindings& b, Shell& shell) {
  b["Varnok6p"] = [&shell](CallEnv&, const ValueList& args, int nargout) {
    return shell.Varnok6p(args, nargout);
  };
  b["Varnoksw"] = [&shell](CallEnv&, const ValueList& args, int nargout) -> ValueList {
    shell.Varnoksw(args, nargout);
    return {};
  };
  b["RefAngleSetup"] = [&shell](CallEnv&, const ValueList&, int) -> ValueList {
    auto y = RefAngleSetup(shell);
    if (!y) return {};
    return {*y};
  };
  b["openfig"] = [](CallEnv& env, const ValueList&, int) -> ValueList {
    return {Value(env.window().figure().handle())};
  };
  // The handles table is kept for compatibility only: every action finds its
  // controls by tag, so nothing reads it.
  b["guihandles"] = [](CallEnv&, const ValueList&, int) -> ValueList {
    return {Value(std::vector<std::string>{})};
  };
  b["guidata"] = [](CallEnv&, const ValueList& args, int) -> ValueList {
    return {args.size() > 1 ? args[1] : Value()};
  };
  b["movegui"] = [](CallEnv&, const ValueList&, int) -> ValueList { return {}; };
  b["cla"] = [](CallEnv& env, const ValueList&, int) -> ValueList {
    auto& ax = env.window().figure().axes();
    ax.cla();
    return {Value(ax.handle())};
  };
  b["title"] = [](CallEnv& env, const ValueList& args, int) -> ValueList {
    auto& ax = env.window().figure().axes();
    ax.setTitle(textArg(args, 0));
    return {Value(ax.handle())};
  };
  b["msgboxd"] = [](CallEnv& env, const ValueList& args, int) -> ValueList {
    std::string text = args.empty() ? std::string() : args[0].describe();
    std::string title = args.size() > 1 ? args[1].describe() : std::string();
    env.window().dialogs().msgbox(text, title);
    return {};
  };
  b["isvarname"] = [](CallEnv&, const ValueList& args, int) -> ValueList {
    return {Value(isVarName(textArg(args, 0)) ? 1.0 : 0.0)};
  };
  b["iskeyword"] = [](CallEnv&, const ValueList& args, int) -> ValueList {
    return {Value(isKeyword(textArg(args, 0)) ? 1.0 : 0.0)};
  };
}

}  // namespace varnok::shell

#include "shell/callback.hpp"

#include <cctype>

#include "platform/matrix/text.hpp"

namespace varnok::shell {

namespace {

struct Parser {
  std::string_view s;
  size_t i = 0;
  std::string error;

  void skipBlanks() {
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
  }
  bool fail(std::string why) {
    error = std::move(why);
    return false;
  }
  bool identifier(std::string& out) {
    if (i >= s.size() || !(std::isalpha(static_cast<unsigned char>(s[i])))) return false;
    size_t b = i;
    while (i < s.size() && (std::isalnum(static_cast<unsigned char>(s[i])) || s[i] == '_')) ++i;
    out = std::string(s.substr(b, i - b));
    return true;
  }
  bool argument(CallbackArg& out) {
    skipBlanks();
    if (i >= s.size()) return fail("an argument is missing");
    char c = s[i];
    if (c == '\'') {
      std::string text;
      ++i;
      while (true) {
        if (i >= s.size()) return fail("a quoted text is not closed");
        if (s[i] == '\'') {
          if (i + 1 < s.size() && s[i + 1] == '\'') {
            text += '\'';
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        text += s[i++];
      }
      out = Value(text);
      return true;
    }
    if (c == '[') {
      ++i;
      skipBlanks();
      if (i >= s.size() || s[i] != ']') return fail("only [] is allowed between brackets");
      ++i;
      out = Value();
      return true;
    }
    std::string name;
    if (identifier(name)) {
      if (name == "gca")
        out = CallbackSymbol::Gca;
      else if (name == "gcf")
        out = CallbackSymbol::Gcf;
      else if (name == "gcbo")
        out = CallbackSymbol::Gcbo;
      else
        return fail("unknown name \"" + name + "\" in the arguments");
      return true;
    }
    size_t b = i;
    while (i < s.size() && s[i] != ',' && s[i] != ')' && s[i] != ' ' && s[i] != '\t') ++i;
    Mat m = str2num(s.substr(b, i - b));
    if (m.size() != 1) return fail("\"" + std::string(s.substr(b, i - b)) + "\" is not a number");
    out = Value(m(0, 0));
    return true;
  }
};

}  // namespace

std::optional<CallbackCall> parseCallback(std::string_view text, std::string* error) {
  Parser p;
  p.s = text;
  CallbackCall call;
  auto failed = [&](std::string why) -> std::optional<CallbackCall> {
    if (error) *error = std::move(why);
    return std::nullopt;
  };
  p.skipBlanks();
  if (!p.identifier(call.name)) return failed("a callback starts with a routine name");
  p.skipBlanks();
  if (p.i < text.size() && text[p.i] == '(') {
    ++p.i;
    p.skipBlanks();
    if (p.i < text.size() && text[p.i] == ')') {
      ++p.i;
    } else {
      while (true) {
        CallbackArg a;
        if (!p.argument(a)) return failed(p.error);
        call.args.push_back(std::move(a));
        p.skipBlanks();
        if (p.i < text.size() && text[p.i] == ',') {
          ++p.i;
          continue;
        }
        if (p.i < text.size() && text[p.i] == ')') {
          ++p.i;
          break;
        }
        return failed("expected , or ) after an argument");
      }
    }
  }
  p.skipBlanks();
  if (p.i < text.size() && text[p.i] == ';') ++p.i;
  p.skipBlanks();
  if (p.i != text.size()) return failed("unexpected text after the call");
  return call;
}

}  // namespace varnok::shell

// Script files of script mode: the parser, with the callback grammar as the
// check of callback lines. Nothing is run: steps write files.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "platform/window/script_parser.hpp"
#include "shell/callback.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::istringstream in{std::string(reinterpret_cast<const char*>(data), size)};
  auto check = [](std::string_view text, std::string* why) {
    return varnok::shell::parseCallback(text, why).has_value();
  };
  (void)varnok::window::parseScript(in, "/fuzz/session", check);
  return 0;
}

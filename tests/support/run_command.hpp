// Running the program (or any command) from a test through the shell.
#pragma once

#include <array>
#include <cstdio>
#include <filesystem>
#include <string>

namespace varnok::testkit {

// Runs cmd; returns what it wrote to standard output, and in *status what
// pclose gave (-1 when the command could not be started).
inline std::string commandOutput(const std::string& cmd, int* status = nullptr) {
  std::FILE* p = popen(cmd.c_str(), "r");
  if (p == nullptr) {
    if (status) *status = -1;
    return {};
  }
  std::string out;
  std::array<char, 4096> buf{};
  for (std::size_t n; (n = std::fread(buf.data(), 1, buf.size(), p)) > 0;)
    out.append(buf.data(), n);
  const int rc = pclose(p);
  if (status) *status = rc;
  return out;
}

// The command that runs the script session.vks of folder dir in script mode
// without a display; errors is where standard error goes ("2>&1" to keep it
// with the output).
inline std::string scriptCommand(const std::filesystem::path& dir,
                                 const std::string& errors = "2>stderr.txt") {
  return "cd '" + dir.string() + "' && QT_QPA_PLATFORM=offscreen '" +
         VARNOK_BINARY_DIR "/varnok' --script session.vks " + errors;
}

}  // namespace varnok::testkit

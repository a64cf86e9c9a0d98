#include "platform/matrix/files.hpp"

#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "platform/matrix/runtime_error.hpp"

namespace varnok {

namespace fs = std::filesystem;

std::string temporaryPathFor(const std::string& path) {
  static std::atomic<unsigned> counter{0};
  fs::path p(path);
  std::string name = "." + p.filename().string() + ".tmp" + std::to_string(::getpid()) + "_" +
                     std::to_string(counter++);
  return (p.parent_path() / name).string();
}

void commitTemporary(const std::string& tmp, const std::string& path) {
  std::error_code ec;
  fs::rename(tmp, path, ec);
  if (ec) {
    fs::remove(tmp, ec);
    throw RuntimeError("The file " + path + " could not be written: " + ec.message() + ".");
  }
}

namespace {

// Writes content to a new temporary file beside path and returns its name.
std::string writeTemporary(const std::string& path, std::string_view content) {
  std::error_code ec;
  if (fs::is_directory(path, ec))
    throw RuntimeError("The file " + path + " could not be written: it is a folder.");
  const std::string tmp = temporaryPathFor(path);
  std::FILE* f = std::fopen(tmp.c_str(), "wb");
  if (f == nullptr)
    throw RuntimeError("The file " + path + " could not be written: " + std::strerror(errno) + ".");
  bool ok = std::fwrite(content.data(), 1, content.size(), f) == content.size();
  ok = std::fflush(f) == 0 && ok;
  ok = ::fsync(::fileno(f)) == 0 && ok;
  int err = errno;
  ok = std::fclose(f) == 0 && ok;
  if (!ok) {
    fs::remove(tmp, ec);
    throw RuntimeError("The file " + path + " could not be written: " + std::strerror(err) + ".");
  }
  return tmp;
}

}  // namespace

void writeFileAtomically(const std::string& path, std::string_view content) {
  commitTemporary(writeTemporary(path, content), path);
}

void writeFilesAtomically(const std::vector<std::pair<std::string, std::string>>& files) {
  std::vector<std::string> temporaries;
  try {
    for (const auto& [path, content] : files) temporaries.push_back(writeTemporary(path, content));
  } catch (...) {
    std::error_code ec;
    for (const auto& tmp : temporaries) fs::remove(tmp, ec);
    throw;
  }
  for (std::size_t i = 0; i < files.size(); ++i) {
    try {
      commitTemporary(temporaries[i], files[i].first);
    } catch (...) {
      std::error_code ec;
      for (std::size_t j = i + 1; j < files.size(); ++j) fs::remove(temporaries[j], ec);
      throw;
    }
  }
}

}  // namespace varnok

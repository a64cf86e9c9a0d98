#include "platform/qt/command_line.hpp"

#include <algorithm>
#include <array>
#include <cctype>
#include <string_view>

namespace varnok::qt {

namespace {

// The extension of the last path component, lower case, with its dot; empty
// without one (a leading dot names a hidden file, not an extension).
std::string extensionOf(const std::string& path) {
  const auto slash = path.find_last_of('/');
  const std::string_view name = slash == std::string::npos
                                    ? std::string_view(path)
                                    : std::string_view(path).substr(slash + 1);
  const auto dot = name.find_last_of('.');
  if (dot == std::string_view::npos || dot == 0) return {};
  std::string ext(name.substr(dot));
  std::transform(ext.begin(), ext.end(), ext.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return ext;
}

constexpr std::array<std::string_view, 3> kDataExtensions = {".tps", ".nts", ".txt"};

}  // namespace

StartRequest startRequest(const std::vector<std::string>& words,
                          const std::function<bool(const std::string&)>& isFile) {
  StartRequest request;
  if (words.empty()) return request;
  const std::string& first = words.front();
  const std::string ext = extensionOf(first);
  if (ext == ".vks") {
    request.kind = StartRequest::Kind::SessionScript;
  } else if (std::find(kDataExtensions.begin(), kDataExtensions.end(), ext) !=
                 kDataExtensions.end() ||
             isFile(first)) {
    request.kind = StartRequest::Kind::DataFile;
  } else {
    request.kind = StartRequest::Kind::Routine;
    return request;
  }
  request.file = first;
  if (words.size() > 1) request.kind = StartRequest::Kind::TooManyWords;
  return request;
}

}  // namespace varnok::qt

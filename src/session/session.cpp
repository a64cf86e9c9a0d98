#include "session/session.hpp"

#include <filesystem>

namespace varnok::session {

namespace fs = std::filesystem;

std::string Session::resolve(std::string_view path) const {
  fs::path p{std::string(path)};
  if (p.is_absolute() || folder.empty()) return p.string();
  return (fs::path(folder) / p).string();
}

void Session::changeFolder(std::string_view to) {
  if (to.empty()) return;
  std::error_code ec;
  fs::path p = fs::absolute(fs::path(resolve(to)), ec);
  // Like cd: a folder that is not there leaves the current one.
  if (ec || !fs::is_directory(p, ec)) return;
  std::string s = p.lexically_normal().string();
  if (s.empty() || s.back() != fs::path::preferred_separator) s += fs::path::preferred_separator;
  folder = std::move(s);
}

}  // namespace varnok::session

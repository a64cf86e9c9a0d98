#include "session/session.hpp"

#include <cmath>
#include <filesystem>

#include "platform/matrix/text.hpp"

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

std::string Session::groupLabel(double g) const {
  if (g >= 1 && g <= static_cast<double>(groupNames.size()) && g == std::floor(g)) {
    const std::string& name = groupNames[static_cast<std::size_t>(g) - 1];
    if (!name.empty()) return name;
  }
  return "Group " + num2str(g);
}

bool Curation::empty() const {
  for (bool r : reflected)
    if (r) return false;
  for (bool e : excluded)
    if (e) return false;
  return groups.empty();
}

void Session::forgetLoadedData() {
  loadedData_ = SharedMat();
  loadedIds.clear();
  loadedGroups.clear();
  groupFile.clear();
  curation = Curation();
  lastAnalysis = LastAnalysis::None;
  specimenNumbers.clear();
  classifiers = Classifiers();
  groupedBy.clear();
  // Which points slide belongs to the data.
  curves.clear();
  sliderRows = Mat();
  figures.flippedAxes.clear();
  figures.lastDeformation.reset();
  outline.clear();
  outlineSpecimen = 0;
}

}  // namespace varnok::session

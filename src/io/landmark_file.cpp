#include "io/landmark_file.hpp"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <istream>

#include "io/dload.hpp"
#include "io/landmark_text.hpp"
#include "io/nts.hpp"
#include "io/tps.hpp"
#include "platform/matrix/text.hpp"

namespace varnok::io {

namespace fs = std::filesystem;

namespace {

// The specimen names are the only text a landmark file gives, and they go
// into UTF-8 files: when they are not all UTF-8, the file's text is Latin-1
// (utf8FromFile's rule, applied to every name alike).
void namesAsUtf8(std::vector<std::string>& ids) {
  if (std::all_of(ids.begin(), ids.end(), [](const std::string& id) { return isUtf8(id); })) return;
  for (std::string& id : ids) id = latin1ToUtf8(id);
}

LandmarkFile parseAs(LandmarkFormat format, std::istream& in, const std::string& name,
                     const TpsOptions& tps) {
  LandmarkFile f;
  f.format = format;
  switch (format) {
    case LandmarkFormat::Plain:
      f.data = readNumeric(in, name);
      break;
    case LandmarkFormat::Nts: {
      NtsData d = readNts(in, name);
      f.data = std::move(d.data);
      f.ids = std::move(d.ids);
      namesAsUtf8(f.ids);
      break;
    }
    case LandmarkFormat::Tps: {
      TpsData d = readTps(in, name, tps);
      f.data = std::move(d.data);
      f.ids = std::move(d.ids);
      namesAsUtf8(f.ids);
      f.curves = std::move(d.curves);
      f.landmarks = d.landmarks;
      // Curves read as points are not skipped.
      if (d.curvePoints > 0 && !tps.readCurves)
        f.notes.push_back("Skipped " + std::to_string(d.curvePoints) + " curve points in " + name +
                          ": semilandmarks are not used.");
      if (d.outlinePoints > 0 && !tps.readCurves)
        f.notes.push_back("Skipped " + std::to_string(d.outlinePoints) + " outline points in " +
                          name + ": outlines are not used.");
      if (d.unscaled > 0)
        f.notes.push_back(std::to_string(d.unscaled) + " of the " + std::to_string(f.data.rows()) +
                          " specimens in " + name +
                          " have no SCALE=: their coordinates are used unscaled, in other units "
                          "than the rest.");
      break;
    }
  }
  return f;
}

}  // namespace

LandmarkFormat detectLandmarkFormat(std::istream& in) {
  text::LineReader lines(in);
  std::string line;
  while (lines.next(line)) {
    const std::string_view t = text::trim(line);
    if (t.empty() || t.front() == '#') continue;
    if (t.front() == '"' || t.front() == '\'') return LandmarkFormat::Nts;
    if (isTpsKeyLine(t)) return LandmarkFormat::Tps;
    if (isNtsHeader(t)) return LandmarkFormat::Nts;
    return LandmarkFormat::Plain;
  }
  return LandmarkFormat::Plain;
}

LandmarkFile readLandmarks(std::istream& in, const std::string& displayName,
                           const TpsOptions& tps) {
  const auto start = in.tellg();
  const LandmarkFormat format = detectLandmarkFormat(in);
  in.clear();
  in.seekg(start);
  return parseAs(format, in, displayName, tps);
}

LandmarkFile readLandmarkFile(const std::string& path, const std::string& displayName,
                              const TpsOptions& tps) {
  const std::string name = displayName.empty() ? fs::path(path).filename().string() : displayName;
  std::error_code ec;
  // Only a regular file is looked into here; anything else (a folder, a
  // device, a pipe, a file that cannot be opened) goes to the numeric
  // reader, which refuses it with a message saying what it is.
  LandmarkFormat format = LandmarkFormat::Plain;
  std::ifstream in;
  if (fs::is_regular_file(path, ec)) {
    in.open(path, std::ios::binary);
    if (in) format = detectLandmarkFormat(in);
  }
  if (format == LandmarkFormat::Plain) {
    in.close();
    NumericText t = readNumericText(path, name);
    LandmarkFile f;
    f.data = std::move(t.data);
    f.stopLine = t.stopLine;
    f.unreadLines = t.unreadLines;
    return f;
  }
  in.clear();
  in.seekg(0);
  return parseAs(format, in, name, tps);
}

}  // namespace varnok::io

#include "analysis/aligned_coordinates.hpp"

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "analysis/results_table.hpp"
#include "io/curves.hpp"
#include "platform/matrix/files.hpp"
#include "platform/matrix/runtime_error.hpp"
#include "platform/matrix/text.hpp"

namespace varnok::analysis {

namespace fs = std::filesystem;
using Eigen::Index;

namespace {

constexpr const char* kTitle = "File Name for Aligned Coordinates";
constexpr const char* kFilter = "TPS files (*.tps);;CSV files (*.csv)";

}  // namespace

std::string alignedCoordinates(const session::Session& session, AlignedFormat format) {
  const auto& s = session.state;
  const Mat& data = session::need(*s.DATA, "DATA");
  const Mat& glist = session::need(s.GLIST, "GLIST");
  const Index N = data.rows(), L = (data.cols() - 1) / 2;
  if (glist.rows() != N)
    throw RuntimeError(
        "Run-time Error: The analysis results do not fit together; run the analysis again.");
  const bool named = static_cast<Index>(session.specimenIds.size()) == N;
  const bool numbered = static_cast<Index>(session.specimenNumbers.size()) == N;
  const auto number = [&](Index i) {
    return numbered ? session.specimenNumbers[static_cast<std::size_t>(i)]
                    : static_cast<long>(i + 1);
  };
  std::vector<bool> sliding(static_cast<std::size_t>(L), false);
  for (const morpho::Slider& k : io::studySliders(session))
    if (k.point >= 0 && k.point < L) sliding[static_cast<std::size_t>(k.point)] = true;

  std::string out;
  if (format == AlignedFormat::Csv) out += "specimen,id,group,point,x,y,sliding\n";
  for (Index i = 0; i < N; ++i) {
    const std::string id = named ? session.specimenIds[static_cast<std::size_t>(i)] : "";
    if (format == AlignedFormat::Tps) out += "LM=" + std::to_string(L) + "\n";
    for (Index j = 0; j < L; ++j) {
      if (format == AlignedFormat::Csv) {
        out += std::to_string(number(i));
        out += ',';
        appendCsvField(out, id);
        out += ',';
        appendShortestText(out, glist(i, 0));
        out += ',' + std::to_string(j + 1) + ',';
      }
      appendShortestText(out, data(i, 2 * j));
      out += format == AlignedFormat::Csv ? ',' : ' ';
      appendShortestText(out, data(i, 2 * j + 1));
      if (format == AlignedFormat::Csv) out += sliding[static_cast<std::size_t>(j)] ? ",1" : ",0";
      out += '\n';
    }
    // A name on more than one line would end the ID= line early.
    if (format == AlignedFormat::Tps) {
      std::string one = id.empty() ? std::to_string(number(i)) : id;
      std::replace_if(
          one.begin(), one.end(), [](char c) { return c == '\n' || c == '\r'; }, ' ');
      out += "ID=" + one + "\n";
    }
  }
  return out;
}

void ExportAlignedCoordinates(session::Session& session, window::Window& window, Console& console) {
  if (session.state.PCAScores.size() == 0) {
    window.dialogs().warn(kRunAnalysisFirst, "Export Aligned Coordinates");
    return;
  }
  auto choice = window.dialogs().uiputfile(kFilter, kTitle, session.folder);
  if (!choice) return;
  std::string name = choice->name;
  std::string ext = fs::path(name).extension().string();
  std::transform(ext.begin(), ext.end(), ext.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (!name.empty() && ext.empty()) name += ".tps";
  const AlignedFormat format = ext == ".csv" ? AlignedFormat::Csv : AlignedFormat::Tps;
  const std::string text = alignedCoordinates(session, format);
  const std::string path = session.resolve(choice->folder + name);
  session.changeFolder(choice->folder);
  try {
    if (const std::string note = writeFileAtomically(path, text); !note.empty()) console.line(note);
  } catch (const RuntimeError& e) {
    window.dialogs().warn(e.what(), "Error Saving File");
    return;
  }
  console.line("Wrote the aligned coordinates of " + std::to_string(session.state.DATA->rows()) +
               " specimens to " + fs::path(path).filename().string());
  window.confirmSaved(
      "the aligned coordinates of " + std::to_string(session.state.DATA->rows()) + " specimens",
      path);
}

}  // namespace varnok::analysis

#include "analysis/results_table.hpp"

#include <cmath>
#include <filesystem>

#include "analysis/aligned_coordinates.hpp"
#include "analysis/statistics_actions.hpp"
#include "platform/matrix/files.hpp"
#include "platform/matrix/runtime_error.hpp"
#include "platform/matrix/text.hpp"

namespace varnok::analysis {

namespace fs = std::filesystem;

namespace {

constexpr const char* kTitle = "File Name for Results Table";
constexpr const char* kFilter = "CSV files (*.csv)";
constexpr const char* kSaveErrorTitle = "Error Saving File";

// The shortest text that reads back as the same double.
void appendNumber(std::string& out, double v) {
  if (std::isnan(v)) {
    out += "NaN";
  } else if (std::isinf(v)) {
    out += v > 0 ? "Inf" : "-Inf";
  } else {
    appendShortestText(out, v);
  }
}

}  // namespace

ResultsTables resultsTables(const session::AnalysisState& s, const std::vector<std::string>& ids,
                            const std::vector<long>& numbers,
                            const std::vector<ResultsColumn>& extra,
                            const std::vector<TextColumn>& labels) {
  const Mat& scores = session::need(s.PCAScores, "PCAScores");
  const Mat& D = session::need(s.Dmatrix, "Dmatrix");
  const Mat& shares = session::need(s.percentexp, "percentexp");
  const Mat& glist = session::need(s.GLIST, "GLIST");
  const double numPCA = session::need(s.NumPCA, "NumPCA");
  // The shape variables end with each specimen's centroid size.
  const Mat& pw = session::need(s.pwscores, "pwscores");
  const Eigen::Index N = scores.rows(), V = scores.cols();
  // Axis k is column NumPCA - k: the analysis stores NumPCA = V + 1.
  if (numPCA != static_cast<double>(V + 1) || D.rows() != V || D.cols() != V ||
      shares.size() != V || glist.size() != N || pw.rows() != N || pw.cols() == 0)
    throw RuntimeError(
        "Run-time Error: The analysis results do not fit together; run the analysis again.");
  const bool named = !ids.empty() && static_cast<Eigen::Index>(ids.size()) == N;
  const bool numbered = static_cast<Eigen::Index>(numbers.size()) == N;

  ResultsTables t;
  t.scores = named ? "specimen,id,group" : "specimen,group";
  for (const TextColumn& c : labels) {
    if (static_cast<Eigen::Index>(c.values.size()) != N)
      throw RuntimeError("Run-time Error: The classifiers do not fit the analysis; run it again.");
    t.scores += ',';
    appendCsvField(t.scores, c.name);
  }
  t.scores += ",centroid_size";
  for (Eigen::Index k = 1; k <= V; ++k) t.scores += ",PC" + std::to_string(k);
  for (const ResultsColumn& c : extra) {
    if (c.values.size() != N)
      throw RuntimeError("Run-time Error: The statistics do not fit the analysis; run them again.");
    t.scores += ',' + c.name;
  }
  t.scores += '\n';
  for (Eigen::Index i = 0; i < N; ++i) {
    t.scores += std::to_string(numbered ? numbers[static_cast<std::size_t>(i)] : i + 1);
    t.scores += ',';
    if (named) {
      appendCsvField(t.scores, ids[static_cast<std::size_t>(i)]);
      t.scores += ',';
    }
    appendNumber(t.scores, glist(i));
    for (const TextColumn& c : labels) {
      t.scores += ',';
      appendCsvField(t.scores, c.values[static_cast<std::size_t>(i)]);
    }
    t.scores += ',';
    appendNumber(t.scores, pw(i, pw.cols() - 1));
    for (Eigen::Index k = 1; k <= V; ++k) {
      t.scores += ',';
      appendNumber(t.scores, scores(i, V - k));
    }
    for (const ResultsColumn& c : extra) {
      t.scores += ',';
      appendNumber(t.scores, c.values(i));
    }
    t.scores += '\n';
  }

  t.eigenvalues = "axis,eigenvalue,share,cumulative_share\n";
  double cumulative = 0;
  for (Eigen::Index k = 1; k <= V; ++k) {
    const double share = shares(V - k);
    cumulative += share;
    t.eigenvalues += std::to_string(k);
    t.eigenvalues += ',';
    appendNumber(t.eigenvalues, D(V - k, V - k));
    t.eigenvalues += ',';
    appendNumber(t.eigenvalues, share);
    t.eigenvalues += ',';
    appendNumber(t.eigenvalues, cumulative);
    t.eigenvalues += '\n';
  }
  return t;
}

std::string eigenvaluesPathFor(const std::string& scoresPath) {
  const fs::path p(scoresPath);
  return (p.parent_path() / (p.stem().string() + "_eigenvalues.csv")).string();
}

std::string coordinatesPathFor(const std::string& scoresPath) {
  const fs::path p(scoresPath);
  return (p.parent_path() / (p.stem().string() + "_coordinates.csv")).string();
}

std::vector<TextColumn> labelColumns(const session::Session& session) {
  std::vector<TextColumn> out;
  const Mat& glist = session.state.GLIST;
  const auto rows = static_cast<std::size_t>(glist.size());
  if (!session.groupNames.empty()) {
    TextColumn names{"group_name", std::vector<std::string>(rows)};
    for (std::size_t i = 0; i < rows; ++i) {
      const double g = glist(static_cast<Eigen::Index>(i));
      if (g >= 1 && g <= static_cast<double>(session.groupNames.size()) && g == std::floor(g))
        names.values[i] = session.groupNames[static_cast<std::size_t>(g) - 1];
    }
    out.push_back(std::move(names));
  }
  const auto& cl = session.classifiers;
  for (std::size_t c = 0; c < cl.columns.size(); ++c) {
    TextColumn column{cl.columns[c], std::vector<std::string>(rows)};
    for (std::size_t i = 0; i < rows; ++i) {
      const std::size_t loaded = i < session.specimenNumbers.size()
                                     ? static_cast<std::size_t>(session.specimenNumbers[i] - 1)
                                     : i;
      if (loaded < cl.values[c].size()) column.values[i] = cl.values[c][loaded];
    }
    out.push_back(std::move(column));
  }
  return out;
}

void ExportResultsTable(session::Session& session, window::Window& window, Console& console) {
  if (session.state.PCAScores.size() == 0) {
    window.dialogs().warn(kRunAnalysisFirst, "Export Results Table");
    return;
  }
  // Both tables are made before anything is asked, so nothing can fail after
  // the user has chosen a name but before the write.
  const ResultsTables tables =
      resultsTables(session.state, session.specimenIds, session.specimenNumbers,
                    statisticsColumns(session), labelColumns(session));
  const std::string coordinates = alignedCoordinates(session, AlignedFormat::Csv);
  auto choice = window.dialogs().uiputfile(kFilter, kTitle, session.folder);
  if (!choice) return;
  std::string name = choice->name;
  // A name typed without an extension gets the one the filter shows.
  if (!name.empty() && fs::path(name).extension().empty()) name += ".csv";
  const std::string path = session.resolve(choice->folder + name);
  const std::string eigenPath = eigenvaluesPathFor(path);
  const std::string coordinatesPath = coordinatesPathFor(path);
  session.changeFolder(choice->folder);
  try {
    // The tables are one result: every target is checked before any is
    // written, so a refusal leaves no part of an older set replaced.
    if (const std::string notes = writeFilesAtomically({{path, tables.scores},
                                                        {eigenPath, tables.eigenvalues},
                                                        {coordinatesPath, coordinates}});
        !notes.empty())
      console.line(notes);
  } catch (const RuntimeError& e) {
    window.dialogs().warn(e.what(), kSaveErrorTitle);
    return;
  }
  console.line("Wrote the results table " + fs::path(path).filename().string() + ", " +
               fs::path(eigenPath).filename().string() + " and " +
               fs::path(coordinatesPath).filename().string());
  window.confirmSaved(
      "the results table of " + std::to_string(session.state.PCAScores.rows()) + " specimens",
      path);
}

}  // namespace varnok::analysis

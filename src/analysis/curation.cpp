#include "analysis/curation.hpp"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <map>
#include <optional>
#include <set>

#include "analysis/pipeline.hpp"
#include "io/curves.hpp"
#include "morpho/getconsensus.hpp"
#include "morpho/mirrored.hpp"
#include "platform/matrix/text.hpp"

namespace varnok::analysis {

namespace {

constexpr const char* kFindTitle = "Find Mirrored Specimens";
constexpr const char* kReflectTitle = "Reflect Specimens";
constexpr const char* kExcludeTitle = "Exclude Specimens";
constexpr const char* kIncludeTitle = "Include All Specimens";
constexpr const char* kGroupsTitle = "Select Groups";
constexpr const char* kLoadFirst = "Load a landmark data file first.";
constexpr const char* kSpecimenPrompt =
    "Specimens (numbers, ranges such as 40-42, IDs, or the word mirrored):";

std::size_t at(Eigen::Index i) {
  return static_cast<std::size_t>(i);
}

std::vector<std::string_view> words(std::string_view text) {
  std::vector<std::string_view> out;
  std::size_t i = 0;
  auto gap = [](char c) { return c == ',' || std::isspace(static_cast<unsigned char>(c)) != 0; };
  while (i < text.size()) {
    while (i < text.size() && gap(text[i])) ++i;
    std::size_t start = i;
    while (i < text.size() && !gap(text[i])) ++i;
    if (i > start) out.push_back(text.substr(start, i - start));
  }
  return out;
}

// A whole number written in digits only; nullopt for anything else or one too
// large to be a count.
std::optional<long long> digits(std::string_view t) {
  if (t.empty() || !std::all_of(t.begin(), t.end(),
                                [](char c) { return std::isdigit(static_cast<unsigned char>(c)); }))
    return std::nullopt;
  long long v = 0;
  auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
  if (ec != std::errc() || end != t.data() + t.size()) return std::nullopt;
  return v;
}

bool isWord(std::string_view t, std::string_view word) {
  return t.size() == word.size() &&
         std::equal(t.begin(), t.end(), word.begin(), [](char a, char b) {
           return std::tolower(static_cast<unsigned char>(a)) == b;
         });
}

std::string countText(Eigen::Index n) {
  return std::to_string(n);
}

bool hasData(session::ActionContext& ctx, const char* title) {
  if (ctx.session.loadedData().size() != 0) return true;
  ctx.window.dialogs().warn(kLoadFirst, title);
  return false;
}

// The analysed data the choice makes: the kept rows, reflected ones as -x.
Mat curatedData(const session::Session& session, const session::Curation& curation,
                const std::vector<Eigen::Index>& kept) {
  const Mat& loaded = session.loadedData();
  const Eigen::Index xy = loaded.cols() - 1;
  Mat out(static_cast<Eigen::Index>(kept.size()), loaded.cols());
  for (Eigen::Index i = 0; i < out.rows(); ++i) {
    const Eigen::Index row = kept[at(i)];
    out.row(i) = loaded.row(row);
    if (!curation.isReflected(at(row))) continue;
    for (Eigen::Index j = 0; j < xy; j += 2) out(i, j) = -out(i, j);
  }
  return out;
}

// "12 (W012), 40 (W040)" for rows of the loaded file.
std::string specimenNames(const session::Session& session, const std::vector<Eigen::Index>& rows) {
  std::string out;
  for (Eigen::Index row : rows) {
    if (!out.empty()) out += ", ";
    out += std::to_string(row + 1);
    if (at(row) < session.loadedIds.size() && !session.loadedIds[at(row)].empty())
      out += " (" + session.loadedIds[at(row)] + ")";
  }
  return out;
}

std::string fileBoxText(const session::Session& session, const session::Curation& curation,
                        const std::vector<Eigen::Index>& kept) {
  const std::string name = std::filesystem::path(session.dataFile).filename().string();
  const auto all = session.loadedData().rows();
  const auto n = static_cast<Eigen::Index>(kept.size());
  const double landmarks = static_cast<double>((session.loadedData().cols() - 1) / 2);
  Eigen::Index reflected = 0;
  for (Eigen::Index row : kept) reflected += curation.isReflected(at(row)) ? 1 : 0;
  std::string count = sprintf("%3.0f", {static_cast<double>(n)});
  count += n < all ? " of " + countText(all) + " specimens, " + countText(all - n) + " excluded"
                   : std::string(" Specimens");
  if (reflected > 0) count += ", " + countText(reflected) + " reflected";
  if (!curation.groups.empty()) {
    count += ", groups";
    for (double g : curation.groups) count += " " + num2str(g);
  }
  return "File: " + name + " \n " + count + " \n " + sprintf("%3.0f Landmarks", {landmarks}) +
         io::curvesBoxLine(session);
}

// The kept specimens that the mirror rule finds, as rows of the loaded file;
// nullopt after a message when the data cannot be examined.
std::optional<std::vector<Eigen::Index>> mirroredKept(session::ActionContext& ctx,
                                                      const char* title) {
  const auto& session = ctx.session;
  const auto kept = keptRows(session, session.curation);
  const Mat data = curatedData(session, session.curation, kept);
  if (auto problem = dataProblem(data)) {
    ctx.window.dialogs().warn(*problem, title);
    return std::nullopt;
  }
  // The consensus of the last analysis, or the one it would compute now.
  RowVec consensus;
  if (session.lastAnalysis != session::LastAnalysis::None && ctx.state.reference.size() != 0)
    consensus = ctx.state.reference.row(0);
  else
    consensus = morpho::getconsensus(data, {}, ctx.progress).y;
  std::vector<Eigen::Index> rows;
  for (Eigen::Index i : morpho::mirroredRows(data, consensus)) rows.push_back(kept[at(i)]);
  return rows;
}

// Makes next the choice: checks it, makes the analysed data from it and runs
// the last analysis again. On a refusal or a failure everything stays as it
// was; false after a refusal.
bool applyCuration(session::ActionContext& ctx, session::Curation next, const char* title) {
  auto& session = ctx.session;
  auto& s = ctx.state;
  const auto kept = keptRows(session, next);
  const auto n = static_cast<Eigen::Index>(kept.size());
  if (n < 3) {
    ctx.window.dialogs().warn("Only " + countText(n) + (n == 1 ? " specimen" : " specimens") +
                                  " would be left; the analysis needs at least 3.",
                              title);
    return false;
  }
  Mat glist;
  if (session.lastAnalysis == session::LastAnalysis::GroupList) {
    glist.resize(n, 1);
    std::vector<Eigen::Index> unnamed;
    for (Eigen::Index i = 0; i < n; ++i) {
      const auto row = at(kept[at(i)]);
      glist(i, 0) = row < session.loadedGroups.size() ? session.loadedGroups[row] : std::nan("");
      if (std::isnan(glist(i, 0))) unnamed.push_back(kept[at(i)]);
    }
    if (!unnamed.empty()) {
      ctx.window.dialogs().warn(
          "The group list names no group for specimen " + specimenNames(session, unnamed) +
              ": it named only the specimens kept when it was loaded. Load a group list of all " +
              countText(session.loadedData().rows()) + " specimens first.",
          title);
      return false;
    }
    std::map<double, Eigen::Index> before, after;
    for (Eigen::Index row : keptRows(session, session.curation))
      if (at(row) < session.loadedGroups.size() && !std::isnan(session.loadedGroups[at(row)]))
        ++before[session.loadedGroups[at(row)]];
    for (Eigen::Index i = 0; i < n; ++i) ++after[glist(i, 0)];
    for (const auto& [code, count] : after) {
      if (count < 2 && before[code] >= 2) {
        ctx.window.dialogs().warn(
            "Group " + num2str(code) + " would keep only 1 specimen; a group needs at least 2.",
            title);
        return false;
      }
    }
  }

  // Everything the new choice changes, to put back if the analysis fails.
  auto& box = ctx.window.control("FileBox");
  const Value oldBox = box.get("String");
  SharedMat oldData = s.DATA;
  auto oldIds = std::move(session.specimenIds);
  auto oldNumbers = std::move(session.specimenNumbers);
  auto oldCuration = std::move(session.curation);
  const auto oldMarkers = std::array{s.marker1x, s.marker1y, s.marker2x, s.marker2y};
  auto restore = [&] {
    s.DATA = std::move(oldData);
    session.specimenIds = std::move(oldIds);
    session.specimenNumbers = std::move(oldNumbers);
    session.curation = std::move(oldCuration);
    s.marker1x = oldMarkers[0], s.marker1y = oldMarkers[1];
    s.marker2x = oldMarkers[2], s.marker2y = oldMarkers[3];
    box.set("String", oldBox);
  };

  s.DATA = curatedData(session, next, kept);
  session.specimenIds.clear();
  if (!session.loadedIds.empty())
    for (Eigen::Index row : kept) session.specimenIds.push_back(session.loadedIds[at(row)]);
  session.specimenNumbers.clear();
  if (n != session.loadedData().rows())
    for (Eigen::Index row : kept) session.specimenNumbers.push_back(static_cast<long>(row + 1));
  box.set("String", fileBoxText(session, next, kept));
  session.curation = std::move(next);
  if (session.lastAnalysis == session::LastAnalysis::None) return true;

  // Markers placed on the last analysis's axes mean nothing on the new ones.
  s.marker1x = s.marker2x = s.marker1y = s.marker2y = 0;
  bool ran = false;
  try {
    ran = runAnalysisAgain(ctx, glist);
  } catch (...) {
    restore();
    throw;
  }
  if (!ran) restore();
  return ran;
}

// Asks for a list of specimens; nullopt when cancelled or refused (after a
// message).
std::optional<std::vector<Eigen::Index>> askSpecimens(session::ActionContext& ctx,
                                                      const char* title) {
  auto answer = ctx.window.dialogs().inputdlg({kSpecimenPrompt}, title, {""});
  if (!answer || answer->empty()) return std::nullopt;
  const auto& session = ctx.session;
  SpecimenList list =
      parseSpecimenList(answer->front(), session.loadedData().rows(), session.loadedIds);
  if (!list.problem.empty()) {
    ctx.window.dialogs().warn(list.problem, title);
    return std::nullopt;
  }
  std::set<Eigen::Index> rows(list.rows.begin(), list.rows.end());
  if (list.mirrored) {
    auto mirrored = mirroredKept(ctx, title);
    if (!mirrored) return std::nullopt;
    rows.insert(mirrored->begin(), mirrored->end());
  }
  if (rows.empty()) {
    ctx.window.dialogs().warn("No specimen is mirrored; nothing was changed.", title);
    return std::nullopt;
  }
  return std::vector<Eigen::Index>(rows.begin(), rows.end());
}

}  // namespace

SpecimenList parseSpecimenList(std::string_view text, Eigen::Index count,
                               const std::vector<std::string>& ids) {
  SpecimenList out;
  const auto fail = [&out](std::string why) {
    out.rows.clear();
    out.problem = std::move(why);
    return out;
  };
  const std::string span = "the data hold specimens 1 to " + std::to_string(count) + ".";
  const auto list = words(text);
  if (list.empty())
    return fail(
        "Name at least one specimen: numbers, ranges such as 40-42, IDs or the word "
        "mirrored.");
  for (std::string_view w : list) {
    if (isWord(w, "mirrored")) {
      out.mirrored = true;
      continue;
    }
    if (auto v = digits(w)) {
      if (*v < 1 || *v > count) return fail("There is no specimen " + std::string(w) + ": " + span);
      out.rows.push_back(static_cast<Eigen::Index>(*v - 1));
      continue;
    }
    if (auto id = std::find(ids.begin(), ids.end(), w); id != ids.end()) {
      out.rows.push_back(static_cast<Eigen::Index>(id - ids.begin()));
      continue;
    }
    const auto dash = w.find('-');
    const auto from = dash == std::string_view::npos ? std::nullopt : digits(w.substr(0, dash));
    const auto to = dash == std::string_view::npos ? std::nullopt : digits(w.substr(dash + 1));
    if (!from || !to)
      return fail("\"" + std::string(w) +
                  "\" is not a specimen number, a range such as 40-42, an ID of the data file or "
                  "the word mirrored.");
    if (*from > *to)
      return fail("The range " + std::string(w) + " runs backwards; write it " +
                  std::to_string(*to) + "-" + std::to_string(*from) + ".");
    if (*from < 1 || *to > count)
      return fail("The range " + std::string(w) + " goes outside the data: " + span);
    for (long long i = *from; i <= *to; ++i) out.rows.push_back(static_cast<Eigen::Index>(i - 1));
  }
  return out;
}

std::vector<Eigen::Index> keptRows(const session::Session& session,
                                   const session::Curation& curation) {
  std::vector<Eigen::Index> rows;
  const Eigen::Index n = session.loadedData().rows();
  for (Eigen::Index i = 0; i < n; ++i) {
    if (curation.isExcluded(at(i))) continue;
    if (!curation.groups.empty()) {
      if (at(i) >= session.loadedGroups.size()) continue;
      const double code = session.loadedGroups[at(i)];
      if (std::find(curation.groups.begin(), curation.groups.end(), code) == curation.groups.end())
        continue;
    }
    rows.push_back(i);
  }
  return rows;
}

std::string mirroredLine(const session::Session& session, const std::vector<Eigen::Index>& rows) {
  std::vector<Eigen::Index> loaded;
  for (Eigen::Index i : rows)
    loaded.push_back(at(i) < session.specimenNumbers.size()
                         ? static_cast<Eigen::Index>(session.specimenNumbers[at(i)] - 1)
                         : i);
  return "Mirrored: " + specimenNames(session, loaded);
}

void FindMirrored(session::ActionContext& ctx) {
  if (!hasData(ctx, kFindTitle)) return;
  auto rows = mirroredKept(ctx, kFindTitle);
  if (!rows) return;
  ctx.console.line(rows->empty() ? std::string("No specimen is mirrored.")
                                 : "Mirrored: " + specimenNames(ctx.session, *rows));
}

void ReflectSpecimens(session::ActionContext& ctx) {
  if (!hasData(ctx, kReflectTitle)) return;
  auto rows = askSpecimens(ctx, kReflectTitle);
  if (!rows) return;
  session::Curation next = ctx.session.curation;
  next.reflected.resize(at(ctx.session.loadedData().rows()), false);
  for (Eigen::Index row : *rows) next.reflected[at(row)] = !next.reflected[at(row)];
  if (applyCuration(ctx, std::move(next), kReflectTitle))
    ctx.console.line("Reflected: " + specimenNames(ctx.session, *rows));
}

void ExcludeSpecimens(session::ActionContext& ctx) {
  if (!hasData(ctx, kExcludeTitle)) return;
  auto rows = askSpecimens(ctx, kExcludeTitle);
  if (!rows) return;
  session::Curation next = ctx.session.curation;
  next.excluded.resize(at(ctx.session.loadedData().rows()), false);
  for (Eigen::Index row : *rows) next.excluded[at(row)] = true;
  if (applyCuration(ctx, std::move(next), kExcludeTitle))
    ctx.console.line("Excluded: " + specimenNames(ctx.session, *rows));
}

void IncludeAllSpecimens(session::ActionContext& ctx) {
  if (!hasData(ctx, kIncludeTitle)) return;
  session::Curation next = ctx.session.curation;
  const bool anyLeftOut =
      std::find(next.excluded.begin(), next.excluded.end(), true) != next.excluded.end() ||
      !next.groups.empty();
  // Nothing to take back: the analysis stays as it is.
  if (!anyLeftOut) {
    ctx.console.line("Every specimen is included.");
    return;
  }
  next.excluded.clear();
  next.groups.clear();
  if (applyCuration(ctx, std::move(next), kIncludeTitle))
    ctx.console.line("Every specimen is included.");
}

void SelectGroups(session::ActionContext& ctx) {
  if (!hasData(ctx, kGroupsTitle)) return;
  const auto& session = ctx.session;
  if (session.loadedGroups.empty()) {
    ctx.window.dialogs().warn("Load a group list first: the groups are the codes it gives.",
                              kGroupsTitle);
    return;
  }
  std::string current;
  for (double g : session.curation.groups) current += (current.empty() ? "" : " ") + num2str(g);
  auto answer = ctx.window.dialogs().inputdlg({"Group codes to analyse (such as 1 3 4):"},
                                              kGroupsTitle, {current});
  if (!answer || answer->empty()) return;
  const auto list = words(answer->front());
  if (list.empty()) {
    ctx.window.dialogs().warn("Name at least one group code.", kGroupsTitle);
    return;
  }
  // How many specimens left in have each code.
  std::map<double, Eigen::Index> counts;
  for (std::size_t i = 0; i < session.loadedGroups.size(); ++i)
    if (!session.curation.isExcluded(i) && !std::isnan(session.loadedGroups[i]))
      ++counts[session.loadedGroups[i]];
  std::vector<double> codes;
  for (std::string_view w : list) {
    const auto v = digits(w);
    if (!v) {
      ctx.window.dialogs().warn("\"" + std::string(w) + "\" is not a group code.", kGroupsTitle);
      return;
    }
    const auto code = static_cast<double>(*v);
    const Eigen::Index count = counts.count(code) ? counts[code] : 0;
    if (count < 2) {
      ctx.window.dialogs().warn(
          count == 0 ? "No specimen left in has the group code " + std::string(w) + "."
                     : "Group " + std::string(w) +
                           " has only 1 specimen left in; a group needs at least 2.",
          kGroupsTitle);
      return;
    }
    if (std::find(codes.begin(), codes.end(), code) == codes.end()) codes.push_back(code);
  }
  std::sort(codes.begin(), codes.end());
  session::Curation next = session.curation;
  next.groups = codes;
  if (applyCuration(ctx, std::move(next), kGroupsTitle)) {
    std::string line = "Analysing groups";
    for (double g : codes) line += " " + num2str(g);
    ctx.console.line(line + ".");
  }
}

}  // namespace varnok::analysis

#include "analysis/group_by.hpp"

#include <algorithm>
#include <map>

#include "analysis/pipeline.hpp"
#include "io/group_names.hpp"
#include "io/input_file.hpp"
#include "io/landmark_text.hpp"
#include "platform/matrix/text.hpp"

namespace varnok::analysis {

namespace {

constexpr const char* kPrompt = "Column to group by (such as Species, or Species*Sex):";

std::string quoted(std::string_view s) {
  return "\"" + io::quoteForMessage(s) + "\"";
}

std::string joined(const std::vector<std::string>& parts, std::string_view between) {
  std::string out;
  for (const std::string& p : parts) out += (out.empty() ? "" : std::string(between)) + p;
  return out;
}

// The column indexes choice names: the whole text when a column has that
// name (which may hold a '*'), else the names between the '*'s.
std::vector<std::size_t> columnsOf(const std::vector<std::string>& columns, std::string_view choice,
                                   std::string& problem) {
  const auto indexOf = [&](std::string_view name) {
    return static_cast<std::size_t>(std::find(columns.begin(), columns.end(), name) -
                                    columns.begin());
  };
  const std::string_view whole = io::text::trim(choice);
  if (const std::size_t at = indexOf(whole); at < columns.size()) return {at};
  std::vector<std::size_t> out;
  std::size_t start = 0;
  for (;;) {
    const std::size_t star = whole.find('*', start);
    const std::string_view name = io::text::trim(whole.substr(start, star - start));
    const std::size_t at = indexOf(name);
    if (at >= columns.size()) {
      problem = "The table has no column " + quoted(name) + "; its columns are " +
                joined(columns, ", ") + ".";
      return {};
    }
    if (std::find(out.begin(), out.end(), at) != out.end()) {
      problem = "The column " + quoted(name) + " is named twice.";
      return {};
    }
    out.push_back(at);
    if (star == std::string_view::npos) return out;
    start = star + 1;
  }
}

}  // namespace

Grouping groupingOf(const session::Session::Classifiers& classifiers, std::string_view choice,
                    const std::vector<std::string>& ids) {
  Grouping g;
  const std::vector<std::size_t> columns = columnsOf(classifiers.columns, choice, g.problem);
  if (columns.empty()) return g;
  for (std::size_t c : columns) g.columns.push_back(classifiers.columns[c]);
  const std::size_t count = classifiers.values[columns[0]].size();

  // Every specimen's values, checked for blanks first.
  std::vector<std::vector<std::string>> keys(count);
  for (std::size_t i = 0; i < count; ++i) {
    for (std::size_t c : columns) {
      const std::string& v = classifiers.values[c][i];
      if (v.empty()) {
        const bool named = i < ids.size() && !ids[i].empty();
        g.problem = "Specimen " + std::to_string(i + 1) +
                    (named ? " (" + quoted(ids[i]) + ")" : "") + " has no value in the column " +
                    quoted(classifiers.columns[c]) + ".";
        return g;
      }
      keys[i].push_back(v);
    }
  }
  // std::string orders by the bytes (char_traits compares as unsigned char).
  std::map<std::vector<std::string>, double> codes;
  for (const auto& k : keys) codes.emplace(k, 0.0);
  if (codes.size() > kMaxGroups) {
    g.problem = joined(g.columns, "*") + " gives " + std::to_string(codes.size()) +
                " groups; at most " + std::to_string(kMaxGroups) + " can be told apart.";
    return g;
  }
  double next = 1;
  for (auto& [key, code] : codes) {
    code = next++;
    g.names.push_back(joined(key, " * "));
  }
  g.codes.reserve(count);
  for (const auto& k : keys) g.codes.push_back(codes.at(k));
  return g;
}

std::string groupingLabel(const session::Session& session) {
  return session.groupedBy.empty() ? std::string("group") : joined(session.groupedBy, " * ");
}

void GroupBy(session::ActionContext& ctx) {
  auto& session = ctx.session;
  auto& dialogs = ctx.window.dialogs();
  if (session.loadedData().size() == 0) {
    dialogs.msgbox("Load a landmark data file first.", kGroupByTitle);
    return;
  }
  const auto& cl = session.classifiers;
  if (cl.empty()) {
    dialogs.msgbox("Load a table of classifiers first (File > Load Classifiers...).",
                   kGroupByTitle);
    return;
  }
  // The kept specimens are chosen by their group codes: new codes would
  // choose others.
  if (!session.curation.groups.empty()) {
    dialogs.msgbox(
        "Only some groups are analysed; choose Include All Specimens before grouping again.",
        kGroupByTitle);
    return;
  }
  const std::string current = joined(session.groupedBy, "*");
  auto answer =
      dialogs.inputdlg({kPrompt}, kGroupByTitle, {current.empty() ? cl.columns[0] : current});
  if (!answer || answer->empty()) return;
  Grouping g = groupingOf(cl, answer->front(), session.loadedIds);
  if (!g.problem.empty()) {
    dialogs.msgbox(g.problem, kGroupByTitle);
    return;
  }
  for (const std::string& name : g.names)
    if (name.size() > io::kMaxGroupNameBytes) {
      dialogs.msgbox("The group " + quoted(name) + " has a name longer than " +
                         std::to_string(io::kMaxGroupNameBytes) + " characters.",
                     kGroupByTitle);
      return;
    }

  // The codes of the rows the analysis sees (the kept ones when specimens
  // are left out).
  const Eigen::Index m = session::need(*ctx.state.DATA, "DATA").rows();
  Mat glist(m, 1);
  for (Eigen::Index i = 0; i < m; ++i) {
    const auto row =
        session.specimenNumbers.empty()
            ? static_cast<std::size_t>(i)
            : static_cast<std::size_t>(session.specimenNumbers[static_cast<std::size_t>(i)] - 1);
    glist(i, 0) = g.codes[row];
  }
  const auto& s = ctx.state;
  const bool table = s.altcode.value_or(0) != 0;
  if (groupCodeProblem(glist, table, s.codearray.rows())) {
    const double top = glist.size() > 0 ? glist.maxCoeff() : 0;
    dialogs.msgbox(joined(g.columns, "*") + " gives " + num2str(top) +
                       " groups, but the plot has symbols for " +
                       (table ? num2str(static_cast<double>(s.codearray.rows())) +
                                    " (the rows of the symbol code table in use)."
                              : std::string("24 (the default symbols); load a symbol code "
                                            "table with more rows.")),
                   kGroupByTitle);
    return;
  }
  const std::string label = joined(g.columns, "*");
  if (!runGroupAnalysis(ctx, std::move(glist), cl.file + " (" + label + ")")) return;
  session.loadedGroups = std::move(g.codes);
  session.groupNames = g.names;
  session.groupedBy = g.columns;
  io::relabelLegend(session, ctx.window);
  std::string groups;
  for (std::size_t k = 0; k < g.names.size(); ++k)
    groups += (k == 0 ? "" : ", ") + std::to_string(k + 1) + " = " + g.names[k];
  ctx.console.line("Groups by " + label + ": " + groups);
}

}  // namespace varnok::analysis

// Group By: the groups of the analysis from a column of the study's table
// of classifiers (io/classifiers.hpp), or from the combinations of several
// columns that occur ("Species*Sex").
//
// The groups are numbered 1, 2, ... in the order of their values by the
// bytes of their UTF-8 text (combinations by the first column, then the
// next), and named by their values ("albistylum", "albistylum * Female").
// The analysis then runs as LoadGroupList runs with a file of those codes,
// and the names are the group names, as Load Group Names sets them. A
// refusal (no table, a column that does not exist, a specimen without a
// value, too many groups) says what is wrong and changes nothing.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "session/action_context.hpp"

namespace varnok::analysis {

// The most groups a grouping may give.
inline constexpr std::size_t kMaxGroups = 200;

// The groups a column choice gives the loaded specimens: the columns named,
// each loaded specimen's code and each code's name (name k - 1 for code k),
// or what is wrong (problem not empty). ids name the loaded specimens in
// messages; without them, their numbers do.
struct Grouping {
  std::vector<std::string> columns;
  std::vector<double> codes;
  std::vector<std::string> names;
  std::string problem;
};
Grouping groupingOf(const session::Session::Classifiers& classifiers, std::string_view choice,
                    const std::vector<std::string>& ids);

// The label of the current grouping for the statistics: the columns joined
// by " * ", or "group" when the groups come from a group list.
std::string groupingLabel(const session::Session& session);

// Analysis > Group By...: asks for the column (script: answer input COLUMN).
void GroupBy(session::ActionContext& ctx);

inline constexpr const char* kGroupByTitle = "Group By";

}  // namespace varnok::analysis

// Curating a study: finding mirrored specimens, reflecting them back,
// leaving specimens out and analysing some groups only.
//
// The data as read (Session::loadedData(), loadedIds) are never changed: the
// choice (Session::curation) makes DATA and specimenIds from them, the kept
// specimens in file order with the reflected ones' x coordinates as -x (their
// centroid size unchanged), so everything afterwards is what a data file of
// just those rows would give. When an analysis has run, a new choice runs it
// again at once the way it last ran (with the group codes of the kept
// specimens, or as one group); before, it changes only the data. A refused
// choice (an unknown number or ID, a malformed range, too few specimens
// left) says what is wrong and changes nothing.
//
// Specimens are named by their numbers in the loaded file (1-based), ranges
// "40-42", their IDs, or the word "mirrored" for those that
// morpho::mirroredRows finds among the kept ones.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "session/action_context.hpp"

namespace varnok::analysis {

// Data > Find Mirrored Specimens: lists the mirrored specimens on the console.
void FindMirrored(session::ActionContext& ctx);
// Data > Reflect Specimens...: mirrors the specimens named (again: back).
void ReflectSpecimens(session::ActionContext& ctx);
// Data > Exclude Specimens...: leaves the specimens named out.
void ExcludeSpecimens(session::ActionContext& ctx);
// Data > Include All Specimens: takes every specimen and group part again.
void IncludeAllSpecimens(session::ActionContext& ctx);
// Data > Select Groups...: only the specimens of the group codes named.
void SelectGroups(session::ActionContext& ctx);

// A list of specimens as the user wrote it, read against the loaded file's
// count and IDs: the 0-based rows named (in the order written, repeats
// kept), whether "mirrored" was among them, or what is wrong.
struct SpecimenList {
  std::vector<Eigen::Index> rows;
  bool mirrored = false;
  std::string problem;  // empty when the text reads
};
SpecimenList parseSpecimenList(std::string_view text, Eigen::Index count,
                               const std::vector<std::string>& ids);

// The rows of the loaded data that the choice keeps, ascending.
std::vector<Eigen::Index> keptRows(const session::Session& session,
                                   const session::Curation& curation);

// The console line naming the mirrored rows of DATA by their numbers in the
// loaded file and their IDs: "Mirrored: 12 (W012), 40 (W040)".
std::string mirroredLine(const session::Session& session, const std::vector<Eigen::Index>& rows);

}  // namespace varnok::analysis

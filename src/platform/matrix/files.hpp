// Writing files completely or not at all.
//
// The text goes to a temporary file in the target's folder, is flushed, and
// only then renamed over the target, so a failure (full disk, no permission,
// a crash half way) never leaves a half-written or emptied file behind.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace varnok {

// Throws RuntimeError naming the file when it cannot be written; the target
// is then as it was.
void writeFileAtomically(const std::string& path, std::string_view content);

// Writes several files as one: every content goes to its temporary file
// first, and only when all are written are they renamed over their targets,
// so a failure while writing leaves every target as it was. (A rename that
// fails after others succeeded, which needs the folder to change under us,
// leaves the earlier ones written.) files holds (path, content) pairs.
void writeFilesAtomically(const std::vector<std::pair<std::string, std::string>>& files);

// A temporary name beside path, for writers that need a path of their own
// (the caller renames it with commitTemporary or removes it).
std::string temporaryPathFor(const std::string& path);
// Renames tmp over path; on failure removes tmp and throws RuntimeError.
void commitTemporary(const std::string& tmp, const std::string& path);

}  // namespace varnok

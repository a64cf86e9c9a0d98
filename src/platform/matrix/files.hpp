// Writing files completely or not at all.
//
// The text goes to a temporary file in the target's folder, is flushed, and
// only then renamed over the target, so a failure (full disk, no permission,
// a crash half way) never leaves a half-written or emptied file behind.
#pragma once

#include <string>
#include <string_view>

namespace varnok {

// Throws RuntimeError naming the file when it cannot be written; the target
// is then as it was.
void writeFileAtomically(const std::string& path, std::string_view content);

// A temporary name beside path, for writers that need a path of their own
// (the caller renames it with commitTemporary or removes it).
std::string temporaryPathFor(const std::string& path);
// Renames tmp over path; on failure removes tmp and throws RuntimeError.
void commitTemporary(const std::string& tmp, const std::string& path);

}  // namespace varnok

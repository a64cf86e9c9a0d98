// Writing files completely or not at all. Every file the program writes goes
// through here.
//
// The content goes to a new temporary file beside the target, created
// exclusively under an unpredictable name, is flushed to the disk, and only
// then renamed over the target, so a failure (full disk, no permission, a
// crash half way) never leaves a half-written or emptied file behind.
//
// - A symbolic link is written through: the file it points to gets the
//   content and the link stays.
// - An existing target keeps its permission bits and, where the system
//   allows, its owner and group. A new file gets 0666 less the umask.
// - A target with more than one hard link is replaced like any other: the
//   name written names the new file, the other names keep the old content
//   whole (a copy over it in place could be cut short by a crash), and the
//   writer returns a note saying so.
// - A target whose owner could not be kept (another user's file this user
//   may write) is overwritten in place once the temporary file is
//   complete, so it keeps its owner. Its size is reserved first, so a full
//   disk is found before anything is overwritten; a failure while
//   overwriting replaces the target's name by the complete temporary file.
// - In a shared folder (sticky and writable by everyone, as /tmp) a
//   symbolic link owned by neither the user nor the folder's owner is not
//   followed: the write is refused naming the file.
// - Folders, named pipes, devices and sockets are refused, and so are files
//   the user may not write or that are marked read-only (no write bit at
//   all, which also protects them from root).
// - Temporary files are named ".vk-" + a hash of the target's name + 6
//   random characters + ".tmp". Ones older than a minute for the same
//   target are left from an interrupted save and are removed at the next
//   save.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace varnok {

// Receives the bytes of a file being written.
class FileSink {
 public:
  virtual ~FileSink() = default;
  // Appends bytes; false once writing has failed (the writer then reports
  // the system's reason, so the caller need not).
  virtual bool write(const void* data, std::size_t size) = 0;
  bool write(std::string_view text) { return write(text.data(), text.size()); }
  virtual bool ok() const = 0;
};

// Throws RuntimeError "The file PATH could not be written: REASON." when it
// cannot be written; the target is then as it was. Returns a note for the
// user when the file had other names (hard links) that keep the old
// content, else an empty text.
std::string writeFileAtomically(const std::string& path, std::string_view content);

// As above, the content made by produce into the sink. An exception from
// produce removes the temporary file and passes on; the target is as it was.
std::string writeFileAtomically(const std::string& path,
                                const std::function<void(FileSink&)>& produce);

// Files that belong together (a table and its companion), written as one
// group: every target is checked first (and that no two are the same file,
// through a link), every content is written to its temporary file, and only
// then are they put in place, so a refused or failed write leaves all of
// them as they were. Throws RuntimeError and returns notes (one a line) as
// writeFileAtomically.
std::string writeFilesAtomically(
    const std::vector<std::pair<std::string, std::string_view>>& files);

// The start of the temporary names for a target named name (without its
// folder).
std::string temporaryPrefixFor(std::string_view name);

}  // namespace varnok

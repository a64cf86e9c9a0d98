#include "platform/matrix/files.hpp"

#include <dirent.h>
#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <vector>

#include "platform/matrix/runtime_error.hpp"

namespace varnok {

namespace {

constexpr const char* kTempSuffix = ".tmp";
constexpr std::size_t kRandomChars = 6;
constexpr int kMaxLinks = 40;
constexpr std::time_t kStaleSeconds = 60;

[[noreturn]] void cannot(const std::string& path, const std::string& why) {
  throw RuntimeError("The file " + path + " could not be written: " + why + ".");
}

// The system's words for an error; a failure is never described as success.
std::string reason(int err) {
  return std::strerror(err != 0 ? err : EIO);
}

std::string folderOf(const std::string& path) {
  const auto slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string nameOf(const std::string& path) {
  const auto slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string join(const std::string& folder, const std::string& name) {
  return folder == "/" ? "/" + name : folder + "/" + name;
}

// Follows symbolic links from path to the file they name, which need not
// exist yet (a link to a file still to be made). st describes it when it
// exists.
std::string followLinks(const std::string& path, struct stat& st, bool& exists) {
  std::string target = path;
  for (int hops = 0;; ++hops) {
    if (::lstat(target.c_str(), &st) != 0) {
      if (errno == ENOENT) {
        exists = false;
        return target;
      }
      cannot(path, reason(errno));
    }
    if (!S_ISLNK(st.st_mode)) {
      exists = true;
      return target;
    }
    if (hops == kMaxLinks) cannot(path, reason(ELOOP));
    // In a shared folder (sticky and writable by everyone, as /tmp) a link
    // of another user may point anywhere, planted for whoever saves there
    // next; the kernel's protection against that cannot see links resolved
    // here, so the same rule is kept here.
    const std::string folder = folderOf(target);
    struct stat dir {};
    if (st.st_uid != ::geteuid() && ::stat(folder.c_str(), &dir) == 0 &&
        (dir.st_mode & S_ISVTX) != 0 && (dir.st_mode & S_IWOTH) != 0 && st.st_uid != dir.st_uid)
      cannot(path, "it is a symbolic link that another user made in the shared folder " + folder +
                       ", and such a link is not followed");
    std::vector<char> buf(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 255) + 2);
    const ssize_t n = ::readlink(target.c_str(), buf.data(), buf.size());
    if (n < 0) cannot(path, reason(errno));
    if (static_cast<std::size_t>(n) >= buf.size()) cannot(path, reason(ENAMETOOLONG));
    std::string link(buf.data(), static_cast<std::size_t>(n));
    target = !link.empty() && link[0] == '/' ? link : join(folderOf(target), link);
  }
}

// Why an existing file may not be replaced; empty when it may.
std::string refusal(const std::string& file, const struct stat& st) {
  if (S_ISDIR(st.st_mode)) return "it is a folder";
  if (S_ISFIFO(st.st_mode)) return "it is a named pipe (FIFO), not a regular file";
  if (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode)) return "it is a device, not a regular file";
  if (S_ISSOCK(st.st_mode)) return "it is a socket, not a regular file";
  if (!S_ISREG(st.st_mode)) return "it is not a regular file";
  if ((st.st_mode & 0222) == 0) return "it is read-only";
  if (::faccessat(AT_FDCWD, file.c_str(), W_OK, AT_EACCESS) != 0) {
    if (errno == EACCES || errno == EPERM) return "you have no permission to write it";
    return reason(errno);
  }
  return "";
}

std::string randomChars(std::size_t n) {
  static constexpr char kAlphabet[] =
      "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  static std::atomic<std::uint64_t> counter{0};
  std::vector<unsigned char> bytes(n);
  if (::getrandom(bytes.data(), n, GRND_NONBLOCK) != static_cast<ssize_t>(n)) {
    // No entropy yet (very early boot): still unpredictable enough to avoid
    // clashes, and the file is created exclusively anyway.
    std::uint64_t x =
        static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
        (static_cast<std::uint64_t>(::getpid()) << 32) ^ counter++;
    for (auto& b : bytes) {
      x ^= x << 13;
      x ^= x >> 7;
      x ^= x << 17;
      b = static_cast<unsigned char>(x);
    }
  }
  std::string out;
  for (unsigned char b : bytes) out += kAlphabet[b % (sizeof kAlphabet - 1)];
  return out;
}

// Removes our temporary files for this target left by a save that did not
// finish (a crash, a killed process). Only regular files of this user with
// the exact shape of our names, not changed for a minute, are removed.
void removeStaleTemporaries(const std::string& folder, const std::string& prefix) {
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return;
  const int dfd = ::dirfd(dir);
  const std::time_t now = std::time(nullptr);
  const std::size_t length = prefix.size() + kRandomChars + std::strlen(kTempSuffix);
  while (const dirent* entry = ::readdir(dir)) {
    const std::string_view name(entry->d_name);
    if (name.size() != length || name.substr(0, prefix.size()) != prefix ||
        name.substr(length - std::strlen(kTempSuffix)) != kTempSuffix)
      continue;
    struct stat st {};
    if (::fstatat(dfd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
    if (!S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) continue;
    if (now - st.st_mtime < kStaleSeconds) continue;
    ::unlinkat(dfd, entry->d_name, 0);
  }
  ::closedir(dir);
}

// Buffered writes to a file descriptor, keeping the first error.
class DescriptorSink : public FileSink {
 public:
  explicit DescriptorSink(int fd) : fd_(fd), buffer_(1 << 16) {}
  bool write(const void* data, std::size_t size) override {
    if (error_ != 0) return false;
    if (used_ + size > buffer_.size()) {
      if (!flush()) return false;
      if (size >= buffer_.size()) return writeAll(static_cast<const char*>(data), size);
    }
    std::memcpy(buffer_.data() + used_, data, size);
    used_ += size;
    return true;
  }
  bool ok() const override { return error_ == 0; }
  bool flush() {
    if (error_ != 0) return false;
    const bool done = writeAll(buffer_.data(), used_);
    used_ = 0;
    return done;
  }
  int error() const { return error_; }
  long long written() const { return written_; }

 private:
  bool writeAll(const char* p, std::size_t n) {
    while (n > 0) {
      const ssize_t w = ::write(fd_, p, n);
      if (w < 0) {
        if (errno == EINTR) continue;
        error_ = errno != 0 ? errno : EIO;
        return false;
      }
      if (w == 0) {
        error_ = EIO;
        return false;
      }
      p += w;
      n -= static_cast<std::size_t>(w);
      written_ += w;
    }
    return true;
  }

  int fd_;
  std::vector<char> buffer_;
  std::size_t used_ = 0;
  int error_ = 0;
  long long written_ = 0;
};

// Copies the complete temporary file over the target in place, so that all
// its hard links see the new content. Returns 0 or the errno of the failure;
// *touched tells whether the target was changed before it.
int overwriteInPlace(const std::string& tmp, const std::string& target, const struct stat& before,
                     long long size, bool* touched) {
  *touched = false;
  const int in = ::open(tmp.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return errno;
  const int out = ::open(target.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (out < 0) {
    const int err = errno;
    ::close(in);
    return err;
  }
  int err = 0;
  struct stat st {};
  if (::fstat(out, &st) != 0) {
    err = errno;
  } else if (st.st_dev != before.st_dev || st.st_ino != before.st_ino || !S_ISREG(st.st_mode)) {
    err = EBUSY;  // swapped for another file meanwhile
  } else if (size > st.st_size && ::fallocate(out, 0, 0, size) != 0 && errno != EOPNOTSUPP &&
             errno != ENOSYS) {
    err = errno;  // no room: found before anything is overwritten
  }
  if (err == 0) {
    std::vector<char> buf(1 << 16);
    long long offset = 0;
    while (err == 0) {
      const ssize_t n = ::read(in, buf.data(), buf.size());
      if (n < 0) {
        if (errno == EINTR) continue;
        err = errno;
        break;
      }
      if (n == 0) break;
      for (ssize_t done = 0; done < n && err == 0;) {
        const ssize_t w = ::pwrite(out, buf.data() + done, static_cast<std::size_t>(n - done),
                                   static_cast<off_t>(offset));
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) {
          err = w < 0 ? errno : EIO;
          break;
        }
        *touched = true;
        done += w;
        offset += w;
      }
    }
    if (err == 0 && ::ftruncate(out, static_cast<off_t>(size)) != 0) err = errno;
    if (err == 0 && ::fsync(out) != 0) err = errno;
  }
  ::close(in);
  if (::close(out) != 0 && err == 0) err = errno;
  return err;
}

std::uint32_t fnv1a(std::string_view s) {
  std::uint32_t h = 2166136261u;
  for (unsigned char c : s) {
    h ^= c;
    h *= 16777619u;
  }
  return h;
}

// A file written to its temporary file beside the target, not yet put in
// its place.
struct Staged {
  std::string path, target, folder, tmp;
  struct stat st {};
  bool exists = false, inPlace = false;
  long long size = 0;
};

// The file path resolves to, refused when it may not be replaced.
Staged checkTarget(const std::string& path) {
  if (path.empty()) cannot(path, "no file name was given");
  Staged s;
  s.path = path;
  s.target = followLinks(path, s.st, s.exists);
  if (s.exists)
    if (std::string why = refusal(s.target, s.st); !why.empty()) cannot(path, why);
  s.folder = folderOf(s.target);
  return s;
}

// Writes the content to a complete temporary file beside the target; on
// failure nothing is left and the target is as it was.
void stage(Staged& s, const std::function<void(FileSink&)>& produce) {
  const std::string& path = s.path;
  const std::string prefix = temporaryPrefixFor(nameOf(s.target));
  removeStaleTemporaries(s.folder, prefix);

  // A new file is created with the mode the umask leaves of 0666; the
  // temporary file of an existing one stays private until it has the
  // target's mode.
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    s.tmp = join(s.folder, prefix + randomChars(kRandomChars) + kTempSuffix);
    fd = ::open(s.tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                s.exists ? 0600 : 0666);
    if (fd < 0 && errno != EEXIST) break;
  }
  if (fd < 0) {
    const int err = errno;
    s.tmp.clear();
    if (err == EACCES || err == EPERM)
      cannot(path, "you have no permission to write in its folder");
    if (err == ENOENT) cannot(path, "its folder does not exist");
    cannot(path, reason(err));
  }
  auto discard = [&]() {
    ::close(fd);
    ::unlink(s.tmp.c_str());
    s.tmp.clear();
  };

  DescriptorSink sink(fd);
  try {
    produce(sink);
  } catch (...) {
    discard();
    throw;
  }
  int err = 0;
  if (!sink.flush()) err = sink.error();
  if (err == 0 && ::fsync(fd) != 0) err = errno;

  // The owner, group and permission bits of the file replaced. Changing the
  // owner is for root only; when it cannot be kept the file is overwritten
  // in place instead, which keeps it.
  s.inPlace = false;
  if (err == 0 && s.exists) {
    struct stat mine {};
    if (::fstat(fd, &mine) == 0 && (mine.st_uid != s.st.st_uid || mine.st_gid != s.st.st_gid) &&
        ::fchown(fd, s.st.st_uid, s.st.st_gid) != 0)
      s.inPlace = true;
    if (::fchmod(fd, s.st.st_mode & 07777) != 0) err = errno;
  }
  if (err != 0) {
    discard();
    cannot(path, reason(err));
  }
  s.size = sink.written();
  if (::close(fd) != 0) {
    err = errno;
    ::unlink(s.tmp.c_str());
    s.tmp.clear();
    cannot(path, reason(err));
  }
}

// What the user should know about a file put in place: a name of a file
// with other names (hard links) now names the new file, and the other
// names keep the old content.
std::string linkNote(const Staged& s) {
  if (!s.exists || s.inPlace || s.st.st_nlink < 2) return "";
  return "The file " + s.path + " had other names (hard links); it was replaced, and its " +
         std::to_string(s.st.st_nlink - 1) +
         (s.st.st_nlink == 2 ? " other name keeps" : " other names keep") + " the old content.";
}

// Puts the complete temporary file in the target's place.
void commit(Staged& s) {
  const std::string& path = s.path;
  const std::string& target = s.target;
  const std::string tmp = s.tmp;
  s.tmp.clear();
  int err = 0;
  if (s.inPlace) {
    bool touched = false;
    err = overwriteInPlace(tmp, target, s.st, s.size, &touched);
    if (err == 0) {
      ::unlink(tmp.c_str());
      return;
    }
    if (!touched) {
      ::unlink(tmp.c_str());
      cannot(path, reason(err));
    }
    // Half overwritten: this name at least gets the complete content.
    if (::rename(tmp.c_str(), target.c_str()) == 0)
      throw RuntimeError("The file " + path + " was written as a new file, because overwriting " +
                         "it in place failed (" + reason(err) + "); it may have a new owner.");
    const int renameErr = errno;
    ::unlink(tmp.c_str());
    cannot(path, reason(renameErr) + "; overwriting it in place failed (" + reason(err) +
                     ") and it may be damaged");
  }

  if (::rename(tmp.c_str(), target.c_str()) != 0) {
    err = errno;
    ::unlink(tmp.c_str());
    cannot(path, reason(err));
  }
  // The rename itself reaches the disk with its folder.
  const int dfd = ::open(s.folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd >= 0) {
    ::fsync(dfd);
    ::close(dfd);
  }
}

}  // namespace

std::string temporaryPrefixFor(std::string_view name) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::uint32_t h = fnv1a(name);
  std::string out = ".vk-";
  for (int shift = 28; shift >= 0; shift -= 4) out += kHex[(h >> shift) & 15];
  return out + "-";
}

std::string writeFileAtomically(const std::string& path, std::string_view content) {
  return writeFileAtomically(path, [content](FileSink& out) { out.write(content); });
}

std::string writeFileAtomically(const std::string& path,
                                const std::function<void(FileSink&)>& produce) {
  Staged s = checkTarget(path);
  stage(s, produce);
  commit(s);
  return linkNote(s);
}

std::string writeFilesAtomically(
    const std::vector<std::pair<std::string, std::string_view>>& files) {
  // Every target is checked before any is written: a folder or a read-only
  // file among them leaves all of them as they were.
  std::vector<Staged> staged;
  staged.reserve(files.size());
  for (const auto& f : files) {
    Staged s = checkTarget(f.first);
    for (const Staged& other : staged) {
      const bool same = s.exists && other.exists
                            ? s.st.st_dev == other.st.st_dev && s.st.st_ino == other.st.st_ino
                            : s.target == other.target;
      if (same)
        cannot(s.path, "it is the same file as " + other.path +
                           " (a link to it), and both are written at once");
    }
    staged.push_back(std::move(s));
  }
  auto removeTemporaries = [&staged]() {
    for (Staged& s : staged) {
      if (s.tmp.empty()) continue;
      ::unlink(s.tmp.c_str());
      s.tmp.clear();
    }
  };
  try {
    for (std::size_t k = 0; k < files.size(); ++k) {
      const std::string_view content = files[k].second;
      stage(staged[k], [content](FileSink& out) { out.write(content); });
    }
    // Only renames are left, each of which either happens or not.
    for (Staged& s : staged) commit(s);
  } catch (...) {
    removeTemporaries();
    throw;
  }
  std::string notes;
  for (const Staged& s : staged)
    if (std::string note = linkNote(s); !note.empty()) notes += (notes.empty() ? "" : "\n") + note;
  return notes;
}

}  // namespace varnok

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

}  // namespace

std::string temporaryPrefixFor(std::string_view name) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::uint32_t h = fnv1a(name);
  std::string out = ".vk-";
  for (int shift = 28; shift >= 0; shift -= 4) out += kHex[(h >> shift) & 15];
  return out + "-";
}

void writeFileAtomically(const std::string& path, std::string_view content) {
  writeFileAtomically(path, [content](FileSink& out) { out.write(content); });
}

void writeFileAtomically(const std::string& path, const std::function<void(FileSink&)>& produce) {
  if (path.empty()) cannot(path, "no file name was given");
  struct stat st {};
  bool exists = false;
  const std::string target = followLinks(path, st, exists);
  if (exists)
    if (std::string why = refusal(target, st); !why.empty()) cannot(path, why);
  const std::string folder = folderOf(target);
  const std::string prefix = temporaryPrefixFor(nameOf(target));
  removeStaleTemporaries(folder, prefix);

  // A new file is created with the mode the umask leaves of 0666; the
  // temporary file of an existing one stays private until it has the
  // target's mode.
  std::string tmp;
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    tmp = join(folder, prefix + randomChars(kRandomChars) + kTempSuffix);
    fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                exists ? 0600 : 0666);
    if (fd < 0 && errno != EEXIST) break;
  }
  if (fd < 0) {
    const int err = errno;
    if (err == EACCES || err == EPERM)
      cannot(path, "you have no permission to write in its folder");
    if (err == ENOENT) cannot(path, "its folder does not exist");
    cannot(path, reason(err));
  }
  auto discard = [&]() {
    ::close(fd);
    ::unlink(tmp.c_str());
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
  bool inPlace = exists && st.st_nlink > 1;
  if (err == 0 && exists) {
    struct stat mine {};
    if (::fstat(fd, &mine) == 0 && (mine.st_uid != st.st_uid || mine.st_gid != st.st_gid) &&
        ::fchown(fd, st.st_uid, st.st_gid) != 0)
      inPlace = true;
    if (::fchmod(fd, st.st_mode & 07777) != 0) err = errno;
  }
  if (err != 0) {
    discard();
    cannot(path, reason(err));
  }
  if (::close(fd) != 0) {
    err = errno;
    ::unlink(tmp.c_str());
    cannot(path, reason(err));
  }

  if (inPlace) {
    bool touched = false;
    err = overwriteInPlace(tmp, target, st, sink.written(), &touched);
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
                         "it in place failed (" + reason(err) +
                         "); its other names (hard links) may hold a damaged copy.");
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
  const int dfd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd >= 0) {
    ::fsync(dfd);
    ::close(dfd);
  }
}

}  // namespace varnok

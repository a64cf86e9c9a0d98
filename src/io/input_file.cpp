#include "io/input_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

namespace varnok::io {

namespace {

// Length of the UTF-8 sequence starting at p (up to end), 0 when it is not
// a valid one.
std::size_t utf8Length(const unsigned char* p, const unsigned char* end) {
  const unsigned char c = *p;
  std::size_t n = 0;
  if (c >= 0xC2 && c <= 0xDF)
    n = 2;
  else if (c >= 0xE0 && c <= 0xEF)
    n = 3;
  else if (c >= 0xF0 && c <= 0xF4)
    n = 4;
  else
    return 0;
  if (static_cast<std::size_t>(end - p) < n) return 0;
  for (std::size_t i = 1; i < n; ++i)
    if ((p[i] & 0xC0) != 0x80) return 0;
  // Overlong forms, surrogates and code points above U+10FFFF.
  if ((c == 0xE0 && p[1] < 0xA0) || (c == 0xED && p[1] > 0x9F) || (c == 0xF0 && p[1] < 0x90) ||
      (c == 0xF4 && p[1] > 0x8F))
    return 0;
  return n;
}

[[noreturn]] void refuse(const std::string& name, const std::string& why) {
  throw FileAccessError("The file " + name + " could not be loaded: " + why);
}

// What is wrong with a file that is there but not a regular file; empty for
// a regular file.
std::string kindProblem(mode_t mode) {
  if (S_ISREG(mode)) return "";
  if (S_ISDIR(mode)) return "it is a folder, not a file.";
  if (S_ISFIFO(mode)) return "it is a named pipe (FIFO), not a regular file.";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "it is a device, not a regular file.";
  if (S_ISSOCK(mode)) return "it is a socket, not a regular file.";
  return "it is not a regular file.";
}

std::string errnoProblem(int err) {
  switch (err) {
    case ENOENT:
      return "it does not exist.";
    case ENOTDIR:
      return "a folder on its path does not exist.";
    case EACCES:
    case EPERM:
      return "you have no permission to read it.";
    default:
      return std::string(std::strerror(err)) + ".";
  }
}

}  // namespace

std::string quoteForMessage(std::string_view text, std::size_t maxChars) {
  std::string out;
  std::size_t shown = 0;
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  const auto* end = p + text.size();
  while (p < end) {
    std::size_t take = 1;
    bool showable = true;
    if (*p >= 0x80) {
      take = utf8Length(p, end);
      if (take == 0) take = 1, showable = false;
    } else if (*p < 0x20 || *p == 0x7F) {
      showable = false;
    }
    const std::size_t width = showable ? 1 : 4;
    if (shown + width > maxChars) {
      out += "...";
      break;
    }
    if (showable) {
      out.append(reinterpret_cast<const char*>(p), take);
    } else {
      static constexpr char kHex[] = "0123456789abcdef";
      out += "\\x";
      out += kHex[*p >> 4];
      out += kHex[*p & 15];
    }
    shown += width;
    p += take;
  }
  return out;
}

InputFile::InputFile(const std::string& path, std::string displayName,
                     std::optional<long long> maxBytes)
    : name_(std::move(displayName)) {
  // The kind of file is looked at before it is opened: opening a pipe for
  // reading waits for a writer, and opening some devices has effects.
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) refuse(name_, errnoProblem(errno));
  if (std::string why = kindProblem(st.st_mode); !why.empty()) refuse(name_, why);
  if (maxBytes && st.st_size > *maxBytes)
    refuse(name_, "it is larger than " + std::to_string(*maxBytes) + " bytes.");

  // Non-blocking, so a file swapped for a pipe in between cannot hang us;
  // the type is checked again on what was actually opened.
  fd_ = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd_ < 0) refuse(name_, errnoProblem(errno));
  if (::fstat(fd_, &st) != 0) {
    const int err = errno;
    ::close(fd_);
    refuse(name_, errnoProblem(err));
  }
  if (std::string why = kindProblem(st.st_mode); !why.empty()) {
    ::close(fd_);
    refuse(name_, why);
  }
  if (maxBytes && st.st_size > *maxBytes) {
    ::close(fd_);
    refuse(name_, "it is larger than " + std::to_string(*maxBytes) + " bytes.");
  }
  size_ = static_cast<long long>(st.st_size);
  const int flags = ::fcntl(fd_, F_GETFL);
  if (flags >= 0) ::fcntl(fd_, F_SETFL, flags & ~O_NONBLOCK);
}

InputFile::~InputFile() {
  if (fd_ >= 0) ::close(fd_);
}

std::size_t InputFile::read(char* buffer, std::size_t size) {
  while (true) {
    const ssize_t got = ::read(fd_, buffer, size);
    if (got >= 0) return static_cast<std::size_t>(got);
    if (errno == EINTR) continue;
    throw DataFileError("The file " + name_ + " could not be read: " + std::strerror(errno) + ".");
  }
}

std::size_t InputFile::readAt(char* buffer, std::size_t size, long long offset) const {
  while (true) {
    const ssize_t got = ::pread(fd_, buffer, size, static_cast<off_t>(offset));
    if (got >= 0) return static_cast<std::size_t>(got);
    if (errno == EINTR) continue;
    throw DataFileError("The file " + name_ + " could not be read: " + std::strerror(errno) + ".");
  }
}

std::string InputFile::readAll() {
  std::string bytes(static_cast<std::size_t>(size_), '\0');
  std::size_t got = 0;
  while (got < bytes.size()) {
    const std::size_t n = read(bytes.data() + got, bytes.size() - got);
    if (n == 0) break;
    got += n;
  }
  bytes.resize(got);
  return bytes;
}

}  // namespace varnok::io

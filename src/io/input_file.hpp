// Opening the files the user asks to read, safely.
//
// Only regular files are read. A named pipe, a device or a folder is refused
// before it is opened for reading, so choosing one never blocks the window
// (a pipe with no writer) or floods memory (/dev/zero). Every refusal is a
// message fit for a message box that names the file and says what is wrong.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "platform/matrix/runtime_error.hpp"

namespace varnok::io {

// A file that cannot be used, with a message fit for a message box.
class DataFileError : public RuntimeError {
 public:
  using RuntimeError::RuntimeError;
};

// A file that cannot be opened for reading at all (missing, a folder, no
// permission, not a regular file, too large): callers that treat such a file
// as absent catch this one.
class FileAccessError : public DataFileError {
 public:
  using DataFileError::DataFileError;
};

// Text for a message: at most maxChars characters of text, with bytes that
// cannot be shown (control bytes, broken UTF-8) written as \xNN and "..."
// where it was cut. A 10 MB token thus gives a short message.
std::string quoteForMessage(std::string_view text, std::size_t maxChars = 40);

// A regular file open for reading.
class InputFile {
 public:
  // Opens path, naming it displayName in messages. Throws FileAccessError
  // when it is missing, a folder, unreadable, not a regular file, or larger
  // than maxBytes when that is given.
  InputFile(const std::string& path, std::string displayName,
            std::optional<long long> maxBytes = std::nullopt);
  ~InputFile();
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;

  // Reads up to size bytes; 0 at the end of the file. Throws DataFileError
  // when the system cannot read it.
  std::size_t read(char* buffer, std::size_t size);
  // The rest of the file (all of it when nothing was read yet), up to the
  // size it had when opened.
  std::string readAll();
  // Reads up to size bytes at offset, leaving the position of read() as it
  // was; safe to call from several threads at once.
  std::size_t readAt(char* buffer, std::size_t size, long long offset) const;
  // The size of the file when it was opened.
  long long size() const { return size_; }
  const std::string& displayName() const { return name_; }

 private:
  int fd_ = -1;
  long long size_ = 0;
  std::string name_;
};

}  // namespace varnok::io

// Runs test code in a child process as an ordinary user, for checks of
// permissions that root would pass.
#pragma once

#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <exception>
#include <functional>
#include <string>

namespace varnok::testkit {

// Runs fn in a child process as an ordinary user (nobody when the tests run
// as root, who may read anything), and returns what it returned.
inline std::string asOrdinaryUser(const std::function<std::string()>& fn) {
  int fds[2];
  if (::pipe(fds) != 0) return "no pipe";
  const pid_t pid = ::fork();
  if (pid < 0) return "no fork";
  if (pid == 0) {
    ::close(fds[0]);
    std::string out;
    if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) {
      out = "could not become nobody";
    } else {
      try {
        out = fn();
      } catch (const std::exception& e) {
        out = std::string("exception: ") + e.what();
      }
    }
    (void)!::write(fds[1], out.data(), out.size());
    ::_exit(0);
  }
  ::close(fds[1]);
  std::string got;
  char buf[512];
  for (ssize_t n; (n = ::read(fds[0], buf, sizeof buf)) > 0;)
    got.append(buf, static_cast<size_t>(n));
  ::close(fds[0]);
  ::waitpid(pid, nullptr, 0);
  return got;
}

}  // namespace varnok::testkit

// Opening files to read: only regular files, without ever blocking, with a
// message of its own for each reason a file cannot be read.
#include "io/input_file.hpp"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

#include "io/dload.hpp"
#include "support/child_process.hpp"

namespace varnok::io {
namespace {

using testkit::asOrdinaryUser;

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// Should a reader ever open the pipe and wait for a writer, this opens its
// other end after a few seconds, so the test fails instead of hanging.
class PipeWatchdog {
 public:
  explicit PipeWatchdog(std::string fifo)
      : fifo_(std::move(fifo)), thread_([this] {
          const auto until = std::chrono::steady_clock::now() + 3s;
          while (!done_ && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(20ms);
          while (!done_) {
            const int fd = ::open(fifo_.c_str(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0) ::close(fd);
            std::this_thread::sleep_for(20ms);
          }
        }) {}
  ~PipeWatchdog() {
    done_ = true;
    thread_.join();
  }

 private:
  std::string fifo_;
  std::atomic<bool> done_{false};
  std::thread thread_;
};

class InputFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = (fs::temp_directory_path() / "varnok-io-XXXXXX").string();
    ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
    dir_ = tmpl;
    fs::permissions(dir_, fs::perms(0755));  // an ordinary user may look in
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string path(const std::string& name) const { return (dir_ / name).string(); }
  void write(const std::string& name, const std::string& text) const {
    std::ofstream(path(name), std::ios::binary) << text;
  }
  // The message of the FileAccessError reading p raises.
  static std::string refusal(const std::string& p, std::optional<long long> maxBytes = {}) {
    try {
      readNumericText(p, "", maxBytes);
    } catch (const FileAccessError& e) {
      return e.what();
    } catch (const std::exception& e) {
      return std::string("other error: ") + e.what();
    }
    return "read";
  }

  fs::path dir_;
};

TEST_F(InputFiles, MissingFolderAndUnreadableFilesEachHaveTheirMessage) {
  const std::string missing = refusal(path("missing.txt"));
  EXPECT_EQ(missing, "The file missing.txt could not be loaded: it does not exist.");
  fs::create_directory(path("folder.txt"));
  const std::string folder = refusal(path("folder.txt"));
  EXPECT_EQ(folder, "The file folder.txt could not be loaded: it is a folder, not a file.");
  write("secret.txt", "1 2\n");
  fs::permissions(path("secret.txt"), fs::perms(0200));
  const std::string secret = asOrdinaryUser([&] { return refusal(path("secret.txt")); });
  EXPECT_EQ(secret, "The file secret.txt could not be loaded: you have no permission to read it.");
  // The routine by name gives -1 for each, as for any file it cannot open.
  for (const char* name : {"missing.txt", "folder.txt"}) EXPECT_EQ(dload(path(name))(0, 0), -1);
  EXPECT_EQ(asOrdinaryUser([&] { return std::to_string(dload(path("secret.txt"))(0, 0)); }),
            "-1.000000");
}

TEST_F(InputFiles, PipesAndDevicesAreRefusedWithoutBlocking) {
  ASSERT_EQ(::mkfifo(path("pipe.txt").c_str(), 0644), 0);
  {
    PipeWatchdog watchdog(path("pipe.txt"));
    EXPECT_EQ(refusal(path("pipe.txt")),
              "The file pipe.txt could not be loaded: it is a named pipe (FIFO), not a regular "
              "file.");
    EXPECT_EQ(dload(path("pipe.txt"))(0, 0), -1);
    EXPECT_FALSE(readNumericFile(path("pipe.txt")).has_value());
  }
  // /dev/zero would otherwise be read for ever.
  EXPECT_EQ(refusal("/dev/zero"),
            "The file zero could not be loaded: it is a device, not a regular file.");
  EXPECT_EQ(dload("/dev/zero")(0, 0), -1);
}

TEST_F(InputFiles, SizeLimitForSmallFiles) {
  write("big.txt", std::string(5000, '1') + "\n");
  EXPECT_EQ(refusal(path("big.txt"), 4096),
            "The file big.txt could not be loaded: it is larger than 4096 bytes.");
  write("small.txt", "15\n");
  EXPECT_EQ(refusal(path("small.txt"), 4096), "read");
  EXPECT_EQ(readNumericText(path("small.txt"), "", 4096).data(0, 0), 15);
}

TEST_F(InputFiles, FilesAreReadWhole) {
  // Across many reads of the file layer, with every line end and a mark.
  std::string text = "\xEF\xBB\xBF";
  for (int i = 0; i < 100000; ++i)
    text += std::to_string(i) + " " + std::to_string(-i) +
            (i % 3 == 0   ? "\r\n"
             : i % 3 == 1 ? "\n"
                          : "\r");
  write("many.txt", text);
  const NumericText t = readNumericText(path("many.txt"));
  ASSERT_EQ(t.data.rows(), 100000);
  EXPECT_EQ(t.data(99999, 1), -99999);
  EXPECT_EQ(t.stopLine, 0);
}

}  // namespace
}  // namespace varnok::io

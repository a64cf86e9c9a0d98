// The one file writer: complete or nothing, and never harmful to what is
// already there.
#include "platform/matrix/files.hpp"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>

#include "platform/matrix/runtime_error.hpp"
#include "support/child_process.hpp"

namespace varnok {
namespace {

using testkit::asOrdinaryUser;

namespace fs = std::filesystem;

class FileWriter : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = (fs::temp_directory_path() / "varnok-files-XXXXXX").string();
    ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
    dir_ = tmpl;
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string path(const std::string& name) const { return (dir_ / name).string(); }
  static std::string read(const std::string& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  static void put(const std::string& p, const std::string& text) {
    std::ofstream(p, std::ios::binary) << text;
  }
  std::vector<std::string> names() const {
    std::vector<std::string> out;
    for (const auto& e : fs::directory_iterator(dir_)) out.push_back(e.path().filename().string());
    std::sort(out.begin(), out.end());
    return out;
  }
  static mode_t modeOf(const std::string& p) {
    struct stat st {};
    ::lstat(p.c_str(), &st);
    return st.st_mode & 07777;
  }
  // The message writing p raises, or "written".
  static std::string attempt(const std::string& p, const std::string& content) {
    try {
      writeFileAtomically(p, content);
    } catch (const RuntimeError& e) {
      return e.what();
    }
    return "written";
  }

  fs::path dir_;
};

TEST_F(FileWriter, ModesOfNewAndReplacedFiles) {
  const mode_t old = ::umask(022);
  writeFileAtomically(path("new.txt"), "a");
  EXPECT_EQ(modeOf(path("new.txt")), 0644u);
  ::umask(077);
  writeFileAtomically(path("private.txt"), "b");
  EXPECT_EQ(modeOf(path("private.txt")), 0600u);
  ::umask(old);
  // A replaced file keeps its bits, whatever the umask.
  put(path("kept.txt"), "old");
  ::chmod(path("kept.txt").c_str(), 0640);
  writeFileAtomically(path("kept.txt"), "new");
  EXPECT_EQ(read(path("kept.txt")), "new");
  EXPECT_EQ(modeOf(path("kept.txt")), 0640u);
  ::chmod(path("kept.txt").c_str(), 0751);
  writeFileAtomically(path("kept.txt"), "newer");
  EXPECT_EQ(modeOf(path("kept.txt")), 0751u);
  EXPECT_EQ(names(), (std::vector<std::string>{"kept.txt", "new.txt", "private.txt"}));
}

TEST_F(FileWriter, SymbolicLinksAreWrittenThrough) {
  fs::create_directory(dir_ / "real");
  put(path("real/data.txt"), "old");
  fs::create_symlink("real/data.txt", dir_ / "link.txt");
  writeFileAtomically(path("link.txt"), "through the link");
  EXPECT_TRUE(fs::is_symlink(dir_ / "link.txt"));
  EXPECT_EQ(read(path("real/data.txt")), "through the link");
  // A chain of links, and a link to a file still to be made.
  fs::create_symlink(dir_ / "link.txt", dir_ / "link2.txt");
  writeFileAtomically(path("link2.txt"), "twice");
  EXPECT_EQ(read(path("real/data.txt")), "twice");
  fs::create_symlink("real/later.txt", dir_ / "dangling.txt");
  writeFileAtomically(path("dangling.txt"), "made");
  EXPECT_TRUE(fs::is_symlink(dir_ / "dangling.txt"));
  EXPECT_EQ(read(path("real/later.txt")), "made");
  // A loop of links is an error, not a hang.
  fs::create_symlink("loop-b", dir_ / "loop-a");
  fs::create_symlink("loop-a", dir_ / "loop-b");
  EXPECT_NE(attempt(path("loop-a"), "x").find(std::strerror(ELOOP)), std::string::npos);
  std::vector<std::string> real;
  for (const auto& e : fs::directory_iterator(dir_ / "real"))
    real.push_back(e.path().filename().string());
  std::sort(real.begin(), real.end());
  EXPECT_EQ(real, (std::vector<std::string>{"data.txt", "later.txt"}));
}

TEST_F(FileWriter, HardLinkedFilesAreReplacedAndTheOtherNamesKeepTheOldContent) {
  // Copying over a hard-linked file in place could be cut short by a kill,
  // leaving new content, then zero bytes.
  put(path("a.txt"), "the old content, longer than the new");
  fs::create_hard_link(dir_ / "a.txt", dir_ / "b.txt");
  ::chmod(path("a.txt").c_str(), 0604);
  EXPECT_EQ(writeFileAtomically(path("a.txt"), "new"),
            "The file " + path("a.txt") +
                " had other names (hard links); it was replaced, and its 1 other name keeps the "
                "old content.");
  EXPECT_EQ(read(path("a.txt")), "new");
  EXPECT_EQ(read(path("b.txt")), "the old content, longer than the new");
  EXPECT_EQ(fs::hard_link_count(dir_ / "a.txt"), 1u);
  EXPECT_EQ(modeOf(path("a.txt")), 0604u);
  EXPECT_EQ(writeFileAtomically(path("a.txt"), "again"), "");
  EXPECT_EQ(names(), (std::vector<std::string>{"a.txt", "b.txt"}));
}

TEST_F(FileWriter, KilledSavesNeverDamageTheOldContent) {
  // A save killed at a random moment, 50 times: every name holds one whole
  // content, and the other name of a hard-linked file keeps the old one.
  const std::string old(100000, 'o'), a(300000, 'a'), b(200000, 'b');
  std::mt19937 random(19);
  int killedWhileSaving = 0;
  for (int round = 0; round < 50; ++round) {
    put(path("plain.txt"), old);
    put(path("other.txt"), old);
    fs::remove(dir_ / "linked.txt");
    fs::create_hard_link(dir_ / "other.txt", dir_ / "linked.txt");
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      for (int k = 0;; ++k) {
        writeFileAtomically(path("linked.txt"), k % 2 ? a : b);
        writeFileAtomically(path("plain.txt"), k % 2 ? b : a);
      }
    }
    ::usleep(std::uniform_int_distribution<useconds_t>(0, 15000)(random));
    ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
    killedWhileSaving += WIFSIGNALED(status) ? 1 : 0;
    EXPECT_EQ(read(path("other.txt")), old) << "round " << round;
    for (const char* name : {"linked.txt", "plain.txt"}) {
      const std::string now = read(path(name));
      EXPECT_TRUE(now == old || now == a || now == b)
          << name << " round " << round << ": " << now.size() << " bytes";
    }
  }
  EXPECT_EQ(killedWhileSaving, 50);
}

TEST_F(FileWriter, LinksOfOtherUsersInSharedFoldersAreNotFollowed) {
  // A link planted in a sticky folder everyone may write in (as /tmp) once
  // made a save replace a file elsewhere, or create one where it pointed.
  if (::geteuid() != 0) GTEST_SKIP() << "giving a link to another user needs root";
  const std::string shared = path("shared");
  fs::create_directory(shared);
  ::chmod(shared.c_str(), 01777);
  put(path("victim.txt"), "keep");
  fs::create_symlink(path("victim.txt"), shared + "/planted.txt");
  fs::create_symlink(path("nowhere.txt"), shared + "/dangling.txt");
  fs::create_symlink(path("victim.txt"), shared + "/mine.txt");
  for (const char* link : {"/planted.txt", "/dangling.txt"})
    ASSERT_EQ(::lchown((shared + link).c_str(), 4242, 4242), 0);
  for (const char* link : {"/planted.txt", "/dangling.txt"}) {
    const std::string said = attempt(shared + link, "x");
    EXPECT_NE(said.find("another user made in the shared folder"), std::string::npos) << said;
  }
  EXPECT_EQ(read(path("victim.txt")), "keep");
  EXPECT_FALSE(fs::exists(path("nowhere.txt")));
  // The user's own links there, and other users' links in a folder that is
  // not shared, are followed as before.
  EXPECT_EQ(attempt(shared + "/mine.txt", "mine"), "written");
  EXPECT_EQ(read(path("victim.txt")), "mine");
  fs::create_symlink(path("victim.txt"), path("private.txt"));
  ASSERT_EQ(::lchown(path("private.txt").c_str(), 4242, 4242), 0);
  EXPECT_EQ(attempt(path("private.txt"), "private"), "written");
  EXPECT_EQ(read(path("victim.txt")), "private");
}

TEST_F(FileWriter, TargetsThatMustNotBeReplacedAreRefused) {
  fs::create_directory(dir_ / "folder");
  EXPECT_EQ(attempt(path("folder"), "x"),
            "The file " + path("folder") + " could not be written: it is a folder.");
  ASSERT_EQ(::mkfifo(path("pipe").c_str(), 0644), 0);
  EXPECT_EQ(attempt(path("pipe"), "x"),
            "The file " + path("pipe") +
                " could not be written: it is a named pipe (FIFO), not a regular file.");
  EXPECT_TRUE(fs::is_fifo(dir_ / "pipe"));
  put(path("readonly.txt"), "keep me");
  ::chmod(path("readonly.txt").c_str(), 0444);
  EXPECT_EQ(attempt(path("readonly.txt"), "x"),
            "The file " + path("readonly.txt") + " could not be written: it is read-only.");
  EXPECT_EQ(read(path("readonly.txt")), "keep me");
  // Through a link too.
  fs::create_symlink("readonly.txt", dir_ / "to-readonly");
  EXPECT_NE(attempt(path("to-readonly"), "x").find("read-only"), std::string::npos);
  EXPECT_EQ(read(path("readonly.txt")), "keep me");
  // A device node, where the system lets us make one.
  if (::mknod(path("null").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0) {
    EXPECT_EQ(
        attempt(path("null"), "x"),
        "The file " + path("null") + " could not be written: it is a device, not a regular file.");
    struct stat st {};
    ASSERT_EQ(::lstat(path("null").c_str(), &st), 0);
    EXPECT_TRUE(S_ISCHR(st.st_mode));
  }
  EXPECT_NE(attempt("", "x").find("no file name was given"), std::string::npos);
  std::vector<std::string> expected = {"folder", "pipe", "readonly.txt", "to-readonly"};
  if (fs::exists(dir_ / "null")) expected.insert(expected.begin() + 1, "null");
  EXPECT_EQ(names(), expected);
}

TEST_F(FileWriter, PermissionsOfAnOrdinaryUser) {
  fs::permissions(dir_, fs::perms(0777));
  put(path("theirs.txt"), "not yours");
  ::chmod(path("theirs.txt").c_str(), 0644);
  EXPECT_EQ(asOrdinaryUser([&] { return attempt(path("theirs.txt"), "x"); }),
            "The file " + path("theirs.txt") +
                " could not be written: you have no permission to write it.");
  EXPECT_EQ(read(path("theirs.txt")), "not yours");

  // A file others may write keeps its owner: it is written in place.
  put(path("shared.txt"), "old");
  ::chmod(path("shared.txt").c_str(), 0666);
  EXPECT_EQ(asOrdinaryUser([&] { return attempt(path("shared.txt"), "from another user"); }),
            "written");
  EXPECT_EQ(read(path("shared.txt")), "from another user");
  struct stat st {};
  ASSERT_EQ(::stat(path("shared.txt").c_str(), &st), 0);
  EXPECT_EQ(st.st_uid, ::geteuid());
  EXPECT_EQ(st.st_mode & 07777, 0666u);

  // A folder the user may not write in.
  fs::create_directory(dir_ / "closed");
  fs::permissions(dir_ / "closed", fs::perms(0755));
  EXPECT_EQ(asOrdinaryUser([&] { return attempt(path("closed/new.txt"), "x"); }),
            "The file " + path("closed/new.txt") +
                " could not be written: you have no permission to write in its folder.");
  EXPECT_FALSE(fs::exists(dir_ / "closed" / "new.txt"));
}

TEST_F(FileWriter, FailedWritesReportTheRealReasonAndLeaveTheTarget) {
  put(path("big.txt"), "the old content");
  // A file size limit makes the write fail half way, as a full disk would.
  struct sigaction ignore {
  }, before{};
  ignore.sa_handler = SIG_IGN;
  ::sigaction(SIGXFSZ, &ignore, &before);
  rlimit saved{};
  ::getrlimit(RLIMIT_FSIZE, &saved);
  rlimit small = saved;
  small.rlim_cur = 100000;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  const std::string message = attempt(path("big.txt"), std::string(300000, 'y'));
  ::setrlimit(RLIMIT_FSIZE, &saved);
  ::sigaction(SIGXFSZ, &before, nullptr);
  EXPECT_EQ(message,
            "The file " + path("big.txt") + " could not be written: " + std::strerror(EFBIG) + ".");
  EXPECT_EQ(message.find("Success"), std::string::npos);
  EXPECT_EQ(read(path("big.txt")), "the old content");
  EXPECT_EQ(names(), std::vector<std::string>{"big.txt"});

  // A folder that is not there, and a file where a folder should be.
  EXPECT_EQ(attempt(path("gone/x.txt"), "x"),
            "The file " + path("gone/x.txt") + " could not be written: its folder does not exist.");
  EXPECT_EQ(attempt(path("big.txt/x.txt"), "x"),
            "The file " + path("big.txt/x.txt") +
                " could not be written: " + std::strerror(ENOTDIR) + ".");

  // A producer that fails leaves nothing behind.
  EXPECT_THROW(writeFileAtomically(path("big.txt"),
                                   [](FileSink& out) {
                                     out.write("partial");
                                     throw RuntimeError("drawing failed");
                                   }),
               RuntimeError);
  EXPECT_EQ(read(path("big.txt")), "the old content");
  EXPECT_EQ(names(), std::vector<std::string>{"big.txt"});
}

TEST_F(FileWriter, LongNamesAndStaleTemporaryFiles) {
  // The temporary name is short whatever the target's length.
  const std::string longest(255 - 4, 'n');
  writeFileAtomically(path(longest + ".txt"), "fits");
  EXPECT_EQ(read(path(longest + ".txt")), "fits");

  // Ours for this target and over a minute old: removed at the next save.
  const std::string prefix = temporaryPrefixFor("t.txt");
  EXPECT_EQ(prefix.rfind(".vk-", 0), 0u);
  const std::string stale = prefix + "abcdef.tmp", fresh = prefix + "ghijkl.tmp",
                    other = temporaryPrefixFor("u.txt") + "abcdef.tmp", unlike = prefix + "abc.tmp";
  for (const auto& n : {stale, fresh, other, unlike}) put(path(n), "left over");
  const timespec old[2] = {{std::time(nullptr) - 600, 0}, {std::time(nullptr) - 600, 0}};
  for (const auto& n : {stale, other, unlike})
    ASSERT_EQ(::utimensat(AT_FDCWD, path(n).c_str(), old, 0), 0);
  writeFileAtomically(path("t.txt"), "saved");
  EXPECT_FALSE(fs::exists(path(stale)));
  EXPECT_TRUE(fs::exists(path(fresh)));   // maybe a save in progress
  EXPECT_TRUE(fs::exists(path(other)));   // another file's
  EXPECT_TRUE(fs::exists(path(unlike)));  // not a name we make
  EXPECT_NE(temporaryPrefixFor("t.txt"), temporaryPrefixFor("u.txt"));
}

TEST_F(FileWriter, ProducedContentIsWrittenWhole) {
  writeFileAtomically(path("chunks.bin"), [](FileSink& out) {
    for (int i = 0; i < 1000; ++i) out.write(std::string(static_cast<size_t>(i), 'a' + i % 26));
    out.write(std::string(300000, '!'));
    EXPECT_TRUE(out.ok());
  });
  const std::string got = read(path("chunks.bin"));
  EXPECT_EQ(got.size(), 999u * 1000u / 2u + 300000u);
  EXPECT_EQ(got.substr(0, 3), "bcc");
  EXPECT_EQ(got.back(), '!');
}

}  // namespace
}  // namespace varnok

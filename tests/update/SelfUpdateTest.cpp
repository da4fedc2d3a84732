// The whole self-update: a program downloads its next version, hands it to the real update helper
// and ends; the helper replaces it and starts it again with its arguments and the added switch;
// the new version deletes the helper.

#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>

#include <filesystem>
#include <sstream>

#include "base/ManualLoop.h"
#include "update/TestSupport.h"

extern char** environ;

namespace corvane::update {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

TEST(SelfUpdate, ProgramIsReplacedAndRestartedWithItsArgumentsThroughTheHelper) {
  test::TempDir dir;
  fs::create_directories(dir.file("tmp"));
  fs::create_directories(dir.file("app"));
  const std::string program = dir.file("app/selftest program");
  fs::copy_file(CORVANE_SELFTEST_APP_V1, program);
  const std::string marker = dir.file("marker");

  test::TestHttpServer server;
  server.Serve("/dl/program", ReadFile(CORVANE_SELFTEST_APP_V2));
  server.Serve("/maj/descriptor.xml",
               "<updates><update mandatory=\"true\" restart=\"true\"><filename>[maj:appexename/]</filename>"
               "<description>the program</description><url>" + server.Url("/dl/program") +
                   "</url><version>2.0.0.0</version></update></updates>");

  const std::vector<std::string> args = {"--descriptor", server.Url("/maj/descriptor.xml"), "--marker", marker,
                                         "two words", "say \"hi\"", "&quote;", ""};
  std::vector<char*> argv{const_cast<char*>(program.c_str())};
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e)
    if (std::string(*e).rfind("TMPDIR=", 0) != 0) env.push_back(*e);
  env.push_back("TMPDIR=" + dir.file("tmp"));
  std::vector<char*> envp;
  for (auto& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);

  pid_t pid = 0;
  ASSERT_EQ(::posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv.data(), envp.data()), 0);
  base::ManualLoop loop;
  int status = -1;
  ASSERT_TRUE(loop.pumpUntil([&] { return ::waitpid(pid, &status, WNOHANG) == pid; }, 60000));
  EXPECT_EQ(WEXITSTATUS(status), 0) << ReadFile(marker + ".error");
  EXPECT_EQ(ReadFile(marker + ".first"), "updates 1 completed 1 terminate 1 self 1 \n");

  // The helper waits for the program's end, moves the new version in and restarts it.
  ASSERT_TRUE(loop.pumpUntil([&] { return fs::exists(marker); }, 60000)) << ReadFile(marker + ".error");
  const std::vector<std::string> lines = Lines(ReadFile(marker));
  ASSERT_EQ(lines.size(), 3 + args.size() + 2);
  EXPECT_EQ(lines[0], "version 2.0.0.0");
  EXPECT_EQ(lines[1], "justUpdated 1");
  EXPECT_EQ(lines[2], "helperGone 1");
  EXPECT_EQ(std::vector<std::string>(lines.begin() + 3, lines.begin() + 3 + static_cast<long>(args.size())), args);
  EXPECT_EQ(lines[3 + args.size()], "-LastUsedUpdateExeFileNameToDelete");
  const fs::path helper = lines[4 + args.size()];
  EXPECT_EQ(helper.parent_path(), fs::path(dir.file("tmp")));
  EXPECT_FALSE(fs::exists(helper));
  EXPECT_EQ(ReadFile(program), ReadFile(CORVANE_SELFTEST_APP_V2));
  EXPECT_TRUE(fs::is_empty(dir.file("tmp")));  // the download was moved, the helper deleted
}

}  // namespace
}  // namespace corvane::update

// The corvane-service program itself: starts, prints its root, serves, stops on SIGTERM.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>

#include "service/CorvaneAgent.h"

using namespace corvane::service;

namespace {

TEST(ServiceBinary, ServesTheDemoAndStopsCleanlyOnSigterm) {
  std::filesystem::path dir = std::filesystem::temp_directory_path() /
                              ("corvane-service-test-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  std::string db = (dir / "service.db").string();

  int out[2];
  ASSERT_EQ(pipe(out), 0);
  pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    dup2(out[1], STDOUT_FILENO);
    close(out[0]);
    close(out[1]);
    execl(CORVANE_SERVICE_BINARY, "corvane-service", "--listen", "127.0.0.1:0", "--db", db.c_str(),
          "--demo", static_cast<char*>(nullptr));
    _exit(127);
  }
  close(out[1]);
  FILE* lines = fdopen(out[0], "r");
  std::string root;
  char buf[1024];
  while (root.empty() && fgets(buf, sizeof buf, lines)) {
    std::string line = buf;
    const std::string marker = "listening on ";
    if (auto at = line.find(marker); at != std::string::npos)
      root = line.substr(at + marker.size(), line.find_last_not_of("\r\n") + 1 - at - marker.size());
  }
  ASSERT_FALSE(root.empty());
  EXPECT_NE(root.find("/scripts/ServiceCorvane.dll/"), std::string::npos);

  {
    CorvaneAgentProxy proxy(root);
    std::string session = proxy.LogIn("admin", "admin");
    EXPECT_EQ(proxy.ListeAgents(session).size(), 2u);
  }
  // One log line per request, naming the operation.
  bool logged = false;
  while (!logged && fgets(buf, sizeof buf, lines))
    logged = std::string(buf).find("op=ICorvaneAgent.ListeAgents") != std::string::npos;
  EXPECT_TRUE(logged);

  ASSERT_EQ(kill(pid, SIGTERM), 0);
  int status = 0;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  pid_t done = 0;
  while ((done = waitpid(pid, &status, WNOHANG)) == 0 && std::chrono::steady_clock::now() < deadline)
    std::this_thread::yield();
  if (done == 0) kill(pid, SIGKILL);
  fclose(lines);
  ASSERT_EQ(done, pid);
  EXPECT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  std::filesystem::remove_all(dir);
}

}  // namespace

#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstring>

#include "tests/cli/cli_runner.h"

extern char** environ;

namespace dbt::test {
namespace {

struct Pipe {
  int fd[2] = {-1, -1};
  Pipe() {
    if (pipe(fd) != 0) fd[0] = fd[1] = -1;
  }
  ~Pipe() {
    for (int f : fd) {
      if (f >= 0) close(f);
    }
  }
  void CloseEnd(int i) {
    if (fd[i] >= 0) close(fd[i]);
    fd[i] = -1;
  }
};

// Reads both pipes to their end together, so that a full stderr never stalls the child.
void Drain(Pipe& out, Pipe& err, CliRun& run) {
  std::array<pollfd, 2> fds = {pollfd{out.fd[0], POLLIN, 0}, pollfd{err.fd[0], POLLIN, 0}};
  std::array<std::string*, 2> into = {&run.out, &run.err};
  int open = 2;
  while (open > 0) {
    if (poll(fds.data(), fds.size(), 10000) <= 0) return;
    for (std::size_t i = 0; i < fds.size(); ++i) {
      if (fds[i].fd < 0 || fds[i].revents == 0) continue;
      char buffer[4096];
      const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
      if (n > 0) {
        into[i]->append(buffer, static_cast<std::size_t>(n));
      } else {
        fds[i].fd = -1;
        --open;
      }
    }
  }
}

}  // namespace

CliRun RunCli(const std::vector<std::string>& args) {
  CliRun run;
  Pipe out, err;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out.fd[1], STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, err.fd[1], STDERR_FILENO);
  posix_spawn_file_actions_addclose(&actions, out.fd[0]);
  posix_spawn_file_actions_addclose(&actions, err.fd[0]);
  std::vector<std::string> all = {DBT_CLI_EXE};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& a : all) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, DBT_CLI_EXE, &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) {
    run.err = std::string("spawn failed: ") + std::strerror(spawned);
    return run;
  }
  out.CloseEnd(1);
  err.CloseEnd(1);
  Drain(out, err, run);
  int status = 0;
  if (waitpid(pid, &status, 0) == pid && WIFEXITED(status)) run.exitCode = WEXITSTATUS(status);
  return run;
}

}  // namespace dbt::test

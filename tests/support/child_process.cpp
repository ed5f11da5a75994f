#include "support/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "platform/text_codec.h"

extern char** environ;

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& args,
                           const std::string& input) {
  int out[2], err[2];
  if (pipe(out) != 0 || pipe(err) != 0) return;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, input.c_str(), O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawn_file_actions_adddup2(&actions, err[1], 2);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  posix_spawn_file_actions_addclose(&actions, err[0]);
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  if (posix_spawn(&m_pid, program.c_str(), &actions, nullptr, argv.data(), environ) != 0) {
    m_pid = -1;
  }
  posix_spawn_file_actions_destroy(&actions);
  close(out[1]);
  close(err[1]);
  m_out = out[0];
  m_err = err[0];
}

ChildProcess::~ChildProcess() {
  if (m_pid > 0) {
    kill(m_pid, SIGKILL);
    waitpid(m_pid, nullptr, 0);
  }
  if (m_out >= 0) close(m_out);
  if (m_err >= 0) close(m_err);
}

// Reads what is there, waiting at most `timeoutMs` for something.
void ChildProcess::Pump(int timeoutMs) {
  pollfd fds[2] = {{m_out, POLLIN, 0}, {m_err, POLLIN, 0}};
  if (poll(fds, 2, timeoutMs) <= 0) return;
  char buffer[4096];
  for (int i = 0; i < 2; ++i) {
    if (!(fds[i].revents & (POLLIN | POLLHUP))) continue;
    ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
    if (n > 0) (i == 0 ? m_output : m_errors).append(buffer, static_cast<std::size_t>(n));
  }
}

bool ChildProcess::WaitForOutput(const std::string& text, int timeoutMs) {
  return WaitFor(m_output, text, timeoutMs);
}

bool ChildProcess::WaitForErrors(const std::string& text, int timeoutMs) {
  return WaitFor(m_errors, text, timeoutMs);
}

bool ChildProcess::WaitFor(const std::string& stream, const std::string& text, int timeoutMs) {
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (stream.find(text) == std::string::npos) {
    if (std::chrono::steady_clock::now() >= end) return false;
    Pump(20);
  }
  return true;
}

void ChildProcess::Signal(int signal) {
  if (m_pid > 0) kill(m_pid, signal);
}

int ChildProcess::Wait(int timeoutMs) {
  if (m_pid <= 0) return -1;
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  int status = 0;
  for (;;) {
    Pump(10);
    pid_t done = waitpid(m_pid, &status, WNOHANG);
    if (done == m_pid) break;
    if (std::chrono::steady_clock::now() >= end) {
      kill(m_pid, SIGKILL);
      waitpid(m_pid, &status, 0);
      break;
    }
  }
  m_pid = -1;
  // The child is gone, so both pipes end: read them to their ends.
  char buffer[4096];
  for (ssize_t n; (n = read(m_out, buffer, sizeof buffer)) > 0;) m_output.append(buffer, n);
  for (ssize_t n; (n = read(m_err, buffer, sizeof buffer)) > 0;) m_errors.append(buffer, n);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

RunResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                     const std::string& input) {
  ChildProcess child(program, args, input);
  RunResult result;
  result.status = child.Wait();
  result.output = child.Output();
  result.errors = child.Errors();
  return result;
}

RunResult RunOnDataFolder(const std::string& program, const std::string& home,
                          std::vector<std::string> args) {
  args.insert(args.begin(), {"--home", home});
  for (std::string& arg : args) arg = platform::Cp932ToUtf8(arg);
  RunResult result = RunProgram(program, args);
  result.output = platform::Utf8ToCp932(result.output);
  result.errors = platform::Utf8ToCp932(result.errors);
  return result;
}

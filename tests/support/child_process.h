// Runs a program as a user would, for tests of the command-line front end: arguments,
// standard input from a file, standard output and error captured.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

class ChildProcess {
 public:
  // Starts `program` with `args`; standard input from `input` (a file path).
  ChildProcess(const std::string& program, const std::vector<std::string>& args,
               const std::string& input = "/dev/null");
  ~ChildProcess();  // kills a child still running
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // Reads standard output until it holds `text` or `timeoutMs` passes; true when found.
  bool WaitForOutput(const std::string& text, int timeoutMs);
  // The same for standard error.
  bool WaitForErrors(const std::string& text, int timeoutMs);
  void Signal(int signal);
  // Waits for the end (killing the child after `timeoutMs`); the exit status, or -1 when
  // it did not exit normally.
  int Wait(int timeoutMs = 30000);

  const std::string& Output() const { return m_output; }  // UTF-8, as printed
  const std::string& Errors() const { return m_errors; }

 private:
  void Pump(int timeoutMs);
  bool WaitFor(const std::string& stream, const std::string& text, int timeoutMs);

  pid_t m_pid = -1;
  int m_out = -1;
  int m_err = -1;
  std::string m_output;
  std::string m_errors;
};

// Runs the program to its end: exit status, output and errors.
struct RunResult {
  int status = -1;
  std::string output;
  std::string errors;
};
RunResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                     const std::string& input = "/dev/null");

// Runs `program` with "--home `home`" before `args` (CP932, given to it as UTF-8, as a
// terminal gives them); its output and errors come back as CP932.
RunResult RunOnDataFolder(const std::string& program, const std::string& home,
                          std::vector<std::string> args);

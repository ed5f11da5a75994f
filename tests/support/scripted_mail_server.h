// A line-protocol server on 127.0.0.1 (port 0) for SMTP and POP3 client tests. Each
// accepted connection plays the next script: send bytes, read one line, read a DATA block
// up to "\r\n.\r\n", stall, or close. What the clients sent is recorded. The server runs
// on its own thread, which the destructor stops and joins.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class CScriptedMailServer {
 public:
  struct Step {
    enum Kind { Send, ReadLine, ReadData, Stall, Close } kind;
    std::string bytes;         // Send: what to send
    std::uint32_t stallMs = 0;  // Stall: how long (until stopped at most)
  };
  using Script = std::vector<Step>;

  static Step Send(std::string bytes) { return {Step::Send, std::move(bytes)}; }
  static Step ReadLine() { return {Step::ReadLine, {}}; }
  static Step ReadData() { return {Step::ReadData, {}}; }
  static Step Stall(std::uint32_t ms) { return {Step::Stall, {}, ms}; }
  static Step Close() { return {Step::Close, {}}; }
  // Reads one command line, then answers it.
  static Script Exchange(const std::string& reply) { return {ReadLine(), Send(reply)}; }

  // `portAtMost` above 10000: listens on a free port from 10000 to it (for settings that
  // limit the port), else on a port the system chooses.
  explicit CScriptedMailServer(int portAtMost = 0);
  ~CScriptedMailServer();
  CScriptedMailServer(const CScriptedMailServer&) = delete;
  CScriptedMailServer& operator=(const CScriptedMailServer&) = delete;

  int Port() const { return m_port; }
  // The script of the next connection not yet scripted; connections beyond the scripts
  // are closed at once.
  void AddConnection(Script script);
  // A script built from a greeting and one answer per command line.
  void AddConversation(const std::string& greeting, const std::vector<std::string>& replies);

  // Everything received on connection `index` (0 = first), and its lines (each without
  // its "\r\n"; a DATA block counts as one entry).
  std::string Received(std::size_t index = 0) const;
  std::vector<std::string> Lines(std::size_t index = 0) const;
  std::size_t ConnectionCount() const;

 private:
  void Serve();
  void Play(int fd, std::size_t index, const Script& script);
  bool ReadUntil(int fd, std::size_t index, const std::string& terminator, std::string& out);

  int m_listenFd = -1;
  int m_port = 0;
  int m_wakePipe[2] = {-1, -1};
  std::atomic<bool> m_stop{false};
  mutable std::mutex m_mutex;
  std::vector<Script> m_scripts;
  std::vector<std::string> m_received;
  std::vector<std::vector<std::string>> m_lines;
  std::vector<std::string> m_pending;  // bytes read past the last line, per connection
  std::thread m_thread;
};

// A loopback port on which nothing listens (bound, then closed).
int UnusedLoopbackPort();

// Test failures in readable text. The program's strings, and the tests' literals, are
// CP932; GoogleTest prints a string that is not UTF-8 as escapes ("\x82\xA8\x92m...") and
// streams a message's raw bytes as they are. This printer stands in front of GoogleTest's
// own and shows both in UTF-8. A string that is not CP932 text (binary data) keeps its
// escapes. Compiled into every test program (a static initialiser installs it once the
// command line has chosen GoogleTest's printer).
#include "support/readable_failures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/text_codec.h"

namespace {

bool IsUtf8(std::string_view text) {
  for (std::size_t at = 0; at < text.size();) {
    auto byte = static_cast<unsigned char>(text[at]);
    std::size_t length = byte < 0x80 ? 1 : (byte >> 5) == 0x6 ? 2 : (byte >> 4) == 0xE ? 3
                                         : (byte >> 3) == 0x1E ? 4 : 0;
    if (length == 0 || at + length > text.size()) return false;
    for (std::size_t next = 1; next < length; ++next) {
      if ((static_cast<unsigned char>(text[at + next]) & 0xC0) != 0x80) return false;
    }
    at += length;
  }
  return true;
}

// The bytes of the inside of a string literal as GoogleTest prints it.
std::optional<std::string> Unescaped(std::string_view literal) {
  std::string bytes;
  for (std::size_t at = 0; at < literal.size(); ++at) {
    if (literal[at] != '\\') {
      bytes += literal[at];
      continue;
    }
    if (++at >= literal.size()) return std::nullopt;
    char code = literal[at];
    if (code == 'x') {
      std::size_t digits = 0;
      unsigned value = 0;
      while (at + 1 < literal.size() && digits < 2 && std::isxdigit(static_cast<unsigned char>(literal[at + 1]))) {
        value = value * 16 + std::stoul(std::string(1, literal[++at]), nullptr, 16);
        ++digits;
      }
      if (digits == 0) return std::nullopt;
      bytes += static_cast<char>(value);
      continue;
    }
    static constexpr std::string_view kCodes = "0abfnrtv", kBytes{"\0\a\b\f\n\r\t\v", 8};
    std::size_t known = kCodes.find(code);
    bytes += known == std::string_view::npos ? code : kBytes[known];
  }
  return bytes;
}

// UTF-8 text as the inside of a literal: control characters, quotes and backslashes escaped.
std::string Escaped(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (static_cast<unsigned char>(c) < 0x20) {
      char code[8];
      std::snprintf(code, sizeof code, "\\x%02X", static_cast<unsigned>(c));
      out += code;
    } else {
      out += c;
    }
  }
  return out;
}

std::string ReadableText(std::string_view text) {
  return IsUtf8(text) ? std::string(text) : platform::Cp932ToUtf8(text);
}

// The inside of one literal in UTF-8 where its bytes are CP932 text, else as it was. Text
// in quotes that a message streamed raw has no escapes.
std::string ReadableLiteral(std::string_view literal) {
  if (literal.find("\\x") == std::string_view::npos) return ReadableText(literal);
  std::optional<std::string> bytes = Unescaped(literal);
  if (!bytes) return std::string(literal);
  std::string utf8 = platform::Cp932ToUtf8(*bytes);
  if (platform::Utf8ToCp932(utf8) != *bytes) return std::string(literal);
  return Escaped(utf8);
}

}  // namespace

// A failure's message with its printed literals and its raw text in UTF-8.
std::string ReadableFailure(std::string_view message) {
  std::string out;
  std::size_t at = 0;
  while (at < message.size()) {
    std::size_t open = message.find('"', at);
    if (open == std::string_view::npos) break;
    // GoogleTest splits a literal where a hex digit follows an escape: "\x82" "A".
    std::size_t close = open + 1;
    while (close < message.size()) {
      if (message[close] == '\\') {
        close += 2;
      } else if (message[close] == '"' && message.substr(close, 3) == "\" \"") {
        close += 3;
      } else if (message[close] == '"') {
        break;
      } else {
        ++close;
      }
    }
    if (close >= message.size()) break;
    std::string literal(message.substr(open + 1, close - open - 1));
    for (std::size_t split; (split = literal.find("\" \"")) != std::string::npos;) {
      literal.erase(split, 3);
    }
    out += ReadableText(message.substr(at, open - at));
    out += '"' + ReadableLiteral(literal) + '"';
    at = close + 1;
  }
  out += ReadableText(message.substr(std::min(at, message.size())));
  return out;
}

namespace {

// GoogleTest's printer, given every event, failures in readable text.
class ReadablePrinter : public testing::TestEventListener {
 public:
  explicit ReadablePrinter(testing::TestEventListener* inner) : m_inner(inner) {}

  void OnTestPartResult(const testing::TestPartResult& result) override {
    m_inner->OnTestPartResult(testing::TestPartResult(result.type(), result.file_name(),
                                                      result.line_number(),
                                                      ReadableFailure(result.message()).c_str()));
  }
  void OnTestProgramStart(const testing::UnitTest& test) override { m_inner->OnTestProgramStart(test); }
  void OnTestIterationStart(const testing::UnitTest& test, int iteration) override {
    m_inner->OnTestIterationStart(test, iteration);
  }
  void OnEnvironmentsSetUpStart(const testing::UnitTest& test) override {
    m_inner->OnEnvironmentsSetUpStart(test);
  }
  void OnEnvironmentsSetUpEnd(const testing::UnitTest& test) override {
    m_inner->OnEnvironmentsSetUpEnd(test);
  }
  void OnTestSuiteStart(const testing::TestSuite& suite) override { m_inner->OnTestSuiteStart(suite); }
  void OnTestCaseStart(const testing::TestCase& suite) override { m_inner->OnTestCaseStart(suite); }
  void OnTestStart(const testing::TestInfo& test) override { m_inner->OnTestStart(test); }
  void OnTestDisabled(const testing::TestInfo& test) override { m_inner->OnTestDisabled(test); }
  void OnTestEnd(const testing::TestInfo& test) override { m_inner->OnTestEnd(test); }
  void OnTestSuiteEnd(const testing::TestSuite& suite) override { m_inner->OnTestSuiteEnd(suite); }
  void OnTestCaseEnd(const testing::TestCase& suite) override { m_inner->OnTestCaseEnd(suite); }
  void OnEnvironmentsTearDownStart(const testing::UnitTest& test) override {
    m_inner->OnEnvironmentsTearDownStart(test);
  }
  void OnEnvironmentsTearDownEnd(const testing::UnitTest& test) override {
    m_inner->OnEnvironmentsTearDownEnd(test);
  }
  void OnTestIterationEnd(const testing::UnitTest& test, int iteration) override {
    m_inner->OnTestIterationEnd(test, iteration);
  }
  void OnTestProgramEnd(const testing::UnitTest& test) override { m_inner->OnTestProgramEnd(test); }

 private:
  std::unique_ptr<testing::TestEventListener> m_inner;
};

// Runs before the first test, when the command line (--gtest_brief) has chosen the printer.
class InstallReadablePrinter : public testing::Environment {
 public:
  void SetUp() override {
    testing::TestEventListeners& listeners = testing::UnitTest::GetInstance()->listeners();
    if (testing::TestEventListener* printer = listeners.Release(listeners.default_result_printer())) {
      listeners.Append(new ReadablePrinter(printer));
    }
  }
};

[[maybe_unused]] testing::Environment* const g_installed =
    testing::AddGlobalTestEnvironment(new InstallReadablePrinter);

}  // namespace

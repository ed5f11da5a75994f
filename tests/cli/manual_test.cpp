// The manual page against the program: every command and option that --help shows and every
// setting that `settings` lists is described in pagewarden-cli(1), and the manual describes
// no command the program lacks.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <set>
#include <sstream>

#include "platform/text_codec.h"
#include "support/child_process.h"
#include "support/temp_folder.h"

namespace {

const std::string kCli = PAGEWARDEN_CLI;

// The manual's source with "\-" as the "-" it prints.
std::string ManualText() {
  std::ifstream file(MANUAL_PAGE);
  std::stringstream text;
  text << file.rdbuf();
  return std::regex_replace(text.str(), std::regex(R"(\\-)"), "-");
}

// The lines of the section `name`, up to the next section.
std::vector<std::string> Section(const std::string& manual, const std::string& name) {
  std::vector<std::string> lines;
  std::istringstream stream(manual);
  bool inside = false;
  for (std::string line; std::getline(stream, line);) {
    if (line.rfind(".SH ", 0) == 0) inside = line == ".SH " + name;
    else if (inside) lines.push_back(line);
  }
  return lines;
}

// The bold words of the entry headings (the line after each .TP) of a section.
std::set<std::string> HeadingWords(const std::vector<std::string>& section) {
  std::set<std::string> words;
  const std::regex bold(R"(\\fB([^\\]*)\\f[RI]|^\.BI? (\S+))");
  for (std::size_t i = 0; i + 1 < section.size(); ++i) {
    if (section[i] != ".TP") continue;
    const std::string& heading = section[i + 1];
    for (std::sregex_iterator match(heading.begin(), heading.end(), bold), end; match != end; ++match) {
      std::istringstream spans(match->str(1) + " " + match->str(2));
      for (std::string word; spans >> word;) words.insert(word);
    }
  }
  return words;
}

// The command words of --help: on the lines that begin with two blanks and a lowercase
// letter, the lowercase words before the description.
std::set<std::string> HelpCommands(const std::string& help) {
  std::set<std::string> commands;
  std::istringstream stream(help);
  for (std::string line; std::getline(stream, line);) {
    if (line.size() < 3 || line.rfind("  ", 0) != 0 || line[2] < 'a' || line[2] > 'z') continue;
    std::istringstream words(line);
    for (std::string word; words >> word;) {
      if (static_cast<unsigned char>(word[0]) >= 0x80) break;  // the description
      if (!word.empty() && word.back() == ',') word.pop_back();
      if (std::regex_match(word, std::regex("[a-z]+"))) commands.insert(word);
    }
  }
  return commands;
}

std::set<std::string> HelpOptions(const std::string& help) {
  std::set<std::string> options;
  const std::regex option(R"((?:^|[\s\[|(])(--?[a-z][a-z-]*))");
  for (std::sregex_iterator match(help.begin(), help.end(), option), end; match != end; ++match) {
    options.insert(match->str(1));
  }
  return options;
}

bool Mentions(const std::string& manual, const std::string& option) {
  return std::regex_search(manual, std::regex("(^|[^a-z-])" + option + "(?![a-z-])"));
}

TEST(Manual, DescribesEveryCommandOptionAndSettingOfTheProgram) {
  RunResult help = RunProgram(kCli, {"--help"});
  ASSERT_EQ(help.status, 0);
  std::string manual = ManualText();

  std::set<std::string> commands = HelpCommands(help.output);
  for (const char* known : {"list", "check", "diff", "settings", "add", "ack", "disable"}) {
    EXPECT_TRUE(commands.count(known)) << known << " not found in --help: the test reads it wrong";
  }
  std::set<std::string> headings = HeadingWords(Section(manual, "COMMANDS"));
  for (const std::string& command : commands) {
    EXPECT_TRUE(headings.count(command)) << "the manual's COMMANDS lack " << command;
  }
  for (const std::string& word : headings) {
    if (std::regex_match(word, std::regex("[a-z]+"))) {
      EXPECT_TRUE(commands.count(word)) << "the manual describes " << word << ", --help does not";
    }
  }

  std::set<std::string> options = HelpOptions(help.output);
  EXPECT_TRUE(options.count("--jobs") && options.count("--home") && options.count("--no-popup"));
  for (const std::string& option : options) {
    EXPECT_TRUE(Mentions(manual, option)) << "the manual lacks " << option;
  }

  TempFolder home;
  RunResult settings = RunProgram(kCli, {"--home", home.Path(), "settings"});
  ASSERT_EQ(settings.status, 0) << settings.errors;
  std::set<std::string> names;
  std::istringstream lines(settings.output);
  for (std::string line; std::getline(lines, line);) names.insert(line.substr(0, line.find('\t')));
  EXPECT_GT(names.size(), 10u);
  std::set<std::string> described = HeadingWords(Section(manual, "SETTINGS"));
  EXPECT_EQ(described, names);

  std::set<std::string> statuses = HeadingWords(Section(manual, "EXIT STATUS"));
  EXPECT_EQ(statuses, (std::set<std::string>{"0", "1", "2", "3"}));
}

}  // namespace

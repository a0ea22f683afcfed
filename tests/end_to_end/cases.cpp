// End-to-end tests written as data: the cases of the files in cases/, each a command line with
// the logs it runs on and the exact output and exit code it must give.
//
// Each case is a block of lines; blank lines separate cases, and lines starting with # are
// comments. In a case, in this order:
//   log JOB | CODE      a log of the job JOB (up to " |") with the status code CODE (after
//                       "| "; none when it is empty)
//   log raw TEXT        a log that is TEXT itself
//   log16 ...           either of them as UTF-16, the way BackupExec writes its logs
//   dated D HH:MM:SS    the last-write time of the log before it: D days before today; before
//                       any log, that of the file's later logs without one (else 1:00 today)
//   named NAME          the file name of the log before it, not BE1001.xml, BE1002.xml... by
//                       its place; the logs are written in the order given
//   $ ARGUMENTS         the command line after the program's name; "..." holds blanks, "" is an
//                       empty argument
//   > LINE              a line of what the check prints, which ends in CR LF; "> @usage" stands
//                       for the lines of the usage text
//   exit N              its exit code
// A block without a command line gives its logs to every case of the file, after the case's own.
// @dir is the fixture directory, @DIR that directory as the check prints it, @date the date of
// the case's first log, @today today's date, and \xHH the byte HH.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "sample_log.h"
#include "support.h"

using namespace e2e;

namespace {

struct tCaseLog {
  std::string Name;  // empty for BE1001.xml, BE1002.xml... by its place
  std::string Text;
  bool Utf16 = false;
  int DaysAgo = 0;
  int Hour = 1, Minute = 0, Second = 0;
};

struct tCase {
  std::string Where;  // file:line of its command line
  std::vector<tCaseLog> Logs;
  std::vector<std::string> Arguments;
  std::vector<std::string> Output;
  int ExitCode = -1;
};

void PrintTo(const tCase& c, std::ostream* os) { *os << c.Where; }

const std::vector<std::string> kUsage = {
    "",
    "jobvigil v1.1 (13/01/2009)",
    "",
    "    Scans BackupExec XML files for a specific job, then returns information",
    "    about completion of the last occurrence of the job.",
    "",
    "    Usage : jobvigil \"path of XML files\" \"Name of the job\" [switches]",
    "",
    "    Valid switches are :",
    "      -d : prints debug information",
    "      -w<n> : warning if last result is older than <n> days",
    "      -c<n> : critical if last result is older than <n> days",
    ""};

// The text with each \xHH replaced by the byte HH.
std::string Unescape(const std::string& text) {
  std::string bytes;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text.compare(i, 2, "\\x") == 0 && i + 3 < text.size() &&
        std::isxdigit(static_cast<unsigned char>(text[i + 2])) &&
        std::isxdigit(static_cast<unsigned char>(text[i + 3]))) {
      bytes += static_cast<char>(std::stoi(text.substr(i + 2, 2), nullptr, 16));
      i += 3;
    } else {
      bytes += text[i];
    }
  }
  return bytes;
}

// Blank-separated arguments; "..." holds blanks, and "" is an empty argument.
std::vector<std::string> SplitArguments(const std::string& line) {
  std::vector<std::string> arguments;
  for (std::size_t at = 0; at < line.size();) {
    if (line[at] == ' ') {
      ++at;
    } else if (line[at] == '"') {
      const std::size_t close = line.find('"', at + 1);
      if (close == std::string::npos) throw std::runtime_error("unclosed quote");
      arguments.push_back(Unescape(line.substr(at + 1, close - at - 1)));
      at = close + 1;
    } else {
      const std::size_t end = std::min(line.find(' ', at), line.size());
      arguments.push_back(Unescape(line.substr(at, end - at)));
      at = end;
    }
  }
  return arguments;
}

// The log of the line, with the date of `log`.
tCaseLog ReadLog(const std::string& line, tCaseLog log) {
  log.Utf16 = line.starts_with("log16 ");
  const std::string rest = line.substr(line.find(' ') + 1);
  if (rest.starts_with("raw ")) {
    log.Text = Unescape(rest.substr(4));
  } else {
    const std::size_t bar = rest.find(" |");
    if (bar == std::string::npos) throw std::runtime_error("a log needs JOB | CODE");
    const std::string code = rest.size() > bar + 3 ? rest.substr(bar + 3) : "";
    log.Text = JobLog(Unescape(rest.substr(0, bar)), code);
  }
  return log;
}

std::vector<tCase> LoadCases(const std::string& file) {
  std::ifstream in(std::filesystem::path(JOBVIGIL_CASES) / file);
  if (!in) throw std::runtime_error("cannot read " + file);
  std::vector<tCase> cases;
  std::vector<tCaseLog> common;
  tCase current;
  tCaseLog undated;  // the date of a log without a dated line
  bool hasCommand = false;
  auto finish = [&] {
    if (hasCommand) {
      cases.push_back(current);
    } else {
      common.insert(common.end(), current.Logs.begin(), current.Logs.end());
    }
    current = {};
    hasCommand = false;
  };
  int number = 0;
  for (std::string line; std::getline(in, line);) {
    ++number;
    if (line.starts_with("#")) continue;
    if (line.empty()) {
      finish();
    } else if (line.starts_with("log ") || line.starts_with("log16 ")) {
      current.Logs.push_back(ReadLog(line, undated));
    } else if (line.starts_with("dated ")) {
      tCaseLog& log = current.Logs.empty() ? undated : current.Logs.back();
      if (std::sscanf(line.c_str(), "dated %d %d:%d:%d", &log.DaysAgo, &log.Hour, &log.Minute,
                      &log.Second) != 4)
        throw std::runtime_error(file + ":" + std::to_string(number) + ": bad date");
    } else if (line.starts_with("named ")) {
      if (current.Logs.empty()) throw std::runtime_error(file + ": named before any log");
      current.Logs.back().Name = line.substr(6);
    } else if (line == "$" || line.starts_with("$ ")) {
      current.Where = file + ":" + std::to_string(number) + " " + line;
      current.Arguments = SplitArguments(line.substr(1));
      hasCommand = true;
    } else if (line == "> @usage") {
      current.Output.insert(current.Output.end(), kUsage.begin(), kUsage.end());
    } else if (line == ">" || line.starts_with("> ")) {
      current.Output.push_back(Unescape(line.substr(std::min<std::size_t>(2, line.size()))));
    } else if (line.starts_with("exit ")) {
      current.ExitCode = std::stoi(line.substr(5));
    } else {
      throw std::runtime_error(file + ":" + std::to_string(number) + ": " + line);
    }
  }
  finish();
  for (tCase& c : cases) c.Logs.insert(c.Logs.end(), common.begin(), common.end());
  return cases;
}

std::string Substitute(std::string text, const std::string& from, const std::string& to) {
  for (std::size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size())
    text.replace(at, from.size(), to);
  return text;
}

class CaseFile : public EndToEnd, public testing::WithParamInterface<tCase> {};

TEST_P(CaseFile, PrintsItsLinesAndExitCode) {
  const tCase& c = GetParam();
  for (const std::string& argument : c.Arguments) {
    // Wine recodes bytes above 127 by the Unix locale (the launcher cases cover them), and the
    // Windows command line splits an argument at a line end.
    if ((HasBytesAbove127(argument) || argument.find_first_of("\r\n") != std::string::npos) &&
        SkipUnlessBuild(LinuxBuild, "an argument that the Windows command line cannot pass"))
      return;
  }
  for (std::size_t i = 0; i < c.Logs.size(); ++i) {
    const tCaseLog& log = c.Logs[i];
    WriteLog(dir_, log.Name.empty() ? "BE" + std::to_string(1001 + i) + ".xml" : log.Name,
             log.Utf16 ? Utf16Text(log.Text) : log.Text, log.DaysAgo, log.Hour, log.Minute,
             log.Second);
  }
  auto fill = [&](const std::string& text) {
    std::string filled = Substitute(text, "@dir", dir_.string());
    filled = Substitute(filled, "@DIR", PrintedDirectory(dir_));
    filled = Substitute(filled, "@today", DateDaysAgo(0));
    return c.Logs.empty() ? filled : Substitute(filled, "@date", DateDaysAgo(c.Logs[0].DaysAgo));
  };
  std::vector<std::string> arguments;
  for (const std::string& argument : c.Arguments) arguments.push_back(fill(argument));
  std::vector<std::string> output;
  for (const std::string& line : c.Output) output.push_back(fill(line));

  const tRunResult result = RunProgram(arguments);
  EXPECT_EQ(result.Stdout, Lines(output));
  EXPECT_EQ(result.ExitCode, c.ExitCode);
  EXPECT_EQ(result.Stderr, "");
}

INSTANTIATE_TEST_SUITE_P(CommandLine, CaseFile, testing::ValuesIn(LoadCases("command_line.txt")));
INSTANTIATE_TEST_SUITE_P(Verdicts, CaseFile, testing::ValuesIn(LoadCases("verdicts.txt")));
INSTANTIATE_TEST_SUITE_P(AgeLimits, CaseFile, testing::ValuesIn(LoadCases("age_limits.txt")));

}  // namespace

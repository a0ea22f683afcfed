#include "support.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <stdexcept>

#include "child_process.h"

namespace e2e {

namespace {

std::string gProgram = JOBVIGIL_PROGRAM;
std::string gEmulator;
std::string gLauncher;

// Collects both streams until they reach their end. A grandchild that keeps them open (one of
// Wine's helper processes) is not waited for: once the child has ended, reading stops after a
// second in which nothing came, so that what the child wrote just before it ended still counts.
void CollectOutput(pid_t child, int outFd, int errFd, tRunResult& result) {
  pollfd fds[2] = {{outFd, POLLIN, 0}, {errFd, POLLIN, 0}};
  int status = 0;
  bool ended = false;
  int quietPolls = 0;
  char chunk[65536];
  for (;;) {
    const int ready = poll(fds, 2, 20);
    if (ready > 0) {
      for (int i = 0; i < 2; ++i) {
        if (fds[i].fd < 0 || fds[i].revents == 0) continue;
        const ssize_t got = read(fds[i].fd, chunk, sizeof chunk);
        if (got <= 0) {
          close(fds[i].fd);
          fds[i].fd = -1;
        } else {
          (i == 0 ? result.Stdout : result.Stderr).append(chunk, static_cast<std::size_t>(got));
        }
      }
      quietPolls = 0;
      continue;
    }
    if ((fds[0].fd < 0 && fds[1].fd < 0) || (ended && ++quietPolls == 50)) break;
    if (!ended) ended = waitpid(child, &status, WNOHANG) == child;
  }
  for (const pollfd& fd : fds) {
    if (fd.fd >= 0) close(fd.fd);
  }
  if (!ended) waitpid(child, &status, 0);
  result.ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

std::tm LocalDay(int daysAgo, int hour, int minute, int second) {
  const std::time_t now = std::time(nullptr);
  std::tm day{};
  localtime_r(&now, &day);
  day.tm_mday -= daysAgo;
  day.tm_hour = hour;
  day.tm_min = minute;
  day.tm_sec = second;
  day.tm_isdst = -1;
  return day;
}

// GTEST_SKIP returns, with nothing, from the function it is in: here a lambda of its own.
bool MarkSkipped(bool skip, const std::string& why) {
  if (skip) [&] { GTEST_SKIP() << why; }();
  return skip;
}

}  // namespace

void ReadTestArguments(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    for (auto [prefix, value] :
         {std::pair{"--program=", &gProgram}, std::pair{"--emulator=", &gEmulator},
          std::pair{"--launcher=", &gLauncher}}) {
      if (argument.starts_with(prefix)) *value = argument.substr(std::strlen(prefix));
    }
  }
}

bool WindowsProgram() { return gProgram.ends_with(".exe"); }

bool SkipUnlessBuild(tBuild build, const std::string& why) {
  return MarkSkipped(WindowsProgram() != (build == WindowsBuild), why);
}

bool SkipWhenSanitized(const std::string& why) { return MarkSkipped(JOBVIGIL_SANITIZED, why); }

std::optional<tRunOptions> PreloadFakeSystem(std::vector<std::string> settings) {
  if (SkipUnlessBuild(LinuxBuild, "fake_system is preloaded into the Linux program") ||
      SkipWhenSanitized("AddressSanitizer must be the first library loaded"))
    return std::nullopt;
  settings.push_back(std::string("LD_PRELOAD=") + JOBVIGIL_FAKE_SYSTEM);
  return tRunOptions{.Environment = settings};
}

namespace {

// The command for a program under test: behind the emulator, when there is one.
std::vector<std::string> UnderTest(std::vector<std::string> command) {
  if (!gEmulator.empty()) command.insert(command.begin(), gEmulator);
  return command;
}

tRunResult Run(const std::vector<std::string>& command, const tRunOptions& options) {
  int outPipe[2] = {-1, -1};
  int errPipe[2];
  if (pipe(errPipe) != 0) throw std::runtime_error("pipe");
  if (options.Output == OutputCaptured || options.Output == OutputBrokenPipe) {
    if (pipe(outPipe) != 0) throw std::runtime_error("pipe");
  }
  if (options.Output == OutputBrokenPipe) {
    close(outPipe[0]);  // no reader from the start: every write meets a broken pipe
    outPipe[0] = -1;
  }
  const int full = options.Output == OutputFull ? open("/dev/full", O_WRONLY) : -1;

  const pid_t child = StartChild(command, full >= 0 ? full : outPipe[1], errPipe[1], [&] {
    if (options.Output == OutputClosed) close(STDOUT_FILENO);
    putenv(const_cast<char*>("WINEDEBUG=-all"));
    for (const std::string& entry : options.Environment) putenv(const_cast<char*>(entry.c_str()));
    if (options.AddressSpaceLimit > 0) {
      const rlimit limit = {static_cast<rlim_t>(options.AddressSpaceLimit),
                            static_cast<rlim_t>(options.AddressSpaceLimit)};
      setrlimit(RLIMIT_AS, &limit);
    }
    if (options.User >= 0 && (setgid(static_cast<gid_t>(options.User)) != 0 ||
                              setuid(static_cast<uid_t>(options.User)) != 0))
      _exit(126);
  });
  if (child < 0) throw std::runtime_error("fork");

  for (const int fd : {outPipe[1], errPipe[1], full}) {
    if (fd >= 0) close(fd);
  }
  tRunResult result;
  CollectOutput(child, outPipe[0], errPipe[0], result);
  return result;
}

}  // namespace

tRunResult RunProgram(const std::vector<std::string>& arguments, const tRunOptions& options) {
  std::vector<std::string> command = {gProgram};
  command.insert(command.end(), arguments.begin(), arguments.end());
  return Run(UnderTest(command), options);
}

tRunResult RunBeside(const std::string& program, const std::vector<std::string>& arguments,
                     const tRunOptions& options) {
  const std::filesystem::path check = gProgram;
  std::vector<std::string> command = {
      (check.parent_path() / (program + check.extension().string())).string()};
  command.insert(command.end(), arguments.begin(), arguments.end());
  return Run(UnderTest(command), options);
}

tRunResult RunJobListing(const std::vector<std::string>& arguments, const tRunOptions& options) {
  return RunBeside("jobvigil-jobs", arguments, options);
}

tRunResult RunCommand(const std::vector<std::string>& command, const tRunOptions& options) {
  std::vector<std::string> found = command;
  for (const char* folder : {"/usr/local/bin/", "/usr/bin/", "/bin/"}) {
    if (std::filesystem::exists(folder + command[0])) {
      found[0] = folder + command[0];
      break;
    }
  }
  return Run(found, options);
}

tRunResult RunSampleTool(const std::vector<std::string>& arguments) {
  std::vector<std::string> command = {JOBVIGIL_SAMPLE};
  command.insert(command.end(), arguments.begin(), arguments.end());
  return Run(command, {});
}

tRunResult LaunchWithCommandLine(const std::string& commandLine, const std::string& heldFile) {
  // The command line travels in a file, byte for byte, past any quoting of the emulator's.
  const std::filesystem::path file = MakeFixtureDirectory() / "command-line";
  std::ofstream(file, std::ios::binary) << commandLine;
  std::vector<std::string> command = {gLauncher, file.string(), gProgram};
  if (!heldFile.empty()) command.push_back(heldFile);
  const tRunResult result = Run(UnderTest(command), {});
  std::filesystem::remove_all(file.parent_path());
  return result;
}

std::filesystem::path MakeFixtureDirectory() {
  std::string pattern = (std::filesystem::temp_directory_path() / "jobvigil-e2e-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp");
  return pattern;
}

void SetLocalDate(const std::filesystem::path& file, int daysAgo, int hour, int minute,
                  int second) {
  std::tm day = LocalDay(daysAgo, hour, minute, second);
  const std::chrono::sys_seconds when{std::chrono::seconds{std::mktime(&day)}};
  std::filesystem::last_write_time(file, std::chrono::file_clock::from_sys(when));
}

void WriteLog(const std::filesystem::path& dir, const std::string& name, const std::string& bytes,
              int daysAgo, int hour, int minute, int second) {
  const std::filesystem::path file = dir / name;
  std::ofstream(file, std::ios::binary) << bytes;
  SetLocalDate(file, daysAgo, hour, minute, second);
}

void SetUniversalDate(const std::filesystem::path& file, std::chrono::year_month_day date, int hour,
                      int minute) {
  const std::chrono::sys_seconds when{std::chrono::sys_days{date} + std::chrono::hours{hour} +
                                      std::chrono::minutes{minute}};
  std::filesystem::last_write_time(file, std::chrono::file_clock::from_sys(when));
}

std::string DateDaysAgo(int daysAgo) {
  std::tm day = LocalDay(daysAgo, 12, 0, 0);
  std::mktime(&day);
  return std::to_string(day.tm_mday) + "/" + std::to_string(day.tm_mon + 1) + "/" +
         std::to_string(day.tm_year + 1900);
}

std::string FileDate(const std::filesystem::path& file) {
  struct stat status;
  if (stat(file.c_str(), &status) != 0) throw std::runtime_error("stat " + file.string());
  std::tm day{};
  localtime_r(&status.st_mtime, &day);
  return std::to_string(day.tm_mday) + "/" + std::to_string(day.tm_mon + 1) + "/" +
         std::to_string(day.tm_year + 1900);
}

namespace {

// The text with a-z upper-cased, as the program upper-cases.
std::string UpperAscii(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}

}  // namespace

std::string PrintedDirectory(const std::filesystem::path& dir) {
  return UpperAscii(dir.string()) + "\\";
}

bool HasBytesAbove127(const std::string& text) {
  return std::any_of(text.begin(), text.end(), [](char c) { return c & 0x80; });
}

std::string UnreadableSystemFile() {
  for (const char* path : {"/sys/devices/system/cpu/power/autosuspend_delay_ms",
                           "/sys/devices/system/cpu/cpu0/power/autosuspend_delay_ms",
                           "/sys/devices/system/clockevents/power/autosuspend_delay_ms"}) {
    const int fd = open(path, O_RDONLY | O_NONBLOCK);
    if (fd < 0) continue;
    char byte;
    const bool fails = read(fd, &byte, 1) < 0 && errno == EIO;
    close(fd);
    if (fails) return path;
  }
  return "";
}

const std::string kSeparator(58, '-');

std::vector<std::string> ListingTrace(const std::filesystem::path& dir, int logs) {
  return {"Looking for files here : " + PrintedDirectory(dir) + "BE*.xml",
          "Total XML files found : " + std::to_string(logs)};
}

std::vector<std::string> LogTrace(const std::filesystem::path& dir, const std::string& name,
                                  const std::string& date, const std::vector<std::string>& lines) {
  std::vector<std::string> trace = {kSeparator, "Processing file : " + PrintedDirectory(dir) + name,
                                    "  File date : " + date};
  trace.insert(trace.end(), lines.begin(), lines.end());
  return trace;
}

std::vector<std::string> ReadTrace(std::size_t size, const std::vector<std::string>& found) {
  std::vector<std::string> trace = {"  Reading file, size (bytes) :" + std::to_string(size),
                                    "  Processing XML data, size (bytes): " + std::to_string(size)};
  trace.insert(trace.end(), found.begin(), found.end());
  return trace;
}

std::vector<std::string> ReadJobLog(const std::string& job, const std::string& code,
                                    const std::string& status) {
  return ReadTrace(JobLog(job, code).size(), {"  Job name : " + UpperAscii(job),
                                              "  Status ID : " + code + " (" + status + ")"});
}

std::vector<std::string> ChoiceTrace(const std::filesystem::path& dir, const std::string& job,
                                     const std::string& name, const std::string& date,
                                     const std::string& status) {
  return {kSeparator,
          "Searching entries for job " + job,
          "Found most recent entry for job " + job,
          "  In file : " + PrintedDirectory(dir) + name,
          "  File date : " + date,
          "  Status ID : " + status};
}

std::string TraceWithSkippedLog(const std::filesystem::path& dir, const std::string& skipped) {
  const std::string yesterday = DateDaysAgo(1);
  return Trace({ListingTrace(dir, 2),
                LogTrace(dir, "BE1.xml", yesterday, ReadJobLog("Nightly", "19", "Success")),
                LogTrace(dir, "BE2.xml", DateDaysAgo(0), {skipped}),
                ChoiceTrace(dir, "Nightly", "BE1.xml", yesterday, "19 (Success)"),
                {"Job: Nightly, Success, Date:" + yesterday}});
}

std::string Trace(std::initializer_list<std::vector<std::string>> groups) {
  std::string trace;
  for (const auto& group : groups) trace += Lines(group);
  return trace;
}

void EndToEnd::SetUp() { dir_ = MakeFixtureDirectory(); }

void EndToEnd::TearDown() {
  std::error_code ignored;
  std::filesystem::remove_all(dir_, ignored);
}

tRunResult EndToEnd::Check(const std::string& job, std::vector<std::string> switches,
                           const tRunOptions& options) {
  switches.insert(switches.begin(), {dir_.string(), job});
  return RunProgram(switches, options);
}

}  // namespace e2e

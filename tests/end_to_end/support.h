// Helpers for the end-to-end tests: fixture directories of logs with dates relative to today's
// local midnight, one way of starting the built program and collecting what it did, and the
// lines of the traces it writes with -d.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "log_text.h"

namespace e2e {

enum tOutput { OutputCaptured, OutputClosed, OutputFull, OutputBrokenPipe };

struct tRunOptions {
  tOutput Output = OutputCaptured;
  // Extra "NAME=value" entries; "= {}" lest GCC warn of a designated initializer without them.
  std::vector<std::string> Environment = {};
  long AddressSpaceLimit = 0;  // bytes; 0 for none
  int User = -1;               // run as this user id (needs root); -1 to keep ours
};

struct tRunResult {
  std::string Stdout;
  std::string Stderr;
  int ExitCode = -1;
};

/// Takes --program=PATH, --emulator=PATH and --launcher=PATH from the test binary's arguments:
/// the program under test (the Linux build's by default), what runs it (Wine, for the Windows
/// build) and the Windows launcher that starts it with an exact command line.
void ReadTestArguments(int argc, char** argv);

/// True when the program under test is the Windows build.
bool WindowsProgram();

enum tBuild { LinuxBuild, WindowsBuild };

/// True, with the test marked skipped for the reason given, when the program under test is not
/// of the build (SkipUnlessBuild) or is built with the sanitizers (SkipWhenSanitized); the test
/// must then return, as GTEST_SKIP ends only the function it is in.
bool SkipUnlessBuild(tBuild build, const std::string& why);
bool SkipWhenSanitized(const std::string& why);

/// Run options that preload fake_system, the stand-in for systems this machine lacks, into the
/// Linux program with its settings ("NAME=value"); nothing, the test marked skipped, where it
/// cannot be: into the Windows build, or beside the sanitizers.
std::optional<tRunOptions> PreloadFakeSystem(std::vector<std::string> settings);

/// Runs the Windows program through the launcher with exactly this command line (its first item
/// stands for the program's name), optionally holding `heldFile` open for writing meanwhile.
tRunResult LaunchWithCommandLine(const std::string& commandLine, const std::string& heldFile = "");

/// Runs the program under test with the arguments and gives back its output and exit code.
tRunResult RunProgram(const std::vector<std::string>& arguments, const tRunOptions& options = {});

/// Runs another program built beside the program under test (jobvigil-success) with the
/// arguments.
tRunResult RunBeside(const std::string& program, const std::vector<std::string>& arguments,
                     const tRunOptions& options = {});

/// Runs the job listing built beside the program under test with the arguments.
tRunResult RunJobListing(const std::vector<std::string>& arguments,
                         const tRunOptions& options = {});

/// Runs a program of this machine (command[0], found on the PATH) with the arguments.
tRunResult RunCommand(const std::vector<std::string>& command, const tRunOptions& options = {});

/// Runs jobvigil-sample, the sample-log writer, with the arguments.
tRunResult RunSampleTool(const std::vector<std::string>& arguments);

/// A new empty directory under the system's temporary directory.
std::filesystem::path MakeFixtureDirectory();

/// Writes the bytes to dir/name with its last-write time set `daysAgo` days before today's local
/// midnight (negative for days ahead) plus the time of day.
void WriteLog(const std::filesystem::path& dir, const std::string& name, const std::string& bytes,
              int daysAgo = 0, int hour = 1, int minute = 0, int second = 0);

/// Sets a file's last-write time as WriteLog does.
void SetLocalDate(const std::filesystem::path& file, int daysAgo, int hour, int minute, int second);

/// Sets a file's last-write time to a universal date and time.
void SetUniversalDate(const std::filesystem::path& file, std::chrono::year_month_day date, int hour,
                      int minute);

/// The date `daysAgo` days before today as the program writes it: day/month/year.
std::string DateDaysAgo(int daysAgo);

/// The local date of the file's last-write time (following links), as the program writes it.
std::string FileDate(const std::filesystem::path& file);

/// The directory as the program prints it: upper-cased, "\" at the end.
std::string PrintedDirectory(const std::filesystem::path& dir);

/// True when the text holds a byte above 127.
bool HasBytesAbove127(const std::string& text);

/// A system file that opens, claims a size, and then fails every read, even for root; the empty
/// text when this machine has none.
std::string UnreadableSystemFile();

// --- The lines of a -d trace -----------------------------------------------------------------

extern const std::string kSeparator;  // 58 hyphens

/// "Looking for files here" and "Total XML files found" for a directory of `logs` logs.
std::vector<std::string> ListingTrace(const std::filesystem::path& dir, int logs);

/// One log's lines: the separator, "Processing file", "File date", then `lines`.
std::vector<std::string> LogTrace(const std::filesystem::path& dir, const std::string& name,
                                  const std::string& date, const std::vector<std::string>& lines);

/// "Reading file" and "Processing XML data" for a log of `size` bytes, then `found`.
std::vector<std::string> ReadTrace(std::size_t size, const std::vector<std::string>& found = {});

/// What -d shows of reading JobLog(job, code): its size, its job name and `status`, the code's
/// wording.
std::vector<std::string> ReadJobLog(const std::string& job, const std::string& code,
                                    const std::string& status);

/// The search for the job's latest log, and what it found: `status` as in "19 (Success)".
std::vector<std::string> ChoiceTrace(const std::filesystem::path& dir, const std::string& job,
                                     const std::string& name, const std::string& date,
                                     const std::string& status);

/// The whole -d trace of a run for Nightly on BE1.xml, a successful log of yesterday, and
/// BE2.xml, a later log skipped with the line `skipped`.
std::string TraceWithSkippedLog(const std::filesystem::path& dir, const std::string& skipped);

/// The groups' lines, one after the other, each ended by CR LF.
std::string Trace(std::initializer_list<std::vector<std::string>> groups);

/// Each test in a new fixture directory of its own, removed after it.
class EndToEnd : public testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  /// Runs the program on the fixture directory and the job with the switches.
  tRunResult Check(const std::string& job, std::vector<std::string> switches = {},
                   const tRunOptions& options = {});

  std::filesystem::path dir_;
};

}  // namespace e2e

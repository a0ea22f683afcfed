#include "app/run.h"

#include <new>
#include <system_error>

#include "console/console.h"
#include "joblog/joblog.h"
#include "platform/platform.h"
#include "text/text.h"
#include "verdict/verdict.h"

std::string LogDirectory;
std::string OpenDirectory;
std::string JobName;
std::string JobKey;
std::int32_t WarningDays = 0;
std::int32_t CriticalDays = 0;

namespace {

const char kSyntaxError[] = "jobvigil : Syntax error. Use -h for help";

[[noreturn]] void UsageAndEnd() {
  ShowUsage();
  EndRun(3);
}

std::int32_t DaysOfSwitch(const std::string& upperSwitch) {
  const std::int32_t days = TextToNumber(TextAfter(upperSwitch, 2));
  if (days <= 0) StopWith(kSyntaxError, 3);
  return days;
}

void ApplySwitch(const std::string& argument) {
  const std::string upper = UpperText(argument);
  const std::string prefix = LeftText(upper, 2);
  if (upper == "-D" || upper == "-D1") {
    DebugOutput = true;
  } else if (upper == "-D2") {
    DebugOutput = true;
    VerboseOutput = true;
  } else if (upper == "-H") {
    UsageAndEnd();
  } else if (prefix == "-C") {
    CriticalDays = DaysOfSwitch(upper);
  } else if (prefix == "-W") {
    WarningDays = DaysOfSwitch(upper);
  } else {
    StopWith(kSyntaxError, 3);
  }
}

}  // namespace

void ReadCommandLine(const std::vector<std::string>& arguments) {
  DebugOutput = false;
  VerboseOutput = false;
  WarningDays = 0;
  CriticalDays = 0;

  if (arguments.empty()) UsageAndEnd();
  if (arguments.size() == 1) {
    if (UpperText(arguments[0]) == "-H") UsageAndEnd();
    StopWith("jobvigil : Too few parameters. Use -h for help", 3);
  }

  LogDirectory = UpperText(arguments[0]);
  if (LogDirectory.back() != '\\') LogDirectory += '\\';
  OpenDirectory = UsableDirectory(arguments[0]);
  JobName = arguments[1];
  JobKey = UpperText(arguments[1]);
  for (std::size_t i = 2; i < arguments.size(); ++i) ApplySwitch(arguments[i]);
}

void RunCheck(const std::vector<std::string>& arguments) {
  InitStatusTexts();
  ReadCommandLine(arguments);

  if (CriticalDays > 0)
    PrintDebug("CRITICAL threshold set to " + NumberToText(CriticalDays) + " days");
  if (WarningDays > 0)
    PrintDebug("WARNING threshold set to " + NumberToText(WarningDays) + " days");

  ScanLogDirectory();
  ReadLogFiles();
  DeliverVerdict();
}

void RunProgram(int argc, char** argv) {
  try {
    StartPlatform();
    RunCheck(CommandLineArguments(argc, argv));
  } catch (const std::bad_alloc& failure) {
    FailUnhandled("out of memory", failure.what());
  } catch (const std::system_error& failure) {
    FailUnhandled("I/O error", failure.what());
  } catch (const std::exception& failure) {
    FailUnhandled("failure", failure.what());
  } catch (...) {
    FailUnhandled("failure", "unknown");
  }
}

#include "app/run.h"

#include <new>
#include <system_error>

#include "console/console.h"
#include "joblog/joblog.h"
#include "joblog/status.h"
#include "platform/platform.h"
#include "settings/settings.h"
#include "text/text.h"
#include "verdict/verdict.h"

namespace {

[[noreturn]] void UsageAndEnd() {
  // The check's version line keeps the form and the date its users know it by.
  EndWithUsage(
      {.Program = "jobvigil",
       .Version = "v" JOBVIGIL_VERSION " (13/01/2009)",
       .About = {"Scans BackupExec XML files for a specific job, then returns information",
                 "about completion of the last occurrence of the job."},
       .Arguments = "\"path of XML files\" \"Name of the job\"",
       .Switches = {{"-d", {"prints debug information"}}, WarningDaysHelp, CriticalDaysHelp}},
      StateUnknown);
}

void ApplySwitch(const std::string& argument) {
  const tSwitch item = ReadSwitch(argument);
  switch (item.Kind) {
    case SwitchDebug:
      DebugOutput = true;
      break;
    case SwitchVerbose:
      DebugOutput = true;
      VerboseOutput = true;
      break;
    case SwitchUsage:
      UsageAndEnd();
    case SwitchCritical:
      CriticalDays = item.Days;
      break;
    case SwitchWarning:
      WarningDays = item.Days;
      break;
    case SwitchBad:
      StopWith(ProgramName + " : Syntax error. Use -h for help", StateUnknown);
  }
}

}  // namespace

const tSwitchHelp WarningDaysHelp = {"-w<n>", {"warning if last result is older than <n> days"}};
const tSwitchHelp CriticalDaysHelp = {"-c<n>", {"critical if last result is older than <n> days"}};

tSwitch ReadSwitch(const std::string& argument) {
  const std::string upper = UpperText(argument);
  const std::string prefix = LeftText(upper, 2);
  if (upper == "-D" || upper == "-D1") return {SwitchDebug, 0};
  if (upper == "-D2") return {SwitchVerbose, 0};
  if (upper == "-H") return {SwitchUsage, 0};
  if (prefix == "-C" || prefix == "-W") {
    const std::int32_t days = TextToNumber(TextAfter(upper, 2));
    if (days > 0) return {prefix == "-C" ? SwitchCritical : SwitchWarning, days};
  }
  return {SwitchBad, 0};
}

void SetLogDirectory(const std::string& typed) {
  LogDirectory = UpperText(typed);
  if (LogDirectory.back() != '\\') LogDirectory += '\\';
  OpenDirectory = UsableDirectory(typed, LogDirectory);
}

void ReadCommandLine(const std::vector<std::string>& arguments,
                     const std::vector<std::u16string>& characters) {
  DebugOutput = false;
  VerboseOutput = false;
  WarningDays = 0;
  CriticalDays = 0;

  if (arguments.empty()) UsageAndEnd();
  if (arguments.size() == 1) {
    if (UpperText(arguments[0]) == "-H") UsageAndEnd();
    StopWith(ProgramName + " : Too few parameters. Use -h for help", StateUnknown);
  }

  SetLogDirectory(arguments[0]);
  JobName = arguments[1];
  JobKey = UpperText(arguments[1]);
  // BackupExec writes its logs in UTF-16, of which the scanner keeps bytes: a name beyond ASCII
  // typed in UTF-8, or one the ANSI code page cannot hold, reads otherwise there.
  WideJobKey = characters.size() > 1 && !characters[1].empty() ? Utf16JobKey(characters[1]) : "";
  for (std::size_t i = 2; i < arguments.size(); ++i) ApplySwitch(arguments[i]);
}

void RunCheck(const std::vector<std::string>& arguments,
              const std::vector<std::u16string>& characters) {
  InitStatusTexts();
  ReadCommandLine(arguments, characters);

  if (CriticalDays > 0)
    PrintDebug("CRITICAL threshold set to " + NumberToText(CriticalDays) + " days");
  if (WarningDays > 0)
    PrintDebug("WARNING threshold set to " + NumberToText(WarningDays) + " days");

  ScanLogDirectory();
  ReadLogFiles();
  DeliverVerdict();
}

void RunProgram(const char* name, int argc, char** argv, tProgramRun run) {
  ProgramName = name;
  try {
    StartPlatform();
    const std::vector<std::string> arguments = CommandLineArguments(argc, argv);
    run(arguments, CommandLineCharacters(arguments));
    FailUnhandled("failure", "the run ended without an answer");
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

// The run driver: the run settings (process-wide, set once from the command line and read by
// every later phase), the reading of the arguments and switches, and the fixed order of the
// phases of one check. Called by main only.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

extern std::string LogDirectory;   // as printed: upper-cased, ending in "\"
extern std::string OpenDirectory;  // the same directory as the platform opens it
extern std::string JobName;        // as typed
extern std::string JobKey;         // upper-cased, compared with each log's job name
extern std::string WideJobKey;     // the name as read from a UTF-16 log; empty when not known
extern std::int32_t WarningDays;   // 0 for no limit
extern std::int32_t CriticalDays;  // 0 for no limit

enum tSwitchKind {
  SwitchDebug,
  SwitchVerbose,
  SwitchUsage,
  SwitchCritical,
  SwitchWarning,
  SwitchBad
};

struct tSwitch {
  tSwitchKind Kind;
  std::int32_t Days;  // the limit of SwitchCritical and SwitchWarning, always above 0
};

/// What one switch argument asks for, matched without regard to case; SwitchBad for anything
/// the program does not accept, a limit of 0 or less included.
tSwitch ReadSwitch(const std::string& argument);

/// Sets LogDirectory and OpenDirectory from the directory argument as typed.
void SetLogDirectory(const std::string& typed);

/// Reads the arguments (program name excluded) into the run settings and the diagnostic flags,
/// or ends the run with the usage text or a command-line error. `characters` holds each
/// argument's characters, as CommandLineCharacters gives them.
void ReadCommandLine(const std::vector<std::string>& arguments,
                     const std::vector<std::u16string>& characters);

/// One whole check on the arguments; never returns.
[[noreturn]] void RunCheck(const std::vector<std::string>& arguments,
                           const std::vector<std::u16string>& characters);

/// What a program does with its arguments and their characters; it never returns.
using tProgramRun = void (*)(const std::vector<std::string>& arguments,
                             const std::vector<std::u16string>& characters);

/// A program: `run` on the command line, with every failure that no step handles taken to the
/// unhandled-failure path.
[[noreturn]] void RunProgram(int argc, char** argv, tProgramRun run);

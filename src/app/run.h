// The run driver: the reading of the arguments and switches into the run settings, the fixed
// order of the phases of one check, and the start of every program. Called by the programs'
// mains; its readers also by the listing, the success check and the switch fuzz target.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "console/console.h"

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

/// The usage text's lines for the age limits in days that ReadSwitch reads, which the check
/// and the listing both take.
extern const tSwitchHelp WarningDaysHelp;
extern const tSwitchHelp CriticalDaysHelp;

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

/// The program of that name (ProgramName): `run` on the command line, with every failure that
/// no step handles taken to the unhandled-failure path.
[[noreturn]] void RunProgram(const char* name, int argc, char** argv, tProgramRun run);

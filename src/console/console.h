// Everything the program says: lines on standard output through a 128-byte buffer, or into a
// file that replaces another once the run ends (process-wide, set once); the name the program's
// own lines give it (process-wide, set once by the run driver); the two diagnostic levels
// (process-wide flags set by the command line); the layout of the programs' usage texts and
// version lines; the ways a run ends, and the report of a failure that nothing else handles.
// Called by the app, listing, joblog and verdict modules; the scanner's fuzz target sets the
// diagnostic levels.
#pragma once

#include <functional>
#include <string>
#include <vector>

/// The exit codes a monitoring engine reads as the check's state, named as the Monitoring
/// Plugins name them.
enum tExitState { StateOk = 0, StateWarning = 1, StateCritical = 2, StateUnknown = 3 };

/// The state's name as engines show it: OK, WARNING, CRITICAL or UNKNOWN.
const char* StateName(tExitState state);

/// The program's name as its own lines give it: "jobvigil", or a companion program's name
/// ("jobvigil-jobs"), so that a line an engine shows says which program could not answer.
extern std::string ProgramName;

extern bool DebugOutput;                 // -d, -d1, -d2
extern bool VerboseOutput;               // -d2 only
extern const std::string SeparatorLine;  // a diagnostic line before each log's lines and the
                                         // search for the latest

/// Writes the text and CR LF. Throws std::system_error when standard output fails.
void WriteLine(const std::string& text);

/// Writes the text and LF alone, for formats whose readers take nothing else (the listing's
/// Prometheus and Checkmk lines). Throws std::system_error as WriteLine does.
void WriteLfLine(const std::string& text);

/// The lines that `write` writes, each with its line end, gathered into one text instead of
/// written out: a format that holds others whole (a mail of the table and the page).
std::string LinesOf(const std::function<void()>& write);

/// From here on the lines go into a new temporary file beside `path` (its name followed by
/// ".tmp." and the process number), which EndRun renames over `path`: a reader of `path` sees
/// the whole of the earlier file or the whole of this one. Throws std::system_error when the
/// file cannot be made; a run that fails leaves `path` as it was.
void SendOutputTo(const std::string& path);

/// Gives up the file that SendOutputTo began, which leaves `path` as it was; the lines from
/// here on go to standard output. Nothing happens where no file was begun.
void AbandonOutputFile();

/// WriteLine when DebugOutput is on.
void PrintDebug(const std::string& text);

/// WriteLine when VerboseOutput is on.
void PrintVerbose(const std::string& text);

/// One switch in a usage text: "      -w<n> : warning if ...", its help's later lines under it
/// two blanks further in.
struct tSwitchHelp {
  std::string Switch;             // as typed, with what it takes: "-w<n>", "--host NAME"
  std::vector<std::string> Help;  // at least one line
};

/// What a program's usage text says; every program lays it out alike.
struct tUsage {
  std::string Program;             // as its command line is typed
  std::string Version;             // as its version line names it
  std::vector<std::string> About;  // what it does, a line each
  std::string Arguments;           // the usage line's arguments, before "[switches]"
  std::vector<tSwitchHelp> Switches;
};

/// Writes the usage text and ends the run with the state: UNKNOWN for a command line that
/// cannot be used (and for the check's own -h), OK where a companion program is asked for it.
[[noreturn]] void EndWithUsage(const tUsage& usage, tExitState state);

/// The usage lines of the switches every companion program answers, as the Monitoring Plugins'
/// do: its usage text and its version line, each with exit code 0.
extern const tSwitchHelp HelpSwitchHelp;
extern const tSwitchHelp VersionSwitchHelp;

enum tAskedFor { AskedForNothing, AskedForHelp, AskedForVersion };

/// What the arguments ask of a companion program first: its usage text where one is -h, -H or
/// --help, its version where one is -V or --version (the earlier of the two); else nothing.
tAskedFor HelpOrVersionAskedFor(const std::vector<std::string>& arguments);

/// Ends the run with OK after the usage text, or after the usage text's first line (the
/// program and its version), where the arguments ask for it (HelpOrVersionAskedFor). Returns
/// where they do not.
void AnswerHelpOrVersion(const std::vector<std::string>& arguments, const tUsage& usage);

/// Writes out what is buffered (and puts the output file in place) and ends the process with
/// the state's code. Throws std::system_error when the buffered lines cannot be written or the
/// file cannot replace the earlier one.
[[noreturn]] void EndRun(tExitState state);

/// How StopWith puts its text: a program whose output is read by machines (the listing's JSON)
/// sets its own form, so that a stopped run still says why in that form. None: a plain line.
extern void (*StopLineForm)(const std::string& text, tExitState state);

/// Writes the text whatever the diagnostic levels, in the StopLineForm, then ends the run with
/// the state's code.
[[noreturn]] void StopWith(const std::string& text, tExitState state);

/// The end of a run that met a failure no step handles: what standard output holds goes out
/// where it can, a one-line report of the kind of failure and its message goes to standard
/// error, and the exit code is 1 (not UNKNOWN's 3). An output file is removed unfinished.
[[noreturn]] void FailUnhandled(const std::string& kind, const std::string& message);

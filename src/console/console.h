// Everything the program says: lines on standard output through a 128-byte buffer, the two
// diagnostic levels (process-wide flags set by the command line), the usage text, the ways a
// run ends, and the report of a failure that nothing else handles.
#pragma once

#include <string>

extern bool DebugOutput;    // -d, -d1, -d2
extern bool VerboseOutput;  // -d2 only
extern const std::string Version;

/// Writes the text and CR LF. Throws std::system_error when standard output fails.
void WriteLine(const std::string& text);

/// WriteLine when DebugOutput is on.
void PrintDebug(const std::string& text);

/// WriteLine when VerboseOutput is on.
void PrintVerbose(const std::string& text);

/// Writes the usage text; the caller ends the run.
void ShowUsage();

/// Writes out what is buffered and ends the process with the code. Throws std::system_error
/// when the buffered lines cannot be written.
[[noreturn]] void EndRun(int code);

/// Writes the text whatever the diagnostic levels, then ends the run with the code.
[[noreturn]] void StopWith(const std::string& text, int code);

/// The end of a run that met a failure no step handles: what standard output holds goes out
/// where it can, a one-line report of the kind of failure and its message goes to standard
/// error, and the exit code is 1.
[[noreturn]] void FailUnhandled(const std::string& kind, const std::string& message);

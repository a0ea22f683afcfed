// Everything the check needs of the operating system: its arguments, the standard streams,
// the end of the process, the directory's entries with local file dates, file reads and
// the local clock, and the output file that replaces another. Called by the app, console,
// joblog and verdict modules and the sample tool; posix.cpp and win32.cpp fill it, and nothing
// else calls the system directly.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <system_error>
#include <vector>

/// Prepares the process: broken pipes report errors instead of killing it, and closed standard
/// streams are noted (and their numbers held) so that no log file ever takes their place.
void StartPlatform();

/// The arguments after the program's name, split by the platform's rule, empty ones dropped.
std::vector<std::string> CommandLineArguments(int argc, char** argv);

/// The characters of each of `arguments` (as CommandLineArguments gave them) as UTF-16, where
/// the platform can tell them; an empty text for an argument whose characters it cannot tell.
std::vector<std::u16string> CommandLineCharacters(const std::vector<std::string>& arguments);

/// A job name as the scanner read it (its bytes), as it is typed on this platform's command line
/// to name that job: in UTF-8 on POSIX, each byte taken as the character of that number
/// (ISO-8859-1); in the ANSI code page, as it stands, on Windows.
std::string TypedJobName(const std::string& scanned);

/// The characters of a text typed on this platform's command line, as CommandLineCharacters
/// gives those of an argument; the empty text when it cannot tell them.
std::u16string TypedCharacters(const std::string& typed);

/// Characters as they are typed on this platform's command line: in UTF-8 on POSIX, in the
/// ANSI code page on Windows; the empty text where that code page cannot hold them all.
std::string TypedText(const std::u16string& characters);

/// True when standard output is a character device (a console), where lines go out at once.
bool StandardOutputIsDevice();

/// Writes all the bytes to standard output; an error when they could not all be written, or
/// when standard output cannot be used at all (which a write of no bytes tells).
std::error_code WriteStandardOutput(const char* bytes, std::size_t count);

/// Writes the bytes to standard error, as far as it can; failures are ignored.
void WriteStandardError(const std::string& text);

/// Ends the process at once with the exit code; nothing is flushed or released here.
[[noreturn]] void EndProcess(int code);

/// A local wall-clock time as seconds since 1/1/1970 00:00 (negative before it).
using tLocalSeconds = std::int64_t;

struct tDirectoryEntry {
  std::string Name;
  tLocalSeconds LastWrite;  // last-write time, local, with the offset in force at that time
};

/// The form of the directory that its scan and file opens use, given the argument as typed and
/// as printed (upper-cased, ending in "\").
std::string UsableDirectory(const std::string& typed, const std::string& printed);

/// Lists the entries of `directory` (as UsableDirectory gives it) whose names match BE*.xml,
/// every kind of entry, in the platform's order, stopping after `limit` of them. False when
/// the directory cannot be read, or its reading fails before its end.
bool ListLogFiles(const std::string& directory, std::size_t limit,
                  std::vector<tDirectoryEntry>& entries);

/// Handle of one open log file; kNoFile when none.
using tFileHandle = std::intptr_t;
constexpr tFileHandle kNoFile = -1;

/// Opens an existing regular file of the directory's `entries` (as ListLogFiles gave them) for
/// reading without blocking; kNoFile when it cannot be opened, is not a regular file, or is a
/// log that another process holds open for writing, wherever the platform can tell. Where that
/// depends on the share granting leases at all, the entries' oldest logs are asked, once a run.
tFileHandle OpenLogFile(const std::string& directory, const std::string& name,
                        const std::vector<tDirectoryEntry>& entries);

/// The file's size in bytes, or -1 when it cannot be had.
std::int64_t LogFileSize(tFileHandle file);

/// Reads the file's next `count` bytes into `buffer`, fewer only at its end; the count read, or
/// -1 on an error.
std::int64_t ReadLogFile(tFileHandle file, char* buffer, std::int64_t count);

void CloseLogFile(tFileHandle file);

/// The local wall-clock time now.
tLocalSeconds LocalTimeNow();

/// This machine's name (its host name, or its NetBIOS name on Windows); empty where the
/// platform does not tell.
std::string LocalHostName();

/// The true time (seconds since 1/1/1970 00:00 universal time) of a local wall-clock time, with
/// the offset in force at that local time; of a time that a change of offset makes occur twice,
/// either. The local time itself when the system cannot convert it.
std::int64_t UniversalSecondsOf(tLocalSeconds local);

/// This process's number, as the system lists it.
int ProcessNumber();

/// Creates a new file for writing at `path`, which must not exist yet.
std::error_code CreateOutputFile(const std::string& path, tFileHandle& file);

/// Writes all the bytes to a file that CreateOutputFile made.
std::error_code WriteOutputFile(tFileHandle file, const char* bytes, std::size_t count);

/// Puts what was written on the disk and closes the file.
std::error_code CloseOutputFile(tFileHandle file);

/// Renames the file `from` over `to` in one step, `to` replaced if it exists. On Windows a
/// reader that holds `to` open without sharing its deletion is waited for, a few seconds at most.
std::error_code RenameOverFile(const std::string& from, const std::string& to);

/// Removes the file, if it can.
void RemoveFile(const std::string& path);

// Win32 side of the platform layer: the check's home, a console program on the backup server.
#include <windows.h>

#include <cerrno>
#include <system_error>

#include "platform/platform.h"
#include "text/text.h"

namespace {

HANDLE gStandardOutput = INVALID_HANDLE_VALUE;
bool gStandardOutputIsDevice = false;

// FILETIME counts 100 ns from 1/1/1601; these count seconds from 1/1/1970.
constexpr std::int64_t kSecondsFrom1601To1970 = 11644473600;

std::error_code Win32Error(DWORD code) {
  // The failures an administrator meets most get the same wording as on Linux.
  switch (code) {
    case ERROR_INVALID_HANDLE:
      return {EBADF, std::generic_category()};
    case ERROR_BROKEN_PIPE:
    case ERROR_NO_DATA:
    case ERROR_PIPE_NOT_CONNECTED:
      return {EPIPE, std::generic_category()};
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return {ENOSPC, std::generic_category()};
    default:
      return {static_cast<int>(code), std::system_category()};
  }
}

bool IsUsable(HANDLE handle) { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }

tLocalSeconds SecondsOf(const FILETIME& time) {
  ULARGE_INTEGER value;
  value.LowPart = time.dwLowDateTime;
  value.HighPart = time.dwHighDateTime;
  return static_cast<tLocalSeconds>(value.QuadPart / 10000000u) - kSecondsFrom1601To1970;
}

// The local wall-clock time of a universal file time, with the offset in force at that time
// (FileTimeToLocalFileTime would use today's). Times Windows cannot convert keep their
// universal time.
tLocalSeconds LocalSecondsOf(const FILETIME& universal) {
  SYSTEMTIME utc;
  SYSTEMTIME local;
  FILETIME localTime;
  if (FileTimeToSystemTime(&universal, &utc) &&
      SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local) &&
      SystemTimeToFileTime(&local, &localTime))
    return SecondsOf(localTime);
  return SecondsOf(universal);
}

// Writes all the bytes, in pieces that a DWORD counts, a write that delivers fewer going on
// with the rest.
std::error_code WriteAll(HANDLE handle, const char* bytes, std::size_t count) {
  while (count > 0) {
    const DWORD chunk = count > 0x40000000u ? 0x40000000u : static_cast<DWORD>(count);
    DWORD written = 0;
    if (!WriteFile(handle, bytes, chunk, &written, nullptr)) return Win32Error(GetLastError());
    if (written == 0) return Win32Error(ERROR_WRITE_FAULT);
    bytes += written;
    count -= written;
  }
  return {};
}

}  // namespace

void StartPlatform() {
  // A missing drive or an unreadable medium must fail the call, not wait for a dialog box.
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  gStandardOutput = GetStdHandle(STD_OUTPUT_HANDLE);
  gStandardOutputIsDevice =
      IsUsable(gStandardOutput) && GetFileType(gStandardOutput) == FILE_TYPE_CHAR;
}

std::vector<std::string> CommandLineArguments(int, char**) {
  return SplitCommandLine(GetCommandLineA());
}

// The wide command line holds characters that the ANSI one, made from it, may have lost. The
// ANSI conversion can also turn a character into a separator or a quote (U+FF02 into '"'),
// which splits the two lines differently: then only the ANSI arguments are known.
std::vector<std::u16string> CommandLineCharacters(const std::vector<std::string>& arguments) {
  const std::vector<std::u16string> wide =
      SplitCommandLine(std::u16string(reinterpret_cast<const char16_t*>(GetCommandLineW())));
  const std::vector<std::u16string> unknown(arguments.size());
  if (wide.size() != arguments.size()) return unknown;
  for (std::size_t i = 0; i < wide.size(); ++i) {
    const auto* text = reinterpret_cast<const wchar_t*>(wide[i].data());
    const int length = static_cast<int>(wide[i].size());
    const int size = WideCharToMultiByte(CP_ACP, 0, text, length, nullptr, 0, nullptr, nullptr);
    std::string ansi(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
    if (size <= 0 ||
        WideCharToMultiByte(CP_ACP, 0, text, length, ansi.data(), size, nullptr, nullptr) != size ||
        ansi != arguments[i])
      return unknown;
  }
  return wide;
}

std::string TypedJobName(const std::string& scanned) { return scanned; }

std::u16string TypedCharacters(const std::string& typed) {
  const int length = static_cast<int>(typed.size());
  const int size = MultiByteToWideChar(CP_ACP, 0, typed.data(), length, nullptr, 0);
  if (size <= 0) return {};
  std::u16string characters(static_cast<std::size_t>(size), u'\0');
  if (MultiByteToWideChar(CP_ACP, 0, typed.data(), length,
                          reinterpret_cast<wchar_t*>(characters.data()), size) != size)
    return {};
  return characters;
}

std::string TypedText(const std::u16string& characters) {
  const auto* wide = reinterpret_cast<const wchar_t*>(characters.data());
  const int length = static_cast<int>(characters.size());
  BOOL lost = FALSE;
  const int size =
      WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, length, nullptr, 0, nullptr, &lost);
  if (size <= 0 || lost) return {};
  std::string text(static_cast<std::size_t>(size), '\0');
  if (WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, length, text.data(), size, nullptr,
                          &lost) != size ||
      lost)
    return {};
  return text;
}

bool StandardOutputIsDevice() { return gStandardOutputIsDevice; }

std::error_code WriteStandardOutput(const char* bytes, std::size_t count) {
  if (!IsUsable(gStandardOutput)) return Win32Error(ERROR_INVALID_HANDLE);
  return WriteAll(gStandardOutput, bytes, count);
}

void WriteStandardError(const std::string& text) {
  const HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
  if (!IsUsable(error)) return;
  DWORD written = 0;
  WriteFile(error, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

void EndProcess(int code) { ExitProcess(static_cast<UINT>(code)); }

// A Windows file system ignores case and separates with "\", so the printed form is usable.
std::string UsableDirectory(const std::string&, const std::string& printed) { return printed; }

bool ListLogFiles(const std::string& directory, std::size_t limit,
                  std::vector<tDirectoryEntry>& entries) {
  WIN32_FIND_DATAA found;
  const HANDLE search = FindFirstFileA((directory + "BE*.xml").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return false;
  do {
    entries.push_back({found.cFileName, LocalSecondsOf(found.ftLastWriteTime)});
  } while (entries.size() < limit && FindNextFileA(search, &found));
  // A reading of the directory that fails partway cannot be carried out: a part of it could
  // miss the newest log.
  const bool complete = entries.size() >= limit || GetLastError() == ERROR_NO_MORE_FILES;
  FindClose(search);
  return complete;
}

tFileHandle OpenLogFile(const std::string& directory, const std::string& name,
                        const std::vector<tDirectoryEntry>&) {
  // No sharing: a log the backup product still has open is refused, and nobody can change it
  // while it is read.
  const HANDLE file = CreateFileA((directory + name).c_str(), GENERIC_READ, 0, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return kNoFile;
  if (GetFileType(file) != FILE_TYPE_DISK) {
    CloseHandle(file);
    return kNoFile;
  }
  return reinterpret_cast<tFileHandle>(file);
}

std::int64_t LogFileSize(tFileHandle file) {
  LARGE_INTEGER size;
  if (!GetFileSizeEx(reinterpret_cast<HANDLE>(file), &size)) return -1;
  return size.QuadPart;
}

std::int64_t ReadLogFile(tFileHandle file, char* buffer, std::int64_t count) {
  std::int64_t total = 0;
  while (total < count) {
    DWORD got = 0;
    if (!ReadFile(reinterpret_cast<HANDLE>(file), buffer + total, static_cast<DWORD>(count - total),
                  &got, nullptr))
      return -1;
    if (got == 0) break;
    total += got;
  }
  return total;
}

void CloseLogFile(tFileHandle file) { CloseHandle(reinterpret_cast<HANDLE>(file)); }

tLocalSeconds LocalTimeNow() {
  SYSTEMTIME now;
  FILETIME time;
  GetLocalTime(&now);
  if (!SystemTimeToFileTime(&now, &time)) return 0;
  return SecondsOf(time);
}

std::string LocalHostName() {
  char name[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD size = sizeof name;
  if (!GetComputerNameA(name, &size)) return "";
  return std::string(name, size);
}

std::int64_t UniversalSecondsOf(tLocalSeconds local) {
  ULARGE_INTEGER value;
  value.QuadPart = static_cast<ULONGLONG>(local + kSecondsFrom1601To1970) * 10000000u;
  FILETIME localTime;
  localTime.dwLowDateTime = value.LowPart;
  localTime.dwHighDateTime = value.HighPart;
  SYSTEMTIME wall;
  SYSTEMTIME utc;
  FILETIME universal;
  // The offset in force at that local time (LocalFileTimeToFileTime would use today's).
  if (local + kSecondsFrom1601To1970 >= 0 && FileTimeToSystemTime(&localTime, &wall) &&
      TzSpecificLocalTimeToSystemTime(nullptr, &wall, &utc) &&
      SystemTimeToFileTime(&utc, &universal))
    return SecondsOf(universal);
  return local;
}

int ProcessNumber() { return static_cast<int>(GetCurrentProcessId()); }

std::error_code CreateOutputFile(const std::string& path, tFileHandle& file) {
  const HANDLE handle = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
  if (!IsUsable(handle)) return Win32Error(GetLastError());
  file = reinterpret_cast<tFileHandle>(handle);
  return {};
}

std::error_code WriteOutputFile(tFileHandle file, const char* bytes, std::size_t count) {
  return WriteAll(reinterpret_cast<HANDLE>(file), bytes, count);
}

std::error_code CloseOutputFile(tFileHandle file) {
  const HANDLE handle = reinterpret_cast<HANDLE>(file);
  std::error_code error;
  if (!FlushFileBuffers(handle)) error = Win32Error(GetLastError());
  if (!CloseHandle(handle) && !error) error = Win32Error(GetLastError());
  return error;
}

std::error_code RenameOverFile(const std::string& from, const std::string& to) {
  // An exporter reading the file holds it for a moment; a few seconds of retries outlast it.
  for (int attempt = 0;; ++attempt) {
    if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
      return {};
    const DWORD code = GetLastError();
    if ((code != ERROR_SHARING_VIOLATION && code != ERROR_ACCESS_DENIED) || attempt == 50)
      return Win32Error(code);
    Sleep(100);
  }
}

void RemoveFile(const std::string& path) { DeleteFileA(path.c_str()); }

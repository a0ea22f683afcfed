// POSIX side of the platform layer: Linux and other Unix systems, where the logs are usually
// read over a mounted share.
#include <dirent.h>
#include <fcntl.h>
#include <linux/magic.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <system_error>

#include "platform/platform.h"
#include "text/text.h"

namespace {

int gStandardOutputError = 0;  // set when standard output cannot be written at all
bool gStandardOutputIsDevice = false;

// Local wall-clock seconds of a time, with the offset in force at that very time. Times that
// the C library cannot convert keep their universal time.
tLocalSeconds ToLocalSeconds(time_t when) {
  struct tm local;
  if (localtime_r(&when, &local) == nullptr) return static_cast<tLocalSeconds>(when);
  const tLocalSeconds seconds = static_cast<tLocalSeconds>(when);
  const long offset = local.tm_gmtoff;
  if ((offset > 0 && seconds > INT64_MAX - offset) || (offset < 0 && seconds < INT64_MIN - offset))
    return seconds;
  return seconds + offset;
}

bool IsLogFileName(const char* name) {
  const std::size_t length = std::strlen(name);
  return length >= 6 && strncasecmp(name, "be", 2) == 0 &&
         strcasecmp(name + length - 4, ".xml") == 0;
}

std::string JoinPath(const std::string& directory, const std::string& name) {
  if (!directory.empty() && directory.back() == '/') return directory + name;
  return directory + "/" + name;
}

// Checked before opening: opening a device or a FIFO could block or act on the device.
int OpenRegularFile(const std::string& path) {
  struct stat status;
  if (stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) return -1;
  const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return -1;
  if (fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
    close(fd);
    return -1;
  }
  return fd;
}

enum tLease { LeaseGranted, LeaseRefused, LeaseUnknown };

// Takes a read lease and releases it at once, so that a writer is never held up. The kernel
// refuses it with EAGAIN while a process has the file open for writing, and a writer that opens
// the file while the lease is held breaks it. Other failures (another owner's file without
// CAP_LEASE, a file system without leases) tell nothing.
tLease TryReadLease(int fd) {
#ifdef F_SETLEASE
  if (fcntl(fd, F_SETLEASE, F_RDLCK) != 0) return errno == EAGAIN ? LeaseRefused : LeaseUnknown;
  const int held = fcntl(fd, F_GETLEASE);
  fcntl(fd, F_SETLEASE, F_UNLCK);
  return held == F_RDLCK ? LeaseGranted : LeaseRefused;
#else
  (void)fd;
  return LeaseUnknown;
#endif
}

// What a refused lease says of a file system: on most, the kernel's own leases, refused exactly
// while a process of this machine has the file open for writing. NFS refuses any lease for
// which the client holds no delegation, and SMB one for which it holds no read oplock or lease
// from the server (unless mounted with locallease or cache=ro), whatever the file's writers.
enum tLeaseMeaning { RefusalMeansWriter, RefusalTellsNothing, RefusalMeansWriterIfServerGrants };

// The file systems whose refusals mean less, by statfs's f_type; every other kind's mean a
// writer.
struct tLeaseRule {
  unsigned long FileSystem;
  tLeaseMeaning Meaning;
};
constexpr tLeaseRule kLeaseRules[] = {
    {NFS_SUPER_MAGIC, RefusalTellsNothing},  // every version
    {CIFS_SUPER_MAGIC, RefusalMeansWriterIfServerGrants},
    {SMB2_SUPER_MAGIC, RefusalMeansWriterIfServerGrants},
    {SMB_SUPER_MAGIC, RefusalMeansWriterIfServerGrants},  // the old smbfs
};

tLeaseMeaning LeaseMeaningOf(int fd) {
  struct statfs system;
  if (fstatfs(fd, &system) != 0) return RefusalMeansWriter;
  // f_type is signed on some targets: compared as the 32-bit magic number it holds.
  const auto type = static_cast<std::uint32_t>(system.f_type);
  for (const tLeaseRule& rule : kLeaseRules) {
    if (type == rule.FileSystem) return rule.Meaning;
  }
  return RefusalMeansWriter;
}

int gShareGrantsLeases = -1;  // whether this run's share grants leases; -1 until probed

// Whether the server behind an SMB mount grants read oplocks or leases at all: without them
// (a server with oplocks off, a mount with nolease, the cifs module's enable_oplocks=0) every
// lease is refused. Asked once a run, of the oldest logs but the refused one, which the backup
// product has long finished writing.
bool ShareGrantsLeases(const std::string& directory, const std::string& refused,
                       const std::vector<tDirectoryEntry>& entries) {
  if (gShareGrantsLeases >= 0) return gShareGrantsLeases == 1;
  std::vector<const tDirectoryEntry*> oldest;
  for (const tDirectoryEntry& entry : entries) {
    if (entry.Name != refused) oldest.push_back(&entry);
  }
  std::stable_sort(oldest.begin(), oldest.end(),
                   [](const tDirectoryEntry* a, const tDirectoryEntry* b) {
                     return a->LastWrite < b->LastWrite;
                   });
  constexpr std::size_t kProbes = 3;
  gShareGrantsLeases = 0;
  for (std::size_t i = 0; i < oldest.size() && i < kProbes && gShareGrantsLeases == 0; ++i) {
    const int fd = OpenRegularFile(JoinPath(directory, oldest[i]->Name));
    if (fd < 0) continue;
    if (TryReadLease(fd) == LeaseGranted) gShareGrantsLeases = 1;
    close(fd);
  }
  return gShareGrantsLeases == 1;
}

// Windows refuses to open a log that the backup product still has open; here a refused read
// lease tells the same, where the file system's leases answer to other processes' opens.
// Where nothing can be told the log is read as it stands.
bool IsOpenForWriting(int fd, const std::string& directory, const std::string& name,
                      const std::vector<tDirectoryEntry>& entries) {
  if (TryReadLease(fd) != LeaseRefused) return false;
  switch (LeaseMeaningOf(fd)) {
    case RefusalMeansWriter:
      return true;
    case RefusalTellsNothing:
      return false;
    case RefusalMeansWriterIfServerGrants:
      return ShareGrantsLeases(directory, name, entries);
  }
  return false;
}

// Writes all the bytes, a write that delivers fewer going on with the rest.
std::error_code WriteAll(int fd, const char* bytes, std::size_t count) {
  while (count > 0) {
    const ssize_t written = write(fd, bytes, count);
    if (written < 0) {
      if (errno == EINTR) continue;
      return {errno, std::generic_category()};
    }
    if (written == 0) return {EIO, std::generic_category()};
    bytes += written;
    count -= static_cast<std::size_t>(written);
  }
  return {};
}

}  // namespace

void StartPlatform() {
  signal(SIGPIPE, SIG_IGN);
  // A lease makes the process the file's owner, and a writer that breaks it sends the owner
  // SIGIO, which would end the check without a line.
  signal(SIGIO, SIG_IGN);

  const int access = fcntl(STDOUT_FILENO, F_GETFL);
  if (access == -1 || (access & O_ACCMODE) == O_RDONLY) gStandardOutputError = EBADF;

  // A log file opened later must never land on a closed standard stream's number.
  for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
    if (fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    const int held = open("/dev/null", O_RDWR | O_NOCTTY);
    if (held >= 0 && held != fd) {
      dup2(held, fd);
      close(held);
    }
  }

  struct stat status;
  gStandardOutputIsDevice =
      gStandardOutputError == 0 && fstat(STDOUT_FILENO, &status) == 0 && S_ISCHR(status.st_mode);
}

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
  std::vector<std::string> arguments;
  for (int i = 1; i < argc; ++i) {
    if (argv[i][0] != '\0') arguments.emplace_back(argv[i]);
  }
  return arguments;
}

// Arguments arrive as the bytes typed, which a UTF-8 locale makes UTF-8.
std::vector<std::u16string> CommandLineCharacters(const std::vector<std::string>& arguments) {
  std::vector<std::u16string> characters;
  for (const std::string& argument : arguments) characters.push_back(Utf16OfUtf8(argument));
  return characters;
}

std::string TypedJobName(const std::string& scanned) { return Utf8OfLatin1(scanned); }

std::u16string TypedCharacters(const std::string& typed) { return Utf16OfUtf8(typed); }

std::string TypedText(const std::u16string& characters) { return Utf8OfUtf16(characters); }

bool StandardOutputIsDevice() { return gStandardOutputIsDevice; }

std::error_code WriteStandardOutput(const char* bytes, std::size_t count) {
  if (gStandardOutputError != 0) return {gStandardOutputError, std::generic_category()};
  return WriteAll(STDOUT_FILENO, bytes, count);
}

void WriteStandardError(const std::string& text) {
  const char* bytes = text.data();
  std::size_t count = text.size();
  while (count > 0) {
    const ssize_t written = write(STDERR_FILENO, bytes, count);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return;
    bytes += written;
    count -= static_cast<std::size_t>(written);
  }
}

void EndProcess(int code) { _exit(code); }

std::string UsableDirectory(const std::string& typed, const std::string&) { return typed; }

bool ListLogFiles(const std::string& directory, std::size_t limit,
                  std::vector<tDirectoryEntry>& entries) {
  DIR* stream = opendir(directory.c_str());
  if (stream == nullptr) return false;

  // A reading of the directory that fails partway (a share that stops answering) cannot be
  // carried out: a part of it could miss the newest log and give an older one's answer.
  std::vector<std::string> names;
  for (;;) {
    errno = 0;
    const dirent* entry = readdir(stream);
    if (entry == nullptr) break;
    if (IsLogFileName(entry->d_name)) names.emplace_back(entry->d_name);
  }
  if (errno != 0) {
    closedir(stream);
    return false;
  }

  // Sorted as a case-blind file system would show them, so that equally dated logs always
  // resolve the same way.
  std::vector<std::pair<std::string, std::string>> order;
  order.reserve(names.size());
  for (std::string& name : names) order.emplace_back(UpperText(name), std::move(name));
  std::sort(order.begin(), order.end());

  const int directoryFd = dirfd(stream);
  for (const auto& item : order) {
    if (entries.size() >= limit) break;
    struct stat status;
    // A dangling link keeps the link's own date; an entry gone since the directory was read is
    // left out, and one whose date cannot be had fails the reading as above.
    if (fstatat(directoryFd, item.second.c_str(), &status, 0) != 0 &&
        fstatat(directoryFd, item.second.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0) {
      if (errno == ENOENT) continue;
      closedir(stream);
      return false;
    }
    entries.push_back({item.second, ToLocalSeconds(status.st_mtim.tv_sec)});
  }
  closedir(stream);
  return true;
}

tFileHandle OpenLogFile(const std::string& directory, const std::string& name,
                        const std::vector<tDirectoryEntry>& entries) {
  const int fd = OpenRegularFile(JoinPath(directory, name));
  if (fd < 0) return kNoFile;
  if (IsOpenForWriting(fd, directory, name, entries)) {
    close(fd);
    return kNoFile;
  }
  return fd;
}

std::int64_t LogFileSize(tFileHandle file) {
  struct stat status;
  if (fstat(static_cast<int>(file), &status) != 0) return -1;
  return static_cast<std::int64_t>(status.st_size);
}

std::int64_t ReadLogFile(tFileHandle file, char* buffer, std::int64_t count) {
  // One read may deliver less than asked for (Linux caps a read just below 2 GiB).
  std::int64_t total = 0;
  while (total < count) {
    const ssize_t got =
        read(static_cast<int>(file), buffer + total, static_cast<std::size_t>(count - total));
    if (got < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    if (got == 0) break;
    total += got;
  }
  return total;
}

void CloseLogFile(tFileHandle file) { close(static_cast<int>(file)); }

tLocalSeconds LocalTimeNow() { return ToLocalSeconds(time(nullptr)); }

std::string LocalHostName() {
  char name[256] = {};
  if (gethostname(name, sizeof name - 1) != 0) return "";
  return name;
}

std::int64_t UniversalSecondsOf(tLocalSeconds local) {
  // The offset in force then, not today's: that of the local time taken as universal, then that
  // of the time it gives, which is the time's own but within a change of offset. localtime_r,
  // unlike mktime, does not read the zone's file again at each call, which a listing of a
  // thousand jobs would do thousands of times.
  time_t universal = static_cast<time_t>(local);
  for (int pass = 0; pass < 2; ++pass) {
    struct tm broken;
    if (localtime_r(&universal, &broken) == nullptr) return local;
    universal = static_cast<time_t>(local - broken.tm_gmtoff);
  }
  return static_cast<std::int64_t>(universal);
}

int ProcessNumber() { return static_cast<int>(getpid()); }

std::error_code CreateOutputFile(const std::string& path, tFileHandle& file) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0644);
  if (fd < 0) return {errno, std::generic_category()};
  file = fd;
  return {};
}

std::error_code WriteOutputFile(tFileHandle file, const char* bytes, std::size_t count) {
  return WriteAll(static_cast<int>(file), bytes, count);
}

std::error_code CloseOutputFile(tFileHandle file) {
  // On the disk before the rename, so that a crash leaves the old file or the whole new one.
  std::error_code error;
  if (fsync(static_cast<int>(file)) != 0 && errno != EINVAL)
    error = {errno, std::generic_category()};
  if (close(static_cast<int>(file)) != 0 && !error && errno != EINTR)
    error = {errno, std::generic_category()};
  return error;
}

std::error_code RenameOverFile(const std::string& from, const std::string& to) {
  if (rename(from.c_str(), to.c_str()) != 0) return {errno, std::generic_category()};
  return {};
}

void RemoveFile(const std::string& path) { unlink(path.c_str()); }

// Preloaded into the Linux program by end-to-end tests, to show it systems this machine does not
// have. Each fake is asked for by an environment variable, which reaches this library and not
// the program (it reads none):
//   FAIL_LISTING=readdir     the directory listing fails after its first three entries, as on a
//                            share that stops answering; =stat, the entries beginning with BE2
//   FAKE_FILE_SYSTEM=nfs|smb fstatfs tells that the files are on such a share
//   REFUSE_LEASES=PREFIX     read leases on files whose names begin with PREFIX are refused with
//                            EAGAIN, as a share without delegations or oplocks refuses them
//   RAISE_SIGIO=1            every read lease granted is followed by SIGIO, as when a writer
//                            breaks it at once
// Declared without the system's headers, whose declarations these replace.
#include <dlfcn.h>
#include <fcntl.h>
#include <linux/magic.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

bool Fails(const char* what) {
  const char* failing = std::getenv("FAIL_LISTING");
  return failing != nullptr && std::strcmp(failing, what) == 0;
}

template <class tFunction>
tFunction Real(const char* name) {
  return reinterpret_cast<tFunction>(dlsym(RTLD_NEXT, name));
}

// Whether a read lease on the open file is to be refused.
bool RefusesLease(int fd) {
  const char* prefix = std::getenv("REFUSE_LEASES");
  if (prefix == nullptr) return false;
  char path[4096];
  const ssize_t length =
      readlink(("/proc/self/fd/" + std::to_string(fd)).c_str(), path, sizeof path - 1);
  if (length < 0) return false;
  path[length] = '\0';
  const char* slash = std::strrchr(path, '/');
  return std::strncmp(slash == nullptr ? path : slash + 1, prefix, std::strlen(prefix)) == 0;
}

int FakeFileSystem(int result, void* status) {
  const char* system = std::getenv("FAKE_FILE_SYSTEM");
  if (result != 0 || system == nullptr) return result;
  // f_type comes first in struct statfs.
  long& type = *static_cast<long*>(status);
  if (std::strcmp(system, "nfs") == 0) type = NFS_SUPER_MAGIC;
  if (std::strcmp(system, "smb") == 0) type = SMB2_SUPER_MAGIC;
  return result;
}

}  // namespace

extern "C" void* readdir(void* listing) {
  static const auto real = Real<void* (*)(void*)>("readdir");
  static int calls = 0;
  if (Fails("readdir") && ++calls > 3) {
    errno = EIO;
    return nullptr;
  }
  return real(listing);
}

extern "C" int fstatat(int directory, const char* name, void* status, int flags) {
  static const auto real = Real<int (*)(int, const char*, void*, int)>("fstatat");
  if (Fails("stat") && std::strncmp(name, "BE2", 3) == 0) {
    errno = EIO;
    return -1;
  }
  return real(directory, name, status, flags);
}

// The argument is read as a long whatever the command, as the C library itself reads it.
extern "C" int fcntl(int fd, int command, ...) {
  static const auto real = Real<int (*)(int, int, ...)>("fcntl");
  va_list arguments;
  va_start(arguments, command);
  const long argument = va_arg(arguments, long);
  va_end(arguments);
  if (command == F_SETLEASE && argument == F_RDLCK) {
    if (RefusesLease(fd)) {
      errno = EAGAIN;
      return -1;
    }
    const int result = real(fd, command, argument);
    if (result == 0 && std::getenv("RAISE_SIGIO") != nullptr) raise(SIGIO);
    return result;
  }
  return real(fd, command, argument);
}

extern "C" int fstatfs(int fd, void* status) {
  static const auto real = Real<int (*)(int, void*)>("fstatfs");
  return FakeFileSystem(real(fd, status), status);
}

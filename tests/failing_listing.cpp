// Preloaded into the Linux program by end-to-end tests: a directory listing that fails partway,
// as one on a share that stops answering does. FAIL_LISTING says what fails: "readdir" after
// its first three entries, "stat" for the entries whose names begin with BE2. Declared without
// the system's headers, whose declarations these replace.
#include <dlfcn.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

bool Fails(const char* what) {
  const char* failing = std::getenv("FAIL_LISTING");
  return failing != nullptr && std::strcmp(failing, what) == 0;
}

template <class tFunction>
tFunction Real(const char* name) {
  return reinterpret_cast<tFunction>(dlsym(RTLD_NEXT, name));
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

// Test tool: starts a program with an exact command line, read byte for byte from a file, so that
// the program's own splitting of GetCommandLineA can be tested past any quoting of the caller's.
// With a third argument it holds that file open for writing while the program runs, letting others
// read and write it, as a backup product writing its log would.
//   launch COMMAND-LINE-FILE PROGRAM [HELD-FILE]
#include <windows.h>

#include <fstream>
#include <iterator>
#include <string>

int main(int argc, char** argv) {
  if (argc < 3) return 100;
  std::ifstream input(argv[1], std::ios::binary);
  std::string commandLine{std::istreambuf_iterator<char>(input), std::istreambuf_iterator<char>()};
  if (!input.good() && !input.eof()) return 101;

  HANDLE held = INVALID_HANDLE_VALUE;
  if (argc > 3) {
    held = CreateFileA(argv[3], GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                       OPEN_EXISTING, 0, nullptr);
    if (held == INVALID_HANDLE_VALUE) return 102;
  }

  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(argv[2], commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                      &startup, &process))
    return 103;
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code = 104;
  GetExitCodeProcess(process.hProcess, &code);
  if (held != INVALID_HANDLE_VALUE) CloseHandle(held);
  return static_cast<int>(code);
}

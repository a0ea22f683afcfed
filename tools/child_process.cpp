#include "child_process.h"

#include <unistd.h>

pid_t StartChild(const std::vector<std::string>& command, int out, int err,
                 const std::function<void()>& inChild) {
  // Made before forking: the child should do no more than set itself up and start the program.
  std::vector<std::string> items = command;
  std::vector<char*> argv;
  for (std::string& item : items) argv.push_back(item.data());
  argv.push_back(nullptr);
  const pid_t child = fork();
  if (child != 0) return child;
  if (out >= 0) dup2(out, STDOUT_FILENO);
  if (err >= 0) dup2(err, STDERR_FILENO);
  for (int fd = 3; fd < 256; ++fd) close(fd);
  if (inChild) inChild();
  execv(argv[0], argv.data());
  _exit(127);
}

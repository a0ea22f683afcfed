// Starting a program in a child process on POSIX systems, for the end-to-end tests and the
// benchmark, which both run the built check and collect what it did.
#pragma once

#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

/// Starts command[0] (a path) with the command's items as its arguments, its standard output on
/// `out` and its standard error on `err` (-1 keeps the parent's), every other descriptor from 3
/// on closed, after `inChild` has run in the child. The child's pid, or -1 when fork fails; a
/// child whose program cannot be started ends with exit code 127.
pid_t StartChild(const std::vector<std::string>& command, int out, int err,
                 const std::function<void()>& inChild = {});

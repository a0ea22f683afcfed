// Texts the tests build logs and expected output from; plain functions, no system calls, so
// every test binary can use them.
#pragma once

#include <string>
#include <vector>

/// A small 8-bit log of a job; statusCode empty for none.
std::string JobLog(const std::string& job, const std::string& statusCode);

/// Lines joined with CR LF, each ended by one.
std::string Lines(const std::vector<std::string>& lines);

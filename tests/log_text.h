// Texts the tests build logs and expected output from; plain functions, no system calls, so
// every test binary can use them.
#pragma once

#include <string>
#include <vector>

/// A small 8-bit log of a job; statusCode empty for none.
std::string JobLog(const std::string& job, const std::string& statusCode);

/// The UTF-16 little-endian form of ASCII text, byte order mark first.
std::string Utf16(const std::string& text);

/// Lines joined with CR LF, each ended by one.
std::string Lines(const std::vector<std::string>& lines);

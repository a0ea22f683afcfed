#include "log_text.h"

std::string JobLog(const std::string& job, const std::string& statusCode) {
  std::string log = "<?xml version=\"1.0\"?>\r\n<joblog>\r\n<header>\r\n<name>Job name: " + job +
                    "</name>\r\n</header>\r\n<footer>\r\n";
  if (!statusCode.empty()) log += "<completestatus>" + statusCode + "</completestatus>\r\n";
  return log + "</footer>\r\n</joblog>\r\n";
}

std::string Lines(const std::vector<std::string>& lines) {
  std::string joined;
  for (const std::string& line : lines) joined += line + "\r\n";
  return joined;
}

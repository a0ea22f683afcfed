// Fuzzes the Windows command-line splitting against a plain reading of its rule, and checks what
// must hold of any result: no empty argument, no double quote left in one.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "text/text.h"

namespace {

bool Separates(char c) { return c != '\0' && static_cast<unsigned char>(c) <= 32; }

std::vector<std::string> Reference(const std::string& line) {
  const std::string text = line.substr(0, line.find('\0'));
  std::vector<std::string> items;
  std::size_t at = 0;
  for (;;) {
    while (at < text.size() && (Separates(text[at]) || text.compare(at, 2, "\"\"") == 0))
      at += Separates(text[at]) ? 1 : 2;
    std::string item;
    bool quoted = false;
    for (; at < text.size() && (quoted || !Separates(text[at])); ++at) {
      if (text[at] == '"') {
        quoted = !quoted;
      } else {
        item += text[at];
      }
    }
    if (item.empty()) break;
    items.push_back(item);
  }
  if (!items.empty()) items.erase(items.begin());
  return items;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string line(reinterpret_cast<const char*>(data), size);
  const std::vector<std::string> arguments = SplitCommandLine(line);
  if (arguments != Reference(line)) std::abort();
  for (const std::string& argument : arguments) {
    if (argument.empty() || argument.find('"') != std::string::npos) std::abort();
  }
  return 0;
}

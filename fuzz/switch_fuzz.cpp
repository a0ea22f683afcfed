// Fuzzes the switch reading: every argument must come out as the rules say, checked here from
// the other side (what each kind of switch must look like).
#include <cstdint>
#include <cstdlib>
#include <string>

#include "app/run.h"
#include "text/text.h"

namespace {

std::string Upper(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  }
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string argument(reinterpret_cast<const char*>(data), size);
  const std::string upper = Upper(argument);
  const tSwitch item = ReadSwitch(argument);
  const bool limit =
      upper.size() >= 2 && (upper.compare(0, 2, "-C") == 0 || upper.compare(0, 2, "-W") == 0);
  const std::int32_t days = limit ? TextToNumber(upper.substr(2)) : 0;
  tSwitchKind expected = SwitchBad;
  if (upper == "-D" || upper == "-D1") {
    expected = SwitchDebug;
  } else if (upper == "-D2") {
    expected = SwitchVerbose;
  } else if (upper == "-H") {
    expected = SwitchUsage;
  } else if (limit && days > 0) {
    expected = upper[1] == 'C' ? SwitchCritical : SwitchWarning;
  }
  if (item.Kind != expected) std::abort();
  const bool hasDays = expected == SwitchCritical || expected == SwitchWarning;
  if (hasDays ? item.Days != days : item.Days != 0) std::abort();
  return 0;
}

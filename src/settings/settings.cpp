#include "settings/settings.h"

std::string LogDirectory;
std::string OpenDirectory;
std::string JobName;
std::string JobKey;
std::string WideJobKey;
std::int32_t WarningDays = 0;
std::int32_t CriticalDays = 0;

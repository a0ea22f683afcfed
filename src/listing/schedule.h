// A job's schedule, learned from the times its kept runs ended: when its next run is due, so
// that an engine can alert on a run that did not come instead of on an age set by hand for each
// job. Arithmetic on the dates the file table holds already; nothing is read again. Called by
// the listing; its tests try it on simulated histories.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

/// When a job's next run is due, in local wall-clock seconds, from the local times at which its
/// kept runs ended (in any order). The runs must keep a pattern: the same times of each hour,
/// of each day, of each other day, or of each week (weekdays), each time kept in four cycles of
/// five at least, a run by hand now and then aside. The run due is the one after the latest of
/// that pattern, and it is due at the latest end time the runs show for it, plus a quarter of
/// the usual gap before it, 2 to 24 hours. The pattern is judged from the latest run back, so
/// that one that changed holds from three runs on. None where fewer than three runs keep one.
std::optional<std::int64_t> NextRunDue(std::vector<std::int64_t> runs);

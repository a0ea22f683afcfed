#include "listing/schedule.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

constexpr std::int64_t kMinute = 60, kHour = 3600, kDay = 24 * kHour;
// A Monday at 00:00, in local seconds (1/1/1970 was a Thursday).
constexpr std::int64_t kMonday = (20000 - (20000 + 3) % 7) * kDay;

// A job's schedule: the days it runs on (Monday 0 to Sunday 6) at the times of day given, or
// every `Every` seconds from the first time; each end time up to `Jitter` early or late.
struct tSchedule {
  std::string Name;
  std::vector<int> Weekdays;
  std::vector<std::int64_t> Times;
  std::int64_t Every;
  std::int64_t Jitter;
  int KeptDays;  // how far back the logs are kept
};

const std::vector<int> kEveryDay = {0, 1, 2, 3, 4, 5, 6};

const std::vector<tSchedule> kSchedules = {
    {"daily", kEveryDay, {22 * kHour}, 0, 90 * kMinute, 30},
    {"twice daily", kEveryDay, {7 * kHour, 19 * kHour + 30 * kMinute}, 0, 40 * kMinute, 20},
    {"Monday to Friday", {0, 1, 2, 3, 4}, {23 * kHour}, 0, 30 * kMinute, 30},
    {"Monday to Thursday", {0, 1, 2, 3}, {21 * kHour}, 0, 30 * kMinute, 30},
    {"Monday to Saturday", {0, 1, 2, 3, 4, 5}, {22 * kHour}, 0, 30 * kMinute, 30},
    {"weekly", {5}, {20 * kHour}, 0, 60 * kMinute, 60},
    {"every other day", {}, {2 * kHour}, 2 * kDay, 45 * kMinute, 30},
    {"hourly", {}, {10 * kMinute}, kHour, 4 * kMinute, 4},
};

// The end time of each run of the schedule from `from` to `to`, its jitter drawn the same way
// for the same run whatever the range; without it, the times the schedule names.
std::vector<std::int64_t> RunsOf(const tSchedule& schedule, std::int64_t from, std::int64_t to,
                                 bool jittered = true) {
  const auto jitter = [&](std::int64_t at) -> std::int64_t {
    if (!jittered) return 0;
    const std::uint64_t mixed = static_cast<std::uint64_t>(at) * 6364136223846793005u + 1442695;
    return static_cast<std::int64_t>(mixed >> 33) % (2 * schedule.Jitter + 1) - schedule.Jitter;
  };
  std::vector<std::int64_t> runs;
  if (schedule.Every > 0) {
    for (std::int64_t at = kMonday - 400 * kDay + schedule.Times[0]; at < to; at += schedule.Every)
      if (at >= from) runs.push_back(at + jitter(at));
    return runs;
  }
  for (std::int64_t day = (from - kMonday) / kDay - 1; day * kDay + kMonday < to; ++day) {
    const int weekday = static_cast<int>(((day % 7) + 7) % 7);
    if (std::find(schedule.Weekdays.begin(), schedule.Weekdays.end(), weekday) ==
        schedule.Weekdays.end())
      continue;
    for (const std::int64_t time : schedule.Times) {
      const std::int64_t at = kMonday + day * kDay + time;
      if (at >= from && at < to) runs.push_back(at + jitter(at));
    }
  }
  return runs;
}

// The runs a directory keeps at `now`: those of the kept days that have ended by then.
std::vector<std::int64_t> KeptAt(const tSchedule& schedule, std::int64_t now) {
  std::vector<std::int64_t> kept;
  for (const std::int64_t run : RunsOf(schedule, now - schedule.KeptDays * kDay, now + kDay))
    if (run <= now) kept.push_back(run);
  return kept;
}

// While runs come as the schedule has them, at any moment of two weeks: a due time, not passed.
TEST(NextRunDue, IsNeverPassedWhileRunsComeAsTheyDid) {
  for (const tSchedule& schedule : kSchedules) {
    for (std::int64_t now = kMonday; now < kMonday + 14 * kDay; now += 37 * kMinute) {
      const auto due = NextRunDue(KeptAt(schedule, now));
      ASSERT_TRUE(due.has_value()) << schedule.Name << " at " << (now - kMonday) / kMinute;
      EXPECT_GT(*due, now) << schedule.Name << " at " << (now - kMonday) / kMinute;
    }
  }
}

// The latest end time the kept runs show for a run at the scheduled time `at`: of those at the
// same time of each cycle (a day, or a week where the job skips days), moved into that cycle.
std::int64_t Shown(const tSchedule& schedule, const std::vector<std::int64_t>& kept,
                   std::int64_t at) {
  const std::int64_t cycle = schedule.Every > 0              ? schedule.Every
                             : schedule.Weekdays.size() == 7 ? kDay
                                                             : 7 * kDay;
  std::int64_t shown = 0;
  for (const std::int64_t run : kept) {
    const std::int64_t moved = run + (at - run + cycle / 2) / cycle * cycle;
    if (std::abs(moved - at) <= schedule.Jitter) shown = std::max(shown, moved);
  }
  return shown;
}

// A run that does not come is due no later than the latest end time shown for such a run plus
// a quarter of the gap the runs show before it, 2 to 24 hours; and not before the latest run.
TEST(NextRunDue, PassesSoonAfterARunThatDidNotCome) {
  for (const tSchedule& schedule : kSchedules) {
    for (std::int64_t day = 14; day < 21; ++day) {
      // The first run of the day on, as scheduled, which does not come, and the one before it.
      const std::int64_t start = kMonday + day * kDay;
      const std::int64_t missed = RunsOf(schedule, start, start + 8 * kDay, false).front();
      const std::int64_t before = RunsOf(schedule, start - 8 * kDay, start, false).back();
      const std::vector<std::int64_t> kept = KeptAt(schedule, missed - schedule.Jitter - 1);
      const std::int64_t shown = Shown(schedule, kept, missed);
      const std::int64_t gap = shown - Shown(schedule, kept, before);
      const auto due = NextRunDue(kept);
      ASSERT_TRUE(due.has_value()) << schedule.Name << ", day " << day;
      EXPECT_LE(*due, shown + std::clamp(gap / 4, 2 * kHour, 24 * kHour))
          << schedule.Name << ", day " << day;
      EXPECT_GT(*due, kept.back()) << schedule.Name << ", day " << day;
    }
  }
}

TEST(NextRunDue, HasNoneWhereTheRunsKeepNoSchedule) {
  EXPECT_FALSE(NextRunDue({}));
  EXPECT_FALSE(NextRunDue({kMonday + 22 * kHour, kMonday + kDay + 22 * kHour}));
  // Irregular: gaps of 1 to 5 days at times of day that wander.
  std::vector<std::int64_t> irregular;
  for (std::int64_t at = kMonday, n = 0; n < 20; ++n)
    irregular.push_back(at += (1 + n * 7 % 5) * kDay + (n * 5 % 9) * kHour);
  EXPECT_FALSE(NextRunDue(irregular));
}

// A run by hand one afternoon, and a schedule that changed from daily to weekly, learned again
// once three runs have come on it.
TEST(NextRunDue, LearnsAgainAfterARunByHandOrAChange) {
  std::vector<std::int64_t> runs = RunsOf(kSchedules[0], kMonday, kMonday + 20 * kDay);
  runs.push_back(kMonday + 19 * kDay + 15 * kHour);
  const auto afterHand = NextRunDue(runs);
  ASSERT_TRUE(afterHand.has_value());
  EXPECT_GT(*afterHand, kMonday + 20 * kDay + 22 * kHour);
  EXPECT_LT(*afterHand, kMonday + 21 * kDay + 12 * kHour);

  std::vector<std::int64_t> changed = RunsOf(kSchedules[0], kMonday, kMonday + 20 * kDay);
  const std::vector<std::int64_t> weekly =
      RunsOf(kSchedules[4], kMonday + 21 * kDay, kMonday + 60 * kDay);
  changed.insert(changed.end(), weekly.begin(), weekly.begin() + 3);
  for (std::int64_t now = changed.back(); now < weekly[3]; now += 37 * kMinute) {
    const auto due = NextRunDue(changed);
    ASSERT_TRUE(due.has_value());
    EXPECT_GT(*due, now);
  }
}

}  // namespace

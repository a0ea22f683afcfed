#include "listing/schedule.h"

#include <algorithm>
#include <utility>

namespace {

constexpr std::int64_t kHour = 3600;
constexpr std::int64_t kDay = 24 * kHour;

// The cycles a schedule repeats in, shortest first: a job that keeps a shorter one keeps the
// longer ones too (an hourly job runs at the same 24 times each day), and the shorter is meant.
constexpr std::int64_t kCycles[] = {kHour, kDay, 2 * kDay, 7 * kDay};

// Only the latest runs tell the schedule a job keeps now (64 are nearly three days of an hourly
// job, thirteen weeks of a weekday one), and they bound the work for a job that keeps a
// thousand logs.
constexpr std::size_t kLatestRuns = 64;

// Runs further apart than this within their cycle (a job's end times vary with how much it had to
// do) are at different times of it; a time of the cycle is at most Widest wide.
constexpr std::int64_t Apart(std::int64_t cycle) { return std::min(cycle / 6, 3 * kHour); }
constexpr std::int64_t Widest(std::int64_t cycle) { return std::min(cycle / 4, 6 * kHour); }

// A time of the cycle at which the job runs: the earliest and latest offsets into the cycle at
// which its runs ended (First below 0 where the time spans the cycle's start).
struct tSlot {
  std::int64_t First;
  std::int64_t Last;
};

// What the search for a schedule reuses from one trial to the next, so that a job whose runs
// keep none costs no allocation for each.
struct tTrial {
  std::vector<std::pair<std::int64_t, std::size_t>> Offsets;  // of every run, sorted
  std::vector<tSlot> Slots;
  std::vector<std::size_t> SlotOfRun;  // the slot of each run, by its index
  std::vector<std::size_t> Runs, Cycles;
  std::vector<std::int64_t> LastCycle;
  std::int64_t Missed;  // the slots' cycles without their run, of the last trial that kept them
};

// Floor division, for times before the cycle's origin too.
std::int64_t Cycle(std::int64_t time, std::int64_t cycle) {
  return time >= 0 ? time / cycle : -((-time + cycle - 1) / cycle);
}

// The slot of a time of the cycle and the cycle it is in; false where it is in none.
bool SlotOf(const std::vector<tSlot>& slots, std::int64_t time, std::int64_t cycle,
            std::size_t& slot, std::int64_t& instance) {
  for (std::size_t s = 0; s < slots.size(); ++s) {
    const std::int64_t k = Cycle(time - slots[s].First, cycle);
    if (time - k * cycle <= slots[s].Last) {
      slot = s;
      instance = k;
      return true;
    }
  }
  return false;
}

// Whether the runs from `from` on keep slots in the cycle, left in trial.Slots in the order of
// the cycle (trial.Offsets holding the runs' offsets into it, sorted). Each slot holds runs in
// two cycles at least and misses at most one in five of the cycles from the earliest run to the
// latest; a slot of one run is a run by hand, and one in ten runs may be.
bool KeepSlots(const std::vector<std::int64_t>& runs, std::size_t from, std::int64_t cycle,
               tTrial& trial) {
  std::vector<tSlot>& slots = trial.Slots;
  slots.clear();
  // Offsets closer than Apart are one time of the cycle, across its start too.
  for (const auto& [offset, run] : trial.Offsets) {
    if (run < from) continue;
    if (!slots.empty() && offset - slots.back().Last <= Apart(cycle)) {
      slots.back().Last = offset;
      if (offset - slots.back().First > Widest(cycle)) return false;
    } else {
      slots.push_back({offset, offset});
    }
    trial.SlotOfRun[run] = slots.size() - 1;
  }
  if (slots.size() > 1 && slots.front().First + cycle - slots.back().Last <= Apart(cycle)) {
    slots.front().First = slots.back().First - cycle;
    if (slots.front().Last - slots.front().First > Widest(cycle)) return false;
    for (std::size_t i = from; i < runs.size(); ++i) {
      if (trial.SlotOfRun[i] == slots.size() - 1) trial.SlotOfRun[i] = 0;
    }
    slots.pop_back();
  }
  // The runs and the cycles each slot holds, the runs in the order of their times.
  trial.Runs.assign(slots.size(), 0);
  trial.Cycles.assign(slots.size(), 0);
  trial.LastCycle.assign(slots.size(), 0);
  for (std::size_t i = from; i < runs.size(); ++i) {
    const std::size_t s = trial.SlotOfRun[i];
    const std::int64_t k = Cycle(runs[i] - slots[s].First, cycle);
    if (trial.Runs[s]++ == 0 || trial.LastCycle[s] != k) ++trial.Cycles[s];
    trial.LastCycle[s] = k;
  }
  std::size_t byHand = 0, regular = 0, kept = 0;
  trial.Missed = 0;
  for (std::size_t s = 0; s < slots.size(); ++s) {
    if (trial.Runs[s] == 1) {
      ++byHand;
      continue;
    }
    // The cycles whose time of this slot lies between the earliest run and the latest.
    const std::int64_t covered = Cycle(runs.back() - slots[s].First, cycle) -
                                 Cycle(runs[from] - slots[s].Last + cycle - 1, cycle) + 1;
    const auto held = static_cast<std::int64_t>(trial.Cycles[s]);
    if (held < 2 || covered - held > covered / 5) return false;
    trial.Missed += covered - held;
    regular += trial.Runs[s];
    slots[kept++] = slots[s];
  }
  slots.resize(kept);
  return regular >= 3 && byHand <= std::max<std::size_t>(1, (runs.size() - from) / 10);
}

// When the run after the latest is due, from the slots the runs keep in the cycle: at the end
// of the next slot's time, and a quarter of the gap from the end of the slot before it, 2 to 24
// hours.
std::int64_t DueAfter(const std::vector<tSlot>& slots, std::int64_t latest, std::int64_t cycle) {
  std::size_t slot = 0;
  std::int64_t instance = 0;
  // A run by hand is followed by the next slot whose time has not ended; a run of a slot by the
  // slot after it.
  const bool ofSlot = SlotOf(slots, latest, cycle, slot, instance);
  const std::int64_t after = ofSlot ? instance * cycle + slots[slot].First : latest;
  std::int64_t due = 0;
  for (std::size_t s = 0; s < slots.size(); ++s) {
    const std::int64_t mark = ofSlot ? slots[s].First : slots[s].Last;
    const std::int64_t end = (Cycle(after - mark, cycle) + 1) * cycle + slots[s].Last;
    // The gap between the latest end times shown for the slot before and for this one.
    const std::size_t before = (s + slots.size() - 1) % slots.size();
    std::int64_t gap = slots[s].Last - slots[before].Last;
    if (gap <= 0) gap += cycle;
    const std::int64_t margin = std::clamp(gap / 4, 2 * kHour, 24 * kHour);
    if (s == 0 || end + margin < due) due = end + margin;
  }
  return due;
}

}  // namespace

std::optional<std::int64_t> NextRunDue(std::vector<std::int64_t> runs) {
  std::sort(runs.begin(), runs.end());
  if (runs.size() > kLatestRuns) runs.erase(runs.begin(), runs.end() - kLatestRuns);
  if (runs.size() < 3) return std::nullopt;
  // The cycle whose pattern holds furthest back; of those that hold as far, the one whose runs
  // miss fewest of its times (a job that runs Monday to Saturday misses each Sunday of a daily
  // cycle, and none of a weekly one), and of those the shortest. The runs back are tried at
  // steps of an eighth, which a changed schedule's latest three are within, so that a job whose
  // runs keep none costs a few dozen trials.
  tTrial trial;
  trial.SlotOfRun.resize(runs.size());
  std::size_t best = 0;  // the most runs a pattern holds
  std::int64_t bestMissed = 0;
  std::vector<tSlot> slots;
  std::int64_t bestCycle = 0;
  for (const std::int64_t cycle : kCycles) {
    trial.Offsets.clear();
    for (std::size_t i = 0; i < runs.size(); ++i)
      trial.Offsets.emplace_back(runs[i] - Cycle(runs[i], cycle) * cycle, i);
    std::sort(trial.Offsets.begin(), trial.Offsets.end());
    for (std::size_t count = runs.size(); count >= 3 && count >= best;
         count -= std::max<std::size_t>(1, count / 8)) {
      if (!KeepSlots(runs, runs.size() - count, cycle, trial)) continue;
      if (count > best || trial.Missed < bestMissed) {
        best = count;
        bestMissed = trial.Missed;
        slots = trial.Slots;
        bestCycle = cycle;
      }
      break;
    }
  }
  if (slots.empty()) return std::nullopt;
  return DueAfter(slots, runs.back(), bestCycle);
}

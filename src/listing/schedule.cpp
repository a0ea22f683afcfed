#include "listing/schedule.h"

#include <algorithm>
#include <iterator>

namespace {

constexpr std::int64_t kHour = 3600;
constexpr std::int64_t kDay = 24 * kHour;

// The cycles a schedule repeats in, shortest first: a job that keeps a shorter one keeps the
// longer ones too (an hourly job runs at the same 24 times each day), and the shorter is meant.
constexpr std::int64_t kCycles[] = {kHour, kDay, 2 * kDay, 7 * kDay};

// Only the latest runs tell the schedule a job keeps now, and they bound the work for a job that
// keeps a thousand logs.
constexpr std::size_t kLatestRuns = 100;

// Runs further apart than this within their cycle (a job's end times vary with how much it had to
// do) are at different times of it; a time of the cycle is at most kWidest wide.
constexpr std::int64_t Apart(std::int64_t cycle) { return std::min(cycle / 6, 3 * kHour); }
constexpr std::int64_t Widest(std::int64_t cycle) { return std::min(cycle / 4, 6 * kHour); }

// A time of the cycle at which the job runs: the earliest and latest offsets into the cycle at
// which its runs ended (First may be below 0 where the time spans the cycle's start).
struct tSlot {
  std::int64_t First;
  std::int64_t Last;
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

// The slots that the runs from `from` on keep in the cycle, in the order of the cycle; empty
// where they keep none. Each slot holds runs in two cycles at least and misses at most one in
// five of the cycles from the earliest run to the latest; a slot of one run is a run by hand,
// and one in ten runs may be.
std::vector<tSlot> SlotsKept(const std::vector<std::int64_t>& runs, std::size_t from,
                             std::int64_t cycle) {
  std::vector<std::int64_t> offsets;
  for (std::size_t i = from; i < runs.size(); ++i)
    offsets.push_back(runs[i] - Cycle(runs[i], cycle) * cycle);
  std::sort(offsets.begin(), offsets.end());
  // Offsets closer than Apart are one time of the cycle, across its start too.
  std::vector<tSlot> found;
  for (const std::int64_t offset : offsets) {
    if (!found.empty() && offset - found.back().Last <= Apart(cycle))
      found.back().Last = offset;
    else
      found.push_back({offset, offset});
  }
  if (found.size() > 1 && found.front().First + cycle - found.back().Last <= Apart(cycle)) {
    found.front().First = found.back().First - cycle;
    found.pop_back();
  }
  std::vector<std::size_t> runsIn(found.size());
  std::vector<std::vector<std::int64_t>> cyclesOf(found.size());
  for (std::size_t i = from; i < runs.size(); ++i) {
    std::size_t s = 0;
    std::int64_t k = 0;
    SlotOf(found, runs[i], cycle, s, k);
    ++runsIn[s];
    if (cyclesOf[s].empty() || cyclesOf[s].back() != k) cyclesOf[s].push_back(k);
  }
  std::vector<tSlot> kept;
  std::size_t byHand = 0;
  std::size_t regular = 0;
  for (std::size_t s = 0; s < found.size(); ++s) {
    if (found[s].Last - found[s].First > Widest(cycle)) return {};
    if (runsIn[s] == 1) {
      ++byHand;
      continue;
    }
    // The cycles whose time of this slot lies between the earliest run and the latest.
    const std::int64_t earliest = runs[from], latest = runs.back();
    const std::int64_t covered = Cycle(latest - found[s].First, cycle) -
                                 Cycle(earliest - found[s].Last + cycle - 1, cycle) + 1;
    const auto held = static_cast<std::int64_t>(cyclesOf[s].size());
    if (held < 2 || covered - held > covered / 5) return {};
    regular += runsIn[s];
    kept.push_back(found[s]);
  }
  const std::size_t count = runs.size() - from;
  if (regular < 3 || byHand > std::max<std::size_t>(1, count / 10)) return {};
  return kept;
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
  bool found = false;
  for (std::size_t s = 0; s < slots.size(); ++s) {
    const std::int64_t mark = ofSlot ? slots[s].First : slots[s].Last;
    const std::int64_t k = Cycle(after - mark, cycle) + 1;
    const std::int64_t end = k * cycle + slots[s].Last;
    // The gap between the latest end times shown for the slot before and for this one.
    const std::size_t before = (s + slots.size() - 1) % slots.size();
    std::int64_t gap = slots[s].Last - slots[before].Last;
    if (gap <= 0) gap += cycle;
    const std::int64_t margin = std::clamp(gap / 4, 2 * kHour, 24 * kHour);
    if (!found || end + margin < due) due = end + margin;
    found = true;
  }
  return due;
}

}  // namespace

std::optional<std::int64_t> NextRunDue(std::vector<std::int64_t> runs) {
  std::sort(runs.begin(), runs.end());
  if (runs.size() > kLatestRuns) runs.erase(runs.begin(), runs.end() - kLatestRuns);
  if (runs.size() < 3) return std::nullopt;
  // The cycle whose pattern holds furthest back, the shortest of those that hold as far.
  std::size_t best = runs.size();
  std::vector<tSlot> bestSlots;
  std::int64_t bestCycle = 0;
  for (const std::int64_t cycle : kCycles) {
    for (std::size_t from = 0; from + 3 <= runs.size() && from < best; ++from) {
      std::vector<tSlot> slots = SlotsKept(runs, from, cycle);
      if (slots.empty()) continue;
      best = from;
      bestSlots = std::move(slots);
      bestCycle = cycle;
      break;
    }
  }
  if (bestSlots.empty()) return std::nullopt;
  return DueAfter(bestSlots, runs.back(), bestCycle);
}

#include "chain/read_plan.h"

#include <algorithm>

namespace tarnwick {

std::uint32_t ReadPlan::bound() const {
  std::uint32_t sum = 0;
  for (const std::unique_ptr<AnyStep>& read : reads_) sum += read->bound;
  return sum;
}

bool ReadPlan::ready(const AnyStep& step) const {
  return std::all_of(step.needs.begin(), step.needs.end(),
                     [&](PlanIndex need) { return reads_[need.index]->ended; });
}

void ReadPlan::run(ReadSession& session) {
  JsonReader& reader = session.reader();
  std::vector<std::pair<ReadId, std::size_t>> open;  // reads in flight, by the step that made it
  for (;;) {
    // Needs are earlier reads, so one pass in plan order starts every read that is ready, those
    // that become ready together in that order.
    for (const std::unique_ptr<AnyStep>& step : reads_) {
      while (!step->ended && !step->open && ready(*step)) {
        std::optional<ChainRequest> request = step->next(reader);
        if (!request) {
          step->ended = true;
          break;
        }
        assert(step->made < step->bound && "a read makes no more requests than its bound");
        ++step->made;
        ReadSession::Started started = session.start(std::move(*request));
        if (!started.read) {
          step->take(reader, std::move(started.refused));
          continue;
        }
        step->open = true;
        open.emplace_back(*started.read, static_cast<std::size_t>(&step - reads_.data()));
      }
    }
    if (open.empty()) return;
    std::optional<std::pair<ReadId, Reading>> done = session.next();
    assert(done && "every read in flight is given");
    if (!done) return;
    const auto at = std::find_if(open.begin(), open.end(),
                                 [&](const auto& read) { return read.first == done->first; });
    assert(at != open.end() && "only the plan's reads are in flight");
    if (at == open.end()) continue;
    AnyStep& step = *reads_[at->second];
    open.erase(at);
    step.open = false;
    step.take(reader, std::move(done->second));
  }
}

}  // namespace tarnwick

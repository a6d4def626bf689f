#include "chain/read_session.h"

#include <utility>
#include <variant>

namespace tarnwick {

ReadSession::ReadSession(Transport& transport, JsonReader& reader, ReadBudget budget)
    : transport_(transport),
      reader_(reader),
      budget_(budget),
      start_(std::chrono::steady_clock::now()) {}

ReadSession::ReadSession(ReadSession& whole, std::uint32_t max_reads)
    : transport_(whole.transport_),
      reader_(whole.reader_),
      whole_(&whole),
      budget_{max_reads, {}, {}},
      start_(whole.start_) {}

Reason ReadSession::refusal() const {
  if (reads_ >= budget_.max_reads) return reason(ReasonCode::over_budget, "read limit reached");
  if (whole_ != nullptr) return whole_->refusal();
  if (std::chrono::steady_clock::now() - start_ + budget_.read_deadline > budget_.total_time) {
    return reason(ReasonCode::over_budget, "time limit reached");
  }
  return {};
}

std::vector<Reading> ReadSession::read(std::span<const ChainRequest> requests) {
  // Each read is charged when it starts, in the order given, so the same plan meets the same
  // bound whatever the timing of the replies; those the budget admits are read together.
  std::vector<Reading> readings(requests.size());
  std::vector<ChainRequest> admitted;
  std::vector<std::size_t> slots;
  for (std::size_t i = 0; i < requests.size(); ++i) {
    readings[i].why = refusal();
    if (!readings[i].why.empty()) continue;
    for (ReadSession* charged = this; charged != nullptr; charged = charged->whole_) {
      ++charged->reads_;
    }
    admitted.push_back(requests[i]);
    slots.push_back(i);
  }
  if (admitted.empty()) return readings;
  std::vector<Delivery> delivered = transport_.deliver(admitted);
  for (std::size_t k = 0; k < slots.size(); ++k) {
    Reading& reading = readings[slots[k]];
    if (std::string* reply = std::get_if<std::string>(&delivered[k].outcome)) {
      reading.reply = std::move(*reply);
      reading.node = std::move(delivered[k].node);
    } else {
      reading.why = reason(ReasonCode::read_failed, read_failed_text);
      reading.chain_error = std::move(delivered[k].chain_error);
      reading.route_missing = delivered[k].route_missing;
    }
  }
  return readings;
}

Reading ReadSession::read(const ChainRequest& request) {
  return std::move(read(std::span(&request, 1)).front());
}

}  // namespace tarnwick

#include "chain/read_session.h"

#include <utility>
#include <variant>

namespace tarnwick {
namespace {

constexpr std::string_view time_limit_text = "time limit reached";

Reading reading_of(Delivery delivery) {
  Reading reading;
  if (Reply* reply = std::get_if<Reply>(&delivery)) {
    reading.reply = std::move(reply->text);
    reading.node = std::move(reply->node);
    return reading;
  }
  if (std::holds_alternative<OverBudget>(delivery)) {
    reading.why = reason(ReasonCode::over_budget, time_limit_text);
    return reading;
  }
  reading.why = reason(ReasonCode::read_failed, read_failed_text);
  if (ChainError* error = std::get_if<ChainError>(&delivery)) {
    reading.chain_error = std::move(*error);
  }
  reading.route_missing = std::holds_alternative<RouteMissing>(delivery);
  return reading;
}

}  // namespace

ReadSession::ReadSession(const Transport& transport, JsonReader& reader, ReadBudget budget)
    : transport_(transport), reader_(reader), budget_(budget), start_(transport.now()) {}

ReadSession::ReadSession(ReadSession& whole, std::uint32_t max_reads)
    : transport_(whole.transport_),
      reader_(whole.reader_),
      whole_(&whole),
      budget_{max_reads, {}},
      start_(whole.start_) {}

Reason ReadSession::refusal() const {
  if (reads_ >= budget_.max_reads) return reason(ReasonCode::over_budget, "read limit reached");
  if (whole_ != nullptr) return whole_->refusal();
  if (budget_.total_time && transport_.now() - start_ + least_read_time > *budget_.total_time) {
    return reason(ReasonCode::over_budget, time_limit_text);
  }
  return {};
}

std::optional<std::chrono::steady_clock::time_point> ReadSession::end() const {
  if (whole_ != nullptr) return whole_->end();
  if (!budget_.total_time) return std::nullopt;
  return start_ + *budget_.total_time;
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
    admitted.back().end = end();
    slots.push_back(i);
  }
  if (admitted.empty()) return readings;
  std::vector<Delivery> delivered = transport_.deliver(admitted);
  for (std::size_t k = 0; k < slots.size(); ++k) {
    readings[slots[k]] = reading_of(std::move(delivered[k]));
  }
  return readings;
}

Reading ReadSession::read(const ChainRequest& request) {
  return std::move(read(std::span(&request, 1)).front());
}

}  // namespace tarnwick

#include "chain/read_session.h"

#include <utility>
#include <variant>

namespace tarnwick {

ReadSession::ReadSession(Transport& transport, JsonReader& reader, ReadBudget budget)
    : transport_(transport),
      reader_(reader),
      budget_(budget),
      start_(std::chrono::steady_clock::now()) {}

Reason ReadSession::refusal() const {
  if (reads_ >= budget_.max_reads) return reason(ReasonCode::over_budget, "read limit reached");
  if (std::chrono::steady_clock::now() - start_ + budget_.read_deadline > budget_.total_time) {
    return reason(ReasonCode::over_budget, "time limit reached");
  }
  return {};
}

std::vector<Reading> ReadSession::read(std::span<const ChainRequest> requests) {
  std::vector<Reading> readings;
  readings.reserve(requests.size());
  for (const ChainRequest& request : requests) {
    Reading reading;
    reading.why = refusal();
    if (reading.why.empty()) {
      ++reads_;
      std::vector<Delivery> delivered = transport_.deliver(std::span(&request, 1));
      Delivery& delivery = delivered.front();
      if (std::string* reply = std::get_if<std::string>(&delivery.outcome)) {
        reading.reply = std::move(*reply);
        reading.node = std::move(delivery.node);
      } else {
        reading.why = reason(ReasonCode::read_failed, read_failed_text);
      }
    }
    readings.push_back(std::move(reading));
  }
  return readings;
}

Reading ReadSession::read(const ChainRequest& request) {
  return std::move(read(std::span(&request, 1)).front());
}

}  // namespace tarnwick

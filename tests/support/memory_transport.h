// MemoryTransport: the network of a read session in memory, for testing reply readers and plans
// without sockets. Each read is answered by the handler (a reply text, or none for a read that
// fails) and recorded. Not product code.
#pragma once

#include <functional>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "chain/transport.h"

namespace tarnwick::test {

class MemoryTransport final : public Transport {
 public:
  using Handler = std::function<std::optional<std::string>(const ChainRequest&)>;

  explicit MemoryTransport(Handler handler) : handler_(std::move(handler)) {}

  std::vector<Delivery> deliver(std::span<const ChainRequest> requests) override {
    std::vector<Delivery> deliveries;
    batches_.emplace_back(requests.begin(), requests.end());
    for (const ChainRequest& request : requests) {
      std::optional<std::string> reply = handler_(request);
      deliveries.push_back(reply ? Delivery{std::move(*reply), node}
                                 : Delivery{ReadFailure{}, std::string()});
    }
    return deliveries;
  }
  std::string node_in_use() const override { return node; }

  // The reads of each delivery, in order: the reads that started together.
  const std::vector<std::vector<ChainRequest>>& batches() const { return batches_; }

  std::string node = "https://memory";

 private:
  Handler handler_;
  std::vector<std::vector<ChainRequest>> batches_;
};

}  // namespace tarnwick::test

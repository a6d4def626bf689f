// The network as a read session reaches it: a read is a path on the node in use (with its query)
// and, for a POST, a JSON body; what comes back is the reply text and the node that gave it. The
// production transport goes through the chain client (its failover and deadlines included);
// tests put a transport in memory under the same sessions and plans.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "chain/chain_client.h"
#include "common/https_client.h"

namespace tarnwick {

// One read: `path` on the node ("/v1/chain/get_account", "/v2/history/get_actions?account=..")
// and, for a POST, its finished JSON body; a GET has none. `judges_transaction` as for ChainRead:
// only the chain's error answer that judges the transaction itself ends the read.
struct ChainRequest {
  std::string path;
  std::optional<std::string> body;
  bool judges_transaction = false;

  bool operator==(const ChainRequest&) const = default;
};

// What one read brought: the reply text and the base of the node that gave it, or ReadFailure
// with an empty node, and then the chain's error answer that ended it or whether every node
// answered 404 (ChainReply).
struct Delivery {
  ReadOutcome outcome;
  std::string node;
  std::optional<ChainError> chain_error{};
  bool route_missing = false;
};

class Transport {
 public:
  virtual ~Transport() = default;
  // Reads each of `requests` and returns their deliveries in the same order. Cannot fail: a read
  // that fails is its delivery's ReadFailure.
  virtual std::vector<Delivery> deliver(std::span<const ChainRequest> requests) = 0;
  // The base of the node the next read asks first.
  virtual std::string node_in_use() const = 0;
};

// Over `client`: the reads of one delivery at once (ChainClient::read_all: up to four at a time on
// the node in use, each with its own failover); a delivery of one read is exactly one read.
class ClientTransport final : public Transport {
 public:
  explicit ClientTransport(const ChainClient& client) : client_(client) {}
  std::vector<Delivery> deliver(std::span<const ChainRequest> requests) override;
  std::string node_in_use() const override;

 private:
  const ChainClient& client_;
};

}  // namespace tarnwick

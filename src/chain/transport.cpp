#include "chain/transport.h"

#include <utility>

#include "chain/chain_client.h"

namespace tarnwick {

std::vector<Delivery> ClientTransport::deliver(std::span<const ChainRequest> requests) {
  std::vector<Delivery> deliveries;
  deliveries.reserve(requests.size());
  for (const ChainRequest& request : requests) {
    const std::string url = client_.base_url() + request.path;
    ReadOutcome outcome =
        request.body ? client_.post_json(url, *request.body) : client_.get_text(url);
    // After a read that any node answered, the node in use is the one that did.
    std::string node = std::holds_alternative<std::string>(outcome) ? client_.base_url() : "";
    deliveries.push_back(Delivery{std::move(outcome), std::move(node)});
  }
  return deliveries;
}

std::string ClientTransport::node_in_use() const { return client_.base_url(); }

}  // namespace tarnwick

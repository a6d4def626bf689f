#include "chain/transport.h"

#include <utility>

#include "chain/chain_client.h"

namespace tarnwick {

std::vector<Delivery> ClientTransport::deliver(std::span<const ChainRequest> requests) {
  std::vector<ChainRead> reads;
  reads.reserve(requests.size());
  for (const ChainRequest& request : requests) {
    reads.push_back(
        ChainRead{client_.base_url() + request.path, request.body, request.judges_transaction});
  }
  std::vector<ChainReply> replies = client_.read_all(reads);
  std::vector<Delivery> deliveries;
  deliveries.reserve(replies.size());
  for (ChainReply& reply : replies) {
    deliveries.push_back(Delivery{std::move(reply.outcome), std::move(reply.node),
                                  std::move(reply.chain_error), reply.route_missing});
  }
  return deliveries;
}

std::string ClientTransport::node_in_use() const { return client_.base_url(); }

}  // namespace tarnwick

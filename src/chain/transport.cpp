#include "chain/transport.h"

#include <algorithm>
#include <cassert>
#include <utility>

namespace tarnwick {

std::vector<Delivery> Transport::deliver(std::span<const ChainRequest> requests) const {
  assert(!reads_pending());
  std::vector<Delivery> deliveries(requests.size(), Delivery{ReadFailure{}});
  std::vector<ReadId> reads;
  reads.reserve(requests.size());
  for (const ChainRequest& request : requests) reads.push_back(start(request));
  for (std::size_t given = 0; given < reads.size();) {
    std::optional<Delivered> done = next();
    if (!done) {
      assert(false && "next() gives every read started here before it gives none");
      break;  // the reads not given stay ReadFailure
    }
    const auto at = std::find(reads.begin(), reads.end(), done->read);
    if (at == reads.end()) continue;
    deliveries[static_cast<std::size_t>(at - reads.begin())] = std::move(done->delivery);
    ++given;
  }
  return deliveries;
}

Delivery Transport::deliver(const ChainRequest& request) const {
  return std::move(deliver(std::span(&request, 1)).front());
}

}  // namespace tarnwick

#include "chain/scan_context.h"

#include <chrono>
#include <cstddef>
#include <cstdlib>
#include <string>

#include "common/data_folder.h"
#include "common/trusted_roots.h"

namespace tarnwick {

ChainSettings production_chain_settings() {
  ChainSettings settings{ClientSettings{std::string(production_api_base), chain_request_deadline,
                                        chain_connect_limit, std::string(trusted_roots_pem())},
                         {},
                         chain_answer_limit};
  for (std::size_t i = 1; i < production_api_nodes.size(); ++i) {
    settings.more_nodes.emplace_back(production_api_nodes[i]);
  }
  return settings;
}

std::uint64_t unix_seconds(std::chrono::system_clock::time_point now) {
  const auto seconds = std::chrono::floor<std::chrono::seconds>(now.time_since_epoch()).count();
  return seconds < 0 ? 0 : static_cast<std::uint64_t>(seconds);
}

ScanContext build_scan_context() {
  ChainClient client(production_chain_settings());
  const std::uint64_t reference_time = unix_seconds(std::chrono::system_clock::now());
  PriorRugList prior_rugs = load_prior_rugs(data_folder(std::getenv("HOME")));
  return ScanContext{std::move(client), std::string(production_reputation_contract), reference_time,
                     std::move(prior_rugs)};
}

}  // namespace tarnwick

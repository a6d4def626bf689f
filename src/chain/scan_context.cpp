#include "chain/scan_context.h"

#include <chrono>
#include <cstdlib>
#include <string>

#include "common/data_folder.h"
#include "common/trusted_roots.h"

namespace tarnwick {

ClientSettings production_chain_settings() {
  return ClientSettings{std::string(production_api_base), chain_request_deadline,
                        std::chrono::milliseconds{0}, std::string(trusted_roots_pem())};
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

#include "chain/chain_node.h"

#include <string>

#include "chain/trusted_roots.h"

namespace tarnwick {

ClientSettings production_chain_settings() {
  ClientSettings settings{std::string(production_api_base), chain_request_deadline,
                          std::chrono::milliseconds{0}, std::string(trusted_roots_pem())};
  settings.body_limit = chain_body_limit;
  settings.beyond_limit = BodyOverflow::fail;
  return settings;
}

}  // namespace tarnwick

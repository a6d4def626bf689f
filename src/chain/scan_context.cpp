#include "chain/scan_context.h"

#include <chrono>
#include <cstddef>
#include <cstdlib>
#include <new>
#include <string>
#include <utility>

#include "common/data_folder.h"
#include "common/regular_file.h"
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

KnownTokens load_known_tokens(const std::optional<std::filesystem::path>& folder) {
  if (!folder) return {};
  // The one boundary of loading: whatever fails inside, memory included, leaves the built-in list.
  try {
    std::string file_text;
    const bool read =
        read_regular_file(*folder / "known_tokens.txt", [&file_text](std::string_view piece) {
          if (piece.size() > max_known_tokens_bytes - file_text.size()) return false;
          file_text.append(piece);
          return true;
        });
    return read ? parse_known_tokens(file_text) : KnownTokens{};
  } catch (const std::bad_alloc&) {
    return {};
  }
}

ScanContext build_scan_context() {
  ChainClient client(production_chain_settings());
  const std::uint64_t reference_time = unix_seconds(std::chrono::system_clock::now());
  const std::optional<std::filesystem::path> folder = data_folder(std::getenv("HOME"));
  PriorRugList prior_rugs = load_prior_rugs(folder);
  KnownTokens known_tokens = load_known_tokens(folder);
  return ScanContext{std::move(client), std::string(production_reputation_contract), reference_time,
                     std::move(prior_rugs), std::move(known_tokens)};
}

}  // namespace tarnwick

// Client settings for talking to a FakeNode from tests: its base URL, only its test CA trusted,
// a short deadline. Not product code.
#pragma once

#include <chrono>

#include "common/https_client.h"
#include "support/fake_node.h"

namespace tarnwick::test {

inline ClientSettings client_settings(
    const FakeNode& node, std::chrono::milliseconds deadline = std::chrono::seconds(5)) {
  return ClientSettings{node.base_url(), deadline, std::chrono::milliseconds{0}, node.ca_pem()};
}

}  // namespace tarnwick::test

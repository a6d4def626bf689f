#include "service/listener.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>

namespace tarnwick {
namespace {

bool close_on_exec(int fd) { return (::fcntl(fd, F_GETFD) & FD_CLOEXEC) != 0; }

// This system's way, and the fallback (plain socket/accept, then fcntl) that systems without
// SOCK_CLOEXEC and accept4 take: both must give close-on-exec sockets, listening and accepted.
TEST(SocketPlatform, EveryWayGivesCloseOnExecSockets) {
  const SocketFeatures fallback{.atomic_close_on_exec = false,
                                .no_sigpipe_option = platform_socket_features.no_sigpipe_option};
  for (const SocketFeatures features : {platform_socket_features, fallback}) {
    SCOPED_TRACE(features.atomic_close_on_exec ? "atomic" : "fallback");
    const UniqueFd listener = open_ipv4_stream_socket(features);
    ASSERT_TRUE(listener.valid());
    EXPECT_TRUE(close_on_exec(listener.get()));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::bind(listener.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address),
              0);
    ASSERT_EQ(::listen(listener.get(), 1), 0);
    ASSERT_TRUE(instance_answers(bound_port(listener.get())));
    sockaddr_storage peer{};
    const UniqueFd accepted = accept_close_on_exec(listener.get(), peer, features);
    ASSERT_TRUE(accepted.valid());
    EXPECT_TRUE(close_on_exec(accepted.get()));
    EXPECT_EQ(peer.ss_family, AF_INET);
  }
}

}  // namespace
}  // namespace tarnwick

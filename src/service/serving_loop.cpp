#include "service/serving_loop.h"

#include <poll.h>

#include <cerrno>
#include <string>

#include "common/json_reader.h"
#include "service/connection.h"
#include "service/listener.h"
#include "service/routes.h"

namespace tarnwick {
namespace {

bool out_of_resources(int error) {
  return error == EMFILE || error == ENFILE || error == ENOBUFS || error == ENOMEM;
}

}  // namespace

void serve_connection(int fd, const ScanContext& context, JsonReader& reader) {
  set_receive_timeout(fd);
  const std::string request = read_request(socket_source(fd));
  static_cast<void>(write_response(socket_sink(fd), answer_request(request, context, reader)));
  discard_unread_input(fd);
}

void run_serving_loop(int listen_fd, const ScanContext& context, const std::atomic<bool>& stop) {
  // Kept from request to request, so that reading replies does not make its buffers anew each
  // time; it gives back whatever grew beyond its usual size at its next read.
  JsonReader reader;
  while (!stop.load()) {
    // accept_connection returns straight after a failed accept, so errno is then its cause; it
    // stays 0 when a connection was refused for its peer's address family.
    errno = 0;
    const UniqueFd connection = accept_connection(listen_fd);
    if (!connection.valid()) {
      if (out_of_resources(errno)) {
        static_cast<void>(::poll(nullptr, 0, static_cast<int>(accept_exhausted_pause.count())));
      }
      continue;
    }
    serve_connection(connection.get(), context, reader);
  }
}

}  // namespace tarnwick

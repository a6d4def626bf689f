#include "service/serving_loop.h"

#include <string>

#include "service/byte_stream.h"
#include "service/listener.h"
#include "service/request_reader.h"
#include "service/response_writer.h"
#include "service/router.h"

namespace tarnwick {

void serve_connection(int fd, const ScanContext& context) {
  set_receive_timeout(fd);
  const std::string request = read_request(socket_source(fd));
  static_cast<void>(write_response(socket_sink(fd), answer_request(request, context)));
  discard_unread_input(fd);
}

void run_serving_loop(int listen_fd, const ScanContext& context, const std::atomic<bool>& stop) {
  while (!stop.load()) {
    const UniqueFd connection = accept_connection(listen_fd);
    if (!connection.valid()) continue;
    serve_connection(connection.get(), context);
  }
}

}  // namespace tarnwick

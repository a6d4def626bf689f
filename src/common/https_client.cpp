#include "common/https_client.h"

#include <curl/curl.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <utility>

#include "common/text.h"

namespace tarnwick {
namespace {

// libcurl's global initialisation is not thread-safe and must happen once before any handle
// exists; every client goes through here, so the first one to be built does it. SSLKEYLOGFILE
// leaves the environment first: libcurl would write every TLS session key to the file it names,
// and the program consults no variable but HOME.
void init_curl_once() {
  static const CURLcode initialised = [] {
    ::unsetenv("SSLKEYLOGFILE");
    return curl_global_init(CURL_GLOBAL_DEFAULT);
  }();
  static_cast<void>(initialised);  // a failed initialisation shows as every request failing
}

// Most bytes of an error reply's body read (and kept for exchange()) so that the connection stays
// open; a longer body fails the exchange and closes it.
constexpr std::size_t error_body_drain_limit = 65'536;

// One exchange as it arrives: whether an answer began, and the body, bounded while receiving.
struct BodySink {
  CURL* handle = nullptr;
  std::string bytes;
  std::size_t limit = 0;
  BodyOverflow beyond_limit = BodyOverflow::fail;
  bool truncated = false;       // stopped reading at the limit (truncate mode only)
  bool answer_started = false;  // a status line arrived (of any answer, interim or redirect too)
  std::chrono::steady_clock::time_point started;
  std::chrono::microseconds first_byte_after{0};  // from `started` until the first status line
};

int response_code(CURL* handle) {
  long code = 0;
  if (curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &code) != CURLE_OK) return 0;
  return static_cast<int>(code);
}

// Returning fewer bytes than offered aborts the transfer with CURLE_WRITE_ERROR. Only the final
// answer's body comes here (libcurl skips the bodies of the redirects it follows).
std::size_t write_body(char* data, std::size_t size, std::size_t count, void* user) {
  auto* sink = static_cast<BodySink*>(user);
  const std::size_t n = size * count;
  if (response_code(sink->handle) >= 400) {  // a failure whatever it says: never the outcome
    if (n > error_body_drain_limit - sink->bytes.size()) return 0;
    sink->bytes.append(data, n);
    return n;
  }
  const std::size_t room = sink->limit - sink->bytes.size();
  if (n <= room) {
    sink->bytes.append(data, n);
    return n;
  }
  if (sink->beyond_limit == BodyOverflow::truncate) {
    sink->bytes.append(data, room);
    sink->truncated = true;
  }
  return 0;
}

// Header lines: the first one of any answer is its status line, so any line at all means that an
// answer began. The status itself is libcurl's (CURLINFO_RESPONSE_CODE).
std::size_t read_header(char*, std::size_t size, std::size_t count, void* user) {
  auto* sink = static_cast<BodySink*>(user);
  if (sink != nullptr && !sink->answer_started) {
    sink->answer_started = true;
    sink->first_byte_after = std::chrono::duration_cast<std::chrono::microseconds>(
        std::chrono::steady_clock::now() - sink->started);
  }
  return size * count;
}

// Reply bytes as text: unchanged when already valid UTF-8 (the common case, no copy).
void make_text(ReadOutcome& outcome) {
  auto* bytes = std::get_if<std::string>(&outcome);
  if (bytes != nullptr && !is_valid_utf8(*bytes)) *bytes = to_utf8_lossy(*bytes);
}

}  // namespace

struct HttpsClient::State {
  ClientSettings settings;
  CURL* handle = nullptr;
  // Runs each exchange of `handle`, so that waits end at the first-byte limit rather than on
  // libcurl's once-a-second progress tick; it holds the kept-alive connection between exchanges.
  CURLM* multi = nullptr;
  curl_slist* json_headers = nullptr;

  explicit State(ClientSettings s) : settings(std::move(s)) {
    init_curl_once();
    handle = curl_easy_init();
    multi = curl_multi_init();
    json_headers = curl_slist_append(nullptr, "content-type: application/json");
    if (json_headers != nullptr) {
      curl_slist* more = curl_slist_append(json_headers, "Expect:");  // no 100-continue wait
      if (more != nullptr) json_headers = more;
    }
    // A client whose options did not all apply makes no request at all: every read fails.
    if (handle != nullptr && (multi == nullptr || !configure())) {
      curl_easy_cleanup(handle);
      handle = nullptr;
    }
  }
  ~State() {
    if (handle != nullptr) curl_easy_cleanup(handle);
    if (multi != nullptr) curl_multi_cleanup(multi);
    curl_slist_free_all(json_headers);
  }
  State(const State&) = delete;
  State& operator=(const State&) = delete;

  // The options that hold for every request of this client. True only when the library took
  // every one of them: a library that refuses one (an older or differently built libcurl) would
  // otherwise go on with its own default, which for the trust options means trusting more.
  bool configure() {
    bool ok = true;
    const auto set = [&](CURLcode result) { ok = ok && result == CURLE_OK; };
    set(curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L));
    set(curl_easy_setopt(handle, CURLOPT_VERBOSE, 0L));
    set(curl_easy_setopt(handle, CURLOPT_HEADERFUNCTION, read_header));
    set(curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, write_body));
    // One connection kept: to the host asked last (a client that moves to another host closes
    // the connection to the one it left).
    set(curl_easy_setopt(handle, CURLOPT_MAXCONNECTS, 1L));
    ok = ok && curl_multi_setopt(multi, CURLMOPT_MAXCONNECTS, 1L) == CURLM_OK;
    set(curl_easy_setopt(handle, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1)));
    set(curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "https"));
    set(curl_easy_setopt(handle, CURLOPT_REDIR_PROTOCOLS_STR, "https"));
    // TLS 1.2 at least, 1.3 at most (CURL_SSLVERSION_MAX_TLSv1_3 is TLSv1_3 shifted by 16; spelt
    // out because the header's macro mixes enumeration types).
    const long max_tls_1_3 = static_cast<long>(CURL_SSLVERSION_TLSv1_3) << 16;
    set(curl_easy_setopt(handle, CURLOPT_SSLVERSION,
                         static_cast<long>(CURL_SSLVERSION_TLSv1_2) | max_tls_1_3));
    set(curl_easy_setopt(handle, CURLOPT_SSL_VERIFYPEER, 1L));
    set(curl_easy_setopt(handle, CURLOPT_SSL_VERIFYHOST, 2L));
    // The compiled-in roots replace the CA file; the CA directory must be cleared as well, or
    // libcurl would still trust whatever its build-time default directory holds.
    set(curl_easy_setopt(handle, CURLOPT_CAINFO, nullptr));
    set(curl_easy_setopt(handle, CURLOPT_CAPATH, nullptr));
    curl_blob roots{};
    roots.data = settings.trusted_roots_pem.data();
    roots.len = settings.trusted_roots_pem.size();
    roots.flags = CURL_BLOB_COPY;
    set(curl_easy_setopt(handle, CURLOPT_CAINFO_BLOB, &roots));
    // An empty proxy disables the proxy environment variables; "*" exempts every host anyway.
    set(curl_easy_setopt(handle, CURLOPT_PROXY, ""));
    set(curl_easy_setopt(handle, CURLOPT_NOPROXY, "*"));
    set(curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 1L));
    set(curl_easy_setopt(handle, CURLOPT_MAXREDIRS, 4L));
    // No CURLOPT_FAILONERROR: it would close the connection and hide the status; an answer of
    // 400 or more is failed in perform() instead, after its body was drained.
    if (settings.connect_limit.count() > 0) {
      set(curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT_MS,
                           static_cast<long>(settings.connect_limit.count())));
    }
    if (settings.beyond_limit == BodyOverflow::fail) {
      // Refuses an announced oversize body before reading it; the write callback catches the rest.
      set(curl_easy_setopt(handle, CURLOPT_MAXFILESIZE_LARGE,
                           static_cast<curl_off_t>(settings.body_limit)));
    }
#if LIBCURL_VERSION_NUM >= 0x075700
    // A name lookup still running at its deadline is left to finish on its own thread instead of
    // being waited for, so that the deadline holds for name resolution too. Not a condition of
    // reading: a run-time library older than 7.87 refuses it (CURLE_UNKNOWN_OPTION) and then
    // waits for such a lookup, which a missing option must never turn into no reads at all.
    static_cast<void>(settings.refuse_newer_options
                          ? CURLE_UNKNOWN_OPTION
                          : curl_easy_setopt(handle, CURLOPT_QUICK_EXIT, 1L));
#endif
    return ok;
  }

  // Drives the transfer of `handle` until it ends, its deadline passes or, with a first-byte
  // limit, no status line arrived within it. The result of a transfer that ended, or the reason
  // it was stopped.
  CURLcode run(BodySink& sink, ExchangeLimits limits, bool& first_byte_late) const {
    using std::chrono::milliseconds;
    sink.started = std::chrono::steady_clock::now();
    const auto deadline_at = sink.started + limits.deadline;
    const auto first_byte_at = sink.started + limits.first_byte_limit;
    const bool first_byte_limited = limits.first_byte_limit.count() > 0;
    if (curl_multi_add_handle(multi, handle) != CURLM_OK) return CURLE_FAILED_INIT;
    CURLcode result = CURLE_FAILED_INIT;
    for (;;) {
      int running = 0;
      if (curl_multi_perform(multi, &running) != CURLM_OK) break;
      bool done = false;
      int queued = 0;
      while (const CURLMsg* message = curl_multi_info_read(multi, &queued)) {
        if (message->msg == CURLMSG_DONE && message->easy_handle == handle) {
          result = message->data.result;
          done = true;
        }
      }
      if (done || running == 0) break;
      const auto now = std::chrono::steady_clock::now();
      auto wake = deadline_at;
      if (first_byte_limited && !sink.answer_started) {
        if (now >= first_byte_at) {
          first_byte_late = true;
          result = CURLE_OPERATION_TIMEDOUT;
          break;
        }
        wake = std::min(wake, first_byte_at);
      }
      if (now >= deadline_at) {  // libcurl's own timer normally ends the transfer first
        result = CURLE_OPERATION_TIMEDOUT;
        break;
      }
      // Rounded up, so that the wait ends at the limit, not a spin before it; libcurl shortens it
      // to its own next timer.
      const auto wait = std::chrono::ceil<milliseconds>(wake - now);
      if (curl_multi_poll(multi, nullptr, 0, static_cast<int>(wait.count()), nullptr) != CURLM_OK) {
        break;
      }
    }
    // Also ends a transfer still running: its connection is closed.
    curl_multi_remove_handle(multi, handle);
    return result;
  }

  // One exchange. `body` is null for a GET.
  Exchange perform(std::string_view url, const std::string_view* body,
                   ExchangeLimits limits) const {
    if (handle == nullptr) return Exchange{ReadFailure{}, 0, Ending::broken, {}, {}};
    const std::string url_text(url);
    BodySink sink;
    sink.handle = handle;
    sink.limit = settings.body_limit;
    sink.beyond_limit = settings.beyond_limit;
    bool ready = limits.deadline.count() > 0;  // 0 would mean no deadline at all to the library
    const auto set = [&](CURLcode result) { ready = ready && result == CURLE_OK; };
    set(curl_easy_setopt(handle, CURLOPT_URL, url_text.c_str()));
    set(curl_easy_setopt(handle, CURLOPT_TIMEOUT_MS, static_cast<long>(limits.deadline.count())));
    set(curl_easy_setopt(handle, CURLOPT_WRITEDATA, &sink));
    set(curl_easy_setopt(handle, CURLOPT_HEADERDATA, &sink));
    if (body != nullptr) {
      set(curl_easy_setopt(handle, CURLOPT_POST, 1L));
      set(curl_easy_setopt(handle, CURLOPT_POSTFIELDS, body->empty() ? "" : body->data()));
      set(curl_easy_setopt(handle, CURLOPT_POSTFIELDSIZE_LARGE,
                           static_cast<curl_off_t>(body->size())));
      set(curl_easy_setopt(handle, CURLOPT_HTTPHEADER, json_headers));
      ready = ready && json_headers != nullptr;  // never a POST without its content type
    } else {
      set(curl_easy_setopt(handle, CURLOPT_HTTPGET, 1L));
      set(curl_easy_setopt(handle, CURLOPT_HTTPHEADER, nullptr));
    }
    bool first_byte_late = false;
    const CURLcode code = ready ? run(sink, limits, first_byte_late) : CURLE_FAILED_INIT;
    const int status = response_code(handle);
    // Never leave pointers to this call's locals or the caller's body in the handle.
    curl_easy_setopt(handle, CURLOPT_WRITEDATA, nullptr);
    curl_easy_setopt(handle, CURLOPT_HEADERDATA, nullptr);
    if (body != nullptr) curl_easy_setopt(handle, CURLOPT_POSTFIELDS, nullptr);
    const bool stopped_at_limit = code == CURLE_WRITE_ERROR && sink.truncated;
    if (code != CURLE_OK && !stopped_at_limit) {
      return Exchange{ReadFailure{},
                      status,
                      first_byte_late ? Ending::first_byte_late : Ending::broken,
                      {},
                      sink.first_byte_after};
    }
    if (status >= 400) {
      return Exchange{ReadFailure{}, status, Ending::complete, std::move(sink.bytes),
                      sink.first_byte_after};
    }
    return Exchange{std::move(sink.bytes), status, Ending::complete, {}, sink.first_byte_after};
  }

  ExchangeLimits own_limits() const {
    return ExchangeLimits{settings.overall_deadline, std::chrono::milliseconds{0}};
  }
};

HttpsClient::HttpsClient(ClientSettings settings)
    : state_(std::make_unique<State>(std::move(settings))) {}
HttpsClient::~HttpsClient() = default;
HttpsClient::HttpsClient(HttpsClient&&) noexcept = default;
HttpsClient& HttpsClient::operator=(HttpsClient&&) noexcept = default;

const std::string& HttpsClient::base_url() const {
  static const std::string none;
  return state_ ? state_->settings.base_url : none;
}

ReadOutcome HttpsClient::post_json(std::string_view url, std::string_view body) const {
  if (!state_) return ReadFailure{};
  ReadOutcome outcome = state_->perform(url, &body, state_->own_limits()).outcome;
  make_text(outcome);
  return outcome;
}

ReadOutcome HttpsClient::get_text(std::string_view url) const {
  ReadOutcome outcome = get_bytes(url);
  make_text(outcome);
  return outcome;
}

ReadOutcome HttpsClient::get_bytes(std::string_view url) const {
  if (!state_) return ReadFailure{};
  return state_->perform(url, nullptr, state_->own_limits()).outcome;
}

Exchange HttpsClient::exchange(std::string_view url, std::optional<std::string_view> json_body,
                               ExchangeLimits limits) const {
  if (!state_) return Exchange{ReadFailure{}, 0, Ending::broken, {}, {}};
  Exchange result = state_->perform(url, json_body ? &*json_body : nullptr, limits);
  make_text(result.outcome);
  return result;
}

}  // namespace tarnwick

#include "common/https_client.h"

#include <curl/curl.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdlib>
#include <utility>

#include "common/response_sink.h"
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

// Reply bytes as text: unchanged when already valid UTF-8 (the common case, no copy).
void make_text(ReadOutcome& outcome) {
  auto* bytes = std::get_if<std::string>(&outcome);
  if (bytes != nullptr && !is_valid_utf8(*bytes)) *bytes = to_utf8_lossy(*bytes);
}

}  // namespace

struct HttpsClient::State {
  // One exchange's place: its connection handle (made on first use, configured once) and what the
  // exchange in flight there needs until it ends. Its address is stable: the handle's callbacks
  // hold `sink`, and a POST's body is `body`.
  struct Slot {
    enum class Phase {
      idle,     // free
      running,  // in the multi handle
      ended,    // out of it; `ending` waits to be reported
    };
    CURL* handle = nullptr;
    Phase phase = Phase::idle;
    ResponseSink sink;
    std::string body;
    std::chrono::steady_clock::time_point deadline_at;
    std::optional<std::chrono::steady_clock::time_point> answer_due_at;  // none: no limit
    bool late = false;           // passed its answer limit with no whole answer
    bool late_reported = false;  // wait() told so
    Exchange ending{ReadFailure{}, 0, Ending::broken, {}, {}};
  };

  ClientSettings settings;
  // Runs the exchanges of the slots, so that waits end at the answer limit rather than on
  // libcurl's once-a-second progress tick; its connection cache, shared by every slot, holds the
  // kept-alive connections between exchanges.
  CURLM* multi = nullptr;
  curl_slist* json_headers = nullptr;
  std::array<Slot, max_in_flight> slots{};
  bool usable = false;   // the first slot's handle took every option: requests may be made
  std::size_t kept = 1;  // connections kept between exchanges (keep_connections)

  explicit State(ClientSettings s) : settings(std::move(s)) {
    init_curl_once();
    multi = curl_multi_init();
    json_headers = curl_slist_append(nullptr, "content-type: application/json");
    if (json_headers != nullptr) {
      curl_slist* more = curl_slist_append(json_headers, "Expect:");  // no 100-continue wait
      if (more != nullptr) json_headers = more;
    }
    // A client whose options did not all apply makes no request at all: every read fails.
    usable = multi != nullptr && curl_multi_setopt(multi, CURLMOPT_MAXCONNECTS, 1L) == CURLM_OK &&
             make_handle(slots[0]);
  }
  ~State() {
    for (Slot& slot : slots) {
      if (slot.phase == Slot::Phase::running) curl_multi_remove_handle(multi, slot.handle);
      if (slot.handle != nullptr) curl_easy_cleanup(slot.handle);
    }
    if (multi != nullptr) curl_multi_cleanup(multi);
    curl_slist_free_all(json_headers);
  }
  State(const State&) = delete;
  State& operator=(const State&) = delete;

  // Gives `slot` its handle, configured; false (and none) when the library did not take it all.
  bool make_handle(Slot& slot) {
    if (slot.handle != nullptr) return true;
    slot.handle = curl_easy_init();
    if (slot.handle != nullptr && !configure(slot.handle)) {
      curl_easy_cleanup(slot.handle);
      slot.handle = nullptr;
    }
    return slot.handle != nullptr;
  }

  // The options that hold for every request of this client. True only when the library took
  // every one of them: a library that refuses one (an older or differently built libcurl) would
  // otherwise go on with its own default, which for the trust options means trusting more.
  bool configure(CURL* handle) {
    bool ok = true;
    const auto set = [&](CURLcode result) { ok = ok && result == CURLE_OK; };
    set(curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L));
    set(curl_easy_setopt(handle, CURLOPT_VERBOSE, 0L));
    set(curl_easy_setopt(handle, CURLOPT_HEADERFUNCTION, read_header));
    set(curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, write_body));
    // One connection kept: to the host asked last (a client that moves to another host closes
    // the connection to the one it left). The multi handle's limit, which decides, follows the
    // exchanges in flight and the connections kept (limit_cache).
    set(curl_easy_setopt(handle, CURLOPT_MAXCONNECTS, 1L));
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
    // 400 or more is failed in finish() instead, after its body was drained.
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

  std::size_t in_flight() const {
    return static_cast<std::size_t>(std::count_if(
        slots.begin(), slots.end(), [](const Slot& s) { return s.phase == Slot::Phase::running; }));
  }

  // The connection cache keeps as many connections as there are exchanges running, at least
  // `kept`. libcurl counts the connections in use against the limit and, when an exchange ends
  // over it, closes the oldest idle one: under a limit of one, an exchange ending beside a
  // running one would lose its own connection. With fewer exchanges running again, each of the
  // next to end closes one idle connection but its own, down to `kept`.
  void limit_cache() const {
    const long keep = static_cast<long>(std::max(kept, in_flight()));
    static_cast<void>(curl_multi_setopt(multi, CURLMOPT_MAXCONNECTS, keep));
  }

  // Starts one exchange in a free slot. `body` is null for a GET.
  std::optional<std::size_t> start(std::string_view url, const std::string_view* body,
                                   ExchangeLimits limits) {
    if (!usable || limits.deadline.count() <= 0) return std::nullopt;  // 0: no deadline to curl
    std::size_t index = 0;
    while (index < slots.size() && slots[index].phase != Slot::Phase::idle) ++index;
    if (index == slots.size() || !make_handle(slots[index])) return std::nullopt;
    Slot& slot = slots[index];
    CURL* handle = slot.handle;
    slot.sink = ResponseSink{};
    slot.sink.handle = handle;
    slot.sink.limit = settings.body_limit;
    slot.sink.beyond_limit = settings.beyond_limit;
    if (body != nullptr) slot.body.assign(body->data(), body->size());
    slot.late = false;
    slot.late_reported = false;
    const std::string url_text(url);
    bool ready = true;
    const auto set = [&](CURLcode result) { ready = ready && result == CURLE_OK; };
    set(curl_easy_setopt(handle, CURLOPT_URL, url_text.c_str()));  // copied by the library
    set(curl_easy_setopt(handle, CURLOPT_TIMEOUT_MS, static_cast<long>(limits.deadline.count())));
    set(curl_easy_setopt(handle, CURLOPT_WRITEDATA, &slot.sink));
    set(curl_easy_setopt(handle, CURLOPT_HEADERDATA, &slot.sink));
    if (body != nullptr) {
      set(curl_easy_setopt(handle, CURLOPT_POST, 1L));
      set(curl_easy_setopt(handle, CURLOPT_POSTFIELDS, slot.body.c_str()));
      set(curl_easy_setopt(handle, CURLOPT_POSTFIELDSIZE_LARGE,
                           static_cast<curl_off_t>(slot.body.size())));
      set(curl_easy_setopt(handle, CURLOPT_HTTPHEADER, json_headers));
      ready = ready && json_headers != nullptr;  // never a POST without its content type
    } else {
      set(curl_easy_setopt(handle, CURLOPT_HTTPGET, 1L));
      set(curl_easy_setopt(handle, CURLOPT_HTTPHEADER, nullptr));
    }
    slot.sink.started = std::chrono::steady_clock::now();
    slot.deadline_at = slot.sink.started + limits.deadline;
    slot.answer_due_at.reset();
    if (limits.answer_limit.count() > 0) {
      slot.answer_due_at = slot.sink.started + limits.answer_limit;
    }
    if (!ready || curl_multi_add_handle(multi, handle) != CURLM_OK) {
      release(slot);
      return std::nullopt;
    }
    slot.phase = Slot::Phase::running;
    limit_cache();
    return index;
  }

  // Leaves no pointer to the slot's sink or body in its handle, and frees the slot.
  void release(Slot& slot) const {
    curl_easy_setopt(slot.handle, CURLOPT_WRITEDATA, nullptr);
    curl_easy_setopt(slot.handle, CURLOPT_HEADERDATA, nullptr);
    curl_easy_setopt(slot.handle, CURLOPT_POSTFIELDS, nullptr);
    slot.phase = Slot::Phase::idle;
  }

  // Takes the running exchange of `slot` out of the multi handle (a transfer still running there
  // is ended and its connection closed) and keeps how it ended, `code`, for its report.
  void finish(Slot& slot, CURLcode code) const {
    curl_multi_remove_handle(multi, slot.handle);
    const int status = response_code(slot.handle);
    slot.phase = Slot::Phase::ended;
    limit_cache();
    ResponseSink& sink = slot.sink;
    const bool stopped_at_limit = code == CURLE_WRITE_ERROR && sink.truncated;
    if (code != CURLE_OK && !stopped_at_limit) {
      slot.ending = Exchange{ReadFailure{}, status, Ending::broken, {}, sink.first_byte_after};
    } else if (status >= 400) {
      slot.ending = Exchange{ReadFailure{}, status, Ending::complete, std::move(sink.bytes),
                             sink.first_byte_after};
    } else {
      slot.ending =
          Exchange{std::move(sink.bytes), status, Ending::complete, {}, sink.first_byte_after};
    }
  }

  // Ends the exchange in `slot` unreported.
  void drop(std::size_t index) {
    if (index >= slots.size() || slots[index].phase == Slot::Phase::idle) return;
    Slot& slot = slots[index];
    if (slot.phase == Slot::Phase::running) curl_multi_remove_handle(multi, slot.handle);
    release(slot);
    limit_cache();
  }

  // Drives the exchanges in flight until the one in `only` (any, without it) ends or passes its
  // answer limit; the events of the others wait for a later call. An end is reported before a
  // answer limit, so that a caller told of a slow exchange finds the other slots free.
  ExchangeEvent next_event(std::optional<std::size_t> only) {
    for (;;) {
      bool running = false;
      for (std::size_t index = 0; index < slots.size(); ++index) {
        Slot& slot = slots[index];
        if ((only && *only != index) || slot.phase != Slot::Phase::ended) continue;
        ExchangeEvent event;
        event.kind = ExchangeEvent::Kind::ended;
        event.slot = index;
        event.exchange = std::move(slot.ending);
        release(slot);
        return event;
      }
      for (std::size_t index = 0; index < slots.size(); ++index) {
        Slot& slot = slots[index];
        if ((only && *only != index) || slot.phase != Slot::Phase::running) continue;
        running = true;
        if (slot.late && !slot.late_reported) {
          slot.late_reported = true;
          ExchangeEvent event;
          event.kind = ExchangeEvent::Kind::answer_late;
          event.slot = index;
          return event;
        }
      }
      if (!running) return ExchangeEvent{};
      drive();
    }
  }

  // One round: lets libcurl work, ends what ended or outlived its deadline, marks what passed its
  // answer limit, and, when nothing of that happened, waits for the next socket activity or
  // the earliest limit.
  void drive() {
    using std::chrono::milliseconds;
    int running = 0;
    const bool performed = curl_multi_perform(multi, &running) == CURLM_OK;
    int queued = 0;
    while (const CURLMsg* message = curl_multi_info_read(multi, &queued)) {
      for (Slot& slot : slots) {
        if (message->msg == CURLMSG_DONE && slot.phase == Slot::Phase::running &&
            message->easy_handle == slot.handle) {
          finish(slot, message->data.result);
        }
      }
    }
    const auto now = std::chrono::steady_clock::now();
    auto wake = now + std::chrono::hours(1);
    bool event = false;
    for (Slot& slot : slots) {
      if (slot.phase != Slot::Phase::running) {
        event = event || slot.phase == Slot::Phase::ended;
        continue;
      }
      if (!performed || running == 0 || now >= slot.deadline_at) {
        // libcurl's own timer normally ends a transfer at its deadline first
        finish(slot, now >= slot.deadline_at ? CURLE_OPERATION_TIMEDOUT : CURLE_FAILED_INIT);
        event = true;
        continue;
      }
      wake = std::min(wake, slot.deadline_at);
      if (slot.answer_due_at && !slot.late) {
        if (now >= *slot.answer_due_at) {
          slot.late = true;
          event = true;
        } else {
          wake = std::min(wake, *slot.answer_due_at);
        }
      }
    }
    if (event) return;
    // Rounded up, so that the wait ends at the limit, not a spin before it; libcurl shortens it
    // to its own next timer.
    const auto wait = std::chrono::ceil<milliseconds>(wake - now);
    if (curl_multi_poll(multi, nullptr, 0, static_cast<int>(wait.count()), nullptr) != CURLM_OK) {
      for (Slot& slot : slots) {
        if (slot.phase == Slot::Phase::running) finish(slot, CURLE_FAILED_INIT);
      }
    }
  }

  // One exchange, waited for; with an answer limit, ended at it. `body` is null for a GET.
  Exchange perform(std::string_view url, const std::string_view* body, ExchangeLimits limits) {
    const std::optional<std::size_t> slot = start(url, body, limits);
    if (!slot) return Exchange{ReadFailure{}, 0, Ending::broken, {}, {}};
    ExchangeEvent event = next_event(*slot);
    if (event.kind == ExchangeEvent::Kind::answer_late) {
      drop(*slot);
      return Exchange{ReadFailure{}, 0, Ending::answer_late, {}, {}};
    }
    return std::move(event.exchange);
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

std::optional<std::size_t> HttpsClient::start(std::string_view url,
                                              std::optional<std::string_view> json_body,
                                              ExchangeLimits limits) const {
  if (!state_) return std::nullopt;
  return state_->start(url, json_body ? &*json_body : nullptr, limits);
}

ExchangeEvent HttpsClient::wait() const {
  if (!state_) return ExchangeEvent{};
  ExchangeEvent event = state_->next_event(std::nullopt);
  make_text(event.exchange.outcome);
  return event;
}

void HttpsClient::drop(std::size_t slot) const {
  if (state_) state_->drop(slot);
}

std::chrono::steady_clock::time_point HttpsClient::now() const {
  return std::chrono::steady_clock::now();
}

void HttpsClient::keep_connections(std::size_t count) const {
  if (!state_) return;
  state_->kept = std::max<std::size_t>(1, count);
  state_->limit_cache();
}

}  // namespace tarnwick

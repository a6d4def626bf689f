// ReadPlan: the reads of one answer as a graph. Each read names the earlier reads it needs; once
// every one of them has ended, its step makes its next request from what they keep (or says no
// read is needed), each reading is taken into what the read keeps, and the step is asked again
// until it makes no further request. The plan starts each read as soon as it is ready, reads that
// become ready together in the order they were added, over one read session (whose transport
// keeps at most four in flight). Each read has its own bound, the requests it may make; the
// plan's bound is their sum, so the same replies meet the same bound whatever their timing.
// What a read keeps is reached by its typed handle, never by position.
#pragma once

#include <algorithm>
#include <cassert>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "chain/read_session.h"

namespace tarnwick {

class JsonReader;

// A read of a plan, by its place.
struct PlanIndex {
  std::size_t index = 0;
};

// A read of a plan that keeps a `Kept`.
template <class Kept>
struct PlanRead : PlanIndex {};

class ReadPlan {
 public:
  // Adds a read that keeps `kept` and needs the reads `needs` (added before it). Once they have
  // ended, next(reader, kept) gives its next request, or none when it needs no (further) read; a
  // step that only computes from what its needs keep is a read of bound 0. Each reading of its
  // requests goes to take(reader, kept, reading), a refused or failed read included. `bound`:
  // the requests it may make, which next() must respect (checked by an assertion).
  template <class Kept, class Next, class Take>
  PlanRead<Kept> add(std::vector<PlanIndex> needs, std::uint32_t bound, Kept kept, Next next,
                     Take take) {
    assert(std::all_of(needs.begin(), needs.end(),
                       [&](PlanIndex need) { return need.index < reads_.size(); }));
    reads_.push_back(std::make_unique<Step<Kept, Next, Take>>(
        std::move(needs), bound, std::move(kept), std::move(next), std::move(take)));
    return PlanRead<Kept>{{reads_.size() - 1}};
  }

  // A read of one request, kept as its reading: none when request() gave none (it was not
  // needed). request() is asked once, when `needs` have ended.
  template <class MakeRequest>
  PlanRead<std::optional<Reading>> add_one(std::vector<PlanIndex> needs, MakeRequest request) {
    return add(
        std::move(needs), 1, std::optional<Reading>(),
        [request, asked = false](JsonReader&, std::optional<Reading>&) mutable {
          if (asked) return std::optional<ChainRequest>();
          asked = true;
          return std::optional<ChainRequest>(request());  // none: not needed
        },
        [](JsonReader&, std::optional<Reading>& kept, Reading&& reading) {
          kept = std::move(reading);
        });
  }

  // A value computed from what `needs` keep, once they have ended: a read of bound 0.
  template <class Value, class Compute>
  PlanRead<std::optional<Value>> add_view(std::vector<PlanIndex> needs, Compute compute) {
    return add(
        std::move(needs), 0, std::optional<Value>(),
        [compute](JsonReader& reader, std::optional<Value>& kept) {
          kept.emplace(compute(reader));
          return std::optional<ChainRequest>();
        },
        [](JsonReader&, std::optional<Value>&, Reading&&) {});
  }

  template <class Kept>
  const Kept& operator[](PlanRead<Kept> read) const {
    return static_cast<const Holder<Kept>&>(*reads_.at(read.index)).kept;
  }
  // What a read keeps, to be moved out once the plan has run.
  template <class Kept>
  Kept& operator[](PlanRead<Kept> read) {
    return static_cast<Holder<Kept>&>(*reads_.at(read.index)).kept;
  }

  // The requests the plan may make at most.
  std::uint32_t bound() const;

  // Runs the plan to its end over `session`: every read has ended, made or not.
  void run(ReadSession& session);

 private:
  struct AnyStep {
    AnyStep(std::vector<PlanIndex> read_needs, std::uint32_t read_bound)
        : needs(std::move(read_needs)), bound(read_bound) {}
    virtual ~AnyStep() = default;
    virtual std::optional<ChainRequest> next(JsonReader& reader) = 0;
    virtual void take(JsonReader& reader, Reading reading) = 0;

    std::vector<PlanIndex> needs;
    std::uint32_t bound = 0;
    std::uint32_t made = 0;  // requests made
    bool open = false;       // a request in flight
    bool ended = false;      // no further request
  };
  template <class Kept>
  struct Holder : AnyStep {
    Holder(std::vector<PlanIndex> read_needs, std::uint32_t read_bound, Kept read_kept)
        : AnyStep(std::move(read_needs), read_bound), kept(std::move(read_kept)) {}
    Kept kept;
  };
  template <class Kept, class Next, class Take>
  struct Step final : Holder<Kept> {
    Step(std::vector<PlanIndex> read_needs, std::uint32_t read_bound, Kept read_kept, Next n,
         Take t)
        : Holder<Kept>(std::move(read_needs), read_bound, std::move(read_kept)),
          next_request(std::move(n)),
          take_reading(std::move(t)) {}
    std::optional<ChainRequest> next(JsonReader& reader) override {
      return next_request(reader, this->kept);
    }
    void take(JsonReader& reader, Reading reading) override {
      take_reading(reader, this->kept, std::move(reading));
    }
    Next next_request;
    Take take_reading;
  };

  bool ready(const AnyStep& step) const;

  std::vector<std::unique_ptr<AnyStep>> reads_;
};

}  // namespace tarnwick

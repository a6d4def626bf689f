// The /sell answer: the sale check's report as one line of JSON (sale_json in sale_check.h).
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "assess/json_writer.h"
#include "assess/sale_check.h"
#include "assess/token_answer.h"

namespace tarnwick {
namespace {

void write_skipped(JsonObject& answer, const std::vector<SkippedHolder>& skipped) {
  JsonArray list = answer.array("skipped");
  for (const SkippedHolder& holder : skipped) {
    JsonObject item = list.object();
    item.member("holder", holder.holder);
    item.member("why", holder.why);
  }
}

void write_control(JsonObject& answer, const std::optional<SaleControl>& control) {
  if (!control) {
    answer.member("control", std::nullopt);
    return;
  }
  JsonObject out = answer.object("control");
  out.member("node", nonempty(control->node));
  out.member("outcome", control_outcome_names[static_cast<std::size_t>(control->outcome)]);
  out.member("message", control->message);
}

void write_proceeds(JsonObject& run, const Proceeds& proceeds) {
  JsonObject out = run.object("proceeds");
  out.member("quantity", proceeds.quantity);
  out.member("contract", proceeds.contract);
}

std::string asset_text(const Asset& asset) {
  std::string out;
  append_asset(out, asset.units, asset.precision, asset.symbol);
  return out;
}

void write_cost(JsonObject& run, const SaleCost& cost) {
  JsonObject out = run.object("cost");
  out.member("sent", asset_text(cost.sent));
  out.member("reached_venue", asset_text(cost.reached_venue));
  {
    JsonArray taken = out.array("taken");
    for (const TakenPart& part : cost.taken) {
      JsonObject item = taken.object();
      item.member("to", part.to);
      item.member("quantity", asset_text(part.quantity));
    }
  }
  out.member("pool_fee_ppm", cost.pool_fee_ppm);
  out.member("quote",
             cost.quote ? std::optional<std::string>(asset_text(*cost.quote)) : std::nullopt);
  out.member("cost_bp", cost.cost_bp);
}

void write_costs(JsonObject& answer, const SaleCosts& costs) {
  JsonObject out = answer.object("costs");
  out.member("sell_cost_bp", costs.sell_cost_bp);
  out.member("taken_by", costs.taken_by);
  out.member("why", nonempty(costs.why));
}

// What stopped a run that did not go through, as far as it is known.
void write_stop(JsonObject& run, const RunResult& result) {
  run.member("by", nonempty(result.by));
  run.member("code", result.code);
  run.member("name", nonempty(result.name));
  run.member("message", result.message);
}

void write_run(JsonObject& out, const SaleRun& run) {
  out.member("holder", run.holder);
  out.member("to", run.to);
  out.member("kind", run.kind);
  out.member("quantity", run.quantity);
  const RunResult& result = run.result;
  out.member("outcome", run_outcome_names[static_cast<std::size_t>(result.outcome)]);
  if (result.proceeds) write_proceeds(out, *result.proceeds);
  if (result.cost) write_cost(out, *result.cost);
  if (result.outcome != RunOutcome::went_through) write_stop(out, result);
}

void write_runs(JsonObject& answer, const std::vector<SaleRun>& runs) {
  JsonArray list = answer.array("runs");
  for (const SaleRun& run : runs) {
    JsonObject item = list.object();
    write_run(item, run);
  }
}

}  // namespace

std::string sale_json(const SaleReport& report) {
  std::string out;
  {
    JsonObject answer(out);
    write_token_head(answer, 1, report.token);
    answer.member("symbol", nonempty(report.symbol.value_or("")));
    answer.member("sells", sells_names[static_cast<std::size_t>(report.sells)]);
    answer.member("why", nonempty(report.why));
    write_skipped(answer, report.skipped);
    write_control(answer, report.control);
    write_runs(answer, report.runs);
    write_costs(answer, report.costs);
    answer.member("node", nonempty(report.node));
  }
  return out;
}

}  // namespace tarnwick

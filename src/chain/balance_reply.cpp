#include "chain/balance_reply.h"

#include "chain/field_forms.h"
#include "common/json_reader.h"

namespace tarnwick {

std::optional<std::vector<Asset>> live_balances(JsonReader& reader, std::string_view reply) {
  std::vector<Asset> assets;
  bool listed = false;
  bool each_read = true;
  const bool json = reader.read_document(reply, [&](JsonValue& top) {
    listed = for_each_element(top, [&](JsonValue& element) {
      const std::optional<Asset> held = asset(element);
      if (held) assets.push_back(*held);
      each_read = held.has_value();
      return each_read;
    });
  });
  if (!json || !listed || !each_read) return std::nullopt;
  return assets;
}

}  // namespace tarnwick

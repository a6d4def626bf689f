#include "service/update_check.h"

#include <sys/stat.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <variant>

#include "common/data_folder.h"
#include "common/trusted_roots.h"
#include "service/update_answer.h"

namespace tarnwick {
namespace {

constexpr std::chrono::milliseconds manifest_connect_limit{6'000};
constexpr std::chrono::milliseconds manifest_deadline{15'000};

// A metadata query for an entry of any kind named no-update-check. Only a query that says the
// entry does not exist (ENOENT, ENOTDIR) counts as no marker: when the folder cannot be searched
// (EACCES, ELOOP, ...), the user's opt-out may be there, so the check stays off.
bool update_check_switched_off(const std::optional<std::filesystem::path>& folder) {
  if (!folder) return false;
  const std::filesystem::path marker = *folder / "no-update-check";
  struct stat info {};
  if (::lstat(marker.c_str(), &info) == 0) return true;
  return errno != ENOENT && errno != ENOTDIR;
}

}  // namespace

ClientSettings manifest_client_settings(ClientSettings site) {
  site.connect_limit = manifest_connect_limit;
  site.overall_deadline = manifest_deadline;
  site.body_limit = manifest_read_limit;
  site.beyond_limit = BodyOverflow::truncate;
  return site;
}

UpdateCheck production_update_check() {
  return UpdateCheck{
      data_folder(std::getenv("HOME")), std::string(update_manifest_url),
      manifest_client_settings(ClientSettings{
          std::string(download_site_prefix.substr(0, download_site_prefix.size() - 1)),
          {},
          {},
          std::string(trusted_roots_pem())})};
}

std::string run_update_check(const UpdateCheck& check) {
  if (update_check_switched_off(check.data_folder)) return not_available_answer();
  const HttpsClient manifest_client(check.manifest_client);
  const ReadOutcome reply = manifest_client.get_bytes(check.manifest_url);
  const auto* bytes = std::get_if<std::string>(&reply);
  if (bytes == nullptr) return not_available_answer();
  return update_answer(*bytes);
}

}  // namespace tarnwick

#include "service/update_notice.h"

#include <gtest/gtest.h>

#include <string>

#include "service/cockpit/cockpit_page.h"

namespace tarnwick {
namespace {

const std::string not_available = R"({"available":false,"current":"0.1.1"})";

std::string manifest(const std::string& version, const std::string& page) {
  return R"({"tarnwick":{"version":")" + version + R"(","page":")" + page + R"("}})";
}

TEST(UpdateAnswer, ThePageChecksTheSameDownloadSite) {
  // The banner script repeats the prefix; the two must name the same site.
  const std::string quoted = "\"" + std::string(download_site_prefix) + "\"";
  EXPECT_NE(cockpit_page().find(quoted), std::string_view::npos);
}

TEST(UpdateAnswer, NotAvailableAnswerIsCompact) {
  EXPECT_EQ(not_available_answer(), not_available);
}

TEST(UpdateAnswer, OffersOnlyANewerVersionOnTheDownloadSite) {
  const std::string site = "https://get.tarnwick.app/releases/";
  const struct {
    std::string version;
    std::string page;
    bool available;
  } cases[] = {
      {"v0.2.0", site + "0.2.0", true},
      {"0.1.1.1", site, true},
      {"0.1.1", site, false},
      {"0.1.1-beta", site, false},
      {"0.1.1+7", site, false},
      {"0.1.1.0", site, false},
      {"0.1", site, false},
      {"1.2.3.4.5", site, false},
      {"1..2", site, false},
      {"1.x", site, false},
      {"", site, false},
      {"9.0", "https://elsewhere.example/get.tarnwick.app/", false},
      {"9.0", "http://get.tarnwick.app/", false},
      {"9.0", "https://get.tarnwick.app.evil.example/", false},
  };
  for (const auto& c : cases) {
    const std::string answer = update_answer(manifest(c.version, c.page));
    if (c.available) {
      EXPECT_EQ(answer, R"({"available":true,"current":"0.1.1","page":")" + c.page +
                            R"(","version":")" + c.version + R"("})");
    } else {
      EXPECT_EQ(answer, not_available) << c.version << " " << c.page;
    }
  }
}

TEST(UpdateAnswer, UnusableManifestsOfferNothing) {
  const std::string cases[] = {
      "",
      "not json",
      R"([{"tarnwick":{"version":"9.0","page":"https://get.tarnwick.app/"}}])",
      R"({"other":{"version":"9.0","page":"https://get.tarnwick.app/"}})",
      R"({"tarnwick":"9.0"})",
      R"({"tarnwick":{"version":9,"page":"https://get.tarnwick.app/"}})",
      R"({"tarnwick":{"version":"9.0","page":["https://get.tarnwick.app/"]}})",
      R"({"tarnwick":{"version":"9.0","page":"https://get.tarnwick.app/"})",  // truncated
      std::string(R"({"tarnwick":{"version":"9.0","page":"https://get.tarnwick.app/"}})") + "\xFF",
      std::string(R"({"tarnwick":{"version":"9.0","page":"https://get.tarnwick.app/"}})") +
          std::string(1, '\0'),
  };
  for (const auto& text : cases) EXPECT_EQ(update_answer(text), not_available) << text;
}

TEST(UpdateAnswer, KeepsOtherMembersOutAndEscapesTheManifestTexts) {
  const std::string text =
      R"({"x":1,"tarnwick":{"page":"https://get.tarnwick.app/a\\\"b\u00e9","version":"1.0","extra":true}})";
  EXPECT_EQ(update_answer(text),
            "{\"available\":true,\"current\":\"0.1.1\",\"page\":\"https://get.tarnwick.app/"
            "a\\\\\\\"b\xC3\xA9\","
            "\"version\":\"1.0\"}");
}

TEST(UpdateAnswer, TrailingWhiteSpaceAfterTheDocumentStillParses) {
  const std::string text = manifest("1.0", "https://get.tarnwick.app/") + std::string(4096, ' ');
  EXPECT_NE(update_answer(text), not_available);
}

}  // namespace
}  // namespace tarnwick

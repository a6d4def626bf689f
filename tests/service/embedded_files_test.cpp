// The page and the trusted roots are compiled in from their source files; what the binary holds
// must be those files byte for byte (no newline conversion, no truncation, nothing appended). The
// page is its markup with each line "<!-- part: NAME -->" replaced by that file inline, assembled
// here apart from the build's own script, and it refers to nothing outside itself.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "common/trusted_roots.h"
#include "service/cockpit/cockpit_page.h"

namespace tarnwick {
namespace {

std::string source_file(const std::string& relative) {
  std::ifstream in(std::string(TARNWICK_SOURCE_DIR) + "/" + relative, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string assembled_page() {
  const std::string open = "<!-- part: ";
  const std::string close = " -->";
  std::istringstream markup(source_file("src/service/cockpit/page.html"));
  std::string page;
  for (std::string line; std::getline(markup, line);) {
    if (!line.starts_with(open) || !line.ends_with(close)) {
      page += line + "\n";
      continue;
    }
    const std::string name = line.substr(open.size(), line.size() - open.size() - close.size());
    const std::string tag = name.ends_with(".css") ? "style" : "script";
    page += "<" + tag + ">\n" + source_file("src/service/cockpit/" + name) + "</" + tag + ">\n";
  }
  return page;
}

TEST(EmbeddedFiles, PageAndRootsAreTheirSourceFilesByteForByte) {
  const std::string roots = source_file("src/common/trusted_roots.pem");
  ASSERT_FALSE(roots.empty());
  EXPECT_TRUE(cockpit_page() == assembled_page());
  EXPECT_TRUE(trusted_roots_pem() == roots);
}

TEST(EmbeddedFiles, ThePageRefersToNothingOutsideItself) {
  // Every way an element, a style sheet or a script names something to load: only the empty icon
  // and the update banner's link (whose address its script sets) name an address.
  const std::string page(cockpit_page());
  const std::regex reference(
      R"re((href|src|srcset)=\S*|url\(|@import|import\(|<(script|style)[^>]+>|<!-- part:)re");
  std::vector<std::string> found;
  for (std::sregex_iterator at(page.begin(), page.end(), reference), end; at != end; ++at) {
    found.push_back(at->str());
  }
  EXPECT_EQ(found, (std::vector<std::string>{R"(href="data:,">)", R"(href="#")"}));
}

}  // namespace
}  // namespace tarnwick

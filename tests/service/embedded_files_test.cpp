// The page and the trusted roots are compiled in from their source files; what the binary holds
// must be those files byte for byte (no newline conversion, no truncation, nothing appended). The
// page is its markup with each line "<!-- part: NAME -->" replaced by that file inline, assembled
// here apart from the build's own script, and it refers to nothing outside itself. Its content
// policy lets exactly its own inline scripts and style sheets run.
#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <openssl/sha.h>

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

// The page's content policy as the served page states it: the meta element's line.
std::string policy_line(const std::string& page) {
  std::smatch found;
  const std::regex line(R"(<meta http-equiv="Content-Security-Policy" content="[^"]*">\n)");
  return std::regex_search(page, found, line) ? found.str() : std::string();
}

std::string assembled_page() {
  const std::string open = "<!-- part: ";
  const std::string close = " -->";
  std::istringstream markup(source_file("src/service/cockpit/page.html"));
  std::string page;
  for (std::string line; std::getline(markup, line);) {
    if (line == "<!-- content-security-policy -->") {
      page += policy_line(std::string(cockpit_page()));
      continue;
    }
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
  EXPECT_EQ(found, (std::vector<std::string>{R"(href="data:,">)", R"(href="/")", R"(href="#")"}));
}

// Every inline script and style sheet of the served page is in its policy by its SHA-256, and
// nothing else may run: no style or event-handler attribute in the markup, no other source.
TEST(EmbeddedFiles, ThePolicyLetsExactlyThePagesOwnScriptsAndStylesRun) {
  const std::string page(cockpit_page());
  const std::string policy = policy_line(page);
  ASSERT_FALSE(policy.empty());
  std::string expected = "default-src 'none';";
  std::string markup = page;
  for (const std::string tag : {"script", "style"}) {
    expected += " " + tag + "-src";
    const std::regex inline_part("<" + tag + ">([^]*?)</" + tag + ">");
    for (std::sregex_iterator at(page.begin(), page.end(), inline_part), end; at != end; ++at) {
      const std::string text = (*at)[1].str();
      unsigned char digest[SHA256_DIGEST_LENGTH];
      SHA256(reinterpret_cast<const unsigned char*>(text.data()), text.size(), digest);
      unsigned char encoded[64] = {};
      EVP_EncodeBlock(encoded, digest, SHA256_DIGEST_LENGTH);
      expected += " 'sha256-" + std::string(reinterpret_cast<const char*>(encoded)) + "'";
    }
    expected += ";";
    markup = std::regex_replace(markup, inline_part, "");
  }
  expected += " connect-src 'self'; img-src 'self' data:; base-uri 'none'; form-action 'none'";
  EXPECT_EQ(policy, R"(<meta http-equiv="Content-Security-Policy" content=")" + expected + "\">\n");
  const std::regex attribute(R"(\s(style|on[a-z]+)\s*=)", std::regex::icase);
  EXPECT_FALSE(std::regex_search(markup, attribute));
}

}  // namespace
}  // namespace tarnwick

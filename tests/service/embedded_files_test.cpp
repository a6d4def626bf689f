// The page and the trusted roots are compiled in from their source files; what the binary holds
// must be those files byte for byte (no newline conversion, no truncation, nothing appended).
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "common/trusted_roots.h"
#include "service/cockpit/cockpit_page.h"

namespace tarnwick {
namespace {

std::string source_file(const char* relative) {
  std::ifstream in(std::string(TARNWICK_SOURCE_DIR) + "/" + relative, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(EmbeddedFiles, PageAndRootsAreTheirSourceFilesByteForByte) {
  const std::string page = source_file("src/service/cockpit/index.html");
  const std::string roots = source_file("src/common/trusted_roots.pem");
  ASSERT_FALSE(page.empty());
  ASSERT_FALSE(roots.empty());
  EXPECT_TRUE(cockpit_page() == page);
  EXPECT_TRUE(trusted_roots_pem() == roots);
}

}  // namespace
}  // namespace tarnwick

// The root certificates the scanner trusts, compiled into the program from trusted_roots.pem
// (Mozilla's set of public web PKI roots as Debian ships it; scripts/refresh-roots regenerates it).
// No other trust store is ever consulted.
#pragma once

#include <string_view>

namespace tarnwick {

// The PEM text of every trusted root certificate, concatenated.
std::string_view trusted_roots_pem();

}  // namespace tarnwick

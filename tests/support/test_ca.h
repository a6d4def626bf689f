// Test certificate authorities made in memory at test time (OpenSSL), for the loopback TLS
// servers of the test suites. Not product code.
#pragma once

#include <string>
#include <string_view>

namespace tarnwick::test {

// A self-signed CA and a server certificate it issued, all PEM text.
struct TlsIdentity {
  std::string ca_pem;    // the CA certificate: what a client must trust
  std::string cert_pem;  // the server certificate: SAN IP:127.0.0.1 and DNS:localhost, serverAuth
  std::string key_pem;   // the server's private key (P-256), unencrypted PKCS#8
};

// A fresh CA (named `ca_name`) and server certificate, valid from an hour ago for two days. Every
// call makes new keys, so two identities never trust each other. Throws std::runtime_error if
// OpenSSL fails (a broken test environment, not a test outcome).
TlsIdentity make_test_identity(std::string_view ca_name = "Tarnwick Test CA");

}  // namespace tarnwick::test

#include "common/trusted_roots.h"

#include <gtest/gtest.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <string>

namespace tarnwick {
namespace {

// The compiled-in roots must all load (a broken PEM would silently shrink the trusted set) and
// must all be self-issued CA certificates: a machine-local intermediate or leaf has no place here.
TEST(TrustedRoots, EveryEmbeddedCertificateIsASelfIssuedRoot) {
  const std::string_view pem = trusted_roots_pem();
  std::size_t markers = 0;
  for (std::size_t at = pem.find("-----BEGIN CERTIFICATE-----"); at != std::string_view::npos;
       at = pem.find("-----BEGIN CERTIFICATE-----", at + 1)) {
    ++markers;
  }
  BIO* bio = BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size()));
  std::size_t loaded = 0;
  while (X509* cert = PEM_read_bio_X509(bio, nullptr, nullptr, nullptr)) {
    ++loaded;
    EXPECT_EQ(X509_check_issued(cert, cert), X509_V_OK) << "certificate " << loaded;
    EXPECT_EQ(X509_check_ca(cert), 1) << "certificate " << loaded;
    X509_free(cert);
  }
  BIO_free(bio);
  EXPECT_EQ(loaded, markers);
  EXPECT_GE(loaded, 100U);
}

}  // namespace
}  // namespace tarnwick

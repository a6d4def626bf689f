#include "support/test_ca.h"

#include <openssl/bio.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rand.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <memory>
#include <stdexcept>
#include <string>

namespace tarnwick::test {
namespace {

struct Free {
  void operator()(EVP_PKEY* p) const { EVP_PKEY_free(p); }
  void operator()(X509* p) const { X509_free(p); }
  void operator()(X509_EXTENSION* p) const { X509_EXTENSION_free(p); }
  void operator()(BIO* p) const { BIO_free(p); }
  void operator()(BIGNUM* p) const { BN_free(p); }
};
template <typename T>
using Owned = std::unique_ptr<T, Free>;

void check(bool ok, const char* what) {
  if (!ok) throw std::runtime_error(std::string("test CA: ") + what);
}

Owned<EVP_PKEY> make_key() {
  EVP_PKEY_CTX* ctx = EVP_PKEY_CTX_new_id(EVP_PKEY_EC, nullptr);
  check(ctx != nullptr, "key context");
  EVP_PKEY* key = nullptr;
  const bool ok = EVP_PKEY_keygen_init(ctx) > 0 &&
                  EVP_PKEY_CTX_set_ec_paramgen_curve_nid(ctx, NID_X9_62_prime256v1) > 0 &&
                  EVP_PKEY_keygen(ctx, &key) > 0;
  EVP_PKEY_CTX_free(ctx);
  check(ok, "key generation");
  return Owned<EVP_PKEY>(key);
}

void add_ext(X509* cert, X509* issuer, int nid, const char* value) {
  X509V3_CTX ctx;
  X509V3_set_ctx(&ctx, issuer, cert, nullptr, nullptr, 0);
  Owned<X509_EXTENSION> ext(X509V3_EXT_conf_nid(nullptr, &ctx, nid, value));
  check(ext != nullptr, "extension");
  check(X509_add_ext(cert, ext.get(), -1) == 1, "add extension");
}

void set_name(X509_NAME* name, std::string_view common_name) {
  const std::string cn(common_name);
  check(X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_UTF8,
                                   reinterpret_cast<const unsigned char*>(cn.c_str()), -1, -1,
                                   0) == 1,
        "name");
}

Owned<X509> make_cert(EVP_PKEY* subject_key, std::string_view subject, X509* issuer,
                      EVP_PKEY* issuer_key) {
  Owned<X509> cert(X509_new());
  check(cert != nullptr, "certificate");
  X509_set_version(cert.get(), 2);
  Owned<BIGNUM> serial(BN_new());
  check(serial != nullptr && BN_rand(serial.get(), 120, BN_RAND_TOP_ANY, BN_RAND_BOTTOM_ANY) == 1,
        "serial");
  check(BN_to_ASN1_INTEGER(serial.get(), X509_get_serialNumber(cert.get())) != nullptr, "serial");
  X509_gmtime_adj(X509_getm_notBefore(cert.get()), -3600);
  X509_gmtime_adj(X509_getm_notAfter(cert.get()), 2L * 24 * 3600);
  check(X509_set_pubkey(cert.get(), subject_key) == 1, "public key");
  set_name(X509_get_subject_name(cert.get()), subject);
  X509* signer = issuer != nullptr ? issuer : cert.get();
  check(X509_set_issuer_name(cert.get(), X509_get_subject_name(signer)) == 1, "issuer");
  if (issuer == nullptr) {
    add_ext(cert.get(), signer, NID_basic_constraints, "critical,CA:TRUE");
    add_ext(cert.get(), signer, NID_key_usage, "critical,keyCertSign,cRLSign");
    add_ext(cert.get(), signer, NID_subject_key_identifier, "hash");
  } else {
    add_ext(cert.get(), signer, NID_basic_constraints, "critical,CA:FALSE");
    add_ext(cert.get(), signer, NID_key_usage, "critical,digitalSignature");
    add_ext(cert.get(), signer, NID_ext_key_usage, "serverAuth");
    add_ext(cert.get(), signer, NID_subject_alt_name, "IP:127.0.0.1,DNS:localhost");
    add_ext(cert.get(), signer, NID_subject_key_identifier, "hash");
    add_ext(cert.get(), signer, NID_authority_key_identifier, "keyid:always");
  }
  check(X509_sign(cert.get(), issuer_key, EVP_sha256()) > 0, "signature");
  return cert;
}

std::string bio_text(BIO* bio) {
  char* data = nullptr;
  const long n = BIO_get_mem_data(bio, &data);
  return std::string(data, static_cast<std::size_t>(n));
}

std::string cert_pem(X509* cert) {
  Owned<BIO> bio(BIO_new(BIO_s_mem()));
  check(bio != nullptr && PEM_write_bio_X509(bio.get(), cert) == 1, "certificate PEM");
  return bio_text(bio.get());
}

std::string key_pem(EVP_PKEY* key) {
  Owned<BIO> bio(BIO_new(BIO_s_mem()));
  check(bio != nullptr &&
            PEM_write_bio_PrivateKey(bio.get(), key, nullptr, nullptr, 0, nullptr, nullptr) == 1,
        "key PEM");
  return bio_text(bio.get());
}

}  // namespace

TlsIdentity make_test_identity(std::string_view ca_name) {
  const Owned<EVP_PKEY> ca_key = make_key();
  const Owned<X509> ca = make_cert(ca_key.get(), ca_name, nullptr, ca_key.get());
  const Owned<EVP_PKEY> server_key = make_key();
  const Owned<X509> server = make_cert(server_key.get(), "localhost", ca.get(), ca_key.get());
  return {cert_pem(ca.get()), cert_pem(server.get()), key_pem(server_key.get())};
}

}  // namespace tarnwick::test

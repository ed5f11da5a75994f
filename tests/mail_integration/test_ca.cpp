#include "test_ca.h"

#include <arpa/inet.h>
#include <cstdio>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509v3.h>

namespace {

X509* NewCertificate(EVP_PKEY* key, const char* commonName, long fromSeconds, long untilSeconds,
                     long serial) {
  X509* certificate = X509_new();
  X509_set_version(certificate, 2);
  ASN1_INTEGER_set(X509_get_serialNumber(certificate), serial);
  X509_gmtime_adj(X509_getm_notBefore(certificate), fromSeconds);
  X509_gmtime_adj(X509_getm_notAfter(certificate), untilSeconds);
  X509_set_pubkey(certificate, key);
  X509_NAME* name = X509_get_subject_name(certificate);
  X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                             reinterpret_cast<const unsigned char*>(commonName), -1, -1, 0);
  return certificate;
}

void AddExtension(X509* certificate, X509* issuer, int id, const std::string& value) {
  X509V3_CTX context;
  X509V3_set_ctx(&context, issuer, certificate, nullptr, nullptr, 0);
  X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &context, id, value.c_str());
  X509_add_ext(certificate, extension, -1);
  X509_EXTENSION_free(extension);
}

bool IsIp(const std::string& name) {
  unsigned char address[16];
  return inet_pton(AF_INET, name.c_str(), address) == 1;
}

template <typename Write>
bool WritePem(const std::string& path, Write write) {
  FILE* file = std::fopen(path.c_str(), "w");
  if (!file) return false;
  bool ok = write(file) == 1;
  return std::fclose(file) == 0 && ok;
}

}  // namespace

CTestCa::CTestCa() {
  m_key = EVP_EC_gen("P-256");
  m_certificate = NewCertificate(m_key, "Pagewarden Test CA", -86400, 86400 * 30, 1);
  X509_set_issuer_name(m_certificate, X509_get_subject_name(m_certificate));
  AddExtension(m_certificate, m_certificate, NID_basic_constraints, "critical,CA:TRUE");
  AddExtension(m_certificate, m_certificate, NID_key_usage, "critical,keyCertSign,cRLSign");
  AddExtension(m_certificate, m_certificate, NID_subject_key_identifier, "hash");
  X509_sign(m_certificate, m_key, EVP_sha256());
}

CTestCa::~CTestCa() {
  X509_free(m_certificate);
  EVP_PKEY_free(m_key);
}

bool CTestCa::WriteCertificate(const std::string& path) const {
  return WritePem(path, [this](FILE* file) { return PEM_write_X509(file, m_certificate); });
}

bool CTestCa::IssueServer(const std::string& certificatePath, const std::string& keyPath,
                          const std::vector<std::string>& names, long fromSeconds,
                          long untilSeconds) const {
  static long serial = 100;
  EVP_PKEY* key = EVP_EC_gen("P-256");
  X509* certificate = NewCertificate(key, names.front().c_str(), fromSeconds, untilSeconds, ++serial);
  X509_set_issuer_name(certificate, X509_get_subject_name(m_certificate));
  std::string alternatives;
  for (const std::string& name : names) {
    alternatives += (alternatives.empty() ? "" : ",") + std::string(IsIp(name) ? "IP:" : "DNS:") + name;
  }
  AddExtension(certificate, m_certificate, NID_subject_alt_name, alternatives);
  AddExtension(certificate, m_certificate, NID_ext_key_usage, "serverAuth");
  AddExtension(certificate, m_certificate, NID_authority_key_identifier, "keyid");
  X509_sign(certificate, m_key, EVP_sha256());
  bool ok = WritePem(certificatePath, [&](FILE* file) { return PEM_write_X509(file, certificate); }) &&
            WritePem(keyPath, [&](FILE* file) {
              return PEM_write_PrivateKey(file, key, nullptr, nullptr, 0, nullptr, nullptr);
            });
  X509_free(certificate);
  EVP_PKEY_free(key);
  return ok;
}

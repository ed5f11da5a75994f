// A certificate authority made by the test itself, with the OpenSSL API: its certificate
// is what the mail clients are told to trust, and it signs the servers' certificates.
#pragma once

#include <string>
#include <vector>

struct evp_pkey_st;
struct x509_st;

class CTestCa {
 public:
  CTestCa();
  ~CTestCa();
  CTestCa(const CTestCa&) = delete;
  CTestCa& operator=(const CTestCa&) = delete;

  // The CA's certificate as a PEM file; false when it cannot be written.
  bool WriteCertificate(const std::string& path) const;
  // A server certificate for `names` (host names, or IP addresses such as "127.0.0.1")
  // valid from `fromSeconds` to `untilSeconds` relative to now, and its key, as PEM files.
  bool IssueServer(const std::string& certificatePath, const std::string& keyPath,
                   const std::vector<std::string>& names, long fromSeconds = -3600,
                   long untilSeconds = 86400) const;

 private:
  evp_pkey_st* m_key = nullptr;
  x509_st* m_certificate = nullptr;
};

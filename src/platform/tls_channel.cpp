#include "platform/tls_channel.h"

#include <arpa/inet.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

namespace platform {

namespace {

bool IsIpAddress(const std::string& host) {
  unsigned char address[16];
  return inet_pton(AF_INET, host.c_str(), address) == 1 ||
         inet_pton(AF_INET6, host.c_str(), address) == 1;
}

// The oldest queued OpenSSL error as text; the queue is emptied.
std::string TakeOpenSslError() {
  unsigned long code = ERR_get_error();
  ERR_clear_error();
  if (code == 0) return {};
  char text[256];
  ERR_error_string_n(code, text, sizeof text);
  return text;
}

}  // namespace

CTlsChannel::~CTlsChannel() {
  if (m_ssl) SSL_free(m_ssl);
  if (m_context) SSL_CTX_free(m_context);
}

std::unique_ptr<CTlsChannel> CTlsChannel::Create(int fd, const std::string& host,
                                                 const std::string& extraCaFile,
                                                 std::string& error) {
  std::unique_ptr<CTlsChannel> channel(new CTlsChannel);
  ERR_clear_error();
  channel->m_context = SSL_CTX_new(TLS_client_method());
  SSL_CTX* context = channel->m_context;
  if (!context) {
    error = TakeOpenSslError();
    return nullptr;
  }
  SSL_CTX_set_min_proto_version(context, TLS1_2_VERSION);
  // Mail servers often close after QUIT without a closing alert; that is the end of data.
  SSL_CTX_set_options(context, SSL_OP_IGNORE_UNEXPECTED_EOF);
  SSL_CTX_set_verify(context, SSL_VERIFY_PEER, nullptr);
  SSL_CTX_set_default_verify_paths(context);
  if (!extraCaFile.empty() &&
      SSL_CTX_load_verify_locations(context, extraCaFile.c_str(), nullptr) != 1) {
    error = "cannot load " + extraCaFile + ": " + TakeOpenSslError();
    return nullptr;
  }
  channel->m_ssl = SSL_new(context);
  SSL* ssl = channel->m_ssl;
  if (!ssl || SSL_set_fd(ssl, fd) != 1) {
    error = TakeOpenSslError();
    return nullptr;
  }
  // A partial write reports what went out, so a wait for the socket can follow it.
  SSL_set_mode(ssl, SSL_MODE_ENABLE_PARTIAL_WRITE);
  if (IsIpAddress(host)) {
    X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(ssl), host.c_str());
  } else {
    SSL_set_tlsext_host_name(ssl, host.c_str());
    SSL_set1_host(ssl, host.c_str());
  }
  return channel;
}

CTlsChannel::Step CTlsChannel::StepFor(int result, bool handshaking) {
  switch (SSL_get_error(m_ssl, result)) {
    case SSL_ERROR_NONE: return Step::Done;
    case SSL_ERROR_WANT_READ: return Step::WantRead;
    case SSL_ERROR_WANT_WRITE: return Step::WantWrite;
    case SSL_ERROR_ZERO_RETURN:
      m_failure = TlsFailure::Closed;
      return handshaking ? Step::Failed : Step::Done;
    default: break;
  }
  m_verifyError = SSL_get_verify_result(m_ssl);
  m_detail = TakeOpenSslError();
  if (handshaking && m_verifyError != X509_V_OK) {
    m_failure = TlsFailure::Certificate;
    m_detail = X509_verify_cert_error_string(m_verifyError);
  } else if (m_detail.empty()) {
    // The peer ended the connection without a closing alert.
    m_failure = TlsFailure::Closed;
    if (!handshaking) return Step::Done;
  } else {
    m_failure = TlsFailure::Handshake;
  }
  return Step::Failed;
}

CTlsChannel::Step CTlsChannel::Handshake() {
  ERR_clear_error();
  int result = SSL_connect(m_ssl);
  return result == 1 ? Step::Done : StepFor(result, true);
}

CTlsChannel::Step CTlsChannel::Read(char* buffer, std::size_t size, std::size_t& count) {
  count = 0;
  ERR_clear_error();
  int result = SSL_read_ex(m_ssl, buffer, size, &count);
  return result == 1 ? Step::Done : StepFor(result, false);
}

CTlsChannel::Step CTlsChannel::Write(const char* data, std::size_t size, std::size_t& count) {
  count = 0;
  ERR_clear_error();
  int result = SSL_write_ex(m_ssl, data, size, &count);
  if (result == 1) return Step::Done;
  Step step = StepFor(result, false);
  // A peer that has gone cannot take more bytes.
  return step == Step::Done ? Step::Failed : step;
}

void CTlsChannel::Shutdown() {
  ERR_clear_error();
  SSL_shutdown(m_ssl);
  ERR_clear_error();
}

CertificateProblem CTlsChannel::Problem() const {
  switch (m_verifyError) {
    case X509_V_OK: return CertificateProblem::None;
    case X509_V_ERR_HOSTNAME_MISMATCH:
    case X509_V_ERR_IP_ADDRESS_MISMATCH: return CertificateProblem::HostName;
    case X509_V_ERR_CERT_HAS_EXPIRED: return CertificateProblem::Expired;
    case X509_V_ERR_CERT_NOT_YET_VALID: return CertificateProblem::NotYetValid;
    case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
    case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
    case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE: return CertificateProblem::Untrusted;
    default: return CertificateProblem::Other;
  }
}

std::string CTlsChannel::Version() const { return SSL_get_version(m_ssl); }

std::string CTlsChannel::PeerSubject() const {
  X509* certificate = SSL_get1_peer_certificate(m_ssl);
  if (!certificate) return {};
  std::string subject;
  BIO* text = BIO_new(BIO_s_mem());
  // Escaped to ASCII: the log is not UTF-8.
  if (text && X509_NAME_print_ex(text, X509_get_subject_name(certificate), 0,
                                 XN_FLAG_RFC2253) >= 0) {
    char* data = nullptr;
    long length = BIO_get_mem_data(text, &data);
    subject.assign(data, static_cast<std::size_t>(length));
  }
  BIO_free(text);
  X509_free(certificate);
  return subject;
}

}  // namespace platform

#include "private_mail_system.h"

#include <dirent.h>
#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <set>
#include <sstream>
#include <thread>

#include "support/child_process.h"
#include "support/scripted_mail_server.h"

namespace {

const char kPostfix[] = "/usr/sbin/postfix";
const char kDovecot[] = "/usr/sbin/dovecot";

std::string ReadWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

bool WaitForPorts(std::initializer_list<int> ports, int timeoutMs) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (int port : ports) {
    while (!CanConnect(port)) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
  }
  return true;
}

// Free loopback ports, all different.
std::vector<int> FreePorts(int count) {
  std::set<int> ports;
  while (static_cast<int>(ports.size()) < count) ports.insert(UnusedLoopbackPort());
  return {ports.begin(), ports.end()};
}

bool Owner(const std::string& path, const char* user) {
  passwd* account = getpwnam(user);
  return account && chown(path.c_str(), account->pw_uid, account->pw_gid) == 0;
}

std::string Service(int port, const std::string& options) {
  return "127.0.0.1:" + std::to_string(port) + " inet n - n - - smtpd" + options + "\n";
}

}  // namespace

CPrivateMailSystem::CPrivateMailSystem(const std::string& folder) : m_folder(folder) {
  if (access(kPostfix, X_OK) != 0 || access("/usr/lib/postfix/sbin/master", X_OK) != 0) {
    m_error = "postfix is not installed (scripts/packages.txt)";
    m_unavailable = true;
    return;
  }
  if (access(kDovecot, X_OK) != 0 || access("/usr/lib/dovecot/pop3-login", X_OK) != 0) {
    m_error = "dovecot-core and dovecot-pop3d are not installed (scripts/packages.txt)";
    m_unavailable = true;
    return;
  }
  if (geteuid() != 0) {
    m_error = "a private postfix instance needs root";
    m_unavailable = true;
    return;
  }
  std::vector<int> ports = FreePorts(5);
  m_submission = ports[0];
  m_tls = ports[1];
  m_popBefore = ports[2];
  m_badStartTls = ports[3];
  m_pop3 = ports[4];
  if (!WriteConfiguration()) return;
  std::vector<std::string> map = {"/usr/bin/python3",
                                  std::string(MAIL_INTEGRATION_DIR) + "/pop_before_smtp_map.py",
                                  m_folder + "/dovecot/dovecot.log"};
  std::string line;
  if (!m_popMap.Start(map, m_folder + "/popmap.log") || !m_popMap.ReadLine(line, 20000)) {
    m_error = "the POP before SMTP table did not start: " + ReadWhole(m_folder + "/popmap.log");
    return;
  }
  m_popMapPort = std::atoi(line.c_str());
  // The table's port goes into postfix's configuration before postfix starts.
  std::ofstream(m_folder + "/postfix/main.cf", std::ios::app)
      << "pop_before_smtp = check_client_access socketmap:inet:127.0.0.1:" << m_popMapPort
      << ":pop, reject\n";
  if (!StartPostfix() || !StartDovecot()) return;
  if (!WaitForPorts({m_submission, m_tls, m_popBefore, m_badStartTls, m_pop3}, 20000)) {
    m_error = "the servers did not start: " + MailLog() +
              ReadWhole(m_folder + "/dovecot/dovecot.log");
  }
}

CPrivateMailSystem::~CPrivateMailSystem() { Stop(); }

bool CPrivateMailSystem::WriteConfiguration() {
  const std::string& f = m_folder;
  chmod(f.c_str(), 0755);  // postfix, dovecot and the mailboxes' owner pass through
  for (const char* sub : {"/postfix", "/queue", "/data", "/mail", "/tls", "/dovecot",
                          "/dovecot/run", "/dovecot/state"}) {
    mkdir((f + sub).c_str(), 0755);
  }
  if (!Owner(f + "/data", "postfix") || !Owner(f + "/mail", "nobody")) {
    m_error = "cannot hand the data and mail folders to postfix and nobody";
    return false;
  }
  const std::vector<std::string> names = {"127.0.0.1", "localhost"};
  if (!m_ca.WriteCertificate(CaFile()) ||
      !m_ca.IssueServer(f + "/tls/server.pem", f + "/tls/server.key", names) ||
      !m_strangerCa.IssueServer(f + "/tls/stranger.pem", f + "/tls/stranger.key", names)) {
    m_error = "cannot write the test certificates";
    return false;
  }
  std::ofstream(f + "/postfix/main.cf")
      << "compatibility_level = 3.6\n"
      << "queue_directory = " << f << "/queue\n"
      << "data_directory = " << f << "/data\n"
      << "mail_owner = postfix\nsetgid_group = postdrop\n"
      << "maillog_file_prefixes = " << f << "\nmaillog_file = " << f << "/maillog\n"
      << "myhostname = mail.example.jp\nmydomain = example.jp\nmyorigin = example.jp\n"
      << "mydestination =\nmynetworks =\ninet_interfaces = 127.0.0.1\ninet_protocols = ipv4\n"
      << "alias_maps =\nbiff = no\nsmtpd_error_sleep_time = 0s\n"
      << "virtual_mailbox_domains = example.jp\n"
      << "virtual_mailbox_base = " << f << "/mail\n"
      << "virtual_mailbox_maps = inline:{ taro@example.jp=taro/Maildir/, "
         "jiro@example.jp=jiro/Maildir/ }\n"
      << "virtual_uid_maps = static:65534\nvirtual_gid_maps = static:65534\n"
      << "smtpd_tls_cert_file = " << f << "/tls/server.pem\n"
      << "smtpd_tls_key_file = " << f << "/tls/server.key\n"
      << "smtpd_sasl_type = dovecot\nsmtpd_sasl_path = private/auth\n"
      << "smtpd_recipient_restrictions = permit_sasl_authenticated, reject\n";
  const std::string auth = " -o smtpd_sasl_auth_enable=yes";
  std::ofstream master(f + "/postfix/master.cf");
  master << Service(m_submission, auth + " -o smtpd_tls_security_level=may"
                                         " -o smtpd_tls_auth_only=yes")
         << Service(m_tls, auth + " -o smtpd_tls_wrappermode=yes")
         << Service(m_popBefore, " -o smtpd_sasl_auth_enable=no"
                                 " -o smtpd_recipient_restrictions=$pop_before_smtp")
         << Service(m_badStartTls, auth + " -o smtpd_tls_security_level=may"
                                          " -o smtpd_tls_cert_file=" + f + "/tls/stranger.pem" +
                                          " -o smtpd_tls_key_file=" + f + "/tls/stranger.key");
  for (const char* line :
       {"pickup unix n - n 60 1 pickup", "cleanup unix n - n - 0 cleanup",
        "qmgr unix n - n 300 1 qmgr", "tlsmgr unix - - n 1000? 1 tlsmgr",
        "rewrite unix - - n - - trivial-rewrite", "bounce unix - - n - 0 bounce",
        "defer unix - - n - 0 bounce", "trace unix - - n - 0 bounce",
        "verify unix - - n - 1 verify", "flush unix n - n 1000? 0 flush",
        "proxymap unix - - n - - proxymap", "smtp unix - - n - - smtp",
        "relay unix - - n - - smtp", "showq unix n - n - - showq",
        "error unix - - n - - error", "retry unix - - n - - error",
        "discard unix - - n - - discard", "virtual unix - n n - - virtual",
        "anvil unix - - n - 1 anvil", "scache unix - - n - 1 scache",
        "postlog unix-dgram n - n - 1 postlogd"}) {
    master << line << "\n";
  }
  master.close();
  std::ofstream(f + "/dovecot/passwd") << "taro@example.jp:{PLAIN}secret\njiro:{PLAIN}secret2\n";
  std::ofstream(f + "/dovecot/dovecot.conf")
      << "base_dir = " << f << "/dovecot/run\nstate_dir = " << f << "/dovecot/state\n"
      << "log_path = " << f << "/dovecot/dovecot.log\n"
      << "protocols = pop3\nlisten = 127.0.0.1\n"
      << "ssl = yes\nssl_cert = <" << f << "/tls/server.pem\nssl_key = <" << f
      << "/tls/server.key\n"
      << "disable_plaintext_auth = no\nauth_mechanisms = plain login apop\n"
      << "auth_failure_delay = 0\nlogin_trusted_networks = 127.0.0.0/8\n"
      << "passdb {\n  driver = passwd-file\n  args = scheme=PLAIN " << f << "/dovecot/passwd\n}\n"
      << "userdb {\n  driver = static\n  args = uid=65534 gid=65534 home=" << f << "/mail/%n\n}\n"
      << "mail_location = maildir:~/Maildir\npop3_uidl_format = %08Xu%08Xv\n"
      << "service pop3-login {\n  inet_listener pop3 {\n    port = " << m_pop3 << "\n  }\n"
      // No fixed port of its own (995), which a second instance beside it would also take.
      << "  inet_listener pop3s {\n    port = 0\n  }\n}\n"
      << "service auth {\n  unix_listener " << f << "/queue/private/auth {\n"
      << "    mode = 0660\n    user = postfix\n    group = postfix\n  }\n}\n";
  return true;
}

bool CPrivateMailSystem::StartPostfix() {
  RunResult started = RunProgram(kPostfix, {"-c", m_folder + "/postfix", "start"});
  m_postfixStarted = true;
  if (started.status != 0) {
    m_error = "postfix did not start: " + started.errors + MailLog();
    return false;
  }
  return true;
}

bool CPrivateMailSystem::StartDovecot() {
  // The SASL socket goes into postfix's private folder, which "postfix start" made.
  if (!m_dovecot.Start({kDovecot, "-F", "-c", m_folder + "/dovecot/dovecot.conf"},
                       m_folder + "/dovecot/start.log")) {
    m_error = "cannot start dovecot";
    return false;
  }
  return true;
}

void CPrivateMailSystem::Stop() {
  if (m_postfixStarted) {
    std::string pidText = ReadWhole(m_folder + "/queue/pid/master.pid");
    RunProgram(kPostfix, {"-c", m_folder + "/postfix", "stop"});
    // "stop" only signals the master: wait for it, so nothing outlives the test.
    pid_t master = static_cast<pid_t>(std::atol(pidText.c_str()));
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (master > 0 && kill(master, 0) == 0) {
      if (std::chrono::steady_clock::now() > deadline) {
        kill(master, SIGKILL);
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    m_postfixStarted = false;
  }
  m_dovecot.Stop();
  m_popMap.Stop();
}

std::string CPrivateMailSystem::MailLog() const { return ReadWhole(m_folder + "/maillog"); }

bool CPrivateMailSystem::WaitForMail(const std::string& box, int count, int timeoutMs) const {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    int found = 0;
    if (DIR* dir = opendir((Maildir(box) + "/new").c_str())) {
      while (dirent* entry = readdir(dir)) found += entry->d_name[0] != '.';
      closedir(dir);
    }
    if (found >= count) return true;
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
}

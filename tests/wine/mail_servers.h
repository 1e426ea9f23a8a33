// The loopback mail servers that "tools/mail-servers" runs for the Wine
// tests (ARDMON_MAIL_SERVERS names their folder): their ports, the test CA
// made trusted in the prefix, and what the servers received, parsed by
// Python's email package, and the webhook requests the HTTPS servers got.
#pragma once

#include <windows.h>
// After windows.h, which it needs.
#include <wincrypt.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

namespace mailtest {

using nlohmann::json;

inline std::filesystem::path WindowsPath(const std::string& unixPath) {
  return std::filesystem::path(L"Z:" + std::filesystem::path(unixPath).wstring());
}

inline std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

class MailServers {
 public:
  MailServers() {
    const char* folder = std::getenv("ARDMON_MAIL_SERVERS");
    if (!folder) return;
    folder_ = WindowsPath(folder);
    const std::string text = ReadFile(folder_ / "servers.json");
    if (!text.empty()) info_ = json::parse(text, nullptr, false);
  }

  bool ok() const { return info_.is_object() && info_.contains("ports"); }
  std::uint16_t Port(const std::string& server) const {
    return info_["ports"].value(server, std::uint16_t{0});
  }
  std::string User() const { return info_.value("user", ""); }
  std::string Password() const { return info_.value("password", ""); }

  // The test CA among the current user's trusted roots, as an
  // administrator would add a company's CA.
  bool TrustTestCa() const {
    const std::string der = ReadFile(WindowsPath(info_.value("ca_der", "")));
    if (der.empty()) return false;
    HCERTSTORE root = CertOpenSystemStoreW(0, L"ROOT");
    if (!root) return false;
    const BOOL added = CertAddEncodedCertificateToStore(
        root, X509_ASN_ENCODING, reinterpret_cast<const BYTE*>(der.data()),
        static_cast<DWORD>(der.size()), CERT_STORE_ADD_REPLACE_EXISTING, nullptr);
    CertCloseStore(root, 0);
    return added != FALSE;
  }

  // The mails a server has received so far, in order.
  std::vector<json> Mails(const std::string& server) const { return Received("mail", server); }
  // The requests an HTTPS server has received so far, in order.
  std::vector<json> Webhooks(const std::string& server) const {
    return Received("webhook", server);
  }

  // What a server has received so far, in order: the files of `kind`.
  std::vector<json> Received(const std::string& kind, const std::string& server) const {
    std::vector<std::pair<int, json>> found;
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(folder_ / kind, ignored)) {
      const std::string name = entry.path().filename().string();
      const std::string prefix = server + "-";
      if (name.rfind(prefix, 0) != 0 || entry.path().extension() != ".json") continue;
      const json mail = json::parse(ReadFile(entry.path()), nullptr, false);
      found.emplace_back(std::atoi(name.c_str() + prefix.size()), mail);
    }
    std::sort(found.begin(), found.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<json> mails;
    for (auto& mail : found) mails.push_back(std::move(mail.second));
    return mails;
  }

  // The login attempts a server saw: "<mechanism> <user> ok|refused".
  std::vector<std::string> Logins(const std::string& server) const {
    std::vector<std::string> logins;
    std::istringstream lines(ReadFile(folder_ / "logins.log"));
    for (std::string line; std::getline(lines, line);) {
      if (line.rfind(server + " ", 0) == 0) logins.push_back(line.substr(server.size() + 1));
    }
    return logins;
  }

  // The lines of a POP3 server's log that name the test user, in order:
  // "dovecot.log" of "pop3" and "pop3s", "dovecot-nostls.log" of
  // "pop3_nostls". A login's line says "TLS" when it came inside TLS.
  std::vector<std::string> PopUserLines(const std::string& log = "dovecot.log") const {
    std::vector<std::string> lines;
    std::istringstream text(PopLog(log));
    for (std::string line; std::getline(text, line);) {
      if (line.find("user=<" + User() + ">") != std::string::npos) lines.push_back(line);
    }
    return lines;
  }
  int PopLoginLines() const { return static_cast<int>(PopUserLines().size()); }
  std::string PopLog(const std::string& log) const { return ReadFile(folder_ / log); }

 private:
  std::filesystem::path folder_;
  json info_;
};

// The PC's offset from UTC now, in minutes, as the Date line should carry it.
inline int ZoneOffsetMinutes() {
  TIME_ZONE_INFORMATION zone{};
  const DWORD daylight = GetTimeZoneInformation(&zone);
  return -static_cast<int>(zone.Bias + (daylight == TIME_ZONE_ID_DAYLIGHT ? zone.DaylightBias : 0));
}

}  // namespace mailtest

// Mail servers played from a script: each connection hands out its
// prepared chunks of server bytes, one chunk per receive, and the whole
// conversation is written down in order ("C: " what the client sent, "S: "
// what it received, "TLS host" for a handshake), for tests to compare line
// by line. A chunk never comes before the client asks for one, so a script
// of replies plays as a server answering each line.
#pragma once

#include <deque>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "monitor/mail/mail_transport.h"

namespace monitor::testing {

struct ScriptedPeer {
  std::deque<std::string> chunks;
  bool tlsFails = false;
  std::vector<std::string> transcript;
};

class ScriptedMailServer : public MailTransport {
 public:
  // A server at host:port whose replies come as these chunks, with a
  // fresh transcript; the connections made so far are forgotten.
  ScriptedPeer& At(const std::string& host, std::uint16_t port, std::deque<std::string> chunks) {
    ScriptedPeer& peer = peers_[Address(host, port)];
    peer = ScriptedPeer{};
    peer.chunks = std::move(chunks);
    connects_.clear();
    return peer;
  }
  const std::vector<std::string>& Transcript(const std::string& host, std::uint16_t port) {
    return peers_[Address(host, port)].transcript;
  }
  const std::vector<std::string>& connects() const { return connects_; }

  std::unique_ptr<MailConnection> Connect(const std::string& host, std::uint16_t port,
                                          MailDeadline) override {
    connects_.push_back(Address(host, port));
    auto peer = peers_.find(Address(host, port));
    if (peer == peers_.end()) return nullptr;
    return std::make_unique<Connection>(peer->second);
  }

 private:
  class Connection : public MailConnection {
   public:
    explicit Connection(ScriptedPeer& peer) : peer_(peer) {}
    bool Send(std::string_view bytes) override {
      peer_.transcript.push_back("C: " + std::string(bytes));
      return true;
    }
    bool Receive(std::string& received, MailDeadline) override {
      if (peer_.chunks.empty()) return false;
      received += peer_.chunks.front();
      peer_.transcript.push_back("S: " + peer_.chunks.front());
      peer_.chunks.pop_front();
      return true;
    }
    bool StartTls(const std::string& serverName, MailDeadline) override {
      peer_.transcript.push_back("TLS " + serverName);
      return !peer_.tlsFails;
    }

   private:
    ScriptedPeer& peer_;
  };

  static std::string Address(const std::string& host, std::uint16_t port) {
    return host + ":" + std::to_string(port);
  }

  std::map<std::string, ScriptedPeer> peers_;
  std::vector<std::string> connects_;
};

}  // namespace monitor::testing

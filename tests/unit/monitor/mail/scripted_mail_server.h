// Mail servers played from a script: each connection hands out its
// prepared chunks of server bytes, one chunk per receive, and the whole
// conversation is written down in order ("C: " what the client sent, "S: "
// what it received, "TLS host" for a handshake), for tests to compare line
// by line. A chunk never comes before the client asks for one, so a script
// of replies plays as a server answering each line. The server keeps its
// own clock: a chunk may come, and a handshake end, some time after it is
// asked for, and when that is past the client's deadline the receive or
// handshake fails at the deadline, written down as "S: nothing within N s".
#pragma once

#include <algorithm>
#include <chrono>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "monitor/mail/mail_transport.h"

namespace monitor::testing {

struct Chunk {
  Chunk(const char* bytes) : bytes(bytes) {}
  Chunk(std::string bytes) : bytes(std::move(bytes)) {}
  Chunk(MailClock::duration after, std::string bytes) : after(after), bytes(std::move(bytes)) {}

  MailClock::duration after{};  // from the moment the client asks
  std::string bytes;
};

struct ScriptedPeer {
  std::deque<Chunk> chunks;
  bool tlsFails = false;
  MailClock::duration tlsTakes{};
  std::vector<std::string> transcript;
};

class ScriptedMailServer : public MailTransport {
 public:
  // A server at host:port whose replies come as these chunks, with a
  // fresh transcript; the connections made so far are forgotten.
  ScriptedPeer& At(const std::string& host, std::uint16_t port, std::deque<Chunk> chunks) {
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
    return std::make_unique<Connection>(peer->second, now_);
  }
  MailDeadline Now() override { return now_; }

 private:
  class Connection : public MailConnection {
   public:
    Connection(ScriptedPeer& peer, MailDeadline& now) : peer_(peer), now_(now) {}
    bool Send(std::string_view bytes) override {
      peer_.transcript.push_back("C: " + std::string(bytes));
      return true;
    }
    // No chunk left: the server has closed the connection.
    bool Receive(std::string& received, MailDeadline deadline) override {
      if (peer_.chunks.empty()) return false;
      const Chunk& chunk = peer_.chunks.front();
      if (now_ + chunk.after > deadline) {
        Waited(deadline);
        return false;
      }
      now_ += chunk.after;
      received += chunk.bytes;
      peer_.transcript.push_back("S: " + chunk.bytes);
      peer_.chunks.pop_front();
      return true;
    }
    bool StartTls(const std::string& serverName, MailDeadline deadline) override {
      peer_.transcript.push_back("TLS " + serverName);
      if (now_ + peer_.tlsTakes > deadline) {
        Waited(deadline);
        return false;
      }
      now_ += peer_.tlsTakes;
      return !peer_.tlsFails;
    }

   private:
    void Waited(MailDeadline deadline) {
      const auto waited = std::chrono::duration_cast<std::chrono::seconds>(deadline - now_);
      peer_.transcript.push_back("S: nothing within " + std::to_string(waited.count()) + " s");
      now_ = std::max(now_, deadline);
    }

    ScriptedPeer& peer_;
    MailDeadline& now_;
  };

  static std::string Address(const std::string& host, std::uint16_t port) {
    return host + ":" + std::to_string(port);
  }

  std::map<std::string, ScriptedPeer> peers_;
  std::vector<std::string> connects_;
  MailDeadline now_{};
};

}  // namespace monitor::testing

// Copies of the password are overwritten before their memory goes back,
// so that nothing read later from the heap or a crash dump holds it. The
// writes are volatile, as with SecureZeroMemory, so that no compiler drops
// them as dead stores.
#pragma once

#include <cstddef>
#include <string>
#include <utility>

namespace monitor {

// Zeroes every byte the text or vector holds and empties it.
template <typename Bytes>
void Wipe(Bytes& bytes) {
  volatile auto* at = reinterpret_cast<volatile unsigned char*>(bytes.data());
  const std::size_t length = bytes.size() * sizeof *bytes.data();
  for (std::size_t i = 0; i < length; ++i) at[i] = 0;
  bytes.clear();
}

// A text that holds a secret, wiped when it ends.
class SecretText {
 public:
  explicit SecretText(std::string text) : text_(std::move(text)) {}
  SecretText(const SecretText&) = delete;
  SecretText& operator=(const SecretText&) = delete;
  ~SecretText() { Wipe(text_); }

  const std::string& text() const { return text_; }

 private:
  std::string text_;
};

}  // namespace monitor

// Runs a job that must not end the thread that runs it (a request, a scan, a
// monitor cycle): a thread that serves many jobs goes on with the next.
#pragma once

#include <exception>
#include <functional>
#include <optional>
#include <string>

namespace ardmon {

// What `job` threw, or nothing when it returned.
inline std::optional<std::string> WhatJobThrew(const std::function<void()>& job) {
  try {
    job();
    return std::nullopt;
  } catch (const std::exception& thrown) {
    return std::string(thrown.what());
  } catch (...) {
    return std::string("not a standard exception");
  }
}

}  // namespace ardmon

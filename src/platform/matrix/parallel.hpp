// Work on the rows of large matrices, shared by two threads when it pays.
#pragma once

#include <Eigen/Core>
#include <algorithm>
#include <atomic>
#include <cstddef>
#include <exception>
#include <thread>

#include "platform/matrix/progress.hpp"

namespace varnok {

// The error of work the user cancelled.
[[noreturn]] void throwCancelled();

// Asks the kernel to back a large buffer with huge pages before it is first
// touched: page faults on fresh memory are a large part of the cost of a new
// matrix of tens of megabytes. A no-op for small buffers or where unsupported.

// Below this much data a second thread costs more to wake than it saves.
inline constexpr std::size_t kThreadBytes = std::size_t{10} << 20;

// Runs body(begin, end, block, part) over rows [0, n) cut into blocks of
// blockRows rows (block is the block's number, part the worker: 0 or 1). Two
// workers share the blocks, each taking the next one free, when the data is
// large enough and two cores exist; otherwise the calling thread does them
// all. A body that keeps per-block results and combines them in block order
// therefore gives the same answer either way. Progress is reported and
// cancellation checked on the calling thread between its blocks; a cancelled
// run throws the "Cancelled." error once both workers have stopped.
template <class Body>
void forRowBlocks(Eigen::Index n, std::size_t bytes, Eigen::Index blockRows, Progress& progress,
                  Body&& body) {
  const Eigen::Index blocks = (n + blockRows - 1) / blockRows;
  const bool two = bytes >= kThreadBytes && blocks >= 2 && std::thread::hardware_concurrency() >= 2;
  std::atomic<Eigen::Index> next{0}, rowsDone{0};
  std::atomic<bool> stop{false};
  long reported = 0;
  auto run = [&](int part) {
    while (!stop.load(std::memory_order_relaxed)) {
      const Eigen::Index k = next.fetch_add(1, std::memory_order_relaxed);
      if (k >= blocks) return;
      const Eigen::Index b = k * blockRows, e = std::min(n, b + blockRows);
      body(b, e, k, part);
      const Eigen::Index done = rowsDone.fetch_add(e - b, std::memory_order_relaxed) + (e - b);
      if (part == 0) {
        progress.advance(static_cast<long>(done) - reported);
        reported = static_cast<long>(done);
        if (progress.cancelled()) stop.store(true);
      }
    }
  };
  if (!two) {
    run(0);
  } else {
    std::exception_ptr failure;
    std::thread other([&] {
      try {
        run(1);
      } catch (...) {
        failure = std::current_exception();
        stop.store(true);
      }
    });
    try {
      run(0);
    } catch (...) {
      stop.store(true);
      other.join();
      throw;
    }
    other.join();
    if (failure) std::rethrow_exception(failure);
  }
  if (stop.load()) throwCancelled();
  if (reported < n) progress.advance(static_cast<long>(n) - reported);
}

}  // namespace varnok

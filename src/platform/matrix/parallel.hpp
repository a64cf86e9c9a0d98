// Work on the rows of large matrices, shared by two threads when it pays.
#pragma once

#include <Eigen/Core>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstddef>
#include <exception>
#include <future>
#include <memory>
#include <string_view>
#include <thread>

#include "platform/matrix/progress.hpp"

namespace varnok {

// The error of work the user cancelled.
[[noreturn]] void throwCancelled();

// Runs work, a step that may take minutes and cannot report or stop part way
// (an eigen-decomposition), while the calling thread keeps progress alive, so
// that a watched window stays drawn and its Cancel answers at once. After a
// Cancel the work finishes unseen on its own thread and its result is
// dropped: work must own, by value or shared pointer, all it touches. Without
// a watcher the work simply runs here.
template <class Work>
auto awaitStep(Progress& progress, std::string_view what, Work work) -> decltype(work()) {
  if (!progress.interactive()) return work();
  using Result = decltype(work());
  auto task = std::make_shared<std::packaged_task<Result()>>(std::move(work));
  std::future<Result> done = task->get_future();
  std::thread worker([task] { (*task)(); });
  progress.start(what, 0);
  while (done.wait_for(std::chrono::milliseconds(40)) != std::future_status::ready) {
    progress.advance(0);
    if (progress.cancelled()) {
      worker.detach();
      throwCancelled();
    }
  }
  worker.join();
  return done.get();
}

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

// Whether all n values from p are finite numbers, read on two threads when
// they are many: x * 0 is 0 for every finite x and NaN otherwise, so a sum of
// them tells without a branch per value.
inline bool allFinite(const double* p, Eigen::Index n) {
  constexpr Eigen::Index kChunk = 1 << 16;
  std::atomic<bool> finite{true};
  forRowBlocks(n, static_cast<std::size_t>(n) * sizeof(double), kChunk, noProgress(),
               [&](Eigen::Index b, Eigen::Index e, Eigen::Index, int) {
                 const double zero = (Eigen::Map<const Eigen::ArrayXd>(p + b, e - b) * 0.0).sum();
                 if (zero != 0.0) finite.store(false, std::memory_order_relaxed);
               });
  return finite.load();
}

}  // namespace varnok

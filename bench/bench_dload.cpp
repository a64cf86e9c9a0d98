// Reading a large landmark data file with dload.
//
// Writes a synthetic file of about 100 MB (N specimens of 30 landmarks, six
// significant digits, as digitising software writes them) once into the
// temporary folder, then reads it repeatedly. Reports MB/s and the peak
// resident memory the reading added beyond the matrix it returns.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <charconv>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <random>
#include <string>

#include "io/dload.hpp"
#include "platform/matrix/text.hpp"

namespace {

const std::string& bigFile() {
  static const std::string path = [] {
    auto p = std::filesystem::temp_directory_path() / "varnok_bench_100mb.txt";
    if (std::filesystem::exists(p) && std::filesystem::file_size(p) > 100'000'000)
      return p.string();
    std::FILE* f = std::fopen(p.string().c_str(), "w");
    std::mt19937_64 rng(7);
    std::normal_distribution<double> noise(0, 3);
    size_t written = 0;
    char buf[64];
    while (written < 100'000'000) {
      for (int j = 0; j < 60; ++j) {
        int n = std::snprintf(buf, sizeof buf, "%.6g ", 200 * std::sin(j * 0.7) + noise(rng));
        std::fwrite(buf, 1, static_cast<size_t>(n), f);
        written += static_cast<size_t>(n);
      }
      int n = std::snprintf(buf, sizeof buf, "%.8g\n", 230 + noise(rng));
      std::fwrite(buf, 1, static_cast<size_t>(n), f);
      written += static_cast<size_t>(n);
    }
    std::fclose(f);
    return p.string();
  }();
  return path;
}

long maxRssKb() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_maxrss;
}

void BM_dload100MB(benchmark::State& state) {
  const std::string& path = bigFile();
  const double bytes = static_cast<double>(std::filesystem::file_size(path));
  long rows = 0, cols = 0;
  for (auto _ : state) {
    varnok::Mat m = varnok::io::dload(path);
    rows = m.rows();
    cols = m.cols();
    benchmark::DoNotOptimize(m.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(bytes) * state.iterations());
  state.counters["rows"] = static_cast<double>(rows);
  state.counters["matrix_MB"] = static_cast<double>(rows * cols * 8) / 1e6;
  state.counters["peak_rss_MB"] = static_cast<double>(maxRssKb()) / 1024.0;
}
BENCHMARK(BM_dload100MB)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();

// The same file on one thread, as the reader does below its size for two.
void BM_dload100MBOneThread(benchmark::State& state) {
  const std::string& path = bigFile();
  const double bytes = static_cast<double>(std::filesystem::file_size(path));
  for (auto _ : state) {
    varnok::Mat m = std::move(
        varnok::io::readNumericText(path, "", std::nullopt, std::numeric_limits<std::size_t>::max())
            .data);
    benchmark::DoNotOptimize(m.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(bytes) * state.iterations());
}
BENCHMARK(BM_dload100MBOneThread)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();

// The yardstick: a bare std::from_chars loop over the file already in memory
// (no lines, no checks, no matrix), measured in the same run because this
// machine's speed varies by a factor of two over a day.
void BM_fromCharsBaseline(benchmark::State& state) {
  std::ifstream in(bigFile(), std::ios::binary);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  for (auto _ : state) {
    const char* p = text.data();
    const char* end = p + text.size();
    double sum = 0;
    while (p < end) {
      while (p < end && (*p == ' ' || *p == '\n')) ++p;
      if (p >= end) break;
      double v = 0;
      p = std::from_chars(p, end, v).ptr;
      sum += v;
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetBytesProcessed(static_cast<int64_t>(text.size()) * state.iterations());
}
BENCHMARK(BM_fromCharsBaseline)->Unit(benchmark::kMillisecond)->MinTime(2.0);

std::string bigFileText() {
  std::ifstream in(bigFile(), std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// The reader's parsing alone, on one core: the file already in memory, read
// line by line with every check into the matrix, as one thread of dload does.
void BM_ParseNumbers(benchmark::State& state) {
  const std::string text = bigFileText();
  for (auto _ : state) {
    varnok::Mat m = std::move(varnok::io::parseNumericText(std::string_view(text), "bench").data);
    benchmark::DoNotOptimize(m.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(text.size()) * state.iterations());
}
BENCHMARK(BM_ParseNumbers)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// The number parser alone, in the same loop as the yardstick above.
void BM_ParseDoubleLoop(benchmark::State& state) {
  const std::string text = bigFileText();
  for (auto _ : state) {
    const char* p = text.data();
    const char* end = p + text.size();
    double sum = 0;
    while (p < end) {
      while (p < end && (*p == ' ' || *p == '\n')) ++p;
      if (p >= end) break;
      double v = 0;
      p = varnok::parseDouble(p, end, v);
      sum += v;
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetBytesProcessed(static_cast<int64_t>(text.size()) * state.iterations());
}
BENCHMARK(BM_ParseDoubleLoop)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

BENCHMARK_MAIN();

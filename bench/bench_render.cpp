// Rendering speed of the pictures that get large: a score plot of many
// specimens (one marker-only line per group) and a landmark display with one
// line object per landmark, both painted into a 1000 x 700 image surface as
// the window does; and the memory the figure model takes per drawn point.
#include <benchmark/benchmark.h>
#include <cairo.h>
#include <malloc.h>

#include <cmath>
#include <memory>
#include <string>

#include "platform/graphics/graphics.hpp"
#include "platform/graphics/render.hpp"

namespace {

using varnok::graphics::Figure;

constexpr int kWidth = 1000, kHeight = 700;

// Deterministic scatter without a random generator: points on a spiral with
// a little jitter from an integer hash, so nothing depends on the library.
double jitter(int i) {
  unsigned h = static_cast<unsigned>(i) * 2654435761u;
  return static_cast<double>(h % 10007) / 10007.0 - 0.5;
}

void paint(const Figure& fig, benchmark::State& state) {
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kWidth, kHeight);
  cairo_t* cr = cairo_create(surface);
  for (auto _ : state) {
    varnok::graphics::render(fig, cr, kWidth, kHeight);
    cairo_surface_flush(surface);
    benchmark::ClobberMemory();
  }
  cairo_destroy(cr);
  cairo_surface_destroy(surface);
}

// 100,000 specimens in 8 groups, filled circles and squares as the score
// plot draws them.
void BM_ScorePlotMarkers(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  constexpr int groups = 8;
  const char* codes[groups] = {"ko", "bx", "rp", "ms", "c+", "g*", "y>", "k<"};
  auto fig = std::make_unique<Figure>();
  auto& ax = fig->axes();
  ax.hold(true);
  for (int g = 0; g < groups; ++g) {
    std::vector<double> x, y;
    for (int i = g; i < n; i += groups) {
      const double t = 0.001 * i;
      x.push_back(std::cos(t) * (1 + t * 0.01) + 0.3 * jitter(i));
      y.push_back(std::sin(t) * (1 + t * 0.01) + 0.3 * jitter(i + 1));
    }
    auto& line = ax.plot(x, y, codes[g]);
    line.set("MarkerFaceColor", line.get("Color"));
  }
  ax.axisEqual();
  paint(*fig, state);
  state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_ScorePlotMarkers)->Arg(100000)->Unit(benchmark::kMillisecond);

// 300,000 one-point lines: 10,000 specimens of 30 landmarks, each landmark
// plotted on its own with "k." and MarkerSize 3 as the landmark displays do.
void BM_OnePointLines(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  constexpr int landmarks = 30;
  auto fig = std::make_unique<Figure>();
  auto& ax = fig->axes();
  ax.hold(true);
  const varnok::ValueList props = {"MarkerSize", 3};
  for (int i = 0; i < n; ++i) {
    const int k = i % landmarks;
    const double a = 2 * 3.14159265358979 * k / landmarks;
    ax.plot(std::vector<double>{std::cos(a) + 0.05 * jitter(i)},
            std::vector<double>{std::sin(a) + 0.05 * jitter(i + 7)}, "k.", props);
  }
  ax.axisAuto();
  ax.axisEqual();
  paint(*fig, state);
  state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_OnePointLines)->Arg(300000)->Unit(benchmark::kMillisecond);

// The same landmarks drawn as hollow circles (the "ko" of the analysis
// display), where every marker is stroked.
void BM_OnePointLinesCircles(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  constexpr int landmarks = 30;
  auto fig = std::make_unique<Figure>();
  auto& ax = fig->axes();
  ax.hold(true);
  const varnok::ValueList props = {"MarkerSize", 3};
  for (int i = 0; i < n; ++i) {
    const int k = i % landmarks;
    const double a = 2 * 3.14159265358979 * k / landmarks;
    ax.plot(std::vector<double>{std::cos(a) + 0.05 * jitter(i)},
            std::vector<double>{std::sin(a) + 0.05 * jitter(i + 7)}, "ko", props);
  }
  ax.axisEqual();
  paint(*fig, state);
  state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_OnePointLinesCircles)->Arg(300000)->Unit(benchmark::kMillisecond);

// Building the model itself: 300,000 plot calls with hold on.
void BM_PlotCalls(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const varnok::ValueList props = {"MarkerSize", 3};
  for (auto _ : state) {
    auto fig = std::make_unique<Figure>();
    auto& ax = fig->axes();
    ax.hold(true);
    for (int i = 0; i < n; ++i)
      ax.plot(std::vector<double>{jitter(i)}, std::vector<double>{jitter(i + 3)}, "k.", props);
    benchmark::DoNotOptimize(ax.children().size());
  }
  state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_PlotCalls)->Arg(300000)->Unit(benchmark::kMillisecond);

// Heap bytes taken by the figure model per drawn point, all included (the
// objects, their coordinates, the children list), counted by the allocator
// before and after the model is built: 0 a point group (ShowPCAAxis and the
// superimpositions), 1 one-point lines plotted one by one, 2 the same group
// after a member was read by its handle (which turns the group into lines),
// 3 lines of 30 points (outlines of specimens), 4 groups of one point each.
std::size_t heapBytes() {
  const struct mallinfo2 m = mallinfo2();
  return m.uordblks + m.hblkhd;  // small blocks and blocks of their own pages
}

void BM_ModelBytesPerPoint(benchmark::State& state) {
  const int kind = static_cast<int>(state.range(0));
  constexpr int n = 300000;
  double bytes = 0;
  for (auto _ : state) {
    const auto before = heapBytes();
    auto fig = std::make_unique<Figure>();
    auto& ax = fig->axes();
    ax.hold(true);
    if (kind == 0 || kind == 2) {
      std::vector<double> xy(2 * n);
      for (int i = 0; i < 2 * n; ++i) xy[static_cast<std::size_t>(i)] = jitter(i);
      varnok::graphics::Line style;
      style.marker = '.';
      style.lineStyle = "none";
      const auto first = ax.plotPoints(std::move(xy), style);
      if (kind == 2) benchmark::DoNotOptimize(fig->getProperty(first + 1, "XData"));
    } else if (kind == 4) {
      // Two group codes taking turns, specimen by specimen: the score plot
      // then makes one group of points per specimen.
      varnok::graphics::Line style[2];
      style[0].marker = 'o';
      style[1].marker = 'x';
      for (int i = 0; i < n; ++i) ax.plotPoints({jitter(i), jitter(i + 3)}, style[i % 2]);
    } else if (kind == 1) {
      for (int i = 0; i < n; ++i)
        ax.plot(std::vector<double>{jitter(i)}, std::vector<double>{jitter(i + 3)}, "k.");
    } else {
      std::vector<double> x(30), y(30);
      for (int i = 0; i < n / 30; ++i) {
        for (int k = 0; k < 30; ++k) {
          x[static_cast<std::size_t>(k)] = jitter(30 * i + k);
          y[static_cast<std::size_t>(k)] = jitter(30 * i + k + 1);
        }
        ax.plot(x, y, "k-");
      }
    }
    bytes = static_cast<double>(heapBytes() - before);
    benchmark::DoNotOptimize(ax.childCount());
  }
  const char* labels[] = {"point group", "one-point lines", "group turned into lines",
                          "lines of 30 points", "groups of one point, styles taking turns"};
  state.SetLabel(labels[kind]);
  state.counters["bytes_per_point"] = bytes / n;
}
BENCHMARK(BM_ModelBytesPerPoint)->DenseRange(0, 4)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();

// The whole analysis on large data sets, and drawing its pictures.
//
// Analysis: reading the landmark file plus the numerics of NoGroupList
// (consensus, fit, shape variables, covariance, eigen-decomposition, scores).
// The synthetic files (a base form plus noise, each specimen turned, scaled
// and shifted; fixed seed) are written once into the temporary folder.
//
// Pictures: ShowPCAAxis of 100,000 specimens in two groups plus one render
// into a 1000 x 700 image, and the superimposed landmarks of 10,000 x 30
// (300,000 markers) drawn and rendered.
#include <benchmark/benchmark.h>
#include <cairo.h>
#include <sys/resource.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <random>

#include "analysis/pca.hpp"
#include "display/score_plot.hpp"
#include "display/showshape.hpp"
#include "io/dload.hpp"
#include "morpho/getconsensus.hpp"
#include "morpho/getpsup.hpp"
#include "morpho/getpw_arbit.hpp"
#include "platform/graphics/render.hpp"
#include "platform/window/in_memory_window.hpp"
#include "shell/shell.hpp"
#include "synthetic.hpp"

namespace {

using varnok::Mat;

std::string syntheticFile(long n, int L) {
  return varnok::bench::syntheticFile("varnok_bench_", n, L, 11);
}

long peakRssMB() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_maxrss / 1024;
}

void BM_ReadAndAnalyse(benchmark::State& state) {
  const long n = state.range(0);
  const int L = static_cast<int>(state.range(1));
  const std::string path = syntheticFile(n, L);
  for (auto _ : state) {
    Mat data = varnok::io::dload(path);
    Mat ref = varnok::morpho::getconsensus(data).y;
    ref = ref.unaryExpr([](double v) { return std::round(10000 * v) / 10000; });
    data = varnok::morpho::getpsup(std::move(data), ref);
    Mat pw = varnok::morpho::getpw_arbit(ref, data);
    auto p = varnok::analysis::pca(pw, data.cols() - 5);
    benchmark::DoNotOptimize(p.PCAScores.data());
  }
  state.counters["peak_rss_MB"] = static_cast<double>(peakRssMB());
}
BENCHMARK(BM_ReadAndAnalyse)
    ->Args({100000, 30})
    ->Args({1000000, 12})
    ->Args({10000, 100})
    ->Args({1000, 50})
    ->Unit(benchmark::kMillisecond)
    ->MinTime(1.0);

void render(varnok::graphics::Figure& fig) {
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1000, 700);
  cairo_t* cr = cairo_create(s);
  fig.axes().setBoxSize(880, 600);
  varnok::graphics::render(fig, cr, 1000, 700);
  cairo_destroy(cr);
  cairo_surface_destroy(s);
}

// A window with the score plot's boxes and a state holding N random scores
// on 20 axes in two groups, ready for ShowPCAAxis.
struct ScorePlotSession {
  varnok::window::InMemoryWindow w;
  varnok::Console console;
  varnok::shell::Shell shell{console, [this]() -> varnok::window::Window& { return w; }};

  explicit ScorePlotSession(long n) {
    for (const char* tag :
         {"XBox", "YBox", "PCALabel", "CentroidButton", "AxisOnePos", "AxisTwoPos"})
      w.add(tag);
    w.control("XBox").set("String", "1");
    w.control("YBox").set("String", "2");
    w.control("AxisOnePos").set("Value", 1.0);
    w.control("AxisTwoPos").set("Value", 1.0);
    w.control("CentroidButton").set("Value", 1.0);
    auto& s = shell.state();
    std::mt19937_64 rng(3);
    std::normal_distribution<double> g(0, 1);
    s.PCAScores = Mat::NullaryExpr(n, 20, [&]() { return g(rng); });
    s.GLIST = Mat::NullaryExpr(n, 1, [&]() { return 1.0 + (g(rng) > 0); });
    s.NumPCA = 21;
    s.altcode = 0;
    s.ColorList = varnok::session::defaultColorList();
  }

  void showScorePlot() {
    varnok::session::ActionContext ctx{shell.session(),      shell.state(), w, console,
                                       varnok::noProgress(), std::nullopt,  {}};
    varnok::display::ShowPCAAxis(ctx);
  }
};

void BM_ScorePlot(benchmark::State& state) {
  ScorePlotSession session(state.range(0));
  for (auto _ : state) {
    session.showScorePlot();
    render(session.w.figure());
  }
}
BENCHMARK(BM_ScorePlot)->Arg(1000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

// Redrawing a score plot already made, as the window does when it is
// uncovered or resized: the render alone, into 1000 x 700 pixels.
void BM_ScorePlotRedraw(benchmark::State& state) {
  const long n = state.range(0);
  ScorePlotSession session(n);
  session.showScorePlot();
  for (auto _ : state) render(session.w.figure());
  state.counters["points"] = static_cast<double>(n);
}
BENCHMARK(BM_ScorePlotRedraw)->Arg(1000000)->Unit(benchmark::kMillisecond);

void BM_Superimposed(benchmark::State& state) {
  const long n = state.range(0);
  Mat data = varnok::io::dload(syntheticFile(n, 30));
  Mat ref = varnok::morpho::getconsensus(data).y;
  data = varnok::morpho::getpsup(data, ref);
  varnok::window::InMemoryWindow w;
  for (auto _ : state) {
    w.figure().axes().cla();
    varnok::display::showshape_rot(w, nullptr, data, "ko", 0.0);
    render(w.figure());
  }
  state.counters["markers"] = static_cast<double>(n * 30);
}
BENCHMARK(BM_Superimposed)->Arg(10000)->Unit(benchmark::kMillisecond);

// Redrawing the superimposed landmarks of N x L specimens already drawn: the
// render alone, as the window repaints. Most markers fall on cells already
// stamped. The picture reads the fitted rows themselves, as the analysis
// draws them.
void BM_SuperimposedRedraw(benchmark::State& state) {
  const long n = state.range(0), l = state.range(1);
  Mat data = varnok::io::dload(syntheticFile(n, l));
  Mat ref = varnok::morpho::getconsensus(data).y;
  varnok::window::InMemoryWindow w;
  {
    const varnok::SharedMat fitted = varnok::morpho::getpsup(std::move(data), ref);
    varnok::display::plotTurned(w, nullptr, fitted, 0, n, "ko", 0.0);
  }
  for (auto _ : state) render(w.figure());
  state.counters["markers"] = static_cast<double>(n * l);
}
BENCHMARK(BM_SuperimposedRedraw)->Args({1000000, 12})->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

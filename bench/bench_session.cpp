// Whole sessions in one process, from the landmark file to the drawn picture,
// against a tight baseline of the numerics alone.
//
// BM_Session: LoadData + NoGroupList + ShowPCAAxis through the dispatcher on
// an in-memory window, then the figure rendered into a 1000 x 800 image.
// BM_Baseline: the same file read with dload and the numerics of NoGroupList
// (consensus, rounded reference, fit in place, shape variables, PCA) on one
// core (the process is pinned to one CPU while it runs), nothing drawn.
//
// Peak memory is the process's high-water mark (VmHWM), so run one case per
// process to read it, e.g.
//   bench_session --benchmark_filter='BM_Session/100000/30/'
// The synthetic files (one base form plus noise, each specimen turned, scaled
// and shifted; fixed seed) are written once into the temporary folder.
#include <benchmark/benchmark.h>
#include <cairo.h>
#include <sched.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "analysis/pca.hpp"
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
  return varnok::bench::syntheticFile("varnok_session_", n, L, 17);
}

// The process's peak resident memory in MB.
double peakMB() {
  std::ifstream in("/proc/self/status");
  std::string line;
  while (std::getline(in, line))
    if (line.rfind("VmHWM:", 0) == 0) return std::stod(line.substr(6)) / 1024.0;
  return 0;
}

void BM_Baseline(benchmark::State& state) {
  const long n = state.range(0);
  const int L = static_cast<int>(state.range(1));
  const std::string path = syntheticFile(n, L);
  cpu_set_t all, one;
  sched_getaffinity(0, sizeof all, &all);
  CPU_ZERO(&one);
  for (int c = 0; c < CPU_SETSIZE; ++c)
    if (CPU_ISSET(c, &all)) {
      CPU_SET(c, &one);
      break;
    }
  sched_setaffinity(0, sizeof one, &one);
  for (auto _ : state) {
    Mat data = varnok::io::dload(path);
    Mat ref = varnok::morpho::getconsensus(data).y;
    ref = ref.unaryExpr([](double v) { return std::round(10000 * v) / 10000; });
    data = varnok::morpho::getpsup(std::move(data), ref);
    Mat pw = varnok::morpho::getpw_arbit(ref, data);
    auto p = varnok::analysis::pca(pw, data.cols() - 5);
    benchmark::DoNotOptimize(p.PCAScores.data());
  }
  sched_setaffinity(0, sizeof all, &all);
  state.counters["peak_MB"] = peakMB();
}

// An in-memory window with the controls the analysis reads, and a shell on it.
struct Desk {
  varnok::window::InMemoryWindow w;
  varnok::Console console;
  varnok::shell::Shell shell{console, [this]() -> varnok::window::Window& { return w; }};
  std::filesystem::path path;

  explicit Desk(std::filesystem::path file) : path(std::move(file)) {
    for (const char* tag :
         {"FileBox", "GroupBox", "LoadGroup", "NoLoadGroup", "LoadReference", "XBox", "YBox",
          "XBoxExp", "YBoxExp", "RestrictBox", "PCALimit", "ShowBox", "VarianceBox", "PCALabel",
          "CentroidButton", "AxisOnePos", "AxisTwoPos", "BWButton"})
      w.add(tag);
    w.add("RefAngleBox").set("String", "0");
    w.control("AxisOnePos").set("Value", 1.0);
    w.control("AxisTwoPos").set("Value", 1.0);
    w.control("XBox").set("String", "1");
    w.control("YBox").set("String", "2");
    shell.session().folder = path.parent_path().string() + "/";
  }
  void act(const char* action) {
    if (std::string(action) == "LoadData")
      w.answers.files.push_back(
          varnok::window::FileChoice{path.filename().string(), shell.session().folder});
    shell.runCallback(std::string("Varnoksw('") + action + "')");
  }
  void render() {
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1000, 800);
    cairo_t* cr = cairo_create(s);
    w.figure().axes().setBoxSize(880, 680);
    varnok::graphics::render(w.figure(), cr, 1000, 800);
    cairo_destroy(cr);
    cairo_surface_destroy(s);
  }
};

void BM_Session(benchmark::State& state) {
  const long n = state.range(0);
  const int L = static_cast<int>(state.range(1));
  const std::filesystem::path path = syntheticFile(n, L);
  for (auto _ : state) {
    Desk d(path);
    d.act("LoadData");
    d.act("NoGroupList");
    d.act("ShowPCAAxis");
    if (d.shell.state().PCAScores.rows() != n) state.SkipWithError("the session did not finish");
    d.render();
  }
  state.counters["peak_MB"] = peakMB();
}

// One action at a time on typical data (1,000 x 50), each followed by the
// render a window would do: 0 LoadData, 1 NoGroupList, 2 ShowPCAAxis.
void BM_TypicalAction(benchmark::State& state) {
  const char* actions[] = {"LoadData", "NoGroupList", "ShowPCAAxis"};
  const auto which = static_cast<std::size_t>(state.range(0));
  Desk d(syntheticFile(1000, 50));
  for (std::size_t k = 0; k <= which; ++k) d.act(actions[k]);
  for (auto _ : state) {
    d.act(actions[which]);
    d.render();
  }
  state.SetLabel(actions[which]);
}
BENCHMARK(BM_TypicalAction)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

BENCHMARK(BM_Baseline)
    ->Args({100000, 30})
    ->Args({1000000, 12})
    ->Args({1000, 50})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2);
BENCHMARK(BM_Session)
    ->Args({100000, 30})
    ->Args({1000000, 12})
    ->Args({1000, 50})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2);

}  // namespace

BENCHMARK_MAIN();

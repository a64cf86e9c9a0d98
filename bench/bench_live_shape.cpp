// Speed of one live-shape update: the pointer has moved over the score plot
// and the inset shows the form there. One update is what the window does per
// pointer move: the marker vector, the target rebuilt from it, the spline
// fitted, the grid mapped and drawn into the inset's figure, and that figure
// painted into an image of the inset's size.
//
// BM_LiveShapeUpdate/TYPE: the update for picture type TYPE (1 deformed grid,
// 4 grid and vectors, 8 filled contours), the pointer stepping along axis 1.
// BM_MarkerPicture/TYPE: the baseline, ShowMarker1PCA through the dispatcher
// with marker 1 at the same points, drawn into the plot at the inset's size
// and painted the same way.
//
// A synthetic analysis (N = 200 specimens of L = 50 landmarks: one base form
// plus noise, each specimen turned, scaled and shifted; fixed seed), run as
// the window runs it: LoadData, NoGroupList, ShowPCAAxis on an in-memory
// window; grid density 30.
#include <benchmark/benchmark.h>
#include <cairo.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <random>
#include <stdexcept>
#include <string>

#include "platform/graphics/render.hpp"
#include "platform/window/in_memory_window.hpp"
#include "shell/shell.hpp"
#include "synthetic.hpp"

namespace {

constexpr int kSpecimens = 200, kLandmarks = 50;
// A third of a plot area 1000 pixels wide.
constexpr int kInsetWidth = 330, kInsetHeight = 264;

std::string syntheticFile(long n, int L) {
  return varnok::bench::syntheticFile("varnok_live_", n, L, 23);
}

// The analysis on an in-memory window with the controls of the score plot
// and of the marker pictures, the score plot of axes 1 and 2 shown.
struct Desk {
  varnok::window::InMemoryWindow w;
  varnok::Console console;
  varnok::shell::Shell shell{console, [this]() -> varnok::window::Window& { return w; }};

  explicit Desk(double pictureType) {
    const std::filesystem::path path = syntheticFile(kSpecimens, kLandmarks);
    for (const char* tag :
         {"FileBox", "GroupBox", "LoadGroup", "NoLoadGroup", "LoadReference", "XBoxExp", "YBoxExp",
          "RestrictBox", "PCALimit", "ShowBox", "VarianceBox", "PCALabel", "CentroidButton",
          "BWButton", "LMNumberBox", "NumberButton", "GridTrimButton", "RotateRequest"})
      w.add(tag);
    for (auto [tag, text] : {std::pair{"XBox", "1"},
                             {"YBox", "2"},
                             {"BaseBox1", "1"},
                             {"BaseBox2", "26"},
                             {"MarkerScaleBox", "1"},
                             {"RangeBox", "1.2"},
                             {"RefAngleBox", "0"}})
      w.add(tag).set("String", text);
    for (auto [tag, value] : {std::pair{"AxisOnePos", 1.0},
                              {"AxisTwoPos", 1.0},
                              {"MarkerSuperList", 3.0},
                              {"DeFormat", pictureType}})
      w.add(tag).set("Value", value);
    shell.session().folder = path.parent_path().string() + "/";
    w.answers.files.push_back(
        varnok::window::FileChoice{path.filename().string(), shell.session().folder});
    for (const char* a : {"LoadData", "NoGroupList", "ShowPCAAxis"})
      if (!shell.runCallback(std::string("Varnoksw('") + a + "')"))
        throw std::runtime_error(std::string("the synthetic analysis failed at ") + a);
    shell.state().vplotdensity = 30;
    w.figure().axes().setBoxSize(880, 620);
  }
  // Points along axis 1 from one end of the plot to the other, at 40 % of
  // the height.
  std::array<double, 2> point(int i) {
    const auto lim = w.figure().axes().limits();
    const double f = 0.05 + 0.9 * static_cast<double>(i % 64) / 63;
    return {lim[0] + f * (lim[1] - lim[0]), lim[2] + 0.4 * (lim[3] - lim[2])};
  }
};

struct Canvas {
  cairo_surface_t* surface =
      cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kInsetWidth, kInsetHeight);
  cairo_t* cr = cairo_create(surface);
  ~Canvas() {
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
  }
  void paint(const varnok::graphics::Figure& fig) {
    varnok::graphics::render(fig, cr, kInsetWidth, kInsetHeight);
    cairo_surface_flush(surface);
  }
};

void BM_LiveShapeUpdate(benchmark::State& state) {
  Desk desk(static_cast<double>(state.range(0)));
  varnok::graphics::Figure inset;
  inset.position = {0, 0, kInsetWidth, kInsetHeight};
  Canvas canvas;
  int i = 0;
  for (auto _ : state) {
    const auto [x, y] = desk.point(i++);
    const std::string why = desk.shell.liveShape(inset, x, y);
    if (!why.empty()) {
      state.SkipWithError(why.c_str());
      break;
    }
    canvas.paint(inset);
    benchmark::ClobberMemory();
  }
  state.counters["objects"] = static_cast<double>(inset.axes().childCount());
}
BENCHMARK(BM_LiveShapeUpdate)->Arg(1)->Arg(4)->Arg(8)->Unit(benchmark::kMillisecond);

void BM_MarkerPicture(benchmark::State& state) {
  Desk desk(static_cast<double>(state.range(0)));
  const auto lim = desk.w.figure().axes().limits();
  // The plot at the inset's size, with its axes placed as the inset's.
  auto& fig = desk.w.figure();
  fig.position = {0, 0, kInsetWidth, kInsetHeight};
  fig.axes().position = {0.16, 0.12, 0.8, 0.76};
  Canvas canvas;
  int i = 0;
  for (auto _ : state) {
    const double f = 0.05 + 0.9 * static_cast<double>(i++ % 64) / 63;
    desk.shell.state().marker1x = lim[0] + f * (lim[1] - lim[0]);
    desk.shell.state().marker1y = lim[2] + 0.4 * (lim[3] - lim[2]);
    if (!desk.shell.runCallback("Varnoksw('ShowMarker1PCA')")) {
      state.SkipWithError("ShowMarker1PCA failed");
      break;
    }
    canvas.paint(fig);
    benchmark::ClobberMemory();
  }
  state.counters["objects"] = static_cast<double>(fig.axes().childCount());
}
BENCHMARK(BM_MarkerPicture)->Arg(1)->Arg(4)->Arg(8)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

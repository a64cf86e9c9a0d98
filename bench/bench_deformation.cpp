// Speed of one deformation picture: showpw5 from a row of shape variables to
// the drawn figure model (target rebuilt, spline fitted, grid of density 50
// mapped and drawn as a deformed grid), and that picture painted into a
// 1000 x 800 image surface.
#include <benchmark/benchmark.h>
#include <cairo.h>

#include <cmath>
#include <random>

#include "display/showpw5.hpp"
#include "morpho/vertxy.hpp"
#include "platform/graphics/render.hpp"
#include "platform/window/in_memory_window.hpp"

namespace {

using varnok::Mat;
using varnok::RowVec;

// A centred form of L landmarks on a wobbly ellipse, unit centroid size.
Mat reference(int L) {
  std::mt19937 rng(11);
  std::uniform_real_distribution<double> u(-0.05, 0.05);
  Mat xy(2, L);
  for (int k = 0; k < L; ++k) {
    const double t = 2 * M_PI * k / L;
    xy(0, k) = 1.5 * std::cos(t) + u(rng);
    xy(1, k) = std::sin(t) + u(rng);
  }
  xy.colwise() -= xy.rowwise().mean();
  xy /= std::sqrt(xy.squaredNorm());
  return varnok::morpho::xyfromvert(xy.transpose(), 1.0);
}

RowVec scores(int L) {
  RowVec pw(2 * L - 3);
  for (int i = 0; i < pw.size(); ++i) pw(i) = 0.01 * std::sin(0.7 * (i + 1));
  pw(pw.size() - 1) = 1;
  return pw;
}

void BM_Showpw5Grid(benchmark::State& state) {
  const int L = static_cast<int>(state.range(0));
  varnok::window::InMemoryWindow w;
  w.add("RefAngleBox").set("String", "0");
  const Mat ref = reference(L);
  const RowVec pw = scores(L);
  for (auto _ : state) {
    auto r = varnok::display::showpw5(w, nullptr, ref, pw, 50, 1, 2, 1, 2);
    benchmark::DoNotOptimize(r.bigrefdef.data());
  }
}
BENCHMARK(BM_Showpw5Grid)->Arg(30)->Arg(100)->Unit(benchmark::kMillisecond);

void BM_RenderDeformedGrid(benchmark::State& state) {
  const int L = static_cast<int>(state.range(0));
  varnok::window::InMemoryWindow w;
  w.add("RefAngleBox").set("String", "0");
  varnok::display::showpw5(w, nullptr, reference(L), scores(L), 50, 1, 2, 1, 2);
  constexpr int kWidth = 1000, kHeight = 800;
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kWidth, kHeight);
  cairo_t* cr = cairo_create(surface);
  for (auto _ : state) {
    varnok::graphics::render(w.figure(), cr, kWidth, kHeight);
    cairo_surface_flush(surface);
    benchmark::ClobberMemory();
  }
  cairo_destroy(cr);
  cairo_surface_destroy(surface);
}
BENCHMARK(BM_RenderDeformedGrid)->Arg(30)->Arg(100)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

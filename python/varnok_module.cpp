// varnok._core: the program's reading, superimposition, shape variables, PCA
// and statistics for Python, on NumPy arrays. The package around it
// (varnok/__init__.py) shapes the arguments and results; every number comes
// from the routines the program itself runs, called in the order its
// analysis calls them.
//
// Landmark data cross this boundary as (N, L, 2) coordinates and N centroid
// sizes (float64, C order), turned into the program's rows x1 y1 ... xL yL CS
// and back in one pass each. Long work runs with the GIL
// released; a Ctrl-C reaches the core as a cancel through its Progress, and
// comes back as KeyboardInterrupt. The core's errors become ValueError with
// its message, files that cannot be opened OSError.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstring>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "analysis/canonical_variates.hpp"
#include "analysis/pca.hpp"
#include "analysis/pipeline.hpp"
#include "analysis/shape_statistics.hpp"
#include "analysis/sliding_rounds.hpp"
#include "display/showpw5.hpp"
#include "io/curves.hpp"
#include "io/input_file.hpp"
#include "io/landmark_file.hpp"
#include "morpho/basereg.hpp"
#include "morpho/centroid.hpp"
#include "morpho/getconsensus.hpp"
#include "morpho/getpsup.hpp"
#include "morpho/getpw_arbit.hpp"
#include "morpho/meth3sup.hpp"
#include "morpho/rftra.hpp"
#include "morpho/sliding.hpp"
#include "platform/matrix/memory.hpp"
#include "platform/matrix/parallel.hpp"
#include "platform/matrix/progress.hpp"
#include "platform/matrix/runtime_error.hpp"

namespace py = pybind11;
using namespace varnok;

namespace {

using Array = py::array_t<double, py::array::c_style | py::array::forcecast>;

// The core's messages begin with the runtime's prefix, which a Python
// traceback says in its own way.
std::string userMessage(const std::exception& e) {
  std::string m = e.what();
  constexpr const char* kPrefix = "Run-time Error: ";
  if (m.rfind(kPrefix, 0) == 0) m.erase(0, std::strlen(kPrefix));
  return m;
}

// A Progress whose cancel is a Ctrl-C: the thread that released the GIL
// takes it back briefly, at most every 50 ms, to let Python look at its
// signals. The pending KeyboardInterrupt is kept aside and raised again once
// the core has stopped.
class InterruptProgress : public Progress {
 public:
  bool cancelled() const override {
    if (interrupted_) return true;
    if (std::this_thread::get_id() != owner_) return false;
    const auto now = std::chrono::steady_clock::now();
    if (now - last_ < std::chrono::milliseconds(50)) return false;
    last_ = now;
    py::gil_scoped_acquire gil;
    if (PyErr_CheckSignals() != 0) {
      PyErr_Clear();
      interrupted_ = true;
    }
    return interrupted_;
  }
  bool interrupted() const { return interrupted_; }

 private:
  std::thread::id owner_ = std::this_thread::get_id();
  mutable std::chrono::steady_clock::time_point last_ = std::chrono::steady_clock::now();
  // Read by every worker, set by the owner only.
  mutable std::atomic<bool> interrupted_{false};
};

// Runs work(progress) without the GIL; the core's errors become Python's.
template <class Work>
auto withoutGil(Work&& work) {
  InterruptProgress progress;
  try {
    py::gil_scoped_release release;
    return work(static_cast<Progress&>(progress));
  } catch (const RuntimeError& e) {
    if (progress.interrupted()) {
      PyErr_SetNone(PyExc_KeyboardInterrupt);
      throw py::error_already_set();
    }
    throw py::value_error(userMessage(e));
  }
}

// A NumPy array that owns the matrix, without copying it.
py::array_t<double> toNumpy(Mat&& m) {
  auto* owned = new Mat(std::move(m));
  py::capsule free(owned, [](void* p) { delete static_cast<Mat*>(p); });
  return py::array_t<double>({owned->rows(), owned->cols()}, owned->data(), free);
}

// Moves the first keep columns of every row of m down over the columns left
// out, in m's own storage: the rows' leading columns then lie one after
// another as a C-ordered array. A fresh buffer of this size would cost a
// copy and the first touch of every page.
void keepLeadingColumns(Mat& m, Eigen::Index keep) {
  const Eigen::Index n = m.rows(), cols = m.cols();
  double* d = m.data();
  if (keep < cols)
    for (Eigen::Index i = 1; i < n; ++i)
      std::memmove(d + i * keep, d + i * cols, sizeof(double) * static_cast<std::size_t>(keep));
}

// A NumPy array of the given shape over the start of m's storage, which the
// array then owns.
py::array_t<double> ownedArray(Mat&& m, std::vector<py::ssize_t> shape) {
  auto* owned = new Mat(std::move(m));
  py::capsule free(owned, [](void* p) { delete static_cast<Mat*>(p); });
  return py::array_t<double>(std::move(shape), owned->data(), free);
}

py::array_t<double> toNumpy(const RowVec& v) {
  py::array_t<double> out(v.size());
  std::copy(v.data(), v.data() + v.size(), out.mutable_data());
  return out;
}

py::array_t<double> toNumpy(const ColVec& v) {
  py::array_t<double> out(v.size());
  std::copy(v.data(), v.data() + v.size(), out.mutable_data());
  return out;
}

// A 2-D array as a matrix (one copy; the core's routines take Mat).
Mat toMat(const Array& a, const char* what) {
  if (a.ndim() != 2)
    throw py::value_error(std::string(what) + " must be a 2-D array, not " +
                          std::to_string(a.ndim()) + "-D.");
  Mat m(a.shape(0), a.shape(1));
  if (m.size() > 0) std::memcpy(m.data(), a.data(), sizeof(double) * static_cast<size_t>(m.size()));
  return m;
}

RowVec toRow(const Array& a, const char* what) {
  if (a.ndim() != 1)
    throw py::value_error(std::string(what) + " must be a 1-D array, not " +
                          std::to_string(a.ndim()) + "-D.");
  RowVec r(a.shape(0));
  if (r.size() > 0) std::memcpy(r.data(), a.data(), sizeof(double) * static_cast<size_t>(r.size()));
  return r;
}

// Where the caller's (N, L, 2) coordinates and N centroid sizes lie, checked
// while the GIL is held, so that rowsOf can read them without it.
struct CoordsIn {
  const double* coords = nullptr;
  const double* sizes = nullptr;  // null: computed as the readers compute them
  Eigen::Index N = 0, L = 0;
};

CoordsIn coordsIn(const Array& coords, const std::optional<Array>& sizes) {
  if (coords.ndim() != 3 || coords.shape(2) != 2)
    throw py::value_error("The landmark data must be an (N, L, 2) array.");
  CoordsIn in{coords.data(), nullptr, coords.shape(0), coords.shape(1)};
  if (sizes) {
    if (sizes->ndim() != 1 || sizes->shape(0) != in.N)
      throw py::value_error("There must be one centroid size per specimen.");
    in.sizes = sizes->data();
  }
  return in;
}

// The program's rows, checked as the analysis checks its data (a
// RuntimeError with its message). Runs without the GIL. The rows and the
// centroid sizes of their coordinates are made together, a block at a time
// on two threads for large data, each row's size while it is in cache.
Mat rowsOf(const CoordsIn& in) {
  const Eigen::Index N = in.N, L = in.L;
  Mat m(N, 2 * L + 1);
  adviseLargeBlock(m.data(), static_cast<std::size_t>(m.size()) * sizeof(double));
  ColVec cs(N);
  forRowBlocks(N, static_cast<std::size_t>(m.size()) * sizeof(double), 4096, noProgress(),
               [&](Eigen::Index b, Eigen::Index e, Eigen::Index, int) {
                 for (Eigen::Index i = b; i < e; ++i)
                   std::copy(in.coords + i * 2 * L, in.coords + (i + 1) * 2 * L, m.row(i).data());
                 cs.segment(b, e - b) = morpho::centsize(m.middleRows(b, e - b));
                 for (Eigen::Index i = b; i < e; ++i) m(i, 2 * L) = in.sizes ? in.sizes[i] : cs(i);
               });
  if (auto problem = analysis::dataProblem(m, cs)) throw RuntimeError(*problem);
  return m;
}

// Fitted rows made ready for NumPy without the GIL: the sizes taken out and
// the coordinates moved together in the rows' own storage.
struct CoordsOut {
  Mat rows;
  RowVec sizes;
};

CoordsOut coordsOut(Mat&& rows) {
  const Eigen::Index L = (rows.cols() - 1) / 2;
  CoordsOut out;
  out.sizes = rows.col(2 * L).transpose();
  keepLeadingColumns(rows, 2 * L);
  out.rows = std::move(rows);
  return out;
}

// The coordinates as (N, L, 2) and the sizes as (N,) in out.
void putCoords(py::dict& out, CoordsOut&& c) {
  const Eigen::Index N = c.rows.rows(), L = (c.rows.cols() - 1) / 2;
  out["centroid_size"] = toNumpy(c.sizes);
  out["coords"] = ownedArray(std::move(c.rows), {N, L, 2});
}

std::vector<morpho::Slider> toSliders(const std::vector<std::array<long long, 3>>& rows) {
  std::vector<morpho::Slider> out;
  out.reserve(rows.size());
  for (const auto& r : rows) out.push_back({r[0], r[1], r[2]});
  return out;
}

std::vector<std::array<long long, 3>> fromSliders(const std::vector<morpho::Slider>& sliders) {
  std::vector<std::array<long long, 3>> out;
  out.reserve(sliders.size());
  for (const auto& s : sliders) out.push_back({s.before, s.point, s.after});
  return out;
}

// The analysis rounds its reference to four decimals before fitting onto it.
RowVec roundTo4(const RowVec& r) {
  return r.unaryExpr([](double v) { return std::round(10000 * v) / 10000; });
}

py::dict readLandmarks(const std::string& path, bool curves, bool slideEnds) {
  io::LandmarkFile f;
  try {
    py::gil_scoped_release release;
    io::TpsOptions options;
    options.readCurves = curves;
    f = io::readLandmarkFile(path, "", options);
  } catch (const io::FileAccessError& e) {
    PyErr_SetString(PyExc_OSError, e.what());
    throw py::error_already_set();
  } catch (const RuntimeError& e) {
    throw py::value_error(userMessage(e));
  }
  if (f.data.cols() % 2 == 0 && f.data.rows() > 0)
    throw py::value_error(*analysis::dataProblem(f.data));
  py::dict out;
  out["format"] = f.format == io::LandmarkFormat::Tps   ? "tps"
                  : f.format == io::LandmarkFormat::Nts ? "nts"
                                                        : "plain";
  out["ids"] = f.ids;
  out["notes"] = f.notes;
  out["sliders"] =
      fromSliders(f.curves.empty() ? std::vector<morpho::Slider>{}
                                   : io::curveSliders(f.curves, f.landmarks, slideEnds));
  out["landmarks"] = f.curves.empty() ? (f.data.cols() - 1) / 2 : f.landmarks;
  putCoords(out, coordsOut(std::move(f.data)));
  return out;
}

std::vector<std::array<long long, 3>> readSliders(const std::string& path, long long points) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    PyErr_SetString(PyExc_OSError, ("Cannot open the sliders file " + path + ".").c_str());
    throw py::error_already_set();
  }
  try {
    return fromSliders(io::readSliders(in, path, points));
  } catch (const RuntimeError& e) {
    throw py::value_error(userMessage(e));
  }
}

// The Procrustes superimposition the analysis makes: onto the consensus (or
// onto the given reference, centred and scaled to unit size), the reference
// rounded to four decimals, then the rounds of sliding when points slide.
py::dict procrustes(const Array& coords, std::optional<Array> sizes,
                    std::optional<Array> referenceIn,
                    const std::vector<std::array<long long, 3>>& slidersIn, bool byProcrustes,
                    int rounds) {
  const CoordsIn in = coordsIn(coords, sizes);
  const Eigen::Index L = in.L;
  std::optional<RowVec> given;
  if (referenceIn) {
    RowVec ref = toRow(*referenceIn, "the reference");
    if (ref.cols() != 2 * L + 1)
      throw py::value_error("The reference has " + std::to_string((ref.cols() - 1) / 2) +
                            " landmarks and the data " + std::to_string(L) +
                            "; give a reference of the same landmarks.");
    if (!ref.allFinite())
      throw py::value_error("The reference form holds values that are not finite numbers.");
    const Mat centred = morpho::centerref(ref);
    given = RowVec(centred.row(0) / morpho::centsize(centred)(0));
  }
  const std::vector<morpho::Slider> sliders = toSliders(slidersIn);
  if (!sliders.empty())
    if (auto problem = morpho::slidersProblem(sliders, L)) throw py::value_error(*problem);
  if (rounds < 1 || rounds > analysis::kMostSlidingRounds)
    throw py::value_error("The rounds of sliding must be a whole number from 1 to " +
                          std::to_string(analysis::kMostSlidingRounds) + ".");
  struct Out {
    CoordsOut fitted;
    RowVec reference;
    std::vector<double> ss;
  };
  Out r = withoutGil([&](Progress& progress) {
    Out o;
    Mat data = rowsOf(in);
    const RowVec ref = given ? *given : morpho::getconsensus(data, {}, progress).y;
    o.reference = roundTo4(ref);
    if (auto problem = analysis::referenceProblem(o.reference)) throw RuntimeError(*problem);
    Mat fitted = morpho::getpsup(std::move(data), o.reference, progress);
    if (!sliders.empty()) {
      analysis::SlidingRequest request;
      request.sliders = sliders;
      request.criterion = byProcrustes ? morpho::SlideCriterion::ProcrustesDistance
                                       : morpho::SlideCriterion::BendingEnergy;
      request.maxRounds = rounds;
      analysis::RenewReference renew;
      if (!given)
        renew = [&progress](const Mat& slid) {
          return roundTo4(morpho::getconsensus(slid, {}, progress).y);
        };
      analysis::SlidingOutcome s =
          analysis::slideRounds(fitted, o.reference, request, renew, nullptr, progress);
      fitted = std::move(s.data);
      o.reference = std::move(s.reference);
      o.ss = std::move(s.ss);
    }
    o.fitted = coordsOut(std::move(fitted));
    return o;
  });
  py::dict out;
  putCoords(out, std::move(r.fitted));
  out["reference"] = toNumpy(r.reference);
  out["sliding_ss"] = r.ss;
  return out;
}

// Baseline registration (the first landmark at (0, 0), the second at
// (1, 0)), optionally followed by the sliding baseline's centring and
// scaling: the registrations of the superimposition pictures.
py::dict baseline(const Array& coords, std::optional<Array> sizes, double b1, double b2,
                  bool sliding) {
  const CoordsIn in = coordsIn(coords, sizes);
  const Eigen::Index L = in.L;
  for (double b : {b1, b2})
    if (!(b >= 1 && b <= static_cast<double>(L) && b == std::floor(b)))
      throw py::value_error("The baseline landmarks must be whole numbers from 1 to " +
                            std::to_string(L) + ".");
  if (b1 == b2) throw py::value_error("The two baseline landmarks must differ.");
  struct Out {
    CoordsOut fitted;
    RowVec mean;
  };
  Out r = withoutGil([&](Progress&) {
    Mat y = morpho::basereg(rowsOf(in), b1, b2);
    if (sliding) y = morpho::meth3sup(y);
    if (!y.allFinite())
      throw RuntimeError(
          "A specimen has its two baseline landmarks at one place; choose another baseline.");
    Out o;
    o.mean = y.colwise().mean();
    o.fitted = coordsOut(std::move(y));
    return o;
  });
  py::dict out;
  putCoords(out, std::move(r.fitted));
  out["reference"] = toNumpy(r.mean);
  return out;
}

// Every specimen fitted onto the Procrustes consensus (rounded as the
// analysis rounds it) by the resistant fit of repeated medians.
py::dict resistant(const Array& coords, std::optional<Array> sizes,
                   std::optional<Array> referenceIn) {
  const CoordsIn in = coordsIn(coords, sizes);
  std::optional<RowVec> given;
  if (referenceIn) {
    given = toRow(*referenceIn, "the reference");
    if (given->cols() != 2 * in.L + 1)
      throw py::value_error("The reference has " + std::to_string((given->cols() - 1) / 2) +
                            " landmarks and the data " + std::to_string(in.L) +
                            "; give a reference of the same landmarks.");
    const Mat centred = morpho::centerref(*given);
    given = RowVec(centred.row(0) / morpho::centsize(centred)(0));
  }
  struct Out {
    CoordsOut fitted;
    RowVec reference;
  };
  Out r = withoutGil([&](Progress& progress) {
    Out o;
    const Mat data = rowsOf(in);
    o.reference = roundTo4(given ? *given : morpho::getconsensus(data, {}, progress).y);
    if (auto problem = analysis::referenceProblem(o.reference)) throw RuntimeError(*problem);
    Mat fitted(data.rows(), data.cols());
    progress.start("Resistant fit", static_cast<long>(data.rows()));
    for (Eigen::Index i = 0; i < data.rows(); ++i) {
      fitted.row(i) = morpho::rftra(data.row(i), o.reference);
      progress.advance(1);
      if (progress.cancelled()) throwCancelled();
    }
    progress.finish();
    o.fitted = coordsOut(std::move(fitted));
    return o;
  });
  py::dict out;
  putCoords(out, std::move(r.fitted));
  out["reference"] = toNumpy(r.reference);
  return out;
}

// The partial-warp and uniform scores (N by 2L-4), read straight from the
// (N, L, 2) coordinates; the centroid size the core would put after them
// stays with the superimposition.
py::array_t<double> shapeVariables(const Array& referenceIn, const Array& coords,
                                   const Array& sizes) {
  if (coords.ndim() != 3 || coords.shape(2) != 2)
    throw py::value_error("The landmark data must be an (N, L, 2) array.");
  const Eigen::Index N = coords.shape(0), L = coords.shape(1);
  if (sizes.ndim() != 1 || sizes.shape(0) != N)
    throw py::value_error("There must be one centroid size per specimen.");
  const RowVec reference = toRow(referenceIn, "the reference");
  if (reference.size() != 2 * L + 1)
    throw py::value_error("The reference has " + std::to_string((reference.size() - 1) / 2) +
                          " landmarks and the data " + std::to_string(L) + ".");
  if (auto problem = analysis::referenceProblem(reference)) throw py::value_error(*problem);
  const double* data = coords.data();
  Mat pw = withoutGil(
      [&](Progress& progress) { return morpho::getpw_arbit(reference, N, L, data, progress); });
  return toNumpy(std::move(pw));
}

// The PCA of the analysis, its columns turned round so that the largest
// eigenvalue comes first.
py::dict pca(const Array& svIn, Eigen::Index rows) {
  if (svIn.ndim() != 2)
    throw py::value_error("the shape variables must be a 2-D array, not " +
                          std::to_string(svIn.ndim()) + "-D.");
  // Read where NumPy keeps it (a C-ordered array of doubles): a copy of a
  // large array would cost more than the PCA's products.
  const Eigen::Map<const Mat> sv(svIn.data(), svIn.shape(0), svIn.shape(1));
  if (sv.rows() < 2)
    throw py::value_error("A PCA needs at least 2 specimens, not " + std::to_string(sv.rows()) +
                          ".");
  if (sv.cols() < 1) throw py::value_error("A PCA needs at least one shape variable.");
  if (!allFinite(sv.data(), sv.size()))
    throw py::value_error("The shape variables hold values that are not finite numbers.");
  if (rows == 1)
    throw py::value_error("A restricted PCA needs its axes from at least 2 specimens.");
  if (rows < 0 || rows > sv.rows())
    throw py::value_error("The axes can come from 2 to " + std::to_string(sv.rows()) +
                          " specimens, not " + std::to_string(rows) + ".");
  analysis::Pca p = withoutGil([&](Progress& progress) {
    return analysis::pca(sv, sv.cols(), rows, progress, /*largestFirst=*/true);
  });
  py::dict out;
  out["scores"] = toNumpy(std::move(p.PCAScores));
  out["vectors"] = toNumpy(std::move(p.Vmatrix));
  out["eigenvalues"] = toNumpy(RowVec(p.Dmatrix.diagonal().transpose()));
  out["explained"] = toNumpy(RowVec(p.percentexp.row(0)));
  out["total_variance"] = p.tvar;
  return out;
}

analysis::Groups toGroups(const std::vector<long long>& codes, Eigen::Index N) {
  if (static_cast<Eigen::Index>(codes.size()) != N)
    throw py::value_error("There are " + std::to_string(codes.size()) + " group codes for " +
                          std::to_string(N) + " specimens.");
  std::vector<int> ints;
  ints.reserve(codes.size());
  for (long long c : codes) {
    if (c < -2147483647 || c > 2147483647)
      throw py::value_error("The group code " + std::to_string(c) + " is too large.");
    ints.push_back(static_cast<int>(c));
  }
  return analysis::groupsFromCodes(ints);
}

analysis::PermutationOptions permutationOptions(long permutations, long long seed) {
  if (permutations < 0 || permutations > 1000000)
    throw py::value_error("The permutations must be a whole number from 0 to 1000000.");
  if (seed < 0) throw py::value_error("The seed must be a whole number of at least 0.");
  analysis::PermutationOptions o;
  o.count = permutations;
  o.seed = static_cast<std::uint64_t>(seed);
  return o;
}

py::dict anova(const Array& svIn, const std::vector<long long>& codes, long permutations,
               long long seed) {
  const Mat W = toMat(svIn, "the shape variables");
  const analysis::Groups groups = toGroups(codes, W.rows());
  const auto options = permutationOptions(permutations, seed);
  analysis::ShapeAnova a = withoutGil(
      [&](Progress& progress) { return analysis::shapeAnova(W, groups, options, progress); });
  py::dict out;
  out["N"] = a.N;
  out["k"] = a.k;
  out["ss_groups"] = a.ssGroups;
  out["ss_residual"] = a.ssResid;
  out["ss_total"] = a.ssTotal;
  out["df_groups"] = a.df1;
  out["df_residual"] = a.df2;
  out["ms_groups"] = a.msGroups;
  out["ms_residual"] = a.msResid;
  out["r2"] = a.R2;
  out["F"] = a.F;
  out["p_param"] = a.pParam;
  out["p_perm"] = a.pPerm;
  out["permutations"] = a.permutations;
  out["seed"] = a.seed;
  py::list pairs;
  for (const auto& p : a.pairs) pairs.append(py::make_tuple(p.a, p.b, p.D, p.pPerm));
  out["pairs"] = pairs;
  return out;
}

py::dict regression(const Array& svIn, const Array& sizeIn,
                    std::optional<std::vector<long long>> codes, long permutations,
                    long long seed) {
  const Mat W = toMat(svIn, "the shape variables");
  const RowVec cs = toRow(sizeIn, "the centroid sizes");
  if (cs.size() != W.rows())
    throw py::value_error("There are " + std::to_string(cs.size()) + " centroid sizes for " +
                          std::to_string(W.rows()) + " specimens.");
  if (!(cs.array() > 0).all())
    throw py::value_error("Every centroid size must be a positive number.");
  const ColVec x = cs.transpose().array().log().matrix();
  std::optional<analysis::Groups> groups;
  if (codes) groups = toGroups(*codes, W.rows());
  const auto options = permutationOptions(permutations, seed);
  analysis::ShapeRegression r = withoutGil([&](Progress& progress) {
    return groups ? analysis::regressShapeOnSizeWithinGroups(W, x, *groups, options, progress)
                  : analysis::regressShapeOnSize(W, x, options, progress);
  });
  py::dict out;
  out["pooled"] = r.pooled;
  out["N"] = r.N;
  out["coefficients"] = toNumpy(r.b);
  out["ss_predicted"] = r.ssPred;
  out["ss_residual"] = r.ssResid;
  out["ss_total"] = r.ssTotal;
  out["df_model"] = r.df1;
  out["df_residual"] = r.df2;
  out["r2"] = r.R2;
  out["F"] = r.F;
  out["p_perm"] = r.pPerm;
  out["permutations"] = r.permutations;
  out["seed"] = r.seed;
  out["scores"] = toNumpy(r.scores);
  return out;
}

py::dict cva(const Array& svIn, const std::vector<long long>& codes, int axes, long permutations,
             long long seed) {
  const Mat W = toMat(svIn, "the shape variables");
  const analysis::Groups groups = toGroups(codes, W.rows());
  const auto options = permutationOptions(permutations, seed);
  analysis::CanonicalVariates c = withoutGil([&](Progress& progress) {
    return analysis::canonicalVariates(W, groups, axes, options, progress);
  });
  py::dict out;
  out["N"] = c.N;
  out["k"] = c.k;
  out["q"] = c.q;
  out["codes"] = groups.codes;
  out["axes"] = toNumpy(std::move(c.axes));
  out["group_means"] = toNumpy(std::move(c.groupMeans));
  out["pooled_covariance"] = toNumpy(std::move(c.S));
  py::list distances;
  for (const auto& d : c.distances) distances.append(py::make_tuple(d.a, d.b, d.D, d.pPerm));
  out["distances"] = distances;
  out["eigenvalues"] = toNumpy(c.eigenvalues);
  out["coefficients"] = toNumpy(std::move(c.coefficients));
  out["scores"] = toNumpy(std::move(c.scores));
  out["assigned"] = c.assigned;
  out["confusion"] = toNumpy(std::move(c.confusion));
  out["percent_correct"] = c.percentCorrect;
  out["overall_percent"] = c.overallPercent;
  out["permutations"] = c.permutations;
  out["seed"] = c.seed;
  return out;
}

py::dict outliers(const Array& svIn) {
  const Mat W = toMat(svIn, "the shape variables");
  analysis::Outliers o = withoutGil([&](Progress&) { return analysis::findOutliers(W); });
  py::dict out;
  out["distances"] = toNumpy(o.D);
  out["order"] = o.order;
  out["q1"] = o.q1;
  out["q3"] = o.q3;
  out["fence"] = o.fence;
  out["above"] = o.above;
  return out;
}

// The deformation picture's numbers: the target rebuilt from the reference
// and a row of shape variables, the thin-plate spline from the reference's
// landmarks onto the target's, and the grid of the picture mapped through it.
// The grid spans the reference's landmarks (the window's picture spans its
// axes, whose shape depends on the window), widened by expansion as the
// picture's range setting widens it.
py::dict deformationGrid(const Array& referenceIn, const Array& changeIn, double density,
                         double expansion) {
  const RowVec reference = toRow(referenceIn, "the reference");
  const RowVec change = toRow(changeIn, "the shape change");
  const Eigen::Index L = (reference.size() - 1) / 2;
  if (change.size() != 2 * L - 4)
    throw py::value_error("The shape change has " + std::to_string(change.size()) +
                          " values; a reference of " + std::to_string(L) + " landmarks has " +
                          std::to_string(2 * L - 4) + " shape variables.");
  if (!change.allFinite())
    throw py::value_error("The shape change holds values that are not finite numbers.");
  if (!(expansion >= 1 && std::isfinite(expansion)))
    throw py::value_error("The grid range must be a number of at least 1.");
  if (auto problem = analysis::referenceProblem(reference)) throw py::value_error(*problem);
  display::DeformationRequest r;
  r.reference = reference;
  r.pwscore.resize(change.size() + 1);
  r.pwscore << change, 1.0;
  r.registration = display::Registration::Procrustes;
  struct Out {
    display::PictureForms forms;
    display::DeformationGrid grid;
  };
  Out o = withoutGil([&](Progress&) {
    Out out;
    out.forms = display::pictureForms(r, 0, 0);
    const Mat weight = display::deformationWeights(out.forms.reference, out.forms.target);
    const Mat& xy = out.forms.reference;
    const graphics::Limits lim{xy.row(0).minCoeff(), xy.row(0).maxCoeff(), xy.row(1).minCoeff(),
                               xy.row(1).maxCoeff()};
    out.grid = display::deformationGrid(xy, weight, lim, density, expansion);
    return out;
  });
  py::dict out;
  out["reference"] = toNumpy(Mat(o.forms.reference.transpose()));
  out["target"] = toNumpy(Mat(o.forms.target.transpose()));
  out["x"] = toNumpy(std::move(o.grid.xw));
  out["y"] = toNumpy(std::move(o.grid.yw));
  out["deformed_x"] = toNumpy(std::move(o.grid.xp));
  out["deformed_y"] = toNumpy(std::move(o.grid.yp));
  out["step"] = o.grid.xstep;
  return out;
}

}  // namespace

PYBIND11_MODULE(_core, m) {
  m.doc() = "The compiled core of the varnok package; use the package's functions.";
  m.def("read_landmarks", &readLandmarks, py::arg("path"), py::arg("curves"), py::arg("slide_ends"),
        "Reads a landmark file into the program's rows.");
  m.def("read_sliders", &readSliders, py::arg("path"), py::arg("points"),
        "Reads a sliders file for the given number of points.");
  m.def("procrustes", &procrustes, py::arg("coords"), py::arg("centroid_size"),
        py::arg("reference"), py::arg("sliders"), py::arg("by_procrustes"), py::arg("rounds"),
        "Partial Procrustes fit onto the consensus or a reference, then sliding.");
  m.def("baseline", &baseline, py::arg("coords"), py::arg("centroid_size"), py::arg("b1"),
        py::arg("b2"), py::arg("sliding"), "Baseline or sliding baseline registration.");
  m.def("resistant", &resistant, py::arg("coords"), py::arg("centroid_size"), py::arg("reference"),
        "Resistant fit of every specimen onto the consensus or a reference.");
  m.def("shape_variables", &shapeVariables, py::arg("reference"), py::arg("coords"),
        py::arg("centroid_size"), "Partial-warp and uniform scores.");
  m.def("pca", &pca, py::arg("shape_variables"), py::arg("rows"),
        "PCA of the shape variables, largest eigenvalue first.");
  m.def("procrustes_anova", &anova, py::arg("shape_variables"), py::arg("groups"),
        py::arg("permutations"), py::arg("seed"), "Procrustes ANOVA of shape on groups.");
  m.def("shape_regression", &regression, py::arg("shape_variables"), py::arg("centroid_size"),
        py::arg("groups"), py::arg("permutations"), py::arg("seed"),
        "Regression of shape on log centroid size.");
  m.def("canonical_variates", &cva, py::arg("shape_variables"), py::arg("groups"), py::arg("axes"),
        py::arg("permutations"), py::arg("seed"), "Canonical variates analysis.");
  m.def("find_outliers", &outliers, py::arg("shape_variables"),
        "Procrustes distances from the mean shape and the outlier fence.");
  m.def("deformation_grid", &deformationGrid, py::arg("reference"), py::arg("shape_change"),
        py::arg("density"), py::arg("expansion"),
        "The spline's deformation of a grid over the reference.");
}

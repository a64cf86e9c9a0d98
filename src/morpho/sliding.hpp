// Sliding semilandmarks: points of a digitised curve are not homologous one
// by one, so before the analysis each may move along its curve's tangent to
// where it deforms least from the reference, either by the bending energy of
// the thin-plate spline from the reference (Bookstein 1997; Gunz,
// Mitteroecker and Bookstein 2005) or by its distance from the reference's
// point.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/matrix/progress.hpp"
#include "platform/matrix/types.hpp"

namespace varnok::morpho {

// One sliding point and the two points its tangent runs between, 0-based
// point numbers. A curve end has one neighbour: it names itself as the other
// (before == point or after == point), and so slides along the line to that
// neighbour.
struct Slider {
  Eigen::Index before = 0;
  Eigen::Index point = 0;
  Eigen::Index after = 0;
  bool operator==(const Slider&) const = default;
};

enum class SlideCriterion { BendingEnergy, ProcrustesDistance };

// The bending energy matrix of a form: the upper-left L x L block of the
// inverse of the spline matrix [[K, P], [P', 0]] of its L points, read from a
// row x1 y1 ... xL yL (any trailing value is not used). Computed once per
// round and shared by every specimen slid against that form. Empty when the
// spline matrix is singular (coincident points, or all points on a line).
Mat bendingEnergyOf(const RowVec& form, Eigen::Index L);

// Why a specimen could not be slid: the 0-based slider whose tangent has no
// direction (its neighbours coincide) or whose moves the bending energy does
// not determine.
struct SlideFailure {
  Eigen::Index specimen = 0;
  Eigen::Index slider = 0;
};

// Slides the points of one specimen row (x1 y1 ... xL yL, trailing values
// kept) against the reference row. be is bendingEnergyOf(reference) for the
// bending energy criterion and not read for the Procrustes one. Each slider
// moves along the unit tangent u_s = (X_after - X_before)/|...| of the
// specimen as given; the moves t minimise, all together, the bending energy
// of the spline from the reference to the moved specimen (t = -(U'BU)^-1
// U'Bz), or each put its point at the foot of the perpendicular from the
// reference's point. The row is changed only on success; otherwise the
// failing slider is returned and the row is as it was.
std::optional<Eigen::Index> slideSpecimen(Eigen::Ref<RowVec> row, const RowVec& reference,
                                          const Mat& be, const std::vector<Slider>& sliders,
                                          SlideCriterion criterion);

// Slides every row of data (N x (2L+1)) against the reference, on two cores
// when the work is large; be as for slideSpecimen. On a failure nothing is
// changed and the first failing specimen (in row order) is returned; a cancel
// throws "Cancelled." with data unchanged.
std::optional<SlideFailure> slideAll(Mat& data, const RowVec& reference, const Mat& be,
                                     const std::vector<Slider>& sliders, SlideCriterion criterion,
                                     Progress& progress = noProgress());

// What is wrong with a set of sliders for L points, as a message; nullopt
// when every point number is in range, a slider's three numbers differ (a
// curve end may name itself once) and no point slides twice.
std::optional<std::string> slidersProblem(const std::vector<Slider>& sliders, Eigen::Index L);

}  // namespace varnok::morpho

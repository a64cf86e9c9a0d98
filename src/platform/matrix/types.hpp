// Matrix types shared by every layer.
//
// Mat is row-major so that one specimen row (x1 y1 ... xL yL CS) of a landmark
// data matrix is contiguous in memory: readers fill it line by line and the
// per-specimen loops of the superimposition walk it without strides.
#pragma once

#include <Eigen/Dense>

namespace varnok {

using Mat = Eigen::Matrix<double, Eigen::Dynamic, Eigen::Dynamic, Eigen::RowMajor>;
using RowVec = Eigen::RowVectorXd;
using ColVec = Eigen::VectorXd;

}  // namespace varnok

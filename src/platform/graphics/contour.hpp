// Contours of a grid of values: filled bands (Axes::contourf, the Contour
// object), contour lines and the contour matrix (contours).
//
// The grid is Z with a node (X, Y) per value; the cells join the nodes
// (i, j), (i+1, j), (i+1, j+1), (i, j+1), so the nodes may lie on any
// quadrilateral grid, not only a rectangular one. Within a cell values are
// taken to vary linearly along its edges, and each cell is cut by marching
// squares; a saddle cell (opposite corners on the same side of a level) is
// resolved by the mean of its four corners, so neighbouring cells always
// agree. Cells with a NaN or infinite value or node are left out.
//
// Levels chosen automatically are round numbers (1, 2 or 5 times a power of
// ten apart) from at or below the smallest value to at or above the largest,
// about ten of them. Band k runs from level k to level k + 1; when given
// levels leave values above the top level, one more band runs from the top
// level upwards, and values below the lowest level are not filled. Bands
// are coloured from a 256-entry perceptually uniform colour map (viridis),
// the lowest band dark blue-violet, the highest yellow. A grid of one value
// has no automatic levels and draws nothing.
//
// The object is Type "contour" (class Contour), with no children.
// Properties: XData, YData, ZData (as given), LevelList, LevelListMode
// ("auto"/"manual"; setting LevelList makes it "manual"), LineColor (a
// colour or "none"; the contour lines drawn over the bands), LineWidth,
// LineStyle, Fill ("on"/"off") and the read-only ContourMatrix.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "platform/graphics/graphics.hpp"

namespace varnok::graphics {

using Point = std::array<double, 2>;
// A closed polygon; the first point is not repeated at the end.
using Ring = std::vector<Point>;

// X, Y and Z of one size, at least 2 x 2.
struct ContourGrid {
  Mat x, y, z;
};

// The grid of contour arguments: X and Y matrices of Z's size, or vectors as
// long as Z has columns (X) and rows (Y); X and Y both empty give the column
// and row numbers 1, 2, .... Throws RuntimeError for other sizes and for a Z
// smaller than 2 x 2.
ContourGrid contourGrid(const Mat& x, const Mat& y, const Mat& z);

// About count round levels spanning [zmin, zmax] (see above); empty when
// the two are not finite and different.
std::vector<double> niceLevels(double zmin, double zmax, int count = 10);
// The same for the finite values of z.
std::vector<double> niceLevels(const Mat& z, int count = 10);

// The region lo <= z <= hi of the grid (hi may be infinite) as rings: the
// outer boundaries and the holes of the region, to be filled with the
// even-odd rule.
std::vector<Ring> bandRings(const ContourGrid& g, double lo, double hi);

// A contour line: its level and points; a closed line does not repeat its
// first point.
struct ContourLine {
  double level = 0;
  std::vector<Point> points;
  bool closed = false;
};
// The contour lines of the grid at each level, lowest level first.
std::vector<ContourLine> contourLines(const ContourGrid& g, const std::vector<double>& levels);

// The contour matrix of the lines: for each line a column [level; number of
// points] followed by its points as columns [x; y]; a closed line repeats
// its first point at the end. 2 x 0 when there are none.
Mat contourMatrix(const std::vector<ContourLine>& lines);

// The `contours` routine: [C, msg] = contours(X, Y, Z, levels), the contour
// matrix of the grid at the levels (empty: automatic; one number n: about n
// round levels; a vector: those levels). Problems with the arguments come
// back as msg with C empty instead of being thrown.
struct ContoursResult {
  Mat C;
  std::string msg;
};
ContoursResult contours(const Mat& x, const Mat& y, const Mat& z, const Mat& levels = Mat());

// The levels argument of contourf and contours: empty gives nullopt
// (automatic); one number n gives about n round levels of z; a vector gives
// its finite values, sorted, without repeats. Throws RuntimeError for a bad
// count or a vector without a finite value.
std::optional<std::vector<double>> levelsFromArgument(const Mat& levels, const Mat& z);

// The colour map, t from 0 to 1 (clamped).
Rgb viridis(double t);
// A diverging colour map, t from 0 to 1 (clamped): blue through a light
// grey at 0.5 to red, for values either side of a neutral one.
Rgb diverging(double t);

// How a contour colours its bands: viridis by the band's rank, lowest
// darkest; or diverging by the band's middle value, centred on 0, with the
// largest level in size at either end.
enum class ColorMap { Viridis, Diverging };

// One filled band: values from lo to hi (hi infinite for the band above the
// top level), its colour and its rings.
struct ContourBand {
  double lo = 0, hi = 0;
  Rgb color;
  std::vector<Ring> rings;
};

class Contour : public Object {
 public:
  std::string type() const override { return "contour"; }
  const char* className() const override { return "Contour"; }
  void accept(ObjectVisitor& v) const override { v.visit(*this); }

  // While the data properties are set one after the other the sizes may
  // disagree; such a contour draws nothing.
  Mat xdata, ydata, zdata;
  std::vector<double> levelList;  // in force when manualLevels
  bool manualLevels = false;
  ColorSpec lineColor = ColorSpec::of({0, 0, 0});
  double lineWidth = 0.5;       // points
  std::string lineStyle = "-";  // of the contour lines
  bool fill = true;
  ColorMap colorMap = ColorMap::Viridis;

  // The grid, or nullopt when the sizes disagree.
  std::optional<ContourGrid> grid() const;
  // The levels in force, ascending.
  std::vector<double> levels() const;
  // The filled bands, lowest first (empty with Fill "off").
  std::vector<ContourBand> bands() const;
  // The same bands as regions from their lower level upwards: painted one
  // over the other, lowest first, they give the bands with no seam between
  // neighbours.
  std::vector<ContourBand> layers() const;
  // The contour lines at the levels.
  std::vector<ContourLine> lines() const;

  void addExtent(Extent& e) const override;

 protected:
  bool getOwn(std::string_view prop, Value& out) const override;
  bool setOwn(std::string_view prop, const Value& v) override;
  void ownPropertyNames(std::vector<std::string>& out) const override;
};

// The colour bar of c, labelled label: the range of its finite data (lo =
// hi when they hold one value; both 0 when none is finite).
ColorBar colorBarOf(const Contour& c, std::string label);

}  // namespace varnok::graphics

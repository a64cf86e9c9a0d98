// Arrow fields: one arrow per node, from the node (X, Y) along its
// displacement (U, V), made by Axes::quiver.
//
// The arrows are scaled automatically so that they do not run into each
// other: the longest arrow is AutoScaleFactor (0.9) times the typical
// spacing of the nodes, the median distance between neighbouring nodes of a
// grid (X, Y matrices of at least 2 x 2) or, for nodes given as vectors, the
// side of the square each node would have in their bounding box. A scale of
// 0 (AutoScale "off") draws the displacements at their own length. A field
// of zero displacements, or a single node, is not scaled (factor 1), so
// nothing is divided by zero; zero arrows draw nothing.
//
// The object is Type "quiver" (class Quiver), with no children. Properties:
// XData, YData, UData, VData (the matrices as given), Color, LineWidth,
// LineStyle, AutoScale ("on"/"off"), AutoScaleFactor, ShowArrowHead
// ("on"/"off"), MaxHeadSize (head length as a fraction of the arrow), and
// the read-only ScaleFactor (the factor applied to U and V).
#pragma once

#include <string>
#include <vector>

#include "platform/graphics/graphics.hpp"

namespace varnok::graphics {

class Quiver : public Object {
 public:
  std::string type() const override { return "quiver"; }
  const char* className() const override { return "Quiver"; }
  void accept(ObjectVisitor& v) const override { v.visit(*this); }

  // X and Y the size of U and V, or vectors as long as U has columns (X)
  // and rows (Y). While the properties are set one after the other the
  // sizes may disagree; such a field draws nothing.
  Mat xdata, ydata, udata, vdata;
  Rgb color;
  double lineWidth = 0.5;       // points
  std::string lineStyle = "-";  // "-", "--", ":", "-.", "none"
  bool autoScale = true;
  double autoScaleFactor = 0.9;
  bool showArrowHead = true;
  double maxHeadSize = 0.3;

  // One arrow after scaling: from (x, y) to (x + u, y + v).
  struct Arrow {
    double x, y, u, v;
  };
  // The arrows of the nodes whose four numbers are finite, in column order
  // of U; empty when the sizes disagree.
  std::vector<Arrow> arrows() const;
  // The factor applied to U and V (1 when nothing is scaled).
  double scaleFactor() const;
  // The typical spacing of the nodes (0 for fewer than two distinct nodes).
  double nodeSpacing() const;
  // Whether the four matrices fit together.
  bool consistent() const;

  void addExtent(Extent& e) const override;

 protected:
  bool getOwn(std::string_view prop, Value& out) const override;
  bool setOwn(std::string_view prop, const Value& v) override;
  void ownPropertyNames(std::vector<std::string>& out) const override;
};

}  // namespace varnok::graphics

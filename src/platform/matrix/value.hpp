// Value: the dynamic value passed where routines are called by name.
//
// Only the routine table, callback strings and the command line use it; the
// numeric code works with Mat and typed results. A graphics handle is a number,
// as in the runtime the program was designed on.
#pragma once

#include <string>
#include <vector>

#include "platform/matrix/types.hpp"

namespace varnok {

class Value {
 public:
  enum class Kind { Matrix, Text, TextList };

  Value() : kind_(Kind::Matrix) {}                                      // the empty matrix
  Value(double x) : kind_(Kind::Matrix), m_(Mat::Constant(1, 1, x)) {}  // NOLINT implicit
  Value(int x) : Value(static_cast<double>(x)) {}                       // NOLINT implicit
  Value(Mat m) : kind_(Kind::Matrix), m_(std::move(m)) {}               // NOLINT implicit
  Value(std::string s) : kind_(Kind::Text), s_(std::move(s)) {}         // NOLINT implicit
  Value(const char* s) : kind_(Kind::Text), s_(s) {}                    // NOLINT implicit
  Value(std::vector<std::string> l) : kind_(Kind::TextList), list_(std::move(l)) {}  // NOLINT

  Kind kind() const { return kind_; }
  bool isText() const { return kind_ == Kind::Text; }
  bool isMatrix() const { return kind_ == Kind::Matrix; }
  bool isTextList() const { return kind_ == Kind::TextList; }
  bool isEmpty() const;

  // Accessors throw RuntimeError when the value is of another kind.
  const Mat& matrix() const;
  const std::string& text() const;
  const std::vector<std::string>& textList() const;
  // The single number of a 1 x 1 matrix.
  double scalar() const;

  // A short description for messages and the console.
  std::string describe() const;

 private:
  Kind kind_;
  Mat m_;
  std::string s_;
  std::vector<std::string> list_;
};

using ValueList = std::vector<Value>;

}  // namespace varnok

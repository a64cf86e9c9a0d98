// SharedMat: a matrix that several owners read and none changes in place.
//
// The landmark data of a large study are the largest things the program
// holds (a million specimens of 12 landmarks take 200 MB), and the same rows
// are wanted in several places at once: the analysis state, the rows as read
// that curation starts again from, and the picture of the superimposed
// specimens. Sharing one block among them instead of copying it is what keeps
// such a study within memory. Changing the data means putting a new matrix in
// place; whoever still holds the old one keeps it unchanged.
#pragma once

#include <memory>
#include <utility>

#include "platform/matrix/types.hpp"

namespace varnok {

class SharedMat {
 public:
  SharedMat() : p_(empty()) {}
  // Implicit, so that `DATA = getpsup(...)` and `DATA = Mat()` read as the
  // assignments they are.
  SharedMat(Mat m) : p_(std::make_shared<const Mat>(std::move(m))) {}

  const Mat& operator*() const { return *p_; }
  const Mat* operator->() const { return p_.get(); }
  // The block itself, for a holder that must outlive this one's next value.
  const std::shared_ptr<const Mat>& share() const { return p_; }
  bool sharesWith(const SharedMat& other) const { return p_ == other.p_; }

 private:
  static const std::shared_ptr<const Mat>& empty() {
    static const std::shared_ptr<const Mat> none = std::make_shared<const Mat>();
    return none;
  }
  std::shared_ptr<const Mat> p_;
};

}  // namespace varnok

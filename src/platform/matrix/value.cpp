#include "platform/matrix/value.hpp"

#include "platform/matrix/console.hpp"
#include "platform/matrix/runtime_error.hpp"
#include "platform/matrix/text.hpp"

namespace varnok {

bool Value::isEmpty() const {
  switch (kind_) {
    case Kind::Matrix:
      return m_.size() == 0;
    case Kind::Text:
      return s_.empty();
    case Kind::TextList:
      return list_.empty();
  }
  return true;
}

const Mat& Value::matrix() const {
  if (kind_ != Kind::Matrix) throw RuntimeError("Run-time Error: Expected a numeric value.");
  return m_;
}

const std::string& Value::text() const {
  if (kind_ != Kind::Text) throw RuntimeError("Run-time Error: Expected a text value.");
  return s_;
}

const std::vector<std::string>& Value::textList() const {
  if (kind_ != Kind::TextList) throw RuntimeError("Run-time Error: Expected a list of texts.");
  return list_;
}

double Value::scalar() const {
  const Mat& m = matrix();
  if (m.size() == 0) throwUndefined("value");
  if (m.size() != 1) throw RuntimeError("Run-time Error: Expected a single number.");
  return m(0, 0);
}

std::string Value::describe() const {
  switch (kind_) {
    case Kind::Matrix:
      return m_.size() == 1 ? num2str(m_(0, 0)) : formatMatrix(m_);
    case Kind::Text:
      return s_;
    case Kind::TextList: {
      std::string out;
      for (const auto& s : list_) out += (out.empty() ? "" : "\n") + s;
      return out;
    }
  }
  return {};
}

}  // namespace varnok

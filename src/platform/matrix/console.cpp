#include "platform/matrix/console.hpp"

#include <cmath>
#include <cstdio>
#include <ostream>

#include "platform/matrix/text.hpp"

namespace varnok {

void Console::write(std::string_view text, ConsoleTag tag) {
  if (out_ != nullptr) {
    out_->write(text.data(), static_cast<std::streamsize>(text.size()));
  }
  if (keep_) kept_.append(text);
  if (listener_) listener_(text, tag);
}

void Console::flush() {
  if (out_ != nullptr) out_->flush();
}

void Console::line(std::string_view text, ConsoleTag tag) {
  write(std::string(text) + "\n", tag);
}

void Console::display(std::string_view name, const Mat& value) {
  std::string s(name);
  if (value.size() == 0) {
    write(s + " =\n\n     []\n\n", ConsoleTag::Echo);
    return;
  }
  // A large matrix (a whole data set) is summarised: printing millions of
  // numbers would only bury the console and stall the action.
  if (value.size() > kMaxDisplayedElements) {
    write(s + " =\n\n  [" + std::to_string(value.rows()) + "x" + std::to_string(value.cols()) +
              " double]\n\n",
          ConsoleTag::Echo);
    return;
  }
  write(s + " =\n\n" + formatMatrix(value) + "\n", ConsoleTag::Echo);
}

void Console::display(std::string_view name, double value) {
  display(name, Mat::Constant(1, 1, value));
}

void Console::display(std::string_view name, std::string_view text) {
  write(std::string(name) + " =\n\n" + std::string(text) + "\n\n", ConsoleTag::Echo);
}

void Console::display(std::string_view name, const std::vector<std::string>& texts) {
  std::string out(name);
  out += " =\n\n";
  for (const auto& t : texts) out += "    '" + t + "'\n";
  write(out + "\n", ConsoleTag::Echo);
}

std::string formatMatrix(const Mat& m) {
  bool allInt = true;
  double big = 0;
  for (Eigen::Index i = 0; i < m.size(); ++i) {
    double v = m.data()[i];
    if (std::isfinite(v)) {
      if (v != std::floor(v)) allInt = false;
      big = std::max(big, std::fabs(v));
    }
  }
  // Very large or small values would not fit 4 decimals: use exponents then.
  bool useExp = !allInt && (big >= 1e5 || (big > 0 && big < 1e-3));
  std::string out;
  char buf[64];
  for (Eigen::Index r = 0; r < m.rows(); ++r) {
    for (Eigen::Index c = 0; c < m.cols(); ++c) {
      double v = m(r, c);
      if (std::isnan(v))
        std::snprintf(buf, sizeof buf, "%10s", "NaN");
      else if (std::isinf(v))
        std::snprintf(buf, sizeof buf, "%10s", v > 0 ? "Inf" : "-Inf");
      else if (allInt)
        std::snprintf(buf, sizeof buf, "%10.0f", v);
      else if (useExp)
        std::snprintf(buf, sizeof buf, "%13.4e", v);
      else
        std::snprintf(buf, sizeof buf, "%10.4f", v);
      out += buf;
    }
    out += "\n";
  }
  return out;
}

}  // namespace varnok

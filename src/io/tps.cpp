#include "io/tps.hpp"

#include <cctype>
#include <cmath>
#include <optional>

#include "io/landmark_text.hpp"

namespace varnok::io {

namespace {

using text::lineError;
using text::quoted;

// More landmarks than any digitised form has; a larger count is a typo.
constexpr long long kMaxLandmarks = 10'000'000;
constexpr long long kMaxPoints = 1'000'000'000;

struct KeyLine {
  std::string key;  // upper case
  std::string_view value;
};

// "KEY=value" with KEY a word of letters, digits and underscores that starts
// with a letter; blanks around the '=' are allowed.
std::optional<KeyLine> keyLine(std::string_view t) {
  const auto eq = t.find('=');
  if (eq == std::string_view::npos) return std::nullopt;
  const std::string_view name = text::trim(t.substr(0, eq));
  if (name.empty() || !std::isalpha(static_cast<unsigned char>(name.front()))) return std::nullopt;
  KeyLine k;
  for (char c : name) {
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_') return std::nullopt;
    k.key.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
  }
  k.value = text::trim(t.substr(eq + 1));
  return k;
}

bool isComment(std::string_view t) {
  return t.front() == '#' || t.front() == '"' || t.front() == '\'';
}

struct Specimen {
  long lmLine = 0;
  // Points of each open and each closed curve, and where the specimen's
  // curve points start in the parser's buffers.
  std::vector<long long> open, closed;
  std::size_t openStart = 0, closedStart = 0;
  std::string id, image;
  std::optional<double> scale;
  long scaleLine = 0;
};

class Parser {
 public:
  Parser(std::istream& in, const std::string& file, const TpsOptions& options)
      : lines_(in), file_(file), options_(options) {}

  TpsData run() {
    std::string line;
    while (lines_.next(line)) {
      const std::string_view t = text::trim(line);
      if (t.empty() || isComment(t)) continue;
      if (coordsLeft_ > 0) {
        landmarkLine(t);
      } else if (pointsLeft_ > 0) {
        pointLine(t);
      } else {
        keyOrStray(t);
      }
    }
    if (coordsLeft_ > 0)
      text::fileError(file_, "it ends at line " + std::to_string(lines_.number()) + ", but " +
                                 lmAnnounces() + " and only " + std::to_string(coordsGot()) +
                                 " follow.");
    if (pointsLeft_ > 0)
      text::fileError(file_, "it ends at line " + std::to_string(lines_.number()) + ", but " +
                                 pointsAnnounces() + " and only " +
                                 std::to_string(pointsTotal_ - pointsLeft_) + " follow.");
    return finish();
  }

 private:
  long here() const { return lines_.number(); }

  long long coordsGot() const { return L_ - coordsLeft_; }

  std::string lmAnnounces() const {
    return "LM=" + std::to_string(L_) + " on line " + std::to_string(specimens_.back().lmLine) +
           " announces " + std::to_string(L_) + " coordinate lines";
  }
  std::string pointsAnnounces() const {
    return "POINTS=" + std::to_string(pointsTotal_) + " on line " + std::to_string(pointsLine_) +
           " announces " + std::to_string(pointsTotal_) + " points";
  }

  // The x and y of a coordinate line.
  void readXY(std::string_view t, double& x, double& y) {
    const auto w = text::words(t, true);
    if (w.size() != 2)
      lineError(file_, here(),
                "holds " + std::to_string(w.size()) + " " + (w.size() == 1 ? "word" : "words") +
                    ", but a coordinate line holds an x and a y.");
    double* out[2] = {&x, &y};
    for (int i = 0; i < 2; ++i) {
      switch (text::readNumber(w[static_cast<std::size_t>(i)], *out[i])) {
        case text::NumberKind::Finite:
          break;
        case text::NumberKind::NotFinite:
          lineError(file_, here(),
                    "holds " + quoted(w[static_cast<std::size_t>(i)]) +
                        ", which is not a finite number.");
        case text::NumberKind::NotANumber:
          lineError(file_, here(),
                    "holds " + quoted(w[static_cast<std::size_t>(i)]) + ", which is not a number.");
      }
    }
  }

  void landmarkLine(std::string_view t) {
    if (keyLine(t))
      lineError(file_, here(),
                "holds " + quoted(t) + ", but " + lmAnnounces() + " and only " +
                    std::to_string(coordsGot()) + " come before it.");
    double x = 0, y = 0;
    readXY(t, x, y);
    coords_.push_back(x);
    coords_.push_back(y);
    --coordsLeft_;
  }

  void pointLine(std::string_view t) {
    if (keyLine(t))
      lineError(file_, here(),
                "holds " + quoted(t) + ", but " + pointsAnnounces() + " and only " +
                    std::to_string(pointsTotal_ - pointsLeft_) + " come before it.");
    double x = 0, y = 0;
    readXY(t, x, y);
    --pointsLeft_;
    (inOutlines_ ? outlinePoints_ : curvePoints_) += 1;
    if (options_.readCurves) {
      auto& to = inOutlines_ ? closedXY_ : openXY_;
      to.push_back(x);
      to.push_back(y);
    }
  }

  void keyOrStray(std::string_view t) {
    const auto k = keyLine(t);
    if (!k) {
      double v = 0;
      const auto w = text::words(t, true);
      // A line of separators only has no first word.
      if (!specimens_.empty() && !w.empty() &&
          text::readNumber(w.front(), v) != text::NumberKind::NotANumber)
        lineError(file_, here(),
                  "holds a coordinate line beyond the " + std::to_string(lastBlockCount_) +
                      " that " + lastBlock_ + " announces.");
      lineError(
          file_, here(),
          "holds " + quoted(t) + ", which is neither a KEY=value line nor a coordinate line.");
    }
    if (k->key == "LM") return startSpecimen(*k);
    if (k->key == "LM3")
      lineError(file_, here(),
                "holds " + quoted(t) +
                    ": three-dimensional landmarks cannot be used; Varnok analyses "
                    "two-dimensional forms.");
    if (specimens_.empty())
      lineError(file_, here(), "holds " + quoted(t) + " before the first LM= line.");
    Specimen& s = specimens_.back();
    if (k->key == "ID") {
      s.id = std::string(k->value);
    } else if (k->key == "IMAGE") {
      s.image = std::string(k->value);
    } else if (k->key == "SCALE") {
      if (s.scale)
        lineError(file_, here(),
                  "holds a second SCALE= for the specimen of line " + std::to_string(s.lmLine) +
                      " (the first is on line " + std::to_string(s.scaleLine) + ").");
      double v = 0;
      if (text::readNumber(k->value, v) != text::NumberKind::Finite || !(v > 0))
        lineError(file_, here(), "holds " + quoted(t) + ", but a scale must be a positive number.");
      s.scale = v;
      s.scaleLine = here();
    } else if (k->key == "CURVES" || k->key == "OUTLINES") {
      if (!text::readCount(k->value, kMaxPoints))
        lineError(file_, here(), "holds " + quoted(t) + ", which is not a count of curves.");
      inOutlines_ = k->key == "OUTLINES";
    } else if (k->key == "POINTS") {
      const auto n = text::readCount(k->value, kMaxPoints);
      if (!n) lineError(file_, here(), "holds " + quoted(t) + ", which is not a count of points.");
      pointsLeft_ = pointsTotal_ = *n;
      pointsLine_ = here();
      (inOutlines_ ? s.closed : s.open).push_back(*n);
      lastBlock_ = "POINTS=" + std::to_string(*n) + " on line " + std::to_string(here());
      lastBlockCount_ = *n;
    }
    // COMMENT=, VARIABLES= and the rest carry nothing the analysis uses.
  }

  void startSpecimen(const KeyLine& k) {
    const auto n = text::readCount(k.value, kMaxLandmarks);
    if (!n)
      lineError(file_, here(),
                "holds \"LM=" + std::string(k.value) + "\", which is not a count of landmarks.");
    if (specimens_.empty()) {
      L_ = *n;
    } else if (*n != L_) {
      lineError(file_, here(),
                "holds LM=" + std::to_string(*n) + ", but the first specimen (line " +
                    std::to_string(specimens_.front().lmLine) + ") has " + std::to_string(L_) +
                    " landmarks; every specimen needs the same landmarks.");
    }
    specimens_.push_back({});
    specimens_.back().lmLine = here();
    specimens_.back().openStart = openXY_.size();
    specimens_.back().closedStart = closedXY_.size();
    coordsLeft_ = L_;
    lastBlock_ = "LM=" + std::to_string(L_) + " on line " + std::to_string(here());
    lastBlockCount_ = L_;
    pointsLeft_ = 0;
    inOutlines_ = false;
  }

  // The specimen as a reader names it: its number, and its ID or image.
  std::string specimenName(std::size_t i) const {
    const Specimen& s = specimens_[i];
    const std::string& name = s.id.empty() ? s.image : s.id;
    return "specimen " + std::to_string(i + 1) + " (" + (name.empty() ? "" : name + ", ") +
           "line " + std::to_string(s.lmLine) + ")";
  }

  // Every specimen's curves as the first specimen's, or an error naming the
  // first that differs and the curve.
  void checkCurves() const {
    const Specimen& first = specimens_.front();
    for (std::size_t i = 1; i < specimens_.size(); ++i) {
      const Specimen& s = specimens_[i];
      for (const bool closed : {false, true}) {
        const auto& want = closed ? first.closed : first.open;
        const auto& got = closed ? s.closed : s.open;
        const std::string kind = closed ? "outline" : "curve";
        if (got.size() != want.size())
          text::fileError(file_, specimenName(i) + " has " + std::to_string(got.size()) + " " +
                                     kind + (got.size() == 1 ? "" : "s") +
                                     ", but the first specimen has " + std::to_string(want.size()) +
                                     "; every specimen needs the same curves.");
        for (std::size_t c = 0; c < got.size(); ++c)
          if (got[c] != want[c])
            text::fileError(
                file_, kind + " " + std::to_string(c + 1) + " of " + specimenName(i) + " has " +
                           std::to_string(got[c]) + " points, but that of the first specimen has " +
                           std::to_string(want[c]) + "; every specimen needs the same curves.");
      }
    }
  }

  TpsData finish() {
    TpsData d;
    d.curvePoints = curvePoints_;
    d.outlinePoints = outlinePoints_;
    if (specimens_.empty()) return d;
    if (L_ == 0) text::fileError(file_, "its specimens have no landmarks (LM=0).");
    d.landmarks = L_;
    long long openPoints = 0, closedPoints = 0;
    if (options_.readCurves) {
      checkCurves();
      for (long long p : specimens_.front().open) {
        d.curves.push_back({p, false});
        openPoints += p;
      }
      for (long long p : specimens_.front().closed) {
        d.curves.push_back({p, true});
        closedPoints += p;
      }
    }
    if (L_ + openPoints + closedPoints > kMaxLandmarks)
      text::fileError(file_,
                      "its specimens have more than " + std::to_string(kMaxLandmarks) + " points.");
    const auto N = static_cast<Eigen::Index>(specimens_.size());
    const auto lm = static_cast<Eigen::Index>(L_);
    const auto L = static_cast<Eigen::Index>(L_ + openPoints + closedPoints);
    d.data.resize(N, 2 * L + 1);
    long long scaled = 0;
    bool named = false;
    for (Eigen::Index i = 0; i < N; ++i) {
      const Specimen& s = specimens_[static_cast<std::size_t>(i)];
      const double f = s.scale.value_or(1.0);
      scaled += s.scale ? 1 : 0;
      // Landmarks, then the open curves' points, then the outlines'.
      const double* parts[3] = {coords_.data() + 2 * lm * i, openXY_.data() + s.openStart,
                                closedXY_.data() + s.closedStart};
      const Eigen::Index counts[3] = {lm, static_cast<Eigen::Index>(openPoints),
                                      static_cast<Eigen::Index>(closedPoints)};
      Eigen::Index j = 0;
      for (int part = 0; part < 3; ++part)
        for (Eigen::Index k = 0; k < counts[part]; ++k, ++j) {
          d.data(i, 2 * j) = parts[part][2 * k] * f;
          d.data(i, 2 * j + 1) = parts[part][2 * k + 1] * f;
        }
      double cx = 0, cy = 0;
      for (j = 0; j < L; ++j) {
        cx += d.data(i, 2 * j);
        cy += d.data(i, 2 * j + 1);
      }
      cx /= static_cast<double>(L);
      cy /= static_cast<double>(L);
      double ss = 0;
      for (j = 0; j < L; ++j) {
        const double dx = d.data(i, 2 * j) - cx, dy = d.data(i, 2 * j + 1) - cy;
        ss += dx * dx + dy * dy;
      }
      d.data(i, 2 * L) = std::sqrt(ss);
      named = named || !s.id.empty() || !s.image.empty();
    }
    if (!d.data.allFinite())
      text::fileError(file_, "its scaled coordinates are too large to be represented.");
    if (scaled > 0) d.unscaled = static_cast<long long>(N) - scaled;
    if (named)
      for (const Specimen& s : specimens_) d.ids.push_back(s.id.empty() ? s.image : s.id);
    return d;
  }

  text::LineReader lines_;
  const std::string& file_;
  TpsOptions options_;
  std::vector<Specimen> specimens_;
  std::vector<double> coords_;  // x y of every landmark, specimen after specimen
  // x y of every point of the open curves and of the outlines, when read.
  std::vector<double> openXY_, closedXY_;
  long long L_ = 0;
  long long coordsLeft_ = 0;
  long long pointsLeft_ = 0, pointsTotal_ = 0;
  long pointsLine_ = 0;
  bool inOutlines_ = false;
  std::string lastBlock_;  // the LM= or POINTS= line that announced the last coordinates
  long long lastBlockCount_ = 0;
  long long curvePoints_ = 0, outlinePoints_ = 0;
};

}  // namespace

bool isTpsKeyLine(std::string_view line) {
  return keyLine(text::trim(line)).has_value();
}

TpsData readTps(std::istream& in, const std::string& displayName, const TpsOptions& options) {
  return Parser(in, displayName, options).run();
}

}  // namespace varnok::io

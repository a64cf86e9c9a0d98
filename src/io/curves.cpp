#include "io/curves.hpp"

#include <istream>

#include "io/landmark_text.hpp"

namespace varnok::io {

using Eigen::Index;

std::vector<morpho::Slider> curveSliders(const std::vector<TpsCurve>& curves, long long landmarks,
                                         bool slideEnds) {
  std::vector<morpho::Slider> out;
  Index b = static_cast<Index>(landmarks);
  for (const TpsCurve& c : curves) {
    const auto p = static_cast<Index>(c.points);
    if (c.closed) {
      if (p >= 3)
        for (Index k = 0; k < p; ++k) out.push_back({b + (k + p - 1) % p, b + k, b + (k + 1) % p});
    } else {
      if (slideEnds && p >= 2) out.push_back({b, b, b + 1});
      for (Index k = 1; k + 1 < p; ++k) out.push_back({b + k - 1, b + k, b + k + 1});
      if (slideEnds && p >= 2) out.push_back({b + p - 2, b + p - 1, b + p - 1});
    }
    b += p;
  }
  return out;
}

std::vector<morpho::Slider> readSliders(std::istream& in, const std::string& displayName,
                                        long long L) {
  text::LineReader lines(in);
  std::vector<morpho::Slider> out;
  std::vector<long> slidOn(static_cast<std::size_t>(L > 0 ? L : 0), 0);
  std::string line;
  while (lines.next(line)) {
    const std::string_view t = text::trim(line);
    if (t.empty() || t.front() == '#') continue;
    const long here = lines.number();
    const auto w = text::words(t, true);
    if (w.size() != 3)
      text::lineError(displayName, here,
                      "holds " + std::to_string(w.size()) + (w.size() == 1 ? " word" : " words") +
                          ", but a slider line holds three point numbers: before, slider, after.");
    Index n[3] = {0, 0, 0};
    for (int i = 0; i < 3; ++i) {
      const std::string_view word = w[static_cast<std::size_t>(i)];
      const auto v = text::readCount(word, L);
      if (!v || *v < 1)
        text::lineError(displayName, here,
                        "holds " + text::quoted(word) + ", which is not a point number from 1 to " +
                            std::to_string(L) + ".");
      n[i] = static_cast<Index>(*v);
    }
    if (n[0] == n[1] || n[1] == n[2] || n[0] == n[2])
      text::lineError(displayName, here,
                      "names a point twice; a slider needs three different points.");
    long& first = slidOn[static_cast<std::size_t>(n[1] - 1)];
    if (first != 0)
      text::lineError(displayName, here,
                      "makes point " + std::to_string(n[1]) + " slide again (line " +
                          std::to_string(first) + " already does).");
    first = here;
    out.push_back({n[0] - 1, n[1] - 1, n[2] - 1});
  }
  return out;
}

std::string slidingSummary(long long points, long long sliding, std::size_t curves) {
  std::string s = std::to_string(points) + " points: " + std::to_string(points - sliding) +
                  (points - sliding == 1 ? " landmark, " : " landmarks, ") +
                  std::to_string(sliding) + " sliding";
  if (curves > 0) s += " on " + std::to_string(curves) + (curves == 1 ? " curve" : " curves");
  return s;
}

}  // namespace varnok::io

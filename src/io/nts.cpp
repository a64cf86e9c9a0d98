#include "io/nts.hpp"

#include <algorithm>
#include <cmath>
#include <optional>

#include "io/landmark_text.hpp"

namespace varnok::io {

namespace {

using text::lineError;
using text::quoted;

constexpr long long kMaxCount = 1'000'000'000;

struct Header {
  long long type = 0, N = 0, M = 0;
  bool rowLabels = false, colLabels = false;
  std::optional<double> missing;
  std::optional<long long> dim;
};

// A count with an optional label flag "L" after it.
std::optional<long long> labelledCount(std::string_view w, bool& labels) {
  labels = !w.empty() && (w.back() == 'L' || w.back() == 'l');
  if (labels) w.remove_suffix(1);
  return text::readCount(w, kMaxCount);
}

std::optional<Header> parseHeader(std::string_view line) {
  const auto w = text::words(line, false);
  if (w.size() < 4 || w.size() > 6) return std::nullopt;
  Header h;
  const auto type = text::readCount(w[0], kMaxCount);
  const auto N = labelledCount(w[1], h.rowLabels);
  const auto M = labelledCount(w[2], h.colLabels);
  if (!type || !N || !M || (w[3] != "0" && w[3] != "1")) return std::nullopt;
  h.type = *type;
  h.N = *N;
  h.M = *M;
  std::size_t at = 4;
  if (w[3] == "1") {
    double code = 0;
    if (at >= w.size() || text::readNumber(w[at], code) == text::NumberKind::NotANumber)
      return std::nullopt;
    h.missing = code;
    ++at;
  }
  if (at < w.size()) {
    std::string_view d = w[at];
    if (d.size() < 4 || (d[0] != 'D' && d[0] != 'd') || (d[1] != 'I' && d[1] != 'i') ||
        (d[2] != 'M' && d[2] != 'm') || d[3] != '=')
      return std::nullopt;
    h.dim = text::readCount(d.substr(4), kMaxCount);
    if (!h.dim) return std::nullopt;
    ++at;
  }
  if (at != w.size()) return std::nullopt;
  return h;
}

bool isComment(std::string_view t) {
  return t.front() == '"' || t.front() == '\'';
}

}  // namespace

bool isNtsHeader(std::string_view line) {
  const auto h = parseHeader(text::trim(line));
  return h && h->type == 1;
}

NtsData readNts(std::istream& in, const std::string& file) {
  text::LineReader lines(in);
  std::string line;
  std::optional<Header> header;
  long headerLine = 0;
  long long labelsLeft = 0;
  std::vector<std::string> rowLabels;
  std::vector<double> values;
  long long total = 0;

  while (lines.next(line)) {
    const std::string_view t = text::trim(line);
    if (t.empty() || isComment(t)) continue;
    if (!header) {
      header = parseHeader(t);
      headerLine = lines.number();
      if (!header)
        lineError(file, headerLine,
                  "holds " + quoted(t) +
                      ", which is not an NTS header such as \"1 30 24 0\" (type, rows, columns, "
                      "missing-value flag).");
      const Header& h = *header;
      if (h.type != 1)
        lineError(file, headerLine,
                  "holds matrix type " + std::to_string(h.type) +
                      "; landmark data are a rectangular matrix, type 1.");
      if (h.dim && *h.dim != 2)
        lineError(file, headerLine,
                  "holds DIM=" + std::to_string(*h.dim) +
                      ": only two-dimensional landmarks can be used.");
      if (h.N < 1) lineError(file, headerLine, "announces no rows.");
      if (h.M < 2)
        lineError(file, headerLine,
                  "announces " + std::to_string(h.M) + (h.M == 1 ? " column" : " columns") +
                      ", but a landmark needs two: an x and a y.");
      labelsLeft = (h.rowLabels ? h.N : 0) + (h.colLabels ? h.M : 0);
      total = h.N * h.M;  // both at most 10^9, so no overflow
      values.reserve(static_cast<std::size_t>(std::min<long long>(total, 1 << 20)));
      continue;
    }
    for (std::string_view word : text::words(t, false)) {
      if (labelsLeft > 0) {
        // Row labels come first, then the column labels, which name nothing
        // the analysis shows.
        if (header->rowLabels && static_cast<long long>(rowLabels.size()) < header->N)
          rowLabels.emplace_back(word);
        --labelsLeft;
        continue;
      }
      for (std::string_view part : text::words(word, true)) {
        if (static_cast<long long>(values.size()) == total)
          lineError(file, lines.number(),
                    "holds more numbers than the " + std::to_string(header->N) + " rows of " +
                        std::to_string(header->M) + " columns that the header on line " +
                        std::to_string(headerLine) + " announces.");
        double v = 0;
        const auto kind = text::readNumber(part, v);
        if (kind == text::NumberKind::NotANumber)
          lineError(file, lines.number(), "holds " + quoted(part) + ", which is not a number.");
        if (header->missing && v == *header->missing)
          lineError(file, lines.number(),
                    "holds the missing-value code " + quoted(part) +
                        "; every landmark of every specimen must be present.");
        if (kind == text::NumberKind::NotFinite)
          lineError(file, lines.number(),
                    "holds " + quoted(part) + ", which is not a finite number.");
        values.push_back(v);
      }
    }
  }

  NtsData d;
  if (!header) return d;
  if (labelsLeft > 0)
    text::fileError(file, "it ends at line " + std::to_string(lines.number()) +
                              " before the labels that the header on line " +
                              std::to_string(headerLine) + " announces are complete.");
  if (static_cast<long long>(values.size()) < total)
    text::fileError(file, "it ends at line " + std::to_string(lines.number()) + " after " +
                              std::to_string(values.size()) + " of the " + std::to_string(total) +
                              " numbers (" + std::to_string(header->N) + " rows of " +
                              std::to_string(header->M) + ") that the header on line " +
                              std::to_string(headerLine) + " announces.");

  const auto N = static_cast<Eigen::Index>(header->N);
  const auto M = static_cast<Eigen::Index>(header->M);
  const Eigen::Index L = M / 2;
  const bool hasSize = M % 2 == 1;
  d.data.resize(N, 2 * L + 1);
  for (Eigen::Index i = 0; i < N; ++i) {
    const double* row = values.data() + i * M;
    for (Eigen::Index c = 0; c < M; ++c) d.data(i, c) = row[c];
    if (hasSize) continue;
    double cx = 0, cy = 0;
    for (Eigen::Index j = 0; j < L; ++j) {
      cx += row[2 * j];
      cy += row[2 * j + 1];
    }
    cx /= static_cast<double>(L);
    cy /= static_cast<double>(L);
    double ss = 0;
    for (Eigen::Index j = 0; j < L; ++j) {
      const double dx = row[2 * j] - cx, dy = row[2 * j + 1] - cy;
      ss += dx * dx + dy * dy;
    }
    d.data(i, 2 * L) = std::sqrt(ss);
  }
  if (!d.data.allFinite())
    text::fileError(file, "its coordinates are too large for their centroid size.");
  d.ids = std::move(rowLabels);
  return d;
}

}  // namespace varnok::io

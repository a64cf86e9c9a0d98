#include "io/links.hpp"

#include <istream>
#include <sstream>

#include "io/input_file.hpp"
#include "io/landmark_list_file.hpp"
#include "io/landmark_text.hpp"

namespace varnok::io {

using Link = session::Session::Link;

std::vector<Link> readLinks(std::istream& in, const std::string& displayName, long long L) {
  text::LineReader lines(in);
  std::vector<Link> out;
  std::string line;
  while (lines.next(line)) {
    const std::string_view t = text::trim(line);
    if (t.empty() || t.front() == '#') continue;
    const long here = lines.number();
    const auto w = text::words(t, true);
    if (w.size() != 2)
      text::lineError(displayName, here,
                      "holds " + std::to_string(w.size()) + (w.size() == 1 ? " word" : " words") +
                          ", but a link line holds two landmark numbers.");
    long long n[2] = {0, 0};
    for (int i = 0; i < 2; ++i) {
      const std::string_view word = w[static_cast<std::size_t>(i)];
      const auto v = text::readCount(word, L);
      if (!v || *v < 1)
        text::lineError(displayName, here,
                        "holds " + text::quoted(word) +
                            ", which is not a landmark number from 1 to " + std::to_string(L) +
                            ".");
      n[i] = static_cast<long long>(*v);
    }
    if (n[0] == n[1])
      text::lineError(displayName, here,
                      "joins landmark " + std::to_string(n[0]) +
                          " to itself; a link needs two different landmarks.");
    out.push_back({n[0] - 1, n[1] - 1});
  }
  return out;
}

void LoadLinks(session::Session& session, window::Window& window, Console& console) {
  auto read = askForLandmarkList(session, window, "Load Links",
                                 "Load the landmark data first: the links name its landmarks.",
                                 "link", readLinks);
  if (!read) return;
  session.links = std::move(read->items);
  session.linksLandmarks = static_cast<long long>(session.state.DATA->cols() - 1) / 2;
  console.line("Read " + std::to_string(session.links.size()) +
               (session.links.size() == 1 ? " link" : " links") + " from " + read->fileName +
               "; they are drawn in every picture of a shape.");
}

void keepLinksFor(session::Session& session, long long landmarks) {
  if (session.linksLandmarks == landmarks) return;
  session.links.clear();
  session.linksLandmarks = 0;
}

}  // namespace varnok::io

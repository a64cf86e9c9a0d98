// CSV cells: whatever the text, its cell reads back as the text (after the
// apostrophe that keeps a formula a text) and never starts a formula.
#include <cstdlib>
#include <string>

#include "fuzz_support.hpp"
#include "platform/matrix/text.hpp"

using namespace varnok;

namespace {

// One cell as RFC 4180 reads it; false when cell is not one whole cell.
bool readCell(std::string_view cell, std::string& out) {
  out.clear();
  if (cell.empty() || cell.front() != '"') {
    if (cell.find_first_of(",\"\r\n") != std::string_view::npos) return false;
    out = cell;
    return true;
  }
  for (std::size_t i = 1; i < cell.size(); ++i) {
    if (cell[i] != '"') {
      out += cell[i];
      continue;
    }
    if (i + 1 == cell.size()) return true;
    if (cell[i + 1] != '"') return false;
    out += '"';
    ++i;
  }
  return false;  // no closing quote
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text = fuzz::asText(data, size);
  const std::string cell = csvField(text);
  std::string back;
  if (!readCell(cell, back)) std::abort();
  const bool formula =
      !text.empty() && std::string_view("=+-@\t\r").find(text.front()) != std::string_view::npos;
  if (back != (formula ? "'" : "") + std::string(text)) std::abort();
  if (!back.empty() && std::string_view("=+-@\t\r").find(back.front()) != std::string_view::npos)
    std::abort();
  // The rule for text read from files always gives UTF-8, and keeps UTF-8.
  const std::string utf8 = utf8FromFile(text);
  if (!isUtf8(utf8) || (isUtf8(text) && utf8 != text)) std::abort();
  return 0;
}

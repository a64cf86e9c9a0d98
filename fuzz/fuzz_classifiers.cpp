// Tables of classifiers: the reader, then the match of its rows to the
// loaded specimens, with the names the first rows give and without names.
#include <cstdlib>

#include "fuzz_support.hpp"
#include "io/classifiers.hpp"
#include "io/input_file.hpp"
#include "platform/matrix/text.hpp"

using namespace varnok;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  io::ClassifierTable table;
  try {
    table = io::parseClassifierTable(fuzz::asText(data, size), "table.csv");
  } catch (const io::DataFileError&) {
    return 0;
  }
  // Every row as wide as the header, every field text the pictures can draw.
  if (table.rows.size() != table.lines.size()) std::abort();
  for (const auto& name : table.header)
    if (!isUtf8(name)) std::abort();
  for (const auto& row : table.rows) {
    if (row.size() != table.header.size()) std::abort();
    for (const auto& field : row)
      if (!isUtf8(field)) std::abort();
  }
  std::vector<std::string> ids;
  for (std::size_t r = 0; r < table.rows.size() && r < 4; ++r) ids.push_back(table.rows[r][0]);
  for (const auto& [names, count] :
       {std::pair{ids, ids.size()}, std::pair{std::vector<std::string>{}, table.rows.size()}}) {
    try {
      const io::MatchedClassifiers m = io::matchClassifiers(table, names, count, "table.csv");
      for (const auto& column : m.classifiers.values)
        if (column.size() != count) std::abort();
    } catch (const io::DataFileError&) {
    }
  }
  return 0;
}

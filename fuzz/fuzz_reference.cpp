// Reference forms: the reader, then an analysis onto the loaded reference.
#include "fuzz_support.hpp"

using namespace varnok::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes = asText(data, size);
  if (!readerAccepts(bytes)) return 0;
  writeFile("data.txt", kData);
  writeFile("reference.txt", bytes);
  Session s;
  s.load("LoadData", "data.txt");
  s.load("LoadReference", "reference.txt");
  s.act("NoGroupList");
  s.act("ShowPCAAxis");
  return 0;
}

// Symbol code tables: the reader, then an analysis by groups and a score plot
// drawn with the table's colours, markers, sizes and fills, rendered.
#include <cairo.h>

#include "fuzz_support.hpp"
#include "platform/graphics/render.hpp"

using namespace varnok::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes = asText(data, size);
  if (!readerAccepts(bytes)) return 0;
  writeFile("data.txt", kData);
  writeFile("groups.txt", kGroups);
  writeFile("codes.txt", bytes);
  Session s;
  s.load("LoadData", "data.txt");
  s.load("CodeLoad", "codes.txt");
  s.load("LoadGroupList", "groups.txt");
  s.act("ShowPCAAxis");
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 160, 120);
  cairo_t* cr = cairo_create(surface);
  varnok::graphics::render(s.window().figure(), cr, 160, 120);
  cairo_destroy(cr);
  cairo_surface_destroy(surface);
  return 0;
}

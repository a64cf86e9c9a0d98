// Painting markers with Cairo: the shapes of the marker table
// (marker_shapes.hpp) in the look of marker_style.hpp drawn as paths or
// stamped as sprites, shared by the renderer's screen and file output.
//
// Sizes are in the renderer's user units (pixels).
#pragma once

#include <cairo.h>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

#include "platform/graphics/backend.hpp"
#include "platform/graphics/graphics.hpp"
#include "platform/graphics/marker_shapes.hpp"
#include "platform/graphics/marker_style.hpp"

namespace varnok::graphics {

// Appends one marker at (x, y) to the current path.
void emitMarker(cairo_t* cr, const MarkerShape& shape, double x, double y);

// Fills and strokes the current path (markers emitted with shape) in style,
// then clears the path.
void paintMarkers(cairo_t* cr, const MarkerShape& shape, const MarkerStyle& style);

// Paints markers straight into the pixels of an image surface from small
// pre-rendered sprites (one per quarter-pixel offset), for the screen and
// PNG files where tens of thousands of markers would otherwise each be
// filled and stroked as paths. Each marker is composited whole, in order.
//
// Markers of one look that fall on the same quarter-pixel cell get the same
// sprite at the same pixels. Within a run of markers of one opaque,
// one-coloured look (nothing else drawn in between) such a repeat is stamped
// once: painting it again would only darken the antialiased rim of a marker
// already there, so the picture keeps every marker where it was and loses
// only that darkening. Translucent looks, where repeats deepen the colour,
// and two-coloured ones, where the order shows, stamp every marker.
class MarkerStamper final : public PixelStamp {
 public:
  // A stamper for cr, or null when cr does not draw straight into an image
  // surface with an axis-aligned transform (vector files, groups, rotation);
  // those use paths. Stamps are clipped to the user rectangle
  // (0, 0)-(clipWidth, clipHeight).
  static std::unique_ptr<MarkerStamper> forContext(cairo_t* cr, double clipWidth,
                                                   double clipHeight);
  ~MarkerStamper() override;

  // Paints one marker centred at the user point (x, y). False when this
  // marker is too large for a sprite (or its sprite cannot be made): the
  // caller draws it as a path instead, after release().
  bool stamp(const MarkerStyle& style, double x, double y) override;
  // Hands the pixels back to Cairo; call before drawing anything else with
  // Cairo. Stamping may resume afterwards.
  void release() override;
  std::unique_ptr<RepeatSieve> repeatSieve(const MarkerStyle& style) override;
  int lookNumber(const MarkerStyle& style) override;
  bool stampLook(int look, double x, double y) override;
  std::unique_ptr<Placement> placement(const std::vector<int>& looks, std::size_t most) override;
  void stampPlaced(const Placement& placed) override;
  // Whether repeats are stamped once (the default) or every time.
  void stampRepeatsOnce(bool once) { repeatsOnce_ = once; }
  // Whether whole blocks are blended (the default) or one pixel at a time;
  // the pixels are the same either way.
  void blendBlocks(bool on) { wideBlends_ = on; }
  // Whether many markers are painted by two threads, each in its band of
  // rows (the default where there are two cores); the pixels are the same.
  void paintOnTwoThreads(bool on) { twoThreads_ = on; }

 private:
  MarkerStamper() = default;
  struct Sprite {
    int size = 0;  // square, size x size pixels
    int centre = 0;
    int pitch = 0;                      // pixels from one row to the next
    std::vector<std::uint32_t> pixels;  // premultiplied ARGB
    // The painted part [left, right) x [top, bottom): stamping skips the
    // transparent margin, most of a small marker's square.
    int left = 0, top = 0, right = 0, bottom = 0;
  };
  struct Entry {
    MarkerStyle style;
    std::array<Sprite, 16> phases;  // 4 x 4 quarter-pixel offsets
    bool repeatsInvisible = false;  // opaque and of one colour
  };
  // A marker whose pixels are known and not yet painted: rows [r0, r1) and
  // columns [c0, c1) of sprite at (left, top), whole blocks or not.
  struct Pending {
    const Sprite* sprite;
    int left, top, r0, r1, c0, c1;
    bool blocks;
  };
  // Blocks are of 4 or 8 pixels and start within the painted part, so they
  // run at most 3 pixels past its end.
  static constexpr int kBlockPad = 4;
  // Markers are painted in batches, on two threads when a batch is large.
  static constexpr std::size_t kMostPending = 1 << 15;
  static constexpr std::size_t kParallelPending = 2048;
  class Placed;
  // Where sprite, stamped in cell c, lands in the picture; false when no
  // pixel of it is inside the clip.
  bool land(const Sprite& sprite, QuarterCell c, Pending& out) const;
  // Takes the image's pixels from Cairo, if not yet held; false when it has none.
  bool hold();
  void addPending(const Pending& p);
  // Looks remembered with their sprites; more start the cache again.
  static constexpr std::size_t kMostLooks = 64;
  bool stampAt(Entry& entry, QuarterCell c);
  void paintPending();
  void paintBand(int y0, int y1) const;
  Entry& entryFor(const MarkerStyle& style);
  // Null when the sprite would be too large or cannot be allocated.
  const Sprite* sprite(Entry& e, int phase);
  // The cell of device pixel (px, py) in the current run of e's markers (a
  // new look starts a new run), or null when e's repeats must be stamped or
  // the pixel is outside the clip.
  std::uint16_t* cellOf(const Entry& e, int px, int py);
  // Forgets the cells of the run.
  void endRun();

  cairo_surface_t* surface_ = nullptr;
  unsigned char* data_ = nullptr;
  int stride_ = 0;
  int clip_[4] = {0, 0, 0, 0};                // x0 y0 x1 y1 in device pixels, exclusive ends
  double xx_ = 1, yy_ = 1, x0_ = 0, y0_ = 0;  // user to device
  cairo_antialias_t antialias_ = CAIRO_ANTIALIAS_DEFAULT;
  bool holding_ = false;
  int dirty_[4] = {0, 0, 0, 0};
  std::vector<std::unique_ptr<Entry>> cache_;
  Entry* last_ = nullptr;
  // The cells stamped in the current run: one bit per quarter-pixel phase of
  // each pixel of the clip, and the box of the pixels marked.
  bool repeatsOnce_ = true;
  bool wideBlends_ = true;
  bool twoThreads_ = std::thread::hardware_concurrency() >= 2;
  std::vector<Pending> pending_;
  const Entry* run_ = nullptr;
  std::vector<std::uint16_t> seen_;
  bool seenFailed_ = false;
  int runBox_[4] = {0, 0, 0, 0};
};

}  // namespace varnok::graphics

#include "platform/graphics/markers.hpp"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <system_error>
#include <thread>

namespace varnok::graphics {

namespace {

std::optional<Rgb> resolve(const ColorSpec& c, Rgb autoColor) {
  switch (c.mode) {
    case ColorSpec::Mode::None:
      return std::nullopt;
    case ColorSpec::Mode::Auto:
      return autoColor;
    case ColorSpec::Mode::Rgb:
      break;
  }
  return c.rgb;
}

// Sprites larger than this (pixels square) are not made: a few large
// markers are drawn as paths, and sixteen phases of a huge sprite would take
// more memory than the picture.
constexpr int kMaxSpritePx = 129;

// Premultiplied OVER: dst = src + dst * (255 - a) / 255, two channels at a
// time; the rounded division by 255 is exact at a = 0 and a = 255, so
// transparent pixels keep the destination and opaque ones replace it.
inline std::uint32_t blend(std::uint32_t dv, std::uint32_t sv) {
  const std::uint32_t ia = 255 - (sv >> 24);
  std::uint32_t rb = (dv & 0x00ff00ffu) * ia + 0x00800080u;
  rb = ((rb + ((rb >> 8) & 0x00ff00ffu)) >> 8) & 0x00ff00ffu;
  std::uint32_t ag = ((dv >> 8) & 0x00ff00ffu) * ia + 0x00800080u;
  ag = ((ag + ((ag >> 8) & 0x00ff00ffu)) >> 8) & 0x00ff00ffu;
  return sv + (rb | (ag << 8));
}

// Blocks of 8 and of 4 pixels in the compiler's vector types. (Declared
// here, not from a template's parameter, which GCC would silently ignore.)
using Block8 = std::uint32_t __attribute__((vector_size(32)));
using Block4 = std::uint32_t __attribute__((vector_size(16)));

// blend over a block of pixels at once (one or two instructions an
// operation), with exactly the same arithmetic.
template <class Block>
inline void blendBlock(std::uint32_t* d, const std::uint32_t* s) {
  static_assert(sizeof(Block) == 16 || sizeof(Block) == 32, "a vector of pixels");
  Block sv, dv;
  std::memcpy(&sv, s, sizeof sv);
  std::memcpy(&dv, d, sizeof dv);
  const Block ia = 255u - (sv >> 24);
  Block rb = (dv & 0x00ff00ffu) * ia + 0x00800080u;
  rb = ((rb + ((rb >> 8) & 0x00ff00ffu)) >> 8) & 0x00ff00ffu;
  Block ag = ((dv >> 8) & 0x00ff00ffu) * ia + 0x00800080u;
  ag = ((ag + ((ag >> 8) & 0x00ff00ffu)) >> 8) & 0x00ff00ffu;
  const Block out = sv + (rb | (ag << 8));
  std::memcpy(d, &out, sizeof out);
}

}  // namespace

std::optional<double> drawableSize(double points, double maxPx) {
  if (!std::isfinite(points) || !(points > 0)) return std::nullopt;
  return std::min(points * kPixelsPerPoint, maxPx);
}

MarkerStyle markerStyleOf(const Line& line, Rgb axesColor) {
  MarkerStyle s;
  const auto size = drawableSize(line.markerSize, kMaxMarkerSizePx);
  if (!size) return s;  // no marker
  const auto width = drawableSize(line.lineWidth, kMaxLineWidthPx);
  s.marker = line.marker;
  s.sizePx = *size;
  s.lineWidthPx = width.value_or(0);
  s.edge = resolve(line.markerEdgeColor, line.color);
  s.face = resolve(line.markerFaceColor, axesColor);
  s.alpha = std::isfinite(line.markerAlpha) ? std::clamp<double>(line.markerAlpha, 0, 1) : 1;
  if (s.marker == '.') {
    s.face = s.edge ? s.edge : s.face;
    s.edge.reset();
  } else if (s.marker == 'x' || s.marker == '+' || s.marker == '*') {
    s.face.reset();
  }
  if (!width) s.edge.reset();
  return s;
}

void emitMarker(cairo_t* cr, const MarkerShape& s, double x, double y) {
  switch (s.kind) {
    case MarkerShape::Kind::Circle:
    case MarkerShape::Kind::Dot: {
      // Four cubic arcs: cheaper to build than cairo_arc and exact enough.
      const double r = s.radius, k = 0.5522847498 * r;
      cairo_move_to(cr, x + r, y);
      cairo_curve_to(cr, x + r, y + k, x + k, y + r, x, y + r);
      cairo_curve_to(cr, x - k, y + r, x - r, y + k, x - r, y);
      cairo_curve_to(cr, x - r, y - k, x - k, y - r, x, y - r);
      cairo_curve_to(cr, x + k, y - r, x + r, y - k, x + r, y);
      cairo_close_path(cr);
      break;
    }
    case MarkerShape::Kind::Polygon:
      cairo_move_to(cr, x + s.points[0][0], y + s.points[0][1]);
      for (int i = 1; i < s.count; ++i) {
        const auto& p = s.points[static_cast<std::size_t>(i)];
        cairo_line_to(cr, x + p[0], y + p[1]);
      }
      cairo_close_path(cr);
      break;
    case MarkerShape::Kind::Strokes:
      for (int i = 0; i + 1 < s.count; i += 2) {
        const auto& a = s.points[static_cast<std::size_t>(i)];
        const auto& b = s.points[static_cast<std::size_t>(i + 1)];
        cairo_move_to(cr, x + a[0], y + a[1]);
        cairo_line_to(cr, x + b[0], y + b[1]);
      }
      break;
  }
}

void paintMarkers(cairo_t* cr, const MarkerShape& shape, const MarkerStyle& style) {
  const bool stroke = style.edge && shape.kind != MarkerShape::Kind::Dot;
  if (style.face && shape.fillable()) {
    cairo_set_source_rgba(cr, style.face->r, style.face->g, style.face->b, style.alpha);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
    stroke ? cairo_fill_preserve(cr) : cairo_fill(cr);
  }
  if (stroke) {
    cairo_set_source_rgba(cr, style.edge->r, style.edge->g, style.edge->b, style.alpha);
    cairo_set_line_width(cr, style.lineWidthPx);
    cairo_set_dash(cr, nullptr, 0, 0);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
    cairo_set_line_join(cr, shape.kind == MarkerShape::Kind::Circle ? CAIRO_LINE_JOIN_ROUND
                                                                    : CAIRO_LINE_JOIN_MITER);
    cairo_set_miter_limit(cr, 4);
    cairo_stroke(cr);
  }
  cairo_new_path(cr);
}

}  // namespace varnok::graphics

namespace varnok::graphics {

std::unique_ptr<MarkerStamper> MarkerStamper::forContext(cairo_t* cr, double clipWidth,
                                                         double clipHeight) {
  cairo_surface_t* target = cairo_get_target(cr);
  if (cairo_get_group_target(cr) != target) return nullptr;
  if (cairo_surface_get_type(target) != CAIRO_SURFACE_TYPE_IMAGE) return nullptr;
  const cairo_format_t format = cairo_image_surface_get_format(target);
  if (format != CAIRO_FORMAT_ARGB32 && format != CAIRO_FORMAT_RGB24) return nullptr;
  double ox = 0, oy = 0, dsx = 1, dsy = 1;
  cairo_surface_get_device_offset(target, &ox, &oy);
  cairo_surface_get_device_scale(target, &dsx, &dsy);
  if (ox != 0 || oy != 0 || dsx != 1 || dsy != 1) return nullptr;
  cairo_matrix_t m;
  cairo_get_matrix(cr, &m);
  if (m.xy != 0 || m.yx != 0 || !(m.xx > 0) || !(m.yy > 0)) return nullptr;

  // The stamps keep inside the caller's clip, which must be one rectangle.
  cairo_rectangle_list_t* rects = cairo_copy_clip_rectangle_list(cr);
  const bool simple = rects->status == CAIRO_STATUS_SUCCESS && rects->num_rectangles <= 1;
  double ux0 = 0, uy0 = 0, ux1 = clipWidth, uy1 = clipHeight;
  if (simple && rects->num_rectangles == 1) {
    const cairo_rectangle_t& r = rects->rectangles[0];
    ux0 = std::max(ux0, r.x);
    uy0 = std::max(uy0, r.y);
    ux1 = std::min(ux1, r.x + r.width);
    uy1 = std::min(uy1, r.y + r.height);
  }
  cairo_rectangle_list_destroy(rects);
  if (!simple) return nullptr;

  std::unique_ptr<MarkerStamper> s(new MarkerStamper);
  s->surface_ = target;
  s->xx_ = m.xx;
  s->yy_ = m.yy;
  s->x0_ = m.x0;
  s->y0_ = m.y0;
  const int w = cairo_image_surface_get_width(target), h = cairo_image_surface_get_height(target);
  // Clamped before rounding: a float beyond int's range must never be cast.
  const auto dev = [](double v) {
    return std::isnan(v) ? 0 : static_cast<int>(std::lround(std::clamp(v, -1e9, 1e9)));
  };
  s->clip_[0] = std::clamp(dev(m.xx * ux0 + m.x0), 0, w);
  s->clip_[1] = std::clamp(dev(m.yy * uy0 + m.y0), 0, h);
  s->clip_[2] = std::clamp(dev(m.xx * ux1 + m.x0), 0, w);
  s->clip_[3] = std::clamp(dev(m.yy * uy1 + m.y0), 0, h);
  s->antialias_ = cairo_get_antialias(cr);
  return s;
}

MarkerStamper::~MarkerStamper() {
  release();
}

MarkerStamper::Entry& MarkerStamper::entryFor(const MarkerStyle& style) {
  if (last_ && last_->style == style) return *last_;
  for (auto& e : cache_) {
    if (e->style == style) return *(last_ = e.get());
  }
  if (cache_.size() >= kMostLooks) {  // many distinct looks: start again
    paintPending();                   // before their sprites go
    endRun();
    cache_.clear();
  }
  cache_.push_back(std::make_unique<Entry>());
  Entry& e = *cache_.back();
  e.style = style;
  e.repeatsInvisible =
      style.alpha >= 1 && !(style.face && style.edge && *style.face != *style.edge);
  return *(last_ = &e);
}

std::uint16_t* MarkerStamper::cellOf(const Entry& e, int px, int py) {
  if (&e != run_) {
    endRun();
    run_ = &e;
  }
  if (!repeatsOnce_ || !e.repeatsInvisible || seenFailed_) return nullptr;
  const int w = clip_[2] - clip_[0], h = clip_[3] - clip_[1];
  const int col = px - clip_[0], row = py - clip_[1];
  if (col < 0 || row < 0 || col >= w || row >= h) return nullptr;
  if (seen_.empty()) {
    try {
      seen_.assign(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), 0);
    } catch (const std::bad_alloc&) {
      seenFailed_ = true;  // every marker is stamped, as without this
      return nullptr;
    }
    runBox_[0] = w, runBox_[1] = h, runBox_[2] = 0, runBox_[3] = 0;
  }
  runBox_[0] = std::min(runBox_[0], col);
  runBox_[1] = std::min(runBox_[1], row);
  runBox_[2] = std::max(runBox_[2], col + 1);
  runBox_[3] = std::max(runBox_[3], row + 1);
  return &seen_[static_cast<std::size_t>(row) * static_cast<std::size_t>(w) +
                static_cast<std::size_t>(col)];
}

void MarkerStamper::endRun() {
  run_ = nullptr;
  if (seen_.empty() || runBox_[2] <= runBox_[0]) return;
  const auto w = static_cast<std::size_t>(clip_[2] - clip_[0]);
  for (int r = runBox_[1]; r < runBox_[3]; ++r)
    std::fill_n(seen_.begin() + static_cast<std::ptrdiff_t>(static_cast<std::size_t>(r) * w +
                                                            static_cast<std::size_t>(runBox_[0])),
                runBox_[2] - runBox_[0], std::uint16_t{0});
  runBox_[0] = static_cast<int>(w), runBox_[1] = clip_[3] - clip_[1], runBox_[2] = 0,
  runBox_[3] = 0;
}

const MarkerStamper::Sprite* MarkerStamper::sprite(Entry& e, int phase) {
  Sprite& sp = e.phases[static_cast<std::size_t>(phase)];
  if (sp.size > 0) return &sp;
  const MarkerStyle& st = e.style;
  const double scale = std::max(xx_, yy_);
  // The widest shapes (stars) reach 1.35 times half the size, plus the edge.
  const double half = (0.7 * st.sizePx + st.lineWidthPx + 1) * scale + 1;
  if (!(half < 0.5 * kMaxSpritePx - 1)) return nullptr;  // also NaN
  const int centre = static_cast<int>(std::ceil(half)) + 1;
  const int size = 2 * centre + 1;
  cairo_surface_t* img = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, size, size);
  if (cairo_surface_status(img) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(img);
    return nullptr;
  }
  cairo_t* cr = cairo_create(img);
  cairo_set_antialias(cr, antialias_);
  cairo_translate(cr, centre + (phase % 4) / 4.0, centre + (phase / 4) / 4.0);
  cairo_scale(cr, xx_, yy_);
  const MarkerShape shape = markerShape(st.marker, st.sizePx);
  emitMarker(cr, shape, 0, 0);
  paintMarkers(cr, shape, st);
  const bool drawn = cairo_status(cr) == CAIRO_STATUS_SUCCESS;
  cairo_destroy(cr);
  cairo_surface_flush(img);
  const unsigned char* data = cairo_image_surface_get_data(img);
  const int stride = cairo_image_surface_get_stride(img);
  if (!drawn || data == nullptr) {
    cairo_surface_destroy(img);
    return nullptr;
  }
  // Rows carry kBlockPad transparent pixels past the sprite's last column,
  // so a block that runs past a marker's edge still reads the sprite.
  const int pitch = size + kBlockPad;
  try {
    sp.pixels.assign(static_cast<std::size_t>(pitch) * static_cast<std::size_t>(size), 0);
  } catch (const std::bad_alloc&) {
    cairo_surface_destroy(img);
    return nullptr;
  }
  for (int r = 0; r < size; ++r) {
    std::memcpy(&sp.pixels[static_cast<std::size_t>(r) * static_cast<std::size_t>(pitch)],
                data + static_cast<std::ptrdiff_t>(r) * stride, static_cast<std::size_t>(size) * 4);
  }
  cairo_surface_destroy(img);
  sp.pitch = pitch;
  sp.left = size, sp.top = size, sp.right = 0, sp.bottom = 0;
  for (int r = 0; r < size; ++r)
    for (int c = 0; c < size; ++c)
      if ((sp.pixels[static_cast<std::size_t>(r * pitch + c)] >> 24) != 0) {
        sp.left = std::min(sp.left, c);
        sp.right = std::max(sp.right, c + 1);
        sp.top = std::min(sp.top, r);
        sp.bottom = std::max(sp.bottom, r + 1);
      }
  sp.size = size;
  sp.centre = centre;
  return &sp;
}

bool MarkerStamper::stamp(const MarkerStyle& style, double x, double y) {
  const auto c = quarterCell(xx_ * x + x0_, yy_ * y + y0_);
  if (!c) return true;  // nowhere to draw
  return stampAt(last_ != nullptr && last_->style == style ? *last_ : entryFor(style), *c);
}

int MarkerStamper::lookNumber(const MarkerStyle& style) {
  for (std::size_t i = 0; i < cache_.size(); ++i)
    if (cache_[i]->style == style) return static_cast<int>(i);
  // A full cache would start again and forget the numbers given out.
  if (cache_.size() >= kMostLooks) return -1;
  entryFor(style);
  return static_cast<int>(cache_.size()) - 1;
}

bool MarkerStamper::stampLook(int look, double x, double y) {
  const auto c = quarterCell(xx_ * x + x0_, yy_ * y + y0_);
  if (!c) return true;
  Entry& entry = *cache_[static_cast<std::size_t>(look)];
  last_ = &entry;
  return stampAt(entry, *c);
}

bool MarkerStamper::stampAt(Entry& entry, QuarterCell c) {
  // A repeat is known before its sprite is looked up: a cell is marked only
  // once its sprite was stamped.
  std::uint16_t* cell = cellOf(entry, c.x, c.y);
  const auto bit = static_cast<std::uint16_t>(1u << c.phase);
  if (cell != nullptr && (*cell & bit) != 0) return true;
  const Sprite* sp = sprite(entry, c.phase);
  if (sp == nullptr) return false;
  if (cell != nullptr) *cell = static_cast<std::uint16_t>(*cell | bit);
  if (!hold()) return false;
  Pending p;
  if (land(*sp, c, p)) addPending(p);
  return true;
}

bool MarkerStamper::hold() {
  if (holding_) return true;
  cairo_surface_flush(surface_);
  data_ = cairo_image_surface_get_data(surface_);
  stride_ = cairo_image_surface_get_stride(surface_);
  if (data_ == nullptr) return false;
  holding_ = true;
  dirty_[0] = clip_[2];
  dirty_[1] = clip_[3];
  dirty_[2] = clip_[0];
  dirty_[3] = clip_[1];
  return true;
}

void MarkerStamper::addPending(const Pending& p) {
  pending_.push_back(p);
  dirty_[0] = std::min(dirty_[0], p.left + p.c0);
  dirty_[1] = std::min(dirty_[1], p.top + p.r0);
  // Whole blocks end past the painted part only where the image goes on.
  dirty_[2] = std::max(dirty_[2], p.left + (p.blocks ? std::min(p.c1, p.sprite->right) : p.c1));
  dirty_[3] = std::max(dirty_[3], p.top + p.r1);
  if (pending_.size() >= kMostPending) paintPending();
}

class MarkerStamper::Placed final : public PixelStamp::Placement {
 public:
  Placed(const MarkerStamper& stamper, std::size_t most) : stamper_(stamper) {
    pending.reserve(most);  // so that placing never allocates
  }
  void place(int look, double x, double y) override {
    const auto c = quarterCell(stamper_.xx_ * x + stamper_.x0_, stamper_.yy_ * y + stamper_.y0_);
    if (!c) return;
    const Entry& e = *stamper_.cache_[static_cast<std::size_t>(look)];
    Pending p;
    if (stamper_.land(e.phases[static_cast<std::size_t>(c->phase)], *c, p) &&
        pending.size() < pending.capacity())
      pending.push_back(p);
  }
  void clear() override { pending.clear(); }
  std::vector<Pending> pending;

 private:
  const MarkerStamper& stamper_;
};

bool MarkerStamper::land(const Sprite& sprite, QuarterCell c, Pending& out) const {
  const Sprite* sp = &sprite;
  const int left = c.x - sp->centre, top = c.y - sp->centre;
  const int c0 = std::max(sp->left, clip_[0] - left), c1 = std::min(sp->right, clip_[2] - left);
  const int r0 = std::max(sp->top, clip_[1] - top), r1 = std::min(sp->bottom, clip_[3] - top);
  if (c0 >= c1 || r0 >= r1) return false;
  // Whole blocks of 4 or 8 pixels where the image has them: the pixels past
  // the marker's edge take transparent ones, which leave them as they were,
  // and one block is a few vector instructions.
  const int wide = (c1 - c0 + 3) / 4 * 4;
  const bool blocks = wideBlends_ && left + c0 + wide <= clip_[2];
  out = {sp, left, top, r0, r1, c0, blocks ? c0 + wide : c1, blocks};
  return true;
}

std::unique_ptr<PixelStamp::Placement> MarkerStamper::placement(const std::vector<int>& looks,
                                                                std::size_t most) {
  for (int look : looks) {
    if (look < 0 || static_cast<std::size_t>(look) >= cache_.size()) return nullptr;
    Entry& e = *cache_[static_cast<std::size_t>(look)];
    if (repeatsOnce_ && e.repeatsInvisible) return nullptr;
    for (int phase = 0; phase < 16; ++phase)
      if (sprite(e, phase) == nullptr) return nullptr;
  }
  return std::make_unique<Placed>(*this, most);
}

void MarkerStamper::stampPlaced(const Placement& placed) {
  const auto& marks = static_cast<const Placed&>(placed).pending;
  if (marks.empty()) return;
  // The run of the last look stamped ends with these markers.
  endRun();
  if (!hold()) return;
  for (const Pending& p : marks) addPending(p);
}

std::unique_ptr<RepeatSieve> MarkerStamper::repeatSieve(const MarkerStyle& style) {
  Entry& e = entryFor(style);
  if (!repeatsOnce_ || !e.repeatsInvisible || seenFailed_) return nullptr;
  // The sieve passes markers on as if each could be stamped; one that cannot
  // would be drawn as a path and end the run.
  for (int phase = 0; phase < 16; ++phase)
    if (sprite(e, phase) == nullptr) return nullptr;
  return std::make_unique<RepeatSieve>(xx_, yy_, x0_, y0_, clip_[0], clip_[1], clip_[2], clip_[3]);
}

void MarkerStamper::paintBand(int y0, int y1) const {
  for (const Pending& p : pending_) {
    const int r0 = std::max(p.r0, y0 - p.top), r1 = std::min(p.r1, y1 - p.top);
    for (int r = r0; r < r1; ++r) {
      auto* d = reinterpret_cast<std::uint32_t*>(data_ +
                                                 static_cast<std::ptrdiff_t>(p.top + r) * stride_) +
                p.left;
      const std::uint32_t* s = &p.sprite->pixels[static_cast<std::size_t>(r * p.sprite->pitch)];
      if (p.blocks) {
        // Blocks of 8, and one of 4 for the rest, which is 0 or 4 pixels.
        int c = p.c0;
        for (; c + 8 <= p.c1; c += 8) blendBlock<Block8>(d + c, s + c);
        if (c < p.c1) blendBlock<Block4>(d + c, s + c);
      } else {
        for (int c = p.c0; c < p.c1; ++c) d[c] = blend(d[c], s[c]);
      }
    }
  }
}

void MarkerStamper::paintPending() {
  if (pending_.empty()) return;
  // Two threads each take a band of rows and every marker's part in it, in
  // the order stamped, so each pixel sees the same blends in the same order
  // as on one thread.
  const int y0 = dirty_[1], y1 = dirty_[3], mid = y0 + (y1 - y0) / 2;
  bool split = twoThreads_ && pending_.size() >= kParallelPending && y1 - y0 >= 16;
  if (split) {
    try {
      std::thread lower([this, mid, y1] { paintBand(mid, y1); });
      paintBand(y0, mid);
      lower.join();
    } catch (const std::system_error&) {
      split = false;  // no thread to be had: all on this one
    }
  }
  if (!split) paintBand(y0, y1);
  pending_.clear();
}

void MarkerStamper::release() {
  endRun();  // what is drawn next may cover the run's markers
  if (!holding_) return;
  paintPending();
  holding_ = false;
  if (dirty_[2] > dirty_[0] && dirty_[3] > dirty_[1]) {
    cairo_surface_mark_dirty_rectangle(surface_, dirty_[0], dirty_[1], dirty_[2] - dirty_[0],
                                       dirty_[3] - dirty_[1]);
  }
}

}  // namespace varnok::graphics

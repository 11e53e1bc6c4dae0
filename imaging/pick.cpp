// The pick tools: a point, a row, a column, a placement, a rectangle, a line
// or a circle clicked by the person in an image window, with an XOR rubber
// band drawn into the image while the tool waits.
//
// A rubber band is erased by drawing the same figure again, so the image is
// exactly as before once the tool returns. Choices made here:
// - Stop ends a tool like a cancellation: the band is erased and the result
//   is 1, so no caller carries out its command on a half-made pick and no
//   band is left in the picture.
// - Outputs are written only when the pick completes; every other end leaves
//   them 0.
// - The band is always drawn into the picked image, even when something that
//   ran while messages were dispatched made another image current, and the
//   pen (the last point drawn) is left where it was.
// - A tool called while another one waits returns 1 at once: the pick state
//   belongs to the waiting one.
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>

#include "framework/image/image_table.h"
#include "framework/image/pick_state.h"
#include "framework/orvlib.h"
#include "imaging/pixels.h"
#include "platform/queue.h"
#include "platform/window.h"

namespace {

using i64 = std::int64_t;

constexpr const char* kFirstPoint = "Click the first point";
constexpr const char* kSecondPoint = "Click the second point";
constexpr const char* kOnePoint = "Click a point";

int narrow(i64 v) {
  return int(std::clamp<i64>(v, INT_MIN, INT_MAX));
}

// The radius of a circle around (cx, cy) through (x, y), rounded.
int radius(int cx, int cy, int x, int y) {
  const double dx = double(i64(x) - cx), dy = double(i64(y) - cy);
  return narrow(i64(std::sqrt(dx * dx + dy * dy) + 0.5));
}

// The pixel calls draw into image r until this goes; the previous target and
// the pen come back afterwards.
class DrawInto {
 public:
  explicit DrawInto(const orv::ImageRecord& r) : saved_(orv::g_current_pixels), pen_(orv::pen()) {
    orv::g_current_pixels = {r.dib->data.get(), r.width, r.height, r.bits, r.dib->stride};
  }
  ~DrawInto() {
    orv::g_current_pixels = saved_;
    orv::pen() = pen_;
  }
  DrawInto(const DrawInto&) = delete;
  DrawInto& operator=(const DrawInto&) = delete;

 private:
  orv::CurrentPixels saved_;
  orv::Pen pen_;
};

enum class Shape { kNone, kRow, kColumn, kPlacement, kRect, kLine, kCircle };

// One rubber band: the figure as last drawn, so that drawing it again erases it.
struct Band {
  Shape shape = Shape::kNone;
  int id = -1;
  int bw = 0, bh = 0;  // placement box
  int ax = 0, ay = 0;  // the mouse, or the first point
  int bx = 0, by = 0;  // the second point
  bool shown = false;

  void show(int x0, int y0, int x1 = 0, int y1 = 0) {
    ax = x0;
    ay = y0;
    bx = x1;
    by = y1;
    shown = invert();
  }
  void hide() {
    if (shown) invert();
    shown = false;
  }

  // Inverts the figure once; false when there is nothing to draw into (no
  // band, or the picked image has gone with its pixels).
  bool invert() const {
    if (shape == Shape::kNone || orv::pick_state().pick_lost) return false;
    const orv::ImageRecord* r = orv::image_in_use(id);
    if (!r || !r->dib) return false;
    DrawInto target(*r);
    switch (shape) {
      case Shape::kRow:
        ORV_XorLine(0, ay, r->width - 1, ay);
        break;
      case Shape::kColumn:
        ORV_XorLine(ax, 0, ax, r->height - 1);
        break;
      case Shape::kPlacement:
        placement();
        break;
      case Shape::kRect:
        ORV_XorBox(ax, ay, bx, by);
        break;
      case Shape::kLine:
        ORV_XorLine(ax, ay, bx, by);
        break;
      case Shape::kCircle:
        ORV_XorCircle(ax, ay, radius(ax, ay, bx, by));
        break;
      case Shape::kNone:
        break;
    }
    return true;
  }

  // Worked out in 64 bits: the mouse may be far outside and the box huge.
  void placement() const {
    const int x0 = narrow(i64(ax) - bw / 2), y0 = narrow(i64(ay) - bh / 2);
    const int x1 = narrow(i64(x0) + bw - 1), y1 = narrow(i64(y0) + bh - 1);
    ORV_XorBox(x0, y0, x1, y1);
    if (bw > 8 && bh > 8) {
      ORV_XorLine(x0 + 1, y0 + 1, x1 - 1, y1 - 1);
      ORV_XorLine(x1 - 1, y0 + 1, x0 + 1, y1 - 1);
    }
  }
};

// The picked image's window paints again, showing the band as it is now.
void repaint(int id) {
  if (const orv::ImageRecord* r = orv::image_in_use(id)) platform::invalidate_window(r->window);
}

void put(int* out, int value) {
  if (out) *out = value;
}

bool stop_requested() {
  return orv_stop_req.load() != 0;
}

// Sleeps until a message comes (at most 20 ms, so that a Stop that woke
// nobody is still seen soon), then dispatches what came: a waiting pick
// costs no processor time.
void wait_and_serve() {
  platform::wait_message(20);
  ORV_ProcessMessages();
}

// The wait goes on while no Stop came, the image is still there and nobody
// ended the pick from a handler that ran meanwhile.
bool still_waiting() {
  const orv::PickState& s = orv::pick_state();
  return !stop_requested() && !s.pick_lost && s.pick_active == 1;
}

// The start every tool shares once the id is known to be an image in use.
void begin(int id, const char* prompt) {
  ORV_SetStatusText(prompt);
  ORV_SelectImage(id);  // the picked image stays current afterwards
  orv::begin_pick(id);
}

// The one-click tools: `band.shape` says which band follows the mouse.
int pick_one(int id, Band band, int* x, int* y) {
  if (!orv::image_in_use(id)) return 2;
  put(x, 0);
  put(y, 0);
  if (orv::pick_waiting()) return 1;
  begin(id, kOnePoint);
  orv::PickState& s = orv::pick_state();
  band.id = id;
  if (band.shape != Shape::kNone) {
    band.show(s.mouse_x, s.mouse_y);
    repaint(id);
  }
  ORV_ProcessMessages();

  int result = 1;
  bool done = false;
  while (!done && still_waiting()) {
    if (band.shape != Shape::kNone && s.pick_moved) {
      band.hide();
      s.pick_moved = 0;
      band.show(s.mouse_x, s.mouse_y);
      repaint(id);
    }
    if (s.pick_clicked) {
      s.pick_clicked = 0;
      band.hide();
      repaint(id);
      put(x, s.pick_x);
      put(y, s.pick_y);
      result = 0;
      done = true;
    } else if (s.pick_cancel) {
      s.pick_cancel = 0;
      band.hide();
      repaint(id);
      break;
    }
    wait_and_serve();
  }
  if (band.shown) {
    band.hide();
    repaint(id);
  }
  EndPick();
  return result;
}

struct TwoPoints {
  int ax = 0, ay = 0, bx = 0, by = 0;
};

// The two-click tools: the first click fixes one end of the band, the mouse
// drags the other, the second click ends the pick. A cancel after the first
// click starts again from the first.
int pick_two(int id, Shape shape, TwoPoints* picked) {
  if (orv::pick_waiting()) return 1;
  begin(id, kFirstPoint);
  orv::PickState& s = orv::pick_state();
  Band band;
  band.shape = shape;
  band.id = id;
  ORV_ProcessMessages();

  int state = 0;  // 0: waiting for the first point, 1: for the second, 2: done
  TwoPoints p;
  while (state != 2 && still_waiting()) {
    if (s.pick_clicked) {
      s.pick_clicked = 0;
      if (state == 0) {
        p = {s.pick_x, s.pick_y, s.pick_x, s.pick_y};
        band.show(p.ax, p.ay, p.bx, p.by);
        repaint(id);
        ORV_SetStatusText(kSecondPoint);
        state = 1;
      } else {
        band.hide();
        repaint(id);
        p.bx = s.pick_x;
        p.by = s.pick_y;
        state = 2;
      }
    }
    if (s.pick_cancel && state != 2) {
      s.pick_cancel = 0;
      if (state == 0) break;
      band.hide();
      repaint(id);
      ORV_SetStatusText(kFirstPoint);
      state = 0;
    } else if (state == 1 && s.pick_moved) {
      band.hide();
      s.pick_moved = 0;
      p.bx = s.mouse_x;
      p.by = s.mouse_y;
      band.show(p.ax, p.ay, p.bx, p.by);
      repaint(id);
    }
    if (state != 2) wait_and_serve();
  }
  if (band.shown) {
    band.hide();
    repaint(id);
  }
  EndPick();
  if (state != 2) return 1;
  *picked = p;
  return 0;
}

}  // namespace

int ORV_PickPoint(int id, int* x, int* y) {
  return pick_one(id, Band{}, x, y);
}

int ORV_PickRow(int id, int* x, int* y) {
  return pick_one(id, Band{.shape = Shape::kRow}, x, y);
}

int ORV_PickColumn(int id, int* x, int* y) {
  return pick_one(id, Band{.shape = Shape::kColumn}, x, y);
}

int ORV_PickPlacement(int id, int bw, int bh, int* x, int* y) {
  return pick_one(id, Band{.shape = Shape::kPlacement, .bw = bw, .bh = bh}, x, y);
}

int ORV_PickRect(int id, int* x1, int* y1, int* x2, int* y2) {
  if (!orv::image_in_use(id)) return 2;  // outputs untouched
  for (int* out : {x1, y1, x2, y2}) put(out, 0);
  TwoPoints p;
  int result = pick_two(id, Shape::kRect, &p);
  if (result != 0) return result;
  put(x1, std::min(p.ax, p.bx));
  put(y1, std::min(p.ay, p.by));
  put(x2, std::max(p.ax, p.bx));
  put(y2, std::max(p.ay, p.by));
  return 0;
}

int ORV_PickLine(int id, int* x0, int* y0, int* x1, int* y1) {
  if (!orv::image_in_use(id)) return 2;  // outputs untouched
  for (int* out : {x0, y0, x1, y1}) put(out, 0);
  TwoPoints p;
  int result = pick_two(id, Shape::kLine, &p);
  if (result != 0) return result;
  put(x0, p.ax);
  put(y0, p.ay);
  put(x1, p.bx);
  put(y1, p.by);
  return 0;
}

int ORV_PickCircle(int id, int* cx, int* cy, int* r) {
  if (!orv::image_in_use(id)) return 2;  // outputs untouched
  for (int* out : {cx, cy, r}) put(out, 0);
  TwoPoints p;
  int result = pick_two(id, Shape::kCircle, &p);
  if (result != 0) return result;
  put(cx, p.ax);
  put(cy, p.ay);
  put(r, radius(p.ax, p.ay, p.bx, p.by));
  return 0;
}

void EndPick() {
  orv::end_pick();
}

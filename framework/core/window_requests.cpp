// Window requests between the main thread and the worker, and files dropped
// on the main window.
//
// One request is pending at a time. The poster fills the slots and writes
// the code last (release); the worker reads the code (acquire), carries the
// request out, writes the result, sets the done flag and clears the code
// last. So each side sees the other's slots complete. Both sides wake the
// other instead of polling.
#include "framework/core/window_requests.h"

#include <atomic>
#include <cstdio>

#include "framework/console/button_box.h"
#include "framework/console/input_box.h"
#include "framework/console/text_window.h"
#include "framework/core/main_window.h"
#include "framework/core/pump.h"
#include "framework/core/run_state.h"
#include "framework/image/image_files.h"
#include "framework/image/image_table.h"
#include "framework/orvlib.h"
#include "platform/codec/codec.h"
#include "platform/draw/raster.h"
#include "platform/queue.h"
#include "platform/text/files.h"

namespace orv {
namespace {

constexpr int kPathBytes = 260;

struct RequestSlots {
  std::atomic<int> code{0};
  std::atomic<int> done{1};
  int id = 0;
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  int zoom = 100;
  int bits = 32;
  std::string name;
  std::string path;
  const platform::Bitmap* bitmap = nullptr;
  int result = 0;
  // A redraw that ends a dropped file's loading also makes the image that
  // was current before the drop current again, on the worker, which owns
  // the selection (the main thread may already have let a run begin).
  bool restore_selection = false;
};

RequestSlots g_slots;
std::atomic<int> g_served{0};
std::atomic<int> g_drops{0};

// Serves the main window while it waits; wakes for its own messages and
// for the worker's "done".
template <class Until>
bool wait_on_main_thread(Until until) {
  while (!until()) {
    if (orv_exit_state.load() != 0) return false;
    plain_pump();
    platform::wait_message(10);
  }
  return true;
}

void wake_main_thread() {
  if (platform::Window main = main_window()) platform::wake_thread(platform::window_thread(main));
}

// Steps 1 to 6 of every posting; `fill` writes the slots.
template <class Fill>
int post(int code, Fill fill) {
  if (!wait_on_main_thread([] { return g_slots.code.load(std::memory_order_acquire) == 0; }))
    return -1;
  fill(g_slots);
  bool waits = code != kRequestRedrawImage;
  if (waits) g_slots.done.store(0);
  g_slots.code.store(code, std::memory_order_release);
  wake_worker();
  if (!waits) return 0;
  if (!wait_on_main_thread([] { return g_slots.done.load(std::memory_order_acquire) != 0; }))
    return -1;
  return g_slots.result;
}

// The file's pixels are drawn into image id, which is current meanwhile.
// An id that is not in use is refused (2, as for no current image) rather
// than loading into whichever image happens to be current.
int load_into(int id, const std::string& path) {
  if (ORV_SelectImage(id) != 0) return 2;
  int result = ORV_LoadImageFile(path.c_str(), 0, 0);
  ORV_RestoreImage();
  return result;
}

// The bitmap goes to the top-left corner of the current image, cut at its edges.
void copy_bitmap(const platform::Bitmap* bitmap) {
  ImageRecord* r = image_in_use(current_image());
  if (!r || !bitmap || !bitmap->data) return;
  platform::blit_bitmap(*r->dib, 0, 0, bitmap->width, bitmap->height, *bitmap, 0, 0);
}

void carry_out(int code) {
  RequestSlots& s = g_slots;
  switch (code) {
    case kRequestCreateImage:
      s.result = create_image(s.id, s.name.c_str(), s.x, s.y, s.width, s.height, s.bits, s.zoom, 1);
      break;
    case kRequestRedrawImage:
      ORV_DrawImage(s.id);
      if (s.restore_selection) ORV_RestoreImage();
      break;
    case kRequestLoadImage:
      s.result = load_into(s.id, s.path);
      break;
    case kRequestCopyBitmap:
      copy_bitmap(s.bitmap);
      break;
    case kRequestTextWindow:
      if (unsigned(s.id) < 256u) ORV_OpenTextWindow(s.id, s.x, s.y, s.width, s.height);
      break;
    case kRequestInputBox:
      ORV_CloseInputBox();
      ORV_OpenInputBox(s.x, s.y, s.id);
      break;
    case kRequestButtonBox:
      ORV_CloseButtonBox();
      ORV_OpenButtonBox(s.x, s.y, s.width, s.height);
      break;
    default:
      break;
  }
}

// The size of a picture file, read only to know whether it is one.
bool picture_size(const std::string& path, int* width, int* height) {
  platform::Picture picture;
  if (platform::load_picture(path.c_str(), picture) != platform::CodecStatus::Ok) return false;
  *width = picture.width;
  *height = picture.height;
  return *width > 0 && *height > 0;
}

// Image windows take a picture at the first id from `first` that is free:
// `create` makes the window (0 placed, 1 the id is in use, anything else a
// failure no other id would mend). The id placed at, or -1; `next` is where
// the following picture of the same drop looks first.
template <class Create>
int place_picture(int first, const std::string& file_name, int* next, Create create) {
  for (int id = first; id < kImageCount; ++id) {
    char title[kPathBytes + 8];
    std::snprintf(title, sizeof title, "%03d %s", id, file_name.c_str());
    int result = create(id, title);
    *next = id + 1;
    if (result == 0) return id;
    if (result != 1) return -1;
  }
  return -1;
}

// The full path and file name of a picture file and its size; false for
// what is not a readable picture.
bool inspect_picture(const char* given, std::string* path, std::string* file_name, int* width,
                     int* height) {
  char full[kPathBytes];
  int file_part = -1;
  if (platform::full_path(given, full, kPathBytes, &file_part) == 0 || file_part < 0) return false;
  *path = full;
  *file_name = full + file_part;
  return !file_name->empty() && picture_size(*path, width, height);
}

void open_each_dropped_file(const std::vector<std::string>& paths) {
  int next_id = 0;
  for (const std::string& dropped : paths) {
    std::string path, file_name;
    int width = 0, height = 0;
    if (!inspect_picture(dropped.c_str(), &path, &file_name, &width, &height)) continue;
    int id = place_picture(next_id, file_name, &next_id, [&](int at, const char* title) {
      return post_create_image(at, title, width, height, 32);
    });
    if (id < 0) continue;
    post_load_image(id, path);
    post_redraw_image(id, true);
  }
}

}  // namespace

int post_create_image(int id, const std::string& name, int width, int height, int bits) {
  return post(kRequestCreateImage, [&](RequestSlots& s) {
    s.id = id;
    s.name = name;
    s.x = s.y = -1;
    s.width = width;
    s.height = height;
    s.zoom = 100;
    s.bits = bits;
  });
}

void post_redraw_image(int id, bool restore_selection) {
  post(kRequestRedrawImage, [&](RequestSlots& s) {
    s.id = id;
    s.restore_selection = restore_selection;
  });
}

int post_load_image(int id, const std::string& path) {
  return post(kRequestLoadImage, [&](RequestSlots& s) {
    s.id = id;
    s.path = path;
    s.x = s.y = 0;
  });
}

void post_copy_bitmap(const platform::Bitmap* bitmap) {
  post(kRequestCopyBitmap, [&](RequestSlots& s) { s.bitmap = bitmap; });
}

void post_text_window(int id) {
  post(kRequestTextWindow, [&](RequestSlots& s) {
    s.id = id;
    s.x = s.y = s.width = s.height = -1;
  });
}

void post_input_box(int items) {
  post(kRequestInputBox, [&](RequestSlots& s) {
    s.id = items;
    s.x = s.y = 0;
  });
}

void post_button_box(int columns, int rows) {
  post(kRequestButtonBox, [&](RequestSlots& s) {
    s.width = columns;
    s.height = rows;
    s.x = s.y = 0;
  });
}

void serve_window_request() {
  int code = g_slots.code.load(std::memory_order_acquire);
  if (code == 0) return;
  carry_out(code);
  g_slots.restore_selection = false;
  ++g_served;
  g_slots.done.store(1);
  g_slots.code.store(0, std::memory_order_release);
  wake_main_thread();
}

void open_dropped_files(const std::vector<std::string>& paths) {
  open_each_dropped_file(paths);
  ++g_drops;
}

}  // namespace orv

// Decoded once: the picture gives the image its size and its pixels.
int ORV_OpenPictureFile(const char* path, int first_id) {
  using namespace orv;
  char full[kPathBytes];
  int file_part = -1;
  if (!path || first_id < 0 || platform::full_path(path, full, kPathBytes, &file_part) == 0 ||
      file_part < 0 || full[file_part] == '\0')
    return -1;
  platform::Picture picture;
  if (!read_picture_file(full, picture)) return -1;
  int next = 0;
  int id = place_picture(first_id, full + file_part, &next, [&](int at, const char* title) {
    return create_image(at, title, -1, -1, picture.width, picture.height, 32, 100, 1);
  });
  if (id < 0) return -1;
  ORV_SelectImage(id);
  draw_into_current_image(picture, 0, 0);
  ORV_RestoreImage();
  ORV_DrawImage(id);
  return id;
}

namespace orv {

int drops_handled() {
  return g_drops.load();
}

int window_requests_served() {
  return g_served.load();
}

void reset_window_requests_for_tests() {
  g_slots.code.store(0);
  g_slots.done.store(1);
}

}  // namespace orv

// The composer's run: start, the button loop, Apply, dragging, the demo, end.
//
// Values typed into the input box that would divide by zero or leave a
// picture without columns or rows are refused like an out-of-range Width:
// the previous value goes back into the item.
#include "composer/main_loop.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "composer/output_window.h"
#include "composer/params.h"
#include "framework/orvlib.h"

namespace composer {
namespace {

constexpr int kBreakButton = 6;
// The pitch buttons keep the pitch in this range, and a typed Pitch too.
constexpr double kLeastPitch = 1, kMostPitch = 50;
constexpr int kWidthItem = 0, kHeightItem = 1, kPicItem = 2, kViewItem = 3, kPitchItem = 4,
              kScaleItem = 5;

bool item_exists(int i) {
  return ORV_IsInputBoxOpen() && i < orv_ib_items && orv_ib_text[i];
}
int item_int(int i) {
  return item_exists(i) ? std::atoi(orv_ib_text[i]) : 0;
}
double item_real(int i) {
  return item_exists(i) ? std::atof(orv_ib_text[i]) : 0;
}
void write_int(int i, int value) {
  if (item_exists(i)) ORV_SetInputBoxInt(i, value);
}
void write_real(int i, double value) {
  if (item_exists(i)) ORV_SetInputBoxReal(i, value);
}

// The sizes that follow from the source picture, pic_num and scale.
void derive_sizes(Params& p) {
  const ORV_PixelBuffer source = image_buffer(kSourceImage);
  if (!source.pixels) return;
  p.src_height = source.height;
  p.pic_width = source.width / std::max(1, p.pic_num);
  p.scaled_width = p.scale * p.pic_width / 100;
  p.scaled_height = p.scale * p.src_height / 100;
}

// Whether the geometry leaves every picture at least one column and one row group.
bool geometry_usable(const Params& p, int pic_num, int scale) {
  const ORV_PixelBuffer source = image_buffer(kSourceImage);
  return source.pixels && geometry_fits(p, source.width, source.height, pic_num, scale);
}

bool reallocate(Params& p, Run& run) {
  return reallocate_buffers(p, run.buffers) == nullptr;
}

void keep_view_pos_in_range(Params& p) {
  int last = p.loop ? p.pic_num - 1 : p.pic_num - p.view_num;
  p.view_pos = std::clamp(p.view_pos, 0, std::max(0, last));
}

void change_pitch(Params& p, Run& run, double delta) {
  p.pitch = std::clamp(p.pitch + delta, kLeastPitch, kMostPitch);
  p.prev_pitch = p.pitch;
  write_real(kPitchItem, p.pitch);
  redraw(p, run, true);
}

void change_view_num(Params& p, Run& run, int delta) {
  int value = p.view_num + delta;
  if (value < 2) {
    p.view_num = 2;
    return;
  }
  if (value > p.pic_num) {
    p.view_num = p.pic_num;
    return;
  }
  p.view_num = value;
  p.prev_view_num = item_int(kViewItem);
  write_int(kViewItem, value);
  keep_view_pos_in_range(p);
  redraw(p, run, true);
}

void set_print_mode(Params& p, Run& run, int mode) {
  if (p.print_mode == mode) return;
  p.print_mode = mode;
  // PRINT and STABLE read a second strip: without one they show nothing new.
  if (mode != kBeta && !image_buffer(kStripImage).pixels)
    ORV_Print("%s reads its strip from image 1: drop a second picture.\n",
              mode == kPrint ? "prn" : "stable");
  int subpixels = mode == kPrint ? 1 : 3;
  if (p.subpixels != subpixels) {
    p.subpixels = subpixels;
    if (!reallocate(p, run)) {
      run.ended = true;
      return;
    }
  }
  redraw(p, run, true);
}

void set_resampling(Params& p, Run& run, int rs) {
  if (p.rs == rs) return;
  p.rs = rs;
  build_work_image_from_source(p, run.buffers.work);
  redraw(p, run, false);
}

void fit_scale_in_box(Params& p) {
  if (!fit_scale(p)) return;
  write_int(kScaleItem, p.scale);
  p.prev_scale = p.scale;
}

void move_position(Params& p, Run& run, int direction) {
  int step = position_step(p);
  p.view_pos += direction * step;
  if (p.loop) {
    if (p.view_pos < 0) p.view_pos = p.pic_num - step;
    if (p.view_pos >= p.pic_num) p.view_pos = 0;
  } else if (p.view_pos < 0) {
    p.view_pos = 0;
    return;
  } else if (p.view_pos > p.pic_num - p.view_num) {
    p.view_pos = p.pic_num - p.view_num;
    return;
  }
  redraw(p, run, false);
}

// Dragging in an image window scrolls the output; the picture follows the mouse.
void follow_drag(Params& p, Run& run) {
  if (!ORV_MouseLeft) return;
  int mx0 = ORV_MouseX, my0 = ORV_MouseY, sx0 = run.scroll.x, sy0 = run.scroll.y;
  while (ORV_MouseLeft && orv_exit_state.load() == 0) {
    run.scroll.x = sx0 + mx0 - ORV_MouseX;
    run.scroll.y = sy0 + my0 - ORV_MouseY;
    redraw(p, run, false);
    ORV_Wait(10);
  }
}

// Refuses a Start whose output would take over image 2 while it holds a
// picture the person opened.
bool output_id_free() {
  if (!image_buffer(kOutputImage).pixels) return true;
  ORV_Print(
      "Image 2 holds a picture of yours, and the output goes there:\n"
      "close it, then press Start.\n");
  return false;
}

// Ends the run as "break" does when the person closes the button box (its
// buttons are the only way to go on) or asks to Stop.
bool run_must_end(Params& p, Run& run) {
  if (ORV_IsButtonBoxOpen() && orv_stop_req.load() == 0) return false;
  ORV_Print(ORV_IsButtonBoxOpen() ? "Stop: the run ends, as break ends it.\n"
                                  : "The button box was closed: the run ends.\n");
  press_button(kBreakButton, p, run);
  return true;
}

}  // namespace

void show_output_window(const Params& p) {
  if (ORV_CreateImage(kOutputImage, "Hello,there!", p.display_x, p.display_y, p.width, p.height,
                      100) == 0)
    return;
  ORV_Print(
      "The output window (%d x %d) cannot be shown on this screen:\n"
      "a smaller Width or Height brings it back.\n",
      p.width, p.height);
}

void redraw(Params& p, Run& run, bool full) {
  switch (p.print_mode) {
    case kStable:
      show_stable(p);
      break;
    case kPrint:
      show_print(p, run.buffers);
      break;
    default:
      if (full)
        full_beta_redraw(p, run.buffers, run.scroll);
      else
        beta_position_redraw(p, run.buffers, run.scroll);
      break;
  }
}

void demo_step(Params& p) {
  int step = position_step(p);
  if (p.loop) {
    p.view_pos += p.reverse ? -step : step;
    if (!p.reverse && p.view_pos >= p.pic_num) p.view_pos = 0;
    if (p.reverse && p.view_pos < 0) p.view_pos = p.pic_num - 1;
  } else if (!p.reverse) {
    p.view_pos += step;
    if (p.view_pos > p.pic_num - p.view_num) {
      p.view_pos = p.pic_num - p.view_num;
      p.reverse = true;
    }
  } else {
    p.view_pos -= step;
    if (p.view_pos < 0) {
      p.view_pos = 0;
      p.reverse = false;
    }
  }
}

void begin_recording(Params& p) {
  p.rec = true;
  p.view_pos = 0;
  p.demo_state = kDemoAnimate;
  p.loop = true;
}

void animation_step(Params& p, Run& run) {
  demo_step(p);
  redraw(p, run, false);
  if (p.rec) save_frame(p, run.recording);
}

int apply_input_box(Params& p, Run& run, bool rebuild) {
  if (!ORV_IsInputBoxOpen()) return 0;  // closed by the person: nothing to take over
  int pic_num = item_int(kPicItem);
  if (pic_num != p.prev_pic_num) {
    if (!geometry_usable(p, pic_num, p.scale)) {
      write_int(kPicItem, p.prev_pic_num);
    } else {
      if (pic_num < p.view_num) p.view_num = p.prev_view_num = pic_num;
      p.pic_num = pic_num;
      p.rs = kNnTest;
      derive_sizes(p);
      if (rebuild && !reallocate(p, run)) return -1;
      p.prev_pic_num = pic_num;
      keep_view_pos_in_range(p);
      if (rebuild) redraw(p, run, true);
    }
  }
  int view_num = item_int(kViewItem);
  if (view_num != p.prev_view_num) {
    if (view_num > p.pic_num || view_num < 1) {
      write_int(kViewItem, p.prev_view_num);
    } else {
      p.view_num = p.prev_view_num = view_num;
      keep_view_pos_in_range(p);
      if (rebuild) redraw(p, run, true);
    }
  }
  double pitch = item_real(kPitchItem);
  if (pitch != p.prev_pitch) {
    if (!pitch_usable(pitch) || pitch < kLeastPitch || pitch > kMostPitch) {
      write_real(kPitchItem, p.prev_pitch);
    } else {
      p.pitch = p.prev_pitch = pitch;
      if (rebuild) redraw(p, run, true);
    }
  }
  int scale = item_int(kScaleItem);
  if (scale != p.prev_scale) {
    if (!geometry_usable(p, p.pic_num, scale)) {
      write_int(kScaleItem, p.prev_scale);
    } else {
      p.scale = p.prev_scale = scale;
      derive_sizes(p);
      if (rebuild) {
        p.rs = kNnTest;
        if (!reallocate(p, run)) return -1;
        redraw(p, run, true);
      }
    }
  }
  for (int item : {kWidthItem, kHeightItem}) {
    int value = item_int(item);
    int& current = item == kWidthItem ? p.width : p.height;
    int& previous = item == kWidthItem ? p.prev_width : p.prev_height;
    if (value == previous) continue;
    if (value > 3000 || value < 100) {
      write_int(item, previous);
      continue;
    }
    current = previous = value;
    if (image_buffer(kOutputImage).pixels) {
      ORV_ResizeImage(kOutputImage, p.width, p.height);
      // Shown at 100 % again as soon as the size fits the screen at it.
      ORV_SetImageZoom(100, kOutputImage);
    } else
      show_output_window(p);  // it could not be shown, or the person closed it
    if (rebuild) redraw(p, run, true);
  }
  return 0;
}

void press_button(int i, Params& p, Run& run) {
  static const double kPitchSteps[6] = {-0.1, 0.1, -0.01, 0.01, -0.001, 0.001};
  if (i >= 0 && i < 6) return change_pitch(p, run, kPitchSteps[i]);
  switch (i) {
    case 6: {  // break
      ORV_GetImageWindowRect(kOutputImage, &p.display_x, &p.display_y, nullptr, nullptr);
      p.view_pos = 0;
      run.ended = true;
      break;
    }
    case 7:  // cap
      if (save_snapshot() == 3)
        ORV_Print("No output window: cap saves nothing. A new Width or Height brings it back.\n");
      break;
    case 8:  // pic-
      if (p.pic_num - 1 < 2) {
        p.pic_num = 2;
        break;
      }
      --p.pic_num;
      if (p.pic_num < p.view_num) p.view_num = p.pic_num;
      write_int(kPicItem, p.pic_num);
      keep_view_pos_in_range(p);
      break;
    case 9:  // pic+
      ++p.pic_num;
      write_int(kPicItem, p.pic_num);
      break;
    case 10:
      change_view_num(p, run, -1);
      break;
    case 11:
      change_view_num(p, run, +1);
      break;
    case 12:
      p.aa = !p.aa;
      redraw(p, run, true);
      break;
    case 13:
      set_print_mode(p, run, kPrint);
      break;
    case 14:
      set_print_mode(p, run, kBeta);
      break;
    case 15:
      set_print_mode(p, run, kStable);
      break;
    case 16:
      move_position(p, run, -1);
      break;
    case 17:
      move_position(p, run, +1);
      break;
    case 18:
    case 19:
    case 20:
    case 21:
      set_resampling(p, run, i - 17);
      break;
    case 22:
      set_resampling(p, run, kNearest);
      break;
    case 23:
      set_resampling(p, run, kNnTest);
      break;
    case 24:  // LOOP
      p.loop = !p.loop;
      if (!p.loop) keep_view_pos_in_range(p);
      print_status(p);
      break;
    case 25:  // CHG_ING
      p.changing = !p.changing;
      if (p.changing && p.pic_num / p.view_num == 1) {
        p.changing = false;
      } else if (p.changing) {
        p.view_pos = p.view_num * (p.view_pos / p.view_num);
        redraw(p, run, false);
      }
      print_status(p);
      break;
    case 26:  // DEMO
      p.demo_state = (p.demo_state + 1) % 3;
      if (p.demo_state == kDemoOff) print_status(p);
      break;
    case 27:
      p.reverse = !p.reverse;
      print_status(p);
      break;
    case 28:  // FIT
      fit_scale_in_box(p);
      p.rs = kNnTest;
      if (!reallocate(p, run)) {
        run.ended = true;
        break;
      }
      redraw(p, run, true);
      break;
    case 29:  // CHG_DEV
      if (p.pitch_set.empty()) break;
      p.pitch_index = (p.pitch_index + 1) % int(p.pitch_set.size());
      write_real(kPitchItem, p.pitch_set[std::size_t(p.pitch_index)].value);
      break;
    case 30:  // REC
      if (!p.rec) {
        begin_recording(p);
        start_recording(run.recording);
      } else {
        p.rec = false;
      }
      print_status(p);
      break;
    default:
      break;
  }
}

bool start_run(Params& p, Run& run) {
  if (!output_id_free()) return false;
  if (!image_buffer(kSourceImage).pixels || ORV_GetImageStretchMode(kSourceImage) == 0) {
    ORV_Pause(
        "\xE3\x82\xB9\xE3\x83\x86\xE3\x83\xAC\xE3\x82\xAA\xE3\x83\x9A\xE3\x82\xA2\xE7\x94\xBB"
        "\xE5\x83\x8F\xE3\x82\x92\xE3\x83\x89\xE3\x83\xA9\xE3\x83\x83\xE3\x82\xB0\xE3\x81\x97"
        "\xE3\x81\xA6\xE4\xB8\x8B\xE3\x81\x95\xE3\x81\x84");
    return false;
  }
  run = Run{};
  p.rs = kNnTest;
  ORV_ClearTextWindow();
  ORV_MoveImageWindow(kSourceImage, 0, 232);
  int pic_num = item_int(kPicItem), view_num = item_int(kViewItem), scale = item_int(kScaleItem);
  double pitch = item_real(kPitchItem);
  // Values the box holds that cannot make a picture keep the parameter set's.
  if (geometry_usable(p, pic_num, scale) && view_num >= 1 && view_num <= pic_num &&
      pitch_usable(pitch)) {
    p.pic_num = pic_num;
    p.view_num = view_num;
    p.pitch = pitch;
    p.scale = scale;
  }
  derive_sizes(p);
  keep_view_pos_in_range(p);
  apply_input_box(p, run, false);
  if (allocate_buffers(p, run.buffers) != nullptr) {
    end_run(run);
    return false;
  }
  show_output_window(p);
  redraw(p, run, true);
  return true;
}

void end_run(Run& run) {
  close_lens_window(run.lens);
  free_buffers(run.buffers);
  for (int id : {kSourceImage, kStripImage, kOutputImage}) ORV_DestroyImage(id);
  run.ended = true;
}

int run_composer() {
  Params& p = params();
  Run run;
  ORV_TakeProgramCommand(lens_preview_command());  // a choice made between runs is not kept
  if (!start_run(p, run)) return 0;
  while (!run.ended && orv_exit_state.load() == 0) {
    if (run_must_end(p, run)) break;
    for (int i = 0; i < 32 && !run.ended; ++i) {
      ORV_Print("%s", "");  // an empty print serves the windows, as every print does
      // Also with the text window closed, when the print above does nothing.
      ORV_ProcessMessages();
      if (!ORV_IsButtonBoxOpen() || i >= orv_bb_count) continue;
      int clicks = orv_bb_click[i];
      orv_bb_click[i] = 0;
      if (clicks != 0 && i <= 30) press_button(i, p, run);
    }
    if (run.ended) break;
    if (apply_input_box(p, run, true) != 0) break;
    follow_drag(p, run);
    if (ORV_TakeProgramCommand(lens_preview_command()) > 0 && !open_lens_window(p, run.lens))
      ORV_Print(
          "Preview through the lens: no output to look at, no free image id,\n"
          "or not memory enough for its views.\n");
    step_lens_window(run.lens);
    if (p.demo_state == kDemoOff) {
      ORV_Wait(333);
      continue;
    }
    animation_step(p, run);
    if (p.demo_state == kDemoAnimate) ORV_Wait(100);
  }
  end_run(run);
  return 0;
}

}  // namespace composer

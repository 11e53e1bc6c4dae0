// The composer's run on a running framework: the start checks, the buttons'
// limits and steps, the input box's refusals, "cap", a recording and "break".
#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <future>
#include <string>

#include "composer/main_loop.h"
#include "composer/params.h"
#include "composer/preview.h"
#include "composer/start_up.h"
#include "framework/console/button_box.h"
#include "framework/console/input_box.h"
#include "framework/console/text_window.h"
#include "framework/image/image_table.h"
#include "platform/codec/codec.h"
#include "platform/queue.h"
#include "tests/framework/test_program.h"

namespace {

using composer::Params;
using test_program::on_worker;

struct Composer : test_program::Serving {
  Composer()
      : Serving([] {
          orv::reset_images_for_tests();
          orv::reset_input_box_for_tests();
          orv::reset_button_box_for_tests();
          composer::params() = Params{};
          composer::ready(nullptr);
        }) {}
  ~Composer() {
    on_worker([] { orv::reset_images_for_tests(); });
  }
};

// A source strip of `pictures` pictures of 10 x 30 pixels.
void make_source(int pictures) {
  ORV_CreateImage(0, "strip", 0, 0, 10 * pictures, 30, 100);
  for (int x = 0; x < 10 * pictures; ++x) ORV_SetPixel(x, 0, x * 0x010101);
}

void set_item(int i, int value) {
  ORV_SetInputBoxInt(i, value);
}

TEST(ComposerRunTest, StartingWithoutASourceShowsThePauseBox) {
  Composer c;
  bool started = true;
  on_worker([&] {
    composer::Run run;
    started = composer::start_run(composer::params(), run);
  });
  EXPECT_FALSE(started);
  auto boxes = headless::message_boxes_shown();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].title, u"Pause");
  EXPECT_FALSE(orv::image_in_use(2));
}

TEST(ComposerRunTest, ButtonsKeepTheirLimitsAndStep) {
  Composer c;
  on_worker([] {
    Params& p = composer::params();
    composer::Run run;
    make_source(5);
    set_item(2, 5);  // Pic_num
    ASSERT_TRUE(composer::start_run(p, run));
    EXPECT_EQ((std::tuple{p.pic_num, p.view_num, p.pic_width}), (std::tuple{5, 2, 10}));
    p.pitch = 1.05;
    composer::press_button(0, p, run);  // pitch-
    EXPECT_DOUBLE_EQ(p.pitch, 1.0);
    p.pitch = 49.95;
    composer::press_button(1, p, run);  // pitch+
    EXPECT_DOUBLE_EQ(p.pitch, 50.0);
    composer::press_button(10, p, run);  // view- at 2
    EXPECT_EQ(p.view_num, 2);
    // pos++ without LOOP stops at pic_num - view_num = 3; with LOOP it wraps.
    for (int i = 0; i < 5; ++i) composer::press_button(17, p, run);
    EXPECT_EQ(p.view_pos, 3);
    composer::press_button(24, p, run);  // LOOP on
    composer::press_button(17, p, run);
    EXPECT_EQ(p.view_pos, 4);
    composer::press_button(17, p, run);
    EXPECT_EQ(p.view_pos, 0);
    // DEMO cycles 1, 2, 0 and prints the status block (which moves the text
    // cursor to the block's end) only when it comes back to 0.
    ORV_SetTextCursor(0, 600);
    for (int state : {1, 2, 0}) {
      composer::press_button(26, p, run);  // DEMO
      EXPECT_EQ(p.demo_state, state);
      int x = -1, y = -1;
      ORV_GetTextCursor(&x, &y);
      EXPECT_EQ(y == 600, state != 0) << "after DEMO to " << state;
    }
    // Three pictures over two views: 3 / 2 is 1, so CHG_ING goes off at once.
    set_item(2, 3);
    ASSERT_EQ(composer::apply_input_box(p, run, true), 0);
    EXPECT_EQ(p.pic_num, 3);
    composer::press_button(25, p, run);
    EXPECT_FALSE(p.changing);
    composer::press_button(8, p, run);  // pic- from 3
    composer::press_button(8, p, run);  // and again: stays at 2
    EXPECT_EQ(p.pic_num, 2);
    composer::press_button(11, p, run);  // view+ at pic_num 2
    EXPECT_EQ(p.view_num, 2);
    composer::end_run(run);
  });
}

TEST(ComposerRunTest, TheInputBoxRefusesWhatCannotBeShown) {
  Composer c;
  std::vector<std::string> items;
  std::vector<int> zooms;
  int width = 0;
  on_worker([&] {
    Params& p = composer::params();
    composer::Run run;
    make_source(2);
    ASSERT_TRUE(composer::start_run(p, run));
    set_item(0, 50);  // Width below 100
    set_item(3, 7);   // View_num above Pic_num
    set_item(2, 0);   // Pic_num 0 would divide by zero
    set_item(5, 1);   // Scale 1 leaves a 10-column picture without a column
    ASSERT_EQ(composer::apply_input_box(p, run, true), 0);
    for (int i : {0, 2, 3, 5}) items.push_back(orv_ib_text[i]);
    // Pitches outside the pitch buttons' 1 to 50 go back to the last one.
    for (double pitch : {1e308, 0.5, 50.5}) {
      ORV_SetInputBoxReal(4, pitch);
      ASSERT_EQ(composer::apply_input_box(p, run, true), 0);
      items.push_back(orv_ib_text[4]);
    }
    set_item(0, 1024);
    ASSERT_EQ(composer::apply_input_box(p, run, true), 0);
    width = orv::image_record(2).width;
    // Too tall for the screen at 100 %, then back: shown at 100 % again.
    set_item(1, 3000);
    ASSERT_EQ(composer::apply_input_box(p, run, true), 0);
    zooms.push_back(orv::image_record(2).zoom);
    set_item(1, 480);
    ASSERT_EQ(composer::apply_input_box(p, run, true), 0);
    zooms.push_back(orv::image_record(2).zoom);
    composer::end_run(run);
  });
  EXPECT_EQ(items, (std::vector<std::string>{"800", "2", "2", "100", "17.33", "17.33", "17.33"}));
  EXPECT_EQ(width, 1024);
  ASSERT_EQ(zooms.size(), 2u);
  EXPECT_LT(zooms[0], 100);
  EXPECT_EQ(zooms[1], 100);
}

// Four pictures, two views: the recording writes frames for positions 1,
// 2, 3 and 0, each 4 columns narrower than the output, then stops itself.
TEST(ComposerRunTest, CapAndARecordingWriteTheirFiles) {
  std::string home =
      (std::filesystem::temp_directory_path() / ("orv-composer-" + std::to_string(getpid())))
          .string();
  std::filesystem::create_directories(home);
  std::string old_home = std::getenv("HOME") ? std::getenv("HOME") : "";
  setenv("HOME", home.c_str(), 1);
  Composer c;
  std::vector<int> positions;
  std::string folder;
  on_worker([&] {
    Params& p = composer::params();
    composer::Run run;
    make_source(4);
    set_item(2, 4);
    set_item(0, 200);
    set_item(1, 100);
    ASSERT_TRUE(composer::start_run(p, run));
    composer::press_button(7, p, run);   // cap
    composer::press_button(30, p, run);  // REC
    EXPECT_EQ((std::tuple{p.rec, p.demo_state, p.loop}), (std::tuple{true, 1, true}));
    while (p.rec) {
      composer::demo_step(p);
      composer::redraw(p, run, false);
      positions.push_back(p.view_pos);
      composer::save_frame(p, run.recording);
    }
    folder = run.recording.folder;
    EXPECT_EQ(p.demo_state, 0);
    composer::press_button(6, p, run);  // break
    EXPECT_TRUE(run.ended);
    composer::end_run(run);
  });
  setenv("HOME", old_home.c_str(), 1);
  EXPECT_EQ(positions, (std::vector<int>{1, 2, 3, 0}));
  platform::Picture cap, frame;
  ASSERT_EQ(platform::load_picture("lenti_test.png", cap), platform::CodecStatus::Ok);
  EXPECT_EQ((std::pair{cap.width, cap.height}), (std::pair{200, 100}));
  std::filesystem::remove("lenti_test.png");
  for (int k = 0; k < 4; ++k) {
    std::string name = folder + "_0000" + std::to_string(k) + ".png";
    ASSERT_EQ(platform::load_picture(name.c_str(), frame), platform::CodecStatus::Ok) << name;
    EXPECT_EQ((std::pair{frame.width, frame.height}), (std::pair{196, 100}));
  }
  EXPECT_FALSE(std::filesystem::exists(folder + "_00004.png"));
  EXPECT_EQ(folder.rfind(home + "/mkpic/", 0), 0u);
  // With CHG_ING (steps of View_num = 2) and "<>" the positions run 0, 3, 1,
  // 3, 1, ... and never meet 0 again: the recording ends after one round of
  // 4 / 2 = 2 frames.
  setenv("HOME", home.c_str(), 1);
  positions.clear();
  on_worker([&] {
    Params& p = composer::params();
    composer::Run run;
    make_source(4);
    set_item(2, 4);
    ASSERT_TRUE(composer::start_run(p, run));
    composer::press_button(25, p, run);  // CHG_ING
    composer::press_button(27, p, run);  // <>
    composer::press_button(30, p, run);  // REC
    for (int k = 0; k < 20 && p.rec; ++k) {
      composer::animation_step(p, run);
      positions.push_back(p.view_pos);
    }
    composer::end_run(run);
  });
  setenv("HOME", old_home.c_str(), 1);
  EXPECT_EQ(positions, (std::vector<int>{3, 1}));
  std::filesystem::remove_all(home);
}

// The run ends, as "break" ends it, whatever the person closed or pressed:
// nothing leaves it looking hung with every button ignored.
TEST(ComposerRunTest, NoWindowClosedAndNoStopLeavesTheRunStuck) {
  struct Row {
    const char* what;
    std::function<void(test_program::Running&)> act;
  };
  auto click = [](int button) {  // the composer's 2 x 16 box of 98 x 26 buttons
    headless::click(orv::button_box_window(), (button % 2) * 102 + 53, (button / 2) * 30 + 17);
  };
  auto close = [](platform::Window w) {
    platform::Msg message;
    message.kind = platform::MsgKind::Close;
    platform::post_message(w, message);
  };
  const Row rows[] = {
      {"the text window closed, then DEMO twice (no wait) and break",
       [&](test_program::Running&) {
         close(orv::open_text_windows_in_id_order().front());
         click(26);
         click(26);
         click(6);
       }},
      {"the button box closed", [&](test_program::Running&) { close(orv::button_box_window()); }},
      {"Stop", [](test_program::Running& running) { running.press(orv::kCommandStop); }},
  };
  for (const Row& row : rows) {
    Composer c;
    on_worker([] {
      make_source(4);
      set_item(2, 4);
    });
    std::future<void> run = test_program::on_worker_async([] { composer::run_composer(); });
    // Acting before the run has begun would stop the test's own serving.
    // The source and the output window: the run has begun (read under the
    // table's lock, as any thread may).
    ASSERT_TRUE(headless::wait_until([] { return orv::image_windows_in_id_order().size() == 2; }))
        << row.what;
    row.act(c.run);
    EXPECT_EQ(run.wait_for(std::chrono::seconds(20)), std::future_status::ready) << row.what;
    run.wait();
    if (std::string(row.what) == "Stop") {
      // Serve the test again, once the stopped ORV_Main has returned (a
      // Start during a run is dropped).
      headless::wait_until([] { return orv_running.load() == 0; });
      c.run.press(orv::kCommandStart);
      headless::wait_until([] { return orv_running.load() == 1; });
    }
    on_worker([&] { EXPECT_FALSE(orv::image_in_use(0)) << row.what; });
  }
}

// The output never takes over a picture the person opened as image 2; a
// closed output window comes back with the next Width.
TEST(ComposerRunTest, TheOutputTakesNoPictureOfThePersonsAndComesBack) {
  Composer c;
  on_worker([] {
    Params& p = composer::params();
    composer::Run run;
    make_source(4);
    ORV_CreateImage(2, "p5", 0, 0, 40, 30, 100);
    ORV_SelectImage(2);
    ORV_SetPixel(1, 1, 0x123456);
    EXPECT_FALSE(composer::start_run(p, run));
    EXPECT_EQ(ORV_GetPixel(1, 1), 0x123456);
    ORV_PixelBuffer picture;
    ASSERT_EQ(ORV_GetImageBuffer(2, &picture), 0);
    EXPECT_EQ((std::tuple{picture.width, picture.height}), (std::tuple{40, 30}));
    ORV_DestroyImage(2);
    set_item(2, 4);
    ASSERT_TRUE(composer::start_run(p, run));
    ORV_DestroyImage(2);  // the person closes the output window
    set_item(0, 300);
    composer::apply_input_box(p, run, true);
    ORV_PixelBuffer output;
    ASSERT_EQ(ORV_GetImageBuffer(2, &output), 0);
    EXPECT_EQ((std::tuple{output.width, output.height}), (std::tuple{300, 480}));
    composer::end_run(run);
  });
}

// "Preview through the lens" shows the views worked back from the output,
// one after another and back, in a window at the highest free id, and
// stops when the person closes that window.
TEST(ComposerRunTest, ThePreviewThroughTheLensShowsTheViewsAndBack) {
  Composer c;
  on_worker([] {
    Params& p = composer::params();
    composer::Run run;
    make_source(4);
    set_item(2, 4);  // Pic_num
    set_item(3, 3);  // View_num
    ASSERT_TRUE(composer::start_run(p, run));
    ORV_PixelBuffer output;
    ASSERT_EQ(ORV_GetImageBuffer(2, &output), 0);
    const auto views = composer::preview_views(p, output);
    ASSERT_EQ(views.size(), 3u);
    ASSERT_TRUE(composer::open_lens_window(p, run.lens));
    EXPECT_EQ(run.lens.id, 255);
    auto shown = [&] {
      ORV_PixelBuffer b;
      if (ORV_GetImageBuffer(255, &b) != 0) return std::vector<std::uint32_t>{};
      std::vector<std::uint32_t> words;
      for (int y = 0; y < b.height; ++y)
        for (int x = 0; x < b.width; ++x)
          words.push_back(reinterpret_cast<const std::uint32_t*>(b.pixels + y * b.stride)[x]);
      return words;
    };
    // Views 0, 1, 2, then 1 on the way back, then 0 again.
    for (int expected : {0, 1, 2, 1, 0}) {
      EXPECT_EQ(shown(), views[std::size_t(expected)]) << "view " << expected;
      composer::step_lens_window(run.lens);
    }
    ORV_DestroyImage(255);  // the person closes it
    composer::step_lens_window(run.lens);
    EXPECT_EQ(run.lens.id, -1);
    composer::end_run(run);
  });
}

}  // namespace

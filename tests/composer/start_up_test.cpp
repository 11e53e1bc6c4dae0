// The composer's start-up on a running framework: its three windows with
// their captions, labels and values from the configuration, the mouse state.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>

#include "composer/params.h"
#include "composer/start_up.h"
#include "framework/console/button_box.h"
#include "framework/console/input_box.h"
#include "tests/framework/test_program.h"

namespace {

using test_program::on_worker;

std::vector<std::u16string> captions(platform::Window box, platform::ControlKind kind) {
  std::vector<std::u16string> out;
  for (platform::Window w : platform::child_windows(box))
    if (platform::control_kind(w) == kind) out.push_back(platform::caption(w));
  return out;
}

TEST(ComposerReadyTest, OpensItsWindowsWithTheConfiguredValues) {
  std::string path =
      (std::filesystem::temp_directory_path() / ("varnolis-" + std::to_string(getpid()))).string();
  std::FILE* file = std::fopen(path.c_str(), "w");
  std::fputs("W\n1024\nH\n600\nP\nsheet\n17\n\n", file);  // a whole-number pitch
  std::fclose(file);
  static std::string config;
  config = path;
  test_program::Serving serving([] {
    orv::reset_input_box_for_tests();
    orv::reset_button_box_for_tests();
    composer::ready(config.c_str());
  });
  std::filesystem::remove(path);

  platform::Window text = platform::find_local_window("orv_twi");
  EXPECT_EQ(platform::client_rect(text), (platform::Rect{0, 0, 198, 1000}));
  platform::Window buttons = orv::button_box_window();
  std::vector<std::u16string> labels = captions(buttons, platform::ControlKind::Button);
  ASSERT_EQ(labels.size(), 32u);
  EXPECT_EQ(labels[0], u"pitch-");
  EXPECT_EQ(labels[13], u"prn");
  EXPECT_EQ(labels[30], u"REC");
  EXPECT_EQ(labels[31], u"31");  // no action, the framework's caption
  platform::Window inputs = orv::input_box_window();
  EXPECT_EQ(captions(inputs, platform::ControlKind::Static),
            (std::vector<std::u16string>{u"Width", u"Height", u"Pic_num", u"View_num", u"Pitch",
                                         u"Scale"}));
  EXPECT_EQ(captions(inputs, platform::ControlKind::Edit),
            (std::vector<std::u16string>{u"1024", u"600", u"2", u"2", u"17", u"100"}));
  int tracking = 0;
  platform::Point cursor{-1, -1};
  composer::Params p;
  on_worker([&] {
    tracking = ORV_MouseTracking;
    ORV_GetTextCursor(&cursor.x, &cursor.y);
    p = composer::params();
  });
  EXPECT_EQ(tracking, 1);
  EXPECT_EQ((std::pair{cursor.x, cursor.y}), (std::pair{0, 16}));  // after "hello,there!\n"
  EXPECT_EQ((std::tuple{p.prev_width, p.prev_height, p.prev_pitch}), (std::tuple{1024, 600, 17.0}));
  EXPECT_EQ((std::pair{p.display_x, p.display_y}), (std::pair{0, 232}));
}

}  // namespace

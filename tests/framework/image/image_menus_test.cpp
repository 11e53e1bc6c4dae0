// The image window's popup menus, keys and mouse buttons through the
// headless driver, their effects read from the image table on the worker.
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <string>
#include <vector>

#include "framework/console/text_window.h"
#include "framework/core/main_window.h"
#include "framework/image/image_commands.h"
#include "framework/image/image_table.h"
#include "framework/image/pick_state.h"
#include "framework/orvlib.h"
#include "tests/framework/test_program.h"

namespace {

using platform::Window;
using test_program::on_worker;

// A menu as text: items joined by "|", a separator "-", an item
// "label=id" with "+" when checked, a submenu "label[...]".
std::u16string describe(const platform::Menu& menu) {
  std::u16string text;
  for (const platform::MenuItem& item : menu.items) {
    if (!text.empty()) text += u"|";
    if (item.separator) {
      text += u"-";
    } else if (item.submenu) {
      text += item.label + u"[" + describe(*item.submenu) + u"]";
    } else {
      std::string id = std::to_string(item.id);
      text +=
          item.label + u"=" + std::u16string(id.begin(), id.end()) + (item.checked ? u"+" : u"");
    }
  }
  return text;
}

const std::u16string kWindowMenuAt100 =
    u"Cut\tCtrl+X=1011|Copy\tCtrl+C=1012|Paste\tCtrl+V=1013|-|&Load image file=1004|"
    u"&Save as=1010|-|Zoom: 50%=1007|Zoom:100%\tCtrl+0=1008+|Zoom:200%=1009|&Zoom...=1046|-|"
    u"&Resize...=1047|&Destroy\tCtrl+Q=1005";

std::u16string processing_menu(const std::u16string& information) {
  return u"Process...[Invert=1058|-|R. Rotate=1061|L. Rotate=1062|-|Horz. Flip=1059|"
         u"Vert. Flip=1060|-|Size 50.0%=1063|Size 70.7%=1064|Size 141.4%=1065|"
         u"Size 200.0%=1066]|-|Information...[" +
         information +
         u"]|-|Test Pattern...[RGB=1053|HSV=1054|YCrCb=1055|Yuv=1067|YIQ=1068|Grey=1071]|-|"
         u"Clipping\tCtrl+R=1019|-|Color...[Change=1031|Pick=1052]|"
         u"Draw Line...[Normal=1032|Horz.=1034|Vert.=1035]|"
         u"Draw Box...[Normal=1036|Fill=1037|Fill XOR=1038]|"
         u"Draw Circle...[Normal=1039|Fill=1040|Fill XOR=1041]|"
         u"TrueType...[Draw=1048|Font Change=1049]|Draw Text=1042|Paint=1043";
}

std::u16string status() {
  return platform::caption(platform::control_by_id(orv::main_window(), orv::kStatusLineId));
}

class ImageMenusTest : public ::testing::Test {
 protected:
  test_program::Serving framework{[] {
    orv::reset_images_for_tests();
    orv::reset_pick_for_tests();
  }};
  ImageMenusTest() { headless::attach_driver(); }
  ~ImageMenusTest() override {
    on_worker([] {
      ORV_CloseTextWindow(0);
      ORV_CloseTextWindow(1);
      orv::reset_images_for_tests();
      orv::reset_pick_for_tests();
    });
  }
  // Image id, w x h at zoom 100 with screen limits, pixel (x, y) = x + 256 y.
  Window make(int id, int w, int h, int bits = 32) {
    on_worker([=] {
      ASSERT_EQ(orv::create_image(id, "m", 0, 0, w, h, bits, 100, 1), 0);
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) ORV_SetPixel(x, y, x + 256 * y);
    });
    return orv::image_record(id).window;
  }
  template <class T>
  T read(std::function<T()> f) {
    T value{};
    on_worker([&] { value = f(); });
    return value;
  }
  int zoom_of(int id) {
    return read<int>([=] { return orv::image_in_use(id) ? orv::image_record(id).zoom : -1; });
  }
  bool in_use(int id) {
    return read<bool>([=] { return orv::image_in_use(id) != nullptr; });
  }
  // Clicks the two corners a running Clipping asks for; waits for image `made`.
  void clip(Window w, platform::Point first, platform::Point second, int made) {
    ASSERT_TRUE(headless::wait_until([] { return status().ends_with(u"Click the first point"); }));
    headless::click(w, first.x, first.y);
    ASSERT_TRUE(headless::wait_until([] { return status().ends_with(u"Click the second point"); }));
    headless::click(w, second.x, second.y);
    ASSERT_TRUE(headless::wait_until([=, this] { return in_use(made); }));
  }
  // Opens a popup with the click given and answers it with `choice`; unless
  // the choice waits for the person, returns once it has been carried out.
  std::u16string popup(std::function<void()> click, int choice = 0, bool waits = false) {
    click();
    auto shown = headless::wait_popup();
    EXPECT_TRUE(shown);
    if (!shown) return u"";
    headless::answer_popup(choice);
    if (!waits) on_worker([] {});
    return describe(shown->menu);
  }
};

TEST_F(ImageMenusTest, RightClickShowsTheWindowMenuWithTheZoomCheckedAtTheCursor) {
  Window w = make(3, 240, 40);  // wide enough to show at 50 %
  headless::right_click(w, 7, 9);
  auto shown = headless::wait_popup();
  ASSERT_TRUE(shown);
  EXPECT_EQ(describe(shown->menu), kWindowMenuAt100);
  EXPECT_EQ(shown->owner, w);
  platform::Point at = platform::client_to_screen(w, {7, 9});
  EXPECT_EQ((std::pair{shown->screen.x, shown->screen.y}), (std::pair{at.x, at.y}));
  headless::answer_popup(orv::kImageZoom200);
  EXPECT_EQ(zoom_of(3), 200);

  // Built anew for each click: the check mark follows the zoom.
  std::u16string at200 = popup([&] { headless::right_click(w, 1, 1); }, orv::kImageZoom50);
  EXPECT_NE(at200.find(u"Zoom:200%=1009+"), std::u16string::npos);
  EXPECT_NE(at200.find(u"Zoom:100%\tCtrl+0=1008|"), std::u16string::npos);
  EXPECT_EQ(zoom_of(3), 50);
  std::u16string at50 = popup([&] { headless::right_click(w, 1, 1); });
  EXPECT_NE(at50.find(u"Zoom: 50%=1007+"), std::u16string::npos);
  EXPECT_EQ(at50.find(u"=1009+"), std::u16string::npos);
  popup([&] { headless::right_click(w, 1, 1); }, orv::kImageDestroy);
  EXPECT_FALSE(in_use(3));
}

TEST_F(ImageMenusTest, CtrlRightAndMiddleClicksShowTheProcessingMenuAndItsCommandsSelect) {
  Window colour = make(0, 120, 40, 32);
  Window grey = make(1, 120, 40, 8);
  const std::u16string rgb =
      u"Pixel=1015|Line(RGB)=1016|Line(HSV)=1017|Line(YCrCb)=1018|Line(CrCb)=1021|-|"
      u"Area(CrCb)=1022";
  EXPECT_EQ(popup([&] { headless::right_click(colour, 5, 5, platform::kKeyBitCtrl); }),
            processing_menu(rgb));
  EXPECT_EQ(popup([&] { headless::middle_click(colour, 5, 5); }), processing_menu(rgb));
  EXPECT_EQ(popup([&] { headless::middle_click(grey, 5, 5); }),
            processing_menu(u"Pixel=1015|Line(Lumi)=1070"));

  // Colour Change selects no image; a test pattern selects its own.
  on_worker([] { ORV_SelectImage(1); });
  popup([&] { headless::middle_click(colour, 1, 1); }, orv::kImageColourChange);
  EXPECT_EQ(read<int>([] { return orv::current_image(); }), 1);
  popup([&] { headless::middle_click(colour, 1, 1); }, orv::kImagePatternGrey);
  on_worker([] {
    EXPECT_EQ(orv::current_image(), 0);
    EXPECT_EQ(ORV_GetPixel(0, 0), 0);  // black at the top left
  });
}

// Every command number of both menus, and the ones no menu lists, chosen
// once on a 32-bit and an 8-bit image: none may crash or leak. Commands
// that wait for clicks are cancelled with a right click.
TEST_F(ImageMenusTest, EveryCommandNumberRunsOrEndsWithoutHarm) {
  std::vector<int> ids;
  for (const platform::Menu& menu :
       {orv::image_window_menu(100), orv::image_processing_menu(32), orv::image_processing_menu(8)})
    for (const platform::MenuItem& item : menu.items) {
      if (item.submenu)
        for (const platform::MenuItem& sub : item.submenu->items)
          if (!sub.separator) ids.push_back(sub.id);
      if (!item.separator && !item.submenu) ids.push_back(item.id);
    }
  for (int unlisted : {1006, 1020, 1023, 1030, 1033, 1044, 1045, 1050, 1051, 1056, 1057, 1069})
    ids.push_back(unlisted);
  for (int bits : {32, 8}) {
    for (int command : ids) {
      if (command == orv::kImageDestroy) continue;  // below, last
      Window w = make(5, 120, 40, bits);
      SCOPED_TRACE(command);
      std::future<void> done =
          test_program::on_worker_async([=] { orv::run_image_command(w, command); });
      // Prompts are answered with an empty line, picks cancelled: whatever
      // waits for the person is ended until the command returns.
      while (done.wait_for(std::chrono::milliseconds(1)) != std::future_status::ready) {
        if (test_program::waiting_for_a_line()) {
          headless::type_text(platform::find_local_window("orv_twi"), u"\r");
        } else if (status().find(u"Click") != std::u16string::npos) {
          headless::right_click(w, 1, 1);
        }
        // A click that came after the pick ended opens a menu: close it.
        if (headless::wait_popup(0)) headless::answer_popup(0);
      }
      // Such a click may still be queued behind the command: let the worker
      // take it, closing the menu it opens, before the next command.
      std::future<void> idle = test_program::on_worker_async([] {});
      while (idle.wait_for(std::chrono::milliseconds(1)) != std::future_status::ready)
        if (headless::wait_popup(0)) headless::answer_popup(0);
      on_worker([] { orv::reset_images_for_tests(); });
    }
    Window w = make(5, 120, 40, bits);
    on_worker([=] { orv::run_image_command(w, orv::kImageDestroy); });
    EXPECT_FALSE(in_use(5));
  }
}

TEST_F(ImageMenusTest, CtrlKeysPostTheirCommandsToTheSlotsAndTheMenuPasteAsksElsewhere) {
  static std::vector<int> received;
  received.clear();
  auto record = [](Window, int id, int command) { received.push_back(command * 10 + id); };
  const int slots[] = {orv::kImageCut, orv::kImageCopy, orv::kImagePaste, orv::kImagePasteTopLeft};
  orv::ImageCommandHandler clipboard[4] = {};
  on_worker([&] {
    for (int i = 0; i < 4; ++i) {
      clipboard[i] = orv::image_command(slots[i]);
      orv::set_image_command(slots[i], record);
    }
  });
  Window w = make(4, 120, 40);
  headless::key(w, 'X', platform::kKeyBitCtrl);
  headless::key(w, 'C', platform::kKeyBitCtrl);
  headless::key(w, 'V', platform::kKeyBitCtrl);
  on_worker([] {});  // the posted commands have run
  popup([&] { headless::right_click(w, 1, 1); }, orv::kImagePaste);
  popup([&] { headless::right_click(w, 1, 1); }, orv::kImageCopy);
  on_worker([&] {
    for (int i = 0; i < 4; ++i) orv::set_image_command(slots[i], clipboard[i]);
  });
  EXPECT_EQ(received, (std::vector<int>{10114, 10124, 10144, 10134, 10124}));
  // The window's own commands keep their place in the table.
  on_worker([&] { orv::set_image_command(orv::kImageDestroy, record); });
  headless::key(w, 'Q', platform::kKeyBitCtrl);
  EXPECT_FALSE(in_use(4));
  EXPECT_EQ(received.size(), 5u);
}

// Ctrl with an unbound key acts as the key alone; C stops the program as
// the main window's C would, and Ctrl+S starts it again as S.
TEST_F(ImageMenusTest, CtrlWithAnUnboundKeyActsAsTheKeyAloneAndSAndCGoToTheMainWindow) {
  Window w = make(2, 120, 40);
  int before = read<int>([] { return ORV_GetImageStretchMode(2); });
  headless::key(w, platform::kKeyTab, platform::kKeyBitCtrl);
  EXPECT_NE(read<int>([] { return ORV_GetImageStretchMode(2); }), before);
  // Ctrl + keypad minus is a zoom step; keypad minus alone does nothing.
  headless::key(w, platform::kKeySubtract);
  EXPECT_EQ(zoom_of(2), 100);
  headless::key(w, platform::kKeySubtract, platform::kKeyBitCtrl);
  EXPECT_EQ(zoom_of(2), 90);
  headless::key(w, 'C');
  ASSERT_TRUE(headless::wait_until([] { return orv_running.load() == 0; }));
  headless::key(w, 'S', platform::kKeyBitCtrl);
  ASSERT_TRUE(headless::wait_until([] { return orv_running.load() == 1; }));
  EXPECT_TRUE(in_use(2));  // the image outlived the run
}

// Esc and X end the program as the main window's Esc and X do.
TEST(ImageKeysTest, EscAndXExitThroughTheMainWindow) {
  for (int key : {int(platform::kKeyEscape), int('X')}) {
    test_program::Serving framework{[] { orv::reset_images_for_tests(); }};
    on_worker([] { ASSERT_EQ(ORV_CreateImage(0, "k", 0, 0, 120, 40, 100), 0); });
    headless::key(orv::image_record(0).window, key);
    ASSERT_TRUE(headless::wait_until([] { return orv_exit_state.load() != 0; }));
  }
}

TEST_F(ImageMenusTest, NoPopupWhileAPickWaitsOrALineIsTyped) {
  Window picked = make(0, 120, 40);
  Window other = make(1, 120, 40);
  int x = -1, y = -1;
  std::future<void> pick =
      test_program::on_worker_async([&] { EXPECT_EQ(ORV_PickPoint(0, &x, &y), 0); });
  ASSERT_TRUE(headless::wait_until([] { return status().ends_with(u"Click a point"); }));
  headless::right_click(other, 5, 5);
  headless::middle_click(other, 5, 5, platform::kKeyBitCtrl);
  headless::key(other, 'Q', platform::kKeyBitCtrl);  // keys are ignored too
  headless::click(picked, 11, 12);
  ASSERT_EQ(pick.wait_for(std::chrono::seconds(10)), std::future_status::ready);
  // Had a popup opened, the worker would still be in it and the pick undone.
  EXPECT_EQ((std::pair{x, y}), (std::pair{11, 12}));
  EXPECT_FALSE(headless::wait_popup(0));
  EXPECT_TRUE(in_use(1));

  char line[256] = {};
  std::future<void> input = test_program::on_worker_async([&] {
    ORV_OpenTextWindow(1, -1, -1, -1, -1);
    ORV_Input(line);
  });
  ASSERT_TRUE(headless::wait_until(test_program::waiting_for_a_line));
  headless::right_click(other, 5, 5);
  headless::middle_click(picked, 5, 5);
  test_program::answer_prompt(u"ok");
  ASSERT_EQ(input.wait_for(std::chrono::seconds(10)), std::future_status::ready);
  EXPECT_STREQ(line, "ok");
  EXPECT_FALSE(headless::wait_popup(0));
}

// What a text window shows in its top `rows` rows.
std::vector<std::uint32_t> top_rows(Window w, int rows) {
  std::vector<std::uint32_t> pixels;
  for (int y = 0; y < rows; ++y)
    for (int x = 0; x < 400; ++x) pixels.push_back(headless::surface_pixel(w, x, y));
  return pixels;
}

// The prompts are compared with the same text printed on text window 1.
TEST_F(ImageMenusTest, ZoomAndSizePromptsOnTextWindowZero) {
  Window w = make(3, 208, 16);
  // "abc" is 0, the smallest zoom the 104 x 8 minimum client allows; past the
  // int range is held at its end, the largest zoom the 1280-pixel screen
  // width allows (208 * 615 / 100 = 1279), not a wrapped value.
  const std::pair<std::u16string, int> zooms[] = {
      {u"200", 200}, {u"abc", 50}, {u"99999999999", 615}};
  for (const auto& [typed, zoom] : zooms) {
    popup([&] { headless::right_click(w, 1, 1); }, orv::kImageZoomPrompt, true);
    test_program::answer_prompt(typed);
    EXPECT_EQ(zoom_of(3), zoom) << zoom;
  }

  popup([&] { headless::right_click(w, 1, 1); }, orv::kImageSizePrompt, true);
  test_program::answer_prompt(u"130");
  test_program::answer_prompt(u"x");
  on_worker([] {
    const orv::ImageRecord& r = orv::image_record(3);
    EXPECT_EQ((std::pair{r.width, r.height}), (std::pair{130, 1}));
    ORV_SelectImage(3);
    EXPECT_EQ(ORV_GetPixel(129, 0), 0);  // cleared
    EXPECT_EQ(ORV_GetPixel(1, 0), 0);
  });
  Window zero = platform::find_local_window("orv_twi");
  EXPECT_EQ(platform::caption(zero), u"TextWindow 0");
  on_worker([] {
    ORV_OpenTextWindow(1, -1, -1, -1, -1);
    ORV_Print("[3] Zoom(%%)=200\n[3] Zoom(%%)=abc\n[3] Zoom(%%)=99999999999\n");
    ORV_Print("[3] New x-size(pixel)=130\n[3] New y-size(pixel)=x\n");
  });
  auto windows = read<std::vector<Window>>([] { return orv::open_text_windows_in_id_order(); });
  ASSERT_EQ(windows.size(), 2u);
  ASSERT_EQ(windows[0], zero);
  Window one = windows[1];
  EXPECT_EQ(top_rows(zero, 80), top_rows(one, 80));
}

TEST_F(ImageMenusTest, ClippingCopiesTheRectangleIntoTheLowestFreeIdAndSelectsIt) {
  make(0, 120, 40);
  Window source = make(3, 120, 40);
  headless::key(source, 'R', platform::kKeyBitCtrl);
  clip(source, {19, 29}, {10, 20}, 1);
  on_worker([] {
    const orv::ImageRecord& r = orv::image_record(1);
    EXPECT_EQ(r.title, "(10,20)-(19,29)");
    EXPECT_EQ((std::tuple{r.width, r.height, r.bits}), (std::tuple{10, 10, 32}));
    EXPECT_EQ(platform::window_rect(r.window).left, 0);
    EXPECT_EQ(orv::current_image(), 1);
    EXPECT_EQ(ORV_GetPixel(0, 0), 10 + 256 * 20);
    EXPECT_EQ(ORV_GetPixel(9, 9), 19 + 256 * 29);
  });
  EXPECT_FALSE(in_use(2));

  // An 8-bit source: the palette goes with the indices. A right click cancels first.
  Window grey = make(5, 120, 40, 8);
  on_worker([] {
    ORV_SelectImage(5);
    unsigned char entry[4] = {0x30, 0x20, 0x10, 0};
    ORV_SetPalette(entry, 1);
  });
  popup([&] { headless::middle_click(grey, 2, 2); }, orv::kImageClipping, true);
  clip(grey, {0, 1}, {3, 1}, 2);
  on_worker([] {
    const orv::ImageRecord& r = orv::image_record(2);
    EXPECT_EQ(r.title, "(0,1)-(3,1)");
    EXPECT_EQ((std::tuple{r.width, r.height, r.bits}), (std::tuple{4, 1, 8}));
    EXPECT_EQ(ORV_GetPixel(0, 0), 0);  // the index of pixel (0, 1): low byte of 256
    EXPECT_EQ(ORV_GetPixel(3, 0), 3);
    unsigned char palette[1024];
    ORV_GetPalette(palette);
    EXPECT_EQ((std::tuple{palette[0], palette[1], palette[2]}), (std::tuple{0x30, 0x20, 0x10}));
  });
}

}  // namespace

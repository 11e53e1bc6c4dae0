// Window requests from the main window to the worker, and files dropped on
// the main window becoming image windows.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <thread>
#include <tuple>

#include "framework/core/window_requests.h"
#include "framework/image/image_table.h"
#include "platform/codec/codec.h"
#include "tests/framework/test_program.h"

namespace {

using namespace std::string_literals;
using test_program::on_worker;

struct TempFolder {
  std::filesystem::path path;
  TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "orv-drop-XXXXXX").string();
    path = mkdtemp(pattern.data());
  }
  ~TempFolder() { std::filesystem::remove_all(path); }
};

// A w x h PNG of one colour.
std::string write_png(const std::filesystem::path& path, int w, int h, std::uint32_t colour) {
  platform::Picture p;
  p.width = w;
  p.height = h;
  p.pixels.assign(std::size_t(w) * h, colour);
  EXPECT_EQ(platform::encode_picture(p, "image/png", 100, path.c_str()), platform::CodecStatus::Ok);
  return path.string();
}

// Ids 0 and 2 are in use, image 2 current: three pictures and a text file
// dropped on the main window become images 1, 3 and 4, titled and filled
// from their files, and image 2 is current again afterwards.
TEST(WindowRequestTest, DroppedPicturesBecomeImageWindowsAtTheNextFreeIds) {
  TempFolder folder;
  std::vector<std::string> files = {write_png(folder.path / "a.png", 5, 4, 0x112233),
                                    (folder.path / "notes.txt").string(),
                                    write_png(folder.path / "b.png", 3, 2, 0x445566),
                                    write_png(folder.path / "c.png", 2, 7, 0x778899)};
  FILE* text = std::fopen(files[1].c_str(), "w");
  std::fputs("not a picture", text);
  std::fclose(text);
  test_program::Serving serving([] { orv::reset_images_for_tests(); });
  test_program::Running& run = serving.run;
  on_worker([] {
    ORV_CreateImage(0, "zero", 0, 0, 8, 8, 100);
    ORV_CreateImage(2, "two", 0, 0, 8, 8, 100);
  });
  run.press(orv::kCommandStop);  // drops are taken while no run goes on
  ASSERT_TRUE(headless::wait_until([] { return orv_running.load() == 0; }));
  int served = orv::window_requests_served();
  ASSERT_TRUE(headless::drop_files(orv::main_window(), files));
  // Three requests a picture (create, load, redraw and restore the
  // selection), and one create each refused for the ids 0 and 2 in use.
  ASSERT_TRUE(headless::wait_until([&] { return orv::window_requests_served() == served + 11; }));
  run.press(orv::kCommandStart);
  ASSERT_TRUE(headless::wait_until([] { return orv_running.load() == 1; }));
  // Title, width and top-left pixel of image id.
  auto seen = [](int id) {
    std::tuple<std::string, int, int> s;
    on_worker([&] {
      ORV_SelectImage(id);
      s = {orv::image_record(id).title, orv::image_record(id).width, ORV_GetPixel(0, 0)};
      ORV_RestoreImage();
    });
    return s;
  };
  EXPECT_EQ(seen(1), (std::tuple{"001 a.png"s, 5, 0x112233}));
  EXPECT_EQ(seen(3), (std::tuple{"003 b.png"s, 3, 0x445566}));
  EXPECT_EQ(seen(4), (std::tuple{"004 c.png"s, 2, 0x778899}));
  on_worker([] {
    EXPECT_EQ(orv::current_image(), 2);
    EXPECT_FALSE(orv::image_in_use(5));
  });
}

// While ORV_Main runs the worker takes no request: a redraw is handed over
// at once, the next request waits behind it, and both are carried out in
// order once the run ends. A wait that Exit interrupts returns.
TEST(WindowRequestTest, RequestsWaitForTheWorkerInOrderAndExitEndsTheWait) {
  test_program::Serving serving([] { orv::reset_images_for_tests(); });
  test_program::Running& run = serving.run;
  on_worker([] { ORV_CreateImage(0, "r", 0, 0, 200, 200, 100); });  // painted black
  on_worker([] { ORV_SetPixel(5, 5, 0xFF0000); });                  // pixel calls do not repaint
  platform::Window image = orv::image_record(0).window;
  orv::post_redraw_image(0, false);  // returns although the run keeps the worker busy
  EXPECT_EQ(headless::surface_pixel(image, 5, 5), 0u);
  std::thread poster([] { orv::post_text_window(3); });
  platform::sleep_ms(100);
  EXPECT_FALSE(platform::find_local_window("orv_twi"));
  run.press(orv::kCommandStop);
  poster.join();
  EXPECT_EQ(headless::surface_pixel(image, 5, 5), 0xFF0000u);
  EXPECT_EQ(platform::caption(platform::find_local_window("orv_twi")), u"TextWindow 3");

  run.press(orv::kCommandStart);
  ASSERT_TRUE(headless::wait_until([] { return orv_running.load() == 1; }));
  std::thread stuck([] { EXPECT_EQ(orv::post_create_image(9, "x", 4, 4, 32), -1); });
  platform::sleep_ms(50);
  EXPECT_EQ(run.exit(), 0);
  stuck.join();
  orv::reset_window_requests_for_tests();
}

}  // namespace

// The input box: rows, values a person types, resizing, activation, popups, renaming.
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <string>
#include <vector>

#include "framework/console/button_box.h"
#include "framework/console/input_box.h"
#include "framework/console/text_window.h"
#include "platform/queue.h"
#include "platform/text/codepage.h"
#include "tests/framework/test_program.h"

namespace console_test {
// ORV_Ready of the box tests; the rename prompt goes to text window 0.
void prepare_boxes() {
  orv::reset_input_box_for_tests();
  orv::reset_button_box_for_tests();
  orv::register_input_box_class();  // start-up may have done it already
  orv::register_button_box_class();
  orv::init_text_windows();
  orv::register_text_window_class();
}

// The labels and ids of the next popup, answered with `answer` once read.
std::vector<std::pair<std::u16string, int>> popup_items(int answer) {
  std::vector<std::pair<std::u16string, int>> items;
  auto popup = headless::wait_popup();
  if (!popup) return items;
  for (const platform::MenuItem& item : popup->menu.items) items.emplace_back(item.label, item.id);
  headless::answer_popup(answer);
  return items;
}

void press_close_box(platform::Window w) {
  platform::Msg close;
  close.kind = platform::MsgKind::Close;
  platform::post_message(w, close);
}
}  // namespace console_test

namespace {

using console_test::popup_items;
using platform::Rect;
using platform::Window;
using test_program::answer_prompt;
using test_program::on_worker;
using test_program::waiting_for_a_line;
using Items = std::vector<std::pair<std::u16string, int>>;
using Strings = std::vector<std::u16string>;
using Rects = std::vector<Rect>;

struct Framework : test_program::Serving {
  Framework() : Serving(console_test::prepare_boxes) {}
};

std::vector<Window> controls(Window box, platform::ControlKind kind) {
  std::vector<Window> found;
  for (Window child : platform::child_windows(box))
    if (platform::control_kind(child) == kind) found.push_back(child);
  return found;
}
std::vector<Window> edits(Window box) {
  return controls(box, platform::ControlKind::Edit);
}
std::vector<Window> labels(Window box) {
  return controls(box, platform::ControlKind::Static);
}
Strings captions(const std::vector<Window>& windows) {
  Strings all;
  for (Window w : windows) all.push_back(platform::caption(w));
  return all;
}
Rects rects(const std::vector<Window>& windows) {
  Rects all;
  for (Window w : windows) all.push_back(platform::window_rect(w));
  return all;
}
Window worker_focus(Window box) {
  return platform::focus_of_thread(platform::window_thread(box));
}

std::string ib_text(int row) {
  std::string text;
  on_worker([&] { text = orv_ib_text[row] ? orv_ib_text[row] : "(null)"; });
  return text;
}
std::vector<std::string> ib_texts(int rows) {
  std::vector<std::string> all;
  for (int row = 0; row < rows; ++row) all.push_back(ib_text(row));
  return all;
}
// The label and edit widths.
std::pair<int, int> widths() {
  return {orv::input_box_label_width(), orv::input_box_edit_width()};
}

Window open_box(int x, int y, int items) {
  on_worker([=] { ORV_OpenInputBox(x, y, items); });
  return orv::input_box_window();
}

TEST(InputBoxTest, ItemCountsOutsideOneToThirtyAreClamped) {
  Framework framework;
  struct Case {
    int asked;
    int rows;
  } cases[] = {{0, 1}, {-5, 1}, {31, 30}, {100, 30}, {4, 4}};
  for (Case c : cases) {
    Window box = open_box(0, 0, c.asked);
    ASSERT_TRUE(box) << c.asked;
    int items = 0;
    on_worker([&] { items = orv_ib_items; });
    EXPECT_EQ(items, c.rows) << c.asked;
    EXPECT_EQ(edits(box).size(), std::size_t(c.rows)) << c.asked;
    EXPECT_EQ(platform::client_rect(box).height(), 28 * c.rows + 2) << c.asked;
    EXPECT_EQ(ib_text(c.rows - 1), "0");
    on_worker([] { ORV_CloseInputBox(); });
  }
}

// Three rows at (10, 20): client 80 + 70 + 12 = 162 wide and 28 * 3 + 2 = 86
// high; frame 4 and caption 23 make the outer rectangle 170 x 117.
TEST(InputBoxTest, AFreshBoxShowsItemLabelsAndZerosLaidOutByRowAndSetsTouchOnlyItsRows) {
  Framework framework;
  on_worker([] {
    ORV_SetInputBoxInt(0, 5);  // no box yet: nothing, and nothing breaks
    ORV_SetInputBoxTitle(0, "x");
  });
  Window box = open_box(10, 20, 3);
  ASSERT_TRUE(box);
  EXPECT_EQ(platform::window_class(box), "orv_ib");
  EXPECT_EQ(platform::caption(box), u"InputBox");
  EXPECT_EQ(platform::window_owner(box), orv::main_window());
  EXPECT_EQ(platform::window_rect(box), (Rect{10, 20, 180, 137}));
  EXPECT_EQ(platform::client_rect(box), (Rect{0, 0, 162, 86}));
  ASSERT_EQ(captions(labels(box)), (Strings{u"Item 0", u"Item 1", u"Item 2"}));
  ASSERT_EQ(captions(edits(box)), (Strings{u"0", u"0", u"0"}));
  EXPECT_EQ(ib_texts(3), (std::vector<std::string>{"0", "0", "0"}));
  // Row i: label at (4, 4 + 28 i + 3), edit at (80 + 8, 4 + 28 i), both 24 high.
  EXPECT_EQ(rects(labels(box)), (Rects{{4, 7, 84, 31}, {4, 35, 84, 59}, {4, 63, 84, 87}}));
  EXPECT_EQ(rects(edits(box)), (Rects{{88, 4, 158, 28}, {88, 32, 158, 56}, {88, 60, 158, 84}}));
  EXPECT_EQ(worker_focus(box), edits(box)[0]);
  // A second open leaves the box as it is.
  on_worker([] {
    ORV_SetInputBoxInt(1, 9);
    ORV_OpenInputBox(300, 300, 7);
  });
  EXPECT_EQ(orv::input_box_window(), box);
  EXPECT_EQ(platform::window_rect(box), (Rect{10, 20, 180, 137}));

  on_worker([] {
    ORV_SetInputBoxInt(3, 77);  // row = item count
    ORV_SetInputBoxInt(-1, 77);
    ORV_SetInputBoxReal(3, 1.5);
    ORV_SetInputBoxTitle(3, "no");
    ORV_SetInputBoxTitle(-1, "no");
    ORV_SetInputBoxInt(2, -42);
    ORV_SetInputBoxTitle(1, "Pitch");
  });
  EXPECT_EQ(ib_texts(3), (std::vector<std::string>{"0", "9", "-42"}));
  EXPECT_EQ(captions(edits(box)), (Strings{u"0", u"9", u"-42"}));
  EXPECT_EQ(captions(labels(box)), (Strings{u"Item 0", u"Pitch", u"Item 2"}));
}

TEST(InputBoxTest, ValuesArriveOnTabOrEnterAndNotWhileTyping) {
  Framework framework;
  Window box = open_box(0, 0, 5);
  ASSERT_TRUE(box);
  std::vector<Window> e = edits(box);
  headless::key(box, platform::kKeyTab);
  headless::key(box, platform::kKeyTab);  // row 2, its text selected
  headless::type_text(box, u"123");
  on_worker([] {});
  EXPECT_EQ(platform::caption(e[2]), u"123");
  EXPECT_EQ(ib_text(2), "0");  // still in the field
  headless::key(box, platform::kKeyTab);
  EXPECT_EQ(ib_text(2), "123");
  EXPECT_EQ(worker_focus(box), e[3]);

  headless::type_text(box, u"45");
  on_worker([] {});
  EXPECT_EQ(platform::caption(e[3]), u"45");
  EXPECT_EQ(ib_text(3), "0");
  headless::key(box, platform::kKeyReturn);
  EXPECT_EQ(ib_text(3), "45");
  EXPECT_EQ(worker_focus(box), e[3]);  // Enter does not move on
  EXPECT_EQ(platform::caption(e[3]), u"45");
  // Escape neither stores nor closes.
  headless::type_text(box, u"6");
  headless::key(box, platform::kKeyEscape);
  EXPECT_EQ(ib_text(3), "45");
  EXPECT_EQ(orv::input_box_window(), box);
  // Clicking another field is leaving this one too.
  headless::click(box, 100, 4 + 28 * 4 + 10);
  EXPECT_EQ(ib_text(3), "456");
  EXPECT_EQ(worker_focus(box), e[4]);
}

// Two rows at (100, 100): client 162 x 58.
TEST(InputBoxTest, DraggedEdgesResizeOneColumnAndNeverTheHeight) {
  Framework framework;
  Window box = open_box(100, 100, 2);
  ASSERT_TRUE(box);
  Rect start = platform::window_rect(box);

  headless::drag_edge(box, platform::kEdgeLeft, -30, 0);  // client 192: label 192 - 70 - 12
  on_worker([] {});
  EXPECT_EQ(widths(), (std::pair{110, 70}));
  EXPECT_EQ(rects(labels(box))[1], (Rect{4, 35, 114, 59}));
  EXPECT_EQ(rects(edits(box))[1], (Rect{118, 32, 188, 56}));

  headless::drag_edge(box, platform::kEdgeRight, 20, 0);  // client 212: edit 212 - 110 - 12
  on_worker([] {});
  EXPECT_EQ(widths(), (std::pair{110, 90}));
  EXPECT_EQ(rects(labels(box))[0], (Rect{4, 7, 114, 31}));
  EXPECT_EQ(rects(edits(box))[0], (Rect{118, 4, 208, 28}));

  headless::drag_edge(box, platform::kEdgeBottomLeft, 10, 40);  // only the width moves
  on_worker([] {});
  Rect now = platform::window_rect(box);
  EXPECT_EQ(std::pair(now.top, now.bottom), std::pair(start.top, start.bottom));
  EXPECT_EQ(platform::client_rect(box), (Rect{0, 0, 202, 58}));
  EXPECT_EQ(widths(), (std::pair{100, 90}));

  headless::drag_edge(box, platform::kEdgeTop, 0, -50);
  on_worker([] {});
  EXPECT_EQ(platform::window_rect(box), now);
}

// Ten significant digits in the shorter notation: fixed for decimal
// exponents -4..9 (of the value rounded to ten digits), else a mantissa and
// an exponent of at least two digits; trailing zeros and a bare point go.
TEST(InputBoxTest, RealValuesAreWrittenInTheShorterOfFixedAndExponentForm) {
  Framework framework;
  ASSERT_TRUE(open_box(0, 0, 1));
  struct Case {
    double value;
    const char* text;
  } cases[] = {
      {0.0, "0"},
      {1.0, "1"},
      {2.5, "2.5"},
      {17.33, "17.33"},
      {-314150.0, "-314150"},
      {0.5, "0.5"},
      {0.1, "0.1"},
      {3.14159265358979, "3.141592654"},
      {-12.34567890123, "-12.3456789"},
      {1234567890.0, "1234567890"},  // exponent 9: no decimals, no point
      {1234567890.4, "1234567890"},
      {12345678901.0, "1.23456789e+10"},  // ten digits no longer fit
      {1e10, "1e+10"},
      {9999999999.6, "1e+10"},  // rounds up to the next power
      {0.0123, "0.0123"},
      {-0.0123456789012, "-0.0123456789"},
      {0.00012345, "0.00012345"},  // exponent -4 is still fixed
      {0.123456789012, "0.123456789"},
      {0.0999999999996, "0.1"},
      {-1.5e-5, "-1.5e-05"},
      {1e-100, "1e-100"},
      {6.02214076e23, "6.02214076e+23"},
  };
  for (Case c : cases) {
    on_worker([&] { ORV_SetInputBoxReal(0, c.value); });
    EXPECT_EQ(ib_text(0), c.text) << c.value;
    EXPECT_EQ(platform::from_utf16(captions(edits(orv::input_box_window()))[0]), c.text) << c.value;
  }
}

TEST(InputBoxTest, ClosingDropsTheValuesAndReopeningOrResizingSetsTheWidths) {
  Framework framework;
  Window box = open_box(0, 0, 2);
  ASSERT_TRUE(box);
  on_worker([] { ORV_SetInputBoxInt(0, 12); });
  headless::drag_edge(box, platform::kEdgeLeft, -20, 0);  // label 100
  on_worker([] {});  // a drag starts from the rectangle the window has when it begins
  headless::drag_edge(box, platform::kEdgeRight, 15, 0);  // edit 85
  on_worker([] { ORV_CloseInputBox(); });
  EXPECT_FALSE(orv::input_box_window());
  EXPECT_FALSE(platform::is_window(box));
  EXPECT_FALSE(platform::find_local_window("orv_ib"));
  EXPECT_EQ(ib_text(0), "(null)");
  on_worker([] { ORV_CloseInputBox(); });  // closing twice is harmless

  Window again = open_box(50, 60, 2);
  ASSERT_TRUE(again);
  EXPECT_EQ(platform::client_rect(again), (Rect{0, 0, 100 + 85 + 12, 58}));
  EXPECT_EQ(platform::window_rect(edits(again)[1]), (Rect{108, 32, 193, 56}));
  EXPECT_EQ(ib_text(0), "0");
  EXPECT_EQ(platform::caption(edits(again)[0]), u"0");

  // The close box closes it as well, and the program can tell.
  int seen_open = -1;
  on_worker([&] { seen_open = ORV_IsInputBoxOpen(); });
  EXPECT_EQ(seen_open, 1);
  console_test::press_close_box(again);
  on_worker([&] { seen_open = ORV_IsInputBoxOpen(); });
  EXPECT_FALSE(orv::input_box_window());
  EXPECT_EQ(seen_open, 0);

  // ORV_ResizeInputBox sets both widths, open or not.
  on_worker([] { ORV_ResizeInputBox(90, 40); });
  Window box3 = open_box(0, 0, 2);
  ASSERT_TRUE(box3);
  EXPECT_EQ(platform::client_rect(box3).width(), 142);
  on_worker([] { ORV_ResizeInputBox(120, 60); });
  EXPECT_EQ(platform::client_rect(box3), (Rect{0, 0, 192, 58}));
  EXPECT_EQ(platform::window_rect(labels(box3)[0]), (Rect{4, 7, 124, 31}));
  EXPECT_EQ(platform::window_rect(edits(box3)[0]), (Rect{128, 4, 188, 28}));
  EXPECT_EQ(platform::window_rect(box3).left, 0);
}

// A field keeps what was typed into it when the person goes to another
// window without Tab or Enter: the main window to press Start, or a text window.
// Coming back focuses the last field and selects row 0.
TEST(InputBoxTest, ActivatingAnotherWindowStoresTheFieldBeingEdited) {
  Framework framework;
  Window box = open_box(0, 0, 3);
  ASSERT_TRUE(box);
  Window text;
  on_worker([&] {
    ORV_OpenTextWindow(0, 300, 0, 200, 100);
    text = platform::find_local_window("orv_twi");
  });
  ASSERT_TRUE(text);
  platform::set_foreground(box);
  headless::type_text(box, u"555");
  on_worker([] {});
  EXPECT_EQ(ib_text(0), "0");
  platform::set_foreground(orv::main_window());
  on_worker([] {});
  EXPECT_EQ(ib_text(0), "555");

  platform::set_foreground(box);
  headless::key(box, platform::kKeyTab);  // row 1, its text selected
  headless::type_text(box, u"7");
  on_worker([] {});
  EXPECT_EQ(ib_text(1), "0");
  platform::set_foreground(text);
  on_worker([] {});
  EXPECT_EQ(ib_texts(2), (std::vector<std::string>{"555", "7"}));

  std::vector<Window> e = edits(box);
  on_worker([] { ORV_SetInputBoxInt(0, 1234); });
  headless::click(box, 120, 4 + 28 * 2 + 5);
  on_worker([] {});
  EXPECT_EQ(worker_focus(box), e[2]);
  platform::set_foreground(orv::main_window());
  platform::set_foreground(box);
  on_worker([] {});
  EXPECT_EQ(worker_focus(box), e[2]);
  EXPECT_EQ(platform::edit_selection(e[0]), (Rect{0, 4, 4, 4}));  // all of "1234"
}

// The title bar's popup destroys the box; the client's offers Rename.
TEST(InputBoxTest, RowsAreRenamedThroughTheTextWindowEvenDuringTheProgramsInput) {
  Framework framework;
  headless::attach_driver();
  Window box = open_box(0, 0, 2);
  ASSERT_TRUE(box);
  headless::right_click_title(box);
  EXPECT_EQ(popup_items(1023), (Items{{u"Destroy", 1023}}));
  on_worker([] {});
  EXPECT_FALSE(orv::input_box_window());

  box = open_box(0, 0, 2);
  std::vector<Window> l = labels(box);
  headless::right_click(box, 30, 40);  // over row 1's label
  EXPECT_EQ(popup_items(0), (Items{{u"Rename", 1056}}));
  on_worker([] {});
  EXPECT_EQ(platform::caption(l[1]), u"Item 1");

  headless::double_click(box, 30, 40);  // row 1's label lets the click through
  answer_prompt(u"Speed");
  ASSERT_TRUE(headless::wait_until([&] { return platform::caption(l[1]) == u"Speed"; }));
  EXPECT_EQ(platform::caption(l[0]), u"Item 0");

  headless::right_click(box, 10, 10);  // row 0
  EXPECT_EQ(popup_items(1056).size(), 1u);
  answer_prompt(u"Gain");
  ASSERT_TRUE(headless::wait_until([&] { return platform::caption(l[0]) == u"Gain"; }));

  // An empty line keeps the label; a click below the last row renames nothing.
  headless::double_click(box, 30, 10);
  answer_prompt(u"");
  ASSERT_TRUE(headless::wait_until([] { return !waiting_for_a_line(); }));
  headless::double_click(box, 30, 57);  // y / 28 = 2: no such row
  answer_prompt(u"zzz");
  ASSERT_TRUE(headless::wait_until([] { return !waiting_for_a_line(); }));
  on_worker([] {});
  EXPECT_EQ(captions(labels(box)), (Strings{u"Gain", u"Speed"}));
  EXPECT_TRUE(headless::message_boxes_shown().empty());

  // A rename while the program waits for a line takes the keyboard: the
  // person's answer becomes the label, and the program's input ends empty.
  on_worker([] { ORV_RaiseTextWindow(); });
  char program_line[256] = "untouched";
  unsigned begun = orv::line_inputs_begun();
  std::future<void> program = test_program::on_worker_async([&] { ORV_Input(program_line); });
  ASSERT_TRUE(headless::wait_until([&] { return orv::line_inputs_begun() == begun + 1; }));
  headless::double_click(box, 30, 40);
  ASSERT_TRUE(headless::wait_until([&] { return orv::line_inputs_begun() == begun + 2; }));
  answer_prompt(u"New");
  ASSERT_EQ(program.wait_for(std::chrono::seconds(10)), std::future_status::ready);
  EXPECT_STREQ(program_line, "");
  EXPECT_EQ(captions(labels(box)), (Strings{u"Gain", u"New"}));
  EXPECT_EQ(orv::line_input_owner(), 0);
}

}  // namespace

// Line input: typing, Backspace across wraps, recall, paste, the line limit
// and cancellation, driven through the keyboard of a text window.
#include <gtest/gtest.h>

#include <future>
#include <memory>
#include <string>

#include "framework/console/text_window.h"
#include "platform/queue.h"
#include "platform/text/clipboard.h"
#include "tests/framework/console/console_test.h"

namespace {

using namespace console_test;
using test_program::on_worker;
using test_program::on_worker_async;

// ORV_Input on the worker; the answer is ready once the future is.
struct Input {
  std::shared_ptr<std::string> answer = std::make_shared<std::string>();
  std::future<void> done;
  explicit Input(bool waits = true) {
    auto answer_ref = answer;
    done = on_worker_async([answer_ref] {
      char buffer[256];
      ORV_Input(buffer);
      *answer_ref = buffer;
    });
    if (waits) {
      EXPECT_TRUE(headless::wait_until([] { return orv::line_input_owner() != 0; }));
    }
  }
  std::string get() {
    EXPECT_EQ(done.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    done.get();
    return *answer;
  }
};

std::u16string status_text() {
  return platform::caption(platform::control_by_id(orv::main_window(), orv::kStatusLineId));
}

platform::Window open_window(int width, int height) {
  on_worker([=] { ORV_OpenTextWindow(0, 100, 100, width, height); });
  return text_window();
}

TEST(LineInputTest, TypingWithBackspaceReturnsTheEditedLineAfterThePrompt) {
  Console console;
  platform::Window w = open_window(400, 160);
  Input first;
  EXPECT_TRUE(headless::wait_until([] { return status_text() == u"             Input text"; }));
  headless::type_text(w, u"abc");
  headless::key(w, platform::kKeyBack);
  headless::type_text(w, u"d");
  headless::key(w, platform::kKeyReturn);
  EXPECT_EQ(first.get(), "abd");
  EXPECT_EQ(status_text(), u"            32-bit color");
  EXPECT_EQ(orv::line_input_owner(), 0);
  ASSERT_TRUE(headless::wait_until([&] { return cell_shows(w, 2, 0, u'd'); }));
  EXPECT_EQ(cell_ink(w, 3, 0), 0u);  // the cursor is gone from the finished line
  EXPECT_EQ(cursor().x, 0);
  EXPECT_EQ(cursor().y, 16);
  // Tab is a space; other control characters are kept.
  Input second;
  headless::type_text(w, u"a\tb\x1b");
  headless::key(w, platform::kKeyReturn);
  EXPECT_EQ(second.get(), "a b\x1b");
  // A prompt and its answer share one line.
  on_worker([] { ORV_Print("Name? "); });
  Input third;
  headless::type_text(w, u"Bob\r");
  EXPECT_EQ(third.get(), "Bob");
  on_worker([] { ORV_Print("ok"); });
  ASSERT_TRUE(headless::wait_until([&] { return cell_shows(w, 0, 3, u'o'); }));
  EXPECT_TRUE(cell_shows(w, 0, 2, u'N'));
  EXPECT_TRUE(cell_shows(w, 6, 2, u'B'));
  EXPECT_TRUE(cell_shows(w, 8, 2, u'b'));
}

// Ten cells a line: the tenth character wraps the cursor; Backspace there
// goes back to the tenth cell of the line before.
TEST(LineInputTest, BackspaceAtTheStartOfAContinuationLineGoesBackOverTheWrap) {
  Console console;
  platform::Window w = open_window(80, 160);
  Input first;
  headless::type_text(w, u"abcdefghij");
  headless::key(w, platform::kKeyBack);
  headless::type_text(w, u"Z");
  headless::key(w, platform::kKeyReturn);
  EXPECT_EQ(first.get(), "abcdefghiZ");
  ASSERT_TRUE(headless::wait_until([&] { return cell_shows(w, 9, 0, u'Z'); }));
  EXPECT_EQ(cell_ink(w, 0, 1), 0u);
  EXPECT_EQ(cursor().y, 32);

  // A double-cell character that does not fit in the last cell starts the
  // next line; Backspace over it returns to where it would have started.
  Input second;
  headless::type_text(w, u"aaaaaaaaa\u3042");
  ASSERT_TRUE(headless::wait_until([&] { return cell_shows(w, 0, 3, u'\u3042'); }));
  headless::key(w, platform::kKeyBack);
  headless::type_text(w, u"b");
  headless::key(w, platform::kKeyReturn);
  EXPECT_EQ(second.get(), "aaaaaaaaab");
  ASSERT_TRUE(headless::wait_until([&] { return cell_shows(w, 9, 2, u'b'); }));
  EXPECT_EQ(cell_ink(w, 0, 3), 0u);
}

TEST(LineInputTest, UpReplaysCtrlVPastesUpToTheLineBreakAndTheTwoHundredFiftySixthIsIgnored) {
  Console console;
  platform::Window w = open_window(400, 160);
  Input first;
  headless::type_text(w, u"hello\r");
  EXPECT_EQ(first.get(), "hello");

  Input second;
  headless::type_text(w, u"X");
  ASSERT_TRUE(headless::wait_until([&] { return cell_shows(w, 0, 1, u'X'); }));
  headless::key(w, platform::kKeyUp);
  ASSERT_TRUE(headless::wait_until([&] { return cell_shows(w, 5, 1, u'o'); }));
  headless::key(w, platform::kKeyReturn);
  EXPECT_EQ(second.get(), "Xhello");

  ASSERT_TRUE(platform::clipboard_open());
  platform::clipboard_empty();
  platform::clipboard_set_unicode_text(u"paste\r\nnot this");
  platform::clipboard_close();
  Input third;
  headless::type_text(w, u"Y");
  ASSERT_TRUE(headless::wait_until([&] { return cell_shows(w, 0, 2, u'Y'); }));
  headless::key(w, 'V', platform::kKeyBitCtrl);
  ASSERT_TRUE(headless::wait_until([&] { return cell_shows(w, 5, 2, u'e'); }));
  headless::key(w, platform::kKeyReturn);
  EXPECT_EQ(third.get(), "Ypaste");

  // Fifty cells a line, typed a line at a time as a person would; the 256th
  // character is neither echoed nor returned.
  on_worker([] { ORV_ClearTextWindow(); });
  Input input;
  for (int row = 0; row < 5; ++row) {
    headless::type_text(w, std::u16string(50, u'#'));
    ASSERT_TRUE(headless::wait_until([&] { return cell_shows(w, 49, row, u'#'); }));
  }
  headless::type_text(w, u"#####");
  ASSERT_TRUE(headless::wait_until([&] { return cell_shows(w, 4, 5, u'#'); }));
  headless::type_text(w, u"M\r");
  EXPECT_EQ(input.get(), std::string(255, '#'));
  EXPECT_EQ(cell_ink(w, 5, 5), 0u);
}

TEST(LineInputTest, ExitWhileAnInputWaitsReturnsAnEmptyLineAtOnce) {
  Console console;
  platform::Window w = open_window(400, 160);
  Input input;
  headless::type_text(w, u"abc");
  ASSERT_TRUE(headless::wait_until([&] { return cell_shows(w, 2, 0, u'c'); }));
  EXPECT_EQ(console.exit(), 0);
  EXPECT_EQ(input.get(), "");
  EXPECT_EQ(orv_exit_state.load(), 2);  // the worker finished within the grace
  EXPECT_EQ(orv::line_input_owner(), 0);
}

TEST(LineInputTest, ClosingTheWindowCancelsItsInput) {
  Console console;
  platform::Window w = open_window(400, 160);
  Input input;
  headless::type_text(w, u"abc");
  platform::Msg close;
  close.kind = platform::MsgKind::Close;
  platform::post_message(w, close);  // the close box
  EXPECT_EQ(input.get(), "");
  EXPECT_FALSE(platform::is_window(w));
  EXPECT_EQ(orv::line_input_owner(), 0);
  EXPECT_EQ(status_text(), u"            32-bit color");
  // With no window open an input returns at once.
  Input none(false);
  EXPECT_EQ(none.get(), "");
}

}  // namespace

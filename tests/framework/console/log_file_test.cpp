// Text window logs: file names, start, pause, resume and copy, what is
// written, failures, a killed process and Exit in each run state.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "framework/console/text_window.h"
#include "platform/queue.h"
#include "tests/framework/console/log_test.h"

namespace {

using namespace console_test;
using namespace log_test;
using test_program::on_worker;
using test_program::on_worker_async;

std::u16string copy_item_label(platform::Window w) {
  headless::right_click(w, 10, 10);
  auto popup = headless::wait_popup();
  if (!popup) return u"<no popup>";
  platform::MenuItem* item = popup->menu.find(orv::kTextCopyLog);
  std::u16string label = item ? item->label : u"<no item>";
  headless::answer_popup(0);
  return label;
}

TEST(LogFileTest, TheFileIsNamedByInstanceAndWindowInTheWorkingFolder) {
  PrivateFolder folder;
  {
    headless::attach_driver();
    headless::clear_shown();
    Console console;
    on_worker([] {
      ORV_OpenTextWindow(3, 0, 0, 400, 200);
      EXPECT_EQ(orv::start_log(3), 0);
      ORV_Print("three\n");
    });
    EXPECT_EQ(orv::instance_number(), 0);
    EXPECT_EQ(read_file(folder.file("ORVLIB03.LOG")), "three\n");
    EXPECT_EQ(copy_item_label(text_window()), u"&Copy ORVLIB03.LOG\tCtrl+C");
  }
  pid_t holder = test_program::hold_instance_slots(2);
  ASSERT_GT(holder, 0);
  {
    test_program::ready = [] {
      ORV_OpenTextWindow(117, 0, 0, 400, 200);
      orv::start_log(117);
      ORV_Print("one hundred seventeen\n");
    };
    test_program::Running run;
    ASSERT_TRUE(headless::wait_until([] { return orv::log_state(117) == orv::kLogOn; }));
    EXPECT_EQ(orv::instance_number(), 2);
    EXPECT_TRUE(headless::wait_until(
        [&] { return read_file(folder.file("ORVLIB2117.LOG")) == "one hundred seventeen\n"; }));
    EXPECT_EQ(run.exit(), 0);
  }
  kill(holder, SIGKILL);
  waitpid(holder, nullptr, 0);
}

TEST(LogFileTest, StartPauseResumeAndCopyKeepWritingOneFile) {
  PrivateFolder folder;
  const std::string log = folder.file("ORVLIB00.LOG");
  headless::attach_driver();
  headless::clear_shown();
  Console console;
  on_worker([] {
    ORV_OpenTextWindow(0, 0, 0, 400, 200);
    EXPECT_EQ(orv::stop_log(0), 1);  // no log yet
    EXPECT_EQ(orv::start_log(0), 0);
    EXPECT_EQ(orv::start_log(0), 1);  // already logging: the same file goes on
    ORV_Print("%s %d\n", "one", 1);
    EXPECT_EQ(orv::stop_log(0), 0);
    ORV_Print("not logged\n");
    EXPECT_EQ(orv::stop_log(0), 0);  // paused already
    EXPECT_EQ(orv::start_log(0), 0);
    ORV_Print("two ");
    ORV_ClearTextWindow();
    EXPECT_EQ(orv::start_log(256), 3);
    EXPECT_EQ(orv::start_log(5), 3);  // not open
    EXPECT_EQ(orv::stop_log(256), 2);
    EXPECT_EQ(orv::copy_log(-1), 4);
    EXPECT_EQ(orv::copy_log(5), 4);
  });
  EXPECT_EQ(read_file(log), "one 1\ntwo \n");
  platform::Window w = text_window();

  // The popup marks the state; Ctrl+C copies everything so far and logging
  // goes on in the same file.
  headless::right_click(w, 10, 10);
  auto popup = headless::wait_popup();
  ASSERT_TRUE(popup);
  EXPECT_TRUE(popup->menu.find(orv::kTextStartLog)->checked);
  EXPECT_FALSE(popup->menu.find(orv::kTextStopLog)->checked);
  headless::answer_popup(orv::kTextStopLog);
  ASSERT_TRUE(headless::wait_until([] { return orv::log_state(0) == orv::kLogPaused; }));
  headless::right_click(w, 10, 10);
  popup = headless::wait_popup();
  ASSERT_TRUE(popup);
  EXPECT_FALSE(popup->menu.find(orv::kTextStartLog)->checked);
  EXPECT_TRUE(popup->menu.find(orv::kTextStopLog)->checked);
  headless::answer_popup(orv::kTextStartLog);
  ASSERT_TRUE(headless::wait_until([] { return orv::log_state(0) == orv::kLogOn; }));
  headless::key(w, 'C', platform::kKeyBitCtrl);
  ASSERT_TRUE(headless::wait_until([] { return clipboard_text() == "one 1\ntwo \n"; }));
  on_worker([] { ORV_Print("three\n"); });
  EXPECT_EQ(read_file(log), "one 1\ntwo \nthree\n");
  EXPECT_EQ(orv::log_state(0), orv::kLogOn);
  EXPECT_TRUE(headless::message_boxes_shown().empty());
}

TEST(LogFileTest, APromptAndItsAnswerShareOneLineAndFailuresAreShown) {
  PrivateFolder folder;
  headless::attach_driver();
  headless::clear_shown();
  Console console;
  on_worker([] {
    ORV_OpenTextWindow(0, 0, 0, 400, 200);
    orv::start_log(0);
    ORV_Print("Name? ");
  });
  auto input = on_worker_async([] {
    char line[256];
    ORV_Input(line);
  });
  test_program::answer_prompt(u"Bob");
  ASSERT_EQ(input.wait_for(std::chrono::seconds(10)), std::future_status::ready);
  EXPECT_EQ(read_file(folder.file("ORVLIB00.LOG")), "Name? Bob\n");

  // A name that cannot be created leaves the window without log.
  fs::create_directory(folder.file("ORVLIB01.LOG"));
  auto started = std::make_shared<int>(-1);
  auto done = on_worker_async([started] {
    ORV_OpenTextWindow(1, 0, 0, 400, 200);
    *started = orv::start_log(1);
  });
  auto box = headless::wait_message_box();
  ASSERT_TRUE(box);
  EXPECT_EQ(box->text, u"Can't create file for LOG!");
  EXPECT_EQ(box->title, u"Error");
  headless::answer_message_box();
  ASSERT_EQ(done.wait_for(std::chrono::seconds(10)), std::future_status::ready);
  EXPECT_EQ(*started, 2);
  EXPECT_EQ(orv::log_state(1), orv::kLogOff);

  // Copy without a log copies a file of that name; without one it says so.
  auto copied = std::make_shared<int>(-1);
  done = on_worker_async([copied] {
    ORV_OpenTextWindow(2, 0, 0, 400, 200);
    *copied = orv::copy_log(2);
  });
  box = headless::wait_message_box();
  ASSERT_TRUE(box);
  EXPECT_EQ(box->text, u"Can't open LOG file!");
  EXPECT_EQ(box->title, u"Pause");
  headless::answer_message_box();
  ASSERT_EQ(done.wait_for(std::chrono::seconds(10)), std::future_status::ready);
  EXPECT_EQ(*copied, 2);
  std::ofstream(folder.file("ORVLIB02.LOG")) << "left by an earlier run\n";
  on_worker([copied] { *copied = orv::copy_log(2); });
  EXPECT_EQ(*copied, 0);
  EXPECT_EQ(clipboard_text(), "left by an earlier run\n");
}

// The disk is full from the first write: the log ends with one box, the
// window goes on printing.
TEST(LogFileTest, AFailedWriteEndsTheLogWithOneMessageBox) {
  PrivateFolder folder;
  fs::create_symlink("/dev/full", folder.file("ORVLIB00.LOG"));
  headless::attach_driver();
  headless::clear_shown();
  Console console;
  auto done = on_worker_async([] {
    ORV_OpenTextWindow(0, 0, 0, 400, 200);
    EXPECT_EQ(orv::start_log(0), 0);
    ORV_Print("lost\n");
    ORV_Print("lost too\n");
    ORV_ClearTextWindow();
    ORV_Print("X");
  });
  auto box = headless::wait_message_box();
  ASSERT_TRUE(box);
  EXPECT_EQ(box->text, u"Can't write LOG file!");
  EXPECT_EQ(box->title, u"Error");
  headless::answer_message_box();
  ASSERT_EQ(done.wait_for(std::chrono::seconds(10)), std::future_status::ready);
  EXPECT_EQ(headless::message_boxes_shown().size(), 1u);
  EXPECT_EQ(orv::log_state(0), orv::kLogOff);
  EXPECT_FALSE(file_is_open(folder.file("ORVLIB00.LOG")));
  EXPECT_TRUE(headless::wait_until([] { return cell_shows(text_window(), 0, 0, u'X'); }));
}

// Each line is on disk once printed: a process killed without warning
// leaves all of them.
TEST(LogFileTest, AProcessKilledWhileLoggingLeavesEveryPrintedLine) {
  PrivateFolder folder;
  int printed[2];
  ASSERT_EQ(pipe(printed), 0);
  pid_t child = fork();
  if (child == 0) {
    close(printed[0]);
    platform::reset_windows_for_tests();
    orv::reset_run_state_for_tests();
    static int report = printed[1];
    test_program::ready = [] {
      ORV_OpenTextWindow(0, 0, 0, 400, 200);
      orv::start_log(0);
      for (int i = 1; i <= 40; ++i) ORV_Print("line %d\n", i);
      char byte = 1;
      (void)!write(report, &byte, 1);
      ORV_Print("being written");
      for (;;) platform::sleep_ms(1);
    };
    orv::run_program(headless::backend());
    _exit(1);
  }
  close(printed[1]);
  char byte = 0;
  ASSERT_EQ(read(printed[0], &byte, 1), 1);
  close(printed[0]);
  kill(child, SIGKILL);
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFSIGNALED(status));
  std::string expected;
  for (int i = 1; i <= 40; ++i) expected += "line " + std::to_string(i) + "\n";
  std::string content = read_file(folder.file("ORVLIB00.LOG"));
  EXPECT_EQ(content.substr(0, expected.size()), expected);
}

// Exit while idle, while ORV_Main runs and with a worker that never returns
// closes every log; the next start of the same window replaces the file.
TEST(LogFileTest, ExitClosesEveryLogInEveryRunState) {
  PrivateFolder folder;
  const std::string log = folder.file("ORVLIB00.LOG");
  // Each run's hooks are set anew: a run leaves them empty behind it.
  auto prepare = [] {
    ORV_OpenTextWindow(0, 0, 0, 400, 200);
    orv::start_log(0);
    ORV_Print("ready\n");
  };
  test_program::ready = prepare;
  {
    test_program::Running run;
    ASSERT_TRUE(headless::wait_until([] { return orv::ready_done(); }));
    EXPECT_TRUE(file_is_open(log));
    EXPECT_EQ(run.exit(), 0);
    EXPECT_FALSE(file_is_open(log));
    EXPECT_EQ(orv::log_state(0), orv::kLogOff);
    EXPECT_EQ(read_file(log), "ready\n");
  }
  test_program::ready = prepare;
  test_program::main = [] {
    ORV_Print("running\n");
    while (orv_stop_req.load() == 0) ORV_ProcessMessages();
  };
  {
    test_program::Running run;
    run.press(orv::kCommandStart);
    ASSERT_TRUE(headless::wait_until([&] { return read_file(log) == "ready\nrunning\n"; }));
    EXPECT_EQ(run.exit(), 0);
    EXPECT_FALSE(file_is_open(log));
  }

  // The worker is abandoned after the grace; the child reports what it holds open.
  int report[2];
  ASSERT_EQ(pipe(report), 0);
  pid_t child = fork();
  if (child == 0) {
    close(report[0]);
    platform::reset_windows_for_tests();
    orv::reset_run_state_for_tests();
    test_program::ready = prepare;
    test_program::main = [] {
      ORV_Print("stuck\n");
      for (;;) platform::sleep_ms(1);
    };
    std::thread person([] {
      test_program::wait_for_start_up();
      headless::choose_menu(orv::main_window(), orv::kCommandStart);
      headless::wait_until([] { return orv_running.load() == 1; });
      headless::choose_menu(orv::main_window(), orv::kCommandExit);
    });
    int code = orv::run_program(headless::backend());
    person.join();
    char held = file_is_open("ORVLIB00.LOG") ? 'h' : 'c';
    char abandoned = platform::thread_exit_code(orv::worker_thread()) == 1 ? 'a' : 'f';
    char line[2] = {held, abandoned};
    (void)!write(report[1], line, 2);
    platform::exit_process(code);
  }
  close(report[1]);
  char line[2] = {};
  EXPECT_EQ(read(report[0], line, 2), 2);
  close(report[0]);
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_EQ(std::string(line, 2), "ca");  // closed, with the worker abandoned
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(read_file(log), "ready\nstuck\n");

  test_program::main = [] {};
  test_program::ready = [] {
    ORV_OpenTextWindow(0, 0, 0, 400, 200);
    orv::start_log(0);
    ORV_Print("new\n");
  };
  test_program::Running run;
  ASSERT_TRUE(headless::wait_until([] { return orv::ready_done(); }));
  EXPECT_EQ(read_file(log), "new\n");
  EXPECT_EQ(run.exit(), 0);
}

}  // namespace

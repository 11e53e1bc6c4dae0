// Text window logs: file names, start, pause, resume and copy, what is
// written, failures, a killed process and Exit in each run state.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <string>

#include "framework/console/text_window.h"
#include "platform/queue.h"
#include "tests/framework/console/log_test.h"

namespace {

using namespace console_test;
using namespace log_test;
using test_program::on_worker;
using test_program::on_worker_async;

// A private folder, then the framework with the headless driver attached.
struct Logging {
  PrivateFolder folder;
  int attached = (headless::attach_driver(), headless::clear_shown(), 0);
  Console console;
};

// Right-clicks w and answers the popup with `answer`; what the popup says of
// the log: the marks of Start Log and Stop Log (x or -) and the Copy item.
std::u16string log_items(platform::Window w, int answer) {
  headless::right_click(w, 10, 10);
  auto popup = headless::wait_popup();
  if (!popup) return u"<no popup>";
  std::u16string shown;
  for (int id : {orv::kTextStartLog, orv::kTextStopLog})
    shown += popup->menu.find(id)->checked ? u'x' : u'-';
  platform::MenuItem* copy = popup->menu.find(orv::kTextCopyLog);
  shown += u' ' + (copy ? copy->label : u"<no item>");
  headless::answer_popup(answer);
  return shown;
}

// Runs call on the worker and answers the message box it shows: what call
// returned, and the box as "title: text".
using Answered = std::pair<int, std::u16string>;
Answered answering_a_box(std::function<int()> call) {
  auto result = std::make_shared<int>(-1);
  auto done = on_worker_async([=] { *result = call(); });
  auto box = headless::wait_message_box();
  if (box) headless::answer_message_box();
  EXPECT_EQ(done.wait_for(std::chrono::seconds(10)), std::future_status::ready);
  return {*result, box ? box->title + u": " + box->text : u"<no box>"};
}

TEST(LogFileTest, TheFileIsNamedByInstanceAndWindowInTheWorkingFolder) {
  {
    Logging logging;
    on_worker([] {
      ORV_OpenTextWindow(3, 0, 0, 400, 200);
      EXPECT_EQ(orv::start_log(3), 0);
      ORV_Print("three\n");
    });
    EXPECT_EQ(orv::instance_number(), 0);
    EXPECT_EQ(read_file(logging.folder.file("ORVLIB03.LOG")), "three\n");
    EXPECT_EQ(log_items(text_window(), 0), u"x- &Copy ORVLIB03.LOG\tCtrl+C");
  }
  PrivateFolder folder;
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

TEST(LogFileTest, StartPauseResumeCopyAndAnswersKeepWritingOneFileAndFailuresAreShown) {
  Logging logging;
  const PrivateFolder& folder = logging.folder;
  const std::string log = folder.file("ORVLIB00.LOG");
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
  EXPECT_EQ(log_items(w, orv::kTextStopLog), u"x- &Copy ORVLIB00.LOG\tCtrl+C");
  ASSERT_TRUE(headless::wait_until([] { return orv::log_state(0) == orv::kLogPaused; }));
  EXPECT_EQ(log_items(w, orv::kTextStartLog), u"-x &Copy ORVLIB00.LOG\tCtrl+C");
  ASSERT_TRUE(headless::wait_until([] { return orv::log_state(0) == orv::kLogOn; }));
  headless::key(w, 'C', platform::kKeyBitCtrl);
  ASSERT_TRUE(headless::wait_until([] { return clipboard_text() == "one 1\ntwo \n"; }));
  on_worker([] { ORV_Print("three\n"); });
  EXPECT_EQ(read_file(log), "one 1\ntwo \nthree\n");
  EXPECT_EQ(orv::log_state(0), orv::kLogOn);
  EXPECT_TRUE(headless::message_boxes_shown().empty());

  // A prompt and its answer share one line.
  on_worker([] { ORV_Print("Name? "); });
  auto input = on_worker_async([] {
    char line[256];
    ORV_Input(line);
  });
  test_program::answer_prompt(u"Bob");
  ASSERT_EQ(input.wait_for(std::chrono::seconds(10)), std::future_status::ready);
  EXPECT_EQ(read_file(log), "one 1\ntwo \nthree\nName? Bob\n");

  // A name that cannot be created leaves the window without log.
  fs::create_directory(folder.file("ORVLIB01.LOG"));
  EXPECT_EQ(answering_a_box([] {
              ORV_OpenTextWindow(1, 0, 0, 400, 200);
              return orv::start_log(1);
            }),
            (Answered{2, u"Error: Can't create file for LOG!"}));
  EXPECT_EQ(orv::log_state(1), orv::kLogOff);

  // Copy without a log copies a file of that name; without one it says so.
  EXPECT_EQ(answering_a_box([] {
              ORV_OpenTextWindow(2, 0, 0, 400, 200);
              return orv::copy_log(2);
            }),
            (Answered{2, u"Pause: Can't open LOG file!"}));
  std::ofstream(folder.file("ORVLIB02.LOG")) << "left by an earlier run\n";
  int copied = -1;
  on_worker([&] { copied = orv::copy_log(2); });
  EXPECT_EQ(copied, 0);
  EXPECT_EQ(clipboard_text(), "left by an earlier run\n");
}

// The disk is full from the first write (the file may not grow at all):
// the log ends with one box, the window goes on printing.
TEST(LogFileTest, AFailedWriteEndsTheLogWithOneMessageBox) {
  struct NoGrowth {
    rlimit saved{};
    NoGrowth() {
      getrlimit(RLIMIT_FSIZE, &saved);
      signal(SIGXFSZ, SIG_IGN);  // a write past the limit then fails with EFBIG
      rlimit none{0, saved.rlim_max};
      setrlimit(RLIMIT_FSIZE, &none);
    }
    ~NoGrowth() { setrlimit(RLIMIT_FSIZE, &saved); }
  };
  Logging logging;
  const std::string log = logging.folder.file("ORVLIB00.LOG");
  NoGrowth no_growth;
  EXPECT_EQ(answering_a_box([] {
              ORV_OpenTextWindow(0, 0, 0, 400, 200);
              int started = orv::start_log(0);
              ORV_Print("lost\n");
              ORV_Print("lost too\n");
              ORV_ClearTextWindow();
              ORV_Print("X");
              return started;
            }),
            (Answered{0, u"Error: Can't write LOG file!"}));
  EXPECT_EQ(headless::message_boxes_shown().size(), 1u);
  EXPECT_EQ(orv::log_state(0), orv::kLogOff);
  EXPECT_FALSE(file_is_open(log));
  EXPECT_TRUE(headless::wait_until([] { return cell_shows(text_window(), 0, 0, u'X'); }));
}

// Only a regular file is a log: a link planted at the log name (by another
// user, in a shared folder) is neither followed nor emptied, and a FIFO is
// refused at once rather than waited on.
TEST(LogFileTest, ALogNameThatIsNoRegularFileIsRefusedAndLeftAlone) {
  Logging logging;
  const PrivateFolder& folder = logging.folder;
  std::ofstream(folder.file("target")) << "kept\n";
  auto link_to = [&](const char* name) {
    return [&, name](const std::string& log) { fs::create_symlink(folder.file(name), log); };
  };
  auto fifo = [](const std::string& log) { mkfifo(log.c_str(), 0600); };
  const Answered not_started{2, u"Error: Can't create file for LOG!"};
  const Answered not_copied{2, u"Pause: Can't open LOG file!"};
  struct Row {
    const char* what;
    std::function<void(const std::string&)> plant;
    bool copy;
    Answered expected;
  };
  const Row rows[] = {
      {"start: link to a file", link_to("target"), false, not_started},
      {"start: link to no file", link_to("missing"), false, not_started},
      {"start: FIFO", fifo, false, not_started},
      {"copy: link to a file", link_to("target"), true, not_copied},
      {"copy: FIFO", fifo, true, not_copied},
  };
  int id = 0;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    ++id;
    row.plant(folder.file("ORVLIB0" + std::to_string(id) + ".LOG"));
    EXPECT_EQ(answering_a_box([&] {
                ORV_OpenTextWindow(id, 0, 0, 400, 200);
                return row.copy ? orv::copy_log(id) : orv::start_log(id);
              }),
              row.expected);
    EXPECT_EQ(orv::log_state(id), orv::kLogOff);
  }
  EXPECT_EQ(read_file(folder.file("target")), "kept\n");
  EXPECT_FALSE(fs::exists(folder.file("missing")));
  EXPECT_NE(clipboard_text(), "kept\n");
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
  test_program::ready = prepare;
  test_program::Running run;
  ASSERT_TRUE(headless::wait_until([] { return orv::ready_done(); }));
  EXPECT_EQ(read_file(log), "ready\n");  // not "ready\nstuck\nready\n"
  EXPECT_EQ(run.exit(), 0);
}

}  // namespace

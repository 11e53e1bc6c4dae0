// Modal popups and message boxes: recorded, then answered by the driver
// while the showing thread keeps serving its windows.
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <memory>
#include <mutex>

#include "platform/headless/modal.h"
#include "platform/queue.h"
#include "platform/text/codepage.h"
#include "platform/thread.h"

namespace headless {
namespace {

struct Pending {
  bool is_popup = false;
  ShownPopup popup;
  ShownBox box;
  bool answered = false;
  int answer = 0;
};

struct ModalState {
  std::mutex mutex;
  std::condition_variable changed;
  bool attached = false;
  std::deque<std::shared_ptr<Pending>> open;
  std::vector<ShownBox> boxes_shown;
  int popups_returned = 0;
};

ModalState& state() {
  static ModalState* instance = new ModalState;
  return *instance;
}

// Serves the calling thread's windows until the driver answers.
int wait_for_answer(const std::shared_ptr<Pending>& pending) {
  for (;;) {
    platform::pump_pending();
    std::unique_lock lock(state().mutex);
    if (pending->answered) return pending->answer;
    lock.unlock();
    platform::wait_message(1);
  }
}

std::shared_ptr<Pending> take_oldest(bool popup, int timeout_ms) {
  std::unique_lock lock(state().mutex);
  std::shared_ptr<Pending> found;
  state().changed.wait_for(lock, std::chrono::milliseconds(timeout_ms), [&] {
    for (auto& p : state().open)
      if (p->is_popup == popup) {
        found = p;
        return true;
      }
    return false;
  });
  return found;
}

void answer_oldest(bool popup, int answer) {
  std::lock_guard lock(state().mutex);
  auto& open = state().open;
  for (auto it = open.begin(); it != open.end(); ++it) {
    if ((*it)->is_popup != popup) continue;
    (*it)->answered = true;
    (*it)->answer = answer;
    open.erase(it);
    return;
  }
}

void print_box(const ShownBox& box) {
  std::fprintf(stderr, "[%s] %s\n", platform::from_utf16(box.title).c_str(),
               platform::from_utf16(box.text).c_str());
}

}  // namespace

int show_popup(Window owner, const platform::Menu& menu, Point screen) {
  auto pending = std::make_shared<Pending>();
  pending->is_popup = true;
  pending->popup = {owner, menu, screen};
  {
    std::lock_guard lock(state().mutex);
    if (!state().attached) return 0;
    state().open.push_back(pending);
    state().changed.notify_all();
  }
  int chosen = wait_for_answer(pending);
  std::lock_guard lock(state().mutex);
  ++state().popups_returned;
  return chosen;
}

void show_message_box(Window owner, const std::u16string& text, const std::u16string& title,
                      platform::MessageBoxIcon icon) {
  auto pending = std::make_shared<Pending>();
  pending->box = {owner, text, title, icon};
  {
    std::lock_guard lock(state().mutex);
    state().boxes_shown.push_back(pending->box);
    if (!state().attached) {
      print_box(pending->box);
      return;
    }
    state().open.push_back(pending);
    state().changed.notify_all();
  }
  wait_for_answer(pending);
}

void attach_driver() {
  std::lock_guard lock(state().mutex);
  state().attached = true;
}

void detach_driver() {
  std::lock_guard lock(state().mutex);
  state().attached = false;
  for (auto& p : state().open) p->answered = true;
  state().open.clear();
}

int popups_returned() {
  std::lock_guard lock(state().mutex);
  return state().popups_returned;
}

std::optional<ShownPopup> wait_popup(int timeout_ms) {
  auto found = take_oldest(true, timeout_ms);
  if (!found) return std::nullopt;
  return found->popup;
}

void answer_popup(int id) {
  answer_oldest(true, id);
}

std::optional<ShownBox> wait_message_box(int timeout_ms) {
  auto found = take_oldest(false, timeout_ms);
  if (!found) return std::nullopt;
  return found->box;
}

void answer_message_box() {
  answer_oldest(false, 1);
}

std::vector<ShownBox> message_boxes_shown() {
  std::lock_guard lock(state().mutex);
  return state().boxes_shown;
}

void clear_shown() {
  std::lock_guard lock(state().mutex);
  state().boxes_shown.clear();
}

}  // namespace headless

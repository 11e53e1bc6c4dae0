// Per-thread queues: posted messages, cross-thread sends, paint and quit.
#include "platform/queue.h"

#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>

#include "platform/backend.h"
#include "platform/window.h"
#include "platform/window_internal.h"

namespace platform {
namespace {

struct ThreadQueue;

struct SentItem {
  Msg msg;
  std::intptr_t result = 0;
  bool done = false;
  std::shared_ptr<ThreadQueue> sender;
};

struct ThreadQueue {
  std::mutex mutex;
  std::condition_variable arrived;
  std::deque<Msg> posted;
  std::deque<std::shared_ptr<SentItem>> sent;
  bool quit = false;
  int quit_code = 0;
  bool alive = true;
  bool woken = false;  // see wake_thread(); cleared by the wait it ends
};

struct Registry {
  std::mutex mutex;
  std::map<ThreadId, std::shared_ptr<ThreadQueue>> queues;
};

Registry& registry() {
  static Registry* instance = new Registry;  // outlives threads still running at exit
  return *instance;
}

std::shared_ptr<ThreadQueue> queue_of(ThreadId thread) {
  std::lock_guard lock(registry().mutex);
  auto& slot = registry().queues[thread];
  if (!slot) slot = std::make_shared<ThreadQueue>();
  return slot;
}

void finish_item(SentItem& item, std::intptr_t result) {
  std::lock_guard lock(item.sender->mutex);
  item.result = result;
  item.done = true;
  item.sender->arrived.notify_all();
}

// Marks the thread's queue dead when the thread ends, so that senders waiting
// on it stop waiting.
struct QueueOwner {
  std::shared_ptr<ThreadQueue> queue = queue_of(current_thread_id());
  ~QueueOwner() {
    std::deque<std::shared_ptr<SentItem>> orphans;
    {
      std::lock_guard lock(queue->mutex);
      queue->alive = false;
      orphans.swap(queue->sent);
    }
    for (auto& item : orphans) finish_item(*item, 0);
    std::lock_guard lock(registry().mutex);
    registry().queues.erase(current_thread_id());
  }
};

ThreadQueue& my_queue() {
  thread_local QueueOwner owner;
  return *owner.queue;
}

thread_local int tl_keys = 0;

// A toolkit back end owns one thread's event loop: that thread runs the
// toolkit's events while it peeks and waits, and is woken through it.
bool is_gui_thread(ThreadId thread) {
  const Backend& backend = current_backend();
  return backend.gui_thread && backend.gui_thread() == thread;
}

void wake_if_gui(ThreadId thread) {
  if (is_gui_thread(thread) && current_backend().wake_gui) current_backend().wake_gui();
}

void poll_gui_events() {
  if (is_gui_thread(current_thread_id()) && current_backend().poll_events)
    current_backend().poll_events();
}

// Waits for the calling thread's queue to fill, at most timeout_ms; the GUI
// thread waits in its toolkit's event loop instead.
void wait_on_queue(ThreadQueue& queue, int timeout_ms) {
  auto ready = [&] {
    return !queue.posted.empty() || !queue.sent.empty() || queue.quit || queue.woken;
  };
  if (is_gui_thread(current_thread_id()) && current_backend().wait_events) {
    {
      std::lock_guard lock(queue.mutex);
      bool now = ready();
      queue.woken = false;
      if (now) return;
    }
    current_backend().wait_events(timeout_ms);
    return;
  }
  std::unique_lock lock(queue.mutex);
  queue.arrived.wait_for(lock, std::chrono::milliseconds(timeout_ms), ready);
  queue.woken = false;
}

bool is_input(MsgKind kind) {
  switch (kind) {
    case MsgKind::KeyDown:
    case MsgKind::KeyUp:
    case MsgKind::MouseMove:
    case MsgKind::LeftDown:
    case MsgKind::LeftUp:
    case MsgKind::LeftDoubleClick:
    case MsgKind::RightDown:
    case MsgKind::RightUp:
    case MsgKind::MiddleDown:
    case MsgKind::MiddleUp:
    case MsgKind::Wheel:
    case MsgKind::SysMoveDrag:
    case MsgKind::SysSizeDrag:
      return true;
    default:
      return false;
  }
}

std::intptr_t call_procedure(Window window, Msg& msg) {
  WindowProc proc = nullptr;
  {
    std::lock_guard lock(internal::window_mutex());
    internal::WindowRecord* record = internal::find_record(window);
    if (!record) return 0;
    proc = record->proc;
  }
  msg.window = window;
  return proc(window, msg);
}

// Runs every message other threads sent to this one.
void deliver_sent() {
  ThreadQueue& queue = my_queue();
  for (;;) {
    std::shared_ptr<SentItem> item;
    {
      std::lock_guard lock(queue.mutex);
      if (queue.sent.empty()) return;
      item = queue.sent.front();
      queue.sent.pop_front();
    }
    std::intptr_t result = call_procedure(item->msg.window, item->msg);
    finish_item(*item, result);
  }
}

char16_t char_of_key(int key, int keys) {
  bool shift = keys & kKeyBitShift;
  bool ctrl = keys & kKeyBitCtrl;
  if (key >= 'A' && key <= 'Z') {
    if (ctrl) return char16_t(key - 'A' + 1);
    return char16_t(shift ? key : key - 'A' + 'a');
  }
  if (ctrl) return 0;
  if (key >= '0' && key <= '9') return shift ? u")!@#$%^&*("[key - '0'] : char16_t(key);
  if (key >= kKeyNumpad0 && key <= kKeyNumpad0 + 9) return char16_t('0' + key - kKeyNumpad0);
  switch (key) {
    case kKeyAdd:
      return u'+';
    case kKeySubtract:
      return u'-';
    case kKeySpace:
      return u' ';
    case kKeyReturn:
      return u'\r';
    case kKeyBack:
      return 8;
    case kKeyTab:
      return 9;
    case kKeyEscape:
      return 27;
    default:
      return 0;
  }
}

// The window's rectangle with one edge or corner moved by (dx, dy).
Rect with_edge_moved(Rect r, int edge, int dx, int dy) {
  if (edge == kEdgeLeft || edge == kEdgeTopLeft || edge == kEdgeBottomLeft) r.left += dx;
  if (edge == kEdgeRight || edge == kEdgeTopRight || edge == kEdgeBottomRight) r.right += dx;
  if (edge == kEdgeTop || edge == kEdgeTopLeft || edge == kEdgeTopRight) r.top += dy;
  if (edge == kEdgeBottom || edge == kEdgeBottomLeft || edge == kEdgeBottomRight) r.bottom += dy;
  return r;
}

// A drag of the frame: the procedure sees the proposed rectangle first and
// may change it; the window then takes whatever it left there. A size drag
// without a proposed rectangle moves its edge by (x, y) from where the
// window is when the drag is served.
void run_drag(Msg& msg) {
  Msg step;
  step.kind = msg.kind == MsgKind::SysMoveDrag ? MsgKind::Moving : MsgKind::Sizing;
  step.proposed = msg.proposed;
  if (step.kind == MsgKind::Sizing && msg.proposed == Rect{})
    step.proposed = with_edge_moved(window_rect(msg.window), msg.edge, msg.x, msg.y);
  step.edge = msg.edge;
  step.keys = msg.keys;
  if (step.kind == MsgKind::Sizing && !(window_style(msg.window) & kStyleResizable)) return;
  send_message(msg.window, step);
  move_window(msg.window, step.proposed);
}

// The next posted message, or the quit message once none is left.
bool take_posted(Msg& msg, bool remove) {
  ThreadQueue& queue = my_queue();
  std::lock_guard lock(queue.mutex);
  while (!queue.posted.empty() && queue.posted.front().kind == MsgKind::None)
    queue.posted.pop_front();  // wake-ups carry nothing
  if (!queue.posted.empty()) {
    msg = queue.posted.front();
    if (remove) {
      queue.posted.pop_front();
      if (is_input(msg.kind)) tl_keys = msg.keys;
    }
    return true;
  }
  if (!queue.quit) return false;
  msg = Msg{};
  msg.kind = MsgKind::Quit;
  msg.code = queue.quit_code;
  if (remove) queue.quit = false;
  return true;
}

// Keyboard input for a window goes to its focused control, if it has one.
Window focus_target(Window window) {
  Window focus = focus_window();
  return focus && root_window(focus) == window ? focus : window;
}

}  // namespace

bool post_thread_message(ThreadId thread, Msg msg) {
  std::shared_ptr<ThreadQueue> queue = queue_of(thread);
  {
    std::lock_guard lock(queue->mutex);
    if (msg.kind == MsgKind::Quit) {
      queue->quit = true;
      queue->quit_code = msg.code;
    } else {
      queue->posted.push_back(std::move(msg));
    }
    queue->arrived.notify_all();
  }
  wake_if_gui(thread);
  return true;
}

bool post_message(Window window, Msg msg) {
  ThreadId thread = window_thread(window);
  if (!thread) return false;
  msg.window = window;
  return post_thread_message(thread, std::move(msg));
}

std::intptr_t send_message(Window window, Msg& msg) {
  ThreadId thread = window_thread(window);
  if (!thread) return 0;
  if (thread == current_thread_id()) return call_procedure(window, msg);

  auto item = std::make_shared<SentItem>();
  item->msg = msg;
  item->msg.window = window;
  item->sender = queue_of(current_thread_id());
  ThreadQueue& mine = my_queue();
  {
    std::shared_ptr<ThreadQueue> target = queue_of(thread);
    std::lock_guard lock(target->mutex);
    if (!target->alive) return 0;
    target->sent.push_back(item);
    target->arrived.notify_all();
  }
  wake_if_gui(thread);
  for (;;) {
    deliver_sent();
    poll_gui_events();  // the other thread may be waiting for the GUI thread meanwhile
    std::unique_lock lock(mine.mutex);
    if (item->done) break;
    if (!mine.sent.empty()) continue;
    mine.arrived.wait_for(lock, std::chrono::milliseconds(5));
    if (item->done) break;
    if (!mine.sent.empty()) continue;
    lock.unlock();
    if (!is_window(window)) return 0;  // destroyed before its thread took the message
  }
  msg = item->msg;
  return item->result;
}

bool peek_message(Msg& msg, bool remove) {
  poll_gui_events();
  deliver_sent();
  if (take_posted(msg, remove)) {
    if (msg.to_focus) msg.window = focus_target(msg.window);
    return true;
  }
  Window paint = internal::window_to_paint(current_thread_id(), remove);
  if (!paint) return false;
  msg = Msg{};
  msg.window = paint;
  msg.kind = MsgKind::Paint;
  return true;
}

bool get_message(Msg& msg) {
  ThreadQueue& queue = my_queue();
  for (;;) {
    if (peek_message(msg, true)) return msg.kind != MsgKind::Quit;
    wait_on_queue(queue, 50);
  }
}

void wait_message(int timeout_ms) {
  if (timeout_ms > 0) wait_on_queue(my_queue(), timeout_ms);
}

bool queue_is_empty(ThreadId thread) {
  std::shared_ptr<ThreadQueue> queue;
  {
    std::lock_guard lock(registry().mutex);
    auto it = registry().queues.find(thread);
    if (it == registry().queues.end()) return true;
    queue = it->second;
  }
  std::lock_guard lock(queue->mutex);
  return queue->posted.empty() && queue->sent.empty();
}

void wake_thread(ThreadId thread) {
  std::shared_ptr<ThreadQueue> queue;
  {
    std::lock_guard lock(registry().mutex);
    auto it = registry().queues.find(thread);
    if (it == registry().queues.end()) return;  // not started yet, or ended: nothing waits
    queue = it->second;
  }
  {
    std::lock_guard lock(queue->mutex);
    queue->woken = true;
  }
  queue->arrived.notify_all();
  wake_if_gui(thread);
}

bool translate_message(const Msg& msg) {
  if (msg.kind != MsgKind::KeyDown) return false;
  // A back end that knows the character the key typed (keyboard layout,
  // dead keys) puts it in msg.ch; otherwise it follows from the key code.
  char16_t ch = msg.ch ? msg.ch : char_of_key(msg.key, msg.keys);
  if (!ch) return false;
  Msg typed;
  typed.window = msg.window;
  typed.kind = MsgKind::Char;
  typed.ch = ch;
  typed.keys = msg.keys;
  ThreadQueue& queue = my_queue();
  std::lock_guard lock(queue.mutex);
  queue.posted.push_front(typed);  // the character comes right after its key
  return true;
}

std::intptr_t dispatch_message(Msg& msg) {
  if (!msg.window) return 0;
  switch (msg.kind) {
    case MsgKind::SysMoveDrag:
    case MsgKind::SysSizeDrag:
      run_drag(msg);
      return 0;
    case MsgKind::LeftDoubleClick: {
      std::lock_guard lock(internal::window_mutex());
      internal::WindowRecord* record = internal::find_record(msg.window);
      if (record && !record->double_clicks && record->kind == ControlKind::None)
        msg.kind = MsgKind::LeftDown;  // the class does not ask for double clicks
      break;
    }
    case MsgKind::DropFiles:
      if (!accepts_drops(msg.window)) return 0;
      break;
    default:
      break;
  }
  return call_procedure(msg.window, msg);
}

void post_quit_message(int code) {
  Msg msg;
  msg.kind = MsgKind::Quit;
  msg.code = code;
  post_thread_message(current_thread_id(), msg);
}

void pump_pending() {
  Msg msg;
  while (peek_message(msg, true)) {
    if (msg.kind == MsgKind::Quit) {
      post_quit_message(msg.code);  // leave it for the thread's own loop
      return;
    }
    translate_message(msg);
    dispatch_message(msg);
  }
}

bool key_is_down(int key) {
  switch (key) {
    case kKeyControl:
      return tl_keys & kKeyBitCtrl;
    case kKeyShift:
      return tl_keys & kKeyBitShift;
    default:
      return false;
  }
}

void reset_queues_for_tests() {
  ThreadQueue& queue = my_queue();
  std::lock_guard lock(queue.mutex);
  queue.posted.clear();
  queue.quit = false;
  tl_keys = 0;
}

}  // namespace platform

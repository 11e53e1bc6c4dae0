// The GUI thread's event loop under the platform's queues, the queue of work
// other threads hand to it, modal calls and shutdown.
#include <QtCore/QAbstractEventDispatcher>
#include <QtCore/QCoreApplication>
#include <QtCore/QEvent>
#include <QtCore/QPointer>
#include <QtWidgets/QWidget>
#include <deque>
#include <mutex>
#include <vector>

#include "platform/qt/qt_internal.h"
#include "platform/queue.h"

namespace platform::qt {
namespace {

// Receives the wake-up event (runs the queued work) and the wait timers.
class Waker : public QObject {
 public:
  static QEvent::Type wake_type() {
    static const QEvent::Type type = QEvent::Type(QEvent::registerEventType());
    return type;
  }

 protected:
  bool event(QEvent* event) override {
    if (event->type() == wake_type()) {
      pending_event.store(false);
      drain_gui_queue();
      return true;
    }
    if (event->type() == QEvent::Timer) return true;  // a wait's time is up; wait_events kills it
    return QObject::event(event);
  }

 public:
  std::atomic<bool> pending_event{false};
};

struct OpenModal {
  QPointer<QWidget> widget;
  std::shared_ptr<ModalCall> call;
  int cancelled = 0;
};

struct GuiState {
  std::atomic<ThreadId> gui_thread{0};
  Waker* waker = nullptr;  // lives as long as the process
  QAbstractEventDispatcher* dispatcher = nullptr;
  std::atomic<bool> woken{false};
  std::mutex mutex;
  std::deque<std::function<void()>> work;
  std::vector<OpenModal> modals;  // GUI thread only
};

GuiState& state() {
  static GuiState* instance = new GuiState;  // outlives threads still running at exit
  return *instance;
}

void close_open_modals() {
  std::vector<OpenModal> modals;
  modals.swap(state().modals);
  for (OpenModal& m : modals) {
    m.call->finish(m.cancelled);
    if (m.widget) m.widget->deleteLater();
  }
}

}  // namespace

void ModalCall::finish(int answer) {
  if (done.load()) return;
  result = answer;
  done.store(true);
  Msg wake;  // lets the caller blocked in wait_message notice
  wake.kind = MsgKind::None;
  post_thread_message(caller, wake);
}

ThreadId gui_thread_id() {
  return state().gui_thread.load();
}

bool on_gui_thread() {
  return current_thread_id() == gui_thread_id();
}

void set_gui_thread() {
  GuiState& s = state();
  s.gui_thread.store(current_thread_id());
  if (!s.waker) s.waker = new Waker;
  s.dispatcher = QAbstractEventDispatcher::instance();
}

void run_on_gui(std::function<void()> work) {
  if (on_gui_thread()) {
    drain_gui_queue();  // what other threads queued before comes first
    work();
    return;
  }
  {
    std::lock_guard lock(state().mutex);
    state().work.push_back(std::move(work));
  }
  wake_gui();
}

void drain_gui_queue() {
  for (;;) {
    std::function<void()> work;
    {
      std::lock_guard lock(state().mutex);
      if (state().work.empty()) return;
      work = std::move(state().work.front());
      state().work.pop_front();
    }
    work();
  }
}

void poll_events() {
  drain_gui_queue();
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  drain_gui_queue();
}

void wait_events(int timeout_ms) {
  GuiState& s = state();
  drain_gui_queue();
  if (s.woken.exchange(false)) return;  // a message arrived since the caller looked
  int timer = s.waker->startTimer(timeout_ms > 0 ? timeout_ms : 1, Qt::PreciseTimer);
  QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  if (timer) s.waker->killTimer(timer);
  s.woken.store(false);
  drain_gui_queue();
}

// Safe from any thread: the flag and the dispatcher's interrupt end a wait
// in progress or the next one; the event runs queued work even when the GUI
// thread is inside an event loop that is not ours.
void wake_gui() {
  GuiState& s = state();
  s.woken.store(true);
  if (s.dispatcher) s.dispatcher->interrupt();
  if (s.waker && !s.waker->pending_event.exchange(true))
    QCoreApplication::postEvent(s.waker, new QEvent(Waker::wake_type()));
}

void shutdown() {
  run_on_gui([] { close_open_modals(); });
}

void track_modal_widget(QWidget* widget, const std::shared_ptr<ModalCall>& call, int cancelled) {
  auto& modals = state().modals;
  std::erase_if(modals, [](const OpenModal& m) { return m.call->done.load() || !m.widget; });
  modals.push_back({widget, call, cancelled});
  // A widget destroyed unanswered (its owner window went away) cancels.
  QObject::connect(widget, &QObject::destroyed, [call, cancelled] { call->finish(cancelled); });
}

int run_modal(const std::function<void(const std::shared_ptr<ModalCall>&)>& open, int cancelled,
              bool pump) {
  if (shutting_down()) return cancelled;
  auto call = std::make_shared<ModalCall>();
  call->caller = current_thread_id();
  if (on_gui_thread()) {
    drain_gui_queue();
    open(call);
  } else {
    run_on_gui([call, open, cancelled] {
      if (call->abandoned.load() || shutting_down())
        call->finish(cancelled);
      else
        open(call);
    });
  }
  while (!call->done.load()) {
    if (shutting_down()) {
      call->abandoned.store(true);
      return cancelled;
    }
    if (pump) pump_pending();
    if (call->done.load()) break;
    if (pump || on_gui_thread())
      wait_message(20);
    else
      sleep_ms(1);
  }
  return call->result;
}

}  // namespace platform::qt

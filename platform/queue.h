// Per-thread message queues.
//
// Every thread that touches windows has one queue of posted messages and one
// of messages sent to it from other threads. Sent messages are delivered
// whenever the receiving thread peeks or gets, before posted ones; a sender
// on another thread waits, serving messages sent to itself meanwhile, so two
// threads sending to each other never deadlock.
#pragma once

#include <cstdint>

#include "platform/message.h"
#include "platform/thread.h"

namespace platform {

// Queues msg for the window's owner thread; false for a destroyed window.
bool post_message(Window window, Msg msg);
bool post_thread_message(ThreadId thread, Msg msg);
// Runs the window's procedure on its owner thread and returns its result;
// `msg` comes back with whatever the procedure wrote into it. 0 when the
// window is gone or is destroyed before its thread takes the message.
std::intptr_t send_message(Window window, Msg& msg);

// Takes (or only looks at) the next message of the calling thread, after
// delivering messages sent to it; false when none is waiting.
bool peek_message(Msg& msg, bool remove);
// Waits for the next message; false when it is the quit message.
bool get_message(Msg& msg);
// Waits up to timeout_ms for a message to arrive (0: returns at once).
void wait_message(int timeout_ms);
// Whether the thread has taken every message given to it so far (it may
// still be handling the last one).
bool queue_is_empty(ThreadId thread);
// Ends the thread's current or next wait for a message without giving it
// one: something it polls (a run-state value) has changed.
void wake_thread(ThreadId thread);
// KeyDown of a key that types a character queues Char right after it.
bool translate_message(const Msg& msg);
std::intptr_t dispatch_message(Msg& msg);
// Queues the quit message for the calling thread.
void post_quit_message(int code);

// Peek, translate and dispatch until the queue is empty.
void pump_pending();

// The modifier keys as of the last input message the calling thread took.
bool key_is_down(int key);

// Drops every queue (between tests).
void reset_queues_for_tests();

}  // namespace platform

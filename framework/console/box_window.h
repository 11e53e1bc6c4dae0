// What the input box's and the button box's windows share (internal): one
// window procedure over a table of the box's own handlers. Both boxes snap,
// rename an item on a double click or through a one-item popup, offer
// Destroy on a right click of the frame, close through their ORV_ call and
// release their state when destroyed.
#pragma once

#include <atomic>
#include <cstdint>

#include "platform/message.h"
#include "platform/window.h"

namespace orv {

struct BoxWindow {
  const std::atomic<platform::Window>* open;  // the box's window while it is open
  int rename_command;                         // the popup's Rename
  int destroy_command;                        // the frame popup's Destroy
  const char16_t* destroy_label;
  // A Command message: control notifications and the two popup commands.
  void (*command)(platform::Window box, const platform::Msg& msg);
  // The item (row or button) under a client point.
  int (*item_at)(int x, int y);
  // Asks for a new label of an item through the text window.
  void (*rename)(int item);
  // Keeps the item the popup's Rename will rename.
  void (*choose_for_rename)(int item);
  void (*close)();    // the box's ORV_Close call
  void (*release)();  // the box's state after its window is destroyed
  // Messages of the box's own (sizes, activation, keys); false when it has
  // none for this one, which then goes to the default procedure.
  bool (*own)(platform::Window box, platform::Msg& msg);
};

// The window procedure of a box described by `box`.
std::intptr_t box_window_proc(const BoxWindow& box, platform::Window window, platform::Msg& msg);

// A popup menu of one item at a screen point: its id when chosen, else 0.
int one_item_popup(platform::Window window, int id, const char16_t* label, platform::Point screen);

}  // namespace orv

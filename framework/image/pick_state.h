// The pick state: what image windows record for a pick tool that waits for
// the person to click in an image (internal). The tools themselves draw their
// rubber bands and live with the drawing code; the image window procedure
// feeds this state and the image table tells it when an image goes away.
#pragma once

#include "platform/message.h"

namespace orv {

// Written and read on the worker thread only: the tool polls it between the
// dispatches that run the image window procedure.
struct PickState {
  int pick_active = 0;   // 1 while a pick tool waits
  int pick_image = -1;   // the image picked on; -1 while no tool waits
  int pick_clicked = 0;  // a left press arrived in that image's window
  int pick_x = 0;        // image coordinates of the last left press
  int pick_y = 0;
  int pick_cancel = 0;  // a right or middle press arrived in that window
  int pick_moved = 0;   // the mouse moved in that window
  int mouse_x = 0;      // image coordinates of the last move; kept between tools
  int mouse_y = 0;
  // The picked image was destroyed while the tool waited: its rubber band
  // went with the buffer, and the tool ends as cancelled.
  int pick_lost = 0;
  // Whether the main window accepted dropped files when the tool began.
  int drops_were_accepted = 0;
};

PickState& pick_state();

// True while a pick tool waits: image windows then ignore keys and show no
// popup menu.
bool pick_waiting();

// Records a mouse move, left press, right press or middle press of an image
// window, when it is the picked image's window and a tool waits.
void feed_pick(platform::Window window, const platform::Msg& msg);

// Called by the image table as image id is destroyed.
void pick_image_destroyed(int id);

// Begins the wait on image id: clears the click and the Stop request, marks
// the tool active and stops the main window's drops. A right or middle press
// left pending by the previous tool is kept, and cancels this one at once.
void begin_pick(int id);
// Ends the wait: the colour-depth text in the status line, no tool active,
// the main window's drops as they were when the tool began.
void end_pick();

// Back to a fresh process (tests).
void reset_pick_for_tests();

}  // namespace orv

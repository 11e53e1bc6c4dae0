// What a layer above the framework hands it when main installs that layer
// (internal): the start-up and shutdown steps of text drawn into images.
#pragma once

namespace orv {

// The start-up step that prepares text drawn into images (its font, colour
// and cursor) runs before the main window is made; the shutdown step that
// releases it runs after the message loop ends. A step left empty is skipped.
using StartUpStep = void (*)();
void set_image_text_steps(StartUpStep set_up, StartUpStep shut_down);

}  // namespace orv

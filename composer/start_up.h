// The composer's start-up: what its ORV_Ready does.
#pragma once

namespace composer {

// The configuration file the composer reads from the working folder.
constexpr const char* kConfigurationFile = "VARNOLIS.txt";
constexpr int kButtonCount = 31;

// Reads the configuration file (`path`; null for none), then opens text
// window 0, the 2 x 16 button box with the composer's 31 captions and the
// six-item input box with the current values, switches the mouse state on
// and greets the person.
void ready(const char* path = kConfigurationFile);

// The caption of button i (0..30).
const char* button_caption(int i);

}  // namespace composer

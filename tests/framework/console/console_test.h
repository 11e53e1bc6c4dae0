// Helpers of the text window, line input, console and log tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>

#include "tests/framework/test_program.h"

namespace console_test {

using test_program::on_worker;

// The framework with ORV_Main serving jobs and windows as small as a person
// may make them; the program is to end with exit code 0.
struct Console : test_program::Serving {
  Console();
  ~Console() {
    if (!exited) {
      EXPECT_EQ(exit(), 0);
    }
  }
  int exit() {
    exited = true;
    return run.exit();
  }
  bool exited = false;
};

platform::Window text_window(int index = 0);
platform::Point cursor();
// Whether the font's glyph c is lit at pixel x0 of text row `row`, or in cell (col, row).
bool shows_at(platform::Window w, int x0, int row, char16_t c);
bool cell_shows(platform::Window w, int col, int row, char16_t c);
// The colour of the first lit pixel of the cell, 0 when it is all black.
std::uint32_t cell_ink(platform::Window w, int col, int row);

}  // namespace console_test

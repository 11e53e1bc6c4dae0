// Open and save file dialogs, the colour chooser and the font chooser.
//
// Each call is modal: it returns when the person answers, and the calling
// thread keeps serving its windows meanwhile. Without a back end that shows
// dialogs (headless runs) every call returns false at once, as a cancel,
// and leaves its arguments unchanged. Texts are UTF-16; colours are words
// 0x00RRGGBB.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/message.h"

namespace platform {

struct LogFont;

struct FileFilter {
  std::u16string description;  // "BMP (*.BMP;*.RLE;*.DIB)"
  std::u16string patterns;     // "*.BMP;*.RLE;*.DIB"
};

struct FileDialogRequest {
  Window owner;  // none: the dialog belongs to no window
  std::u16string title;
  std::vector<FileFilter> filters;
  int filter_index = 1;      // 1-based; in: the filter shown first, out: the one chosen
  std::u16string folder;     // initial folder; empty: the current folder
  std::u16string file_name;  // initial text of the name field (may be a pattern)
  bool file_must_exist = false;
  bool overwrite_prompt = false;  // save: ask before replacing an existing file
};

// True with the chosen full path; false when cancelled. request.filter_index
// is updated only when a file was chosen.
bool open_file_dialog(FileDialogRequest& request, std::u16string& path);
bool save_file_dialog(FileDialogRequest& request, std::u16string& path);

// The colour chooser, starting from `colour`, with the process's 16 custom
// colours (all black at start, kept until the process ends, never saved).
// True with the chosen colour in `colour`; false when cancelled.
bool choose_colour(Window owner, std::uint32_t& colour);
// The custom colours as the chooser left them.
std::array<std::uint32_t, 16> custom_colours();
void set_custom_colours(const std::array<std::uint32_t, 16>& colours);

// The font chooser, starting from `font`; true with the chosen font written
// back into it; false when cancelled (`font` unchanged).
bool choose_font(Window owner, LogFont& font);

}  // namespace platform

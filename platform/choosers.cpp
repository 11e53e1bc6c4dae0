// Dialogs through the back end; without one every dialog is cancelled.
#include "platform/choosers.h"

#include <mutex>

#include "platform/backend.h"

namespace platform {
namespace {

std::mutex g_custom_mutex;
std::array<std::uint32_t, 16> g_custom_colours{};  // all black until the chooser changes them

bool file_dialog(FileDialogRequest& request, bool save, std::u16string& path) {
  const Backend& backend = current_backend();
  if (!backend.file_dialog) return false;
  FileDialogRequest working = request;
  std::u16string chosen;
  if (!backend.file_dialog(working, save, chosen) || chosen.empty()) return false;
  request.filter_index = working.filter_index;
  path = chosen;
  return true;
}

}  // namespace

bool open_file_dialog(FileDialogRequest& request, std::u16string& path) {
  return file_dialog(request, false, path);
}

bool save_file_dialog(FileDialogRequest& request, std::u16string& path) {
  return file_dialog(request, true, path);
}

bool choose_colour(Window owner, std::uint32_t& colour) {
  const Backend& backend = current_backend();
  if (!backend.choose_colour) return false;
  std::array<std::uint32_t, 16> custom = custom_colours();
  std::uint32_t working = colour & 0xFFFFFF;
  bool chosen = backend.choose_colour(owner, working, custom);
  set_custom_colours(custom);  // the chooser keeps custom colours edited before a cancel too
  if (chosen) colour = working & 0xFFFFFF;
  return chosen;
}

std::array<std::uint32_t, 16> custom_colours() {
  std::lock_guard lock(g_custom_mutex);
  return g_custom_colours;
}

void set_custom_colours(const std::array<std::uint32_t, 16>& colours) {
  std::lock_guard lock(g_custom_mutex);
  for (std::size_t i = 0; i < colours.size(); ++i) g_custom_colours[i] = colours[i] & 0xFFFFFF;
}

bool choose_font(Window owner, LogFont& font) {
  const Backend& backend = current_backend();
  return backend.choose_font ? backend.choose_font(owner, font) : false;
}

}  // namespace platform

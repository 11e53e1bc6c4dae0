// The program's commands: labels kept under a lock (the worker adds them,
// the main thread builds the menu from them), choices counted atomically.
#include "framework/core/program_commands.h"

#include <array>
#include <atomic>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "framework/orvlib.h"

namespace orv {
namespace {

std::mutex g_lock;
std::vector<std::u16string> g_labels;  // under g_lock
std::array<std::atomic<int>, kMaxProgramCommands> g_chosen{};

// A label as the menu shows it: its bytes as Latin-1 (program labels are ASCII).
std::u16string menu_text(const char* label) {
  std::u16string text;
  for (const char* c = label; *c; ++c) text.push_back(char16_t(static_cast<unsigned char>(*c)));
  return text;
}

}  // namespace

void add_program_commands(platform::Menu& menu) {
  std::lock_guard<std::mutex> hold(g_lock);
  if (g_labels.empty()) return;
  menu.add_separator();
  for (std::size_t i = 0; i < g_labels.size(); ++i)
    menu.add(kProgramCommandBase + int(i), g_labels[i]);
}

bool choose_program_command(int id) {
  const int number = id - kProgramCommandBase;
  std::lock_guard<std::mutex> hold(g_lock);
  if (number < 0 || number >= int(g_labels.size())) return false;
  g_chosen[std::size_t(number)].fetch_add(1);
  return true;
}

void reset_program_commands_for_tests() {
  std::lock_guard<std::mutex> hold(g_lock);
  g_labels.clear();
  for (auto& chosen : g_chosen) chosen = 0;
}

}  // namespace orv

int ORV_AddProgramCommand(const char* label) {
  if (!label || !*label || std::strlen(label) > 63) return -1;
  const std::u16string text = orv::menu_text(label);
  std::lock_guard<std::mutex> hold(orv::g_lock);
  for (std::size_t i = 0; i < orv::g_labels.size(); ++i)
    if (orv::g_labels[i] == text) return int(i);
  if (int(orv::g_labels.size()) >= orv::kMaxProgramCommands) return -1;
  orv::g_labels.push_back(text);
  return int(orv::g_labels.size()) - 1;
}

int ORV_TakeProgramCommand(int number) {
  if (number < 0 || number >= orv::kMaxProgramCommands) return 0;
  return orv::g_chosen[std::size_t(number)].exchange(0);
}

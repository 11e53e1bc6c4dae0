// The program's own commands in the main window's popup menu (internal):
// labels a program adds, chosen by the person, taken by the program when it
// polls.
#pragma once

#include "platform/window.h"

namespace orv {

// Menu ids of the program's commands: kProgramCommandBase + number.
constexpr int kProgramCommandBase = 1100;
constexpr int kMaxProgramCommands = 8;

// Appends the program's commands, after a separator, when it has any.
void add_program_commands(platform::Menu& menu);
// Counts a choice of menu id `id`; false when it is no program command.
bool choose_program_command(int id);
// Forgets every command (a test's fresh start).
void reset_program_commands_for_tests();

}  // namespace orv

// Whole-image transforms behind the image window's "Process..." menu:
// inversion, flips, quarter turns and the four size steps (internal; user
// programs use the ORV_ calls of framework/orvlib.h).
#pragma once

namespace orv {

// Menu command numbers of the transforms.
constexpr int kCommandInvert = 1058;
constexpr int kCommandFlipHorizontal = 1059;
constexpr int kCommandFlipVertical = 1060;
constexpr int kCommandRotateRight = 1061;
constexpr int kCommandRotateLeft = 1062;
constexpr int kCommandSize50 = 1063;
constexpr int kCommandSize70 = 1064;
constexpr int kCommandSize141 = 1065;
constexpr int kCommandSize200 = 1066;

// Size factors of the size commands, in thousandths (707 and 1414 halve and
// double the pixel count).
constexpr int kFactorSize50 = 500;
constexpr int kFactorSize70 = 707;
constexpr int kFactorSize141 = 1414;
constexpr int kFactorSize200 = 2000;

// The menu commands, on image image_id, run on the worker thread. Invert
// and the flips leave the current image as it is; the rotations and the
// size commands make the image current (two pushes of the selection stack:
// the selection and the re-creation). Each ends by asking for a repaint.
void invert_command(int image_id);
void flip_horizontal_command(int image_id);
void flip_vertical_command(int image_id);
void rotate_right_command(int image_id);
void rotate_left_command(int image_id);
// factor in thousandths: kFactorSize50 .. kFactorSize200.
void scale_command(int image_id, int factor);

// Runs transform `command` (1058..1066) on image image_id; false for a
// number that is not one of them.
bool run_transform_command(int command, int image_id);

// One side after a size change by factor thousandths, rounded to nearest:
// (size * factor + 500) / 1000, in 64 bits.
long long scaled_side(int size, int factor);

}  // namespace orv

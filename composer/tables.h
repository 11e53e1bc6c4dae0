// Interlace tables: which view (picture) each sub-pixel column of a row
// shows under the slanted lenses, with the second sample where a column
// straddles a zone boundary; the maps that unfold them over the row groups
// of the output (BETA), and the simpler table of the PRINT renderer.
//
// The functions write into buffers the caller owns (the composer's run
// allocates them); only the entries named here are written.
#pragma once

#include <vector>

namespace composer {

struct Params;

// The per-position tables; `length` entries each, T = S·N + M.
struct Tables {
  int* pos_table = nullptr;     // view index
  int* point_table = nullptr;   // source column of the main sample
  int* th_flg_table = nullptr;  // 1 where the position straddles a zone boundary
  int* aa_table = nullptr;      // source column of the second sample
  int* aa_pos_table = nullptr;  // view of the second sample (the one before the boundary)
  double* th_tablep = nullptr;  // weight of the second sample
  int length = 0;
};

// The BETA maps: M/3 row groups of 3N entries.
struct Maps {
  int* pos_map = nullptr;
  int* point_map = nullptr;
  int* th_flg_map = nullptr;
  int* aa_map = nullptr;
  int* aa_pos_map = nullptr;
  double* th_map = nullptr;
};

// A table set with storage of its own for the current sizes: T = S·N + M
// entries each (S = subpixels).
struct OwnedTables {
  std::vector<int> ints;
  std::vector<double> weights;
  Tables tables;
  explicit OwnedTables(const Params& p);
};

// dt = pitch / view_num; then the BETA tables over T = 3N + M positions
// (N = scaled_width, M = scaled_height). Sets p.dt.
void build_beta_tables(Params& p, const Tables& t);
// The maps from the tables: entry r·3N + i reads table position i + M − 3r.
void build_beta_maps(const Params& p, const Tables& t, const Maps& m);
// The PRINT table over N positions (one per output column; the write past
// the last column reaches position N). Sets p.dt.
void build_print_table(Params& p, const Tables& t);

}  // namespace composer

// The BETA and PRINT interlace tables and the BETA maps.
#include "composer/tables.h"

#include <algorithm>

#include "composer/params.h"

namespace composer {

OwnedTables::OwnedTables(const Params& p) {
  const int length = p.subpixels * p.scaled_width + p.scaled_height;
  ints.assign(5 * std::size_t(std::max(length, 0)), 0);
  weights.assign(std::size_t(std::max(length, 0)), 0);
  tables = {ints.data(),
            ints.data() + length,
            ints.data() + 2 * length,
            ints.data() + 3 * length,
            ints.data() + 4 * length,
            weights.data(),
            length};
}

// A walk over the positions with a running zone boundary f: the position
// just past a boundary shows the new view, and the part e of it that lies
// before the boundary belongs to the previous view. With dt below 1 the
// boundary test never holds: every position shows view 0.
void build_beta_tables(Params& p, const Tables& t) {
  p.dt = p.pitch / p.view_num;
  std::fill(t.th_flg_table, t.th_flg_table + t.length, 0);
  std::fill(t.aa_pos_table, t.aa_pos_table + t.length, 0);
  double f = p.dt, e = 0;
  int v = 0, previous = 0;
  bool pending = false;
  for (int k = 0; k < t.length; ++k) {
    t.point_table[k] = k;
    t.pos_table[k] = v;
    if (pending) {
      t.th_flg_table[k] = 1;
      t.aa_table[k] = k;
      t.aa_pos_table[k] = previous;
      t.th_tablep[k] = e;
      pending = false;
    }
    long long g = static_cast<long long>(f);
    if (k == g - 1) {
      e = f - double(g);
      f += p.dt;
      previous = v;
      v = v + 1 == p.view_num ? 0 : v + 1;
      pending = true;
    }
  }
}

void build_beta_maps(const Params& p, const Tables& t, const Maps& m) {
  const int row = 3 * p.scaled_width;
  const int groups = p.scaled_height / 3;
  for (int r = 0; r < groups; ++r) {
    for (int i = 0; i < row; ++i) {
      int e = r * row + i;
      int at = i + p.scaled_height - 3 * r;
      m.pos_map[e] = t.pos_table[at];
      m.point_map[e] = i;
      m.th_flg_map[e] = t.th_flg_table[at];
      m.aa_map[e] = i;
      m.aa_pos_map[e] = t.aa_pos_table[at];
      m.th_map[e] = t.th_tablep[at];
    }
  }
}

// Within each zone the source columns run backwards (the zone's mirror
// image); the second sample of a zone's first column goes on with the
// previous zone's backward run.
void build_print_table(Params& p, const Tables& t) {
  const int n = p.scaled_width;
  p.dt = p.pitch / p.view_num;
  long long c = static_cast<long long>(p.dt);
  double f = p.dt;
  int v = 0;
  std::fill(t.th_flg_table, t.th_flg_table + std::min(n, t.length), 0);
  for (int j = 0; j < n; ++j) {
    t.pos_table[j] = v;
    t.point_table[j] = int(c);
    --c;
    long long g = static_cast<long long>(f);
    if (j != g - 1) continue;
    if (j + 1 < t.length) {
      t.th_flg_table[j + 1] = 1;
      t.aa_table[j + 1] = int(c);
      t.aa_pos_table[j + 1] = v;
      t.th_tablep[j + 1] = f - double(g);
    }
    f += p.dt;
    c = static_cast<long long>(f) - g + j + 1;
    v = v + 1 == p.view_num ? 0 : v + 1;
  }
}

}  // namespace composer

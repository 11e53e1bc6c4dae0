// Views as picture files of their own, made into a strip.
#include "composer/views.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <system_error>

#include "composer/pool.h"

namespace composer {
namespace {

struct Picture {
  ORV_Picture picture;
  Picture() = default;
  Picture(const Picture&) = delete;
  Picture& operator=(const Picture&) = delete;
  ~Picture() { ORV_FreePicture(&picture); }
  std::uint32_t at(int x, int y) const {
    return picture.pixels[std::size_t(y) * std::size_t(picture.width) + std::size_t(x)];
  }
};

// A rectangle of a view: the part brought into the strip.
struct Part {
  int x = 0, y = 0, width = 0, height = 0;
};

// The centred part of a view of w x h with the shape of the first view.
Part centred_part(int w, int h, int first_w, int first_h) {
  Part part{0, 0, w, h};
  // Compared as w·first_h against h·first_w: whole numbers, no rounding.
  const long long wide = (long long)w * first_h, tall = (long long)h * first_w;
  if (wide > tall) {
    part.width = std::max(1, int(std::llround(double(h) * first_w / first_h)));
    part.x = (w - part.width) / 2;
  } else if (tall > wide) {
    part.height = std::max(1, int(std::llround(double(w) * first_h / first_w)));
    part.y = (h - part.height) / 2;
  }
  return part;
}

// Whether a view's shape is within 1 % of the first view's.
bool shape_matches(int w, int h, int first_w, int first_h) {
  const double ratio = double(w) / h, first = double(first_w) / first_h;
  return std::abs(ratio - first) <= 0.01 * first;
}

// Where output column (or row) i of `out` reads in a part of `in` samples:
// the source samples [first, first + count) with their weights. Reduction
// averages the samples the output sample covers (a box over its width);
// enlargement interpolates between the two nearest (a tent one sample wide).
struct Taps {
  int first = 0;
  std::vector<float> weights;
};

std::vector<Taps> taps_for(int in, int out) {
  std::vector<Taps> taps(static_cast<std::size_t>(out));
  const double scale = double(in) / out, support = std::max(scale, 1.0);
  for (int i = 0; i < out; ++i) {
    const double centre = (i + 0.5) * scale;
    const int lo = std::max(0, int(std::floor(centre - support / 2 - 0.5)));
    const int hi = std::min(in - 1, int(std::ceil(centre + support / 2 - 0.5)));
    Taps& t = taps[std::size_t(i)];
    t.first = lo;
    double total = 0;
    for (int s = lo; s <= hi; ++s) {
      const double d = std::abs(s + 0.5 - centre) / support;
      const double w = std::max(0.0, 1.0 - d);
      t.weights.push_back(float(w));
      total += w;
    }
    if (total <= 0) {  // the nearest sample alone
      t.first = std::clamp(int(centre), 0, in - 1);
      t.weights.assign(1, 1.0f);
      total = 1;
    }
    for (float& w : t.weights) w = float(w / total);
  }
  return taps;
}

// A part of `view` resized into the strip at column `left` (w x h there).
void place_view(const Picture& view, const Part& part, std::uint32_t* strip, int strip_width,
                int left, int w, int h) {
  const ORV_Picture& v = view.picture;
  std::uint32_t* to = strip + left;
  if (part.width == w && part.height == h) {  // the same size: the pixels as they are
    for (int y = 0; y < h; ++y)
      std::copy_n(v.pixels + std::size_t(part.y + y) * v.width + part.x, w,
                  to + std::size_t(y) * strip_width);
    return;
  }
  const std::vector<Taps> columns = taps_for(part.width, w), rows = taps_for(part.height, h);
  // Across first, into rows of float channels, then down.
  std::vector<float> across(std::size_t(part.height) * w * 3);
  for (int y = 0; y < part.height; ++y)
    for (int x = 0; x < w; ++x) {
      const Taps& t = columns[std::size_t(x)];
      float c[3] = {0, 0, 0};
      for (std::size_t k = 0; k < t.weights.size(); ++k) {
        const std::uint32_t p = view.at(part.x + t.first + int(k), part.y + y);
        c[0] += t.weights[k] * float((p >> 16) & 0xFF);
        c[1] += t.weights[k] * float((p >> 8) & 0xFF);
        c[2] += t.weights[k] * float(p & 0xFF);
      }
      std::copy(c, c + 3, across.begin() + (std::size_t(y) * w + x) * 3);
    }
  for (int y = 0; y < h; ++y) {
    const Taps& t = rows[std::size_t(y)];
    for (int x = 0; x < w; ++x) {
      float c[3] = {0, 0, 0};
      for (std::size_t k = 0; k < t.weights.size(); ++k)
        for (int ch = 0; ch < 3; ++ch)
          c[ch] += t.weights[k] * across[(std::size_t(t.first + int(k)) * w + x) * 3 + ch];
      std::uint32_t out = 0;
      for (int ch = 0; ch < 3; ++ch)
        out = out << 8 | std::uint32_t(std::clamp(int(std::lround(c[ch])), 0, 255));
      to[std::size_t(y) * strip_width + x] = out;
    }
  }
}

}  // namespace

bool has_extension(const std::string& path, std::initializer_list<const char*> extensions) {
  const std::size_t dot = path.find_last_of('.');
  std::string tail = dot == std::string::npos ? "" : path.substr(dot);
  for (char& c : tail) c = char(std::tolower(static_cast<unsigned char>(c)));
  for (const char* extension : extensions)
    if (tail == extension) return true;
  return false;
}

bool natural_less(const std::string& a, const std::string& b) {
  std::size_t i = 0, j = 0;
  auto digit = [](char c) { return c >= '0' && c <= '9'; };
  while (i < a.size() && j < b.size()) {
    if (digit(a[i]) && digit(b[j])) {
      std::size_t i0 = i, j0 = j;
      while (i0 < a.size() && a[i0] == '0') ++i0;  // leading zeros do not count
      while (j0 < b.size() && b[j0] == '0') ++j0;
      std::size_t i1 = i0, j1 = j0;
      while (i1 < a.size() && digit(a[i1])) ++i1;
      while (j1 < b.size() && digit(b[j1])) ++j1;
      if (i1 - i0 != j1 - j0) return i1 - i0 < j1 - j0;
      const int order = a.compare(i0, i1 - i0, b, j0, j1 - j0);
      if (order != 0) return order < 0;
      i = i1, j = j1;
      continue;
    }
    if (a[i] != b[j]) return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[j]);
    ++i, ++j;
  }
  if (a.size() - i != b.size() - j) return a.size() - i < b.size() - j;
  return a < b;  // "v01" and "v1": a fixed order still
}

bool list_view_folder(const std::string& folder, std::vector<std::string>* paths,
                      std::string* error) {
  std::error_code failed;
  std::filesystem::directory_iterator it(folder, failed);
  if (failed) {
    *error = "--views-from " + folder + ": not a folder that can be read";
    return false;
  }
  std::vector<std::string> names;
  for (const auto& entry : it) {
    const std::string name = entry.path().filename().string();
    if (name.empty() || name[0] == '.' ||
        !has_extension(name, {".png", ".jpg", ".jpeg", ".bmp", ".gif", ".tif", ".tiff", ".ico"}))
      continue;
    if (entry.is_regular_file(failed)) names.push_back(name);
  }
  if (names.empty()) {
    *error = "--views-from " + folder + ": no picture files in it";
    return false;
  }
  std::sort(names.begin(), names.end(), natural_less);
  paths->clear();
  for (const std::string& name : names) paths->push_back(folder + "/" + name);
  return true;
}

int strip_from_views(const std::vector<std::string>& paths, bool crop, ORV_Picture* strip,
                     std::string* error, int width, int height) {
  const int count = int(paths.size());
  std::vector<std::unique_ptr<Picture>> views(paths.size());
  std::vector<int> results(paths.size(), ORV_PICTURE_OK);
  // Decoded side by side: each file is one task of the pool.
  parallel_for(count, 1, [&](int begin, int end) {
    for (int i = begin; i < end; ++i) {
      views[std::size_t(i)] = std::make_unique<Picture>();
      results[std::size_t(i)] =
          ORV_ReadPicture(paths[std::size_t(i)].c_str(), &views[std::size_t(i)]->picture);
    }
  });
  for (int i = 0; i < count; ++i) {
    const int result = results[std::size_t(i)];
    if (result == ORV_PICTURE_OK) continue;
    *error = paths[std::size_t(i)] + ": " + ORV_PictureResultText(result);
    return result == ORV_PICTURE_NO_MEMORY ? 1 : 2;
  }
  int w = views[0]->picture.width, h = views[0]->picture.height;
  const int first_w = w, first_h = h;
  std::vector<Part> parts(paths.size());
  for (int i = 0; i < count; ++i) {
    const ORV_Picture& v = views[std::size_t(i)]->picture;
    if (!crop && !shape_matches(v.width, v.height, first_w, first_h)) {
      *error = paths[std::size_t(i)] + ": " + std::to_string(v.width) + " x " +
               std::to_string(v.height) + " is not the shape of the first view (" +
               std::to_string(first_w) + " x " + std::to_string(first_h) +
               ") within 1 %; --crop centre-crops the views to it";
      return 2;
    }
    parts[std::size_t(i)] =
        crop ? centred_part(v.width, v.height, w, h) : Part{0, 0, v.width, v.height};
  }
  if (width > 0 && height > 0) w = width, h = height;
  if ((long long)w * count > ORV_MAX_PICTURE_SIDE) {
    *error = std::to_string(count) + " views of " + std::to_string(w) +
             " pixels make a strip wider than " + std::to_string(ORV_MAX_PICTURE_SIDE);
    return 2;
  }
  const int result = ORV_NewPicture(w * count, h, strip);
  if (result != ORV_PICTURE_OK) {
    *error = "the strip of the views: " + std::string(ORV_PictureResultText(result));
    return result == ORV_PICTURE_NO_MEMORY ? 1 : 2;
  }
  auto* pixels = reinterpret_cast<std::uint32_t*>(strip->pixels);
  parallel_for(count, 1, [&](int begin, int end) {
    for (int i = begin; i < end; ++i)
      place_view(*views[std::size_t(i)], parts[std::size_t(i)], pixels, w * count, i * w, w, h);
  });
  return 0;
}

}  // namespace composer

// Views given as picture files of their own rather than a strip: read side
// by side, upright, checked for shape, brought to the first view's size and
// placed next to each other, exactly as a strip file holds its pictures.
#pragma once

#include <initializer_list>
#include <string>
#include <vector>

#include "framework/orvlib.h"

namespace composer {

// Whether a file name ends in one of `extensions` (".png", ...), in any case.
bool has_extension(const std::string& path, std::initializer_list<const char*> extensions);

// The picture files of a folder in natural order ("v2" before "v10"):
// regular files with a picture's extension, hidden ones left out. False with
// the error when the folder cannot be read or holds none.
bool list_view_folder(const std::string& folder, std::vector<std::string>* paths,
                      std::string* error);

// Whether a comes before b in natural order: runs of digits compare as
// numbers, the rest byte by byte.
bool natural_less(const std::string& a, const std::string& b);

// The strip of the views in `paths`, each the first view's size (or
// width x height when both are above 0). A view
// whose width-to-height ratio differs from the first's by more than 1 % is
// refused unless `crop`, which centre-crops every view to the first's shape
// first. Returns the batch's exit code: 0 with `strip` filled, 2 for a file
// that is no readable picture or has the wrong shape, 1 for memory; the
// error names the file.
int strip_from_views(const std::vector<std::string>& paths, bool crop, ORV_Picture* strip,
                     std::string* error, int width = 0, int height = 0);

}  // namespace composer

// Face lookup through fontconfig: the family a logical-font record asks for
// (the classic Japanese face names stand for the IPA faces) and the file and
// face index fontconfig matches to it. Sizing and glyphs are in font.cpp.
#include <algorithm>
#include <string>

#include <fontconfig/fontconfig.h>

#include "platform/draw/font_internal.h"

namespace platform::internal {
namespace {

std::string to_utf8(const std::u16string& text) {
  std::string out;
  for (char32_t c : internal::decode_utf16(text)) {
    if (c < 0x80) {
      out += char(c);
    } else if (c < 0x800) {
      out += char(0xC0 | (c >> 6));
      out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += char(0xE0 | (c >> 12));
      out += char(0x80 | ((c >> 6) & 0x3F));
      out += char(0x80 | (c & 0x3F));
    } else {
      out += char(0xF0 | (c >> 18));
      out += char(0x80 | ((c >> 12) & 0x3F));
      out += char(0x80 | ((c >> 6) & 0x3F));
      out += char(0x80 | (c & 0x3F));
    }
  }
  return out;
}

// Face names of the classic Japanese system fonts, and the faces that stand in for them.
struct FaceAlias {
  const char* name;
  const char* family;
};
constexpr FaceAlias kAliases[] = {
    {"\xEF\xBC\xAD\xEF\xBC\xB3 \xE3\x82\xB4\xE3\x82\xB7\xE3\x83\x83\xE3\x82\xAF", "IPAGothic"},
    {"MS Gothic", "IPAGothic"},
    {"\xEF\xBC\xAD\xEF\xBC\xB3 \xEF\xBC\xB0\xE3\x82\xB4\xE3\x82\xB7\xE3\x83\x83\xE3\x82\xAF",
     "IPAPGothic"},
    {"MS PGothic", "IPAPGothic"},
};

}  // namespace

std::string family_for(const LogFont& lf) {
  std::string name = to_utf8(lf.face_name);
  for (const FaceAlias& alias : kAliases) {
    if (name == alias.name) return alias.family;
  }
  if (!name.empty()) return name;
  if ((lf.pitch_and_family & 3) == kPitchFixed || (lf.pitch_and_family & 0xF0) == kFamilyModern)
    return "monospace";
  if ((lf.pitch_and_family & 0xF0) == kFamilyRoman) return "serif";
  return "sans-serif";
}

// fontconfig's best match for the record: file and face index.
bool match_face(const LogFont& lf, const std::string& family, std::string* file, int* index) {
  if (!FcInit()) return false;
  FcPattern* pattern = FcPatternCreate();
  if (!pattern) return false;
  // Every step can fail for want of memory; a failed one ends the lookup
  // (no face found) rather than go on with a half-built pattern.
  int weight = lf.weight > 0 ? lf.weight : kWeightNormal;
  bool built =
      FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str())) &&
      FcPatternAddInteger(pattern, FC_WEIGHT, FcWeightFromOpenType(std::min(weight, 1000))) &&
      FcPatternAddInteger(pattern, FC_SLANT, lf.italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN) &&
      FcPatternAddBool(pattern, FC_SCALABLE, FcTrue) &&
      (lf.char_set != kCharsetShiftJis ||
       FcPatternAddString(pattern, FC_LANG, reinterpret_cast<const FcChar8*>("ja"))) &&
      FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  if (!built) {
    FcPatternDestroy(pattern);
    return false;
  }
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(nullptr, pattern, &result);
  bool found = false;
  FcChar8* path = nullptr;
  if (match && FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch) {
    *file = reinterpret_cast<const char*>(path);
    if (FcPatternGetInteger(match, FC_INDEX, 0, index) != FcResultMatch) *index = 0;
    found = true;
  }
  if (match) FcPatternDestroy(match);
  FcPatternDestroy(pattern);
  return found;
}

}  // namespace platform::internal

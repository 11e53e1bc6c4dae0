// File-path services: current folder, full path names and creating one
// directory level, inside a temporary folder.
#include "platform/text/files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/text/codepage.h"

namespace platform {
namespace {

class FilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/orv_files_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    root_ = pattern;
    char old[4096];
    ASSERT_NE(getcwd(old, sizeof old), nullptr);
    old_ = old;
    ASSERT_EQ(chdir(root_.c_str()), 0);
    set_code_page_for_tests("UTF-8");
  }
  void TearDown() override {
    ASSERT_EQ(chdir(old_.c_str()), 0);
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
    set_code_page_for_tests(nullptr);
  }

  std::string full(const char* name, int* part = nullptr) {
    char out[kMaxPath];
    const int n = full_path(name, out, kMaxPath, part);
    EXPECT_EQ(n, int(std::string(out).size()));
    return out;
  }

  bool is_directory(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
  }

  std::string root_;
  std::string old_;
};

TEST_F(FilesTest, CurrentFolderEndsWithOneSlash) {
  EXPECT_EQ(current_folder(), root_ + "/");
  char out[kMaxPath];
  EXPECT_EQ(current_folder(out, kMaxPath), int(root_.size()) + 1);
  EXPECT_EQ(std::string(out), root_ + "/");
  // Too small, even by the terminator alone: nothing cut, an empty string.
  EXPECT_EQ(current_folder(out, int(root_.size()) + 1), 0);
  EXPECT_EQ(out[0], '\0');
  EXPECT_EQ(current_folder(out, int(root_.size()) + 2), int(root_.size()) + 1);
  ASSERT_EQ(chdir("/"), 0);
  EXPECT_EQ(current_folder(), "/");
}

TEST_F(FilesTest, FullPathOfRelativeAndDottedNames) {
  int part = 0;
  EXPECT_EQ(full("a.txt", &part), root_ + "/a.txt");
  EXPECT_EQ(part, int(root_.size()) + 1);
  EXPECT_EQ(full("sub/../b.png"), root_ + "/b.png");
  EXPECT_EQ(full("./x/./y"), root_ + "/x/y");
  EXPECT_EQ(full("x//y"), root_ + "/x/y");
  EXPECT_EQ(full("sub/", &part), root_ + "/sub/");
  EXPECT_EQ(part, -1);  // no file-name part
  EXPECT_EQ(full("."), root_);
  const std::string parent = root_.substr(0, root_.rfind('/'));  // "/tmp"
  EXPECT_EQ(full(".."), parent);
  EXPECT_EQ(full("../"), parent + "/");
  EXPECT_EQ(full("/usr//lib/../bin", &part), "/usr/bin");
  EXPECT_EQ(part, 5);
  EXPECT_EQ(full("/../..", &part), "/");
  EXPECT_EQ(part, -1);
  EXPECT_EQ(full("a\\b"), root_ + "/a\\b");  // a backslash is part of a name here

  char out[kMaxPath] = "junk";
  EXPECT_EQ(full_path("", out, kMaxPath, &part), 0);
  EXPECT_EQ(out[0], '\0');
  EXPECT_EQ(full_path(nullptr, out, kMaxPath, &part), 0);
  EXPECT_EQ(part, -1);
}

TEST_F(FilesTest, FullPathLongerThanTheBufferFails) {
  char out[kMaxPath];
  const std::string fits = "/" + std::string(258, 'a');  // 259 characters and the NUL
  EXPECT_EQ(full_path(fits.c_str(), out, kMaxPath), 259);
  EXPECT_EQ(std::string(out), fits);
  const std::string too_long = "/" + std::string(259, 'a');
  EXPECT_EQ(full_path(too_long.c_str(), out, kMaxPath), 0);
  EXPECT_EQ(out[0], '\0');
  // Normalising may bring a long name back within the limit.
  const std::string dotted = "/" + std::string(300, 'b') + "/../c";
  EXPECT_EQ(full_path(dotted.c_str(), out, kMaxPath), 2);
  EXPECT_EQ(std::string(out), "/c");
}

TEST_F(FilesTest, FullPathInUtf16CountsUnits) {
  char16_t out[kMaxPath];
  int part = 0;
  // U+65E5 U+672C ".txt": 3 bytes per ideograph, one unit each.
  const std::u16string expected = to_utf16(root_) + u"/\u65E5\u672C.txt";
  EXPECT_EQ(full_path_utf16(u"\u65E5\u672C.txt", out, kMaxPath, &part), int(expected.size()));
  EXPECT_EQ(std::u16string(out), expected);
  EXPECT_EQ(part, int(root_.size()) + 1);
  EXPECT_EQ(full_path_utf16(u"x", out, int(expected.size()), &part), int(root_.size()) + 2);
  EXPECT_EQ(full_path_utf16(u"\u65E5\u672C.txt", out, int(expected.size()), &part), 0);
  EXPECT_EQ(out[0], u'\0');
  EXPECT_EQ(part, -1);
}

TEST_F(FilesTest, CreateDirectoryMakesOneLevel) {
  const std::string made = root_ + "/rec";
  EXPECT_EQ(create_directory(made.c_str()), kDirectoryCreated);
  EXPECT_TRUE(is_directory(made));
  EXPECT_EQ(create_directory(made.c_str()), kDirectoryExists);
  EXPECT_EQ(create_directory("rec/frames/"), kDirectoryCreated);  // relative, trailing '/'
  EXPECT_TRUE(is_directory(made + "/frames"));

  const std::string orphan = root_ + "/missing/child";
  EXPECT_EQ(create_directory(orphan.c_str()), kDirectoryNoParent);
  EXPECT_FALSE(is_directory(root_ + "/missing"));

  FILE* file = std::fopen((root_ + "/plain").c_str(), "w");
  ASSERT_NE(file, nullptr);
  std::fclose(file);
  EXPECT_EQ(create_directory((root_ + "/plain").c_str()), kDirectoryExists);
  EXPECT_EQ(create_directory(""), kDirectoryFailed);
  EXPECT_EQ(create_directory(nullptr), kDirectoryFailed);
}

}  // namespace
}  // namespace platform

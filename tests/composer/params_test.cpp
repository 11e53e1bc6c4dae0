// The composer's configuration file and status block.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "composer/params.h"

namespace {

using composer::Params;

Params read(const std::string& text, std::string* problems = nullptr) {
  Params p;
  std::FILE* file = fmemopen(const_cast<char*>(text.data()), text.size(), "r");
  std::string found = composer::read_configuration(file, p);
  if (problems) *problems = found;
  std::fclose(file);
  return p;
}

std::vector<std::string> names(const Params& p) {
  std::vector<std::string> out;
  for (const auto& e : p.pitch_set) out.push_back(e.name);
  return out;
}

TEST(ComposerConfigTest, SizesAndPitchSetsFollowTheFileRules) {
  Params sizes = read("W\n1024\nH\n768\n");
  EXPECT_EQ((std::tuple{sizes.width, sizes.height, sizes.pitch}), (std::tuple{1024, 768, 17.33}));
  EXPECT_TRUE(sizes.pitch_set.empty());

  Params two = read("P\nlens A\n20.5\nlens B\n30\n\nW\n900\n");
  EXPECT_EQ(names(two), (std::vector<std::string>{"lens A", "lens B"}));
  EXPECT_EQ(two.pitch, 20.5);
  EXPECT_EQ(two.width, 900);  // the file goes on after the section

  for (const char* bad : {"P\nzero\n0\n", "P\nbig\n150\n"}) {
    Params p = read(bad);
    EXPECT_EQ(names(p), (std::vector<std::string>{"Default"})) << bad;
    EXPECT_EQ(p.pitch, 17.33) << bad;
  }
  // A bad third value drops the second entry as well.
  Params cut = read("P\na\n10\nb\n20\nc\n150\n");
  EXPECT_EQ(names(cut), (std::vector<std::string>{"a"}));
  EXPECT_EQ(cut.pitch, 10);

  // Ten entries end the section: the eleventh pair is read as plain lines.
  std::string eleven = "P\n";
  for (int i = 1; i <= 11; ++i) eleven += "n" + std::to_string(i) + "\n" + std::to_string(i) + "\n";
  Params ten = read(eleven + "H\n600\n");
  EXPECT_EQ(ten.pitch_set.size(), 10u);
  EXPECT_EQ(ten.pitch_set.back().name, "n10");
  EXPECT_EQ(ten.height, 600);
}

TEST(ComposerConfigTest, ValueLinesBelongToTheirTagsAndLongLinesComeInPieces) {
  // "H" is W's value: no number, so refused and the default kept.
  std::string problems;
  Params consumed = read("W\nH\n", &problems);
  EXPECT_EQ((std::tuple{consumed.width, consumed.height}), (std::tuple{800, 480}));
  EXPECT_EQ(problems, "W H: not a whole number from 100 to 3000; 800 kept\n");
  // 200 W's: the first 127 are a W line, the rest its value (refused).
  Params pieces = read(std::string(200, 'W') + "\nH\n700\n");
  EXPECT_EQ((std::tuple{pieces.width, pieces.height}), (std::tuple{800, 700}));
  // The input box's range holds for the file too, at both ends.
  struct Row {
    const char* text;
    int width, height;
    bool refused;
  };
  for (const Row& row :
       {Row{"W\n0\n", 800, 480, true}, Row{"W\n99\nH\n100\n", 800, 100, true},
        Row{"W\n3000\nH\n3001\n", 3000, 480, true}, Row{"W\n100000\nH\n-5\n", 800, 480, true},
        Row{"W\r\n1024\r\nH\r\n768\r\n", 1024, 768, false}}) {
    Params p = read(row.text, &problems);
    EXPECT_EQ((std::tuple{p.width, p.height, !problems.empty()}),
              (std::tuple{row.width, row.height, row.refused}))
        << row.text;
  }
  // A pitch section ending in a CR LF blank line keeps its pitch.
  Params crlf = read("P\r\nsheet\r\n9.5\r\n\r\nW\r\n900\r\n");
  EXPECT_EQ((std::tuple{crlf.pitch, crlf.width, names(crlf)}),
            (std::tuple{9.5, 900, std::vector<std::string>{"sheet"}}));
  Params none;
  EXPECT_FALSE(composer::read_configuration_file("/nonexistent/VARNOLIS.txt", none));
  EXPECT_EQ((std::tuple{none.width, none.height, none.pitch}), (std::tuple{800, 480, 17.33}));
}

// The first block after Start with the defaults; fixed widths let each
// line overwrite its previous version.
TEST(ComposerStatusTest, TheBlockReadsByteForByte) {
  Params p;
  p.pitch_set = {{"Default", 17.33}};
  p.dt = 8.665;
  p.rec = true;
  std::vector<std::string> expected = {
      "Default             \n", "pitch: 17.3300\n", "dt: 8.665000\n",         "pic_num:    2\n",
      "view_num:  2\n",         "AA: on \n",        "RS: NN TEST         \n", "BETA  \n",
      "CHANGING: off\n",        "LOOP: off\n",      "view_pos:    0/   0\n",  "            "};
  std::vector<composer::StatusLine> lines = composer::status_lines(p);
  ASSERT_EQ(lines.size(), expected.size());
  for (std::size_t i = 0; i < lines.size(); ++i) {
    EXPECT_EQ(lines[i].text, expected[i]) << i;
    EXPECT_EQ(lines[i].highlighted, i == 10) << i;  // REC on: black on red
  }
  p.loop = true;
  p.pic_num = 8;
  p.view_pos = 5;
  p.demo_state = composer::kDemoNoWait;
  p.aa = false;
  p.print_mode = composer::kPrint;
  lines = composer::status_lines(p);
  EXPECT_EQ(lines[5].text, "AA: off\n");
  EXPECT_EQ(lines[7].text, "PRINT \n");
  EXPECT_EQ(lines[10].text, "view_pos:    5/   7\n");
  EXPECT_EQ(lines[11].text, "NO WAIT     ");
}

}  // namespace

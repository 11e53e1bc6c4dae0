// The clipboard joined to the system's, and the dialogs, through Qt's own
// widgets; the choice of back end at start.
#include <gtest/gtest.h>

#include <cmath>

#include <QtCore/QBuffer>
#include <QtCore/QMimeData>
#include <QtGui/QClipboard>
#include <QtGui/QGuiApplication>
#include <QtGui/QImage>
#include <QtGui/QScreen>
#include <QtWidgets/QApplication>
#include <QtWidgets/QColorDialog>
#include <QtWidgets/QFileDialog>
#include <QtWidgets/QFontDialog>
#include <QtWidgets/QLineEdit>

#include "platform/choosers.h"
#include "platform/codec/codec.h"
#include "platform/draw/font.h"
#include "platform/qt/qt_backend.h"
#include "platform/text/clipboard.h"
#include "tests/qt/qt_test_support.h"

namespace {

using qt_test::spin_until;

// Runs a clipboard session on a worker thread, as the framework does.
template <class Session>
void on_worker(Session session) {
  qt_test::Worker worker;
  worker.run([&] {
    ASSERT_TRUE(platform::clipboard_open());
    session();
    platform::clipboard_close();
  });
}

template <class Dialog>
Dialog* shown_dialog() {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (auto* d = qobject_cast<Dialog*>(w); d && d->isVisible()) return d;
  return nullptr;
}

TEST(QtClipboardTest, TextGoesOutAsUtf8AndComesBackFromOtherPrograms) {
  on_worker([] {
    platform::clipboard_empty();
    platform::clipboard_set_unicode_text(u"h\u00e9llo \u65e5\u672c");
  });
  ASSERT_TRUE(
      spin_until([] { return QGuiApplication::clipboard()->text() == "h\u00e9llo \u65e5\u672c"; }));
  const QMimeData* out = QGuiApplication::clipboard()->mimeData();
  EXPECT_EQ(QString::fromUtf8(out->data("text/plain;charset=utf-8")),
            QString("h\u00e9llo \u65e5\u672c"));

  QGuiApplication::clipboard()->setText("from elsewhere \u00e0");  // another program copies
  std::u16string unicode;
  std::string ansi;
  on_worker([&] {
    platform::clipboard_get_unicode_text(&unicode);
    platform::clipboard_get_text(&ansi);  // synthesised through the code page (UTF-8)
  });
  EXPECT_EQ(unicode, u"from elsewhere \u00e0");
  EXPECT_EQ(ansi, "from elsewhere \xc3\xa0");
}

// Two by two: red, green / blue, white.
platform::Picture small_picture() {
  platform::Picture picture;
  picture.width = 2;
  picture.height = 2;
  picture.pixels = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};
  return picture;
}

QImage small_image() {
  QImage image(2, 2, QImage::Format_RGB32);
  for (int i = 0; i < 4; ++i) image.setPixel(i % 2, i / 2, 0xFF000000 | small_picture().pixels[i]);
  return image;
}

std::vector<std::uint32_t> dib_pixels(const std::vector<std::uint8_t>& dib) {
  platform::Picture picture;
  if (platform::decode_packed_dib(dib.data(), dib.size(), picture) != platform::CodecStatus::Ok)
    return {};
  return picture.pixels;
}

TEST(QtClipboardTest, PicturesGoOutAsPngAndBmpAndComeBackFromPngBmpAndJpeg) {
  std::vector<std::uint8_t> dib;
  ASSERT_EQ(platform::pack_dib(small_picture(), dib), platform::CodecStatus::Ok);
  on_worker([&] {
    platform::clipboard_empty();
    platform::clipboard_set_dib(dib.data(), dib.size());
  });
  ASSERT_TRUE(
      spin_until([] { return QGuiApplication::clipboard()->mimeData()->hasFormat("image/png"); }));
  QImage out = QImage::fromData(QGuiApplication::clipboard()->mimeData()->data("image/png"), "PNG");
  ASSERT_EQ(out.size(), QSize(2, 2));
  const std::vector<std::uint32_t> expected = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(out.pixel(i % 2, i / 2), 0xFF000000 | expected[i]) << i;
  QByteArray bmp = QGuiApplication::clipboard()->mimeData()->data("image/bmp");
  ASSERT_TRUE(bmp.startsWith("BM"));
  out = QImage::fromData(bmp, "BMP");
  ASSERT_EQ(out.size(), QSize(2, 2));
  for (int i = 0; i < 4; ++i) EXPECT_EQ(out.pixel(i % 2, i / 2), 0xFF000000 | expected[i]) << i;

  for (const char* format : {"PNG", "BMP"}) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    small_image().save(&buffer, format);
    auto* data = new QMimeData;
    data->setData(QString("image/") + QString(format).toLower(), bytes);
    QGuiApplication::clipboard()->setMimeData(data);  // another program copies a picture
    std::vector<std::uint8_t> read;
    on_worker([&] { EXPECT_TRUE(platform::clipboard_get_dib(&read)); });
    EXPECT_EQ(dib_pixels(read), expected) << format;
  }
  // A JPEG of one colour comes back within the rounding of its compression.
  QImage grey(16, 16, QImage::Format_RGB32);
  grey.fill(QColor(0x40, 0x80, 0xC0));
  QByteArray jpeg;
  QBuffer buffer(&jpeg);
  buffer.open(QIODevice::WriteOnly);
  grey.save(&buffer, "JPEG", 100);
  auto* data = new QMimeData;
  data->setData("image/jpeg", jpeg);
  QGuiApplication::clipboard()->setMimeData(data);
  std::vector<std::uint8_t> read;
  on_worker([&] { EXPECT_TRUE(platform::clipboard_get_dib(&read)); });
  platform::Picture picture;
  ASSERT_EQ(platform::decode_packed_dib(read.data(), read.size(), picture),
            platform::CodecStatus::Ok);
  ASSERT_EQ(picture.width, 16);
  std::uint32_t p = picture.pixels[8 * 16 + 8];
  EXPECT_NEAR(int(p >> 16), 0x40, 2);
  EXPECT_NEAR(int((p >> 8) & 0xFF), 0x80, 2);
  EXPECT_NEAR(int(p & 0xFF), 0xC0, 2);
}

TEST(QtDialogTest, OpenDialogReturnsThePathAndTheChosenFilter) {
  platform::FileDialogRequest request;
  request.title = u"Load image file";
  request.filters = {{u"All Files (*.*)", u"*.*"}, {u"PNG (*.PNG)", u"*.PNG"}};
  request.filter_index = 2;
  request.folder = u"/tmp";
  request.file_must_exist = false;
  std::u16string path;
  std::atomic<int> result{-1};
  qt_test::Worker worker;
  worker.start([&] { result = platform::open_file_dialog(request, path); });
  ASSERT_TRUE(spin_until([] { return shown_dialog<QFileDialog>() != nullptr; }));
  QFileDialog* dialog = shown_dialog<QFileDialog>();
  EXPECT_EQ(dialog->windowTitle(), QString("Load image file"));
  EXPECT_EQ(dialog->nameFilters(), QStringList({"All Files (*.*)", "PNG (*.PNG *.png)"}));
  EXPECT_EQ(dialog->selectedNameFilter(), QString("PNG (*.PNG *.png)"));
  dialog->selectNameFilter("All Files (*.*)");
  auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");  // the person types a name
  ASSERT_TRUE(name);
  name->setText("picked.png");
  static_cast<QDialog*>(dialog)->accept();
  ASSERT_TRUE(spin_until([&] { return result.load() != -1; }));
  EXPECT_EQ(result.load(), 1);
  EXPECT_EQ(path, u"/tmp/picked.png") << QString::fromStdU16String(path).toStdString();
  EXPECT_EQ(request.filter_index, 1);

  result = -1;
  worker.start([&] { result = platform::save_file_dialog(request, path); });
  ASSERT_TRUE(spin_until([] { return shown_dialog<QFileDialog>() != nullptr; }));
  shown_dialog<QFileDialog>()->reject();
  ASSERT_TRUE(spin_until([&] { return result.load() != -1; }));
  EXPECT_EQ(result.load(), 0);
  EXPECT_EQ(path, u"/tmp/picked.png");  // a cancel changes nothing
}

TEST(QtDialogTest, ColourChooserKeepsSixteenCustomColoursForTheProcess) {
  std::array<std::uint32_t, 16> custom{};
  custom[3] = 0x336699;
  platform::set_custom_colours(custom);
  std::uint32_t colour = 0x102030;
  std::atomic<int> result{-1};
  qt_test::Worker worker;
  worker.start([&] { result = platform::choose_colour({}, colour); });
  ASSERT_TRUE(spin_until([] { return shown_dialog<QColorDialog>() != nullptr; }));
  QColorDialog* dialog = shown_dialog<QColorDialog>();
  EXPECT_EQ(dialog->currentColor().rgb() & 0xFFFFFF, 0x102030u);
  EXPECT_EQ(QColorDialog::customColor(3).rgb() & 0xFFFFFF, 0x336699u);
  QColorDialog::setCustomColor(5, QColor(0xAB, 0xCD, 0xEF));  // the person adds one
  dialog->setCurrentColor(QColor(0x40, 0x50, 0x60));
  dialog->accept();
  ASSERT_TRUE(spin_until([&] { return result.load() != -1; }));
  EXPECT_EQ(result.load(), 1);
  EXPECT_EQ(colour, 0x405060u);
  EXPECT_EQ(platform::custom_colours()[5], 0xABCDEFu);
  EXPECT_EQ(platform::custom_colours()[3], 0x336699u);
}

// The font chooser, which works in points, starts from the font given, and
// what the person picks comes back as a character height (negative) in
// pixels at the screen's resolution with its face; a cancel leaves the font
// as it was.
TEST(QtDialogTest, FontChooserReturnsThePickedFaceAndSize) {
  double dpi = QGuiApplication::primaryScreen()->logicalDotsPerInchY();
  platform::LogFont font;
  font.height = -24;
  font.face_name = u"IPAGothic";
  std::atomic<int> result{-1};
  qt_test::Worker worker;
  worker.start([&] { result = platform::choose_font({}, font); });
  ASSERT_TRUE(spin_until([] { return shown_dialog<QFontDialog>() != nullptr; }));
  QFontDialog* dialog = shown_dialog<QFontDialog>();
  EXPECT_EQ(dialog->currentFont().family(), QString("IPAGothic"));
  EXPECT_NEAR(dialog->currentFont().pointSizeF(), 24 * 72 / dpi, 0.5);
  QFont picked("IPAGothic");
  picked.setPointSize(30);
  dialog->setCurrentFont(picked);
  dialog->accept();
  ASSERT_TRUE(spin_until([&] { return result.load() != -1; }));
  EXPECT_EQ(result.load(), 1);
  EXPECT_EQ(font.height, -int(std::lround(30 * dpi / 72)));
  EXPECT_EQ(font.face_name, u"IPAGothic");

  platform::LogFont before = font;
  result = -1;
  worker.start([&] { result = platform::choose_font({}, font); });
  ASSERT_TRUE(spin_until([] { return shown_dialog<QFontDialog>() != nullptr; }));
  shown_dialog<QFontDialog>()->reject();
  ASSERT_TRUE(spin_until([&] { return result.load() != -1; }));
  EXPECT_EQ(result.load(), 0);
  EXPECT_EQ(font, before);
}

TEST(QtStartTest, BackendFollowsTheEnvironment) {
  int argc = 1;
  char name[] = "qt_tests";
  char* argv[] = {name, nullptr};
  setenv("ORV_BACKEND", "headless", 1);
  EXPECT_STREQ(platform::qt::choose_backend(argc, argv)->name, "headless");
  setenv("ORV_BACKEND", "qt", 1);
  EXPECT_STREQ(platform::qt::choose_backend(argc, argv)->name, "qt");  // offscreen here
  unsetenv("ORV_BACKEND");
  const char* display = std::getenv("DISPLAY");
  std::string saved = display ? display : "";
  unsetenv("DISPLAY");
  testing::internal::CaptureStderr();
  EXPECT_EQ(platform::qt::choose_backend(argc, argv), nullptr);
  EXPECT_NE(testing::internal::GetCapturedStderr().find("No X display"), std::string::npos);
  if (display) setenv("DISPLAY", saved.c_str(), 1);
}

}  // namespace

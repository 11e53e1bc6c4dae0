// The platform clipboard store kept in step with the system clipboard:
// text goes out as text/plain;charset=utf-8, pictures as image/png and
// image/bmp, encoded only when another program asks for one; coming in,
// text is Unicode text and a PNG, BMP or JPEG picture (or any other image
// type Qt reads) becomes a packed DIB. QClipboard lives on the GUI thread,
// so both hooks run there: a write is queued, a read waited for.
#include <QtCore/QBuffer>
#include <QtCore/QCoreApplication>
#include <QtCore/QMimeData>
#include <QtGui/QClipboard>
#include <QtGui/QGuiApplication>
#include <QtGui/QImage>
#include <atomic>

#include "platform/codec/codec.h"
#include "platform/qt/qt_internal.h"
#include "platform/text/clipboard.h"
#include "platform/text/codepage.h"

namespace platform::qt {
namespace {

// Marks what this process put on the system clipboard, so that reading it
// back keeps the store as set (ANSI text, device-dependent bitmaps).
constexpr const char* kOwnerFormat = "application/x-orvlib-clipboard";
std::atomic<unsigned> g_generation{0};

QByteArray owner_mark(unsigned generation) {
  return QByteArray::number(QCoreApplication::applicationPid()) + ':' +
         QByteArray::number(generation);
}

Picture picture_of(const ClipBitmap& bitmap) {
  Picture picture;
  picture.width = bitmap.width;
  picture.height = bitmap.height;
  picture.pixels = bitmap.pixels;
  return picture;
}

// The store's picture encoded as `mime_type`, or nothing.
QByteArray encoded(const ClipboardContents& contents, const char* mime_type) {
  Picture picture;
  if (contents.dib) {
    if (decode_packed_dib(contents.dib->data(), contents.dib->size(), picture) != CodecStatus::Ok)
      return {};
  } else if (contents.bitmap) {
    picture = picture_of(*contents.bitmap);
  } else {
    return {};
  }
  std::vector<std::uint8_t> bytes;
  if (encode_picture_to_memory(picture, mime_type, 0, bytes) != CodecStatus::Ok) return {};
  return QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
}

constexpr const char* kPictureFormats[] = {"image/png", "image/bmp"};

// Offers the picture in both formats and encodes one only when it is asked
// for: a large picture copied and never pasted elsewhere costs nothing.
class PictureMimeData : public QMimeData {
 public:
  explicit PictureMimeData(ClipboardContents contents) : contents_(std::move(contents)) {}
  QStringList formats() const override {
    QStringList list = QMimeData::formats();
    for (const char* format : kPictureFormats) list.append(QString::fromLatin1(format));
    return list;
  }
  bool hasFormat(const QString& mime_type) const override { return formats().contains(mime_type); }

 protected:
  QVariant retrieveData(const QString& mime_type, QMetaType type) const override {
    for (const char* format : kPictureFormats)
      if (mime_type == QLatin1String(format)) return encoded(contents_, format);
    return QMimeData::retrieveData(mime_type, type);
  }

 private:
  ClipboardContents contents_;
};

void publish(const ClipboardContents& contents, unsigned generation) {
  bool picture = contents.dib || contents.bitmap;
  QMimeData* data = picture ? new PictureMimeData(contents) : new QMimeData;
  std::optional<QString> text;
  if (contents.unicode_text)
    text = to_qstring(*contents.unicode_text);
  else if (contents.text)
    text = to_qstring(to_utf16(*contents.text));
  if (text) {
    data->setText(*text);
    data->setData("text/plain;charset=utf-8", text->toUtf8());  // named for other programs
  }
  data->setData(kOwnerFormat, owner_mark(generation));
  QGuiApplication::clipboard()->setMimeData(data);
}

std::optional<std::vector<std::uint8_t>> dib_from_encoded(const QByteArray& bytes) {
  Picture picture;
  std::vector<std::uint8_t> dib;
  auto* data = reinterpret_cast<const std::uint8_t*>(bytes.constData());
  if (decode_picture(data, std::size_t(bytes.size()), picture) != CodecStatus::Ok) return {};
  if (pack_dib(picture, dib) != CodecStatus::Ok) return {};
  return dib;
}

std::optional<std::vector<std::uint8_t>> dib_from_image(QImage image) {
  if (image.isNull()) return {};
  image = image.convertToFormat(QImage::Format_RGB32);
  Picture picture;
  picture.width = image.width();
  picture.height = image.height();
  picture.pixels.resize(std::size_t(picture.width) * std::size_t(picture.height));
  for (int y = 0; y < picture.height; ++y) {
    auto* row = reinterpret_cast<const std::uint32_t*>(image.constScanLine(y));
    for (int x = 0; x < picture.width; ++x)
      picture.pixels[std::size_t(y) * std::size_t(picture.width) + std::size_t(x)] =
          row[x] & 0xFFFFFF;
  }
  std::vector<std::uint8_t> dib;
  if (pack_dib(picture, dib) != CodecStatus::Ok) return {};
  return dib;
}

std::optional<std::vector<std::uint8_t>> dib_of(const QMimeData* data) {
  for (const char* format : {"image/png", "image/bmp", "image/x-bmp", "image/jpeg"}) {
    if (!data->hasFormat(format)) continue;
    if (auto dib = dib_from_encoded(data->data(format))) return dib;
  }
  if (data->hasImage()) return dib_from_image(qvariant_cast<QImage>(data->imageData()));
  return {};
}

// False keeps the store: the system clipboard holds what this process put there.
bool fetch(ClipboardContents* contents) {
  const QMimeData* data = QGuiApplication::clipboard()->mimeData();
  if (!data) return false;
  if (data->hasFormat(kOwnerFormat)) {
    if (data->data(kOwnerFormat) == owner_mark(g_generation.load())) return false;
  }
  if (data->hasText()) contents->unicode_text = from_qstring(data->text());
  contents->dib = dib_of(data);
  return true;
}

bool fetch_external(void*, ClipboardContents* contents) {
  auto fetched = std::make_shared<ClipboardContents>();
  int replace = run_modal(
      [fetched](const std::shared_ptr<ModalCall>& call) { call->finish(fetch(fetched.get())); }, 0,
      false);
  if (replace) *contents = *fetched;
  return replace != 0;
}

void on_changed(void*, const ClipboardContents& contents) {
  unsigned generation = ++g_generation;
  run_on_gui([contents, generation] { publish(contents, generation); });
}

}  // namespace

void install_clipboard_hooks() {
  ClipboardHooks hooks;
  hooks.fetch_external = fetch_external;
  hooks.on_clipboard_changed = on_changed;
  clipboard_set_hooks(&hooks);
}

}  // namespace platform::qt

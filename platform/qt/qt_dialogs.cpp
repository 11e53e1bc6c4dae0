// File dialogs, the colour chooser and the font chooser: Qt's own dialogs
// (never the desktop's), so that custom colours and every font attribute
// stay ours. Nothing is saved through QSettings (see qt_backend.cpp).
#include <QtGui/QFontInfo>
#include <QtGui/QScreen>
#include <QtWidgets/QApplication>
#include <QtWidgets/QColorDialog>
#include <QtWidgets/QFileDialog>
#include <QtWidgets/QFontDialog>
#include <algorithm>
#include <cmath>

#include "platform/choosers.h"
#include "platform/draw/font.h"
#include "platform/qt/qt_internal.h"
#include "platform/window.h"

namespace platform::qt {
namespace {

QWidget* owner_widget(Window owner) {
  return owner ? widget_of(root_window(owner)) : nullptr;
}

void show_dialog(QDialog* dialog, QWidget* parent) {
  dialog->setWindowModality(parent ? Qt::WindowModal : Qt::NonModal);
  dialog->show();
  dialog->raise();
  dialog->activateWindow();
}

// "BMP (*.BMP;*.RLE;*.DIB)" with "*.BMP;*.RLE;*.DIB" becomes the Qt filter
// "BMP (*.BMP *.bmp *.RLE *.rle *.DIB *.dib)": Qt separates patterns with
// spaces, and file names on Linux keep their case.
QString qt_filter(const FileFilter& filter) {
  QString description = to_qstring(filter.description);
  int paren = description.lastIndexOf(" (");
  if (paren > 0 && description.endsWith(')')) description.truncate(paren);
  QStringList patterns;
  for (const QString& pattern : to_qstring(filter.patterns).split(';', Qt::SkipEmptyParts)) {
    QString p = pattern.trimmed();
    patterns << p;
    if (p.toLower() != p) patterns << p.toLower();
  }
  return description + " (" + patterns.join(' ') + ")";
}

struct FileAnswer {
  std::u16string path;
  int filter_index = 1;
};

struct ColourAnswer {
  std::uint32_t colour = 0;
  std::array<std::uint32_t, 16> custom{};
};

QFont font_from(const LogFont& font) {
  QFont result(to_qstring(font.face_name));
  int height = font.height == 0 ? 16 : std::abs(font.height);
  result.setPixelSize(std::max(1, height));
  if (font.height > 0) {  // a cell height: the em is a little smaller
    QFontMetrics metrics(result);
    if (metrics.height() > 0)
      result.setPixelSize(
          std::max(1, int(std::lround(double(height) * height / metrics.height()))));
  }
  int weight = font.weight == 0 ? kWeightNormal : font.weight;
  result.setWeight(QFont::Weight(std::clamp(weight, 100, 900)));
  result.setItalic(font.italic != 0);
  result.setUnderline(font.underline != 0);
  result.setStrikeOut(font.strike_out != 0);
  return result;
}

// The chooser's size is in points; the record keeps pixels at the screen's
// logical resolution, as an em height (negative).
LogFont font_to(const QFont& chosen, LogFont font) {
  double pixels = chosen.pixelSize();
  if (pixels <= 0) {
    double dpi = QGuiApplication::primaryScreen()
                     ? QGuiApplication::primaryScreen()->logicalDotsPerInchY()
                     : 96;
    pixels = chosen.pointSizeF() * dpi / 72.0;
  }
  font.height = -std::max(1, int(std::lround(pixels)));
  font.width = 0;
  font.weight = chosen.weight();
  font.italic = chosen.italic();
  font.underline = chosen.underline();
  font.strike_out = chosen.strikeOut();
  font.face_name = from_qstring(chosen.family()).substr(0, kFaceNameSize - 1);
  return font;
}

}  // namespace

bool file_dialog(FileDialogRequest& request, bool save, std::u16string& path) {
  auto answer = std::make_shared<FileAnswer>();
  FileDialogRequest copy = request;
  bool chosen = run_modal(
      [copy, save, answer](const std::shared_ptr<ModalCall>& call) {
        QWidget* parent = owner_widget(copy.owner);
        auto* dialog = new QFileDialog(parent, to_qstring(copy.title), to_qstring(copy.folder));
        dialog->setOption(QFileDialog::DontUseNativeDialog);
        dialog->setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        dialog->setFileMode(copy.file_must_exist ? QFileDialog::ExistingFile
                                                 : QFileDialog::AnyFile);
        dialog->setOption(QFileDialog::DontConfirmOverwrite, !copy.overwrite_prompt);
        QStringList filters;
        for (const FileFilter& filter : copy.filters) filters << qt_filter(filter);
        if (!filters.isEmpty()) {
          dialog->setNameFilters(filters);
          int index = std::clamp(copy.filter_index, 1, int(filters.size()));
          dialog->selectNameFilter(filters[index - 1]);
        }
        if (!copy.file_name.empty()) dialog->selectFile(to_qstring(copy.file_name));
        QObject::connect(dialog, &QDialog::finished, [call, dialog, answer, filters](int result) {
          QStringList files = dialog->selectedFiles();
          if (result == QDialog::Accepted && !files.isEmpty()) {
            answer->path = from_qstring(files.first());
            answer->filter_index = int(filters.indexOf(dialog->selectedNameFilter())) + 1;
          }
          call->finish(result == QDialog::Accepted && !files.isEmpty());
          dialog->deleteLater();
        });
        track_modal_widget(dialog, call, 0);
        show_dialog(dialog, parent);
      },
      0);
  if (!chosen) return false;
  path = answer->path;
  if (answer->filter_index > 0) request.filter_index = answer->filter_index;
  return true;
}

bool choose_colour(Window owner, std::uint32_t& colour, std::array<std::uint32_t, 16>& custom) {
  auto answer = std::make_shared<ColourAnswer>();
  answer->colour = colour;
  answer->custom = custom;
  bool chosen = run_modal(
      [owner, answer](const std::shared_ptr<ModalCall>& call) {
        QWidget* parent = owner_widget(owner);
        for (int i = 0; i < 16 && i < QColorDialog::customCount(); ++i)
          QColorDialog::setCustomColor(i, QColor(QRgb(answer->custom[std::size_t(i)])));
        auto* dialog = new QColorDialog(QColor(QRgb(answer->colour)), parent);
        dialog->setOption(QColorDialog::DontUseNativeDialog);
        QObject::connect(dialog, &QDialog::finished, [call, dialog, answer](int result) {
          for (int i = 0; i < 16 && i < QColorDialog::customCount(); ++i)
            answer->custom[std::size_t(i)] = QColorDialog::customColor(i).rgb() & 0xFFFFFF;
          if (result == QDialog::Accepted)
            answer->colour = dialog->selectedColor().rgb() & 0xFFFFFF;
          call->finish(result == QDialog::Accepted);
          dialog->deleteLater();
        });
        track_modal_widget(dialog, call, 0);
        show_dialog(dialog, parent);
      },
      0);
  custom = answer->custom;
  if (chosen) colour = answer->colour;
  return chosen;
}

bool choose_font(Window owner, LogFont& font) {
  auto answer = std::make_shared<LogFont>(font);
  bool chosen = run_modal(
      [owner, answer](const std::shared_ptr<ModalCall>& call) {
        QWidget* parent = owner_widget(owner);
        auto* dialog = new QFontDialog(font_from(*answer), parent);
        dialog->setOption(QFontDialog::DontUseNativeDialog);
        QObject::connect(dialog, &QDialog::finished, [call, dialog, answer](int result) {
          if (result == QDialog::Accepted) *answer = font_to(dialog->selectedFont(), *answer);
          call->finish(result == QDialog::Accepted);
          dialog->deleteLater();
        });
        track_modal_widget(dialog, call, 0);
        show_dialog(dialog, parent);
      },
      0);
  if (chosen) font = *answer;
  return chosen;
}

}  // namespace platform::qt

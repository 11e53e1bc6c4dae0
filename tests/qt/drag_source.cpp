// Another program on the desktop that drags files: a window titled
// "drag-source" at (600, 600); pressing the mouse in it starts dragging the
// files named on the command line (as the file manager does, over XDND).
// Driven with xdotool by the desktop scripts.
#include <QtCore/QMimeData>
#include <QtCore/QUrl>
#include <QtGui/QDrag>
#include <QtWidgets/QApplication>
#include <QtWidgets/QLabel>

namespace {

class DragSource : public QLabel {
 public:
  explicit DragSource(QList<QUrl> urls) : QLabel("drag me"), urls_(std::move(urls)) {}

 protected:
  void mousePressEvent(QMouseEvent*) override {
    auto* data = new QMimeData;
    data->setUrls(urls_);
    auto* drag = new QDrag(this);
    drag->setMimeData(data);
    drag->exec(Qt::CopyAction);
  }

 private:
  QList<QUrl> urls_;
};

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QList<QUrl> urls;
  for (int i = 1; i < argc; ++i) urls.append(QUrl::fromLocalFile(QString::fromLocal8Bit(argv[i])));
  DragSource source(urls);
  source.setWindowTitle("drag-source");
  source.setGeometry(600, 600, 200, 100);
  source.show();
  return app.exec();
}

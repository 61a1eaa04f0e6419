#include "ui/icons/icons.h"

#include <QPainter>
#include <QSvgRenderer>

namespace {

constexpr int kTreeImageCount = 12;
// The drawing of each pair of tree images; the selected one of a pair draws the
// same on a highlight, except the roots, whose folder opens.
constexpr const char* kTreeDrawings[] = {"root_closed", "master_sector", "master",
                                         "slave_sector", "slave", "monitor_device"};

}  // namespace

// The resource lives in a static library, so it is registered by hand (at global
// scope, as the registration function is declared there).
static void EnsureResources() {
  static const bool loaded = [] {
    Q_INIT_RESOURCE(icons);
    return true;
  }();
  (void)loaded;
}

QPixmap SvgPixmap(const QString& name, int size) {
  EnsureResources();
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QSvgRenderer renderer(QString(":/icons/%1.svg").arg(name));
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  renderer.render(&painter);
  painter.end();
  return QPixmap::fromImage(image);
}

QIcon SvgIcon(const QString& name) {
  QIcon icon;
  for (int size : {16, 24, 32, 48}) icon.addPixmap(SvgPixmap(name, size));
  return icon;
}

QPixmap TreeImage(int index, int size) {
  if (index < 0 || index >= kTreeImageCount) return QPixmap();
  const bool selected = index % 2 == 1;
  if (index == 1) return SvgPixmap("root_open", size);
  QPixmap drawing = SvgPixmap(kTreeDrawings[index / 2], size);
  if (!selected) return drawing;
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(255, 214, 64));
  painter.drawRoundedRect(QRectF(0, 0, size, size), size / 5.0, size / 5.0);
  painter.drawPixmap(0, 0, drawing);
  painter.end();
  return QPixmap::fromImage(image);
}

QIcon TreeIcon(int normalIndex) {
  if (normalIndex < 0 || normalIndex + 1 >= kTreeImageCount) return QIcon();
  // Drawn once: a tree of thousands of items shares these (QIcon is shared data).
  // Kept to the end of the process, since pixmaps must not outlive the
  // application object, which static destructors would make them do.
  static QIcon* const icons = new QIcon[kTreeImageCount];
  QIcon& icon = icons[normalIndex];
  if (icon.isNull()) {
    for (int size : {16, 24, 32}) {
      icon.addPixmap(TreeImage(normalIndex, size), QIcon::Normal);
      icon.addPixmap(TreeImage(normalIndex + 1, size), QIcon::Selected);
    }
  }
  return icon;
}

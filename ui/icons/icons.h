#pragma once
#include <QIcon>
#include <QPixmap>
#include <QString>

// The program's own images, drawn as SVG (":/icons/NAME.svg") and rendered here
// with transparency at the sizes asked for: 48 pixels in the tool bar, 16 in the
// tree and menus.
QPixmap SvgPixmap(const QString& name, int size);
// An icon with pixmaps of 16, 24, 32 and 48 pixels.
QIcon SvgIcon(const QString& name);

// The tree's images by index: 0 root, 1 root selected (open), 2/3 master sector,
// 4/5 master device, 6/7 slave sector, 8/9 slave device, 10/11 monitor device;
// an odd index is the selected image of the even one before it.
QPixmap TreeImage(int index, int size = 16);
// Normal and selected image of an item in one icon (QIcon::Selected mode).
QIcon TreeIcon(int normalIndex);

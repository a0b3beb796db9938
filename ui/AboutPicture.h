// The About box's picture: a printer with a sheet of paper, 48 by 48, on a light grey that is not painted.
#pragma once

#include <QImage>
#include <QPixmap>

// The picture with every pixel of its bottom-left pixel's colour made transparent.
QImage withTransparentBackground(const QImage& picture);

// The embedded picture, ready to draw.
QPixmap aboutPicture();

#include "ui/Skin.h"

#include <QApplication>
#include <QFile>
#include <QFont>
#include <QIcon>
#include <QStyleFactory>

using namespace Qt::StringLiterals;

void applySkin(QApplication& application) {
    // One base style everywhere, so that the sheet looks the same on every desktop.
    application.setStyle(QStyleFactory::create(u"Fusion"_s));

    // The layout is measured for a 12-pixel CJK face; the first of these that is installed is used.
    QFont font;
    font.setFamilies({u"WenQuanYi Micro Hei"_s, u"Microsoft YaHei"_s, u"SimSun"_s, u"Noto Sans CJK SC"_s});
    font.setPixelSize(12);
    font.setStyleHint(QFont::SansSerif);
    application.setFont(font);

    QIcon icon;
    for (int size : {16, 32, 48, 64, 128, 256}) icon.addFile(u":/icons/quirella-%1.png"_s.arg(size));
    application.setWindowIcon(icon);

    QFile skin(u":/skin.qss"_s);
    if (skin.open(QIODevice::ReadOnly)) application.setStyleSheet(QString::fromUtf8(skin.readAll()));
}

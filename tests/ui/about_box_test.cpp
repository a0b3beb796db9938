// The About box: its layout, its results, the link's colours and click, and the picture.
#include "DialogAnswerer.h"
#include "UiTestSupport.h"
#include "ui/AboutBox.h"
#include "ui/AboutPicture.h"
#include "ui/ProductAddress.h"

#include <QFile>
#include <QtEndian>
#include <QPushButton>
#include <QScreen>
#include <QTest>

#include <gmock/gmock.h>

using namespace Qt::StringLiterals;
using testing::ElementsAre;
using testing::IsEmpty;

void expectWindowCaptionsFit(const QWidget& window);  // main_form_layout_test.cpp

namespace {

struct Placement {
    const char* name;
    const char* parent;
    QRect rect;
    const char* caption;
};
void PrintTo(const Placement& row, std::ostream* out) { *out << row.name; }

const Placement kAboutBox[] = {
    {"Panel1", "AboutBox", {8, 8, 305, 161}, nullptr},
    {"Image1", "Panel1", {16, 24, 57, 65}, nullptr},
    {"ProductName", "Panel1", {88, 16, 209, 33}, "Quirella"},
    {"Version", "Panel1", {208, 48, 73, 13}, "Version1.2"},
    {"Copyright", "Panel1", {104, 72, 185, 13}, "版权所有 © Quirella 开发组"},
    {"Label1", "Panel1", {104, 88, 153, 13}, nullptr},
    {"Comments", "Panel1", {24, 112, 265, 13}, "本软件为免费软件，可以自由使用和转发；"},
    {"Label2", "Panel1", {24, 128, 145, 13}, "转发时请保留本说明。"},
    {"OKButton", "AboutBox", {231, 172, 75, 25}, "确定(&O)"},
};

class AboutBoxPlacement : public testing::TestWithParam<Placement> {};

TEST_P(AboutBoxPlacement, HasItsPlaceAndCaption) {
    TAboutBox box;
    QWidget* widget = control(box, GetParam().name);
    ASSERT_TRUE(widget);
    EXPECT_EQ(widget->parentWidget()->objectName(), QString::fromLatin1(GetParam().parent));
    EXPECT_EQ(widget->geometry(), GetParam().rect);
    if (GetParam().caption) {
        EXPECT_EQ(captionOf(widget), QString::fromUtf8(GetParam().caption));
    }
}

INSTANTIATE_TEST_SUITE_P(All, AboutBoxPlacement, testing::ValuesIn(kAboutBox),
                         [](const auto& row) { return std::string(row.param.name); });

TEST(AboutBoxWindow, IsAFixedDialogWithACloseButtonOnly) {
    TAboutBox box;
    EXPECT_EQ(box.windowTitle(), u"      关于本软件"_s);
    EXPECT_EQ(box.size(), QSize(327, 205));
    EXPECT_EQ(box.minimumSize(), box.maximumSize());
    const Qt::WindowFlags flags = box.windowFlags();
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
    EXPECT_FALSE(flags & Qt::WindowContextHelpButtonHint);
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_LE((box.frameGeometry().center() - screen.center()).manhattanLength(), 2);
}

// The panel's edge as drawn: a lowered outer bevel (shadow above and left, highlight below and right)
// around a raised inner one (the other way round), a pixel each, on the panel's own colour.
TEST(AboutBoxWindow, ThePanelHasALoweredOuterAndARaisedInnerBevel) {
    TAboutBox box;
    box.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
    QWidget* panel = control(box, "Panel1");
    ASSERT_TRUE(panel);
    const QImage image = panel->grab().toImage();
    const int right = image.width() - 1, bottom = image.height() - 1;
    const auto lightness = [&](int x, int y) { return image.pixelColor(x, y).lightness(); };
    const int face = lightness(4, image.height() / 2);
    struct Edge {
        const char* where;
        int x, y;
        bool shadow;
    };
    const Edge edges[] = {
        {"outer top", image.width() / 2, 0, true},          {"outer left", 0, image.height() / 2, true},
        {"outer bottom", image.width() / 2, bottom, false}, {"outer right", right, image.height() / 2, false},
        {"inner top", image.width() / 2, 1, false},         {"inner left", 1, image.height() / 2, false},
        {"inner bottom", image.width() / 2, bottom - 1, true}, {"inner right", right - 1, image.height() / 2, true},
    };
    for (const Edge& edge : edges) {
        if (edge.shadow)
            EXPECT_LT(lightness(edge.x, edge.y), face - 40) << edge.where;
        else
            EXPECT_GE(lightness(edge.x, edge.y), face) << edge.where;
    }
    // Two pixels of edge and then the panel's face.
    EXPECT_EQ(lightness(2, image.height() / 2), face);
    EXPECT_EQ(lightness(image.width() / 2, 2), face);
}

TEST(AboutBoxWindow, OnlyOkTakesTheFocusAndCaptionsFit) {
    TAboutBox box;
    box.show();
    box.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&box));
    EXPECT_EQ(namedControl(QApplication::focusWidget()), u"OKButton"_s);
    for (QWidget* widget : box.findChildren<QWidget*>()) {
        if (widget->objectName() != u"OKButton"_s) {
            EXPECT_EQ(widget->focusPolicy(), Qt::NoFocus) << widget->objectName().toStdString();
        }
    }
    EXPECT_TRUE(control<QPushButton>(box, "OKButton")->isDefault());
    expectWindowCaptionsFit(box);
}

// ---- Results ---------------------------------------------------------------------------------------

struct ResultCase {
    const char* name;
    std::function<void(QDialog&)> act;  // what the user does while the box is open
    int result;
};
void PrintTo(const ResultCase& row, std::ostream* out) { *out << row.name; }

void key(QDialog& box, Qt::Key k, Qt::KeyboardModifiers m = Qt::NoModifier) {
    QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : &box, k, m);
}

const ResultCase kResults[] = {
    {"OkClicked", [](QDialog& box) { QTest::mouseClick(control(box, "OKButton"), Qt::LeftButton); }, 1},
    {"Enter", [](QDialog& box) { key(box, Qt::Key_Return); }, 1},
    {"AccessKey", [](QDialog& box) { key(box, Qt::Key_O, Qt::AltModifier); }, 1},
    {"TitleBarClose", [](QDialog& box) { box.close(); }, 2},
    {"EscDoesNothing",
     [](QDialog& box) {
         key(box, Qt::Key_Escape);
         EXPECT_TRUE(box.isVisible()) << "Esc closed the box";
         box.close();
     },
     2},
};

class AboutBoxResult : public testing::TestWithParam<ResultCase> {};

TEST_P(AboutBoxResult, IsWhatTheWayOutGives) {
    DialogAnswerer answerer([](QDialog& box) {
        box.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&box));
        GetParam().act(box);
    });
    TAboutBox box;
    EXPECT_EQ(box.exec(), GetParam().result);
    EXPECT_EQ(answerer.seen().size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(All, AboutBoxResult, testing::ValuesIn(kResults),
                         [](const auto& row) { return std::string(row.param.name); });

// ---- The link --------------------------------------------------------------------------------------

// Whether the label, as drawn, has a pixel of exactly this colour: the skin may not override it.
bool drawnIn(QWidget& label, QColor colour) {
    const QImage image = label.grab().toImage();
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y) == colour) return true;
    return false;
}

TEST(AboutBoxLink, TurnsRedOverItsWholeAreaAndBlueOffIt) {
    TAboutBox box;
    box.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
    auto* link = control<QLabel>(box, "Label1");
    ASSERT_TRUE(link);
    EXPECT_EQ(link->text(), QString::fromUtf8(kProductAddress.data(), qsizetype(kProductAddress.size())));
    EXPECT_TRUE(link->font().underline());
    EXPECT_EQ(link->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(link->palette().color(QPalette::WindowText), QColor(0, 0, 255));
    EXPECT_TRUE(drawnIn(*link, QColor(0, 0, 255)));

    // Past the end of its text, still inside the label.
    ASSERT_LT(link->fontMetrics().horizontalAdvance(link->text()), 148);
    QTest::mouseMove(link, QPoint(150, 6));
    EXPECT_EQ(link->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    EXPECT_TRUE(drawnIn(*link, QColor(255, 0, 0)));
    EXPECT_FALSE(drawnIn(*link, QColor(0, 0, 255)));
    EXPECT_TRUE(link->font().underline());

    QTest::mouseMove(&box, QPoint(20, 190));
    EXPECT_EQ(link->palette().color(QPalette::WindowText), QColor(0, 0, 255));
    EXPECT_TRUE(drawnIn(*link, QColor(0, 0, 255)));
}

TEST(AboutBoxLink, AClickOpensTheAddressAndLeavesTheBoxOpen) {
    std::vector<std::string> opened;
    DialogAnswerer answerer([&](QDialog& box) {
        QTest::mouseClick(control(box, "Label1"), Qt::LeftButton, {}, QPoint(150, 6));
        EXPECT_THAT(opened, ElementsAre(std::string(kProductAddress)));
        EXPECT_TRUE(box.isVisible());
        QTest::mouseClick(control(box, "OKButton"), Qt::LeftButton);
    });
    TAboutBox box(nullptr, [&](const std::string& target) { opened.push_back(target); });
    EXPECT_EQ(box.exec(), TAboutBox::mrOk);
    EXPECT_EQ(opened.size(), 1u);
}

// ---- The picture -----------------------------------------------------------------------------------

TEST(AboutPicture, IsA48By48BitmapOf32BitsBottomRowFirstOnLightGrey) {
    QFile file(u":/about.bmp"_s);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    ASSERT_GE(bytes.size(), 54);
    const auto u32 = [&](int at) { return qFromLittleEndian<quint32>(bytes.constData() + at); };
    const auto i32 = [&](int at) { return qFromLittleEndian<qint32>(bytes.constData() + at); };
    EXPECT_EQ(bytes.left(2), QByteArray("BM"));
    EXPECT_EQ(i32(18), 48);
    EXPECT_EQ(i32(22), 48);  // positive: the bottom row comes first
    EXPECT_EQ(qFromLittleEndian<quint16>(bytes.constData() + 28), 32);
    const quint32 offset = u32(10);
    ASSERT_EQ(bytes.size(), qsizetype(offset + 48 * 48 * 4));
    int notOpaque = 0;
    for (int i = 0; i < 48 * 48; ++i) notOpaque += quint8(bytes[qsizetype(offset) + i * 4 + 3]) != 255;
    EXPECT_EQ(notOpaque, 0);
    // The first pixel stored is the bottom-left one: the grey that is not painted.
    EXPECT_EQ(bytes.mid(qsizetype(offset), 4), QByteArray("\xC9\xC9\xC9\xFF", 4));
    const QImage image(u":/about.bmp"_s);
    EXPECT_EQ(image.size(), QSize(48, 48));
    EXPECT_EQ(image.pixelColor(0, 47), QColor(201, 201, 201));
}

TEST(AboutPicture, ItsGreyIsNotPaintedButThePrinterIs) {
    TAboutBox box;
    box.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
    auto* panel = control(box, "Panel1");
    const QImage source(u":/about.bmp"_s);
    const QImage drawn = panel->grab(QRect(16, 24, 48, 48)).toImage();
    const QColor panelColour = panel->grab(QRect(150, 150, 1, 1)).toImage().pixelColor(0, 0);
    int grey = 0, printer = 0;
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 48; ++x) {
            const QColor dpr = drawn.pixelColor(x * drawn.width() / 48, y * drawn.height() / 48);
            if (source.pixelColor(x, y) == QColor(201, 201, 201)) {
                grey += dpr == QColor(201, 201, 201);
                EXPECT_EQ(dpr, panelColour) << x << "," << y;
            } else {
                printer += dpr == source.pixelColor(x, y);
            }
        }
    EXPECT_EQ(grey, 0);
    EXPECT_GT(printer, 300);
}

}  // namespace

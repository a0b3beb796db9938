// The main window as laid out: places and captions, settings, tab order, access keys, Enter and Esc,
// and captions that fit in the CJK font the program uses.
#include "DialogAnswerer.h"
#include "UiTestSupport.h"
#include "ui/Mainform1.h"
#include "ui/UpDown.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontInfo>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QStyleOptionButton>
#include <QTest>

#include <gmock/gmock.h>

using namespace Qt::StringLiterals;
using testing::ElementsAreArray;
using testing::IsEmpty;

namespace {

struct Placement {
    const char* name;
    QRect rect;
    const char* caption;  // nullptr: none to check
};
void PrintTo(const Placement& row, std::ostream* out) { *out << row.name; }

const Placement kMainForm[] = {
    {"Label1", {8, 8, 145, 13}, "待打印文档"},
    {"ListBox1", {8, 24, 457, 89}, nullptr},
    {"Button1", {8, 120, 75, 25}, "添加文档(&A)"},
    {"Button2", {88, 120, 75, 25}, "清空(&N)"},
    {"Label3", {176, 120, 65, 13}, "打印份数 "},
    {"Edit1", {248, 120, 33, 21}, "1"},
    {"UpDown1", {280, 120, 16, 25}, nullptr},
    {"CheckBox1", {304, 120, 73, 17}, "Word可见"},
    {"Button3", {392, 120, 75, 25}, "开始打印(&P)"},
    {"Label2", {8, 152, 65, 13}, "打印进度"},
    {"Label4", {160, 152, 81, 13}, "选择打印机"},
    {"ComboBox1", {248, 152, 129, 21}, nullptr},
    {"Button4", {392, 152, 75, 25}, "帮助(&H)"},
    {"Memo1", {8, 184, 377, 89}, nullptr},
    {"Button6", {392, 184, 75, 25}, "关于...(&B)"},
    {"Button5", {392, 248, 75, 25}, "关闭(&C)"},
};

class MainFormPlacement : public testing::TestWithParam<Placement> {};

TEST_P(MainFormPlacement, HasItsPlaceAndCaption) {
    TMainForm form(nullptr, standIns());
    QWidget* widget = control(form, GetParam().name);
    ASSERT_TRUE(widget);
    EXPECT_EQ(widget->parentWidget(), &form);
    EXPECT_EQ(widget->geometry(), GetParam().rect);
    if (GetParam().caption) {
        EXPECT_EQ(captionOf(widget), QString::fromUtf8(GetParam().caption));
    }
}

INSTANTIATE_TEST_SUITE_P(All, MainFormPlacement, testing::ValuesIn(kMainForm),
                         [](const auto& row) { return std::string(row.param.name); });

TEST(MainFormWindow, IsAFixedWindowWithCloseAndMinimiseOnly) {
    TMainForm form(nullptr, standIns());
    EXPECT_EQ(form.windowTitle(), u"Quirella"_s);
    EXPECT_EQ(form.size(), QSize(475, 280));
    EXPECT_EQ(form.minimumSize(), QSize(475, 280));
    EXPECT_EQ(form.maximumSize(), QSize(475, 280));
    const Qt::WindowFlags flags = form.windowFlags();
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    EXPECT_TRUE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
    EXPECT_FALSE(flags & Qt::WindowContextHelpButtonHint);
    EXPECT_EQ(flags & Qt::WindowType_Mask, Qt::Window);
}

TEST(MainFormWindow, IsCentredOnTheScreen) {
    TMainForm form(nullptr, standIns());
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_LE(std::abs(form.frameGeometry().center().x() - screen.center().x()), 1);
    EXPECT_LE(std::abs(form.frameGeometry().center().y() - screen.center().y()), 1);
}

TEST(MainFormWindow, ControlsStartWithTheirSettings) {
    TMainForm form(nullptr, standIns());
    auto* list = control<QListWidget>(form, "ListBox1");
    auto* copies = control<QLineEdit>(form, "Edit1");
    auto* upDown = control<UpDown>(form, "UpDown1");
    auto* show = control<QCheckBox>(form, "CheckBox1");
    auto* printers = control<QComboBox>(form, "ComboBox1");
    auto* log = control<QPlainTextEdit>(form, "Memo1");
    ASSERT_TRUE(list && copies && upDown && show && printers && log);

    EXPECT_EQ(list->count(), 0);
    EXPECT_FALSE(list->isSortingEnabled());
    EXPECT_EQ(list->selectionMode(), QAbstractItemView::SingleSelection);
    EXPECT_EQ(list->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    EXPECT_EQ(copies->maxLength(), std::numeric_limits<int>::max());
    EXPECT_EQ(upDown->minimum(), 1);
    EXPECT_EQ(upDown->maximum(), 1000);
    EXPECT_EQ(upDown->position(), 1);
    EXPECT_FALSE(show->isChecked());
    EXPECT_TRUE(printers->isEditable());
    EXPECT_EQ(printers->insertPolicy(), QComboBox::NoInsert);  // a typed name is not added as an entry
    EXPECT_TRUE(log->isReadOnly());
    EXPECT_TRUE(log->toPlainText().isEmpty());
    EXPECT_EQ(log->lineWrapMode(), QPlainTextEdit::WidgetWidth);
    EXPECT_EQ(log->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(log->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    EXPECT_TRUE(control<QPushButton>(form, "Button3")->isDefault());
    for (const char* name : {"ListBox1", "Edit1", "Memo1"})
        EXPECT_EQ(control(form, name)->property("imeName").toString(), u"中文 (简体) - 智能 ABC"_s) << name;
    EXPECT_EQ(printers->property("imeName").toString(), u"中文 (简体) - 微软拼音"_s);
}

// ---- Keyboard ---------------------------------------------------------------------------------------

class ShownForm {
public:
    explicit ShownForm(MainFormServices services = standIns()) : form(nullptr, std::move(services)) {
        form.show();
        form.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&form));
    }
    TMainForm form;
};

TEST(MainFormKeys, TabWalksTheControlsInTheirOrderFromButton1) {
    ShownForm shown;
    std::vector<QString> order{namedControl(QApplication::focusWidget())};
    for (int i = 0; i < 11; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        order.push_back(namedControl(QApplication::focusWidget()));
    }
    const std::vector<QString> expected{u"Button1"_s, u"Button2"_s, u"Edit1"_s,   u"CheckBox1"_s,
                                        u"ComboBox1"_s, u"Button3"_s, u"Button4"_s, u"Button6"_s,
                                        u"Button5"_s, u"Memo1"_s,    u"ListBox1"_s, u"Button1"_s};
    EXPECT_THAT(order, ElementsAreArray(expected));
}

TEST(MainFormKeys, LabelsAndTheUpDownTakeNoFocus) {
    TMainForm form(nullptr, standIns());
    for (const char* name : {"Label1", "Label2", "Label3", "Label4", "UpDown1"})
        EXPECT_EQ(control(form, name)->focusPolicy(), Qt::NoFocus) << name;
    for (QWidget* part : control(form, "UpDown1")->findChildren<QWidget*>())
        EXPECT_EQ(part->focusPolicy(), Qt::NoFocus) << part->objectName().toStdString();
}

struct KeyCase {
    const char* name;
    const char* focus;    // the control with the focus
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    const char* pressed;  // the button the key presses; nullptr: none
};
void PrintTo(const KeyCase& row, std::ostream* out) { *out << row.name; }

// The access keys (Alt+letter) go through the platform's key mapping, which simulated keys here do not
// reach: tests/ui/screenshot.sh presses them in a real X server.
const KeyCase kKeys[] = {
    {"EnterInCopiesField", "Edit1", Qt::Key_Return, Qt::NoModifier, "Button3"},
    {"KeypadEnterInCopiesField", "Edit1", Qt::Key_Enter, Qt::KeypadModifier, "Button3"},
    {"EnterOnCheckBox", "CheckBox1", Qt::Key_Return, Qt::NoModifier, "Button3"},
    {"EnterInPrinterChoice", "ComboBox1", Qt::Key_Return, Qt::NoModifier, "Button3"},
    {"EnterInDocumentList", "ListBox1", Qt::Key_Return, Qt::NoModifier, "Button3"},
    {"EnterOnAnotherButton", "Button2", Qt::Key_Return, Qt::NoModifier, "Button2"},
    {"EnterOnHelp", "Button4", Qt::Key_Return, Qt::NoModifier, "Button4"},
    {"EnterStaysInTheLog", "Memo1", Qt::Key_Return, Qt::NoModifier, nullptr},
    {"EscInCopiesField", "Edit1", Qt::Key_Escape, Qt::NoModifier, "Button5"},
    {"EscOnAButton", "Button1", Qt::Key_Escape, Qt::NoModifier, "Button5"},
    {"EscInPrinterChoice", "ComboBox1", Qt::Key_Escape, Qt::NoModifier, "Button5"},
    {"EscStaysInTheLog", "Memo1", Qt::Key_Escape, Qt::NoModifier, nullptr},
};

class MainFormKey : public testing::TestWithParam<KeyCase> {};

TEST_P(MainFormKey, PressesTheRightButton) {
    const KeyCase& row = GetParam();
    ShownForm shown;
    DialogAnswerer answerer;  // About box, error boxes
    std::map<std::string, std::unique_ptr<QSignalSpy>> spies;
    for (const char* name : {"Button1", "Button2", "Button3", "Button4", "Button5", "Button6"})
        spies[name] = std::make_unique<QSignalSpy>(control<QPushButton>(shown.form, name), &QPushButton::clicked);
    QWidget* focus = control(shown.form, row.focus);
    focus->setFocus();
    ASSERT_EQ(namedControl(QApplication::focusWidget()), QString::fromLatin1(row.focus));

    QTest::keyClick(QApplication::focusWidget(), row.key, row.modifiers);

    for (const auto& [name, spy] : spies)
        EXPECT_EQ(spy->count(), row.pressed && name == row.pressed ? 1 : 0) << name;
    const bool closes = row.pressed && std::string(row.pressed) == "Button5";
    EXPECT_EQ(shown.form.isVisible(), !closes);
}

INSTANTIATE_TEST_SUITE_P(All, MainFormKey, testing::ValuesIn(kKeys),
                         [](const auto& row) { return std::string(row.param.name); });

// ---- Font and captions ------------------------------------------------------------------------------

TEST(MainFormFont, IsTheInstalledCjkFaceAtTwelvePixels) {
    TMainForm form(nullptr, standIns());
    const QFontInfo info(form.font());
    EXPECT_EQ(info.family(), u"WenQuanYi Micro Hei"_s) << "scripts/install-deps installs fonts-wqy-microhei";
    EXPECT_EQ(info.pixelSize(), 12);
}

// Every caption's characters are in the font, and its text fits its control's room: nothing is cut.
void expectCaptionsFit(const QWidget& window) {
    for (QWidget* widget : window.findChildren<QWidget*>()) {
        const QString caption = captionOf(widget);
        if (caption.isEmpty() || qobject_cast<QLineEdit*>(widget)) continue;
        SCOPED_TRACE(widget->objectName().toStdString());
        const QFontMetrics metrics(widget->font());
        QString shown = caption;
        shown.remove(u'&');
        for (char32_t c : shown.toUcs4()) EXPECT_TRUE(metrics.inFontUcs4(c)) << "U+" << std::hex << int(c);

        QRect room = widget->contentsRect();
        if (auto* button = qobject_cast<QPushButton*>(widget)) {
            QStyleOptionButton option;
            option.initFrom(button);
            option.text = button->text();
            room = button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
        } else if (auto* box = qobject_cast<QCheckBox*>(widget)) {
            QStyleOptionButton option;
            option.initFrom(box);
            option.text = box->text();
            room = box->style()->subElementRect(QStyle::SE_CheckBoxContents, &option, box);
        }
        EXPECT_LE(metrics.horizontalAdvance(shown), room.width()) << shown.toStdString();
        EXPECT_LE(metrics.tightBoundingRect(shown).height(), room.height()) << shown.toStdString();
    }
}

TEST(MainFormFont, EveryCaptionFits) {
    ShownForm shown;
    expectCaptionsFit(shown.form);
}

}  // namespace

// For the About box's test too.
void expectWindowCaptionsFit(const QWidget& window) { expectCaptionsFit(window); }

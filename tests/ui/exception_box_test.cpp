// Exceptions that escape an event handler: stopped where the event is delivered, shown in the standard
// exception box by its text rule, and the program goes on.
#include "DialogAnswerer.h"
#include "app/Application.h"
#include "app/ExceptionText.h"
#include "ole/Exceptions.h"
#include "ui/ErrorBox.h"
#include "ui/EventHandler.h"

#include <QPushButton>
#include <QTest>

#include <gmock/gmock.h>

#include <stdexcept>

using namespace Qt::StringLiterals;
using testing::ElementsAre;
using testing::IsEmpty;

namespace {

struct TextCase {
    const char* name;
    const char* message;
    const char* shown;
};
void PrintTo(const TextCase& row, std::ostream* out) { *out << row.name; }

const TextCase kTexts[] = {
    {"Empty", "", ""},
    {"EndsInALetter", "Access denied", "Access denied."},
    {"EndsInADigit", "Error 5", "Error 5."},
    {"EndsInChinese", "打印机不存在", "打印机不存在."},
    {"EndsInFullWidthMark", "打印失败！", "打印失败！."},
    {"EndsInAFullStop", "Done.", "Done."},
    {"EndsInExclamation", "Stop!", "Stop!"},
    {"EndsInAParenthesis", "Failed (3)", "Failed (3)"},
    {"EndsInABlank", "Failed ", "Failed "},
    {"EndsInAComma", "a,", "a,"},
    {"EndsInAHyphen", "a-", "a-"},
    {"EndsInASlash", "C:/", "C:/."},
    {"EndsInAColon", "Reason:", "Reason:."},
    {"EndsInANewline", "line\n", "line\n"},
    {"OnlyAFullStop", ".", "."},
};

class ExceptionText : public testing::TestWithParam<TextCase> {};

TEST_P(ExceptionText, FollowsTheFullStopRule) { EXPECT_EQ(exceptionBoxText(GetParam().message), GetParam().shown); }

INSTANTIATE_TEST_SUITE_P(All, ExceptionText, testing::ValuesIn(kTexts),
                         [](const auto& row) { return std::string(row.param.name); });

// Every box the program shows is wide enough for the window manager to show its caption uncut, however
// short its text; the room counts the caption in bold beside the frame's icon and buttons.
TEST(ErrorBoxWidth, LeavesRoomForTheWholeCaption) {
    const std::pair<QString, QString> boxes[] = {
        {u"数字格式错误!"_s, u"    出错了!"_s},
        {u"打印份数不能小于1"_s, u"    出错了!"_s},
        {u"没有添加任何待打印的文档!"_s, u"    消息框!"_s},
        {QString(), u"Quirella"_s},
    };
    for (const auto& [text, caption] : boxes) {
        SCOPED_TRACE(text.toStdString());
        const std::unique_ptr<QMessageBox> box = newErrorBox(nullptr, text, caption);
        box->show();
        QCoreApplication::processEvents();
        QFont bold = box->font();
        bold.setBold(true);
        const int captionWidth = QFontMetrics(bold).horizontalAdvance(caption);
        EXPECT_GE(captionRoom(*box, caption), captionWidth + 4 * QFontMetrics(bold).height());
        EXPECT_GE(box->width(), captionRoom(*box, caption));
        EXPECT_EQ(box->text(), text);
        box->close();
    }
}

// A button with a handler of the window's kind, throwing whatever the test gives it.
struct Handlers : QObject {
    std::function<void()> body;
    void ButtonClick() { body(); }
};

void clickThrowing(std::function<void()> body, int times = 1) {
    Handlers handlers;
    handlers.body = std::move(body);
    QPushButton button(u"throw"_s);
    QObject::connect(&button, &QPushButton::clicked, &handlers, guarded(&handlers, &Handlers::ButtonClick));
    button.show();
    for (int i = 0; i < times; ++i) QTest::mouseClick(&button, Qt::LeftButton);
}

TEST(EventHandlerExceptions, AnExceptionIsShownInTheStandardBoxAndTheProgramGoesOn) {
    DialogAnswerer answerer;
    int calls = 0;
    clickThrowing(
        [&] {
            ++calls;
            throw EOleError("磁盘已满");
        },
        2);
    EXPECT_EQ(calls, 2);  // the button still works after the first box
    ASSERT_EQ(answerer.seen().size(), 2u);
    for (const SeenDialog& box : answerer.seen()) {
        EXPECT_EQ(box.text, u"磁盘已满."_s);
        EXPECT_EQ(box.title, u"Quirella"_s);
        EXPECT_EQ(box.icon, QMessageBox::Critical);
        EXPECT_THAT(box.buttons, ElementsAre(QMessageBox::Ok));
        EXPECT_EQ(box.modality, Qt::ApplicationModal);
    }
}

TEST(EventHandlerExceptions, EAbortIsSilent) {
    DialogAnswerer answerer;
    int calls = 0;
    clickThrowing([&] {
        ++calls;
        throw EAbort("cancelled");
    });
    EXPECT_EQ(calls, 1);
    EXPECT_THAT(answerer.seen(), IsEmpty());
}

TEST(EventHandlerExceptions, OtherThrownObjectsGetTheGenericBox) {
    DialogAnswerer answerer;
    clickThrowing([] { throw std::runtime_error("bad state"); });
    clickThrowing([] { throw 42; });
    ASSERT_EQ(answerer.seen().size(), 2u);
    EXPECT_EQ(answerer.seen()[0].title, u"Application Error"_s);
    EXPECT_TRUE(answerer.seen()[0].text.startsWith(u"Exception in module "_s));
    EXPECT_TRUE(answerer.seen()[0].text.endsWith(u"\nbad state."_s)) << answerer.seen()[0].text.toStdString();
    EXPECT_EQ(answerer.seen()[1].icon, QMessageBox::Critical);
    EXPECT_FALSE(answerer.seen()[1].text.contains(u'\n'));
}

// An event handler of any widget, not one of the guarded ones: the application object's notify()
// stops what it throws.
class ThrowingWidget : public QWidget {
public:
    std::function<void()> onUserEvent;

protected:
    bool event(QEvent* event) override {
        if (event->type() == QEvent::User) onUserEvent();
        return QWidget::event(event);
    }
};

TEST(EventHandlerExceptions, WhatEscapesAnyHandlerStopsWhereTheEventIsDelivered) {
    DialogAnswerer answerer;
    ThrowingWidget widget;
    QEvent event(QEvent::User);
    widget.onUserEvent = [] { throw Exception("Not ready"); };
    EXPECT_FALSE(QCoreApplication::sendEvent(&widget, &event));
    widget.onUserEvent = [] { throw EAbort(""); };
    EXPECT_FALSE(QCoreApplication::sendEvent(&widget, &event));
    ASSERT_EQ(answerer.seen().size(), 1u);
    EXPECT_EQ(answerer.seen()[0].text, u"Not ready."_s);
    EXPECT_EQ(answerer.seen()[0].title, u"Quirella"_s);
}

}  // namespace

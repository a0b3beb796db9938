// The program from start to exit: title, main window, message loop, and the one box for an exception
// that escapes start-up; the result is 0 on every path.
#include "DialogAnswerer.h"
#include "UiTestSupport.h"
#include "app/Startup.h"
#include "ole/Exceptions.h"
#include "ui/Mainform1.h"

#include <QPushButton>
#include <QTest>

#include <gmock/gmock.h>

using namespace Qt::StringLiterals;
using testing::IsEmpty;

namespace {

TApplication& application() { return *static_cast<TApplication*>(QCoreApplication::instance()); }

TEST(Startup, AnExceptionFromTheMainWindowsConstructionShowsOneBoxAndNoWindow) {
    DialogAnswerer answerer;
    MainFormServices services = standIns();
    services.printerNames = []() -> std::vector<std::string> { throw Exception("Printer list unavailable"); };
    EXPECT_EQ(runQuirella(application(), services), 0);
    ASSERT_EQ(answerer.seen().size(), 1u);
    EXPECT_EQ(answerer.seen()[0].className, u"QMessageBox"_s);
    EXPECT_EQ(answerer.seen()[0].text, u"Printer list unavailable."_s);
    EXPECT_EQ(answerer.seen()[0].title, u"Quirella"_s);
    EXPECT_EQ(MainForm, nullptr);
    EXPECT_EQ(application().Title(), u"Quirella"_s);
}

TEST(Startup, AnotherThrownObjectShowsABoxWithoutText) {
    DialogAnswerer answerer;
    MainFormServices services = standIns();
    services.printerNames = []() -> std::vector<std::string> { throw 42; };
    EXPECT_EQ(runQuirella(application(), services), 0);
    ASSERT_EQ(answerer.seen().size(), 1u);
    EXPECT_EQ(answerer.seen()[0].text, QString());
    EXPECT_EQ(answerer.seen()[0].title, u"Quirella"_s);
    EXPECT_EQ(answerer.seen()[0].icon, QMessageBox::Critical);
}

// The title is the box's caption even when the application object's own initialisation fails.
TEST(Startup, AnExceptionFromTheInitialisationShowsABoxCaptionedWithTheTitle) {
    DialogAnswerer answerer;
    application().setTitle(QString());  // as a fresh application object has it
    application().setAutomationServers([]() -> ole::ClassRegistration { throw Exception("Automation unavailable"); });
    const int result = runQuirella(application(), standIns());
    application().setAutomationServers({});
    EXPECT_EQ(result, 0);
    ASSERT_EQ(answerer.seen().size(), 1u);
    EXPECT_EQ(answerer.seen()[0].text, u"Automation unavailable."_s);
    EXPECT_EQ(answerer.seen()[0].title, u"Quirella"_s);
    EXPECT_EQ(MainForm, nullptr);
}

// Runs the program with what the user does once the main window is up.
int runWith(std::function<void(TMainForm&)> user, std::vector<SeenDialog>* seen = nullptr,
            MainFormServices services = standIns()) {
    DialogAnswerer answerer([&](QDialog& dialog) {
        if (auto* form = qobject_cast<TMainForm*>(&dialog)) {
            EXPECT_EQ(form, MainForm);
            user(*form);
        } else {
            DialogAnswerer::pressOkOrClose(dialog);
        }
    });
    const int result = runQuirella(application(), std::move(services));
    if (seen) *seen = answerer.seen();
    return result;
}

TEST(Startup, ClosingTheMainWindowEndsTheLoopWithZero) {
    std::vector<SeenDialog> seen;
    EXPECT_EQ(runWith([](TMainForm& form) { form.close(); }, &seen), 0);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].title, u"Quirella"_s);
    EXPECT_EQ(MainForm, nullptr);
}

TEST(Startup, EscEndsTheProgram) {
    EXPECT_EQ(runWith([](TMainForm& form) {
                  form.activateWindow();
                  EXPECT_TRUE(QTest::qWaitForWindowActive(&form));
                  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
              }),
              0);
    EXPECT_EQ(MainForm, nullptr);
}

TEST(Startup, AHandlersExceptionIsShownAndTheWindowStaysUsable) {
    std::vector<SeenDialog> seen;
    MainFormServices services = standIns();
    services.chooseFiles = [](const OpenDialogRequest&) -> std::optional<std::vector<std::string>> {
        throw EOleError("Dialog failed");
    };
    const int result = runWith(
        [](TMainForm& form) {
            QTest::mouseClick(control(form, "Button1"), Qt::LeftButton);
            EXPECT_TRUE(form.isVisible());
            QTest::mouseClick(control(form, "Button2"), Qt::LeftButton);  // still answers
            QTest::mouseClick(control(form, "Button5"), Qt::LeftButton);
        },
        &seen, services);
    EXPECT_EQ(result, 0);
    ASSERT_EQ(seen.size(), 2u);  // the main window, then the one box
    EXPECT_EQ(seen[1].text, u"Dialog failed."_s);
    EXPECT_EQ(seen[1].title, u"Quirella"_s);
}

}  // namespace

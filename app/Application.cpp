#include "app/Application.h"

#include "app/AutomationServers.h"
#include "app/ExceptionText.h"
#include "ole/Exceptions.h"
#include "ui/ErrorBox.h"
#include "ui/EventHandler.h"
#include "ui/Mainform1.h"
#include "ui/QtTexts.h"
#include "ui/Skin.h"

#include <QFileInfo>
#include <QSettings>

using namespace Qt::StringLiterals;

void TApplication::prepareHighDpi() {
    QGuiApplication::setHighDpiScaleFactorRoundingPolicy(Qt::HighDpiScaleFactorRoundingPolicy::PassThrough);
}

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {
    setEventExceptionHandler([this](std::exception_ptr exception) { HandleException(exception); });
}

TApplication::~TApplication() {
    setEventExceptionHandler({});
    MainForm = nullptr;
    m_mainForm.reset();  // before the apartment goes
    m_servers = {};
}

void TApplication::Initialize() {
    // Qt's file dialog would keep its folder history and column widths in the user's QtProject
    // settings; this program keeps nothing between starts, so those settings go nowhere.
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, u"/dev/null"_s);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, u"/dev/null"_s);
    m_servers = {};
    m_apartment.emplace();
    m_servers = m_registrar ? m_registrar() : registerSystemAutomationServers();
    applySkin(*this);
    useChineseQtTexts(*this);
}

void TApplication::CreateForm(MainFormServices services) {
    MainForm = nullptr;
    m_mainForm.reset();
    m_mainForm = std::make_unique<TMainForm>(nullptr, std::move(services));
    MainForm = m_mainForm.get();
}

void TApplication::Run() {
    if (!m_mainForm) return;
    // Closing the main window, in whatever way, ends the loop.
    connect(m_mainForm.get(), &QDialog::finished, this, &QCoreApplication::quit);
    m_mainForm->show();
    exec();
    MainForm = nullptr;
    m_mainForm.reset();
}

void TApplication::ShowException(const Exception& exception) {
    const std::unique_ptr<QMessageBox> box =
        newErrorBox(MainForm, QString::fromStdString(exceptionBoxText(exception.message())), m_title);
    box->exec();
}

void TApplication::ShowForeignException(std::string_view detail) {
    const QString module = QFileInfo(applicationFilePath()).fileName();
    const std::unique_ptr<QMessageBox> box = newErrorBox(
        MainForm, QString::fromStdString(foreignExceptionText(module.toStdString(), detail)), u"Application Error"_s);
    box->exec();
}

void TApplication::HandleException(std::exception_ptr exception) {
    try {
        std::rethrow_exception(exception);
    } catch (const EAbort&) {
    } catch (const Exception& shown) {
        ShowException(shown);
    } catch (const std::exception& foreign) {
        ShowForeignException(foreign.what());
    } catch (...) {
        ShowForeignException({});
    }
}

bool TApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        HandleException(std::current_exception());
        return false;
    }
}

// The application object: COM for the user-interface thread, the title, the main window, the message
// loop, and the boxes for exceptions that escape an event handler.
#pragma once

#include "ole/Apartment.h"
#include "ole/ClassRegistry.h"
#include "ui/MainFormServices.h"

#include <QApplication>

#include <exception>
#include <functional>
#include <memory>
#include <optional>

class Exception;
class TMainForm;

class TApplication : public QApplication {
    Q_OBJECT

public:
    // Before the application object exists: the layout scales with the screen's density, by any factor.
    static void prepareHighDpi();

    TApplication(int& argc, char** argv);
    ~TApplication() override;

    // Joins the thread to a single-threaded apartment until the object goes, makes the automation
    // servers this build brings known, and puts on the skin.
    void Initialize();
    // The automation servers Initialize makes known; empty, the ones this build brings.
    void setAutomationServers(std::function<ole::ClassRegistration()> registrar) { m_registrar = std::move(registrar); }

    const QString& Title() const noexcept { return m_title; }
    void setTitle(const QString& title) { m_title = title; }

    // Constructs the main window into MainForm; if its constructor throws, MainForm stays empty.
    void CreateForm(MainFormServices services = {});
    // Shows the main window centred and handles events until it closes; then lets it go.
    void Run();

    // The standard exception box: the message by its text rule, captioned with the title.
    void ShowException(const Exception& exception);
    // The box for a thrown object that is no Exception.
    void ShowForeignException(std::string_view detail);

    // What becomes of an exception that escaped an event handler: an EAbort ends the action silently,
    // an Exception is shown with ShowException, anything else in the generic box; the program goes on.
    void HandleException(std::exception_ptr exception);

    // Every event is delivered here; an exception that escapes its handler stops here, per event.
    bool notify(QObject* receiver, QEvent* event) override;

private:
    std::optional<ole::Apartment> m_apartment;
    ole::ClassRegistration m_servers;
    std::function<ole::ClassRegistration()> m_registrar;
    std::unique_ptr<TMainForm> m_mainForm;
    QString m_title;
};

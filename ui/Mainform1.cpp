#include "ui/Mainform1.h"

#include "printing/PrinterList.h"
#include "ui/AboutBox.h"
#include "ui/ErrorBox.h"
#include "ui/EventHandler.h"
#include "ui/FixedRowDelegate.h"
#include "ui/HelpFile.h"
#include "ui/MemoLog.h"
#include "ui/PrintControls.h"
#include "ui/RunningWindow.h"
#include "ui/SystemShell.h"
#include "ui/WindowPlacement.h"
// The generated setupUi names its parameter after the form, as the global MainForm is named.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wshadow"
#include "ui_Mainform1.h"
#pragma GCC diagnostic pop

#include <QCoreApplication>
#include <QFileInfo>
#include <QKeyEvent>
#include <QScrollBar>

TMainForm* MainForm = nullptr;

namespace {

constexpr const char* kOpenDialogTitle = "  选择要打印的文档（支持多选）";
constexpr const char* kOpenDialogFilter =
    "txt,rtf, doc,html, htm,dot等文挡 |*.txt;*.rtf;*.doc;*.html;*.htm;*.dot|文本文件(txt)|*.txt|rtf文挡|*.rtf|"
    "网页文档|*.htm;*.html|Word文挡(doc)|*.doc";

// The item height of the layout's list box and drop-down list.
constexpr int kItemHeight = 13;

QString fromUtf8(const std::string& text) { return QString::fromStdString(text); }

// Start printing's view of the window's controls.
class MainFormControls final : public PrintControls {
public:
    MainFormControls(TMainForm& form, Ui::MainForm& ui) : m_form(form), m_ui(ui) {}

    int printerEntryCount() const override { return m_ui.ComboBox1->count(); }
    std::vector<std::string> documents() const override {
        std::vector<std::string> paths;
        for (int i = 0; i < m_ui.ListBox1->count(); ++i) paths.push_back(m_ui.ListBox1->item(i)->text().toStdString());
        return paths;
    }
    std::string copiesText() const override { return m_ui.Edit1->text().toStdString(); }
    std::string printerText() const override { return m_ui.ComboBox1->currentText().toStdString(); }
    bool showWord() const override { return m_ui.CheckBox1->isChecked(); }

    void showErrorBox(const std::string& text, const std::string& caption) override {
        const std::unique_ptr<QMessageBox> box = newErrorBox(&m_form, fromUtf8(text), fromUtf8(caption));
        box->exec();
    }
    void setCopiesText(const std::string& text) override { m_ui.Edit1->setText(fromUtf8(text)); }

private:
    TMainForm& m_form;
    Ui::MainForm& m_ui;
};

}  // namespace

TMainForm::TMainForm(QWidget* owner, MainFormServices services)
    : QDialog(owner), m_ui(std::make_unique<Ui::MainForm>()), m_services(std::move(services)),
      m_openDialog(kOpenDialogTitle, kOpenDialogFilter,
                   m_services.chooseFiles ? m_services.chooseFiles : qtFileChooser(this)) {
    m_ui->setupUi(this);
    if (!m_services.printerNames) m_services.printerNames = systemPrinterNames;
    if (!m_services.openInShell) m_services.openInShell = desktopOpener();

    // A plain window with close and minimise buttons, of fixed size, that keeps a dialog's default and
    // focus-following buttons.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setFixedSize(size());
    centreOnScreen(*this);

    connect(m_ui->Button5, &QPushButton::clicked, this, guarded(this, &TMainForm::Button5Click));
    connect(m_ui->UpDown1, &UpDown::changing, this, guarded(this, &TMainForm::UpDown1Changing));
    connect(m_ui->Button1, &QPushButton::clicked, this, guarded(this, &TMainForm::Button1Click));
    connect(m_ui->Button2, &QPushButton::clicked, this, guarded(this, &TMainForm::Button2Click));
    connect(m_ui->Button3, &QPushButton::clicked, this, guarded(this, &TMainForm::Button3Click));
    connect(m_ui->Button4, &QPushButton::clicked, this, guarded(this, &TMainForm::Button4Click));
    connect(m_ui->Button6, &QPushButton::clicked, this, guarded(this, &TMainForm::Button6Click));
    connect(m_ui->ListBox1, &FileDropList::filesDropped, this, guarded(this, &TMainForm::ListBox1DragDrop));

    // The log is multi-line: Enter and Esc stay with it, as a memo keeps them.
    m_ui->Memo1->installEventFilter(this);
    m_ui->Button1->setFocus();

    m_ui->ListBox1->setItemDelegate(new FixedRowDelegate(kItemHeight, m_ui->ListBox1));
    m_ui->ListBox1->setUniformItemSizes(true);
    // A long path is cut in its middle, so that its file name stays in view; the item's tooltip has it whole.
    m_ui->ListBox1->setTextElideMode(Qt::ElideMiddle);
    m_ui->ComboBox1->setItemDelegate(new FixedRowDelegate(kItemHeight, m_ui->ComboBox1));
    // The printer's name goes to the run exactly as typed: completion would turn a case variant or a
    // prefix of a listed name into that printer, and a name that should fail would print elsewhere.
    m_ui->ComboBox1->setCompleter(nullptr);
    // With nothing to scroll the log's bar is shown disabled, without a thumb, as a memo's is.
    QScrollBar* logBar = m_ui->Memo1->verticalScrollBar();
    logBar->setEnabled(logBar->maximum() > logBar->minimum());
    connect(logBar, &QScrollBar::rangeChanged, logBar, [logBar](int minimum, int maximum) { logBar->setEnabled(maximum > minimum); });

    for (const std::string& entry : printerEntries(m_services.printerNames()))
        m_ui->ComboBox1->addItem(fromUtf8(entry));
    if (m_ui->ComboBox1->count() > 0)
        m_ui->ComboBox1->setCurrentIndex(m_ui->ComboBox1->count() - 1);  // the default-printer entry
    else
        m_ui->ComboBox1->setCurrentIndex(-1);
}

TMainForm::~TMainForm() = default;

void TMainForm::Button5Click() { close(); }

// The field shows the position from before the step: the up-down moves after this returns.
void TMainForm::UpDown1Changing(UpDownDirection) { m_ui->Edit1->setText(QString::number(m_ui->UpDown1->position())); }

void TMainForm::Button1Click() {
    if (!m_openDialog.Execute()) return;
    QStringList paths;
    for (const std::string& path : m_openDialog.Files()) paths.append(fromUtf8(path));
    addDocuments(paths);
}

void TMainForm::Button2Click() { m_ui->ListBox1->clear(); }

void TMainForm::Button3Click() {
    bool closeRequested = false;
    {
        RunningWindow running(*this);
        MainFormControls controls(*this, *m_ui);
        MemoLog log(*m_ui->Memo1, [&running] { running.keepPainted(); });
        std::function<void(std::chrono::milliseconds)> pause = m_services.pause;
        if (!pause) pause = [&running](std::chrono::milliseconds length) { running.pause(length); };
        try {
            startPrinting(controls, log, pause);
        } catch (...) {
            // The close waits for the exception's box.
            if (running.closeRequested()) QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
            throw;
        }
        closeRequested = running.closeRequested();
    }
    if (closeRequested) close();
}

void TMainForm::Button4Click() {
    const std::string path = helpFilePath(QCoreApplication::applicationFilePath().toStdString());
    // Handing a missing file to the desktop's opener can raise its own error window; a missing help
    // file is to pass without a word.
    if (!QFileInfo::exists(fromUtf8(path))) return;
    m_services.openInShell(path);
}

void TMainForm::Button6Click() {
    TAboutBox box(this, m_services.openInShell);
    box.exec();
}

void TMainForm::ListBox1DragDrop(const QStringList& paths) { addDocuments(paths); }

void TMainForm::addDocuments(const QStringList& paths) {
    for (const QString& path : paths) {
        auto* item = new QListWidgetItem(path, m_ui->ListBox1);
        item->setToolTip(path);
    }
}

void TMainForm::keyPressEvent(QKeyEvent* event) {
    // Esc presses Close; a dialog of its own would only hide.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        m_ui->Button5->click();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_ui->Memo1 && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape) return true;
    }
    return QDialog::eventFilter(watched, event);
}

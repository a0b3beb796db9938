#include "ui/SystemShell.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QListView>
#include <QPointer>
#include <QScreen>
#include <QTreeView>
#include <QUrl>

using namespace Qt::StringLiterals;

namespace {

// "Description (*.a *.b)": Qt's form of a filter, its patterns separated by blanks.
QString qtNameFilter(const FileFilter& filter) {
    QStringList patterns;
    for (const std::string& pattern : filter.patterns) patterns.append(QString::fromStdString(pattern));
    return QString::fromStdString(filter.description) + u" ("_s + patterns.join(u' ') + u')';
}

}  // namespace

QStringList DocumentFileDialog::chosenFiles() const {
    auto* nameField = findChild<QLineEdit*>(u"fileNameEdit"_s);
    const QString typed = nameField ? nameField->text() : QString();
    if (typed.trimmed().isEmpty()) return selectedFiles();
    // One name, or several each in double quotes, as the dialog writes a selection of several.
    QStringList names;
    if (!typed.contains(u'"')) {
        names.append(typed);
    } else {
        const QStringList parts = typed.split(u'"');
        for (qsizetype i = 1; i < parts.size(); i += 2)
            if (!parts[i].isEmpty()) names.append(parts[i]);
    }
    const QDir folder = directory();
    QStringList files;
    for (QString name : names) {
        // "~" is the home folder, as in the dialog's own reading of a typed name.
        if (name == u"~"_s || name.startsWith(u"~/"_s)) name = QDir::homePath() + name.mid(1);
        files.append(QDir::cleanPath(folder.absoluteFilePath(name)));
    }
    return files;
}

void DocumentFileDialog::accept() {
    const QStringList files = chosenFiles();
    // A folder named alone is opened, as the dialog always does.
    if (files.isEmpty() || (files.size() == 1 && QFileInfo(files.front()).isDir())) return QFileDialog::accept();
    QDialog::accept();
}

std::unique_ptr<DocumentFileDialog> newOpenFileDialog(QWidget* owner, const OpenDialogRequest& request) {
    auto dialog = std::make_unique<DocumentFileDialog>(owner, QString::fromStdString(request.title));
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setOption(QFileDialog::HideNameFilterDetails);  // the descriptions only, as they are written
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    // Any name may be typed, and several files chosen at once: the mode for existing files would
    // refuse a name that is not there, and the one for any file allows one file only in its views.
    dialog->setFileMode(QFileDialog::AnyFile);
    for (auto* view : dialog->findChildren<QAbstractItemView*>())
        if (view->objectName() == u"listView"_s || view->objectName() == u"treeView"_s)
            view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    // Wide enough that no column of the detail view is cut short, where the screen has the room.
    QSize size(760, 460);
    if (const QScreen* screen = owner ? owner->screen() : QGuiApplication::primaryScreen())
        size = size.boundedTo(screen->availableGeometry().size() * 9 / 10);
    dialog->resize(size);
    if (auto* details = dialog->findChild<QTreeView*>(u"treeView"_s)) {
        const int widths[] = {300, 80, 100, 150};
        for (int column = 0; column < 4; ++column) details->header()->resizeSection(column, widths[column]);
    }
    QStringList filters;
    for (const FileFilter& filter : request.filters) filters.append(qtNameFilter(filter));
    dialog->setNameFilters(filters);
    if (request.filterIndex < static_cast<std::size_t>(filters.size()))
        dialog->selectNameFilter(filters.at(static_cast<qsizetype>(request.filterIndex)));
    if (!request.fileName.empty()) {
        const QFileInfo last(QString::fromStdString(request.fileName));
        dialog->setDirectory(last.absolutePath());
        dialog->selectFile(last.fileName());
    }
    return dialog;
}

FileChooser qtFileChooser(QWidget* owner) {
    QPointer<QWidget> guardedOwner(owner);
    return [guardedOwner](const OpenDialogRequest& request) -> std::optional<std::vector<std::string>> {
        const std::unique_ptr<DocumentFileDialog> dialog = newOpenFileDialog(guardedOwner.data(), request);
        if (dialog->exec() != QDialog::Accepted) return std::nullopt;
        std::vector<std::string> files;
        for (const QString& file : dialog->chosenFiles()) files.push_back(file.toStdString());
        return files;
    };
}

ShellOpen desktopOpener() {
    return [](const std::string& target) {
        QDesktopServices::openUrl(QUrl::fromUserInput(QString::fromStdString(target), QString(), QUrl::AssumeLocalFile));
    };
}

#include "ui/SystemShell.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHeaderView>
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

std::unique_ptr<QFileDialog> newOpenFileDialog(QWidget* owner, const OpenDialogRequest& request) {
    auto dialog = std::make_unique<QFileDialog>(owner, QString::fromStdString(request.title));
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setOption(QFileDialog::HideNameFilterDetails);  // the descriptions only, as they are written
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setFileMode(QFileDialog::ExistingFiles);
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
        const std::unique_ptr<QFileDialog> dialog = newOpenFileDialog(guardedOwner.data(), request);
        if (dialog->exec() != QDialog::Accepted) return std::nullopt;
        std::vector<std::string> files;
        for (const QString& file : dialog->selectedFiles()) files.push_back(file.toStdString());
        return files;
    };
}

ShellOpen desktopOpener() {
    return [](const std::string& target) {
        QDesktopServices::openUrl(QUrl::fromUserInput(QString::fromStdString(target), QString(), QUrl::AssumeLocalFile));
    };
}

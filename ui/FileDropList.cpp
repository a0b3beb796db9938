#include "ui/FileDropList.h"

#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

namespace {

// Local files only; a drag that carries anything else is refused whole.
QStringList localFiles(const QMimeData* data) {
    QStringList paths;
    if (!data || !data->hasUrls()) return paths;
    for (const QUrl& url : data->urls()) {
        if (!url.isLocalFile()) return {};
        paths.append(url.toLocalFile());
    }
    return paths;
}

}  // namespace

FileDropList::FileDropList(QWidget* parent) : QListWidget(parent) {
    setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DropOnly);
}

void FileDropList::dragEnterEvent(QDragEnterEvent* event) {
    if (localFiles(event->mimeData()).isEmpty()) return event->ignore();
    event->acceptProposedAction();
}

void FileDropList::dragMoveEvent(QDragMoveEvent* event) {
    if (localFiles(event->mimeData()).isEmpty()) return event->ignore();
    event->acceptProposedAction();
}

void FileDropList::dropEvent(QDropEvent* event) {
    const QStringList paths = localFiles(event->mimeData());
    if (paths.isEmpty()) return event->ignore();
    event->acceptProposedAction();
    emit filesDropped(paths);
}

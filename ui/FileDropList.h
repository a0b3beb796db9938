// The document list: a list box that also takes files dropped from a file manager and hands them on as
// local paths, in the order the drag carried them.
#pragma once

#include <QListWidget>
#include <QStringList>

class FileDropList : public QListWidget {
    Q_OBJECT

public:
    explicit FileDropList(QWidget* parent = nullptr);

signals:
    void filesDropped(const QStringList& paths);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
};

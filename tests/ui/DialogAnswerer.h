// Answers the modal dialogs a test's action brings up, from inside their own event loop, and records
// what each showed. A test that expects no dialog checks that nothing was recorded.
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QPointer>

#include <functional>
#include <vector>

struct SeenDialog {
    QString className;
    QString title;
    QString text;  // a message box's text
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QList<QMessageBox::StandardButton> buttons;
    QWidget* owner = nullptr;
    Qt::WindowModality modality = Qt::NonModal;
    bool modal = false;
};

class DialogAnswerer : public QObject {
public:
    using Answer = std::function<void(QDialog& dialog)>;

    // Presses a message box's OK button; closes any other dialog as its title bar would.
    static void pressOkOrClose(QDialog& dialog) {
        if (auto* box = qobject_cast<QMessageBox*>(&dialog); box && box->button(QMessageBox::Ok))
            box->button(QMessageBox::Ok)->click();
        else
            dialog.close();
    }

    explicit DialogAnswerer(Answer answer = pressOkOrClose) : m_answer(std::move(answer)) {
        qApp->installEventFilter(this);
    }
    ~DialogAnswerer() override { qApp->removeEventFilter(this); }

    const std::vector<SeenDialog>& seen() const { return m_seen; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Show) return false;
        auto* dialog = qobject_cast<QDialog*>(watched);
        if (!dialog || !dialog->isWindow()) return false;
        SeenDialog seen;
        seen.className = QString::fromLatin1(dialog->metaObject()->className());
        seen.title = dialog->windowTitle();
        if (auto* box = qobject_cast<QMessageBox*>(dialog)) {
            seen.text = box->text();
            seen.icon = box->icon();
            for (QAbstractButton* button : box->buttons()) seen.buttons.append(box->standardButton(button));
        }
        seen.owner = dialog->parentWidget();
        seen.modality = dialog->windowModality();
        seen.modal = dialog->isModal();
        m_seen.push_back(seen);
        // Answered once the dialog's own loop runs.
        QPointer<QDialog> guarded(dialog);
        QMetaObject::invokeMethod(
            this, [this, guarded] { if (guarded && guarded->isVisible()) m_answer(*guarded); }, Qt::QueuedConnection);
        return false;
    }

private:
    Answer m_answer;
    std::vector<SeenDialog> m_seen;
};

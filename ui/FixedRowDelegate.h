// Draws a list's items at a fixed row height, as the layout sets a list box's item height, instead of
// at the height of the font's line with the style's margins around it.
#pragma once

#include <QStyledItemDelegate>

class FixedRowDelegate : public QStyledItemDelegate {
public:
    FixedRowDelegate(int rowHeight, QObject* parent) : QStyledItemDelegate(parent), m_rowHeight(rowHeight) {}

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        return {QStyledItemDelegate::sizeHint(option, index).width(), m_rowHeight};
    }

private:
    int m_rowHeight;
};

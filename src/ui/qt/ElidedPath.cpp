#include "qt/ElidedPath.h"

namespace quillane {

QString elidedPath(const QString& text, const QFontMetrics& metrics, int width) {
    if (metrics.horizontalAdvance(text) <= width) return text;
    const qsizetype slash = text.lastIndexOf(QLatin1Char('/'));
    const QString name = text.mid(slash + 1);
    const int folderRoom = width - metrics.horizontalAdvance(name);
    if (slash < 0 || folderRoom < metrics.horizontalAdvance(QStringLiteral("/\u2026/"))) return metrics.elidedText(text, Qt::ElideMiddle, width);
    return metrics.elidedText(text.left(slash + 1), Qt::ElideMiddle, folderRoom) + name;
}

void ElidedPathDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const {
    QStyledItemDelegate::initStyleOption(option, index);
    // The room the style leaves the text: the entry's width less its margins on both sides.
    const int room = option->rect.width() - 2 * (option->fontMetrics.horizontalAdvance(QLatin1Char(' ')) + 1);
    if (room > 0) option->text = elidedPath(option->text, option->fontMetrics, room);
}

}  // namespace quillane

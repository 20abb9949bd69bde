#pragma once

#include <QFontMetrics>
#include <QString>
#include <QStyledItemDelegate>

namespace quillane {

// `text` shortened to `width` pixels as a file manager shortens a path: the folders elided in
// their middle and the file's name kept whole (`/home/lab/sc…/slide01_array_A.tif`), since the
// names of a folder's scans differ where they end; the name too only where it alone is wider.
QString elidedPath(const QString& text, const QFontMetrics& metrics, int width);

// Draws a list's entries with elidedPath; the entry keeps its whole text.
class ElidedPathDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
};

}  // namespace quillane

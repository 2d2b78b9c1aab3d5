#pragma once

#include <QStyledItemDelegate>

// Draws cells as usual, and gives a cell whose text the column is too narrow
// to show a tool tip with the whole text; cells that show all of it get none.
// A field too long to lay out in reasonable time is drawn shortened; its tool
// tip shows all of it while that is still cheap to lay out.
class CClippedTextDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    // Tool tips show fields up to this long whole, in lines of ToolTipLineLength.
    static constexpr qsizetype ToolTipLength = 4096;
    static constexpr qsizetype ToolTipLineLength = 128;

    using QStyledItemDelegate::QStyledItemDelegate;

    // The tool tip's text (plain) for a field that does not fit.
    static QString toolTipText(const QString &field);

    // The text to show in the cell's tool tip, or an empty string when the
    // cell shows its text whole.
    QString clippedText(const QStyleOptionViewItem &option, const QModelIndex &index) const;

    bool helpEvent(QHelpEvent *event, QAbstractItemView *view, const QStyleOptionViewItem &option,
                   const QModelIndex &index) override;

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override;
};

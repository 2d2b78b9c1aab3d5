#include "CClippedTextDelegate.h"

#include "CFieldText.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QHelpEvent>
#include <QStringList>
#include <QStyle>
#include <QToolTip>

void CClippedTextDelegate::initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    option->text = CFieldText::shown(option->text);
}

QString CClippedTextDelegate::toolTipText(const QString &field)
{
    if (field.size() > ToolTipLength)
        return QStringLiteral("%1 (%2 characters)").arg(CFieldText::shown(field)).arg(field.size());
    // A field of that length seldom has spaces to wrap at.
    QStringList lines;
    for (qsizetype at = 0; at < field.size(); at += ToolTipLineLength)
        lines.append(field.mid(at, ToolTipLineLength));
    return lines.join(u'\n');
}

QString CClippedTextDelegate::clippedText(const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    if (!index.isValid())
        return QString();
    QStyleOptionViewItem item = option;
    initStyleOption(&item, index);
    if (item.text.isEmpty())
        return QString();
    const QWidget *widget = item.widget;
    const QStyle *style = widget ? widget->style() : QApplication::style();
    // The room the style leaves for the text once margins and any icon are taken.
    const QRect room = style->subElementRect(QStyle::SE_ItemViewItemText, &item, widget);
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
    const int needed = item.fontMetrics.horizontalAdvance(item.text) + 2 * margin;
    return needed > room.width() ? item.text : QString();
}

bool CClippedTextDelegate::helpEvent(QHelpEvent *event, QAbstractItemView *view, const QStyleOptionViewItem &option,
                                     const QModelIndex &index)
{
    if (event && event->type() == QEvent::ToolTip && index.data(Qt::ToolTipRole).isNull()) {
        const QString field = index.data(Qt::DisplayRole).toString();
        const QString text = field.size() > CFieldText::ShownLength ? toolTipText(field) : clippedText(option, index);
        if (text.isEmpty()) {
            QToolTip::hideText();
            event->ignore();
            return false;
        }
        // Escaped and kept on one line, so that markup in a domain name is shown, not obeyed.
        QToolTip::showText(event->globalPos(),
                           QStringLiteral("<p style='white-space:pre'>") + text.toHtmlEscaped() + QStringLiteral("</p>"),
                           view, option.rect);
        return true;
    }
    return QStyledItemDelegate::helpEvent(event, view, option, index);
}

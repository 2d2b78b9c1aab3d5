#include "CPictureSize.h"

#include <QString>

std::optional<QSize> CPictureSize::parse(QStringView text)
{
    text = text.trimmed();
    qsizetype cross = text.indexOf(u'x', 0, Qt::CaseInsensitive);
    if (cross < 0)
        cross = text.indexOf(QChar(0x00D7));
    if (cross < 0)
        return std::nullopt;
    bool widthOk = false;
    bool heightOk = false;
    const int width = text.left(cross).trimmed().toInt(&widthOk);
    const int height = text.mid(cross + 1).trimmed().toInt(&heightOk);
    if (!widthOk || !heightOk || width < Smallest || height < Smallest || width > Largest || height > Largest)
        return std::nullopt;
    return QSize(width, height);
}

QString CPictureSize::text(QSize size)
{
    return QStringLiteral("%1x%2").arg(size.width()).arg(size.height());
}

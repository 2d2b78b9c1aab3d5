#include "CChartPicture.h"

#include "CRankChart.h"
#include "CTrendFigure.h"

#include <QChart>
#include <QCoreApplication>
#include <QFontMetrics>
#include <QGraphicsLayout>
#include <QGraphicsScene>
#include <QImage>
#include <QPainter>
#include <QSaveFile>
#include <QSvgGenerator>

namespace {

constexpr int Margin = 12;
constexpr int Swatch = 12;
constexpr int Gap = 6;     // between a swatch and its name
constexpr int Spacing = 20; // between two entries

QString tr(const char *text)
{
    return QCoreApplication::translate("CChartPicture", text);
}

QFont legendFont(QSize size)
{
    // Legible on a large picture as on a small one.
    QFont font;
    font.setPixelSize(std::clamp(size.height() / 55, 11, 28));
    return font;
}

CResult<> failed(const QString &path, const QString &reason)
{
    return CResult<>::failure(tr("The chart could not be saved to %1: %2").arg(path, reason));
}

QStringList domainsOf(const QList<CRankSeries> &series)
{
    QStringList domains;
    for (const CRankSeries &one : series)
        domains.append(one.domain());
    return domains;
}

} // namespace

CChartPicture::CChartPicture(const Content &content, QSize size)
    : m_content(content)
    , m_size(size)
    , m_scene(std::make_unique<QGraphicsScene>())
{
    m_chart = new QChart; // the scene takes it over
    m_scene->addItem(m_chart);
    m_drawer = std::make_unique<CRankChart>(m_chart);
    m_drawer->setDark(content.dark);
    m_drawer->setDomains(content.listed.isEmpty() ? domainsOf(content.series) : content.listed);
    m_chart->setTitle(CTrendFigure::label(content.figure) + QStringLiteral(" - ") + content.period.label());
    m_drawer->setEmptyText(emptyText(content.figure, content.period, !content.series.isEmpty()));
    layOutLegend();
    m_drawer->setFigure(content.figure);
    m_drawer->show(content.series, content.period);
    m_chart->setGeometry(QRectF(0, 0, size.width(), size.height() - (m_rows > 0 ? m_rows * m_lineHeight + Margin : 0)));
    // Without an event loop turn the axes would keep the labels of their
    // first layout: the chart's deferred updates are handled here.
    QCoreApplication::sendPostedEvents();
    if (QGraphicsLayout *layout = m_chart->layout())
        layout->activate();
}

CChartPicture::~CChartPicture()
{
    m_drawer.reset(); // before the chart it draws into
}

QString CChartPicture::emptyText(int figure, const CTrendPeriod &period, bool anyChecked)
{
    if (!anyChecked)
        return tr("Check domains in the list to draw them.");
    return tr("Nothing to draw: the checked domains have no %1 in %2.").arg(CTrendFigure::label(figure), period.label());
}

void CChartPicture::layOutLegend()
{
    const QFontMetrics metrics(legendFont(m_size));
    m_lineHeight = std::max(metrics.height(), Swatch) + Gap;
    int x = Margin;
    int row = 0;
    for (const CRankSeries &series : std::as_const(m_content.series)) {
        const int width = Swatch + Gap + metrics.horizontalAdvance(series.domain());
        if (x > Margin && x + width > m_size.width() - Margin) {
            x = Margin;
            ++row;
        }
        m_places.append(QRect(x, row * m_lineHeight, width, m_lineHeight - Gap));
        x += width + Spacing;
    }
    m_rows = m_places.isEmpty() ? 0 : row + 1;
}

void CChartPicture::paint(QPainter &painter) const
{
    const QRectF chartArea = m_chart->geometry();
    painter.fillRect(QRect(QPoint(0, 0), m_size), m_chart->backgroundBrush());
    m_scene->render(&painter, chartArea, chartArea);
    const QFont font = legendFont(m_size);
    painter.setFont(font);
    painter.setPen(m_content.dark ? QColor(0xe0e0e0) : QColor(0x202020));
    const int top = int(chartArea.bottom());
    for (qsizetype i = 0; i < m_places.size(); ++i) {
        const QRect place = m_places.at(i).translated(0, top);
        const QString domain = m_content.series.at(i).domain();
        painter.fillRect(QRect(place.left(), place.center().y() - Swatch / 2, Swatch, Swatch),
                         m_drawer->colourOf(domain));
        painter.drawText(place.adjusted(Swatch + Gap, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, domain);
    }
}

CResult<> CChartPicture::savePng(const QString &path) const
{
    QImage image(m_size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        paint(painter);
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return failed(path, file.errorString());
    if (!image.save(&file, "PNG"))
        return failed(path, tr("the picture could not be written"));
    if (!file.commit())
        return failed(path, file.errorString());
    return CResult<>::success();
}

CResult<> CChartPicture::saveSvg(const QString &path) const
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return failed(path, file.errorString());
    {
        QSvgGenerator generator;
        generator.setOutputDevice(&file);
        generator.setSize(m_size);
        generator.setResolution(96); // the size is written in millimetres: 96 per inch is a browser's pixel
        generator.setViewBox(QRect(QPoint(0, 0), m_size));
        generator.setTitle(m_chart->title());
        QPainter painter;
        if (!painter.begin(&generator))
            return failed(path, tr("the picture could not be written"));
        paint(painter);
        painter.end();
    }
    if (!file.commit())
        return failed(path, file.errorString());
    return CResult<>::success();
}

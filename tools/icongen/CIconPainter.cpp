#include "CIconPainter.h"

#include <QFont>
#include <QImage>
#include <QLinearGradient>
#include <QPainterPathStroker>
#include <QPolygonF>
#include <QRadialGradient>
#include <QTransform>
#include <QtMath>

namespace {

// One palette for the whole set so the icons sit together in the header.
const QColor ink(0x24, 0x34, 0x4d);
const QColor paper(0xff, 0xff, 0xff);
const QColor paperShade(0xe4, 0xea, 0xf2);
const QColor blueDeep(0x16, 0x3f, 0x78);
const QColor blue(0x2f, 0x7d, 0xd1);
const QColor blueLight(0x9f, 0xd4, 0xff);
const QColor red(0xd8, 0x43, 0x3a);
const QColor redDark(0xa3, 0x2a, 0x24);
const QColor green(0x3d, 0xa3, 0x5d);
const QColor greenLight(0x8c, 0xd9, 0x7c);
const QColor orangeDark(0xc4, 0x6a, 0x12);
const QColor gold(0xf5, 0xc5, 0x42);
const QColor goldDark(0xc9, 0x8e, 0x12);
const QColor silver(0x9c, 0xa8, 0xb8);
const QColor bronze(0xd0, 0x86, 0x4c);
const QColor wood(0xb8, 0x74, 0x3c);
const QColor woodDark(0x7a, 0x45, 0x1c);

QLinearGradient verticalGradient(qreal top, qreal bottom, const QColor &upper, const QColor &lower)
{
    QLinearGradient gradient(0, top, 0, bottom);
    gradient.setColorAt(0, upper);
    gradient.setColorAt(1, lower);
    return gradient;
}

QColor withAlpha(QColor colour, int alpha)
{
    colour.setAlpha(alpha);
    return colour;
}

} // namespace

CIconPainter::CIconPainter(QImage *image)
    : CIconPainter(image, image->width())
{
}

CIconPainter::CIconPainter(QPaintDevice *device, int size)
    : m_size(size)
    , m_painter(device)
{
    m_painter.setRenderHint(QPainter::Antialiasing);
    m_painter.setRenderHint(QPainter::SmoothPixmapTransform);
    m_painter.scale(m_size / 100.0, m_size / 100.0);
}

qreal CIconPainter::px(qreal pixels) const
{
    return pixels * 100.0 / m_size;
}

void CIconPainter::drawGlobalRank()
{
    drawGlobe(QPointF(50, 48), 42);
}

void CIconPainter::drawGlobe(const QPointF &centre, qreal radius)
{
    QRadialGradient shadow(QPointF(centre.x(), centre.y() + radius + 3), radius * 0.75);
    shadow.setColorAt(0, QColor(0, 0, 0, 70));
    shadow.setColorAt(1, QColor(0, 0, 0, 0));
    m_painter.setPen(Qt::NoPen);
    m_painter.setBrush(shadow);
    m_painter.drawEllipse(QPointF(centre.x(), centre.y() + radius + 3), radius * 0.75, radius * 0.12);

    QPainterPath sphere;
    sphere.addEllipse(centre, radius, radius);
    QRadialGradient sea(centre, radius, QPointF(centre.x() - radius * 0.4, centre.y() - radius * 0.45));
    sea.setColorAt(0, blueLight);
    sea.setColorAt(0.55, blue);
    sea.setColorAt(1, blueDeep);
    m_painter.fillPath(sphere, sea);

    // Everything on the sphere is cut to it by path intersection rather than
    // by clipping: the SVG generator drops clip paths.
    // The land is laid out for a sphere of radius 42 centred at (50, 48).
    QTransform layout;
    layout.translate(centre.x(), centre.y());
    layout.scale(radius / 42.0, radius / 42.0);
    layout.translate(-50, -48);
    QPainterPath land;
    land.moveTo(22, 22);
    land.cubicTo(30, 14, 44, 14, 46, 22);
    land.cubicTo(48, 30, 40, 32, 38, 38);
    land.cubicTo(36, 46, 31, 44, 28, 50);
    land.cubicTo(25, 55, 19, 50, 17, 44);
    land.cubicTo(13, 36, 15, 28, 22, 22);
    land.moveTo(38, 55);
    land.cubicTo(47, 53, 51, 60, 48, 68);
    land.cubicTo(46, 76, 42, 84, 38, 88);
    land.cubicTo(35, 80, 36, 72, 33, 65);
    land.cubicTo(31, 59, 33, 56, 38, 55);
    land.moveTo(60, 18);
    land.cubicTo(68, 13, 82, 17, 86, 26);
    land.cubicTo(89, 33, 80, 34, 75, 37);
    land.cubicTo(82, 42, 84, 52, 79, 60);
    land.cubicTo(75, 68, 69, 73, 66, 65);
    land.cubicTo(63, 57, 60, 51, 62, 45);
    land.cubicTo(56, 42, 55, 34, 59, 30);
    land.cubicTo(57, 26, 57, 21, 60, 18);
    land = layout.map(land).intersected(sphere);
    QLinearGradient landShade(layout.map(QPointF(20, 14)), layout.map(QPointF(80, 88)));
    landShade.setColorAt(0, greenLight);
    landShade.setColorAt(1, green.darker(130));
    m_painter.setPen(QPen(withAlpha(green.darker(160), 160), px(0.8) * radius / 42.0));
    m_painter.setBrush(landShade);
    m_painter.drawPath(land);

    QPainterPath grid;
    for (const int degrees : {0, 35, 62, 90}) {
        const qreal half = radius * qCos(qDegreesToRadians(qreal(degrees)));
        if (half < 0.5) {
            grid.moveTo(centre.x(), centre.y() - radius);
            grid.lineTo(centre.x(), centre.y() + radius);
        } else {
            grid.addEllipse(centre, half, radius);
        }
    }
    // Parallels bow slightly, as on a globe tilted towards the viewer.
    for (const int degrees : {-60, -30, 0, 30, 60}) {
        const qreal y = centre.y() + radius * qSin(qDegreesToRadians(qreal(degrees)));
        const qreal half = radius * qCos(qDegreesToRadians(qreal(degrees)));
        grid.moveTo(centre.x() - half, y);
        grid.quadTo(centre.x(), y + half * 0.22, centre.x() + half, y);
    }
    QPainterPathStroker stroker;
    stroker.setWidth(qMax(px(1.0), radius * 0.035));
    m_painter.fillPath(stroker.createStroke(grid).intersected(sphere), withAlpha(paper, 150));

    QRadialGradient gloss(QPointF(centre.x() - radius * 0.35, centre.y() - radius * 0.5), radius * 0.6);
    gloss.setColorAt(0, QColor(255, 255, 255, 120));
    gloss.setColorAt(1, QColor(255, 255, 255, 0));
    m_painter.fillPath(sphere, gloss);

    m_painter.setPen(QPen(blueDeep.darker(130), qMax(px(1.0), radius * 0.045)));
    m_painter.setBrush(Qt::NoBrush);
    m_painter.drawPath(sphere);
}

void CIconPainter::drawDomains()
{
    // Three browser windows stacked back to front.
    const QColor bars[] = {blueDeep, blue.darker(115), blue};
    for (int layer = 0; layer < 3; ++layer) {
        const QRectF window(24 - layer * 9, 8 + layer * 11, 70, 62);
        QPainterPath frame;
        frame.addRoundedRect(window, 5, 5);
        m_painter.setPen(QPen(ink, px(1.5)));
        m_painter.setBrush(layer == 2 ? QBrush(paper) : QBrush(paperShade));
        m_painter.drawPath(frame);

        m_painter.save();
        m_painter.setClipPath(frame);
        const QRectF bar(window.left(), window.top(), window.width(), 12);
        m_painter.fillRect(bar, verticalGradient(bar.top(), bar.bottom(), bars[layer].lighter(125), bars[layer]));
        m_painter.restore();
        m_painter.setPen(QPen(ink, px(1.5)));
        m_painter.setBrush(Qt::NoBrush);
        m_painter.drawPath(frame);

        const QColor dots[] = {red, gold, greenLight};
        m_painter.setPen(Qt::NoPen);
        for (int dot = 0; dot < 3; ++dot) {
            m_painter.setBrush(dots[dot]);
            m_painter.drawEllipse(QPointF(window.left() + 7 + dot * 6, window.top() + 6), 2.2, 2.2);
        }
    }

    const QRectF front(6, 30, 70, 62);
    const QRectF address(front.left() + 6, front.top() + 17, front.width() - 12, 17);
    m_painter.setPen(QPen(blue, px(1.2)));
    m_painter.setBrush(QColor(0xee, 0xf5, 0xff));
    m_painter.drawRoundedRect(address, 4, 4);
    drawLabel(address.adjusted(5, 4, -5, -4), QStringLiteral("www"), blueDeep);

    m_painter.setPen(Qt::NoPen);
    m_painter.setBrush(QColor(0xb9, 0xc4, 0xd3));
    const qreal widths[] = {56, 44, 50};
    for (int line = 0; line < 3; ++line)
        m_painter.drawRoundedRect(QRectF(front.left() + 7, front.top() + 40 + line * 7, widths[line], 3.6), 1.8, 1.8);
}

void CIconPainter::drawUsRank()
{
    const QRectF flag(4, 22, 92, 56);
    QPainterPath outline;
    outline.addRoundedRect(flag, 3, 3);

    m_painter.save();
    m_painter.setClipPath(outline);
    const qreal stripe = flag.height() / 13;
    for (int row = 0; row < 13; ++row)
        m_painter.fillRect(QRectF(flag.left(), flag.top() + row * stripe, flag.width(), stripe), row % 2 ? paper : red);

    const QRectF canton(flag.left(), flag.top(), flag.width() * 0.42, stripe * 7);
    m_painter.fillRect(canton, QColor(0x2a, 0x3f, 0x8f));
    // Rows of three and two stars, thirteen in all.
    m_painter.setPen(Qt::NoPen);
    m_painter.setBrush(paper);
    for (int row = 0; row < 5; ++row) {
        const int count = row % 2 ? 2 : 3;
        for (int column = 0; column < count; ++column) {
            const qreal x = canton.left() + canton.width() * ((row % 2 ? 2 : 1) + column * 2) / 6.0;
            const qreal y = canton.top() + canton.height() * (row + 1) / 6.0;
            m_painter.drawPath(starPath(QPointF(x, y), 3.6));
        }
    }

    // Alternating light and shade suggests cloth moving in the wind.
    QLinearGradient wave(flag.left(), 0, flag.right(), 0);
    wave.setColorAt(0.0, QColor(255, 255, 255, 40));
    wave.setColorAt(0.25, QColor(0, 0, 0, 35));
    wave.setColorAt(0.5, QColor(255, 255, 255, 45));
    wave.setColorAt(0.75, QColor(0, 0, 0, 35));
    wave.setColorAt(1.0, QColor(255, 255, 255, 30));
    m_painter.fillRect(flag, wave);
    m_painter.restore();

    m_painter.setPen(QPen(withAlpha(ink, 200), px(1.0)));
    m_painter.setBrush(Qt::NoBrush);
    m_painter.drawPath(outline);
}

void CIconPainter::drawOneDay()
{
    drawCalendarPage(QRectF(8, 10, 84, 84), red, QStringLiteral("1"));
}

void CIconPainter::drawSevenDay()
{
    drawCalendarPage(QRectF(8, 10, 84, 84), red, QStringLiteral("7"));
}

void CIconPainter::drawOneMonth()
{
    drawCalendarPage(QRectF(8, 10, 84, 84), blue, QStringLiteral("1M"));
}

void CIconPainter::drawThreeMonth()
{
    // Two pages peeking out behind the front one make the three months.
    drawPageShadow(QRectF(20, 4, 76, 76));
    drawPageShadow(QRectF(13, 11, 76, 76));
    drawCalendarPage(QRectF(4, 20, 76, 76), green, QStringLiteral("3M"));
}

void CIconPainter::drawPageShadow(const QRectF &page)
{
    m_painter.setPen(QPen(ink, px(1.0)));
    m_painter.setBrush(verticalGradient(page.top(), page.bottom(), paper, paperShade));
    m_painter.drawRoundedRect(page, 6, 6);
    m_painter.setPen(Qt::NoPen);
    m_painter.setBrush(green.darker(115));
    QPainterPath header;
    header.addRoundedRect(page.adjusted(px(1.0) / 2, px(1.0) / 2, -px(1.0) / 2, 0), 6, 6);
    QPainterPath band;
    band.addRect(page.left(), page.top(), page.width(), 12);
    m_painter.drawPath(header.intersected(band));
}

void CIconPainter::drawCalendarPage(const QRectF &page, const QColor &header, const QString &label)
{
    const qreal stroke = px(1.0);
    const qreal headerHeight = page.height() * 0.28;
    QPainterPath outline;
    outline.addRoundedRect(page, 7, 7);

    m_painter.setPen(Qt::NoPen);
    m_painter.fillPath(outline, verticalGradient(page.top(), page.bottom(), paper, paperShade));
    QPainterPath band;
    band.addRect(page.left(), page.top(), page.width(), headerHeight);
    m_painter.fillPath(outline.intersected(band),
                       verticalGradient(page.top(), page.top() + headerHeight, header.lighter(120), header.darker(110)));

    m_painter.setPen(QPen(ink, stroke));
    m_painter.setBrush(Qt::NoBrush);
    m_painter.drawPath(outline);

    // Binder rings over the top edge.
    const qreal ringWidth = qMax(px(2.0), page.width() * 0.07);
    for (const qreal at : {0.28, 0.72}) {
        const QRectF ring(page.left() + page.width() * at - ringWidth / 2, page.top() - page.height() * 0.08,
                          ringWidth, page.height() * 0.18);
        m_painter.setPen(Qt::NoPen);
        m_painter.setBrush(ink);
        m_painter.drawRoundedRect(ring, ringWidth / 2, ringWidth / 2);
    }

    const qreal margin = page.width() * 0.16;
    const QRectF labelBox(page.left() + margin, page.top() + headerHeight + page.height() * 0.14,
                          page.width() - 2 * margin, page.height() * 0.44);
    drawLabel(labelBox, label, ink);
}

void CIconPainter::drawDate()
{
    const QRectF page(8, 10, 84, 84);
    drawCalendarPage(page, red, QString());

    // The month's days as a grid, today marked.
    const int columns = 7;
    const int rows = 5;
    const QRectF grid(page.left() + 7, page.top() + 30, page.width() - 14, page.height() - 37);
    const qreal cellWidth = grid.width() / columns;
    const qreal cellHeight = grid.height() / rows;
    m_painter.setPen(Qt::NoPen);
    for (int row = 0; row < rows; ++row) {
        for (int column = 0; column < columns; ++column) {
            if (row == 0 && column < 2)
                continue;
            const QRectF cell(grid.left() + column * cellWidth + 1.2, grid.top() + row * cellHeight + 1.2,
                              cellWidth - 2.4, cellHeight - 2.4);
            if (row == 2 && column == 4) {
                m_painter.setBrush(red);
                m_painter.drawEllipse(cell.center(), cellWidth * 0.62, cellHeight * 0.62);
                continue;
            }
            m_painter.setBrush(column >= 5 ? QColor(0xf2, 0xb8, 0xb3) : QColor(0xb9, 0xc4, 0xd3));
            m_painter.drawRoundedRect(cell, 1.5, 1.5);
        }
    }
}

void CIconPainter::drawTray()
{
    QPolygonF tray;
    tray << QPointF(6, 56) << QPointF(28, 56) << QPointF(34, 70) << QPointF(66, 70) << QPointF(72, 56)
         << QPointF(94, 56) << QPointF(94, 90) << QPointF(6, 90);
    QPainterPath body;
    body.addPolygon(tray);
    body.closeSubpath();
    m_painter.setPen(QPen(ink, px(1.2), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    m_painter.setBrush(verticalGradient(56, 90, QColor(0x8f, 0xa6, 0xc4), QColor(0x4f, 0x67, 0x8a)));
    m_painter.drawPath(body);
}

void CIconPainter::drawVerticalArrow(qreal tailY, qreal tipY, const QColor &light, const QColor &dark)
{
    const qreal direction = tipY > tailY ? 1 : -1;
    const qreal headLength = 26;
    const qreal neckY = tipY - direction * headLength;
    QPolygonF arrow;
    arrow << QPointF(41, tailY) << QPointF(59, tailY) << QPointF(59, neckY) << QPointF(74, neckY)
          << QPointF(50, tipY) << QPointF(26, neckY) << QPointF(41, neckY);
    m_painter.setPen(QPen(dark, px(1.2), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    QLinearGradient shade(26, 0, 74, 0);
    shade.setColorAt(0, light);
    shade.setColorAt(1, dark);
    m_painter.setBrush(shade);
    m_painter.drawPolygon(arrow);
}

void CIconPainter::drawImport()
{
    drawTray();
    drawVerticalArrow(4, 68, greenLight, green.darker(120));
}

void CIconPainter::drawExport()
{
    drawTray();
    drawVerticalArrow(66, 2, QColor(0xff, 0xc8, 0x7a), orangeDark);
}

void CIconPainter::drawExit()
{
    // Frame and the dark room beyond the doorway.
    const QRectF frame(14, 6, 52, 88);
    m_painter.setPen(Qt::NoPen);
    m_painter.setBrush(verticalGradient(frame.top(), frame.bottom(), QColor(0x6b, 0x78, 0x8c), QColor(0x3e, 0x48, 0x58)));
    m_painter.drawRoundedRect(frame, 3, 3);
    const QRectF doorway = frame.adjusted(5, 5, -5, 0);
    m_painter.setBrush(verticalGradient(doorway.top(), doorway.bottom(), QColor(0x1b, 0x22, 0x2c), QColor(0x35, 0x41, 0x52)));
    m_painter.drawRect(doorway);
    // Light falling in through the open door.
    QPolygonF light;
    light << doorway.topRight() << doorway.bottomRight() << QPointF(doorway.left() + 12, doorway.bottom())
          << QPointF(doorway.right() - 6, doorway.top() + 4);
    QLinearGradient glow(doorway.right(), doorway.top(), doorway.left() + 12, doorway.bottom());
    glow.setColorAt(0, QColor(0xff, 0xf4, 0xcf, 230));
    glow.setColorAt(1, QColor(0xff, 0xc8, 0x5a, 170));
    m_painter.setBrush(glow);
    m_painter.drawPolygon(light);

    // The door swung inwards on its left hinge.
    QPolygonF door;
    door << doorway.topLeft() << QPointF(doorway.left() + 20, doorway.top() + 9)
         << QPointF(doorway.left() + 20, doorway.bottom() - 5) << doorway.bottomLeft();
    QLinearGradient panel(doorway.left(), 0, doorway.left() + 20, 0);
    panel.setColorAt(0, woodDark);
    panel.setColorAt(1, wood);
    m_painter.setPen(QPen(woodDark.darker(130), px(1.0), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    m_painter.setBrush(panel);
    m_painter.drawPolygon(door);
    m_painter.setPen(Qt::NoPen);
    m_painter.setBrush(gold);
    m_painter.drawEllipse(QPointF(doorway.left() + 16, doorway.top() + doorway.height() * 0.52), 2.2, 3);

    m_painter.setPen(QPen(ink, px(1.2)));
    m_painter.drawLine(QPointF(4, frame.bottom()), QPointF(96, frame.bottom()));

    // Arrow leaving through the doorway.
    const qreal y = 50;
    QPolygonF arrow;
    arrow << QPointF(44, y - 7) << QPointF(72, y - 7) << QPointF(72, y - 18) << QPointF(96, y)
          << QPointF(72, y + 18) << QPointF(72, y + 7) << QPointF(44, y + 7);
    QLinearGradient shade(0, y - 18, 0, y + 18);
    shade.setColorAt(0, red.lighter(125));
    shade.setColorAt(1, redDark);
    m_painter.setPen(QPen(redDark.darker(120), px(1.2), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    m_painter.setBrush(shade);
    m_painter.drawPolygon(arrow);
}

void CIconPainter::drawRank()
{
    struct Step { QRectF block; QColor colour; QString place; };
    const Step steps[] = {
        {QRectF(5, 58, 30, 36), silver, QStringLiteral("2")},
        {QRectF(35, 42, 30, 52), gold, QStringLiteral("1")},
        {QRectF(65, 66, 30, 28), bronze, QStringLiteral("3")},
    };
    for (const Step &step : steps) {
        m_painter.setPen(QPen(ink, px(1.0), Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
        m_painter.setBrush(verticalGradient(step.block.top(), step.block.bottom(), step.colour.lighter(115), step.colour.darker(125)));
        m_painter.drawRect(step.block);
        const QRectF digit(step.block.left() + 8, step.block.top() + 5, step.block.width() - 16, 15);
        drawLabel(digit, step.place, paper);
    }
    m_painter.setPen(QPen(goldDark, px(1.0), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    m_painter.setBrush(verticalGradient(6, 38, gold.lighter(115), gold));
    m_painter.drawPath(starPath(QPointF(50, 22), 18));
}

void CIconPainter::drawReach()
{
    const QPointF centre(46, 54);
    const qreal rings[] = {44, 34, 24, 14, 6};
    m_painter.setPen(Qt::NoPen);
    for (int ring = 0; ring < 5; ++ring) {
        m_painter.setBrush(ring % 2 ? paper : red);
        m_painter.drawEllipse(centre, rings[ring], rings[ring]);
    }
    m_painter.setPen(QPen(redDark, px(1.0)));
    m_painter.setBrush(Qt::NoBrush);
    m_painter.drawEllipse(centre, rings[0], rings[0]);

    // A dart stuck in the bull's eye.
    m_painter.setPen(QPen(ink, px(2.0), Qt::SolidLine, Qt::RoundCap));
    m_painter.drawLine(centre, QPointF(84, 16));
    QPolygonF fletching;
    fletching << QPointF(80, 20) << QPointF(80, 4) << QPointF(90, 6) << QPointF(94, 10) << QPointF(96, 20);
    m_painter.setPen(Qt::NoPen);
    m_painter.setBrush(blue);
    m_painter.drawPolygon(fletching);
}

void CIconPainter::drawLabel(const QRectF &box, const QString &text, const QColor &colour)
{
    if (text.isEmpty())
        return;
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setBold(true);
    font.setPixelSize(100);
    font.setHintingPreference(QFont::PreferNoHinting);
    QPainterPath glyphs;
    glyphs.addText(0, 0, font, text);
    const QRectF bounds = glyphs.boundingRect();
    // Without any usable font the label is left out rather than failing.
    if (bounds.width() <= 0 || bounds.height() <= 0)
        return;
    const qreal scale = qMin(box.width() / bounds.width(), box.height() / bounds.height());
    QTransform fit;
    fit.translate(box.center().x(), box.center().y());
    fit.scale(scale, scale);
    fit.translate(-bounds.center().x(), -bounds.center().y());
    m_painter.fillPath(fit.map(glyphs), colour);
}

QPainterPath CIconPainter::starPath(const QPointF &centre, qreal outerRadius)
{
    const qreal innerRadius = outerRadius * 0.42;
    QPainterPath star;
    for (int point = 0; point < 10; ++point) {
        const qreal radius = point % 2 ? innerRadius : outerRadius;
        const qreal angle = qDegreesToRadians(-90.0 + point * 36.0);
        const QPointF corner(centre.x() + radius * qCos(angle), centre.y() + radius * qSin(angle));
        if (point == 0)
            star.moveTo(corner);
        else
            star.lineTo(corner);
    }
    star.closeSubpath();
    return star;
}

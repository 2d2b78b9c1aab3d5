#include "config/CUiState.h"

#include <QDataStream>
#include <QDir>
#include <QFileInfo>
#include <QSettings>

#include <memory>

namespace {

// The place as QWidget::saveGeometry() kept it before: read once, then replaced.
const QString oldGeometryKey = QStringLiteral("window/geometry");
const QString rectKey = QStringLiteral("window/rect");
const QString maximizedKey = QStringLiteral("window/maximized");
const QString widthsKey = QStringLiteral("window/columnWidths");
const QString rankKey = QStringLiteral("query/rankMode");
const QString importKey = QStringLiteral("folders/import");
const QString exportKey = QStringLiteral("folders/export");
const QString mailToKey = QStringLiteral("Alerts/mailTo");
const QString pastDaysOfferedKey = QStringLiteral("query/pastDaysOffered");

// Wider than any screen: a width beyond it is damage, not a choice.
constexpr int maxColumnWidth = 20000;

std::unique_ptr<QSettings> open(const QString &path)
{
    if (path.isEmpty())
        return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("qorvex"),
                                           QStringLiteral("Sorvane"));
    return std::make_unique<QSettings>(path, QSettings::IniFormat);
}

} // namespace

CUiState::CUiState(QString path, QString homeFolder)
    : m_path(std::move(path))
    , m_home(std::move(homeFolder))
{
}

void CUiState::load()
{
    const auto settings = open(m_path);
    windowRect.reset();
    maximized = false;
    if (const QVariant rect = settings->value(rectKey); rect.isValid()) {
        windowRect = readRect(rect.toStringList());
        maximized = windowRect && settings->value(maximizedKey).toString() == u"true";
    } else if (const QVariant old = settings->value(oldGeometryKey); old.isValid()) {
        windowRect = readOldGeometry(old.toByteArray(), &maximized);
    }

    columnWidths.clear();
    const QStringList widths = settings->value(widthsKey).toStringList();
    for (const QString &text : widths) {
        bool ok = false;
        const int width = text.toInt(&ok);
        if (!ok || width <= 0 || width > maxColumnWidth) {
            columnWidths.clear(); // one bad width spoils the set: keep the first-start widths
            break;
        }
        columnWidths.append(width);
    }

    rankMode.reset();
    const QVariant rank = settings->value(rankKey);
    if (rank.isValid()) {
        const QString text = rank.toString();
        if (text == u"true" || text == u"false")
            rankMode = text == u"true";
    }

    // "a@x.test, b@y.test" without quotes is read as a list of two: both are meant.
    const QVariant to = settings->value(mailToKey);
    mailTo = (to.typeId() == QMetaType::QStringList ? to.toStringList().join(QStringLiteral(", ")) : to.toString()).trimmed();
    pastDaysOffered = settings->value(pastDaysOfferedKey).toString() == u"true";
    m_importFolder = settings->value(importKey).toString();
    m_exportFolder = settings->value(exportKey).toString();
}

bool CUiState::save() const
{
    const auto settings = open(m_path);
    // Damage read at start is never written back: an unset place removes it.
    settings->remove(oldGeometryKey);
    if (windowRect) {
        settings->setValue(rectKey, QStringList{QString::number(windowRect->x()), QString::number(windowRect->y()),
                                                QString::number(windowRect->width()), QString::number(windowRect->height())});
        settings->setValue(maximizedKey, maximized ? QStringLiteral("true") : QStringLiteral("false"));
    } else {
        settings->remove(rectKey);
        settings->remove(maximizedKey);
    }
    if (!columnWidths.isEmpty()) {
        QStringList widths;
        for (int width : columnWidths)
            widths.append(QString::number(width));
        settings->setValue(widthsKey, widths);
    }
    if (rankMode)
        settings->setValue(rankKey, *rankMode ? QStringLiteral("true") : QStringLiteral("false"));
    if (!m_importFolder.isEmpty())
        settings->setValue(importKey, m_importFolder);
    if (!m_exportFolder.isEmpty())
        settings->setValue(exportKey, m_exportFolder);
    settings->sync();
    return settings->status() == QSettings::NoError;
}

bool CUiState::saveMailTo() const
{
    const auto settings = open(m_path);
    if (mailTo.isEmpty())
        settings->remove(mailToKey);
    else
        settings->setValue(mailToKey, mailTo);
    settings->sync();
    return settings->status() == QSettings::NoError;
}

bool CUiState::savePastDaysOffered() const
{
    const auto settings = open(m_path);
    settings->setValue(pastDaysOfferedKey, pastDaysOffered ? QStringLiteral("true") : QStringLiteral("false"));
    settings->sync();
    return settings->status() == QSettings::NoError;
}

QString CUiState::importFolder() const
{
    return folderOr(m_importFolder);
}

QString CUiState::exportFolder() const
{
    return folderOr(m_exportFolder);
}

void CUiState::rememberImportFile(const QString &file)
{
    if (!file.isEmpty())
        m_importFolder = folderOf(file);
}

void CUiState::rememberExportFile(const QString &file)
{
    if (!file.isEmpty())
        m_exportFolder = folderOf(file);
}

QString CUiState::folderOr(const QString &folder) const
{
    // Never the current directory: a relative or vanished folder falls back to home.
    if (!folder.isEmpty() && QDir::isAbsolutePath(folder) && QFileInfo(folder).isDir())
        return folder;
    return m_home;
}

QString CUiState::folderOf(const QString &file)
{
    return QFileInfo(file).absolutePath();
}

QRect CUiState::fitted(const QRect &saved, const QRect &available)
{
    if (!available.isValid())
        return saved;
    const int width = qMin(saved.width(), available.width());
    const int height = qMin(saved.height(), available.height());
    const int x = qBound(available.left(), saved.x(), available.left() + available.width() - width);
    const int y = qBound(available.top(), saved.y(), available.top() + available.height() - height);
    return QRect(x, y, width, height);
}

std::optional<QRect> CUiState::readRect(const QStringList &numbers)
{
    if (numbers.size() != 4)
        return std::nullopt;
    int values[4] = {};
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        values[i] = numbers.at(i).trimmed().toInt(&ok);
        if (!ok || qAbs(qint64(values[i])) > MaximumCoordinate)
            return std::nullopt;
    }
    if (values[2] < MinimumWindowSide || values[3] < MinimumWindowSide)
        return std::nullopt;
    return QRect(values[0], values[1], values[2], values[3]);
}

std::optional<QRect> CUiState::readOldGeometry(const QByteArray &bytes, bool *maximized)
{
    // QWidget::saveGeometry(): a magic number, a version, the frame and the
    // normal geometry, the screen, then the maximised and full-screen flags.
    constexpr quint32 magic = 0x1D9D0CB;
    QDataStream stream(bytes);
    stream.setVersion(QDataStream::Qt_4_0);
    quint32 readMagic = 0;
    quint16 major = 0;
    quint16 minor = 0;
    QRect frame;
    QRect normal;
    qint32 screen = 0;
    quint8 wasMaximized = 0;
    quint8 fullScreen = 0;
    stream >> readMagic >> major >> minor >> frame >> normal >> screen >> wasMaximized >> fullScreen;
    if (stream.status() != QDataStream::Ok || readMagic != magic || major < 1 || major > 3)
        return std::nullopt;
    const std::optional<QRect> rect = readRect({QString::number(normal.x()), QString::number(normal.y()),
                                                QString::number(normal.width()), QString::number(normal.height())});
    *maximized = rect && wasMaximized != 0;
    return rect;
}

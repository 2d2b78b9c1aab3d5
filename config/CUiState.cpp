#include "config/CUiState.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

#include <memory>

namespace {

const QString geometryKey = QStringLiteral("window/geometry");
const QString widthsKey = QStringLiteral("window/columnWidths");
const QString rankKey = QStringLiteral("query/rankMode");
const QString importKey = QStringLiteral("folders/import");
const QString exportKey = QStringLiteral("folders/export");
const QString mailToKey = QStringLiteral("Alerts/mailTo");

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

CUiState::CUiState(QString path)
    : m_path(std::move(path))
{
}

void CUiState::load()
{
    const auto settings = open(m_path);
    geometry = settings->value(geometryKey).toByteArray();

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

    mailTo = settings->value(mailToKey).toString().trimmed();
    m_importFolder = settings->value(importKey).toString();
    m_exportFolder = settings->value(exportKey).toString();
}

bool CUiState::save() const
{
    const auto settings = open(m_path);
    if (!geometry.isEmpty())
        settings->setValue(geometryKey, geometry);
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

QString CUiState::folderOr(const QString &folder)
{
    // Never the current directory: a relative or vanished folder falls back to home.
    if (!folder.isEmpty() && QDir::isAbsolutePath(folder) && QFileInfo(folder).isDir())
        return folder;
    return QDir::homePath();
}

QString CUiState::folderOf(const QString &file)
{
    return QFileInfo(file).absolutePath();
}

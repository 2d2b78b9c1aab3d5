#pragma once

#include <QByteArray>
#include <QList>
#include <QRect>
#include <QString>
#include <QStringList>

#include <optional>

// How the user left the window: its place, the table's column widths, the
// Rank mode and the folders of the last import and export. Kept in a small
// settings file of its own (the per-user configuration location, or the file
// the caller names), never in the data files. Holds plain values so that it
// can be read and written without a widget.
class CUiState
{
public:
    // The per-user configuration file when the path is empty; the dialogs
    // fall back to the home folder.
    CUiState(QString path, QString homeFolder);

    // Reads what was saved; an absent or unreadable file leaves every value
    // unset, so the window keeps its first-start state.
    void load();
    // False when the file could not be written.
    bool save() const;
    // Writes [Alerts] mailTo alone, which save() leaves as the file has it.
    bool saveMailTo() const;
    // Writes that filling past days was offered, at once and alone.
    bool savePastDaysOffered() const;

    // The folder a file dialog opens in: the one last used, or the home
    // folder when none was used or it no longer exists.
    QString importFolder() const;
    QString exportFolder() const;
    // Remembers the folder of a file the user chose.
    void rememberImportFile(const QString &file);
    void rememberExportFile(const QString &file);

    // The window's place, clamped to the available part of a screen: no
    // larger than it, and moved so that all of it is on it.
    static QRect fitted(const QRect &saved, const QRect &available);

    // The window's normal (not maximised) place; unset when never saved or
    // damaged, so the window keeps its first-start place.
    std::optional<QRect> windowRect;
    bool maximized = false;
    QList<int> columnWidths;   // empty when unset
    std::optional<bool> rankMode;
    // [Alerts] mailTo: where alerts and the digest are mailed; empty for no
    // mail. Set by hand in the file; the window never writes it.
    QString mailTo;
    // The first run with an empty history offered to fill past days; it is offered once.
    bool pastDaysOffered = false;

    // Smaller than this on either side is damage, not a choice.
    static constexpr int MinimumWindowSide = 100;
    // Further out than this, or larger, is no screen's.
    static constexpr int MaximumCoordinate = 1000000;

private:
    static std::optional<QRect> readRect(const QStringList &numbers);
    static std::optional<QRect> readOldGeometry(const QByteArray &bytes, bool *maximized);

    QString folderOr(const QString &folder) const;
    static QString folderOf(const QString &file);

    QString m_path;
    QString m_home;
    QString m_importFolder;
    QString m_exportFolder;
};

#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// How the user left the window: its geometry, the table's column widths, the
// Rank mode and the folders of the last import and export. Kept in a small
// settings file of its own (the per-user configuration location, or the file
// the caller names), never in the data files. Holds plain values so that it
// can be read and written without a widget.
class CUiState
{
public:
    // The per-user configuration file when the path is empty.
    explicit CUiState(QString path = QString());

    // Reads what was saved; an absent or unreadable file leaves every value
    // unset, so the window keeps its first-start state.
    void load();
    // False when the file could not be written.
    bool save() const;

    // The folder a file dialog opens in: the one last used, or the home
    // folder when none was used or it no longer exists.
    QString importFolder() const;
    QString exportFolder() const;
    // Remembers the folder of a file the user chose.
    void rememberImportFile(const QString &file);
    void rememberExportFile(const QString &file);

    QByteArray geometry;       // QWidget::saveGeometry; empty when unset
    QList<int> columnWidths;   // empty when unset
    std::optional<bool> rankMode;
    // [Alerts] mailTo: where alerts and the digest are mailed; empty for no
    // mail. Set by hand in the file; the window never writes it.
    QString mailTo;

private:
    static QString folderOr(const QString &folder);
    static QString folderOf(const QString &file);

    QString m_path;
    QString m_importFolder;
    QString m_exportFolder;
};

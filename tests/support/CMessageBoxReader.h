#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

// Reads every message box that opens while it lives, as the user would see
// it, and dismisses it with its escape answer (No for a question), so that a
// real box never blocks a headless run.
class CMessageBoxReader : public QObject
{
    Q_OBJECT

public:
    struct Box
    {
        QString title;
        QString text;
        Qt::TextFormat format = Qt::AutoText;
    };

    CMessageBoxReader();

    const QList<Box> &boxes() const { return m_boxes; }

private:
    void readOpenBoxes();

    QTimer m_poll;
    QList<Box> m_boxes;
};

#include "CMessageBoxReader.h"

#include <QApplication>
#include <QMessageBox>

CMessageBoxReader::CMessageBoxReader()
{
    m_poll.setInterval(10);
    connect(&m_poll, &QTimer::timeout, this, &CMessageBoxReader::readOpenBoxes);
    m_poll.start();
}

void CMessageBoxReader::readOpenBoxes()
{
    const QList<QWidget *> windows = QApplication::topLevelWidgets();
    for (QWidget *window : windows) {
        auto *box = qobject_cast<QMessageBox *>(window);
        if (!box || !box->isVisible())
            continue;
        m_boxes.append(Box{box->windowTitle(), box->text(), box->textFormat()});
        box->reject();
    }
}

#include "prompts/CUserPrompts.h"

#include "prompts/PastDaysDialog.h"

#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>

const QString CUserPrompts::DefaultTitle = QStringLiteral("Sorvane");

CUserPrompts::~CUserPrompts() = default;

void CUserPrompts::message(const QString &text, const QString &title)
{
    QMessageBox box;
    box.setWindowTitle(title);
    // Messages carry names of domains and files: never let Qt take them for markup.
    box.setTextFormat(Qt::PlainText);
    box.setText(text);
    box.exec();
}

bool CUserPrompts::askYesNo(const QString &text, const QString &title)
{
    QMessageBox box(QMessageBox::Question, title, text, QMessageBox::Yes | QMessageBox::No);
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

QString CUserPrompts::openFileName(QWidget *parent, const QString &caption, const QString &folder)
{
    return QFileDialog::getOpenFileName(parent, caption, folder);
}

QString CUserPrompts::saveFileName(QWidget *parent, const QString &caption, const QString &filter,
                                   const QString &folder)
{
    return QFileDialog::getSaveFileName(parent, caption, folder, filter);
}

QString CUserPrompts::askText(QWidget *parent, const QString &title, const QString &label)
{
    return QInputDialog::getText(parent, title, label, QLineEdit::Normal, QString(), nullptr,
                                 Qt::Dialog);
}

int CUserPrompts::askPastDays(QWidget *parent, int maximum)
{
    PastDaysDialog dialog(parent, maximum);
    return dialog.exec() == QDialog::Accepted ? dialog.days() : 0;
}

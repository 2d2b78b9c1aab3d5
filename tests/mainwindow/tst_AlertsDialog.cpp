#include "AlertsDialog.h"
#include "CFakePrompts.h"
#include "CTempHome.h"
#include "watch/CAlertMailer.h"
#include "watch/CAlertRules.h"
#include "watch/CDesktopNotifier.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

// The Alerts dialog edits alerts.dat and nothing else: the file is shown as
// it is, lines that are no rules are named while typing, and a file that
// cannot be read is never saved over.
class tst_AlertsDialog : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void editsTheFile();
    void unreadableFileIsNotSavedOver();
    void mailAddressAndTests();
};

void tst_AlertsDialog::editsTheFile()
{
    CTempHome home;
    const QString path = CAlertRules::path(home.dataDirectory());
    home.writeFile(path, "# mine\n@mine,global,moves,10%\n");
    auto prompts = std::make_shared<CFakePrompts>();
    AlertsDialog dialog(nullptr, home.dataDirectory(), prompts);
    auto *text = dialog.findChild<QPlainTextEdit *>(QStringLiteral("txtRules"));
    auto *problems = dialog.findChild<QLabel *>(QStringLiteral("lblProblems"));
    QVERIFY(text && problems);
    QCOMPARE(text->toPlainText(), QStringLiteral("# mine\n@mine,global,moves,10%\n"));
    QVERIFY(problems->text().isEmpty());

    text->setPlainText(QStringLiteral("# mine\n@mine,global,soars,10%\n*,us,leaves-top,100\n"));
    QVERIFY2(problems->text().startsWith(u"alerts.dat line 2: unknown condition \"soars\""), qPrintable(problems->text()));
    dialog.accept();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(CTempHome::readFile(path), QByteArray("# mine\n@mine,global,soars,10%\n*,us,leaves-top,100\n"));
}

void tst_AlertsDialog::unreadableFileIsNotSavedOver()
{
    CTempHome home;
    const QString path = CAlertRules::path(home.dataDirectory());
    QVERIFY(QDir().mkpath(path)); // a folder where the file should be
    AlertsDialog dialog(nullptr, home.dataDirectory(), std::make_shared<CFakePrompts>());
    auto *buttons = dialog.findChild<QDialogButtonBox *>(QStringLiteral("buttonBox"));
    QVERIFY(buttons);
    QVERIFY(!buttons->button(QDialogButtonBox::Save)->isEnabled());
    QVERIFY(dialog.findChild<QPlainTextEdit *>(QStringLiteral("txtRules"))->isReadOnly());
}

void tst_AlertsDialog::mailAddressAndTests()
{
    CTempHome home;
    QTemporaryDir mail;
    const QString program = mail.filePath(QStringLiteral("sendmail"));
    home.writeFile(program, QStringLiteral("#!/bin/sh\ncat >> '%1/messages'\n").arg(mail.path()).toUtf8());
    QVERIFY(QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    const CAlertMailer mailer(program);
    const CDesktopNotifier notifier(QDBusConnection(QStringLiteral("none"))); // no bus: no one to tell
    auto prompts = std::make_shared<CFakePrompts>();
    AlertsDialog dialog(nullptr, home.dataDirectory(), prompts, {&notifier, &mailer, QStringLiteral("old@example.test")});
    auto *address = dialog.findChild<QLineEdit *>(QStringLiteral("txtMailTo"));
    auto *result = dialog.findChild<QLabel *>(QStringLiteral("lblTest"));
    QVERIFY(address && result);
    QCOMPARE(address->text(), QStringLiteral("old@example.test"));

    // One address only: anything that would add a recipient or a header is refused.
    address->setText(QStringLiteral("me@example.test\nBcc: them@example.test"));
    dialog.findChild<QPushButton *>(QStringLiteral("btnTestMail"))->click();
    QVERIFY(!QFile::exists(mail.filePath(QStringLiteral("messages"))));
    dialog.accept();
    QCOMPARE(prompts->messages().size(), 1);
    QCOMPARE(dialog.result(), int(QDialog::Rejected));

    address->setText(QStringLiteral(" me@example.test "));
    dialog.findChild<QPushButton *>(QStringLiteral("btnTestMail"))->click();
    QVERIFY2(result->text().contains(QStringLiteral("me@example.test")), qPrintable(result->text()));
    QVERIFY(CTempHome::readFile(mail.filePath(QStringLiteral("messages"))).contains("To: me@example.test"));
    dialog.findChild<QPushButton *>(QStringLiteral("btnTestNotification"))->click();
    QVERIFY(!result->text().isEmpty());
    dialog.accept();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(dialog.mailTo(), QStringLiteral("me@example.test"));
}

QTEST_MAIN(tst_AlertsDialog)
#include "tst_AlertsDialog.moc"

#include "AlertsDialog.h"
#include "CFakePrompts.h"
#include "CTempHome.h"
#include "CDataLock.h"
#include "CDataSession.h"
#include "watch/CAlertMailer.h"
#include "watch/CDesktopNotifier.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include <sys/stat.h>

// The Alerts dialog edits alerts.dat and nothing else: the file is shown as
// it is, lines that are no rules are named while typing, and a file that
// cannot be read is never saved over.
class tst_AlertsDialog : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void editsTheFile();
    void unreadableFileIsNotSavedOver_data();
    void unreadableFileIsNotSavedOver();
    void mailAddressAndTests();
};

void tst_AlertsDialog::editsTheFile()
{
    CTempHome home;
    const QString path = home.dataDirectory() + QStringLiteral("/alerts.dat");
    home.writeFile(path, "# mine\n@mine,global,moves,10%\n");
    auto prompts = std::make_shared<CFakePrompts>();
    CDataSession session(home.dataDirectory());
    QCOMPARE(session.lock(), CDataSession::LockState::Held);
    AlertsDialog dialog(nullptr, session, prompts);
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

void tst_AlertsDialog::unreadableFileIsNotSavedOver_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("a folder in its place") << "folder";
    QTest::newRow("a named pipe in its place") << "fifo";
    QTest::newRow("a window that opened read-only") << "read-only";
}

void tst_AlertsDialog::unreadableFileIsNotSavedOver()
{
    QFETCH(QString, kind);
    CTempHome home;
    const QString path = home.dataDirectory() + QStringLiteral("/alerts.dat");
    if (kind == u"folder")
        QVERIFY(QDir().mkpath(path));
    else if (kind == u"fifo")
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    else
        home.writeFile(path, "*,global,moves,10%\n");
    CDataLock other(home.dataDirectory());
    if (kind == u"read-only")
        QVERIFY(other.acquire().held());
    CDataSession session(home.dataDirectory());
    session.lock();
    AlertsDialog dialog(nullptr, session, std::make_shared<CFakePrompts>());
    auto *buttons = dialog.findChild<QDialogButtonBox *>(QStringLiteral("buttonBox"));
    QVERIFY(buttons);
    QVERIFY(!buttons->button(QDialogButtonBox::Save)->isEnabled());
    QVERIFY(dialog.findChild<QPlainTextEdit *>(QStringLiteral("txtRules"))->isReadOnly());
    QVERIFY(!session.saveLines(CDataSession::alertRulesFileName(), {QStringLiteral("# empty")}));
    QCOMPARE(QFileInfo(path).isDir(), kind == u"folder");
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
    CDataSession session(home.dataDirectory());
    QCOMPARE(session.lock(), CDataSession::LockState::Held);
    AlertsDialog dialog(nullptr, session, prompts, {&notifier, &mailer, QStringLiteral("old@example.test")});
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

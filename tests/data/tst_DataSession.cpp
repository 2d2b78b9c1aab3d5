#include "CDataLock.h"
#include "CDataSession.h"
#include "CFileCases.h"
#include "CFileFault.h"
#include "CHeldSync.h"
#include "CTempHome.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <cerrno>
#include <chrono>
#include <optional>
#include <sys/stat.h>
#include <thread>

namespace {

QStringList textsOf(const QList<CDataSession::Note> &notes)
{
    QStringList texts;
    for (const CDataSession::Note &note : notes)
        texts.append(note.text);
    return texts;
}

bool anyContains(const QStringList &texts, const QString &part)
{
    return std::any_of(texts.cbegin(), texts.cend(), [&](const QString &text) { return text.contains(part); });
}

CAlexaRankData record(const char *domain)
{
    return CAlexaRankData::fromLine(QString(QString::fromLatin1(domain) + QStringLiteral(",1,2,3,4,5,6,06/08/2012")));
}

QByteArray lineOf(const char *domain)
{
    return QByteArray(domain) + ",1,2,3,4,5,6,06/08/2012\n";
}

// What the askers of saves made on the session's thread heard, in order.
struct Heard
{
    QObject context;
    QStringList said; // "<asker>: ok" or "<asker>: <message>"

    std::function<void(const CResult<> &)> asker(const QString &name)
    {
        return [this, name](const CResult<> &saved) { said.append(name + QStringLiteral(": ") + (saved ? QStringLiteral("ok") : saved.message())); };
    }
};

} // namespace

// The data folder as a program run holds it: the files it may read, what it
// tells about them, and what it will never save over.
class tst_DataSession : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void fileCases_data();
    void fileCases();
    void linkIsWrittenThrough();
    void overlongDomainLinesAreNamedAndNotSaved();
    void lockFilesAreNotFollowed_data();
    void lockFilesAreNotFollowed();
    void otherHolderIsNotCalledAWindow();
    void leftoversOfSavesAreRemovedWhenLocked();
    void otherFilesOfTheFolder();
    void otherFilesFollowTheFileRules_data();
    void otherFilesFollowTheFileRules();
    void folderIsPrivate();
    void domainListLargerThanMemoryIsRefused();
    void savesInARowLeaveTheNewestHistory();
    void failedBackgroundSaveIsToldAsAtOnce_data();
    void failedBackgroundSaveIsToldAsAtOnce();
    void endingWhileASaveRunsKeepsTheHistory();
};

void tst_DataSession::fileCases_data()
{
    QTest::addColumn<int>("index");
    const QList<CFileCases::Case> cases = CFileCases::all();
    for (int i = 0; i < cases.size(); ++i)
        QTest::newRow(cases.at(i).row) << i;
}

void tst_DataSession::fileCases()
{
    QFETCH(int, index);
    const CFileCases::Case which = CFileCases::all().at(index);
    CTempHome home;
    QVERIFY(CFileCases::arrange(which, home));
    const QString path = home.dataDirectory() + u'/' + which.file;
    const QByteArray before = CFileCases::stateOf(path);

    CDataSession session(home.dataDirectory());
    QCOMPARE(session.establish(), 0);
    QCOMPARE(session.lock(), CDataSession::LockState::Held);
    if (which.kind == CFileCases::Kind::NoPermission) {
        // Root reads any file: the refusal the system gives a user is made here.
        const CFileFault denied(CFileFault::Call::Open, EACCES, QFile::encodeName(which.file));
        session.load();
    } else {
        session.load(); // a FIFO must not block here
    }
    const QStringList notes = textsOf(session.takeNotes());
    if (which.reason.isEmpty())
        QCOMPARE(notes, QStringList());
    else
        QVERIFY2(anyContains(notes, which.reason) && anyContains(notes, which.file), qPrintable(notes.join(u'|')));

    const bool isHistory = which.file == CDataSession::historyFileName();
    QCOMPARE(session.savable().ok(), !which.refused);
    if (which.refused) {
        QVERIFY2(session.savable().message().contains(which.file), qPrintable(session.savable().message()));
        QCOMPARE(isHistory ? session.historySavable() : session.domainsSavable(), false);
        QCOMPARE(isHistory ? session.history().size() : session.domains().size(), 0);
    } else if (isHistory) {
        QCOMPARE(session.history().size(), 2);
    } else {
        // The lines the rules skip are named and left out; the others stay.
        QCOMPARE(session.domainNames().size(), which.kind == CFileCases::Kind::NotUtf8 ? 3 : 2);
    }
    // The other file was read as usual.
    if (isHistory)
        QCOMPARE(session.domainNames(), CFileCases::domains());
    else
        QCOMPARE(session.history().size(), 2);

    // A refused file is never saved over, whatever the run changed.
    if (which.refused) {
        session.history().append(CAlexaRankData::fromLine(u"new.test,1,2,3,4,5,6,06/08/2012"));
        const CResult<> saved = isHistory ? session.saveHistory() : session.saveDomains({QStringLiteral("new.test")});
        QVERIFY(!saved);
        QVERIFY2(saved.message().contains(QStringLiteral("not saved")), qPrintable(saved.message()));
    }
    QCOMPARE(CFileCases::stateOf(path), before);
}

void tst_DataSession::linkIsWrittenThrough()
{
    CTempHome home;
    const CFileCases::Case link{"link", CFileCases::Kind::Link, CDataSession::historyFileName(), false, QString()};
    QVERIFY(CFileCases::arrange(link, home));
    QVERIFY(QFile::setPermissions(CFileCases::linkTarget(home), QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    CDataSession session(home.dataDirectory());
    QCOMPARE(session.lock(), CDataSession::LockState::Held);
    session.load();
    session.history().append(CAlexaRankData::fromLine(u"new.test,1,2,3,4,5,6,06/08/2012"));
    QVERIFY(session.saveHistory());
    QVERIFY(QFileInfo(home.historyPath()).isSymLink());
    QCOMPARE(CTempHome::readFile(CFileCases::linkTarget(home)),
             CFileCases::history() + "new.test,1,2,3,4,5,6,06/08/2012\n");
    QCOMPARE(QFileInfo(CFileCases::linkTarget(home)).permissions(),
             QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser | QFileDevice::WriteUser);
}

void tst_DataSession::overlongDomainLinesAreNamedAndNotSaved()
{
    const QString longest(253, u'l');
    const QByteArray megabyte(1024 * 1024, 'm');
    CTempHome home;
    home.writeFile(home.domainListPath(),
                   "a.com\n" + megabyte + "\n" + longest.toLatin1() + "\n" + QByteArray(254, 'x') + "\nb.com\n");
    CDataSession session(home.dataDirectory());
    QCOMPARE(session.lock(), CDataSession::LockState::Held);
    session.load();
    QCOMPARE(session.domainNames(), (QStringList{"a.com", longest, "b.com"}));
    const QList<CDataSession::Note> notes = session.takeNotes();
    QCOMPARE(notes.size(), 1);
    QCOMPARE(notes.first().weight, CDataSession::Note::Weight::Status);
    QCOMPARE(notes.first().text, QStringLiteral("Skipped in domains.dat, longer than a domain name can be (253 characters): ")
                                     + QString(40, u'm') + QChar(0x2026) + QStringLiteral(" (1048576 characters), ")
                                     + QString(40, u'x') + QChar(0x2026) + QStringLiteral(" (254 characters)"));
    // They could never be fetched: they are not written back.
    QVERIFY(session.saveDomains(session.domains()));
    QCOMPARE(CTempHome::readFile(home.domainListPath()), "a.com\n" + longest.toLatin1() + "\nb.com\n");
}

void tst_DataSession::lockFilesAreNotFollowed_data()
{
    QTest::addColumn<QString>("lockFile");
    QTest::addColumn<int>("mode");
    QTest::newRow("sorvane.lock") << "sorvane.lock" << int(CDataSession::LockMode::Window);
    QTest::newRow("query.lock") << "query.lock" << int(CDataSession::LockMode::QueryRun);
}

void tst_DataSession::lockFilesAreNotFollowed()
{
    QFETCH(QString, lockFile);
    QFETCH(int, mode);
    CTempHome home;
    const QString victim = home.path() + QStringLiteral("/precious.txt");
    home.writeFile(victim, "keep me\n");
    QVERIFY(QFile::link(victim, home.dataDirectory() + u'/' + lockFile));
    CDataSession session(home.dataDirectory());
    QCOMPARE(session.lock(CDataSession::LockMode(mode)), CDataSession::LockState::ReadOnly);
    QVERIFY2(session.lockReason().contains(QStringLiteral("symbolic link")), qPrintable(session.lockReason()));
    QCOMPARE(CTempHome::readFile(victim), QByteArray("keep me\n"));
    QVERIFY(!session.historySavable());
}

void tst_DataSession::otherHolderIsNotCalledAWindow()
{
    CTempHome home;
    const QString lockPath = home.dataDirectory() + QStringLiteral("/sorvane.lock");
    home.writeFile(lockPath, "someone else's\n");
    CDataLock other(home.dataDirectory());
    QVERIFY(other.acquire().held());
    home.writeFile(lockPath, "someone else's\n");

    CDataSession session(home.dataDirectory());
    QCOMPARE(session.lock(CDataSession::LockMode::QueryRun), CDataSession::LockState::HeldByOther);
    QVERIFY(!session.ownsData());
    QVERIFY2(!session.lockMessage().contains(QStringLiteral("already running")), qPrintable(session.lockMessage()));
    QVERIFY2(session.lockReason().contains(QStringLiteral("another process")), qPrintable(session.lockReason()));
    // Its file is left as its holder wrote it, and its query lock let go.
    QCOMPARE(CTempHome::readFile(lockPath), QByteArray("someone else's\n"));
    CDataLock query(home.dataDirectory(), QStringLiteral("query.lock"));
    QVERIFY(query.acquire().held());
}

void tst_DataSession::leftoversOfSavesAreRemovedWhenLocked()
{
    CTempHome home;
    const QString leftover = home.dataDirectory() + QStringLiteral("/.db.dat.q9W8e7.tmp");
    const QString domainsLeftover = home.dataDirectory() + QStringLiteral("/.domains.dat.Ab12Cd.tmp");
    const QString foreign = home.dataDirectory() + QStringLiteral("/.notes.dat.q9W8e7.tmp");
    for (const QString &path : {leftover, domainsLeftover, foreign})
        home.writeFile(path, "cut short\n");

    // A second session, locked out, leaves the holder's save in progress alone.
    CDataLock holder(home.dataDirectory());
    QVERIFY(holder.acquire().held());
    CDataSession lockedOut(home.dataDirectory());
    QCOMPARE(lockedOut.lock(), CDataSession::LockState::HeldByOther);
    QVERIFY(QFileInfo::exists(leftover));
    holder.release();

    CDataSession session(home.dataDirectory());
    QCOMPARE(session.lock(), CDataSession::LockState::Held);
    QVERIFY(!QFileInfo::exists(leftover));
    QVERIFY(!QFileInfo::exists(domainsLeftover));
    QVERIFY(QFileInfo::exists(foreign));
}

void tst_DataSession::otherFilesOfTheFolder()
{
    CTempHome home;
    CDataSession session(home.dataDirectory());
    // Without the lock nothing is written.
    QVERIFY(!session.saveLines(QStringLiteral("groups.dat"), {QStringLiteral("g")}));
    QVERIFY(!QFileInfo::exists(session.filePath(QStringLiteral("groups.dat"))));
    QCOMPARE(session.lock(), CDataSession::LockState::Held);
    QVERIFY(session.saveLines(QStringLiteral("groups.dat"), {QStringLiteral("one"), QStringLiteral("two")}));
    const CResult<QByteArray> read = session.readFile(QStringLiteral("groups.dat"));
    QVERIFY(read);
    QCOMPARE(read.value(), QByteArray("one\ntwo\n"));
    QVERIFY(session.saveFile(QStringLiteral("alerts.dat"), "bytes"));
    QCOMPARE(CTempHome::readFile(session.filePath(QStringLiteral("alerts.dat"))), QByteArray("bytes"));
    QVERIFY(QDir().mkdir(session.filePath(QStringLiteral("odd.dat"))));
    QVERIFY(!session.readFile(QStringLiteral("odd.dat")));
}

void tst_DataSession::otherFilesFollowTheFileRules_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("reason"); // empty: read, saved and appended to through a link
    for (const char *file : {"groups.dat", "alerts.dat", "alerts.log"}) {
        const QString name = QString::fromLatin1(file);
        QTest::newRow(qPrintable(name + QStringLiteral(", fifo"))) << name << "fifo" << "named pipe";
        QTest::newRow(qPrintable(name + QStringLiteral(", folder"))) << name << "folder" << "is a folder";
        QTest::newRow(qPrintable(name + QStringLiteral(", dangling link"))) << name << "dangling" << "which does not exist";
        QTest::newRow(qPrintable(name + QStringLiteral(", link"))) << name << "link" << "";
    }
}

void tst_DataSession::otherFilesFollowTheFileRules()
{
    QFETCH(QString, file);
    QFETCH(QString, kind);
    QFETCH(QString, reason);
    CTempHome home;
    const QString path = home.dataDirectory() + u'/' + file;
    const QString target = home.path() + QStringLiteral("/elsewhere");
    if (kind == u"fifo")
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    else if (kind == u"folder")
        QVERIFY(QDir().mkdir(path));
    else
        QVERIFY(QFile::link(target, path));
    if (kind == u"link")
        home.writeFile(target, "old\n");
    const QByteArray before = CFileCases::stateOf(path);

    CDataSession session(home.dataDirectory());
    QCOMPARE(session.lock(), CDataSession::LockState::Held);
    const CResult<QByteArray> read = session.readFile(file); // a FIFO must not block here
    const CResult<> saved = session.saveLines(file, {QStringLiteral("new")});
    const CResult<> appended = session.appendFile(file, "more\n");
    if (reason.isEmpty()) {
        QCOMPARE(read.value(), QByteArray("old\n"));
        QVERIFY2(saved && appended, qPrintable(saved.message() + appended.message()));
        QVERIFY(QFileInfo(path).isSymLink());
        QCOMPARE(CTempHome::readFile(target), QByteArray("new\nmore\n"));
        return;
    }
    QVERIFY(!read);
    QVERIFY2(read.message().contains(reason), qPrintable(read.message()));
    // Never saved over, nor appended to, nor replaced.
    QVERIFY(!saved);
    QVERIFY(!appended);
    QCOMPARE(CFileCases::stateOf(path), before);
    QVERIFY(!QFileInfo::exists(target));
}

void tst_DataSession::folderIsPrivate()
{
    CTempHome home;
    const QString folder = home.path() + QStringLiteral("/.qorvex/Sorvane");
    CDataSession session(folder);
    QCOMPARE(session.establish(), 0);
    QCOMPARE(QFileInfo(folder).permissions() & 0x0077, QFile::Permissions());
    QCOMPARE(session.lock(), CDataSession::LockState::Held);
    QCOMPARE(QFileInfo(folder + QStringLiteral("/sorvane.lock")).permissions() & 0x0077, QFile::Permissions());
    session.unlock();

    // A folder another user could write is read, never written.
    QVERIFY(QFile::setPermissions(folder, QFile::Permissions(0x7777)));
    CDataSession open(folder);
    QCOMPARE(open.lock(), CDataSession::LockState::ReadOnly);
    QVERIFY2(open.lockReason().contains(QStringLiteral("can be written by other users")), qPrintable(open.lockReason()));
    QVERIFY(!open.saveHistory());
    QVERIFY(!open.stillSavable());
    QVERIFY(!QFileInfo::exists(folder + QStringLiteral("/db.dat")));
}

void tst_DataSession::domainListLargerThanMemoryIsRefused()
{
    CTempHome home;
    home.writeFile(home.domainListPath(), QByteArray(2000, 'a') + ".test\n");
    const QByteArray before = CTempHome::readFile(home.domainListPath());
    CDataSession session(home.dataDirectory(), 10000);
    QCOMPARE(session.lock(), CDataSession::LockState::Held);
    session.load();
    QVERIFY2(session.domainsRead().message().contains(QStringLiteral("of memory")), qPrintable(session.domainsRead().message()));
    QVERIFY(session.domains().isEmpty());
    QVERIFY(!session.saveDomains({QStringLiteral("new.test")}));
    QCOMPARE(CTempHome::readFile(home.domainListPath()), before);
}

void tst_DataSession::savesInARowLeaveTheNewestHistory()
{
    CTempHome home;
    home.writeFile(home.historyPath(), lineOf("old.test"));
    CDataSession session(home.dataDirectory());
    QCOMPARE(session.lock(), CDataSession::LockState::Held);
    session.load();
    Heard heard;
    CHeldSync hold;
    session.history().append(record("first.test"));
    session.saveHistoryInBackground(&heard.context, heard.asker(QStringLiteral("first")));
    QTRY_COMPARE(CHeldSync::reached(), 1);
    // Asked while the first runs: made as one save after it, with the newest history.
    session.history().append(record("second.test"));
    session.saveHistoryInBackground(&heard.context, heard.asker(QStringLiteral("second")));
    session.history().append(record("third.test"));
    session.saveHistoryInBackground(&heard.context, heard.asker(QStringLiteral("third")));
    QVERIFY(session.isSavingHistory());
    QCOMPARE(CTempHome::readFile(home.historyPath()), lineOf("old.test"));
    QVERIFY(heard.said.isEmpty());

    hold.release();
    QTRY_COMPARE(heard.said, (QStringList{"first: ok", "second: ok", "third: ok"}));
    QVERIFY(!session.isSavingHistory());
    QCOMPARE(CHeldSync::reached(), 2);
    QCOMPARE(CTempHome::readFile(home.historyPath()),
             lineOf("old.test") + lineOf("first.test") + lineOf("second.test") + lineOf("third.test"));

    // A save made at once lands after those under way, never under them.
    session.history().append(record("fourth.test"));
    session.saveHistoryInBackground(&heard.context, heard.asker(QStringLiteral("fourth")));
    session.history().removeFirst();
    QVERIFY(session.saveHistory());
    QCOMPARE(heard.said.last(), QStringLiteral("fourth: ok"));
    QCOMPARE(CTempHome::readFile(home.historyPath()),
             lineOf("first.test") + lineOf("second.test") + lineOf("third.test") + lineOf("fourth.test"));
}

void tst_DataSession::failedBackgroundSaveIsToldAsAtOnce_data()
{
    QTest::addColumn<int>("call"); // a failing call, or -1: a folder takes the history's place
    QTest::addColumn<int>("error");
    QTest::newRow("write fails, disk full") << int(CFileFault::Call::Write) << ENOSPC;
    QTest::newRow("sync fails") << int(CFileFault::Call::Fdatasync) << EIO;
    QTest::newRow("close fails") << int(CFileFault::Call::Close) << EIO;
    QTest::newRow("a folder in its place") << -1 << 0;
}

void tst_DataSession::failedBackgroundSaveIsToldAsAtOnce()
{
    QFETCH(int, call);
    QFETCH(int, error);
    CTempHome home;
    home.writeFile(home.historyPath(), lineOf("old.test"));
    CDataSession session(home.dataDirectory());
    QCOMPARE(session.lock(), CDataSession::LockState::Held);
    session.load();
    session.history().append(record("new.test"));
    std::optional<CFileFault> fault;
    if (call >= 0) {
        fault.emplace(CFileFault::Call(call), error);
    } else {
        QVERIFY(QFile::remove(home.historyPath()));
        QVERIFY(QDir().mkdir(home.historyPath()));
    }
    const CResult<> atOnce = session.saveHistory();
    QVERIFY(!atOnce);
    Heard heard;
    session.saveHistoryInBackground(&heard.context, heard.asker(QStringLiteral("run")));
    QTRY_COMPARE(heard.said, QStringList{QStringLiteral("run: ") + atOnce.message()});
    if (call >= 0)
        QCOMPARE(CTempHome::readFile(home.historyPath()), lineOf("old.test"));
    else
        QVERIFY(QFileInfo(home.historyPath()).isDir());
}

void tst_DataSession::endingWhileASaveRunsKeepsTheHistory()
{
    CTempHome home;
    auto session = std::make_unique<CDataSession>(home.dataDirectory());
    QCOMPARE(session->lock(), CDataSession::LockState::Held);
    session->load();
    session->history().append(record("kept.test"));
    Heard heard;
    auto gone = std::make_unique<QObject>();
    {
        CHeldSync hold;
        session->saveHistoryInBackground(gone.get(), heard.asker(QStringLiteral("gone")));
        QTRY_COMPARE(CHeldSync::reached(), 1);
        gone.reset(); // an asker that went hears nothing
        // Let go only once the session is surely ending: it must wait.
        std::thread releaser([&hold] {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            hold.release();
        });
        session.reset();
        releaser.join();
    }
    QCOMPARE(CTempHome::readFile(home.historyPath()), lineOf("kept.test"));
    QVERIFY(heard.said.isEmpty());
    // The folder's lock went only after the save: another session takes it now.
    CDataSession next(home.dataDirectory());
    QCOMPARE(next.lock(), CDataSession::LockState::Held);
    QCoreApplication::processEvents();
    QVERIFY(heard.said.isEmpty());
}

QTEST_GUILESS_MAIN(tst_DataSession)
#include "tst_DataSession.moc"

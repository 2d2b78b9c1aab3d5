#include "io/CDomainImportFilter.h"

#include <QTest>
#include <QTextStream>

using Verdict = CDomainImportFilter::Verdict;

// A file of domains and addresses as users keep them: what it adds, and
// every line it skips named. The rule for one line is CDomainName::reduce's.
class tst_DomainImportFilter : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void importLines();
    void manySkippedLinesAreCounted();
};

void tst_DomainImportFilter::importLines()
{
    QString text = QStringLiteral("http://www.example.com/some/page\n"
                                  "\n"
                                  "https://news.example.org/today?x=1\n"
                                  "listed.com\n"
                                  "EXAMPLE.COM\n"
                                  "my site.com\n"
                                  "localhost\n"
                                  "a\u0001b.com\n"
                                  "shop.example.net:8443\n");
    QTextStream stream(&text);
    const CDomainImportFilter::Outcome outcome = CDomainImportFilter::importLines(stream, {QStringLiteral("  listed.com")});
    // EXAMPLE.COM is example.com again; listed.com was listed before.
    QCOMPARE(outcome.added, (QStringList{"  example.com", "  news.example.org", "  shop.example.net"}));
    QCOMPARE(outcome.skipped, (QStringList{"line 6: \"my site.com\" holds a space", "line 7: \"localhost\" has no dot",
                                           "line 8: holds a control or format character"}));
}

void tst_DomainImportFilter::manySkippedLinesAreCounted()
{
    QString text;
    for (int i = 0; i < 12; ++i)
        text += QStringLiteral("host%1\n").arg(i);
    QTextStream stream(&text);
    const CDomainImportFilter::Outcome outcome = CDomainImportFilter::importLines(stream, {});
    QCOMPARE(outcome.added, QStringList());
    QCOMPARE(outcome.skipped.size(), 12);
    const QString message = CDomainImportFilter::skippedMessage(outcome.skipped);
    QVERIFY2(message.startsWith(QStringLiteral("Lines that name no domain were not imported (12):")), qPrintable(message));
    QVERIFY(message.contains(QStringLiteral("line 10: \"host9\" has no dot")));
    QVERIFY(!message.contains(QStringLiteral("host10")));
    QVERIFY(message.endsWith(QStringLiteral("... and 2 more")));
    QCOMPARE(CDomainImportFilter::skippedMessage({}), QString());
}

QTEST_GUILESS_MAIN(tst_DomainImportFilter)
#include "tst_DomainImportFilter.moc"

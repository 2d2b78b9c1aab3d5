#include "CSnapshotStore.h"

#include "CSnapshotParser.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>

namespace {

struct ListFile
{
    QString path;
    QString name;
    QDate date;
};

// Running sums while the lists are read; three periods of 7, 30 and 90 days.
struct Accumulator
{
    static constexpr int Periods = 3;
    static constexpr int PeriodDays[Periods] = {7, 30, CSnapshotStore::WindowDays};

    qint64 sum[Periods] = {};
    int count[Periods] = {};
    int newest = 0;
    int us = 0;
    int seenOnDay = -1; // catches a domain listed twice in one list
};

// Half rounds up; exact in integers.
int roundedMean(qint64 sum, int count)
{
    return count == 0 ? CSiteFigures::None : int((2 * sum + count) / (2 * qint64(count)));
}

char lowered(char c)
{
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

// Returns domain itself when it has no capitals, else its lowered copy
// appended to store, whose capacity must suffice.
QByteArrayView lowerCase(QByteArrayView domain, QByteArray &store)
{
    for (const char c : domain) {
        if (c >= 'A' && c <= 'Z') {
            const qsizetype at = store.size();
            for (const char d : domain)
                store.append(lowered(d));
            return QByteArrayView(store.constData() + at, domain.size());
        }
    }
    return domain;
}

void prefetch(const void *address)
{
#if defined(__GNUC__)
    __builtin_prefetch(address);
#else
    Q_UNUSED(address);
#endif
}

QByteArrayView withoutWww(QByteArrayView domain)
{
    if (domain.size() > 4 && domain.first(4).compare("www.", Qt::CaseInsensitive) == 0)
        return domain.sliced(4);
    return domain;
}

// The bytes of one list; mapped when the platform allows, read otherwise.
class ListBytes
{
public:
    explicit ListBytes(const QString &path) : m_file(path) {}

    bool open(QString &problem)
    {
        if (!m_file.open(QIODevice::ReadOnly)) {
            problem = QStringLiteral("cannot be read: ") + m_file.errorString();
            return false;
        }
        const qint64 size = m_file.size();
        if (size == 0) {
            problem = QStringLiteral("is empty");
            return false;
        }
        if (const uchar *mapped = m_file.map(0, size)) {
            m_view = QByteArrayView(reinterpret_cast<const char *>(mapped), size);
            return true;
        }
        m_copy = m_file.readAll();
        if (m_copy.isEmpty()) {
            problem = QStringLiteral("cannot be read: ") + m_file.errorString();
            return false;
        }
        m_view = m_copy;
        return true;
    }

    QByteArrayView view() const { return m_view; }

private:
    QFile m_file;
    QByteArray m_copy;
    QByteArrayView m_view;
};

} // namespace

QByteArray CSnapshotStore::normalized(QByteArrayView domain)
{
    domain = withoutWww(domain);
    QByteArray key(domain.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < domain.size(); ++i)
        key[i] = lowered(domain[i]);
    return key;
}

CSiteFigures CSnapshotStore::figures(QStringView domain) const
{
    const int id = m_ids.find(normalized(domain.toLatin1()));
    return id == CDomainIndex::NotFound ? CSiteFigures() : m_figures[size_t(id)];
}

CSnapshotStore::Report CSnapshotStore::load(const QString &folder)
{
    m_ids.clear();
    m_figures.clear();
    m_newestDay = QDate();
    m_newestUsDay = QDate();

    Report report;
    std::vector<ListFile> daily;
    std::vector<ListFile> us;

    static const QRegularExpression datePattern(QStringLiteral("(\\d{4})-(\\d{2})-(\\d{2})"));
    static const QRegularExpression usPattern(QStringLiteral("(^|[._-])us([._-]|$)"),
                                              QRegularExpression::CaseInsensitiveOption);

    const QFileInfoList entries =
        QDir(folder).entryInfoList(QDir::Files | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo &entry : entries) {
        // Broken links are kept so they are reported; pipes and devices could block the load.
        if (!entry.isFile() && !(entry.isSymLink() && !entry.exists()))
            continue;
        const QString name = entry.fileName();
        const QRegularExpressionMatch match = datePattern.match(name);
        const QDate date = match.hasMatch() ? QDate(match.captured(1).toInt(),
                                                    match.captured(2).toInt(),
                                                    match.captured(3).toInt())
                                            : QDate();
        if (!date.isValid()) {
            ++report.filesWithoutDate;
            continue;
        }
        (usPattern.match(name).hasMatch() ? us : daily)
            .push_back(ListFile{entry.filePath(), name, date});
    }
    // Newest first: the newest readable list fixes the window.
    const auto newestFirst = [](const ListFile &a, const ListFile &b) {
        return a.date != b.date ? a.date > b.date : a.name < b.name;
    };
    std::sort(daily.begin(), daily.end(), newestFirst);
    std::sort(us.begin(), us.end(), newestFirst);

    std::vector<Accumulator> acc;
    std::vector<CSnapshotParser::Row> rows;
    std::vector<QByteArrayView> keys;
    std::vector<quint32> hashes;
    std::vector<int> ids;
    QByteArray loweredNames; // names that needed lowering; reserved so that views into it stay valid

    // Numbers the domains of rows into ids. Most look-ups miss the processor
    // caches, so the loop prefetches the table slots and names of the rows
    // a little ahead of the one it resolves.
    const auto numberRows = [&](qsizetype textSize) {
        const size_t n = rows.size();
        keys.resize(n);
        hashes.resize(n);
        ids.resize(n);
        loweredNames.resize(0);
        loweredNames.reserve(textSize);
        for (size_t i = 0; i < n; ++i) {
            keys[i] = lowerCase(withoutWww(rows[i].domain), loweredNames);
            hashes[i] = CDomainIndex::hashOf(keys[i]);
        }
        constexpr size_t SlotsAhead = 16;
        constexpr size_t NamesAhead = 8;
        for (size_t i = 0; i < n; ++i) {
            if (i + SlotsAhead < n)
                m_ids.prefetchSlot(hashes[i + SlotsAhead]);
            if (i + NamesAhead < n) {
                const int guess = m_ids.prefetchName(hashes[i + NamesAhead]);
                if (guess >= 0 && size_t(guess) < acc.size())
                    prefetch(&acc[size_t(guess)]);
            }
            const int id = m_ids.insert(keys[i], hashes[i]);
            if (size_t(id) == acc.size())
                acc.emplace_back();
            ids[i] = id;
        }
    };

    // Reads one list into rows; false (with the reason reported) when it gives none.
    const auto readList = [&](const ListFile &file, ListBytes &bytes) {
        QString problem;
        if (bytes.open(problem)) {
            const CSnapshotParser::Result parsed = CSnapshotParser::parse(bytes.view(), rows);
            if (!rows.empty()) {
                report.malformedLines += parsed.malformed;
                return true;
            }
            problem = QStringLiteral("holds no ranking lines");
        }
        ++report.filesSkipped;
        report.problems << file.name + QStringLiteral(": skipped, ") + problem;
        return false;
    };

    const auto noteSkippedLines = [&](const ListFile &file, qint64 malformed, qint64 duplicates) {
        if (malformed + duplicates > 0)
            report.problems << file.name + QStringLiteral(": skipped ") + QString::number(malformed)
                    + QStringLiteral(" malformed and ") + QString::number(duplicates)
                    + QStringLiteral(" duplicate lines");
    };

    QDate lastDay;
    for (const ListFile &file : daily) {
        if (m_newestDay.isValid() && file.date.daysTo(m_newestDay) >= WindowDays) {
            ++report.filesNotNeeded;
            continue;
        }
        if (file.date == lastDay) {
            ++report.filesSkipped;
            report.problems << file.name + QStringLiteral(": skipped, another list already gives ")
                    + file.date.toString(Qt::ISODate);
            continue;
        }
        ListBytes bytes(file.path);
        const qint64 malformedBefore = report.malformedLines;
        if (!readList(file, bytes))
            continue;
        if (!m_newestDay.isValid())
            m_newestDay = file.date;
        const int age = int(file.date.daysTo(m_newestDay));
        const int day = report.days++;
        lastDay = file.date;
        ++report.filesRead;

        numberRows(bytes.view().size());
        qint64 duplicates = 0;
        for (size_t i = 0; i < rows.size(); ++i) {
            Accumulator &a = acc[size_t(ids[i])];
            if (a.seenOnDay == day) {
                ++duplicates;
                continue;
            }
            a.seenOnDay = day;
            const int rank = rows[i].rank;
            if (age == 0)
                a.newest = rank;
            for (int p = 0; p < Accumulator::Periods; ++p) {
                if (age < Accumulator::PeriodDays[p]) {
                    a.sum[p] += rank;
                    ++a.count[p];
                }
            }
        }
        report.rows += qint64(rows.size()) - duplicates;
        report.duplicateLines += duplicates;
        noteSkippedLines(file, report.malformedLines - malformedBefore, duplicates);
    }

    for (const ListFile &file : us) {
        if (m_newestUsDay.isValid()) {
            ++report.filesNotNeeded;
            continue;
        }
        ListBytes bytes(file.path);
        const qint64 malformedBefore = report.malformedLines;
        if (!readList(file, bytes))
            continue;
        m_newestUsDay = file.date;
        ++report.usLists;
        ++report.filesRead;
        numberRows(bytes.view().size());
        qint64 duplicates = 0;
        for (size_t i = 0; i < rows.size(); ++i) {
            Accumulator &a = acc[size_t(ids[i])];
            if (a.us != 0) {
                ++duplicates;
                continue;
            }
            a.us = rows[i].rank;
        }
        report.rows += qint64(rows.size()) - duplicates;
        report.duplicateLines += duplicates;
        noteSkippedLines(file, report.malformedLines - malformedBefore, duplicates);
    }

    m_figures.resize(acc.size());
    for (size_t id = 0; id < acc.size(); ++id) {
        const Accumulator &a = acc[id];
        CSiteFigures &f = m_figures[id];
        f.globalRank = a.newest;
        f.yesterday = a.newest;
        f.usRank = a.us;
        f.sevenDay = roundedMean(a.sum[0], a.count[0]);
        f.oneMonth = roundedMean(a.sum[1], a.count[1]);
        f.threeMonth = roundedMean(a.sum[2], a.count[2]);
    }
    return report;
}

QString CSnapshotStore::Report::summary() const
{
    return QStringLiteral("loaded %1 files, %2 days, %3 rows, %4 skipped lines")
               .arg(filesRead)
               .arg(days)
               .arg(rows)
               .arg(skippedLines())
        + QStringLiteral(" (%1 malformed, %2 duplicate); %3 United States list, %4 files skipped, "
                         "%5 not needed, %6 without a date in the name")
              .arg(malformedLines)
              .arg(duplicateLines)
              .arg(usLists)
              .arg(filesSkipped)
              .arg(filesNotNeeded)
              .arg(filesWithoutDate);
}

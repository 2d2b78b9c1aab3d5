#include "rankservice/store/CSnapshotStore.h"

#include "rankservice/lists/CListPlausibility.h"
#include "rankservice/lists/CListReader.h"
#include "rankservice/lists/CListSource.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <array>
#include <utility>

#include <fcntl.h>
#include <unistd.h>

#include <deque>
#include <future>
#include <system_error>

namespace {

// Half rounds up; exact in integers.
int roundedMean(qint64 sum, int count)
{
    return count == 0 ? CSiteFigures::None : int((2 * sum + count) / (2 * qint64(count)));
}

char lowered(char c)
{
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

QByteArrayView withoutWww(QByteArrayView domain)
{
    if (domain.size() > 4 && lowered(domain[0]) == 'w' && lowered(domain[1]) == 'w' && lowered(domain[2]) == 'w'
        && domain[3] == '.')
        return domain.sliced(4);
    return domain;
}

// Asks the system to start reading path into the page cache now, so that
// from a cold cache the disk works while the lists before it are parsed.
void readAheadOf(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_WILLNEED);
    ::close(fd);
}

void noteSkippedLines(CSnapshotStore::Report &report, const QString &name, qint64 malformed,
                      qint64 duplicates)
{
    if (malformed + duplicates > 0)
        report.problems << name + QStringLiteral(": skipped ") + QString::number(malformed)
                + QStringLiteral(" malformed and ") + QString::number(duplicates)
                + QStringLiteral(" duplicate lines");
}

} // namespace

QByteArray CSnapshotStore::normalized(QByteArrayView domain)
{
    domain = withoutWww(domain);
    QByteArray key(domain.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < domain.size(); ++i)
        key[i] = lowered(domain[i]);
    return key;
}

void CSnapshotStore::swap(CSnapshotStore &other) noexcept
{
    m_folder.swap(other.m_folder);
    std::swap(m_ids, other.m_ids);
    m_days.swap(other.m_days);
    std::swap(m_rows, other.m_rows);
    std::swap(m_newestDay, other.m_newestDay);
    std::swap(m_newestUsDay, other.m_newestUsDay);
    m_usRanks.swap(other.m_usRanks);
}

CSiteFigures CSnapshotStore::figures(QStringView domain) const
{
    const int id = m_ids.find(normalized(domain.toLatin1()));
    if (id == CDomainIndex::NotFound)
        return {};
    return figuresFrom(id, m_days.begin(), true);
}

CSiteFigures CSnapshotStore::figuresAsOf(QStringView domain, const QDate &day, QDate *listDay) const
{
    // Newest first: the first on or before day is the list of that day.
    auto held = std::find_if(m_days.begin(), m_days.end(), [&day](const ListFile &file) { return file.date <= day; });
    *listDay = held == m_days.end() ? QDate() : held->date;
    const int id = m_ids.find(normalized(domain.toLatin1()));
    if (held == m_days.end() || id == CDomainIndex::NotFound)
        return {};
    return figuresFrom(id, held, m_newestUsDay.isValid() && m_newestUsDay <= day);
}

CSiteFigures CSnapshotStore::figuresFrom(int id, std::vector<ListFile>::const_iterator held, bool withUs) const
{
    // The days within the longest period of held, newest first.
    std::array<const ListFile *, WindowDays> days{};
    std::array<int, WindowDays> periodsOf{};
    size_t count = 0;
    for (auto it = held; it != m_days.end() && count < days.size(); ++it) {
        const int periods = periodsAt(int(it->date.daysTo(held->date)));
        if (periods == 0)
            break; // older still: past every period
        if (!it->ranks)
            continue;
        periodsOf[count] = periods;
        days[count++] = &*it;
    }
    std::array<qsizetype, WindowDays> places{};
    for (size_t i = 0; i < count; ++i)
        days[i]->ranks->prefetch(id);
    for (size_t i = 0; i < count; ++i)
        places[i] = days[i]->ranks->placeFetched(id);
    qint64 sum[Periods] = {};
    int counted[Periods] = {};
    int newest = 0;
    for (size_t i = 0; i < count; ++i) {
        if (places[i] < 0)
            continue;
        const int rank = days[i]->ranks->rankAt(places[i]);
        if (days[i] == &*held)
            newest = rank;
        for (int p = 0; p < Periods; ++p) {
            if (periodsOf[i] & (1 << p)) {
                sum[p] += rank;
                ++counted[p];
            }
        }
    }
    CSiteFigures f;
    f.globalRank = f.yesterday = newest;
    if (withUs && m_usRanks)
        f.usRank = m_usRanks->rankOf(id);
    f.sevenDay = roundedMean(sum[0], counted[0]);
    f.oneMonth = roundedMean(sum[1], counted[1]);
    f.threeMonth = roundedMean(sum[2], counted[2]);
    return f;
}

std::vector<CSnapshotStore::ListFile> CSnapshotStore::findLists(const QString &folder, Report &report,
                                                                std::vector<ListFile> *usLists,
                                                                const QDate &today, const QDate &asOf)
{
    static const QRegularExpression datePattern(QStringLiteral("(\\d{4})-(\\d{2})-(\\d{2})"));
    static const QRegularExpression usPattern(QStringLiteral("(^|[._-])us([._-]|$)"),
                                              QRegularExpression::CaseInsensitiveOption);

    std::vector<ListFile> daily;
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
        if (date > today) {
            ++report.filesInFuture;
            report.problems << name + QStringLiteral(": skipped, dated after today (")
                    + today.toString(Qt::ISODate) + QLatin1Char(')');
            continue;
        }
        if (asOf.isValid() && date > asOf)
            continue;
        const bool us = usPattern.match(name).hasMatch();
        if (us && !usLists)
            continue;
        (us ? *usLists : daily).push_back(ListFile{entry.filePath(), name, date, 0, CListSource::listIdOf(name), {}});
    }
    // Newest first: the newest readable list fixes the window.
    const auto newestFirst = [](const ListFile &a, const ListFile &b) {
        return a.date != b.date ? a.date > b.date : a.name < b.name;
    };
    std::sort(daily.begin(), daily.end(), newestFirst);
    if (usLists)
        std::sort(usLists->begin(), usLists->end(), newestFirst);
    return daily;
}

CSnapshotStore::ParsedList CSnapshotStore::parseList(const ListFile &file)
{
    ParsedList list;
    CSnapshotParser::State state;
    CListPlausibility plausibility;
    // A row takes six bytes of text at least; five times that for a packed
    // list. Reserved once, seldom grown (a copy at the peak); pages of it no
    // row reaches are never touched.
    const qint64 fileSize = QFileInfo(file.path).size();
    list.rows.reserve(size_t(qBound<qint64>(0, fileSize / 6 * 5, CListReader::MaxTextSize / 6)) + 1);
    // The rows are taken as the text comes, so that a list that is no
    // ranking is refused before it is read whole.
    const auto parseMore = [&list, &state, &plausibility](QByteArray &textSoFar, bool complete) {
        char *const text = textSoFar.data(); // the reader's own copy: keys are lowered in it
        CSnapshotParser::parseMore(QByteArrayView(text, textSoFar.size()), complete, state,
                                   [&list, &plausibility, text](const CSnapshotParser::Row &row) {
            const QByteArrayView key = withoutWww(row.domain);
            const qsizetype offset = key.data() - text;
            for (qsizetype i = 0; i < key.size(); ++i)
                text[offset + i] = lowered(text[offset + i]);
            const quint32 hash = CDomainIndex::hashOf(key);
            list.rows.push_back(ParsedList::Row{hash, quint32(offset), row.rank, quint32(key.size())});
            plausibility.add(hash, row.rank);
        });
        return plausibility.verdict();
    };
    {
        const CResult<QByteArray> read =
            CListReader::read(file.path, [&parseMore](QByteArray &text, qint64) { return parseMore(text, false); });
        if (!read) {
            list.rows = {};
            list.problem = read.message();
            return list;
        }
        list.text = read.value(); // shared until read goes, so written below without a copy
    }
    const CResult<void> verdict = parseMore(list.text, true);
    list.malformed = state.result.malformed;
    if (!verdict)
        list.problem = verdict.message();
    else if (list.rows.empty())
        list.problem = QStringLiteral("holds no ranking lines");
    if (!list.problem.isEmpty()) {
        list.rows = {};
        list.text.clear();
    }
    return list;
}

CResult<qint64> CSnapshotStore::checkList(const QString &path)
{
    const ParsedList list = parseList(ListFile{path, QFileInfo(path).fileName(), {}, 0, {}});
    if (!list.problem.isEmpty())
        return CResult<qint64>::failure(list.problem);
    // Exactly, by hash and then by name: toward a least number of domains
    // only distinct ones count.
    std::vector<const ParsedList::Row *> rows;
    rows.reserve(list.rows.size());
    for (const ParsedList::Row &row : list.rows)
        rows.push_back(&row);
    std::sort(rows.begin(), rows.end(), [&list](const ParsedList::Row *a, const ParsedList::Row *b) {
        return a->hash != b->hash ? a->hash < b->hash : list.key(*a) < list.key(*b);
    });
    qint64 distinct = 0;
    for (size_t i = 0; i < rows.size(); ++i)
        distinct += i == 0 || list.key(*rows[i]) != list.key(*rows[i - 1]);
    return CResult<qint64>::success(distinct);
}

QDate CSnapshotStore::latestToday()
{
    return qMax(QDate::currentDate(), CListSource::today());
}

QString CSnapshotStore::listIdOn(const QDate &day) const
{
    for (const ListFile &held : m_days) {
        if (held.date == day)
            return held.listId;
    }
    return {};
}

bool CSnapshotStore::usable(const ListFile &file, const ParsedList &parsed, Report &report)
{
    if (parsed.problem.isEmpty())
        return true;
    ++report.filesSkipped;
    report.problems << file.name + QStringLiteral(": skipped, ") + parsed.problem;
    return false;
}

int CSnapshotStore::periodsAt(int age)
{
    int periods = 0;
    for (int p = 0; p < Periods; ++p) {
        if (age >= 0 && age < PeriodDays[p])
            periods |= 1 << p;
    }
    return periods;
}

void CSnapshotStore::numberRows(const ParsedList &list)
{
    // Rows whose slots are fetched before they are looked up, and those
    // whose names are: a look-up then seldom waits on memory.
    constexpr size_t Ahead = 32;
    constexpr size_t NameAhead = 16;
    const size_t rows = list.rows.size();
    m_rowIds.resize(rows);
    for (size_t i = 0; i < std::min(rows, Ahead); ++i)
        m_ids.prefetch(list.rows[i].hash);
    for (size_t i = 0; i < rows; ++i) {
        if (i + Ahead < rows)
            m_ids.prefetch(list.rows[i + Ahead].hash);
        if (i + NameAhead < rows)
            m_ids.prefetchName(list.rows[i + NameAhead].hash);
        const ParsedList::Row &row = list.rows[i];
        m_rowIds[i] = m_ids.insert(list.key(row), row.hash);
    }
}

std::shared_ptr<const CDayRanks> CSnapshotStore::ranksOf(const ParsedList &list, qint64 *duplicates)
{
    numberRows(list);
    CDayRanks::Builder ranks(m_ids.size());
    *duplicates = 0;
    for (size_t i = 0; i < list.rows.size(); ++i) {
        if (!ranks.add(m_rowIds[i], list.rows[i].rank))
            ++*duplicates;
    }
    return std::make_shared<const CDayRanks>(ranks.finish());
}

void CSnapshotStore::addDaily(ListFile &file, const ParsedList &list, Report &report)
{
    qint64 duplicates = 0;
    file.ranks = ranksOf(list, &duplicates);
    file.rows = qint64(list.rows.size()) - duplicates;
    m_rows += file.rows;
    ++report.days;
    ++report.filesRead;
    report.rows += file.rows;
    report.malformedLines += list.malformed;
    report.duplicateLines += duplicates;
    noteSkippedLines(report, file.name, list.malformed, duplicates);
}

void CSnapshotStore::addUs(const ListFile &file, const ParsedList &list, Report &report)
{
    qint64 duplicates = 0;
    m_usRanks = ranksOf(list, &duplicates);
    m_newestUsDay = file.date;
    ++report.usLists;
    ++report.filesRead;
    report.rows += qint64(list.rows.size()) - duplicates;
    report.malformedLines += list.malformed;
    report.duplicateLines += duplicates;
    noteSkippedLines(report, file.name, list.malformed, duplicates);
}

CSnapshotStore::Report CSnapshotStore::load(const QString &folder)
{
    return load(folder, LoadOptions());
}

CSnapshotStore::Report CSnapshotStore::load(const QString &folder, const LoadOptions &options)
{
    *this = CSnapshotStore();
    m_folder = folder;
    Report report;
    std::vector<ListFile> us;
    std::vector<ListFile> daily = findLists(folder, report, &us, options.today, options.asOf);
    const int total = int(daily.size() + us.size());
    int done = 0;
    const auto step = [&] {
        if (options.progress)
            options.progress(++done, total);
    };

    // Reading, unpacking and parsing a list needs nothing held, so the next
    // lists go through that on workers while this thread folds one in.
    // Two ahead: the lists are parsed on both cores, the fold being the lighter part.
    constexpr size_t Ahead = 2;
    std::deque<std::pair<size_t, std::future<ParsedList>>> ahead; // by index in daily
    size_t launched = 1; // the newest list is read here first: it fixes the window
    bool pastWindow = false; // lists are newest first: once one is too old, all after it are
    const auto launch = [&] {
        while (!pastWindow && ahead.size() < Ahead && launched < daily.size()) {
            const ListFile &next = daily[launched];
            if (m_newestDay.isValid() && next.date.daysTo(m_newestDay) >= WindowDays) {
                pastWindow = true;
                break;
            }
            if (launched + Ahead < daily.size())
                readAheadOf(daily[launched + Ahead].path);
            try {
                ahead.emplace_back(launched, std::async(std::launch::async, &CSnapshotStore::parseList, next));
            } catch (const std::system_error &) {
                // No thread to be had: the list is read when its turn comes.
                ahead.emplace_back(launched, std::async(std::launch::deferred, &CSnapshotStore::parseList, next));
            }
            ++launched;
        }
    };

    for (size_t i = 0; i < daily.size(); ++i) {
        ListFile &file = daily[i];
        std::future<ParsedList> parsing;
        if (!ahead.empty() && ahead.front().first == i) {
            parsing = std::move(ahead.front().second);
            ahead.pop_front();
        }
        step();
        if (m_newestDay.isValid() && file.date.daysTo(m_newestDay) >= WindowDays) {
            ++report.filesNotNeeded;
            continue;
        }
        if (!m_days.empty() && file.date == m_days.back().date) {
            ++report.filesSkipped;
            report.problems << file.name + QStringLiteral(": skipped, another list already gives ")
                    + file.date.toString(Qt::ISODate);
            continue;
        }
        if (!parsing.valid())
            parsing = std::async(std::launch::deferred, &CSnapshotStore::parseList, file);
        const ParsedList list = parsing.get();
        if (!m_newestDay.isValid() && list.problem.isEmpty())
            m_newestDay = file.date;
        launch();
        if (usable(file, list, report)) {
            addDaily(file, list, report);
            m_days.push_back(file);
        }
    }
    ahead.clear(); // waits for lists read ahead in vain
    for (const ListFile &file : us) {
        step();
        if (m_newestUsDay.isValid()) {
            ++report.filesNotNeeded;
            continue;
        }
        const ParsedList list = parseList(file);
        if (usable(file, list, report))
            addUs(file, list, report);
    }
    return report;
}

CSnapshotStore::Report CSnapshotStore::addNewer(const QString &folder, const QDate &today)
{
    if (!m_newestDay.isValid()) {
        LoadOptions options;
        options.today = today;
        return load(folder, options);
    }
    Report report;
    std::vector<ListFile> newer;
    for (const ListFile &file : findLists(folder, report, nullptr, today)) {
        if (file.date > m_newestDay && (newer.empty() || newer.back().date != file.date))
            newer.push_back(file);
    }
    // Oldest first, so that each step moves the window by whole days.
    for (auto it = newer.rbegin(); it != newer.rend(); ++it) {
        ListFile &file = *it;
        const ParsedList list = parseList(file);
        if (!usable(file, list, report))
            continue;
        // Days past every period as of the new one are let go; the others
        // stay as they are, their ranks counted from the new day on.
        std::vector<ListFile> kept;
        for (const ListFile &held : m_days) {
            if (periodsAt(int(held.date.daysTo(file.date))) != 0)
                kept.push_back(held);
            else
                m_rows -= held.rows;
        }
        m_days = std::move(kept);
        m_newestDay = file.date;
        addDaily(file, list, report);
        m_days.insert(m_days.begin(), file);
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
                         "%5 not needed, %6 without a date in the name, %7 dated after today")
              .arg(malformedLines)
              .arg(duplicateLines)
              .arg(usLists)
              .arg(filesSkipped)
              .arg(filesNotNeeded)
              .arg(filesWithoutDate)
              .arg(filesInFuture);
}

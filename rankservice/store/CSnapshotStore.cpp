#include "rankservice/store/CSnapshotStore.h"

#include "rankservice/lists/CListPlausibility.h"
#include "rankservice/lists/CListReader.h"
#include "rankservice/lists/CListSource.h"
#include "rankservice/store/CRankFile.h"

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
                      qint64 duplicates, bool capped, qint64 maxRows)
{
    if (capped)
        report.problems << name + QStringLiteral(": read up to its first %1 rows (--max-rows); the rest left out").arg(maxRows);
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
    m_ids.swap(other.m_ids);
    m_fold.swap(other.m_fold);
    m_spent.swap(other.m_spent);
    m_days.swap(other.m_days);
    std::swap(m_rows, other.m_rows);
    std::swap(m_newestDay, other.m_newestDay);
    std::swap(m_newestUsDay, other.m_newestUsDay);
    m_usRanks.swap(other.m_usRanks);
    std::swap(m_maxRows, other.m_maxRows);
    std::swap(m_heldDays, other.m_heldDays);
    std::swap(m_inMemoryOnly, other.m_inMemoryOnly);
}

void CSnapshotStore::takeFolded(CSnapshotStore &grown)
{
    swap(grown);
    // The store of before shares the index only until it is freed: it is
    // read no more, and freeing it here would hold up requests.
    if (grown.m_ids == m_ids)
        grown.m_ids = std::make_shared<CDomainIndex>();
    grown.m_spent = settledFold();
}

std::shared_ptr<CIndexFold> CSnapshotStore::settledFold()
{
    if (!m_fold)
        return {};
    if (m_ids.use_count() > 1)
        m_ids = std::make_shared<CDomainIndex>(*m_ids);
    // A copy of this store holds the fold too, to make it in its own index.
    if (m_fold.use_count() > 1)
        m_fold = std::make_shared<CIndexFold>(*m_fold);
    m_fold->applyTo(*m_ids);
    return std::exchange(m_fold, nullptr);
}

CDomainIndex &CSnapshotStore::ownIds()
{
    settle();
    if (m_ids.use_count() > 1)
        m_ids = std::make_shared<CDomainIndex>(*m_ids);
    return *m_ids;
}

int CSnapshotStore::idOf(QByteArrayView key) const
{
    const quint32 hash = CDomainIndex::hashOf(key);
    return m_fold ? m_fold->find(*m_ids, key, hash) : m_ids->find(key, hash);
}

int CSnapshotStore::daysOnDisk() const
{
    return int(std::count_if(m_days.begin(), m_days.end(), [](const ListFile &day) { return !day.rankFile.isEmpty(); }));
}

void CSnapshotStore::keepOnDisk(ListFile &file, Report &report)
{
    if (!file.ranks || file.ranks->onDisk() || m_inMemoryOnly)
        return;
    using Opened = CResult<std::shared_ptr<const CDayRanks>>;
    const CResult<QString> folder = CRankFile::folderFor(m_folder);
    const CResult<CRankFile::Written> written = folder ? CRankFile::write(folder.value(), file.date, *file.ranks)
                                                       : CResult<CRankFile::Written>::failure(folder.message());
    const Opened opened = written ? CRankFile::open(QDir(folder.value()).filePath(written.value().name),
                                                    written.value().length, written.value().stamp, idCount())
                                  : Opened::failure(written.message());
    if (!opened) {
        m_inMemoryOnly = true;
        report.problems << QStringLiteral("days older than %1 held in memory, not in rank files: %2")
                               .arg(WindowDays)
                               .arg(opened.message());
        return;
    }
    file.ranks = opened.value();
    file.rankFile = written.value().name;
    file.rankLength = written.value().length;
    file.rankStamp = written.value().stamp;
}

CSiteFigures CSnapshotStore::figures(QStringView domain) const
{
    const int id = idOf(normalized(domain.toLatin1()));
    if (id == CDomainIndex::NotFound)
        return {};
    return figuresFrom(id, m_days.begin(), true);
}

CSiteFigures CSnapshotStore::figuresAsOf(QStringView domain, const QDate &day, QDate *listDay) const
{
    // Newest first: the first on or before day is the list of that day.
    auto held = std::find_if(m_days.begin(), m_days.end(), [&day](const ListFile &file) { return file.date <= day; });
    *listDay = held == m_days.end() ? QDate() : held->date;
    const int id = idOf(normalized(domain.toLatin1()));
    if (held == m_days.end() || id == CDomainIndex::NotFound)
        return {};
    return figuresFrom(id, held, m_newestUsDay.isValid() && m_newestUsDay <= day);
}

QDate CSnapshotStore::newestDayOnOrBefore(const QDate &day) const
{
    const auto held = std::find_if(m_days.begin(), m_days.end(), [&day](const ListFile &file) { return file.date <= day; });
    return held == m_days.end() ? QDate() : held->date;
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

CSnapshotStore::ParsedList CSnapshotStore::parseList(const ListFile &file, qint64 maxRows)
{
    ParsedList list;
    CSnapshotParser::State state;
    CListPlausibility plausibility;
    // A row takes six bytes of text at least; five times that for a packed
    // list. Reserved once, seldom grown (a copy at the peak); pages of it no
    // row reaches are never touched.
    const qint64 fileSize = QFileInfo(file.path).size();
    list.rows.reserve(size_t(qBound<qint64>(0, fileSize / 6 * 5, maxRows)) + 1);
    // Only the keys are kept, lowered and without "www.", each after the
    // other: the text itself goes piece by piece, so a list costs what its
    // rows keep, whatever else its lines hold.
    bool capped = false;
    const auto addRow = [&list, &plausibility, &capped, maxRows](const CSnapshotParser::Row &row) {
        if (qint64(list.rows.size()) >= maxRows) {
            capped = true;
            return;
        }
        const QByteArrayView key = withoutWww(row.domain);
        const qsizetype offset = list.keys.size();
        list.keys.resize(offset + key.size());
        char *const kept = list.keys.data() + offset;
        for (qsizetype i = 0; i < key.size(); ++i)
            kept[i] = lowered(key[i]);
        const quint32 hash = CDomainIndex::hashOf(QByteArrayView(kept, key.size()));
        list.rows.push_back(ParsedList::Row{hash, quint32(offset), row.rank, quint32(key.size())});
        plausibility.add(hash, row.rank);
    };
    qint64 bytes = 0;
    const auto judged = [&](bool complete) {
        const CSnapshotParser::Result &so = state.result;
        plausibility.countLines(so.lines, so.malformed + so.blank, bytes);
        return plausibility.verdict(complete);
    };
    const CResult<void> read = CListReader::read(file.path, [&](QByteArrayView piece) {
        using Next = CListReader::Next;
        bytes += piece.size();
        if (const CResult<void> fed = CSnapshotParser::feed(piece, state, addRow); !fed)
            return CResult<Next>::failure(fed.message());
        if (capped)
            return CResult<Next>::success(Next::Enough);
        if (const CResult<void> verdict = judged(false); !verdict)
            return CResult<Next>::failure(verdict.message());
        return CResult<Next>::success(Next::More);
    });
    CResult<void> verdict = read;
    if (verdict && !capped)
        verdict = CSnapshotParser::finish(state, addRow);
    if (verdict)
        verdict = judged(!capped);
    list.malformed = state.result.malformed;
    list.capped = capped;
    if (!verdict)
        list.problem = verdict.message();
    else if (list.rows.empty())
        list.problem = QStringLiteral("holds no ranking lines");
    if (!list.problem.isEmpty()) {
        list.rows = {};
        list.keys = {};
    }
    return list;
}

CResult<CSnapshotStore::Checked> CSnapshotStore::checkList(const QString &path, qint64 maxRows)
{
    const ParsedList list = parseList(ListFile{path, QFileInfo(path).fileName(), {}, 0, {}}, maxRows);
    if (!list.problem.isEmpty())
        return CResult<Checked>::failure(list.problem);
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
    return CResult<Checked>::success(Checked{distinct, list.capped});
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
    report.wanting.insert(wantingKey(file.path));
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
    CDomainIndex &ids = ownIds();
    m_rowIds.resize(rows);
    for (size_t i = 0; i < std::min(rows, Ahead); ++i)
        ids.prefetch(list.rows[i].hash);
    for (size_t i = 0; i < rows; ++i) {
        if (i + Ahead < rows)
            ids.prefetch(list.rows[i + Ahead].hash);
        if (i + NameAhead < rows)
            ids.prefetchName(list.rows[i + NameAhead].hash);
        const ParsedList::Row &row = list.rows[i];
        m_rowIds[i] = ids.insert(list.key(row), row.hash);
    }
}

std::shared_ptr<const CDayRanks> CSnapshotStore::ranksOf(const ParsedList &list, qint64 *duplicates)
{
    numberRows(list);
    CDayRanks::Builder ranks(m_ids->size());
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
    noteSkippedLines(report, file.name, list.malformed, duplicates, list.capped, m_maxRows);
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
    noteSkippedLines(report, file.name, list.malformed, duplicates, list.capped, m_maxRows);
}

CSnapshotStore::Report CSnapshotStore::load(const QString &folder)
{
    return load(folder, LoadOptions());
}

CSnapshotStore::Report CSnapshotStore::load(const QString &folder, const LoadOptions &options)
{
    *this = CSnapshotStore();
    m_folder = folder;
    m_maxRows = options.maxRows;
    m_heldDays = heldDaysFor(options.heldDays);
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
    bool pastHeld = false; // lists are newest first: once one is too old, all after it are
    const auto launch = [&] {
        while (!pastHeld && ahead.size() < Ahead && launched < daily.size()) {
            const ListFile &next = daily[launched];
            if (m_newestDay.isValid() && !held(next.date)) {
                pastHeld = true;
                break;
            }
            if (launched + Ahead < daily.size())
                readAheadOf(daily[launched + Ahead].path);
            try {
                ahead.emplace_back(launched, std::async(std::launch::async, &CSnapshotStore::parseList, next, m_maxRows));
            } catch (const std::system_error &) {
                // No thread to be had: the list is read when its turn comes.
                ahead.emplace_back(launched, std::async(std::launch::deferred, &CSnapshotStore::parseList, next, m_maxRows));
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
        if (m_newestDay.isValid() && !held(file.date)) {
            ++report.filesNotNeeded;
            report.problems << file.name + QStringLiteral(": left alone, older than the %1 days held (--days)").arg(m_heldDays);
            continue;
        }
        if (!m_days.empty() && file.date == m_days.back().date) {
            ++report.filesSkipped;
            report.problems << file.name + QStringLiteral(": skipped, another list already gives ")
                    + file.date.toString(Qt::ISODate);
            continue;
        }
        if (!parsing.valid())
            parsing = std::async(std::launch::deferred, &CSnapshotStore::parseList, file, m_maxRows);
        const ParsedList list = parsing.get();
        if (!m_newestDay.isValid() && list.problem.isEmpty())
            m_newestDay = file.date;
        launch();
        if (usable(file, list, report)) {
            addDaily(file, list, report);
            if (pastWindow(file))
                keepOnDisk(file, report);
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
        const ParsedList list = parseList(file, m_maxRows);
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
        options.maxRows = m_maxRows;
        options.heldDays = m_heldDays;
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
        const ParsedList list = parseList(file, m_maxRows);
        if (!usable(file, list, report))
            continue;
        // Days no longer held as of the new one are let go; the others
        // stay as they are, their ranks counted from the new day on.
        m_newestDay = file.date;
        std::vector<ListFile> kept;
        for (ListFile &day : m_days) {
            if (!held(day.date)) {
                m_rows -= day.rows;
                continue;
            }
            if (pastWindow(day))
                keepOnDisk(day, report);
            kept.push_back(day);
        }
        m_days = std::move(kept);
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

QString CSnapshotStore::wantingKey(const QString &path)
{
    const QFileInfo info(path);
    return QStringLiteral("%1|%2|%3")
        .arg(info.fileName())
        .arg(info.size())
        .arg(info.lastModified().toMSecsSinceEpoch());
}

std::vector<CSnapshotStore::ListFile> CSnapshotStore::lacking(const QString &folder, const QDate &today,
                                                              const QSet<QString> &wanting,
                                                              const QDateTime &settledBefore, bool *unsettled) const
{
    Report ignored;
    std::vector<ListFile> us;
    std::vector<ListFile> candidates;
    const auto offered = [&](const ListFile &file) {
        // An empty file is a copy just begun more often than a list: it
        // waits for its bytes (a change, or the next look).
        if (wanting.contains(wantingKey(file.path)) || QFileInfo(file.path).size() == 0)
            return false;
        if (QFileInfo(file.path).lastModified() > settledBefore) {
            if (unsettled)
                *unsettled = true;
            return false;
        }
        return true;
    };
    const auto held = [this](const QDate &day) {
        return std::any_of(m_days.begin(), m_days.end(), [&day](const ListFile &file) { return file.date == day; });
    };
    for (const ListFile &file : findLists(folder, ignored, &us, today)) {
        if (!held(file.date) && (candidates.empty() || candidates.back().date != file.date) && offered(file))
            candidates.push_back(file);
    }
    // The window the days will have: up to the newest, held or new.
    QDate newest = m_newestDay;
    if (!candidates.empty() && (!newest.isValid() || candidates.front().date > newest))
        newest = candidates.front().date;
    std::vector<ListFile> lists;
    for (const ListFile &file : candidates) {
        if (file.date.daysTo(newest) < m_heldDays)
            lists.push_back(file);
    }
    if (!us.empty() && (!m_newestUsDay.isValid() || us.front().date > m_newestUsDay) && offered(us.front())) {
        lists.push_back(us.front());
        lists.back().rows = -1; // marks the United States list
    }
    return lists;
}

std::optional<CSnapshotStore> CSnapshotStore::foldedWith(const QString &folder, const QDate &today,
                                                         const QDateTime &settledBefore, Report &report,
                                                         QSet<QString> &wanting) const
{
    if (m_fold) {
        CSnapshotStore settled = *this;
        settled.settle();
        return settled.foldedWith(folder, today, settledBefore, report, wanting);
    }
    std::vector<ListFile> files = lacking(folder, today, wanting, settledBefore);
    if (int(files.size()) > MaxFoldedAtOnce) {
        report.listsWaiting = int(files.size()) - MaxFoldedAtOnce;
        files.resize(MaxFoldedAtOnce);
    }
    CDomainIndex fresh;
    const std::vector<TakenList> taken = takeLists(files, fresh, report, wanting);
    if (taken.empty())
        return std::nullopt;

    CSnapshotStore grown = grownBy(taken);
    Numbering numbers = numberingOf(grown, taken, fresh.size());
    const auto fold = std::make_shared<CIndexFold>(*m_ids, std::move(numbers.alive), std::move(fresh), numbers.freshIds,
                                                   numbers.total);
    if (fold->fitsIn(*m_ids)) {
        grown.m_ids = m_ids;
        grown.m_fold = fold;
    } else if (!grown.m_ids->setNames(namesInOrder(*fold, *m_ids))) {
        return std::nullopt; // cannot happen: every name is distinct
    }
    addTaken(grown, taken, numbers, report);
    return grown;
}

// Each list is read alone and its names looked up in this store's index,
// which the serving thread reads meanwhile and no one changes; names not
// there are numbered apart, in fresh.
std::vector<CSnapshotStore::TakenList> CSnapshotStore::takeLists(const std::vector<ListFile> &files,
                                                                 CDomainIndex &fresh, Report &report,
                                                                 QSet<QString> &wanting) const
{
    std::vector<TakenList> taken;
    for (const ListFile &file : files) {
        const ParsedList list = parseList(file, m_maxRows);
        if (!usable(file, list, report)) {
            wanting.insert(wantingKey(file.path));
            continue;
        }
        TakenList day{file, {}, list.malformed, list.capped};
        day.rows.reserve(list.rows.size());
        for (const ParsedList::Row &row : list.rows) {
            const QByteArrayView key = list.key(row);
            int id = m_ids->find(key, row.hash);
            if (id == CDomainIndex::NotFound)
                id = -1 - fresh.insert(key, row.hash);
            day.rows.emplace_back(id, row.rank);
        }
        taken.push_back(std::move(day));
    }
    return taken;
}

// The store the fold makes, before its names and new days: the newest day
// moved on and the held days still within the window, their ranks shared.
CSnapshotStore CSnapshotStore::grownBy(const std::vector<TakenList> &taken) const
{
    CSnapshotStore grown;
    grown.m_folder = m_folder;
    grown.m_maxRows = m_maxRows;
    grown.m_heldDays = m_heldDays;
    grown.m_inMemoryOnly = m_inMemoryOnly;
    grown.m_newestDay = m_newestDay;
    grown.m_newestUsDay = m_newestUsDay;
    grown.m_usRanks = m_usRanks;
    bool newUs = false;
    for (const TakenList &day : taken) {
        if (day.file.rows < 0)
            newUs = true;
        else if (!grown.m_newestDay.isValid() || day.file.date > grown.m_newestDay)
            grown.m_newestDay = day.file.date;
    }
    if (newUs)
        grown.m_usRanks.reset();
    for (const ListFile &day : m_days) {
        if (grown.held(day.date))
            grown.m_days.push_back(day);
    }
    return grown;
}

CSnapshotStore::Numbering CSnapshotStore::numberingOf(const CSnapshotStore &grown,
                                                      const std::vector<TakenList> &taken, int freshCount) const
{
    Numbering numbers;
    numbers.alive.resize((size_t(m_ids->size()) + 63) / 64);
    for (const ListFile &held : grown.m_days) {
        if (held.ranks)
            held.ranks->markPresent(numbers.alive);
    }
    if (grown.m_usRanks)
        grown.m_usRanks->markPresent(numbers.alive);
    for (const TakenList &day : taken) {
        for (const auto &[id, rank] : day.rows) {
            if (id >= 0)
                numbers.alive[size_t(id) / 64] |= quint64(1) << (id % 64);
        }
    }
    numbers.alive.resize((size_t(m_ids->size()) + 63) / 64);
    numbers.freshIds.resize(size_t(freshCount));
    size_t next = 0;
    for (int id = 0; id < m_ids->size() && next < numbers.freshIds.size(); ++id) {
        if (!numbers.isAlive(id))
            numbers.freshIds[next++] = id;
    }
    for (int id = m_ids->size(); next < numbers.freshIds.size(); ++id)
        numbers.freshIds[next++] = id;
    numbers.total = qMax(m_ids->size(), numbers.freshIds.empty() ? 0 : numbers.freshIds.back() + 1);
    return numbers;
}

// The block of names a new index is built of, where the fold's changes
// are too many to make in place.
QByteArray CSnapshotStore::namesInOrder(const CIndexFold &fold, const CDomainIndex &base)
{
    QByteArray names;
    names.reserve(base.sizeInOrder());
    fold.forEachInOrder(base, [&names](int id, QByteArrayView name) { CDomainIndex::appendInOrder(names, id, name); });
    return names;
}

void CSnapshotStore::addTaken(CSnapshotStore &grown, const std::vector<TakenList> &taken, const Numbering &numbers,
                              Report &report) const
{
    for (const TakenList &day : taken) {
        CDayRanks::Builder ranks(numbers.total);
        qint64 duplicates = 0;
        for (const auto &[id, rank] : day.rows) {
            if (!ranks.add(id >= 0 ? id : numbers.freshIds[size_t(-1 - id)], rank))
                ++duplicates;
        }
        ListFile file = day.file;
        const qint64 rows = qint64(day.rows.size()) - duplicates;
        noteSkippedLines(report, file.name, day.malformed, duplicates, day.capped, m_maxRows);
        report.rows += rows;
        report.malformedLines += day.malformed;
        report.duplicateLines += duplicates;
        ++report.filesRead;
        if (file.rows < 0) {
            grown.m_usRanks = std::make_shared<const CDayRanks>(ranks.finish());
            grown.m_newestUsDay = file.date;
            ++report.usLists;
            continue;
        }
        file.rows = rows;
        file.ranks = std::make_shared<const CDayRanks>(ranks.finish());
        if (!grown.held(file.date))
            continue; // older than the days held as of a newer day taken in with it
        grown.m_days.push_back(file);
        ++report.days;
    }
    std::sort(grown.m_days.begin(), grown.m_days.end(),
              [](const ListFile &a, const ListFile &b) { return a.date > b.date; });
    for (ListFile &day : grown.m_days) {
        grown.m_rows += day.rows;
        // Once the names are numbered: a rank file is checked against them.
        if (grown.pastWindow(day))
            grown.keepOnDisk(day, report);
    }
}

#pragma once

#include <QColor>
#include <QHash>
#include <QString>
#include <QStringList>

// Each domain's colour in every chart: one of a palette of well-separated
// colours, the one its name points at. Two names of one list that point at
// the same colour would be told apart by nothing, so while the palette has
// colours left a later name of the list takes the next free one. The
// colours depend on the list alone, never on which of its domains are drawn.
class CDomainColours
{
public:
    static constexpr int Count = 24;

    CDomainColours() = default;
    explicit CDomainColours(const QStringList &domains);

    // A name outside the list gets the colour its name points at.
    QColor of(const QString &domain) const;

    static QColor colour(int index);
    // The palette's place a name points at, the same in every run and on every machine.
    static int slotOf(const QString &domain);

private:
    QHash<QString, int> m_slots;
};

#pragma once

#include <QString>
#include <QtGlobal>

// One copy of every distinct text the history's records hold (domains,
// dates, "NA"), for the life of the program, so a record keeps a small id in
// place of a string. Ids start at 1 and are never reused; texts are never
// removed (a session adds a few dozen).
//
// Safe across threads: reading a text by its id takes no lock, because a
// text never moves or changes once it has its id.
class CTextPool
{
public:
    static constexpr quint32 MaxId = 0x7fffffff;

    // The id of text, added when new. The empty text has no id: callers
    // keep "empty" apart themselves.
    static quint32 idOf(const QString &text);
    static const QString &text(quint32 id);
    // How many distinct texts are held.
    static quint32 count();

private:
    static quint32 lookUp(const QString &text);
};

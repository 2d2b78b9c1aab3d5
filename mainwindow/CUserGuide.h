#pragma once

#include <QString>

// The texts that explain Sorvane to its user: the About box, the tool tips of
// the history table's columns and the hint shown before the first query run.
class CUserGuide
{
public:
    static QString version();
    static QString aboutTitle();
    // Rich text for the About box.
    static QString aboutText();
    // What the figure in a column of the history table means; empty for a
    // column that does not exist.
    static QString columnToolTip(int column);
    // What to do next when domains are listed but nothing has been fetched
    // yet; empty without domains.
    static QString firstStartHint(int domainCount);
};

#pragma once

#include "CFakePrompts.h"
#include "CTempHome.h"
#include "CWindowProbe.h"

#include <QStringList>

#include <memory>

class CSettings;
class MainWindow;

// A main window in a fresh home of its own, its dialogs answered by fake
// prompts, with a probe to read its widgets back. Tests derive their own
// fixtures from it and add what they do to the window.
class CWindowFixture
{
public:
    CWindowFixture();
    ~CWindowFixture();
    CWindowFixture(const CWindowFixture &) = delete;
    CWindowFixture &operator=(const CWindowFixture &) = delete;

    // The data files, one line per entry.
    void writeHistory(const QStringList &lines) const;
    void writeDomains(const QStringList &domains) const;

    // On the home's own settings, or on these.
    void openWindow();
    void openWindow(const CSettings &settings);
    // Shows the window and waits until it is exposed, or active.
    bool showExposed() const;
    bool showActive() const;

    CTempHome home;
    std::shared_ptr<CFakePrompts> prompts = std::make_shared<CFakePrompts>();
    std::unique_ptr<MainWindow> window;
    std::unique_ptr<CWindowProbe> probe;
};

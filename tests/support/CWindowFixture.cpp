#include "CWindowFixture.h"

#include "MainWindow.h"
#include "config/CSettings.h"

#include <QTest>

CWindowFixture::CWindowFixture() = default;

CWindowFixture::~CWindowFixture() = default;

void CWindowFixture::writeHistory(const QStringList &lines) const
{
    home.writeFile(home.historyPath(), CWindowProbe::fileOf(lines));
}

void CWindowFixture::writeDomains(const QStringList &domains) const
{
    home.writeFile(home.domainListPath(), CWindowProbe::fileOf(domains));
}

void CWindowFixture::openWindow()
{
    openWindow(home.settings());
}

void CWindowFixture::openWindow(const CSettings &settings)
{
    window = std::make_unique<MainWindow>(nullptr, settings, prompts);
    probe = std::make_unique<CWindowProbe>(window.get());
}

bool CWindowFixture::showExposed() const
{
    window->show();
    return QTest::qWaitForWindowExposed(window.get());
}

bool CWindowFixture::showActive() const
{
    window->show();
    window->activateWindow();
    return QTest::qWaitForWindowActive(window.get());
}

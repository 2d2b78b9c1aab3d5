#include "ManageDomains.h"
#include "ui_ManageDomains.h"

#include "CDomainName.h"
#include "CFieldText.h"
#include "prompts/CCloseKeys.h"
#include "prompts/CUserPrompts.h"
#include "watch/CDomainGroups.h"

ManageDomains::ManageDomains(QWidget *parent, std::shared_ptr<CUserPrompts> prompts)
    : QMainWindow(parent)
    , ui(std::make_unique<Ui::ManageDomains>())
    , m_groups(std::make_unique<CDomainGroups>())
    , m_prompts(prompts ? std::move(prompts) : std::make_shared<CUserPrompts>())
{
    ui->setupUi(this);
    CCloseKeys::install(this); // as the frame's close: the list is not sent
    connect(ui->listDomains, &QListWidget::currentRowChanged, this, &ManageDomains::showGroupsOfCurrent);
    connect(ui->txtGroups, &QLineEdit::editingFinished, this, &ManageDomains::takeGroups);
    showGroupsOfCurrent();
}

ManageDomains::~ManageDomains() = default;

void ManageDomains::addDomain(const QString &entry)
{
    ui->listDomains->insertItem(ui->listDomains->count(), entry);
}

void ManageDomains::clearDomains()
{
    ui->listDomains->clear();
}

QStringList ManageDomains::domains() const
{
    QStringList entries;
    entries.reserve(ui->listDomains->count());
    for (int row = 0; row < ui->listDomains->count(); ++row)
        entries.append(ui->listDomains->item(row)->text());
    return entries;
}

void ManageDomains::setGroups(const CDomainGroups &groups, bool editable)
{
    *m_groups = groups;
    m_groupsEdited = false;
    m_groupsEditable = editable;
    showGroupsOfCurrent();
    showAllGroups();
}

const CDomainGroups &ManageDomains::groups() const
{
    return *m_groups;
}

void ManageDomains::showGroupsOfCurrent()
{
    const QListWidgetItem *item = ui->listDomains->currentItem();
    ui->txtGroups->setEnabled(item && m_groupsEditable);
    ui->txtGroups->setText(item ? m_groups->groupsOf(CDomainName::nameOf(item->text())).join(QStringLiteral(", "))
                                : QString());
}

void ManageDomains::takeGroups()
{
    const QListWidgetItem *item = ui->listDomains->currentItem();
    if (!item || !ui->txtGroups->isEnabled())
        return;
    QStringList names;
    QStringList refused;
    for (const QString &text : ui->txtGroups->text().split(u',', Qt::SkipEmptyParts)) {
        const QString name = text.trimmed();
        if (CDomainGroups::isGroupName(name))
            names.append(name);
        else if (!name.isEmpty())
            refused.append(name);
    }
    const QString domain = CDomainName::nameOf(item->text());
    if (names != m_groups->groupsOf(domain)) {
        m_groups->setGroupsOf(domain, names);
        m_groupsEdited = true;
    }
    showGroupsOfCurrent();
    showAllGroups();
    if (!refused.isEmpty())
        m_prompts->message(tr("A group name has 1 to %1 characters and no control character; these were left out:\n%2")
                               .arg(CDomainGroups::MaxNameLength)
                               .arg(refused.join(u'\n')));
}

void ManageDomains::showAllGroups()
{
    // Every group with all its domains, those no longer listed included.
    QStringList lines;
    for (const QString &group : m_groups->groups())
        lines.append(group + QStringLiteral(": ") + m_groups->domainsOf(group).join(QStringLiteral(", ")));
    ui->lblAllGroups->setText(lines.join(u'\n'));
}

void ManageDomains::on_btnAdd_clicked()
{
    const QString text = m_prompts->askText(this, tr("Add Domain"), tr("Please provide a domain"));
    if (text.isEmpty())
        return;
    // Names are taken as users paste them, by the same rule as an imported file.
    const CDomainName::Reduced reduced = CDomainName::reduce(text);
    if (reduced.problem == CDomainName::Problem::Unprintable) {
        // Not echoed: such characters would garble the message as well.
        m_prompts->message(tr("The domain was not added: a domain name cannot contain control "
                              "or format characters."));
        return;
    }
    if (reduced.problem != CDomainName::Problem::None) {
        m_prompts->message(tr("\"%1\" was not added: it %2.")
                               .arg(CFieldText::shown(text.trimmed(), 80), CDomainName::reason(reduced.problem)));
        return;
    }
    addDomain(CDomainName::entry(reduced.name));
}

void ManageDomains::on_btnDelete_clicked()
{
    if (ui->listDomains->count() < 1)
        return;
    const int row = ui->listDomains->currentRow();
    if (row >= 0)
        delete ui->listDomains->takeItem(row);
}

void ManageDomains::on_btnClose_clicked()
{
    takeGroups(); // what is typed counts without leaving the field first
    if (m_groupsEdited) {
        m_groupsEdited = false;
        Q_EMIT groupsChanged();
    }
    Q_EMIT newDomainList();
    for (const QString &entry : domains())
        Q_EMIT newDomain(entry);
    ui->listDomains->clear();
    close();
}

#include "ManageDomains.h"
#include "ui_ManageDomains.h"

#include "CUserPrompts.h"

ManageDomains::ManageDomains(QWidget *parent, std::shared_ptr<CUserPrompts> prompts)
    : QMainWindow(parent)
    , ui(std::make_unique<Ui::ManageDomains>())
    , m_prompts(prompts ? std::move(prompts) : std::make_shared<CUserPrompts>())
{
    ui->setupUi(this);
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

void ManageDomains::on_btnAdd_clicked()
{
    const QString text = m_prompts->askText(this, QStringLiteral("Add Domain"),
                                            QStringLiteral("Please provide a domain"));
    if (text.isEmpty())
        return;
    // A comma would split the domain's line in the history file.
    if (text.contains(u',')) {
        m_prompts->message(QStringLiteral("\"%1\" was not added: a domain name cannot contain \",\".")
                               .arg(text));
        return;
    }
    addDomain(QStringLiteral("  ") + text);
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
    Q_EMIT newDomainList();
    for (const QString &entry : domains())
        Q_EMIT newDomain(entry);
    ui->listDomains->clear();
    close();
}

#include "ManageDomains.h"
#include "ui_ManageDomains.h"

#include "CDomainName.h"
#include "prompts/CUserPrompts.h"

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
    const QString text = m_prompts->askText(this, tr("Add Domain"), tr("Please provide a domain"));
    if (text.isEmpty())
        return;
    // The same names are refused here as in an imported file.
    switch (CDomainName::problemOf(text)) {
    case CDomainName::Problem::None:
        break;
    case CDomainName::Problem::Comma:
        m_prompts->message(tr("\"%1\" was not added: a domain name cannot contain \",\".").arg(text));
        return;
    case CDomainName::Problem::Unprintable:
        // Not echoed: such characters would garble the message as well.
        m_prompts->message(tr("The domain was not added: a domain name cannot contain control "
                              "or format characters."));
        return;
    case CDomainName::Problem::TooLong:
        m_prompts->message(
            tr("The domain was not added: a domain name has at most %1 characters.").arg(CDomainName::MaxLength));
        return;
    }
    addDomain(CDomainName::entry(text));
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

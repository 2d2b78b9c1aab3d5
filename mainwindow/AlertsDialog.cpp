#include "AlertsDialog.h"
#include "ui_AlertsDialog.h"

#include "CDataSession.h"
#include "prompts/CUserPrompts.h"
#include "watch/CAlertMailer.h"
#include "watch/CAlertRules.h"
#include "watch/CDesktopNotifier.h"
#include "watch/CTextFile.h"

#include <QPushButton>

AlertsDialog::AlertsDialog(QWidget *parent, CDataSession &session, std::shared_ptr<CUserPrompts> prompts,
                           CAlertOutlets outlets)
    : QDialog(parent)
    , ui(std::make_unique<Ui::AlertsDialog>())
    , m_session(session)
    , m_prompts(std::move(prompts))
    , m_outlets(std::move(outlets))
{
    ui->setupUi(this);
    ui->txtMailTo->setText(m_outlets.mailTo);
    ui->btnTestMail->setEnabled(m_outlets.mailer);
    ui->btnTestNotification->setEnabled(m_outlets.notifier);
    connect(ui->btnTestMail, &QPushButton::clicked, this, &AlertsDialog::sendTestMail);
    connect(ui->btnTestNotification, &QPushButton::clicked, this, &AlertsDialog::sendTestNotification);
    connect(ui->buttonBox, &QDialogButtonBox::accepted, this, &AlertsDialog::accept);
    connect(ui->buttonBox, &QDialogButtonBox::rejected, this, &AlertsDialog::reject);
    QStringList notes;
    const CResult<QString> text = CTextFile::read(m_session, CDataSession::alertRulesFileName(), notes);
    // Saving would put an empty text over rules that were never seen, or
    // write a folder this window does not hold: the rules are only shown.
    const bool held = m_session.lockState() == CDataSession::LockState::Held;
    if (text)
        ui->txtRules->setPlainText(text.value());
    if (!text || !held) {
        ui->txtRules->setReadOnly(true);
        ui->buttonBox->button(QDialogButtonBox::Save)->setEnabled(false);
        ui->lblProblems->setText(!text ? text.message() : m_session.lockMessage());
        return;
    }
    connect(ui->txtRules, &QPlainTextEdit::textChanged, this, &AlertsDialog::check);
    check();
}

AlertsDialog::~AlertsDialog() = default;

void AlertsDialog::check()
{
    QStringList notes;
    CAlertRules::parse(ui->txtRules->toPlainText(), CDataSession::alertRulesFileName(), notes);
    ui->lblProblems->setText(notes.join(u'\n'));
}

QString AlertsDialog::mailTo() const
{
    return ui->txtMailTo->text().trimmed();
}

void AlertsDialog::sendTestMail()
{
    if (!CAlertMailer::isAddress(mailTo())) {
        ui->lblTest->setText(tr("Type the address to mail to first: one address, such as me@example.com."));
        return;
    }
    const CResult<> sent = m_outlets.mailer->send(mailTo(), tr("Sorvane: a test mail"),
                                                  tr("This is a test mail from Sorvane's Alerts dialog: rank alerts "
                                                     "will reach this address."));
    ui->lblTest->setText(sent ? tr("A test mail to %1 was handed to the mail program.").arg(mailTo()) : sent.message());
}

void AlertsDialog::sendTestNotification()
{
    const CResult<> shown = m_outlets.notifier->notify(QStringLiteral("Sorvane"),
                                                       tr("This is a test notification: rank alerts will show like this."));
    ui->lblTest->setText(shown ? tr("A test notification was sent to the desktop (a desktop without a notification "
                                    "service shows none).")
                               : shown.message());
}

void AlertsDialog::accept()
{
    if (!mailTo().isEmpty() && !CAlertMailer::isAddress(mailTo())) {
        m_prompts->message(tr("\"%1\" is no mail address: give one address, such as me@example.com, or none.")
                               .arg(mailTo()));
        return;
    }
    QStringList lines = ui->txtRules->toPlainText().split(u'\n');
    while (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    const CResult<> saved = m_session.saveLines(CDataSession::alertRulesFileName(), lines);
    if (!saved) {
        m_prompts->message(saved.message());
        return;
    }
    QDialog::accept();
}

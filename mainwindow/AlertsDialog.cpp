#include "AlertsDialog.h"
#include "ui_AlertsDialog.h"

#include "CDataSession.h"
#include "prompts/CUserPrompts.h"
#include "watch/CAlertRules.h"
#include "watch/CTextFile.h"

#include <QPushButton>

AlertsDialog::AlertsDialog(QWidget *parent, CDataSession &session, std::shared_ptr<CUserPrompts> prompts)
    : QDialog(parent)
    , ui(std::make_unique<Ui::AlertsDialog>())
    , m_session(session)
    , m_prompts(std::move(prompts))
{
    ui->setupUi(this);
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

void AlertsDialog::accept()
{
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

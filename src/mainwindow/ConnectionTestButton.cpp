#include "ConnectionTestButton.h"

#include "DeliveryWorker.h"
#include "SettingsTable.h"

#include <QAction>
#include <QMessageBox>
#include <QToolButton>

ConnectionTestButton::ConnectionTestButton(QAction* action, QToolButton* button, UserDefaults* settings,
                                           std::function<QString()> password, QWidget* window)
    : QObject(action)
    , m_action(action)
    , m_settings(settings)
    , m_password(std::move(password))
    , m_window(window)
{
    button->setDefaultAction(action);
    connect(action, &QAction::triggered, this, &ConnectionTestButton::test);
    connect(&m_trial, &ConnectionTrial::finished, this, &ConnectionTestButton::show);
}

void ConnectionTestButton::test()
{
    const QUrl folder = ConnectionTrial::folderOf(*m_settings);
    if (!folder.isValid() || folder.host().isEmpty()) {
        show(false, {tr("Enter the server's address first.")});
        return;
    }
    const FTPTransferSettings transfer = DeliveryWorker::Settings::fromUserDefaults(*m_settings, {}, {}).transfer;
    if (m_trial.start(folder, settingValue(*m_settings, OXFTPUsername), m_password(), transfer))
        m_action->setEnabled(false); // until the trial has spoken
}

void ConnectionTestButton::show(bool ok, const QStringList& steps)
{
    m_action->setEnabled(true);
    auto* box = new QMessageBox(ok ? QMessageBox::Information : QMessageBox::Warning, tr("Test Connection"),
                                ok ? tr("Pictures can be uploaded.") : steps.value(steps.size() - 1),
                                QMessageBox::Ok, m_window);
    box->setInformativeText(steps.join(QLatin1Char('\n')));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

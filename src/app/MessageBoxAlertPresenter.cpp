#include "MessageBoxAlertPresenter.h"

#include <QMessageBox>

void MessageBoxAlertPresenter::runModalAlert(const Error& error)
{
    QMessageBox box(QMessageBox::Warning, QString(), error.description, QMessageBox::Ok);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}

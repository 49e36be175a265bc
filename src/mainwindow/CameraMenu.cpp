#include "CameraMenu.h"

#include "CameraController.h"

#include <QMenu>

CameraMenu::CameraMenu(QMenu* menu, CameraController* cameras, QObject* parent)
    : QObject(parent)
    , m_menu(menu)
    , m_cameras(cameras)
{
    connect(menu, &QMenu::aboutToShow, this, &CameraMenu::fill);
    connect(menu, &QMenu::triggered, this, &CameraMenu::choose);
}

void CameraMenu::fill()
{
    m_menu->clear();
    if (!m_cameras->deviceWatcher()->hasCamerasAvailable()) {
        m_menu->addAction(tr("No camera available"));
        return;
    }
    const QString inUse = m_cameras->userDevice() ? m_cameras->userDevice()->localizedDisplayName() : QString();
    const QStringList names = m_cameras->devicesDict().keys();
    for (const QString& name : names) {
        QAction* item = m_menu->addAction(QString(name).replace(QLatin1Char('&'), QStringLiteral("&&")));
        item->setData(name); // the title without the menu's mnemonic escaping
        item->setCheckable(true);
        item->setChecked(name == inUse);
    }
}

void CameraMenu::choose(QAction* item)
{
    if (item->data().isValid())
        m_cameras->changeDevice(item->data().toString());
}

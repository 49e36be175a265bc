#pragma once

#include <QObject>

class CameraController;
class QAction;
class QMenu;

// The Camera menu: the attached cameras by name, the one in use ticked, filled
// afresh each time it opens; choosing one switches to it. Without cameras it holds
// one note that does nothing.
class CameraMenu : public QObject {
    Q_OBJECT
public:
    CameraMenu(QMenu* menu, CameraController* cameras, QObject* parent = nullptr);

    void fill();
    void choose(QAction* item);

private:
    QMenu* m_menu;
    CameraController* m_cameras;
};

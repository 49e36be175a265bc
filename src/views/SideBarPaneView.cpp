#include "SideBarPaneView.h"

#include <QAbstractButton>
#include <QMouseEvent>
#include <QPropertyAnimation>

SideBarPaneView::SideBarPaneView(QWidget* parent)
    : QWidget(parent)
{
}

void SideBarPaneView::setCollapseButton(QAbstractButton* button)
{
    m_collapseButton = button;
    button->setCheckable(true);
    button->setChecked(true);
    connect(button, &QAbstractButton::clicked, this, &SideBarPaneView::toggleCollapsed);
}

void SideBarPaneView::toggleCollapsed()
{
    if (!m_box || !m_collapseButton)
        return;
    QRect frame = geometry();
    const int distance = m_box->height() + kCollapseExtra;
    frame.setHeight(m_collapseButton->isChecked() ? frame.height() + distance : frame.height() - distance);
    auto* animation = new QPropertyAnimation(this, "geometry", this);
    animation->setDuration(m_durationMs);
    animation->setEndValue(frame);
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

void SideBarPaneView::mousePressEvent(QMouseEvent* event)
{
    event->accept(); // keeps the press from reaching the window's background, which would move it
}

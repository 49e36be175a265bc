#include "SideBarPaneView.h"

#include <QAbstractButton>
#include <QLayout>
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

void SideBarPaneView::fitToBox()
{
    if (!m_box || !m_box->layout())
        return;
    const int margin = height() - m_box->geometry().bottom() - 1;
    m_box->resize(m_box->width(), m_box->layout()->sizeHint().height());
    resize(width(), m_box->geometry().bottom() + 1 + margin);
}

void SideBarPaneView::toggleCollapsed()
{
    if (!m_box || !m_collapseButton)
        return;
    const int distance = m_box->height() + kCollapseExtra;
    // Heights come from the recorded expanded height, never from the current one:
    // a click during the animation would otherwise start from half-way and drift.
    if (m_expandedHeight == 0)
        m_expandedHeight = m_collapseButton->isChecked() ? height() + distance : height();
    if (m_animation)
        m_animation->stop();
    QRect frame = geometry();
    frame.setHeight(m_collapseButton->isChecked() ? m_expandedHeight : m_expandedHeight - distance);
    m_animation = new QPropertyAnimation(this, "geometry", this);
    m_animation->setDuration(m_durationMs);
    m_animation->setEndValue(frame);
    m_animation->start(QAbstractAnimation::DeleteWhenStopped);
}

void SideBarPaneView::mousePressEvent(QMouseEvent* event)
{
    event->accept(); // keeps the press from reaching the window's background, which would move it
}

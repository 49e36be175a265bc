#include "SideBarStacker.h"

#include <QEvent>
#include <QWidget>

SideBarStacker::SideBarStacker(QWidget* window, QWidget* contentView, QWidget* sideBar, QObject* parent)
    : QObject(parent)
    , m_window(window)
    , m_contentView(contentView)
    , m_sideBar(sideBar)
    , m_topMargin(sideBar->y())
{
}

void SideBarStacker::addPane(QWidget* pane)
{
    if (pane->parentWidget() != m_sideBar)
        pane->setParent(m_sideBar);
    m_panes.append(pane);
    pane->installEventFilter(this);
}

bool SideBarStacker::eventFilter(QObject* watched, QEvent* event)
{
    if ((event->type() == QEvent::Resize || event->type() == QEvent::Move) && watched != m_ignored) {
        auto* pane = static_cast<QWidget*>(watched);
        if (m_panes.contains(pane))
            repositionViewsIgnoringView(pane);
    }
    return QObject::eventFilter(watched, event);
}

void SideBarStacker::repositionViewsIgnoringView(QWidget* ignored)
{
    int total = 0;
    for (QWidget* pane : std::as_const(m_panes)) {
        const QRect frame(pane->x(), total, pane->width(), pane->height());
        if (pane == ignored) {
            // Its own frame change started this; setting it must not start another.
            QWidget* outer = std::exchange(m_ignored, pane);
            pane->setGeometry(frame);
            m_ignored = outer;
        } else {
            pane->setGeometry(frame);
        }
        total += pane->height();
    }
    const int width = m_sideBar->width();
    m_sideBar->setGeometry(0, m_topMargin, width, total);
    m_window->resize(windowSizeForNewContentViewSize(QSize(width, m_topMargin + total)));
}

QSize SideBarStacker::windowSizeForNewContentViewSize(QSize size) const
{
    // Qt sizes a window without its frame, and keeps its top-left corner; what lies
    // around the content view inside the window (a menu bar) keeps its height.
    const int chrome = m_window == m_contentView ? 0 : m_window->height() - m_contentView->height();
    return QSize(size.width(), chrome + size.height() + kBottomMargin);
}

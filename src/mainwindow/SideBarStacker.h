#pragma once

#include <QObject>
#include <QSize>

class QWidget;

// Keeps a side bar's panes stacked from its top, the side bar as high as its
// panes, and the window exactly as wide as the side bar and as high as the region
// above it (topMargin), the panes and a bottom margin. Follows every move and
// resize of a pane, so a pane's animated collapse is followed step by step; the
// window's top edge stays where it is.
class SideBarStacker : public QObject {
    Q_OBJECT
public:
    static constexpr int kBottomMargin = 22;

    // topMargin is measured here, once: the side bar's distance from the top of the
    // content view. The window may be the content view itself, or hold it below a
    // menu bar or other chrome, which keeps its height.
    SideBarStacker(QWidget* window, QWidget* contentView, QWidget* sideBar, QObject* parent = nullptr);

    // Adds a pane below those already there and follows its frame changes.
    void addPane(QWidget* pane);
    // Re-stacks the panes and fits the window; the ignored pane's own frame change started it.
    void repositionViewsIgnoringView(QWidget* ignored);
    // The window size that gives the content view the given size plus the bottom margin.
    QSize windowSizeForNewContentViewSize(QSize size) const;
    int topMargin() const { return m_topMargin; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* m_window;
    QWidget* m_contentView;
    QWidget* m_sideBar;
    int m_topMargin;
    QList<QWidget*> m_panes;
    QWidget* m_ignored = nullptr;
};

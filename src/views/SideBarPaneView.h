#pragma once

#include <QPointer>
#include <QPropertyAnimation>
#include <QWidget>

class QAbstractButton;

// One collapsible pane of the side bar: a header with a collapse button above a
// box of controls. Collapsing shrinks the pane from the bottom by the box's height
// plus 14 px, animated; the pane's top edge stays. The button's checked state
// (checked = expanded) is the only record of it. A drag on a pane does not move
// the window.
class SideBarPaneView : public QWidget {
    Q_OBJECT
public:
    static constexpr int kCollapseExtra = 14;

    explicit SideBarPaneView(QWidget* parent = nullptr);

    // Set up by the window's interface file.
    void setBox(QWidget* box) { m_box = box; }
    // Gives the box the height its layout asks for (a translation may need more than
    // the form's) and the pane the same margin below it; both keep their width.
    void fitToBox();
    void setCollapseButton(QAbstractButton* button);
    QWidget* box() const { return m_box; }

    void toggleCollapsed();
    // The animation's duration; the default is the usual short UI animation.
    void setAnimationDuration(int milliseconds) { m_durationMs = milliseconds; }

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    QWidget* m_box = nullptr;
    QAbstractButton* m_collapseButton = nullptr;
    int m_durationMs = 200;
    int m_expandedHeight = 0; // recorded at the first collapse
    QPointer<QPropertyAnimation> m_animation;
};

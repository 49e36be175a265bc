#pragma once

#include <QFont>
#include <QString>
#include <QWidget>

// Black, with one line of white text in its centre; shown in place of the live
// preview when there is no picture to show.
class CameraSuspendedView : public QWidget {
    Q_OBJECT
public:
    explicit CameraSuspendedView(QWidget* parent = nullptr);

    QString attrString() const { return m_attrString; }
    void setAttrString(const QString& text) { m_attrString = text; } // shown at the next redraw
    QFont font() const { return m_font; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_attrString;
    static QFont placeholderFont();

    QFont m_font;
};

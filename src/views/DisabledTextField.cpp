#include "DisabledTextField.h"

#include <QPalette>

DisabledTextField::DisabledTextField(QWidget* parent)
    : QLineEdit(parent)
{
    QPalette p = palette();
    p.setColor(QPalette::Disabled, QPalette::Text, p.color(QPalette::Disabled, QPalette::WindowText));
    if (p.color(QPalette::Disabled, QPalette::Text) == p.color(QPalette::Active, QPalette::Text))
        p.setColor(QPalette::Disabled, QPalette::Text, QColor(Qt::gray));
    setPalette(p);
}

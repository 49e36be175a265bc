#pragma once

#include <QLineEdit>

// A text field whose text turns grey while it is disabled, whatever the style.
class DisabledTextField : public QLineEdit {
    Q_OBJECT
public:
    explicit DisabledTextField(QWidget* parent = nullptr);
};

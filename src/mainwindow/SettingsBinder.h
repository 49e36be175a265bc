#pragma once

#include <QObject>
#include <QString>

#include <chrono>
#include <functional>
#include <vector>

class QLabel;
class QWidget;
class UserDefaults;

// Binds the controls of a window to settings keys. A control takes part when its
// interface file gives it the dynamic property "userDefaultsKey"; it then shows
// the key's value, writes it when changed (a line edit's text when typing pauses
// or editing finishes), and follows the key when it changes elsewhere. Supported: line edits (text), check boxes, sliders (0-100 for a
// 0.0-1.0 number), combo boxes (index).
//
// A line edit with the property "formatter" = "URLFormatter" is written only when
// its text is accepted; otherwise the label named by "errorLabel" shows the reason.
class SettingsBinder : public QObject {
    Q_OBJECT
public:
    SettingsBinder(QWidget* root, UserDefaults* userDefaults, QObject* parent = nullptr);
    ~SettingsBinder() override;

    static constexpr std::chrono::milliseconds kTypingPause{500};
    // Writes what is typed but not yet written, for a reader that cannot wait for the pause.
    void writePending();

private:
    void bind(QWidget* control, const QString& key);

    QWidget* m_root;
    std::vector<std::function<void()>> m_unwritten; // line edits' pending texts
    UserDefaults* m_userDefaults;
};

#pragma once

#include "Clock.h"

#include <QColorDialog>
#include <QDateTime>
#include <QFileDialog>
#include <QFontDialog>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <functional>
#include <memory>

class QWidget;
class UserDefaults;

namespace Ui {
class Prefs;
}

// The preferences window: the folder for saved pictures, the date stamp's font and
// colour with a sample line, the hours to record in, the darkness to skip and the
// rules for old pictures. Every change is stored at once (a rule once its value
// rests for a second); the next picture uses it. One window serves every request.
class PrefsController : public QObject {
    Q_OBJECT
public:
    using Clock = ::Clock;

    explicit PrefsController(UserDefaults* userDefaults, Clock clock = {}, QObject* parent = nullptr);
    ~PrefsController() override;

    // The window, loaded on first use.
    QWidget* window();
    Ui::Prefs* ui() const { return m_ui.get(); }
    void showWindow();

    void chooseSaveFolder();
    void showFontPanel();
    void showColorPanel();
    // The font and colour dialogs, while they exist.
    QFontDialog* fontPanel() const { return m_fontPanel; }
    QColorDialog* colorPanel() const { return m_colorPanel; }
    QFileDialog* openPanel() const { return m_openPanel; }

    void changeFont(const QFont& font);
    void changeColor(const QColor& color);

private:
    void windowDidLoad();
    // Active hours and dark pictures: shown from the settings, stored at each change.
    void bindSchedule();
    void bindKeepRules();
    void showKeepRules();
    void showSaveFolder();
    QFont storedFont() const;
    QColor storedColor() const;
    void applySampleStyle(const QFont& font, const QColor& color);

    UserDefaults* m_userDefaults;
    Clock m_clock;
    std::unique_ptr<QWidget> m_window;
    std::unique_ptr<Ui::Prefs> m_ui;
    QPointer<QFontDialog> m_fontPanel;
    QPointer<QColorDialog> m_colorPanel;
    QPointer<QFileDialog> m_openPanel;
    QTimer m_keepRulesWrite;
};

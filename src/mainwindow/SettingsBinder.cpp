#include "SettingsBinder.h"

#include "URLFormatter.h"
#include "UserDefaults.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QSlider>
#include <QTimer>

#include <cmath>

SettingsBinder::SettingsBinder(QWidget* root, UserDefaults* userDefaults, QObject* parent)
    : QObject(parent)
    , m_root(root)
    , m_userDefaults(userDefaults)
{
    const auto controls = root->findChildren<QWidget*>();
    for (QWidget* control : controls) {
        const QString key = control->property("userDefaultsKey").toString();
        if (!key.isEmpty())
            bind(control, key);
    }
}

SettingsBinder::~SettingsBinder()
{
    writePending(); // what was typed last is kept, also when the window goes while typing
}

void SettingsBinder::writePending()
{
    for (const std::function<void()>& write : m_unwritten)
        write();
}

void SettingsBinder::bind(QWidget* control, const QString& key)
{
    UserDefaults* store = m_userDefaults;
    std::function<void()> show;

    if (auto* edit = qobject_cast<QLineEdit*>(control)) {
        show = [edit, store, key] {
            const QString text = store->objectForKey(key).toString();
            if (edit->text() != text)
                edit->setText(text);
        };
        if (edit->property("formatter").toString() == QLatin1String("URLFormatter")) {
            auto* error = m_root->findChild<QLabel*>(edit->property("errorLabel").toString());
            if (error)
                error->clear();
            connect(edit, &QLineEdit::editingFinished, this, [edit, store, key, error] {
                URLFormatter formatter;
                QVariant value;
                QString problem;
                if (formatter.getObjectValue(&value, edit->text().trimmed(), &problem)) {
                    if (store->objectForKey(key) != value)
                        store->setObject(value, key);
                    edit->setText(formatter.stringForObjectValue(value));
                }
                if (error)
                    error->setText(problem);
            });
        } else {
            // Written when typing pauses or editing finishes, not at every key: each
            // write rewrites the whole settings file.
            struct Pending {
                QString text;
                bool waiting = false;
            };
            auto pending = std::make_shared<Pending>();
            auto* pause = new QTimer(this);
            pause->setSingleShot(true);
            pause->setInterval(kTypingPause);
            auto write = [store, key, pending, pause] {
                pause->stop();
                if (!pending->waiting)
                    return;
                pending->waiting = false;
                if (store->objectForKey(key) != QVariant(pending->text))
                    store->setObject(pending->text, key);
            };
            connect(edit, &QLineEdit::textEdited, this, [pending, pause](const QString& text) {
                pending->text = text;
                pending->waiting = true;
                pause->start();
            });
            connect(pause, &QTimer::timeout, this, write);
            connect(edit, &QLineEdit::editingFinished, this, write);
            m_unwritten.push_back(write);
        }
    } else if (auto* box = qobject_cast<QCheckBox*>(control)) {
        show = [box, store, key] {
            const QSignalBlocker quiet(box);
            box->setChecked(store->boolForKey(key));
        };
        connect(box, &QCheckBox::toggled, this, [store, key](bool on) { store->setObject(on, key); });
    } else if (auto* slider = qobject_cast<QSlider*>(control)) {
        show = [slider, store, key] {
            const QSignalBlocker quiet(slider);
            slider->setValue(static_cast<int>(std::lround(store->objectForKey(key).toDouble() * 100.0)));
        };
        connect(slider, &QSlider::valueChanged, this,
                [store, key](int value) { store->setObject(static_cast<float>(value) / 100.0f, key); });
    } else if (auto* combo = qobject_cast<QComboBox*>(control)) {
        show = [combo, store, key] {
            const QSignalBlocker quiet(combo);
            combo->setCurrentIndex(store->objectForKey(key).toInt());
        };
        connect(combo, &QComboBox::currentIndexChanged, this, [store, key](int index) { store->setObject(index, key); });
    } else {
        return;
    }
    show();
    connect(store, &UserDefaults::valueChanged, control, [show, key](const QString& changed) {
        if (changed == key)
            show();
    });
}

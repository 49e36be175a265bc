#pragma once

#include <QString>
#include <QVariant>

#include <vector>

class UserDefaults;

// Every key of the settings file that has a default, declared once: its name and
// its default, whose type is the key's type. The application's start-up registers
// the table; nothing else registers defaults. Keys without a default (the server
// address, the user name, the flags that start off) read as unset or false.
struct SettingDefault {
    QString key;
    QVariant value;
};

// The table; the save folder's default (the user's downloads folder) is computed here.
std::vector<SettingDefault> settingDefaults();
void registerSettingDefaults(UserDefaults& store);

// A whole-number setting as the table types it: the stored value when it reads as
// a number, else the key's default (0 without one).
int intSetting(const UserDefaults& store, const QString& key);

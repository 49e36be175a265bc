#pragma once

#include <QString>
#include <QTime>
#include <QVariant>

#include <vector>

class UserDefaults;

// A key of the settings file and the type its value is read as. It stands for its
// name wherever the store is addressed untyped (writes, change notices).
template <typename T>
struct Setting {
    QString name;
    operator const QString&() const { return name; }
};

// The date stamp's font and colour are stored as archives that StampSettings reads.
struct Archive {};

// Every key of the settings file, each constant's text its own name. The defaults
// are in the table of SettingsTable.cpp; a key without one reads as empty or false.
inline const Setting<int> OXRecordingInterval{QStringLiteral("OXRecordingInterval")};
inline const Setting<int> OXIntervalUnit{QStringLiteral("OXIntervalUnit")}; // 0 seconds, 1 minutes
inline const Setting<float> OXImageQuality{QStringLiteral("OXImageQuality")};
inline const Setting<QString> OXImageFilename{QStringLiteral("OXImageFilename")};
inline const Setting<Archive> OXTimestampFont{QStringLiteral("OXTimestampFont")};
inline const Setting<Archive> OXTimestampColor{QStringLiteral("OXTimestampColor")};
inline const Setting<bool> OXStartAuto{QStringLiteral("OXStartAuto")};
inline const Setting<QString> OXSaveToDiskPath{QStringLiteral("OXSaveToDiskPath")};
inline const Setting<bool> OXInsertTimestampFlag{QStringLiteral("OXInsertTimestampFlag")};
inline const Setting<bool> OXSaveToDiskFlag{QStringLiteral("OXSaveToDiskFlag")};
inline const Setting<bool> OXSaveSequenceFlag{QStringLiteral("OXSaveSequenceFlag")};
inline const Setting<QString> OXFTPServerAddress{QStringLiteral("OXFTPServerAddress")};
inline const Setting<QString> OXFTPUsername{QStringLiteral("OXFTPUsername")};
inline const Setting<QString> OXFTPPath{QStringLiteral("OXFTPPath")};
// Read by nothing; kept so that files written by earlier versions keep their keys.
inline const Setting<int> OXImageFormat{QStringLiteral("OXImageFormat")};
inline const Setting<int> OXSequenceNumber{QStringLiteral("OXSequenceNumber")};
// How much the outbox of pictures waiting for their server may hold, in megabytes.
inline const Setting<int> OXOutboxLimitMB{QStringLiteral("OXOutboxLimitMB")};
// The FTP hosts that used TLS once and must use it from then on, separated by spaces.
inline const Setting<QString> OXFTPTLSHosts{QStringLiteral("OXFTPTLSHosts")};
// Pictures are taken only between two times of day (stored as "HH:mm"; the span may cross midnight).
inline const Setting<bool> OXActiveHoursFlag{QStringLiteral("OXActiveHoursFlag")};
inline const Setting<QTime> OXActiveFrom{QStringLiteral("OXActiveFrom")};
inline const Setting<QTime> OXActiveUntil{QStringLiteral("OXActiveUntil")};
// Or, with the mode "sun" instead of "clock", from sunrise to sunset at the place,
// each moved by its offset in minutes (negative: earlier).
inline const Setting<QString> OXActiveHoursMode{QStringLiteral("OXActiveHoursMode")};
inline const Setting<float> OXLatitude{QStringLiteral("OXLatitude")};
inline const Setting<float> OXLongitude{QStringLiteral("OXLongitude")};
inline const Setting<int> OXSunriseOffset{QStringLiteral("OXSunriseOffset")};
inline const Setting<int> OXSunsetOffset{QStringLiteral("OXSunsetOffset")};
// A picture darker than the threshold (average brightness in percent) is skipped.
inline const Setting<bool> OXSkipDarkFlag{QStringLiteral("OXSkipDarkFlag")};
inline const Setting<int> OXDarkThreshold{QStringLiteral("OXDarkThreshold")};
// Old pictures of the sequence go by these rules (0: off): kept so many days, at
// most so many megabytes of them, at least so many megabytes free on their disk,
// and kept so many days on the server.
inline const Setting<int> OXKeepDays{QStringLiteral("OXKeepDays")};
inline const Setting<int> OXKeepMaxMB{QStringLiteral("OXKeepMaxMB")};
inline const Setting<int> OXKeepFreeMB{QStringLiteral("OXKeepFreeMB")};
inline const Setting<int> OXKeepDaysOnServer{QStringLiteral("OXKeepDaysOnServer")};
// The private key SFTP logs in with (empty: ~/.ssh/id_ed25519, else ~/.ssh/id_ecdsa).
inline const Setting<QString> OXSFTPKeyFile{QStringLiteral("OXSFTPKeyFile")};
// S3-compatible storage: the service's address (empty: Amazon's, in the region) and the region.
inline const Setting<QString> OXS3Endpoint{QStringLiteral("OXS3Endpoint")};
inline const Setting<QString> OXS3Region{QStringLiteral("OXS3Region")};
// The picture size: "auto" (a smooth preview in the window, the largest headless),
// "largest", or "WIDTHxHEIGHT" (the nearest the camera gives).
inline const Setting<QString> OXPictureSize{QStringLiteral("OXPictureSize")};
// Problems (camera, uploads, saving, disk, password) are told to a person: uploads
// and saves once they have failed this many minutes; the event command, run
// without a shell, for each problem's start and end.
inline const Setting<int> OXAlertAfterMinutes{QStringLiteral("OXAlertAfterMinutes")};
inline const Setting<QString> OXEventCommand{QStringLiteral("OXEventCommand")};
// Films: where they are written (empty: the videos folder), and whether their
// brightness is smoothed. The daily film is made at a time of day ("HH:mm") of the
// sequence's last 24 hours, and uploaded beside the pictures when asked.
inline const Setting<QString> OXFilmFolder{QStringLiteral("OXFilmFolder")};
inline const Setting<bool> OXFilmDeflicker{QStringLiteral("OXFilmDeflicker")};
inline const Setting<bool> OXDailyFilmFlag{QStringLiteral("OXDailyFilmFlag")};
inline const Setting<QTime> OXDailyFilmTime{QStringLiteral("OXDailyFilmTime")};
inline const Setting<bool> OXDailyFilmUploadFlag{QStringLiteral("OXDailyFilmUploadFlag")};
// Kept under the update framework's own name, although nothing on Linux reads it.
inline const Setting<bool> SUEnableAutomaticChecks{QStringLiteral("SUEnableAutomaticChecks")};

struct SettingDefault {
    QString key;
    QVariant value;
};

// The table of defaults; the save folder's (the user's downloads folder) is computed here.
std::vector<SettingDefault> settingDefaults();
void registerSettingDefaults(UserDefaults& store);

// Reads at the key's type. A stored value that does not read as that type counts
// as the key's default.
bool settingValue(const UserDefaults& store, const Setting<bool>& key);
// Without a default, what does not read as the type is 0, empty or false.
int settingValue(const UserDefaults& store, const Setting<int>& key);
float settingValue(const UserDefaults& store, const Setting<float>& key);
QString settingValue(const UserDefaults& store, const Setting<QString>& key);
QVariant settingValue(const UserDefaults& store, const Setting<Archive>& key);
QTime settingValue(const UserDefaults& store, const Setting<QTime>& key);

// Writes at the key's type; times of day are stored as "HH:mm".
void setSettingValue(UserDefaults& store, const Setting<bool>& key, bool value);
void setSettingValue(UserDefaults& store, const Setting<int>& key, int value);
void setSettingValue(UserDefaults& store, const Setting<float>& key, float value);
void setSettingValue(UserDefaults& store, const Setting<QString>& key, const QString& value);
void setSettingValue(UserDefaults& store, const Setting<QTime>& key, QTime time);
void setSettingValue(UserDefaults& store, const Setting<Archive>& key, const QString& archive);

#include "OmbrixAppDelegate.h"

#include "Paths.h"
#include "SettingsKeys.h"
#include "StampArchive.h"
#include "UserDefaults.h"

#include <QColor>
#include <QStandardPaths>

void OmbrixAppDelegate::initialize(UserDefaults* userDefaults)
{
    UserDefaults* store = userDefaults ? userDefaults : UserDefaults::standardUserDefaults();
    UserDefaults::Registration defaults;
    defaults.emplace_back(OXRecordingInterval, QVariant(10));
    defaults.emplace_back(OXIntervalUnit, QVariant(0));
    defaults.emplace_back(OXImageQuality, QVariant(0.5f));
    defaults.emplace_back(OXImageFilename, QVariant(QStringLiteral("CaptureImage")));
    defaults.emplace_back(OXTimestampFont, QVariant(archivedFont(StampFont{QStringLiteral("Times-Roman"), 12.0})));
    defaults.emplace_back(OXTimestampColor, QVariant(archivedColor(QColor(Qt::black))));
    defaults.emplace_back(SUEnableAutomaticChecks, QVariant(true));
    defaults.emplace_back(OXStartAuto, QVariant(false));
    const QString downloads = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
    if (!downloads.isEmpty())
        defaults.emplace_back(OXSaveToDiskPath, QVariant(abbreviateWithTilde(downloads)));
    store->registerDefaults(defaults);
}

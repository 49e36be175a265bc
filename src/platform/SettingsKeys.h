#pragma once

#include <QString>

// Every settings key of the application; each constant's text is its own name.
inline const QString OXRecordingInterval = QStringLiteral("OXRecordingInterval");
inline const QString OXIntervalUnit = QStringLiteral("OXIntervalUnit");
inline const QString OXImageQuality = QStringLiteral("OXImageQuality");
inline const QString OXImageFilename = QStringLiteral("OXImageFilename");
inline const QString OXTimestampFont = QStringLiteral("OXTimestampFont");
inline const QString OXTimestampColor = QStringLiteral("OXTimestampColor");
inline const QString OXStartAuto = QStringLiteral("OXStartAuto");
inline const QString OXSaveToDiskPath = QStringLiteral("OXSaveToDiskPath");
inline const QString OXInsertTimestampFlag = QStringLiteral("OXInsertTimestampFlag");
inline const QString OXSaveToDiskFlag = QStringLiteral("OXSaveToDiskFlag");
inline const QString OXSaveSequenceFlag = QStringLiteral("OXSaveSequenceFlag");
inline const QString OXFTPServerAddress = QStringLiteral("OXFTPServerAddress");
inline const QString OXFTPUsername = QStringLiteral("OXFTPUsername");
inline const QString OXFTPPath = QStringLiteral("OXFTPPath");
inline const QString OXImageFormat = QStringLiteral("OXImageFormat");
inline const QString OXSequenceNumber = QStringLiteral("OXSequenceNumber");
// How much the outbox of pictures waiting for their server may hold, in megabytes.
// The FTP hosts that used TLS once and must use it from then on, separated by spaces.
inline const QString OXFTPTLSHosts = QStringLiteral("OXFTPTLSHosts");
inline const QString OXOutboxLimitMB = QStringLiteral("OXOutboxLimitMB");
// Pictures are taken only between two times of day ("HH:mm", the span may cross midnight).
inline const QString OXActiveHoursFlag = QStringLiteral("OXActiveHoursFlag");
inline const QString OXActiveFrom = QStringLiteral("OXActiveFrom");
inline const QString OXActiveUntil = QStringLiteral("OXActiveUntil");
// A picture darker than the threshold (average brightness in percent) is skipped.
inline const QString OXSkipDarkFlag = QStringLiteral("OXSkipDarkFlag");
inline const QString OXDarkThreshold = QStringLiteral("OXDarkThreshold");

// Kept under the update framework's own name, although nothing on Linux reads it.
inline const QString SUEnableAutomaticChecks = QStringLiteral("SUEnableAutomaticChecks");

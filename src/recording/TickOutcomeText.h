#pragma once

#include "DeliveryValues.h"
#include "DiskKeeper.h"

#include <QString>

// A tick's outcome in words: short for the status line, whole for the service's
// log. Both come from one description, so they never tell different stories.
QString statusLineSummary(const TickOutcome& outcome);
// "2026-12-06 15:40:41 shed_20261206_154041.jpg: saved, kept in the outbox (1 waiting)"
QString logLine(const TickOutcome& outcome, int waiting);
// "Not saved to FOLDER: why", or "Not saved: why" when no folder was chosen.
QString saveProblemText(const TickOutcome& outcome);
// What becomes of a picture whose upload failed, for the window's message; empty
// when the upload did not fail.
QString uploadFailureFate(const TickOutcome& outcome);
// The time as every log line starts.
QString logTime(const QDateTime& time);
// The pictures waiting for their server, the next try and what the outbox could
// not keep, as the status line tells it; empty when nothing waits.
QString outboxSummary(const OutboxState& state);
// The disk under the rules for old pictures: "2.1 GB free, 310 old pictures removed today".
QString cleanupSummary(const CleanupReport& report);
// One clean-up for the service's log: "removed 12 old pictures (3.4 MB), 2.1 GB free".
QString cleanupLogText(const CleanupReport& report);

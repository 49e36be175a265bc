#pragma once

#include <QStringList>

// ombrix --make-video FOLDER [--name NAME] [--from DATE_TIME] [--to DATE_TIME]
//        [--fps N] [--size WxH] -o FILE
// Makes a film of a recorded sequence without any window: a progress line on
// standard error, exit status 0 when the film is made, otherwise a one-line error
// (1: the film could not be made, 2: the command line is wrong). Needs a
// QCoreApplication and GStreamer set up.
int runMakeVideoCommand(const QStringList& arguments, const QString& defaultName);

// True when the command line asks for a film rather than the window.
bool isMakeVideoCommand(int argc, char* argv[]);

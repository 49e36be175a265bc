// One QApplication and one GStreamer per test binary; pictures, fonts and windows need them.
// Binaries that link the uploader set libcurl up first, as the application does.
#if __has_include("FTPController.h")
#include "FTPController.h"
#define OMBRIX_TESTS_UPLOAD 1
#endif

#include <QApplication>
#include <QDir>

#include <gst/gst.h>
#include <gtest/gtest.h>

// Sanitizer settings for every test binary. GStreamer, GLib and Qt are not built
// with the sanitizers: ThreadSanitizer cannot see their synchronisation, and the
// libraries keep some allocations for the life of the process by design.
extern "C" {
const char* __tsan_default_options()
{
    return "halt_on_error=1:second_deadlock_stack=1:ignore_noninstrumented_modules=1";
}
// A queued signal's arguments are copied by Qt on the sending thread and read on
// the receiving one; the hand-over goes through Qt's event queue, whose locks
// ThreadSanitizer cannot see in the uninstrumented Qt. Such copies are no race.
// The value types the recording threads send are named too: when the sending
// side's stack is too old to restore, only the receiving side can be matched.
const char* __tsan_default_suppressions()
{
    return "race:QMetaType::create\nrace:QMetaType::construct\nrace:OutboxState::\nrace:TickOutcome::\n"
           "race:CleanupReport::\nrace:CleanupPreview::\n";
}
const char* __asan_default_options()
{
    return "abort_on_error=1:detect_leaks=1";
}
const char* __ubsan_default_options()
{
    return "print_stacktrace=1:halt_on_error=1";
}
const char* __lsan_default_suppressions()
{
    return "leak:libglib-2.0.so\nleak:libgobject-2.0.so\nleak:libgstreamer-1.0.so\nleak:libfontconfig.so\n"
           "leak:libQt6Core.so\nleak:libQt6Gui.so\nleak:libicuuc.so\nleak:libicui18n.so\n";
}
}

#if defined(__SANITIZE_ADDRESS__)
// The leak check at exit stops every thread and reads its stack; a GLib pool
// thread that ends its idle wait at that moment crashes the checker. End them
// first and wait until the process has no thread left coming or going.
void settleThreads()
{
    gst_task_cleanup_all();
    g_thread_pool_set_max_unused_threads(0);
    g_thread_pool_stop_unused_threads();
    const auto threads = [] { return QDir(QStringLiteral("/proc/self/task")).count(); };
    for (int quiet = 0, tries = 0; quiet < 5 && tries < 100; ++tries) {
        const auto before = threads();
        g_usleep(20 * 1000);
        quiet = threads() == before ? quiet + 1 : 0;
    }
}
#endif

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("GST_PLUGIN_PATH"))
        qputenv("GST_PLUGIN_PATH", OMBRIX_TESTCAM_DIR);
    if (qEnvironmentVariableIsEmpty("GST_REGISTRY"))
        qputenv("GST_REGISTRY", OMBRIX_TEST_REGISTRY);
#ifdef OMBRIX_TESTS_UPLOAD
    const CurlGlobal curl; // before any thread, as in the application
#endif
    ::testing::InitGoogleTest(&argc, argv);
    gst_init(&argc, &argv);
    int failed = 0;
    {
        QApplication app(argc, argv);
        failed = RUN_ALL_TESTS();
    }
#if defined(__SANITIZE_ADDRESS__)
    settleThreads();
#endif
    return failed;
}

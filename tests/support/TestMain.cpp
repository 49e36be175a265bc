// One QGuiApplication and one GStreamer per test binary; pictures and fonts need both.
#include <QGuiApplication>

#include <gst/gst.h>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    gst_init(&argc, &argv);
    QGuiApplication app(argc, argv);
    return RUN_ALL_TESTS();
}

#include "URLFormatter.h"

#include <gtest/gtest.h>

namespace {

struct Case {
    const char* typed;
    const char* value; // nullptr: no value
    bool accepted;
};

class URLFormatterCases : public ::testing::TestWithParam<Case> {};

TEST_P(URLFormatterCases, AcceptsCompletesOrRejects)
{
    const Case c = GetParam();
    URLFormatter formatter;
    QVariant value = QStringLiteral("stale");
    QString error = QStringLiteral("stale");
    const bool accepted = formatter.getObjectValue(&value, QString::fromUtf8(c.typed), &error);
    EXPECT_EQ(accepted, c.accepted);
    EXPECT_EQ(error, c.accepted ? QString() : QStringLiteral("Invalid URL"));
    if (c.value) {
        EXPECT_EQ(value.toString(), QString::fromUtf8(c.value));
        EXPECT_EQ(formatter.stringForObjectValue(value), QString::fromUtf8(c.value)) << "shown again it reads the same";
    } else {
        EXPECT_FALSE(value.isValid());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Addresses, URLFormatterCases,
    ::testing::Values(Case{"", nullptr, true},                                         // empty: accepted, no value
                      Case{"192.0.2.10", "ftp://192.0.2.10", true},                    // bare name with a dot
                      Case{"ftp.example.com/pub/cam", "ftp://ftp.example.com/pub/cam", true},
                      Case{"server/dir.d", "ftp://server/dir.d", true},                // the dot may be in the path
                      Case{"localhost", nullptr, false},                               // bare name without a dot
                      Case{"ftp://localhost", "ftp://localhost", true},                // a scheme needs no dot
                      Case{"ftps://host:990/dir", "ftps://host:990/dir", true},        // FTPS stays FTPS
                      Case{"http://Example.COM/Cam", "http://Example.COM/Cam", true},  // any scheme, kept as typed
                      Case{"ftp://[::1]:2121", "ftp://[::1]:2121", true},              // IPv6 literal
                      Case{"ftp://", nullptr, false},                                  // scheme without host
                      Case{"mailto:someone.example", nullptr, false},                  // scheme without host
                      Case{"example.com:21", nullptr, false},                          // reads as scheme "example.com"
                      Case{"192.0.2.10:2121", nullptr, false},                         // a port needs the scheme
                      Case{"ftp://h.example/Gärten 2026/", "ftp://h.example/Gärten 2026/", true}, // as people type it
                      Case{"ftp://my server.com", nullptr, false},                     // a space in the host: no URL
                      Case{"my server.com", nullptr, false},
                      Case{"ftp://[::1", nullptr, false}));

TEST(URLFormatter, AUserOrPasswordInTheAddressIsRefusedSoItIsNeverStored)
{
    URLFormatter formatter;
    for (const char* typed : {"ftp://bob:pw@host.example", "ftp://bob@host.example/cam", "bob@host.example"}) {
        QVariant value;
        QString error;
        EXPECT_FALSE(formatter.getObjectValue(&value, QString::fromUtf8(typed), &error)) << typed;
        EXPECT_EQ(error, URLFormatter::userInfoText()) << typed;
        EXPECT_FALSE(value.isValid()) << typed;
    }
}

TEST(URLFormatter, WorksWithoutOutSlots)
{
    URLFormatter formatter;
    EXPECT_TRUE(formatter.getObjectValue(nullptr, QStringLiteral("ftp.example.com"), nullptr));
    EXPECT_FALSE(formatter.getObjectValue(nullptr, QStringLiteral("nodot"), nullptr));
    EXPECT_EQ(formatter.stringForObjectValue(QVariant()), QString());
}

} // namespace

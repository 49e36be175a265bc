#include "SendPlan.h"

#include <gtest/gtest.h>

// The sending policy as tables, in milliseconds: no server, no thread, no clock.
namespace {

constexpr qint64 kPause = 1000, kLongest = 5000, kSetAside = 3600000;

// "a" -> ftp://h1/a.jpg; "s:a" -> sftp://h1/a.jpg; "d:a" -> https://h1/a.jpg; "h2/a" -> another server.
Outbox::Item item(const QString& spec, bool setAside = false, qint64 retryAfterMs = 0)
{
    QString scheme = QStringLiteral("ftp"), rest = spec;
    if (rest.startsWith(QLatin1String("s:")))
        scheme = QStringLiteral("sftp"), rest = rest.mid(2);
    else if (rest.startsWith(QLatin1String("d:")))
        scheme = QStringLiteral("https"), rest = rest.mid(2);
    const QString host = rest.contains(QLatin1Char('/')) ? rest.section(QLatin1Char('/'), 0, 0) : QStringLiteral("h1");
    const QString id = rest.section(QLatin1Char('/'), -1);
    Outbox::Item made{id, QUrl(QStringLiteral("%1://%2/%3.jpg").arg(scheme, host, id.left(1))), QStringLiteral("cam"), false, 100,
                      setAside, retryAfterMs ? QDateTime::fromMSecsSinceEpoch(retryAfterMs) : QDateTime(), QString()};
    made.id = id;
    return made;
}

Outbox::Item item(const char* spec, bool setAside = false, qint64 retryAfterMs = 0)
{
    return item(QString::fromLatin1(spec), setAside, retryAfterMs);
}

TransferResult failed(bool permanent = false)
{
    return TransferResult::failed(Error{QStringLiteral("test"), 1, QStringLiteral("refused")}, permanent);
}

TransferResult sent()
{
    TransferResult result;
    result.ok = true;
    return result;
}

QString idOf(const std::optional<Outbox::Item>& picked)
{
    return picked ? picked->id : QStringLiteral("-");
}

QString idsOf(const std::vector<Outbox::Item>& picked)
{
    QStringList ids;
    for (const Outbox::Item& item : picked)
        ids << item.id;
    return ids.isEmpty() ? QStringLiteral("-") : ids.join(QLatin1Char(','));
}

const QSet<QString> kBothHosts{QStringLiteral("h1"), QStringLiteral("h2")};

TEST(SendPlan, WhatGoesNextAndOnWhichConnection)
{
    const struct {
        const char* name;
        std::vector<Outbox::Item> items;
        const char* failedAtZero; // tried at 0 and failed, so that its server is away; "" none
        const char* fresh;        // kept after that failure, never tried
        QSet<QString> passwords;
        qint64 atMs;
        const char* first;
        const char* others; // on connections of their own
    } rows[] = {
        {"oldest first", {item("a"), item("b")}, "", "", kBothHosts, 0, "a", "-"},
        {"none without its password", {item("a"), item("h2/b")}, "", "", {QStringLiteral("h2")}, 0, "b", "-"},
        {"an away server's waiting pictures wait for the pause", {item("a"), item("b")}, "a", "", kBothHosts, 999, "-", "-"},
        {"its new picture is tried at once", {item("a"), item("b"), item("c")}, "a", "c", kBothHosts, 500, "c", "-"},
        {"the pause over, the oldest again", {item("a"), item("b")}, "a", "", kBothHosts, 1000, "a", "-"},
        {"a clock put back ends the pause", {item("a"), item("b")}, "a", "", kBothHosts, -60000, "a", "-"},
        {"another server is not held", {item("a"), item("h2/b")}, "a", "", kBothHosts, 500, "b", "-"},
        {"set aside until its time", {item("a", true, 2000), item("b")}, "", "", kBothHosts, 1999, "b", "-"},
        {"set aside, its time come", {item("a", true, 2000), item("b")}, "", "", kBothHosts, 2000, "a", "-"},
        {"set aside, a clock put back far", {item("a", true, 2000)}, "", "", kBothHosts, 2000 - kSetAside - 1, "a", "-"},
        {"never sendable, never again", {item("a", true, 0)}, "", "", kBothHosts, 1 << 30, "-", "-"},
        {"an SFTP backlog two at a time", {item("s:a"), item("s:b"), item("s:c")}, "", "", kBothHosts, 0, "a", "b"},
        {"never two to one name", {item("s:a1"), item("s:a2")}, "", "", kBothHosts, 0, "a1", "-"},
        {"the second to the same server only", {item("s:a"), item("s:h2/b")}, "", "", kBothHosts, 0, "a", "-"},
        {"no set-aside one on the second", {item("s:a"), item("s:b", true, 1), item("s:c")}, "", "", kBothHosts, 5, "a", "c"},
        {"a WebDAV backlog four at a time", {item("d:a"), item("d:b"), item("d:c"), item("d:d"), item("d:e")}, "", "", kBothHosts, 0, "a", "b,c,d"},
        {"FTP one at a time", {item("a"), item("b")}, "", "", kBothHosts, 0, "a", "-"},
    };
    for (const auto& row : rows) {
        SendPlan plan({kPause, kLongest, kSetAside});
        if (*row.failedAtZero) {
            const SendPlan::Pick tried = plan.next(row.items, row.passwords, 0);
            ASSERT_EQ(idOf(tried.first), QLatin1String(row.failedAtZero)) << row.name;
            plan.settle(tried, failed(), {}, 0);
        }
        if (*row.fresh)
            plan.added(QLatin1String(row.fresh));
        const SendPlan::Pick pick = plan.next(row.items, row.passwords, row.atMs);
        EXPECT_EQ(idOf(pick.first), QLatin1String(row.first)) << row.name;
        EXPECT_EQ(idsOf(pick.others), QLatin1String(row.others)) << row.name;
    }
}

// Each attempt's result moves the pause on: doubled at each failure up to the
// longest, untouched by a new picture failing during it, ended by a success.
TEST(SendPlan, ThePauseGrowsWithFailuresAndEndsAtTheFirstSuccess)
{
    const struct {
        const char* name;
        qint64 atMs;
        bool fresh; // a new picture, tried at once
        bool ok;
        qint64 nextTryMs; // 0: no pause
    } steps[] = {
        {"the first failure", 0, false, false, 1000},
        {"a new one failing during it", 500, true, false, 1000},
        {"the pause over, failing again", 1000, false, false, 3000},
        {"and again", 3000, false, false, 7000},
        {"held at the longest", 7000, false, false, 12000},
        {"a success ends it", 12000, false, true, 0},
        {"the next failure starts small", 13000, false, false, 14000},
    };
    SendPlan plan({kPause, kLongest, kSetAside});
    int n = 0;
    for (const auto& step : steps) {
        const std::vector<Outbox::Item> items{item(QStringLiteral("p%1").arg(n++))};
        if (step.fresh)
            plan.added(items.front().id);
        const SendPlan::Pick pick = plan.next(items, kBothHosts, step.atMs);
        ASSERT_TRUE(pick.first) << step.name;
        plan.settle(pick, step.ok ? sent() : failed(), {}, step.atMs);
        EXPECT_EQ(plan.nextTryMs(), step.nextTryMs) << step.name;
        EXPECT_EQ(plan.isAway(QStringLiteral("h1:21")), !step.ok) << step.name;
    }
    EXPECT_EQ(plan.nextDueMs({item("x", true, 20000)}, 13500), 14000) << "the pause ends before the set-aside one is due";
}

// What becomes of the pictures of one attempt, and what their ticks hear.
TEST(SendPlan, EachPictureOfAnAttemptIsRemovedKeptOrSetAside)
{
    using Action = SendPlan::Fate::Action;
    using Told = TickOutcome::Upload;
    const struct {
        const char* name;
        bool firstSetAside;
        TransferResult first;
        TransferResult second;
        Action firstAction;
        Told firstTold;
        Action secondAction;
        Told secondTold;
        bool secondConnectionAfter;
    } rows[] = {
        {"both arrive", false, sent(), sent(), Action::Remove, Told::Sent, Action::Remove, Told::Sent, true},
        {"the second refused a connection", false, sent(), failed(), Action::Remove, Told::Sent, Action::Keep, Told::NotAsked, false},
        {"the server is away", false, failed(), failed(), Action::Keep, Told::Failed, Action::Keep, Told::Failed, true},
        {"only the second arrived", false, failed(), sent(), Action::Keep, Told::Failed, Action::Remove, Told::Sent, true},
        {"refused for good", false, failed(true), failed(), Action::SetAside, Told::SetAside, Action::Keep, Told::NotAsked, true},
        {"set aside, failing still", true, failed(), failed(), Action::SetAside, Told::Failed, Action::Keep, Told::Failed, true},
    };
    for (const auto& row : rows) {
        SendPlan plan({kPause, kLongest, kSetAside});
        std::vector<Outbox::Item> items{item("s:a", row.firstSetAside, row.firstSetAside ? 10 : 0), item("s:b"), item("s:c")};
        items.front().problem = QStringLiteral("earlier");
        const SendPlan::Pick pick = plan.next(items, kBothHosts, 100);
        ASSERT_EQ(idOf(pick.first) + idsOf(pick.others), QStringLiteral("ab")) << row.name;
        const SendPlan::Settled settled = plan.settle(pick, row.first, {row.second}, 100);
        EXPECT_EQ(settled.first.action, row.firstAction) << row.name;
        EXPECT_EQ(settled.first.told, row.firstTold) << row.name;
        ASSERT_EQ(settled.others.size(), 1u) << row.name;
        EXPECT_EQ(settled.others[0].action, row.secondAction) << row.name;
        EXPECT_EQ(settled.others[0].told, row.secondTold) << row.name;
        if (row.firstAction == Action::SetAside) {
            EXPECT_EQ(settled.first.retryAfterMs, 100 + kSetAside) << row.name;
            EXPECT_EQ(settled.first.problem, row.firstSetAside ? QStringLiteral("earlier") : QStringLiteral("refused")) << row.name;
        }
        if (row.secondTold == Told::Failed) {
            EXPECT_EQ(settled.others[0].error.description, QStringLiteral("refused")) << row.name << ": the first's failure, told";
        }
        plan.retryNow();
        EXPECT_EQ(plan.next({item("s:b"), item("s:c")}, kBothHosts, 200).others.size(), row.secondConnectionAfter ? 1u : 0u) << row.name;
    }
}

// What can never be sent is said before any server sees it.
TEST(SendPlan, APictureThatCanNeverBeSentSaysWhy)
{
    const QByteArray jpeg = QByteArray("\xff\xd8") + QByteArray(100, 'x') + QByteArray("\xff\xd9");
    const struct {
        const char* address;
        QByteArray bytes;
        const char* why; // begins so; "" when it can go
    } rows[] = {
        {"ftp://h1/a.jpg", jpeg, ""},
        {"s3://bucket/cam/a.jpg", jpeg, ""},
        {"ftp://h1/a.jpg", QByteArray(), "it is not a whole JPEG picture (0 bytes)"},
        {"ftp://h1/a.jpg", jpeg.left(50), "it is not a whole JPEG picture (50 bytes)"},
        {"ftp://h1/Cam_20261207.mp4", QByteArray("not a JPEG"), ""},
        {"gopher://h1/a.jpg", jpeg, "its address is not an FTP, SFTP, WebDAV or S3 address"},
        {"ftp://h1/", jpeg, "its address names no server or no file"},
    };
    for (const auto& row : rows) {
        Outbox::Item entry = item("a");
        entry.url = QUrl(QLatin1String(row.address));
        const QString why = SendPlan::unsendable(entry, row.bytes);
        EXPECT_TRUE(*row.why ? why.startsWith(QLatin1String(row.why)) : why.isEmpty()) << row.address << ": " << why.toStdString();
    }
}

} // namespace

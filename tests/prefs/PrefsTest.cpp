#include "CameraFixture.h"
#include "DateFormats.h"
#include "PrefsController.h"
#include "SettingsTable.h"
#include "StampArchive.h"
#include "ui_Prefs.h"

#include <QDir>
#include <QFontInfo>
#include <QTemporaryDir>
#include <QLabel>
#include <QTest>

#include <QSpinBox>

#include <gtest/gtest.h>

namespace {

const QDateTime kLoaded = QDateTime::fromSecsSinceEpoch(1796000000);

class Prefs : public CameraFixture {
protected:
    void SetUp() override
    {
        start(QString());
        prefs = std::make_unique<PrefsController>(store.get(), [] { return kLoaded; });
    }
    QColor sampleColour() { return prefs->ui()->fontExample->palette().color(QPalette::WindowText); }
    std::unique_ptr<PrefsController> prefs;
};

TEST_F(Prefs, FirstOpeningShowsTheStoredFolderFontAndColour)
{
    QWidget* window = prefs->window();
    EXPECT_EQ(prefs->window(), window) << "one window serves every request";
    Ui::Prefs& ui = *prefs->ui();
    EXPECT_EQ(ui.saveFolderPopUp->itemText(0), QStringLiteral("~/Downloads"));
    QDir().mkpath(home.path() + QStringLiteral("/Downloads"));
    store->setObject(QStringLiteral("~/Downloads"), OXSaveToDiskPath);
    EXPECT_FALSE(ui.saveFolderPopUp->itemIcon(0).isNull()) << "the folder's icon";
    EXPECT_EQ(ui.fontExample->text(), localizedLongDateFullTime(kLoaded));
    EXPECT_EQ(ui.fontExample->font().family(), QStringLiteral("Times-Roman"));
    EXPECT_EQ(ui.fontExample->font().pixelSize(), 12);
    EXPECT_TRUE(QFontInfo(ui.fontExample->font()).family().startsWith(QStringLiteral("Nimbus Roman")))
        << "Times-Roman or its fontconfig substitute";
    EXPECT_EQ(sampleColour(), QColor(Qt::black));

    prefs->showFontPanel();
    prefs->showColorPanel();
    ASSERT_NE(prefs->fontPanel(), nullptr);
    ASSERT_NE(prefs->colorPanel(), nullptr);
    EXPECT_EQ(prefs->fontPanel()->windowModality(), Qt::NonModal);
    EXPECT_EQ(prefs->colorPanel()->currentColor(), QColor(Qt::black));
    EXPECT_EQ(prefs->fontPanel()->currentFont().pointSize(), 12);
    const QString drawnIn = QFontInfo(makeStampFont(StampFont{QStringLiteral("Times-Roman"), 12})).family();
    EXPECT_EQ(prefs->fontPanel()->currentFont().family(), drawnIn) << "the dialog shows the family the stamp is drawn in";

    // Only the size changed in the dialog: the stored family stays.
    QFont larger = prefs->fontPanel()->currentFont();
    larger.setPointSize(18);
    prefs->fontPanel()->setCurrentFont(larger);
    EXPECT_EQ(unarchiveFont(store->objectForKey(OXTimestampFont)), (StampFont{QStringLiteral("Times-Roman"), 18}));
}

TEST_F(Prefs, FontAndColourChangesAreStoredAtOnceAndTheSampleFollows)
{
    prefs->window();
    QFont bigger(QStringLiteral("Times-Roman"));
    bigger.setPointSizeF(20);
    prefs->changeFont(bigger);
    EXPECT_EQ(unarchiveFont(store->objectForKey(OXTimestampFont)), (StampFont{QStringLiteral("Times-Roman"), 20}));
    EXPECT_EQ(prefs->ui()->fontExample->font().pixelSize(), 20);
    EXPECT_EQ(prefs->ui()->fontExample->font().family(), QStringLiteral("Times-Roman")) << "the family is kept";

    prefs->showColorPanel();
    prefs->colorPanel()->setCurrentColor(QColor(255, 0, 0));
    EXPECT_EQ(store->objectForKey(OXTimestampColor), QVariant(QStringLiteral("rgba(1, 0, 0, 1)")));
    EXPECT_EQ(sampleColour(), QColor(255, 0, 0));
    EXPECT_EQ(prefs->ui()->fontExample->text(), localizedLongDateFullTime(kLoaded)) << "the sample text stays";

    // The next still uses them without any further step.
    QImage blank(700, 100, QImage::Format_RGB32);
    blank.fill(Qt::white);
    QImage stamped = blank;
    controller->drawCaptureDate(kLoaded, stamped);
    int reddish = 0, maxHeight = 0;
    for (int x = 0; x < stamped.width(); ++x) {
        int column = 0;
        for (int y = 0; y < stamped.height(); ++y) {
            const QColor c = stamped.pixelColor(x, y);
            if (c.red() > 200 && c.green() < 80)
                ++reddish;
            if (c != QColor(Qt::white))
                ++column;
        }
        maxHeight = std::max(maxHeight, column);
    }
    EXPECT_GT(reddish, 50);
    EXPECT_GE(maxHeight, 14) << "20-pixel glyphs, not 12";
}

TEST_F(Prefs, ChoosingAFolderStoresItInTildeFormAndCancellingChangesNothing)
{
    prefs->window();
    const QString before = store->objectForKey(OXSaveToDiskPath).toString();
    prefs->chooseSaveFolder();
    ASSERT_NE(prefs->openPanel(), nullptr);
    EXPECT_EQ(prefs->openPanel()->windowModality(), Qt::WindowModal);
    EXPECT_EQ(prefs->ui()->saveFolderPopUp->currentIndex(), 0) << "the pop-up shows its first item at once";
    prefs->openPanel()->reject();
    EXPECT_EQ(store->objectForKey(OXSaveToDiskPath).toString(), before);

    const QString inside = home.path() + QStringLiteral("/Pictures/garden");
    QDir().mkpath(inside);
    prefs->chooseSaveFolder();
    Q_EMIT prefs->openPanel()->fileSelected(inside);
    EXPECT_EQ(store->objectForKey(OXSaveToDiskPath), QVariant(QStringLiteral("~/Pictures/garden")));
    EXPECT_EQ(prefs->ui()->saveFolderPopUp->itemText(0), QStringLiteral("~/Pictures/garden"));

    QTemporaryDir outside;
    prefs->chooseSaveFolder();
    Q_EMIT prefs->openPanel()->fileSelected(outside.path());
    EXPECT_EQ(store->objectForKey(OXSaveToDiskPath), QVariant(outside.path()));
}

TEST_F(Prefs, TheScheduleControlsShowTheSettingsAndWriteThem)
{
    store->setObject(true, OXActiveHoursFlag);
    store->setObject(QStringLiteral("21:15"), OXActiveFrom);
    store->setObject(33, OXDarkThreshold);
    prefs->window();
    Ui::Prefs& ui = *prefs->ui();
    EXPECT_TRUE(ui.activeHoursCheckBox->isChecked());
    EXPECT_EQ(ui.activeFromField->time(), QTime(21, 15));
    EXPECT_EQ(ui.activeUntilField->time(), QTime(22, 0));
    EXPECT_EQ(ui.darkThresholdField->value(), 33);
    EXPECT_FALSE(ui.darkThresholdField->isEnabled()) << "no threshold while dark pictures are kept";

    ui.activeHoursCheckBox->setChecked(false);
    ui.activeUntilField->setTime(QTime(5, 45));
    ui.skipDarkCheckBox->setChecked(true);
    ui.darkThresholdField->setValue(7);
    EXPECT_FALSE(settingValue(*store, OXActiveHoursFlag));
    EXPECT_EQ(settingValue(*store, OXActiveUntil), QTime(5, 45));
    EXPECT_TRUE(settingValue(*store, OXSkipDarkFlag));
    EXPECT_TRUE(ui.darkThresholdField->isEnabled());
    EXPECT_EQ(settingValue(*store, OXDarkThreshold), 7);

    // Following the sun: the clock times give way, and today's hours are shown as the gate takes them.
    ui.activeHoursCheckBox->setChecked(true);
    ui.sunHoursCheckBox->setChecked(true);
    EXPECT_EQ(settingValue(*store, OXActiveHoursMode), QStringLiteral("sun"));
    EXPECT_FALSE(ui.activeFromField->isEnabled());
    ui.latitudeField->setValue(78.2);
    EXPECT_EQ(ui.sunHoursLabel->text(), QStringLiteral("no pictures today: the sun does not rise")) << "Svalbard in December";
    ui.latitudeField->setValue(51.5);
    const QString noOffset = ui.sunHoursLabel->text();
    EXPECT_TRUE(noOffset.startsWith(QStringLiteral("today "))) << noOffset.toStdString();
    ui.sunriseOffsetField->setValue(30);
    EXPECT_FLOAT_EQ(settingValue(*store, OXLatitude), 51.5f);
    EXPECT_EQ(settingValue(*store, OXSunriseOffset), 30);
    EXPECT_NE(ui.sunHoursLabel->text(), noOffset) << "the offset moves the times shown";
    ui.dailyFilmCheckBox->setChecked(true);
    ui.dailyFilmTimeField->setTime(QTime(1, 30));
    EXPECT_TRUE(settingValue(*store, OXDailyFilmFlag));
    EXPECT_EQ(settingValue(*store, OXDailyFilmTime), QTime(1, 30));
}

// Each rule for old pictures is shown from its setting, and stored once its value rests.
TEST_F(Prefs, TheRulesForOldPicturesShowTheirSettingsAndWriteThemOnceTheyRest)
{
    prefs->window();
    Ui::Prefs& ui = *prefs->ui();
    const std::pair<QSpinBox*, const Setting<int>*> rules[] = {
        {ui.keepDaysField, &OXKeepDays}, {ui.keepMaxMBField, &OXKeepMaxMB},
        {ui.keepFreeMBField, &OXKeepFreeMB}, {ui.keepDaysOnServerField, &OXKeepDaysOnServer}};
    int value = 11;
    for (const auto& [field, key] : rules) {
        SCOPED_TRACE(key->name.toStdString());
        store->setObject(++value, *key);
        EXPECT_EQ(field->value(), value) << "shown from the setting";
        field->setValue(value + 100);
        EXPECT_EQ(settingValue(*store, *key), value) << "not at each step";
        EXPECT_TRUE(QTest::qWaitFor([&] { return settingValue(*store, *key) == value + 100; }, 3000));
    }
}

} // namespace

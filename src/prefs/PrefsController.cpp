#include "PrefsController.h"

#include "DateFormats.h"
#include "PathToImageValueTransformer.h"
#include "Paths.h"
#include "SettingsTable.h"
#include "StampSettings.h"
#include "SunTimes.h"
#include "UserDefaults.h"
#include "ui_Prefs.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QFontDialog>
#include <QFontInfo>
#include <QSpinBox>

PrefsController::PrefsController(UserDefaults* userDefaults, Clock clock, QObject* parent)
    : QObject(parent)
    , m_userDefaults(userDefaults)
    , m_clock(systemClockUnless(std::move(clock)))
{
    connect(m_userDefaults, &UserDefaults::valueChanged, this, [this](const QString& key) {
        if (key == OXSaveToDiskPath && m_ui)
            showSaveFolder();
        if ((key == OXKeepDays || key == OXKeepMaxMB || key == OXKeepFreeMB || key == OXKeepDaysOnServer) && m_ui)
            showKeepRules(); // also a rule put back when its removal was cancelled
    });
}

PrefsController::~PrefsController() = default;

QWidget* PrefsController::window()
{
    if (!m_window) {
        m_window = std::make_unique<QWidget>();
        m_ui = std::make_unique<Ui::Prefs>();
        m_ui->setupUi(m_window.get());
        connect(m_ui->saveFolderPopUp, &QComboBox::activated, this, [this](int index) {
            if (index == 1)
                chooseSaveFolder();
        });
        connect(m_ui->fontButton, &QPushButton::clicked, this, &PrefsController::showFontPanel);
        connect(m_ui->colorButton, &QPushButton::clicked, this, &PrefsController::showColorPanel);
        windowDidLoad();
        bindSchedule();
        bindKeepRules();
    }
    return m_window.get();
}

void PrefsController::showWindow()
{
    window()->show();
    m_window->raise();
    m_window->activateWindow();
}

void PrefsController::windowDidLoad()
{
    showSaveFolder();
    // The sample is the stamp's text at the moment the window was loaded.
    m_ui->fontExample->setText(localizedLongDateFullTime(m_clock()));
    applySampleStyle(storedFont(), storedColor());
}

void PrefsController::bindSchedule()
{
    m_ui->activeHoursCheckBox->setChecked(settingValue(*m_userDefaults, OXActiveHoursFlag));
    m_ui->activeFromField->setTime(settingValue(*m_userDefaults, OXActiveFrom));
    m_ui->activeUntilField->setTime(settingValue(*m_userDefaults, OXActiveUntil));
    m_ui->skipDarkCheckBox->setChecked(settingValue(*m_userDefaults, OXSkipDarkFlag));
    m_ui->darkThresholdField->setValue(settingValue(*m_userDefaults, OXDarkThreshold));
    m_ui->sunHoursCheckBox->setChecked(settingValue(*m_userDefaults, OXActiveHoursMode) == QLatin1String("sun"));
    m_ui->latitudeField->setValue(settingValue(*m_userDefaults, OXLatitude));
    m_ui->longitudeField->setValue(settingValue(*m_userDefaults, OXLongitude));
    m_ui->sunriseOffsetField->setValue(settingValue(*m_userDefaults, OXSunriseOffset));
    m_ui->sunsetOffsetField->setValue(settingValue(*m_userDefaults, OXSunsetOffset));
    m_ui->dailyFilmCheckBox->setChecked(settingValue(*m_userDefaults, OXDailyFilmFlag));
    m_ui->dailyFilmTimeField->setTime(settingValue(*m_userDefaults, OXDailyFilmTime));
    m_ui->dailyFilmUploadCheckBox->setChecked(settingValue(*m_userDefaults, OXDailyFilmUploadFlag));
    const auto showEnabled = [this] {
        const bool hours = m_ui->activeHoursCheckBox->isChecked();
        const bool sun = m_ui->sunHoursCheckBox->isChecked();
        m_ui->activeFromField->setEnabled(hours && !sun);
        m_ui->activeUntilField->setEnabled(hours && !sun);
        m_ui->sunHoursCheckBox->setEnabled(hours);
        for (QWidget* field : std::initializer_list<QWidget*>{m_ui->latitudeField, m_ui->longitudeField, m_ui->sunriseOffsetField,
                                                              m_ui->sunsetOffsetField, m_ui->sunHoursLabel})
            field->setEnabled(hours && sun);
        m_ui->darkThresholdField->setEnabled(m_ui->skipDarkCheckBox->isChecked());
        m_ui->dailyFilmTimeField->setEnabled(m_ui->dailyFilmCheckBox->isChecked());
        m_ui->dailyFilmUploadCheckBox->setEnabled(m_ui->dailyFilmCheckBox->isChecked());
        // Today's hours, as the gate will follow them.
        m_ui->sunHoursLabel->setText(SunHours::on(m_clock().date(), m_ui->latitudeField->value(), m_ui->longitudeField->value(),
                                                  m_ui->sunriseOffsetField->value(), m_ui->sunsetOffsetField->value())
                                         .text());
    };
    showEnabled();
    connect(m_ui->activeHoursCheckBox, &QCheckBox::toggled, this, [this, showEnabled](bool on) {
        setSettingValue(*m_userDefaults, OXActiveHoursFlag, on);
        showEnabled();
    });
    connect(m_ui->skipDarkCheckBox, &QCheckBox::toggled, this, [this, showEnabled](bool on) {
        setSettingValue(*m_userDefaults, OXSkipDarkFlag, on);
        showEnabled();
    });
    connect(m_ui->activeFromField, &QTimeEdit::timeChanged, this,
            [this](QTime t) { setSettingValue(*m_userDefaults, OXActiveFrom, t); });
    connect(m_ui->activeUntilField, &QTimeEdit::timeChanged, this,
            [this](QTime t) { setSettingValue(*m_userDefaults, OXActiveUntil, t); });
    connect(m_ui->darkThresholdField, &QSpinBox::valueChanged, this,
            [this](int percent) { setSettingValue(*m_userDefaults, OXDarkThreshold, percent); });
    connect(m_ui->sunHoursCheckBox, &QCheckBox::toggled, this, [this, showEnabled](bool on) {
        setSettingValue(*m_userDefaults, OXActiveHoursMode, on ? QStringLiteral("sun") : QStringLiteral("clock"));
        showEnabled();
    });
    for (const auto& [field, setting] : {std::pair{m_ui->latitudeField, &OXLatitude}, {m_ui->longitudeField, &OXLongitude}})
        connect(field, &QDoubleSpinBox::valueChanged, this, [this, setting, showEnabled](double degrees) {
            setSettingValue(*m_userDefaults, *setting, degrees);
            showEnabled();
        });
    for (const auto& [field, setting] : {std::pair{m_ui->sunriseOffsetField, &OXSunriseOffset}, {m_ui->sunsetOffsetField, &OXSunsetOffset}})
        connect(field, &QSpinBox::valueChanged, this, [this, setting, showEnabled](int minutes) {
            setSettingValue(*m_userDefaults, *setting, minutes);
            showEnabled();
        });
    for (const auto& [box, setting] : {std::pair{m_ui->dailyFilmCheckBox, &OXDailyFilmFlag}, {m_ui->dailyFilmUploadCheckBox, &OXDailyFilmUploadFlag}})
        connect(box, &QCheckBox::toggled, this, [this, setting, showEnabled](bool on) {
            setSettingValue(*m_userDefaults, *setting, on);
            showEnabled();
        });
    connect(m_ui->dailyFilmTimeField, &QTimeEdit::timeChanged, this,
            [this](QTime t) { setSettingValue(*m_userDefaults, OXDailyFilmTime, t); });
}

namespace {

std::vector<std::pair<QSpinBox*, const Setting<int>*>> keepRuleFields(Ui::Prefs& ui)
{
    return {{ui.keepDaysField, &OXKeepDays},
            {ui.keepMaxMBField, &OXKeepMaxMB},
            {ui.keepFreeMBField, &OXKeepFreeMB},
            {ui.keepDaysOnServerField, &OXKeepDaysOnServer}};
}

} // namespace

void PrefsController::bindKeepRules()
{
    // Stored once a value rests, so that stepping down to it does not remove (or
    // ask about) each step on the way.
    m_keepRulesWrite.setSingleShot(true);
    m_keepRulesWrite.setInterval(1000);
    showKeepRules();
    for (const auto& [field, key] : keepRuleFields(*m_ui))
        connect(field, &QSpinBox::valueChanged, &m_keepRulesWrite, qOverload<>(&QTimer::start));
    connect(&m_keepRulesWrite, &QTimer::timeout, this, [this] {
        for (const auto& [field, key] : keepRuleFields(*m_ui))
            if (field->value() != settingValue(*m_userDefaults, *key))
                setSettingValue(*m_userDefaults, *key, field->value());
    });
}

void PrefsController::showKeepRules()
{
    for (const auto& [field, key] : keepRuleFields(*m_ui)) {
        const QSignalBlocker quiet(field);
        field->setValue(settingValue(*m_userDefaults, *key));
    }
}

void PrefsController::showSaveFolder()
{
    const QString folder = settingValue(*m_userDefaults, OXSaveToDiskPath);
    m_ui->saveFolderPopUp->setItemText(0, folder);
    m_ui->saveFolderPopUp->setItemIcon(0, PathToImageValueTransformer::transformedValue(folder));
    m_ui->saveFolderPopUp->setItemData(0, expandTilde(folder), Qt::ToolTipRole);
}

QFont PrefsController::storedFont() const
{
    return makeStampFont(stampFontFromSettings(*m_userDefaults));
}

QColor PrefsController::storedColor() const
{
    return stampColorFromSettings(*m_userDefaults);
}

void PrefsController::applySampleStyle(const QFont& font, const QColor& color)
{
    // The sample shows the stamp at its size in pixels, as on the pictures.
    QFont pixelFont = font;
    pixelFont.setPixelSize(qMax(1, qRound(font.pointSizeF())));
    m_ui->fontExample->setFont(pixelFont);
    QPalette palette = m_ui->fontExample->palette();
    palette.setColor(QPalette::WindowText, color);
    m_ui->fontExample->setPalette(palette);
}

void PrefsController::chooseSaveFolder()
{
    window();
    auto* panel = new QFileDialog(m_window.get(), tr("Choose the folder for saved pictures"),
                                  expandTilde(settingValue(*m_userDefaults, OXSaveToDiskPath)));
    panel->setFileMode(QFileDialog::Directory);
    panel->setOption(QFileDialog::ShowDirsOnly);
    panel->setAttribute(Qt::WA_DeleteOnClose);
    panel->setWindowModality(Qt::WindowModal);
    connect(panel, &QFileDialog::fileSelected, this, [this](const QString& folder) {
        if (!folder.isEmpty())
            setSettingValue(*m_userDefaults, OXSaveToDiskPath, abbreviateWithTilde(folder));
    });
    m_openPanel = panel;
    panel->open();
    m_ui->saveFolderPopUp->setCurrentIndex(0); // at once, whatever the answer will be
}

void PrefsController::showFontPanel()
{
    window();
    if (!m_fontPanel) {
        // Opened on the family the stamp really uses ("Times-Roman" is drawn in Nimbus
        // Roman): the dialog lists installed families only and would show another.
        QFont shown = storedFont();
        shown.setFamily(QFontInfo(shown).family());
        m_fontPanel = new QFontDialog(shown, m_window.get());
        m_fontPanel->setOption(QFontDialog::NoButtons);
        m_fontPanel->setWindowModality(Qt::NonModal);
        connect(m_fontPanel, &QFontDialog::currentFontChanged, this, &PrefsController::changeFont);
    }
    m_fontPanel->show();
}

void PrefsController::showColorPanel()
{
    window();
    if (!m_colorPanel) {
        m_colorPanel = new QColorDialog(storedColor(), m_window.get());
        m_colorPanel->setOption(QColorDialog::NoButtons);
        m_colorPanel->setWindowModality(Qt::NonModal);
        connect(m_colorPanel, &QColorDialog::currentColorChanged, this, &PrefsController::changeColor);
    }
    m_colorPanel->show();
}

void PrefsController::changeFont(const QFont& font)
{
    window();
    const double size = font.pointSizeF() > 0 ? font.pointSizeF() : storedFont().pointSizeF();
    // Only the size changed when the family is the one the stored name resolves to:
    // the stored name stays as it was.
    QString family = font.family();
    if (family == QFontInfo(storedFont()).family())
        family = stampFontFromSettings(*m_userDefaults).family;
    setSettingValue(*m_userDefaults, OXTimestampFont, archivedFont(StampFont{family, size}));
    applySampleStyle(storedFont(), storedColor());
}

void PrefsController::changeColor(const QColor& color)
{
    window();
    // Stored as soon as it is picked: the colour panel is how the stamp colour is chosen here.
    setSettingValue(*m_userDefaults, OXTimestampColor, archivedColor(color));
    applySampleStyle(storedFont(), storedColor());
}

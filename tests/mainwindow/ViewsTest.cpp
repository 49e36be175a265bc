#include "CameraSuspendedView.h"
#include "CaptureButtonCell.h"
#include "ContentViewControllers.h"
#include "CapturePreviewView.h"
#include "DisabledTextField.h"
#include "FrameSamples.h"
#include "SettingsTable.h"
#include "SideBarPaneView.h"
#include "SideBarStacker.h"
#include "WindowFixture.h"

#include <QAbstractButton>
#include <QLabel>
#include <QPropertyAnimation>
#include <QSignalSpy>
#include <QTranslator>

#include <gtest/gtest.h>

namespace {

using Views = WindowFixture;

TEST_F(Views, PreviewIsMirroredWhileStillsAreNot)
{
    open(QStringLiteral("Bars=320x240"));
    auto* preview = window->currentViewController()->view();
    ASSERT_TRUE(QTest::qWaitFor([&] { return static_cast<CapturePreviewView*>(preview)->framesShown() > 2; }, 5000));
    const QImage shown = preview->grab().toImage();
    // The bars run grey to blue from left to right; in the preview, blue is on the left.
    const QColor left = shown.pixelColor(shown.width() / 2 - 140, 30), right = shown.pixelColor(shown.width() / 2 + 140, 30);
    EXPECT_GT(left.blue(), 150);
    EXPECT_LT(left.red(), 60);
    EXPECT_GT(right.red(), 150);
    EXPECT_NEAR(right.red(), right.blue(), 30);
    const QImage still = QImage::fromData(*controller->takePictureWithFileType(CameraController::FileType::JPEG, 1.0), "JPEG");
    EXPECT_LT(still.pixelColor(still.width() - 10, 30).red(), 60) << "the still keeps blue on the right";
    if (HasFailure())
        shown.save(QStringLiteral("test-output-preview.png"));
}

TEST_F(Views, RecordButtonImageFollowsItsState)
{
    open(QStringLiteral("Cam=160x120"));
    CaptureButtonCell* button = ui().startStopButton;
    EXPECT_EQ(button->imageName(), QStringLiteral("media-record_disabled")) << "nothing to record to yet";
    store->setObject(true, OXSaveToDiskFlag);
    EXPECT_EQ(button->imageName(), QStringLiteral("media-record_sw"));
    window->startRecording();
    EXPECT_EQ(button->imageName(), QStringLiteral("media-record"));
    button->setDown(true);
    EXPECT_EQ(button->imageName(), QStringLiteral("media-record_pressed"));
    button->setDown(false);
    window->stopRecording();
    EXPECT_EQ(button->imageName(), QStringLiteral("media-record_sw"));
    for (const QString& name : {QStringLiteral("media-record"), QStringLiteral("media-record_sw"),
                                QStringLiteral("media-record_disabled"), QStringLiteral("media-record_pressed")})
        EXPECT_FALSE(QPixmap(QStringLiteral(":/images/%1.png").arg(name)).isNull()) << name.toStdString();
    // The image fills the button, whatever its size.
    button->resize(50, 30);
    const QImage drawn = button->grab().toImage();
    EXPECT_GT(qAlpha(drawn.pixel(25, 15)), 200);
}

TEST_F(Views, CollapsingAPaneKeepsTheTopEdgeAndShrinksTheWindowByTheBox)
{
    open(QStringLiteral("Cam=160x120"));
    QWidget* w = window->window();
    const int top = w->y(), height = w->height(), width = w->width();
    const int distance = ui().recBox->height() + SideBarPaneView::kCollapseExtra;
    const int ftpTop = ui().ftpPane->y();
    ui().recPane->setAnimationDuration(50);

    ui().recPaneCollapseButton->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return w->height() == height - distance; }, 3000)) << w->height();
    EXPECT_EQ(w->y(), top);
    EXPECT_EQ(w->width(), width);
    EXPECT_EQ(ui().ftpPane->y(), ftpTop - distance) << "the lower pane moves up with it";
    EXPECT_EQ(ui().statusLabel->y(), ui().centralwidget->height() - SideBarStacker::kBottomMargin + 1);

    ui().recPaneCollapseButton->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return w->height() == height; }, 3000)) << w->height();
    EXPECT_EQ(w->y(), top);
    EXPECT_EQ(ui().ftpPane->y(), ftpTop);

    // Clicked again while it moves, many times: it ends where it was designed to, no taller.
    const int paneHeight = ui().recPane->height();
    ui().recPane->setAnimationDuration(400);
    // Each click waits for the pane to be on its way, so the next lands mid-animation.
    const auto clickAndWaitForMove = [&] {
        const int from = ui().recPane->height();
        ui().recPaneCollapseButton->click();
        return QTest::qWaitFor([&] { return ui().recPane->height() != from; }, 3000);
    };
    for (int round = 0; round < 4; ++round) {
        ASSERT_TRUE(clickAndWaitForMove());
        ASSERT_TRUE(clickAndWaitForMove());
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return ui().recPane->height() == paneHeight && w->height() == height; }, 3000))
        << ui().recPane->height() << " against " << paneHeight << ", window " << w->height() << " against " << height;
    // Once every animation has stopped, it stays there.
    ASSERT_TRUE(QTest::qWaitFor([&] { return ui().recPane->findChildren<QPropertyAnimation*>().isEmpty(); }, 3000));
    EXPECT_EQ(ui().recPane->height(), paneHeight);
    EXPECT_EQ(w->height(), height);
}

TEST(SideBarLayout, WorkedExampleInTopDownCoordinates)
{
    // Content 400 x 578: a region 256 high above a side bar of 300 (panes of 180
    // and 120), and the bottom margin of 22.
    QWidget window;
    window.resize(400, 578);
    auto* sideBar = new QWidget(&window);
    sideBar->setGeometry(0, 256, 400, 300);
    auto* recPane = new QWidget(sideBar);
    recPane->setGeometry(0, 0, 400, 180);
    auto* ftpPane = new QWidget(sideBar);
    ftpPane->setGeometry(0, 180, 400, 120);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    const QPoint topLeft = window.pos();

    SideBarStacker stacker(&window, &window, sideBar);
    EXPECT_EQ(stacker.topMargin(), 256);
    stacker.addPane(recPane);
    stacker.addPane(ftpPane);
    recPane->resize(400, 80); // the top pane shrinks to 80
    EXPECT_EQ(recPane->geometry(), QRect(0, 0, 400, 80));
    EXPECT_EQ(ftpPane->geometry(), QRect(0, 80, 400, 120));
    EXPECT_EQ(sideBar->geometry(), QRect(0, 256, 400, 200));
    EXPECT_EQ(window.size(), QSize(400, 478)) << "256 + 200 + 22";
    EXPECT_EQ(window.pos(), topLeft);

    auto* empty = new QWidget(&window);
    empty->setGeometry(0, 256, 380, 50);
    SideBarStacker none(&window, &window, empty);
    none.repositionViewsIgnoringView(nullptr);
    EXPECT_EQ(window.size(), QSize(380, 256 + 22)) << "no panes: the region above and the margin; the bar's width";
}

TEST(Placeholder, TextIsCentredInWhiteOnBlack)
{
    CameraSuspendedView view;
    view.resize(320, 240);
    view.setAttrString(QStringLiteral("No camera available"));
    const QImage image = view.grab().toImage();
    QImage black(image.size(), QImage::Format_RGB32);
    black.fill(Qt::black);
    const QRect ink = inkBounds(image, black, 384);
    ASSERT_FALSE(ink.isNull());
    EXPECT_NEAR(ink.center().x(), 160, 3);
    EXPECT_NEAR(ink.center().y(), 120, 4);
    EXPECT_EQ(image.pixelColor(2, 2), QColor(Qt::black));
    view.setAttrString(QString());
    EXPECT_EQ(view.grab().toImage().pixelColor(160, 120), QColor(Qt::black));
}

TEST(DisabledTextField, GreysItsTextWhenDisabled)
{
    DisabledTextField field;
    const QColor enabled = field.palette().color(QPalette::Active, QPalette::Text);
    field.setEnabled(false);
    const QColor disabled = field.palette().color(QPalette::Disabled, QPalette::Text);
    EXPECT_NE(disabled, enabled);
    EXPECT_GT(qGray(disabled.rgb()), qGray(enabled.rgb()));
}

} // namespace

namespace {

TEST_F(Views, ControlsWriteTheirSettingsAndFollowThem)
{
    open(QStringLiteral("Cam=160x120"));
    int fileWrites = 0;
    QObject::connect(store.get(), &UserDefaults::valueChanged, [&](const QString& key) { fileWrites += key == OXImageFilename; });
    ui().filenameTextField->setFocus();
    ui().filenameTextField->selectAll();
    QTest::keyClicks(ui().filenameTextField, QStringLiteral("garden"));
    EXPECT_EQ(fileWrites, 0) << "not at every key";
    ASSERT_TRUE(QTest::qWaitFor([&] { return store->objectForKey(OXImageFilename) == QVariant(QStringLiteral("garden")); }, 3000))
        << "written when typing pauses";
    EXPECT_EQ(fileWrites, 1);
    QTest::keyClicks(ui().filenameTextField, QStringLiteral("-gate"));
    Q_EMIT ui().filenameTextField->editingFinished();
    EXPECT_EQ(store->objectForKey(OXImageFilename), QVariant(QStringLiteral("garden-gate"))) << "written when editing finishes";
    QTest::keyClicks(ui().filenameTextField, QStringLiteral("s"));
    window.reset(); // quitting while typing
    EXPECT_EQ(store->objectForKey(OXImageFilename), QVariant(QStringLiteral("garden-gates"))) << "kept when the window goes";
    open(QStringLiteral("Cam=160x120"));
    ui().timestampCheckBox->click();
    EXPECT_TRUE(store->boolForKey(OXInsertTimestampFlag));
    ui().qualitySlider->setValue(80);
    EXPECT_FLOAT_EQ(store->objectForKey(OXImageQuality).toFloat(), 0.8f);

    store->setObject(true, OXSaveSequenceFlag); // changed elsewhere
    EXPECT_TRUE(ui().sequenceCheckBox->isChecked());
    store->setObject(QStringLiteral("~/Pictures/cam"), OXSaveToDiskPath);
    EXPECT_EQ(ui().saveFolderField->text(), QStringLiteral("~/Pictures/cam"));
    EXPECT_FALSE(ui().saveFolderField->isEnabled());
    EXPECT_EQ(ui().passwordTextField->echoMode(), QLineEdit::Password);

    ui().serverTextField->setText(QStringLiteral("nodot"));
    Q_EMIT ui().serverTextField->editingFinished();
    EXPECT_FALSE(store->objectForKey(OXFTPServerAddress).isValid()) << "a rejected address is not stored";
    EXPECT_EQ(ui().serverErrorLabel->text(), QStringLiteral("Invalid URL"));
    ui().serverTextField->setText(QStringLiteral("ftp.example.com/cam"));
    Q_EMIT ui().serverTextField->editingFinished();
    EXPECT_EQ(store->objectForKey(OXFTPServerAddress), QVariant(QStringLiteral("ftp://ftp.example.com/cam")));
    EXPECT_EQ(ui().serverTextField->text(), QStringLiteral("ftp://ftp.example.com/cam"));
    EXPECT_TRUE(ui().serverErrorLabel->text().isEmpty());
}

} // namespace

namespace {

// Every text half as long again, and short ones longer still, as translations often are.
class LongerTexts : public QTranslator {
public:
    bool isEmpty() const override { return false; }
    QString translate(const char*, const char* source, const char*, int) const override
    {
        const QString text = QString::fromUtf8(source);
        return text.isEmpty() || text.startsWith(QLatin1Char('<')) ? QString() : text + QLatin1Char(' ') + text.left(std::max<qsizetype>(text.size() / 2, 8));
    }
};

} // namespace

TEST_F(Views, LongerTranslatedLabelsGetTheRoomTheyNeed)
{
    LongerTexts longer;
    QCoreApplication::installTranslator(&longer);
    open(QStringLiteral("Cam=160x120"));
    QCoreApplication::removeTranslator(&longer);
    ASSERT_EQ(ui().intervalLabel->text(), QStringLiteral("Every Every"));
    for (QWidget* box : {static_cast<QWidget*>(ui().recBox), static_cast<QWidget*>(ui().ftpBox)}) {
        for (QWidget* control : box->findChildren<QWidget*>()) {
            if (!qobject_cast<QLabel*>(control) && !qobject_cast<QAbstractButton*>(control))
                continue;
            const QString name = control->objectName();
            EXPECT_GE(control->width(), control->sizeHint().width()) << name.toStdString();
            EXPECT_GE(control->height(), control->sizeHint().height()) << name.toStdString();
            EXPECT_TRUE(box->rect().contains(control->geometry())) << name.toStdString();
        }
        EXPECT_TRUE(box->parentWidget()->rect().contains(box->geometry()));
    }
    EXPECT_GE(ui().ftpPane->geometry().top(), ui().recPane->geometry().bottom()) << "the panes do not overlap";
}

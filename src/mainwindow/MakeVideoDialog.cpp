#include "MakeVideoDialog.h"

#include "SettingsBinder.h"
#include "ui_MakeVideoDialog.h"

#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QImageReader>
#include <QMessageBox>
#include <QLocale>
#include <QStandardPaths>
#include <QUrl>

namespace {

// "1 min 05 s", "2.0 s": the film's length as a person reads it.
QString lengthText(double seconds)
{
    if (seconds < 60)
        return MakeVideoDialog::tr("%1 s").arg(QLocale().toString(seconds, 'f', 1)); // "2,5 s" in German
    const int whole = int(seconds + 0.5);
    if (whole < 3600)
        return MakeVideoDialog::tr("%1 min %2 s").arg(whole / 60).arg(whole % 60, 2, 10, QLatin1Char('0'));
    return MakeVideoDialog::tr("%1 h %2 min").arg(whole / 3600).arg((whole % 3600) / 60, 2, 10, QLatin1Char('0'));
}

QString picturesText(int count)
{
    return count == 1 ? MakeVideoDialog::tr("1 picture") : MakeVideoDialog::tr("%1 pictures").arg(count);
}

QString sizeText(QSize size)
{
    return QStringLiteral("%1×%2").arg(size.width()).arg(size.height());
}

} // namespace

MakeVideoDialog::MakeVideoDialog(const QString& folder, const QString& name, UserDefaults* userDefaults, QWidget* parent)
    : QDialog(parent)
    , m_ui(std::make_unique<Ui::MakeVideoDialog>())
    , m_maker(std::make_unique<FilmMaker>())
{
    m_ui->setupUi(this);
    new SettingsBinder(this, userDefaults, this);
    m_ui->folderField->setText(folder);
    m_ui->nameField->setText(name);
    for (const FilmFormat& format : FilmFormat::installed())
        m_ui->formatPopUp->addItem(format.displayName(), int(format.codec));

    connect(m_ui->folderField, &QLineEdit::editingFinished, this, &MakeVideoDialog::rescan);
    connect(m_ui->nameField, &QLineEdit::editingFinished, this, &MakeVideoDialog::rescan);
    connect(m_ui->chooseFolderButton, &QPushButton::clicked, this, &MakeVideoDialog::chooseFolder);
    connect(m_ui->fromField, &QDateTimeEdit::dateTimeChanged, this, &MakeVideoDialog::rangeChanged);
    connect(m_ui->toField, &QDateTimeEdit::dateTimeChanged, this, &MakeVideoDialog::rangeChanged);
    connect(m_ui->fpsField, &QSpinBox::valueChanged, this, &MakeVideoDialog::updateLength);
    connect(m_ui->formatPopUp, &QComboBox::currentIndexChanged, this, &MakeVideoDialog::suggestOutput);
    connect(m_ui->outputField, &QLineEdit::textEdited, this, [this] { m_outputEdited = true; });
    connect(m_ui->chooseOutputButton, &QPushButton::clicked, this, &MakeVideoDialog::chooseOutput);
    connect(m_ui->makeButton, &QPushButton::clicked, this, &MakeVideoDialog::make);
    connect(m_ui->cancelButton, &QPushButton::clicked, m_maker.get(), &FilmMaker::cancel);
    connect(m_ui->closeButton, &QPushButton::clicked, this, &QDialog::close);
    // The maker reports from its own thread; these run on the dialog's.
    connect(m_maker.get(), &FilmMaker::progressed, this, &MakeVideoDialog::showProgress);
    connect(m_maker.get(), &FilmMaker::finished, this, &MakeVideoDialog::finish);
    setMaking(false);
    rescan();
}

MakeVideoDialog::~MakeVideoDialog() = default;

void MakeVideoDialog::closeEvent(QCloseEvent* event)
{
    // A film half made is of no use: closing the dialog cancels it.
    if (m_making)
        m_maker->cancel();
    QDialog::closeEvent(event);
}

void MakeVideoDialog::rescan()
{
    m_sequence = PictureSequence::scan(m_ui->folderField->text(), m_ui->nameField->text());
    m_pictureSize = m_sequence.isEmpty() ? QSize() : QImageReader(m_sequence.pictures().front().path).size();
    const QSignalBlocker fromBlocker(m_ui->fromField), toBlocker(m_ui->toField);
    if (!m_sequence.isEmpty()) {
        // Everything by default.
        m_ui->fromField->setDateTime(m_sequence.pictures().front().taken);
        m_ui->toField->setDateTime(m_sequence.pictures().back().taken);
    }
    m_ui->fromField->setEnabled(!m_sequence.isEmpty());
    m_ui->toField->setEnabled(!m_sequence.isEmpty());

    m_ui->sizePopUp->clear();
    if (m_pictureSize.isValid())
        m_ui->sizePopUp->addItem(tr("The pictures' size (%1)").arg(sizeText(m_pictureSize)), QSize());
    else
        m_ui->sizePopUp->addItem(tr("The pictures' size"), QSize());
    // Only ever scaled down.
    for (const QSize size : {QSize(1920, 1080), QSize(1280, 720)})
        if (!m_pictureSize.isValid() || size.width() * size.height() < m_pictureSize.width() * m_pictureSize.height())
            m_ui->sizePopUp->addItem(sizeText(size), size);
    rangeChanged();
}

void MakeVideoDialog::rangeChanged()
{
    // Chosen once per change of the folder, name or range; the length, the suggested
    // name and the film read it.
    m_chosen = m_sequence.isEmpty() ? std::vector<SequencePicture>()
                                    : m_sequence.between(m_ui->fromField->dateTime(), m_ui->toField->dateTime());
    const std::vector<SequencePicture>& pictures = m_chosen;
    if (m_sequence.isEmpty()) {
        m_ui->foundLabel->setText(tr("No pictures named %1_yyyyMMdd_HHmmss.jpg in this folder.").arg(m_ui->nameField->text()));
    } else if (pictures.empty()) {
        m_ui->foundLabel->setText(tr("No pictures between these times (%1 in the folder).").arg(m_sequence.pictures().size()));
    } else {
        const QLocale locale;
        const QDateTime first = pictures.front().taken, last = pictures.back().taken;
        m_ui->foundLabel->setText(tr("%1, taken over %2: %3 to %4.")
                                      .arg(picturesText(int(pictures.size())), lengthText(double(first.secsTo(last))),
                                           locale.toString(first, QLocale::ShortFormat),
                                           locale.toString(last, QLocale::ShortFormat)));
    }
    updateLength();
    suggestOutput();
}

void MakeVideoDialog::updateLength()
{
    const size_t count = m_chosen.size();
    m_ui->lengthLabel->setText(tr("= %1 of film").arg(lengthText(double(count) / m_ui->fpsField->value())));
    m_ui->makeButton->setEnabled(!m_making && count > 0 && m_ui->formatPopUp->count() > 0);
}

FilmFormat MakeVideoDialog::chosenFormat() const
{
    return FilmFormat{FilmCodec(m_ui->formatPopUp->currentData().toInt())};
}

void MakeVideoDialog::suggestOutput()
{
    if (m_outputEdited || m_ui->formatPopUp->count() == 0)
        return;
    const std::vector<SequencePicture>& pictures = m_chosen;
    QString folder = QStandardPaths::writableLocation(QStandardPaths::MoviesLocation);
    if (folder.isEmpty())
        folder = QDir::homePath();
    QString name = m_ui->nameField->text();
    if (!pictures.empty())
        name += QStringLiteral("_%1_%2").arg(pictures.front().taken.toString(QStringLiteral("yyyyMMdd-HHmm")),
                                             pictures.back().taken.toString(QStringLiteral("yyyyMMdd-HHmm")));
    m_ui->outputField->setText(QDir(folder).filePath(name + QLatin1Char('.') + chosenFormat().extension()));
}

void MakeVideoDialog::chooseFolder()
{
    const QString folder = QFileDialog::getExistingDirectory(this, tr("Pictures in"), m_ui->folderField->text());
    if (folder.isEmpty())
        return;
    m_ui->folderField->setText(folder);
    rescan();
}

void MakeVideoDialog::chooseOutput()
{
    const FilmFormat format = chosenFormat();
    const QString file = QFileDialog::getSaveFileName(this, tr("Save Video As"), m_ui->outputField->text(),
                                                      QStringLiteral("%1 (*.%2)").arg(format.displayName(), format.extension()));
    if (file.isEmpty())
        return;
    m_ui->outputField->setText(file);
    m_outputEdited = true;
}

void MakeVideoDialog::setMaking(bool making)
{
    m_making = making;
    for (QWidget* field : {static_cast<QWidget*>(m_ui->folderField), static_cast<QWidget*>(m_ui->chooseFolderButton),
                           static_cast<QWidget*>(m_ui->nameField), static_cast<QWidget*>(m_ui->fromField),
                           static_cast<QWidget*>(m_ui->toField), static_cast<QWidget*>(m_ui->fpsField),
                           static_cast<QWidget*>(m_ui->sizePopUp), static_cast<QWidget*>(m_ui->formatPopUp),
                           static_cast<QWidget*>(m_ui->outputField), static_cast<QWidget*>(m_ui->chooseOutputButton),
                           static_cast<QWidget*>(m_ui->deflickerCheckBox)})
        field->setEnabled(!making);
    if (!making && m_sequence.isEmpty()) {
        m_ui->fromField->setEnabled(false);
        m_ui->toField->setEnabled(false);
    }
    m_ui->cancelButton->setVisible(making);
    m_ui->progressBar->setVisible(making);
    updateLength();
}

void MakeVideoDialog::make()
{
    FilmRequest request;
    for (const SequencePicture& picture : m_chosen)
        request.pictures.append(picture.path);
    if (request.pictures.isEmpty())
        return;
    request.output = m_ui->outputField->text().trimmed();
    if (request.output.isEmpty())
        return;
    request.format = chosenFormat();
    request.framesPerSecond = m_ui->fpsField->value();
    request.size = m_ui->sizePopUp->currentData().toSize();
    request.deflicker = m_ui->deflickerCheckBox->isChecked();
    if (QFileInfo::exists(request.output) &&
        QMessageBox::question(this, tr("Replace Video"), tr("\"%1\" exists. Replace it?").arg(request.output)) != QMessageBox::Yes)
        return;
    m_output = request.output;
    m_ui->progressBar->setRange(0, int(request.pictures.size()));
    m_ui->progressBar->setValue(0);
    m_ui->progressLabel->setText(tr("Starting…"));
    m_elapsed.start();
    setMaking(true);
    m_maker->start(std::move(request));
}

void MakeVideoDialog::showProgress(int done, int total)
{
    m_ui->progressBar->setValue(done);
    QString text = tr("%1 of %2 pictures").arg(done).arg(total);
    // An estimate after the first moments only: the encoder starts slowly.
    if (done > 0 && m_elapsed.elapsed() > 1000)
        text += tr(", about %1 left").arg(lengthText(double(m_elapsed.elapsed()) / 1000.0 * (total - done) / done));
    m_ui->progressLabel->setText(text);
}

void MakeVideoDialog::finish(const FilmOutcome& outcome)
{
    setMaking(false);
    QString text;
    if (outcome.status == FilmOutcome::Status::Made) {
        text = tr("Made %1: %2 of film from %3.")
                   .arg(QFileInfo(m_output).fileName(), lengthText(double(outcome.framesWritten) / m_ui->fpsField->value()),
                        picturesText(outcome.framesWritten));
        if (outcome.picturesSkipped > 0)
            text += QLatin1Char(' ') + (outcome.picturesSkipped == 1
                                            ? tr("1 picture could not be read and was left out.")
                                            : tr("%1 pictures could not be read and were left out.").arg(outcome.picturesSkipped));
    } else if (outcome.status == FilmOutcome::Status::Cancelled) {
        text = tr("Cancelled; no video was saved.");
    } else {
        text = tr("The video could not be made: %1").arg(outcome.error);
    }
    m_ui->progressLabel->setText(text);
    if (outcome.status != FilmOutcome::Status::Cancelled) {
        // Not modal: the main window and recording go on while it waits for a person.
        delete m_resultMessage;
        m_resultMessage = new QMessageBox(outcome.status == FilmOutcome::Status::Made ? QMessageBox::Information
                                                                                      : QMessageBox::Warning,
                                          windowTitle(), text, QMessageBox::Ok, this);
        if (outcome.status == FilmOutcome::Status::Made) {
            QPushButton* open = m_resultMessage->addButton(tr("Open Folder"), QMessageBox::ActionRole);
            const QString folder = QFileInfo(m_output).absolutePath();
            connect(open, &QPushButton::clicked, this, [folder] { QDesktopServices::openUrl(QUrl::fromLocalFile(folder)); });
        }
        m_resultMessage->setWindowModality(Qt::NonModal);
        m_resultMessage->show();
    }
    Q_EMIT filmFinished(outcome);
}

#pragma once

#include "FilmMaker.h"
#include "PictureSequence.h"

#include <QDialog>
#include <QElapsedTimer>

#include <memory>

class UserDefaults;

namespace Ui {
class MakeVideoDialog;
}
class QMessageBox;

// Makes a film of a recorded sequence: which pictures (folder, base name, a date
// range, with the count and span found shown before starting), the frame rate
// (with the film's length), the size and the format installed, and where to save
// it. The film is made in the background with progress and Cancel; recording and
// the preview go on meanwhile.
class MakeVideoDialog : public QDialog {
    Q_OBJECT
public:
    MakeVideoDialog(const QString& folder, const QString& name, UserDefaults* userDefaults, QWidget* parent = nullptr);
    ~MakeVideoDialog() override;

    Ui::MakeVideoDialog* ui() const { return m_ui.get(); }
    bool isMaking() const { return m_making; }
    // The message shown when a film is done or failed; null before.
    QMessageBox* resultMessage() const { return m_resultMessage; }

Q_SIGNALS:
    void filmFinished(const FilmOutcome& outcome);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void rescan();
    void rangeChanged();
    void updateLength();
    void suggestOutput();
    void chooseFolder();
    void chooseOutput();
    void make();
    void showProgress(int done, int total);
    void finish(const FilmOutcome& outcome);
    void setMaking(bool making);
    FilmFormat chosenFormat() const;

    std::unique_ptr<Ui::MakeVideoDialog> m_ui;
    PictureSequence m_sequence;
    std::vector<SequencePicture> m_chosen; // within the range
    QSize m_pictureSize;
    std::unique_ptr<FilmMaker> m_maker;
    QElapsedTimer m_elapsed;
    QString m_output;
    bool m_making = false;
    bool m_outputEdited = false; // the user's own choice is never replaced by a suggestion
    QMessageBox* m_resultMessage = nullptr;
};

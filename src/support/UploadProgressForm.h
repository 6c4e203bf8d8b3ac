#pragma once

#include "UploadJob.h"

#include <QDialog>

#include <memory>

class QProgressBar;
class QPushButton;
class QTextEdit;
class QThread;
class QTimer;

// "Upload progress": the running log, the progress bar and the Abort/Close button of one upload. The work
// runs on a thread of its own, so the window stays responsive; "&Abort" and closing the window stop it.
class UploadProgressForm : public QDialog {
    Q_OBJECT

public:
    explicit UploadProgressForm(QWidget* parent = nullptr);
    ~UploadProgressForm() override;

    // Shows the dialog modally; the upload starts 200 ms after it appears, so that it is seen first.
    int ShowProgressForm(const upload::UploadJob::Settings& settings);
    bool isWorking() const { return job_ != nullptr; }

    // The colours of the log.
    static QColor normalColour() { return QColor(0, 0, 0); }
    static QColor errorColour() { return QColor(128, 0, 0); }
    static QColor doneColour() { return QColor(0, 128, 0); }

    QTextEdit* Memo1 = nullptr;
    QProgressBar* Gauge1 = nullptr;
    QPushButton* AbortBtn = nullptr;

public slots:
    // Escape and the close box: a running upload is stopped first.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Timer1Timer();
    void AbortBtnClick();
    void addLine(const QString& text, upload::UploadJob::LineKind kind);
    void setProgress(qint64 value, qint64 maximum);
    void jobFinished();
    // Stops the work; the window closes when it has ended.
    void closeWhenStopped();

    QTimer* Timer1 = nullptr;
    upload::UploadJob::Settings settings_;
    std::unique_ptr<upload::UploadJob> job_;
    QThread* thread_ = nullptr;
    bool closeRequested_ = false;
    bool closable_ = false;
    int lines_ = 0;
};

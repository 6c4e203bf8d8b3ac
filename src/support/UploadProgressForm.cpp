#include "UploadProgressForm.h"

#include "Icons.h"
#include "MessageService.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QShowEvent>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextEdit>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>

#include <limits>

using upload::UploadJob;

UploadProgressForm::UploadProgressForm(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("UploadProgressForm"));
    setWindowTitle(QStringLiteral("Upload progress"));

    Memo1 = new QTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setReadOnly(true);
    Memo1->setAcceptRichText(true);
    Memo1->setFocusPolicy(Qt::NoFocus);
    Memo1->viewport()->installEventFilter(this);
    Gauge1 = new QProgressBar(this);
    Gauge1->setObjectName(QStringLiteral("Gauge1"));
    Gauge1->setTextVisible(false);
    AbortBtn = new QPushButton(ui::Icons::icon(QStringLiteral("cancel")), QStringLiteral("&Abort"), this);
    AbortBtn->setObjectName(QStringLiteral("AbortBtn"));
    AbortBtn->setDefault(true);
    connect(AbortBtn, &QPushButton::clicked, this, &UploadProgressForm::AbortBtnClick);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(AbortBtn);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Memo1);
    layout->addWidget(Gauge1);
    layout->addLayout(buttons);
    resize(520, 360);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setSingleShot(true);
    Timer1->setInterval(200);
    connect(Timer1, &QTimer::timeout, this, &UploadProgressForm::Timer1Timer);
}

UploadProgressForm::~UploadProgressForm() {
    // The program is ending with the dialog: the work stops, and waits for nothing.
    if (job_) {
        job_->abort();
        thread_->wait();
    }
}

int UploadProgressForm::ShowProgressForm(const UploadJob::Settings& settings) {
    settings_ = settings;
    return exec();
}

void UploadProgressForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    closeRequested_ = false;
    closable_ = false;
    AbortBtn->setText(QStringLiteral("&Abort"));
    AbortBtn->setIcon(ui::Icons::icon(QStringLiteral("cancel")));
    Gauge1->setRange(0, 1);
    Gauge1->setValue(0);
    Memo1->clear();
    lines_ = 0;
    AbortBtn->setFocus();
    if (!job_)
        Timer1->start();
}

void UploadProgressForm::Timer1Timer() {
    Timer1->stop();
    if (job_ || !isVisible())
        return;
    job_ = std::make_unique<UploadJob>(settings_);
    thread_ = new QThread(this);
    job_->moveToThread(thread_);
    connect(thread_, &QThread::started, job_.get(), &UploadJob::run);
    connect(job_.get(), &UploadJob::logged, this, &UploadProgressForm::addLine);
    connect(job_.get(), &UploadJob::progressed, this, &UploadProgressForm::setProgress);
    connect(job_.get(), &UploadJob::uploadEnded, this, [this] {
        closable_ = true;
        AbortBtn->setText(QStringLiteral("&Close"));
        AbortBtn->setIcon(ui::Icons::icon(QStringLiteral("close")));
    });
    connect(job_.get(), &UploadJob::finished, thread_, &QThread::quit, Qt::DirectConnection);
    connect(thread_, &QThread::finished, this, &UploadProgressForm::jobFinished);
    thread_->start();
}

void UploadProgressForm::jobFinished() {
    thread_->wait();
    // The job's last signals were queued before the thread ended; they reach the log before it goes.
    QCoreApplication::sendPostedEvents(this);
    // Closing the window stopped the notification: the log goes with the window, so the user is told here
    // that the maker has not heard of the upload.
    const QString notSent =
        closeRequested_ && job_->notificationAborted() ? job_->notificationNotSentText() : QString();
    job_.reset();
    thread_->deleteLater();
    thread_ = nullptr;
    closable_ = true;
    AbortBtn->setText(QStringLiteral("&Close"));
    AbortBtn->setIcon(ui::Icons::icon(QStringLiteral("close")));
    if (!notSent.isEmpty())
        ui::showMessage(ui::MessageKind::Warning, notSent, ui::MessageButtons::Ok, this);
    if (closeRequested_)
        QDialog::reject();
}

void UploadProgressForm::AbortBtnClick() {
    if (closable_ && !job_) {
        accept();
        return;
    }
    if (closable_) {
        // The upload is over and the notification still runs: the button closes the window.
        closeWhenStopped();
        return;
    }
    if (job_)
        job_->abort();
}

void UploadProgressForm::closeWhenStopped() {
    if (!job_) {
        Timer1->stop();
        QDialog::reject();
        return;
    }
    closeRequested_ = true;
    job_->abort();
}

void UploadProgressForm::reject() {
    closeWhenStopped();
}

bool UploadProgressForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Memo1->viewport() && event->type() == QEvent::MouseButtonPress)
        AbortBtn->setFocus();
    return QDialog::eventFilter(watched, event);
}

void UploadProgressForm::addLine(const QString& text, UploadJob::LineKind kind) {
    QTextCursor cursor(Memo1->document());
    cursor.movePosition(QTextCursor::End);
    if (lines_++ > 0)
        cursor.insertBlock();
    QTextCharFormat format;
    QColor colour = kind == UploadJob::LineKind::Error  ? errorColour()
                    : kind == UploadJob::LineKind::Done ? doneColour()
                                                        : normalColour();
    // On a dark scheme the log's text colour, and lighter shades of the red and the green.
    const QPalette& pal = Memo1->palette();
    if (pal.color(QPalette::Base).lightness() < pal.color(QPalette::Text).lightness())
        colour = kind == UploadJob::LineKind::Normal ? pal.color(QPalette::Text) : colour.lighter(250);
    format.setForeground(colour);
    format.setFontWeight(kind == UploadJob::LineKind::Done ? QFont::Bold : QFont::Normal);
    cursor.insertText(text, format);
    Memo1->setTextCursor(cursor);
    Memo1->ensureCursorVisible();
}

void UploadProgressForm::setProgress(qint64 value, qint64 maximum) {
    // The bar counts in int; large byte counts are scaled down together.
    qint64 scale = 1;
    while (maximum / scale > std::numeric_limits<int>::max())
        scale *= 1024;
    Gauge1->setRange(0, static_cast<int>(std::max<qint64>(maximum / scale, 1)));
    Gauge1->setValue(static_cast<int>(std::min(value, maximum) / scale));
}

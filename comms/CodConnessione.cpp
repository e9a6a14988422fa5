#include "comms/CodConnessione.h"

#include "comms/CodNntpThread.h"
#include "comms/CodPassword.h"
#include "platform/Dialogs.h"

#include <QEventLoop>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

TFormConnessione* FormConnessione = nullptr;

TFormConnessione::TFormConnessione(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("FormConnessione"));
    setWindowTitle(QStringLiteral("Connessione"));
    LabelStato = new QLabel(this);
    LabelStato->setObjectName(QStringLiteral("LabelStato"));
    LabelStato->setAlignment(Qt::AlignCenter);
    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
    BtnAbort = new QPushButton(QStringLiteral("Annulla"), this);
    BtnAbort->setObjectName(QStringLiteral("BtnAbort"));
    connect(BtnAbort, &QPushButton::clicked, this, &TFormConnessione::BtnAbortClick);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(LabelStato);
    layout->addWidget(ProgressBar1);
    layout->addWidget(BtnAbort, 0, Qt::AlignHCenter);
    setFixedSize(320, 120);
}

void TFormConnessione::Run(TNntpThread& thread) {
    Thread = &thread;
    emit BusyChanged();
    thread.Start();
    LabelStato->setText(thread.StatusText());
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    show();
    // The worker is polled every 100 ms while the program goes on handling its events.
    QEventLoop loop;
    QTimer timer;
    connect(&timer, &QTimer::timeout, &loop, [&] {
        if (thread.Finished())
            loop.quit();
        else
            Tick();
    });
    timer.start(TNntpSession::SliceMs);
    loop.exec();
    // The loop also ends when the program quits: the worker is told to stop before it is joined.
    if (!thread.Finished())
        thread.Terminate();
    thread.Wait();
    LabelStato->setText(thread.StatusText());
    hide();
    Thread = nullptr;
    emit BusyChanged();
}

void TFormConnessione::Tick() {
    LabelStato->setText(Thread->StatusText());
    const int position = ProgressBar1->value();
    if (position + step_ > ProgressBar1->maximum() || position + step_ < ProgressBar1->minimum())
        step_ = -step_;
    ProgressBar1->setValue(position + step_);
}

// Escape and the window's close button: hiding the dialog alone would leave nothing to abort with.
void TFormConnessione::reject() {
    BtnAbortClick();
}

void TFormConnessione::BtnAbortClick() {
    if (Thread)
        Thread->Terminate();
    hide();
}

bool AskNntpLogin(QString& userName, QString& password, QWidget* asker) {
    if (!userName.isEmpty() && !password.isEmpty())
        return true;
    if (!FormPassword)
        return false;
    FormPassword->EditUsername->setText(userName);
    FormPassword->EditPassword->setText(password);
    // For this question the dialog belongs to the asking window: it is centred on that window and
    // hands the focus back to it, instead of raising the main window over it.
    QWidget* home = FormPassword->parentWidget();
    if (asker)
        FormPassword->setParent(asker->window(), FormPassword->windowFlags());
    const int result = platform::ShowModal(*FormPassword);
    if (FormPassword->parentWidget() != home)
        FormPassword->setParent(home, FormPassword->windowFlags());
    if (result != QDialog::Accepted)
        return false;
    userName = FormPassword->EditUsername->text();
    password = FormPassword->EditPassword->text();
    return true;
}

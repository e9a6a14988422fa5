#pragma once
// "Connessione": the progress dialog of a news-server operation. It runs the worker, shows its
// status and a bar that swings back and forth, and lets the user abort.

#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;
class TNntpThread;

class TFormConnessione : public QDialog {
    Q_OBJECT
public:
    explicit TFormConnessione(QWidget* parent = nullptr);

    QLabel* LabelStato;
    QProgressBar* ProgressBar1;
    QPushButton* BtnAbort;
    // The running operation; none between operations.
    TNntpThread* Thread = nullptr;

    // Starts the thread, shows the dialog and keeps the program responsive until the thread has
    // finished; then hides the dialog. The caller reads the outputs afterwards.
    void Run(TNntpThread& thread);
    // Only one operation runs at a time.
    bool Busy() const { return Thread != nullptr; }

    void BtnAbortClick();
    void reject() override;

signals:
    // An operation has begun or ended; windows enable their news commands again.
    void BusyChanged();

private:
    void Tick();

    int step_ = 10;
};

// The login of a news operation: with a user name and a password nothing is asked; otherwise the
// login dialog asks for both over the asking window, and false means the user declined.
bool AskNntpLogin(QString& userName, QString& password, QWidget* asker);

extern TFormConnessione* FormConnessione;

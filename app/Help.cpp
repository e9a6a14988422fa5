#include "app/Help.h"

#include "app/CodVersione.h"
#include "storage/kxVclutils.h"

#include <QApplication>
#include <QEvent>
#include <QPointer>
#include <QScreen>
#include <QTextBrowser>

namespace {

const QString HelpFile = QStringLiteral("qrc:/help/quendel.html");

// Help asked for while a modal dialog is open belongs to that dialog: any other window is blocked
// by it, and the help would stand behind it without taking input until it closed.
QWidget* helpParent(QWidget* owner, QWidget* current) {
    if (QWidget* modal = QApplication::activeModalWidget())
        return modal;
    return owner ? owner->window() : current;
}

QSize frameSize(const QWidget& window) {
    return window.frameGeometry().size() - window.size();
}

// Centred over the window it belongs to, inside the work area of that window's screen, frame
// included (as large as the larger of its own, once known, and that window's).
void placeOnScreen(QWidget& window, const QWidget* over) {
    const QScreen* screen = over ? over->screen() : window.screen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    const QSize frame = over ? frameSize(window).expandedTo(frameSize(*over)) : frameSize(window);
    const QSize size = window.size().boundedTo(area.size() - frame).expandedTo(QSize(1, 1));
    QRect rect(QPoint(0, 0), size + frame);
    rect.moveCenter(over ? over->frameGeometry().center() : area.center());
    window.resize(size);
    window.move(KeptInside(rect, area).topLeft());
}

// While the help belongs to a modal dialog, the dialog's end gives it back, open where it is, to
// the window the dialog was opened over; it would otherwise go with a dialog that is deleted.
class THelpReturn : public QObject {
public:
    THelpReturn(QWidget& dialog, QWidget& help) : QObject(&help), dialog_(&dialog), help_(help) {
        dialog.installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != dialog_ || event->type() != QEvent::Hide)
            return false;
        QWidget* back = dialog_->parentWidget() ? dialog_->parentWidget()->window() : nullptr;
        if (back && help_.parentWidget() == dialog_) {
            const bool shown = help_.isVisible();
            const QRect geometry = help_.geometry();
            help_.setParent(back, help_.windowFlags());
            help_.setGeometry(geometry);
            help_.setVisible(shown);
        }
        dialog_->removeEventFilter(this);
        deleteLater();
        return false;
    }

private:
    QPointer<QWidget> dialog_;
    QWidget& help_;
};

void showAt(QWidget* owner, const QString& anchor) {
    QTextBrowser* window = HelpWindow(owner);
    QWidget* parent = helpParent(owner, window->parentWidget());
    const bool givenAway = window->parentWidget() != parent;
    if (givenAway) {
        window->setParent(parent, window->windowFlags());
        if (parent && parent == QApplication::activeModalWidget())
            new THelpReturn(*parent, *window);
    }
    window->setSource(QUrl(anchor.isEmpty() ? HelpFile : HelpFile + QLatin1Char('#') + anchor));
    // Where the user left it, unless it goes to another window or would not be wholly seen.
    const QScreen* screen = window->screen();
    if (!window->isVisible() && (givenAway || !window->testAttribute(Qt::WA_Moved) || !screen ||
                                 !screen->availableGeometry().contains(window->frameGeometry())))
        placeOnScreen(*window, parent);
    window->show();
    window->raise();
    window->activateWindow();
}

} // namespace

QTextBrowser* HelpWindow(QWidget* owner) {
    static QPointer<QTextBrowser> window;
    if (!window) {
        Q_INIT_RESOURCE(app);
        window = new QTextBrowser(owner);
        window->setWindowFlags(Qt::Window);
        window->setObjectName(QStringLiteral("HelpWindow"));
        window->setAttribute(Qt::WA_QuitOnClose, false);
        window->setWindowTitle(AppInfo.Name + QStringLiteral(" - Aiuto"));
        window->setOpenExternalLinks(false);
        window->resize(640, 560);
    }
    return window;
}

void ShowHelpContents(QWidget* owner) {
    showAt(owner, QString());
}

void ShowHelpContext(QWidget* owner, int helpContext) {
    showAt(owner, HelpTopic(helpContext));
}

QString HelpTopic(int helpContext) {
    switch (helpContext) {
    case 4000:
        return QStringLiteral("finestra-principale");
    case 6000:
        return QStringLiteral("dati-partita");
    default:
        return QString();
    }
}

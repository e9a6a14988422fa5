#include "app/Help.h"

#include "app/CodVersione.h"

#include <QPointer>
#include <QTextBrowser>

namespace {

const QString HelpFile = QStringLiteral("qrc:/help/quendel.html");

void showAt(QWidget* owner, const QString& anchor) {
    QTextBrowser* window = HelpWindow(owner);
    window->setSource(QUrl(anchor.isEmpty() ? HelpFile : HelpFile + QLatin1Char('#') + anchor));
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

// The main window's tool bar: its sections and items, their pictures, and the client area that
// makes room for the bar at whichever edge the user put it.

#include "app/CodMain.h"

#include "board/PieceSet.h"
#include "controls/SpeedBar.h"
#include "platform/AlignLayout.h"

#include <QEvent>
#include <QFrame>
#include <QMenu>
#include <QPainter>
#include <QStyle>

namespace {

const char* const BoundProperty = "quendelCommandBound";

constexpr int GlyphSize = 22;

// A tool-bar picture made from a piece of the standard set.
QIcon PieceIcon(int column, int row) {
    return QIcon(QPixmap::fromImage(PieceSet::Cell(column, row * 2)));
}

// A round badge with one character, for the help item.
QIcon BadgeIcon(QChar glyph, const QColor& colour) {
    QPixmap pixmap(GlyphSize, GlyphSize);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(colour.darker(140));
    p.setBrush(colour);
    p.drawEllipse(QRectF(1.5, 1.5, 19, 19));
    QFont font = p.font();
    font.setBold(true);
    font.setPixelSize(15);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QRect(0, 0, GlyphSize, GlyphSize), Qt::AlignCenter, QString(glyph));
    return QIcon(pixmap);
}

// An envelope, for the mail and news items.
QIcon EnvelopeIcon() {
    QPixmap pixmap(GlyphSize, GlyphSize);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0x60, 0x60, 0x60), 1.2));
    p.setBrush(QColor(0xF4, 0xF0, 0xE0));
    const QRectF body(2.5, 5.5, 17, 12);
    p.drawRect(body);
    p.drawPolyline(QPolygonF({body.topLeft(), QPointF(11, 12.5), body.topRight()}));
    return QIcon(pixmap);
}

// Two glyphs side by side, the picture and its faded copy: a disabled item must look disabled
// whatever its picture, and an embossed grey of a grey picture looks active.
platform::TBitmap TwoStateGlyph(const QIcon& icon) {
    const QImage normal = icon.pixmap(GlyphSize, GlyphSize).toImage().scaled(GlyphSize, GlyphSize);
    QImage glyph(2 * GlyphSize, GlyphSize, QImage::Format_ARGB32);
    glyph.fill(Qt::transparent);
    QPainter p(&glyph);
    p.drawImage(0, 0, normal);
    p.setOpacity(0.3);
    p.drawImage(GlyphSize, 0, normal);
    p.end();
    platform::TBitmap bitmap(glyph);
    // No picture uses it: only the transparent background is left out.
    bitmap.SetTransparentColor(platform::clFuchsia);
    return bitmap;
}

} // namespace

void TFormMain::BindCommand(TSpeedItem* item, std::function<void()> handler) {
    item->OnClick() = [handler = std::move(handler)](QObject*) { handler(); };
    item->setProperty(BoundProperty, true);
    item->SetEnabled(true);
}

void TFormMain::SetCommandEnabled(TSpeedItem* item, bool enabled) {
    item->SetEnabled(enabled && item->property(BoundProperty).toBool());
}

TSpeedItem* TFormMain::SpeedItem(int section, const QString& name, const QString& caption,
                                 const QString& hint, const QIcon& icon, int left, bool visible) {
    TSpeedItem* item = SpeedBar2->NewItem(this, section, name);
    item->SetCaption(caption);
    item->SetHint(hint);
    item->SetGlyph(TwoStateGlyph(icon));
    item->SetNumGlyphs(2);
    item->SetLeft(left);
    item->SetTop(3);
    item->SetVisible(visible);
    item->SetEnabled(false);
    return item;
}

void TFormMain::CreateToolBar() {
    SpeedBar2 = new TSpeedBar(centralWidget());
    SpeedBar2->setObjectName(QStringLiteral("SpeedBar2"));
    SpeedBar2->BeginLoading();
    SpeedBar2->SetBtnWidth(26);
    SpeedBar2->SetBtnHeight(26);
    SpeedBar2->SetBtnOffsetHorz(3);
    SpeedBar2->SetBtnOffsetVert(3);
    SpeedBar2->resize(SpeedBar2->width(), 32);
    SpeedBar2->SetPopupMenu(PopupMenuToolbar);
    const int file = SpeedBar2->AddSection(QStringLiteral("File"));
    const int partita = SpeedBar2->AddSection(QStringLiteral("Partita"));
    const int strumenti = SpeedBar2->AddSection(QStringLiteral("Strumenti"));
    const int zeltor = SpeedBar2->AddSection(QStringLiteral("Zeltor"));
    QStyle* s = style();

    SpeedItemSave = SpeedItem(file, QStringLiteral("SpeedItemSave"),
                              QStringLiteral("Salva partita"), QStringLiteral("Salva partita|"),
                              s->standardIcon(QStyle::SP_DialogSaveButton), 29, true);
    BindCommand(SpeedItemSave, [this] { Save1Click(); });
    SpeedItemOpen = SpeedItem(file, QStringLiteral("SpeedItemOpen"),
                              QStringLiteral("Carica partita"), QStringLiteral("Apri file"),
                              s->standardIcon(QStyle::SP_DialogOpenButton), 3, true);
    BindCommand(SpeedItemOpen, [this] { Load1Click(); });

    SpeedItemNew =
        SpeedItem(partita, QStringLiteral("SpeedItemNew"), QStringLiteral("Nuova partita"),
                  QStringLiteral("Nuova partita|"), PieceIcon(5, 0), 68, true);
    BindCommand(SpeedItemNew, [this] { New1Click(); });
    SpeedItemGameEdit = SpeedItem(partita, QStringLiteral("SpeedItemGameEdit"),
                                  QStringLiteral("Modifica posizione"),
                                  QStringLiteral("Modifica posizione|"), PieceIcon(1, 0), 94, true);
    BindCommand(SpeedItemGameEdit, [this] { Editboard1Click(); });
    SpeedItemBack = SpeedItem(partita, QStringLiteral("SpeedItemBack"),
                              QStringLiteral("Annulla mossa"), QStringLiteral("Annulla mossa|"),
                              s->standardIcon(QStyle::SP_ArrowBack), 120, true);
    BindCommand(SpeedItemBack, [this] { Undo1Click(); });
    SpeedItemForw = SpeedItem(partita, QStringLiteral("SpeedItemForw"),
                              QStringLiteral("Ripeti mossa"), QStringLiteral("Ripeti mossa|"),
                              s->standardIcon(QStyle::SP_ArrowForward), 146, true);
    BindCommand(SpeedItemForw, [this] { Moveforward1Click(); });
    SpeedItemNetGame =
        SpeedItem(partita, QStringLiteral("SpeedItemNetGame"), QStringLiteral("Gioca in rete"),
                  QStringLiteral("Partita in rete con un altro giocatore"),
                  s->standardIcon(QStyle::SP_DriveNetIcon), 172, true);
    BindCommand(SpeedItemNetGame, [this] { Giocainrete1Click(); });

    SpeedItemHelp = SpeedItem(strumenti, QStringLiteral("SpeedItemHelp"), QStringLiteral("Aiuto"),
                              QStringLiteral("Aiuto|"),
                              BadgeIcon(QLatin1Char('?'), QColor(0x2E, 0x6C, 0xB8)), 211, true);
    BindCommand(SpeedItemHelp, [this] { Aiuto1Click(); });
    SpeedItemOpzioni = SpeedItem(strumenti, QStringLiteral("SpeedItemOpzioni"),
                                 QStringLiteral("Opzioni"), QStringLiteral("Opzioni|"),
                                 s->standardIcon(QStyle::SP_FileDialogDetailedView), 237, true);
    BindCommand(SpeedItemOpzioni, [this] { Impostazioni1Click(); });

    const QIcon mail = EnvelopeIcon();
    auto zeltorItem = [&](const char* name, const char* caption, bool visible, int left) {
        const QString text = QString::fromLatin1(caption);
        return SpeedItem(zeltor, QString::fromLatin1(name), text, text + u'|', mail, left, visible);
    };
    SpeedItemVexlorWrite =
        zeltorItem("SpeedItemVexlorWrite", "Stampa mossa in formato Vexlor", false, 3);
    SpeedItemVexlorRead =
        zeltorItem("SpeedItemVexlorRead", "Rivedi mosse stampate in formato Vexlor", false, 3);
    SpeedItemNntpSendNow = zeltorItem("SpeedItemNntpSendNow", "Invia mossa via NNTP", false, 3);
    SpeedItemNntpQueue =
        zeltorItem("SpeedItemNntpQueue", "Accoda mossa per spedizione via NNTP", false, 3);
    SpeedItemNntpSendQueued =
        zeltorItem("SpeedItemNntpSendQueued", "Spedisci mosse accodate via NNTP", false, 3);
    SpeedItemNntpRead =
        zeltorItem("SpeedItemNntpRead", "Rivedi mosse accodate per spedizione via NNTP", false, 3);
    SpeedItemNntpGet = zeltorItem("SpeedItemNntpGet", "Ricevi mosse via NNTP", false, 3);
    SpeedItem1 = zeltorItem("SpeedItem1", "Invia mossa via e-mail", true, 276);
    SpeedBar2->EndLoading();

    SpeedBar2->OnPosChanged = [this](QObject*) { PlaceClientArea(); };
    SpeedBar2->installEventFilter(this);
    PlaceClientArea();
}

// The client area grows on the bar's side by its thickness; the board stays 8 pixels right of
// and 4 below what the bar leaves, the panel beside it.
void TFormMain::PlaceClientArea() {
    QWidget* client = centralWidget();
    const TAlign align = SpeedBar2->Align();
    const bool across = align == alTop || align == alBottom;
    const int thickness = SpeedBar2->isHidden() ? 0
                          : across              ? SpeedBar2->height()
                                                : SpeedBar2->width();
    QSize size = ClientAreaSize;
    if (across)
        size.rheight() += thickness;
    else
        size.rwidth() += thickness;
    client->setFixedSize(size);
    platform::Realign(client);
    QRect rest = client->rect();
    switch (thickness ? align : alNone) {
    case alTop:
        rest.setTop(thickness);
        break;
    case alBottom:
        rest.setBottom(rest.bottom() - thickness);
        break;
    case alLeft:
        rest.setLeft(thickness);
        break;
    case alRight:
        rest.setRight(rest.right() - thickness);
        break;
    default:
        break;
    }
    ChessBoard1->move(rest.left() + 8, rest.top() + 4);
    Panel1->move(ChessBoard1->x() + ChessBoard1->width() + 8, ChessBoard1->y());
}

void TFormMain::SpeedBar2Changed(QEvent* event) {
    switch (event->type()) {
    case QEvent::Resize:
    case QEvent::ShowToParent:
    case QEvent::HideToParent:
        PlaceClientArea();
        break;
    default:
        break;
    }
}

void TFormMain::Personalizza1Click() {
    SpeedBar2->Customize(0);
}

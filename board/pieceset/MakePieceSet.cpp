// Draws the standard piece set: 6 columns (pawn, knight, bishop, rook, queen, king) by 4 rows
// (White images, White masks, Black images, Black masks) of square cells.
// The pieces are drawn once, smooth, on a transparent layer; an image cell keeps the layer's
// colours (silver where nothing is drawn) and its mask cell the coverage (black = piece).
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <cstdio>
#include <vector>

namespace {

// Shapes are drawn in a 100 x 100 box and scaled to the cell.
struct PieceArt {
    std::vector<QPainterPath> parts;   // filled and outlined, back to front
    std::vector<QPainterPath> details; // lines in the contrast colour
    std::vector<QPainterPath> dots;    // small marks filled in the contrast colour
};

QPainterPath Rect(qreal x1, qreal y1, qreal x2, qreal y2, qreal radius) {
    QPainterPath p;
    p.addRoundedRect(QRectF(x1, y1, x2 - x1, y2 - y1), radius, radius);
    return p;
}

QPainterPath Circle(qreal cx, qreal cy, qreal r) {
    QPainterPath p;
    p.addEllipse(QPointF(cx, cy), r, r);
    return p;
}

QPainterPath Line(qreal x1, qreal y1, qreal x2, qreal y2) {
    QPainterPath p;
    p.moveTo(x1, y1);
    p.lineTo(x2, y2);
    return p;
}

// The two-step pedestal every piece stands on.
void AddBase(PieceArt& art, qreal halfWidth) {
    art.parts.push_back(Rect(50 - halfWidth, 83, 50 + halfWidth, 93, 3));
    art.parts.push_back(Rect(50 - halfWidth + 6, 77, 50 + halfWidth - 6, 84, 2.5));
}

PieceArt Pawn() {
    PieceArt art;
    QPainterPath body;
    body.moveTo(31, 78);
    body.cubicTo(33, 66, 40, 60, 43, 52);
    body.lineTo(57, 52);
    body.cubicTo(60, 60, 67, 66, 69, 78);
    body.closeSubpath();
    art.parts.push_back(body);
    AddBase(art, 26);
    art.parts.push_back(Rect(36, 46, 64, 54, 4));
    art.parts.push_back(Circle(50, 33, 13));
    return art;
}

PieceArt Rook() {
    PieceArt art;
    QPainterPath body;
    body.moveTo(29, 78);
    body.cubicTo(32, 66, 33, 52, 32, 40);
    body.lineTo(68, 40);
    body.cubicTo(67, 52, 68, 66, 71, 78);
    body.closeSubpath();
    art.parts.push_back(body);
    AddBase(art, 30);
    art.parts.push_back(Rect(27, 35, 73, 43, 2));
    QPainterPath top;
    top.moveTo(25, 36);
    const qreal xs[] = {25, 37, 37, 45, 45, 55, 55, 63, 63, 75};
    const qreal ys[] = {14, 14, 23, 23, 14, 14, 23, 23, 14, 14};
    for (int i = 0; i < 10; ++i)
        top.lineTo(xs[i], ys[i]);
    top.lineTo(75, 36);
    top.closeSubpath();
    art.parts.push_back(top);
    art.details.push_back(Line(35, 70, 65, 70));
    return art;
}

PieceArt Bishop() {
    PieceArt art;
    QPainterPath stem;
    stem.moveTo(31, 78);
    stem.cubicTo(38, 73, 42, 70, 43, 64);
    stem.lineTo(57, 64);
    stem.cubicTo(58, 70, 62, 73, 69, 78);
    stem.closeSubpath();
    art.parts.push_back(stem);
    AddBase(art, 28);
    art.parts.push_back(Rect(35, 58, 65, 66, 4));
    QPainterPath mitre;
    mitre.moveTo(39, 60);
    mitre.cubicTo(25, 50, 32, 31, 50, 17);
    mitre.cubicTo(68, 31, 75, 50, 61, 60);
    mitre.closeSubpath();
    art.parts.push_back(mitre);
    art.parts.push_back(Circle(50, 12, 5.5));
    art.details.push_back(Line(46, 45, 57, 33));
    return art;
}

PieceArt Knight() {
    PieceArt art;
    AddBase(art, 28);
    QPainterPath head;
    head.moveTo(72, 79);
    head.cubicTo(78, 58, 76, 32, 58, 20);
    head.lineTo(55, 9);
    head.lineTo(47, 18);
    head.cubicTo(36, 20, 27, 30, 21, 43);
    head.cubicTo(16, 50, 16, 57, 21, 60);
    head.cubicTo(26, 63, 31, 61, 35, 57);
    head.cubicTo(39, 55, 44, 53, 48, 50);
    head.cubicTo(41, 59, 32, 67, 31, 79);
    head.closeSubpath();
    art.parts.push_back(head);
    QPainterPath mane;
    mane.moveTo(62, 28);
    mane.cubicTo(70, 40, 71, 58, 67, 74);
    art.details.push_back(mane);
    QPainterPath eye;
    eye.addEllipse(QPointF(41, 33), 3.8, 2.6);
    art.dots.push_back(eye);
    art.dots.push_back(Circle(24, 52, 2));
    art.details.push_back(Line(20, 58, 27, 58));
    return art;
}

// The queen's coronet: five points on balls, valleys between them.
PieceArt Queen() {
    PieceArt art;
    const QPointF points[] = {{18, 27}, {33, 20}, {50, 16}, {67, 20}, {82, 27}};
    const QPointF valleys[] = {{29, 46}, {42, 41}, {58, 41}, {71, 46}};
    QPainterPath body;
    body.moveTo(31, 78);
    body.cubicTo(30, 62, 25, 46, points[0].x(), points[0].y());
    for (int i = 0; i < 4; ++i) {
        body.lineTo(valleys[i]);
        body.lineTo(points[i + 1]);
    }
    body.cubicTo(75, 46, 70, 62, 69, 78);
    body.closeSubpath();
    art.parts.push_back(body);
    AddBase(art, 28);
    for (const QPointF& p : points)
        art.parts.push_back(Circle(p.x(), p.y(), 5));
    QPainterPath band;
    band.moveTo(32, 66);
    band.quadTo(50, 61, 68, 66);
    art.details.push_back(band);
    QPainterPath rim;
    rim.moveTo(28, 52);
    rim.quadTo(50, 46, 72, 52);
    art.details.push_back(rim);
    return art;
}

PieceArt King() {
    PieceArt art;
    QPainterPath body;
    body.moveTo(31, 78);
    body.cubicTo(33, 66, 36, 56, 36, 48);
    body.lineTo(64, 48);
    body.cubicTo(64, 56, 67, 66, 69, 78);
    body.closeSubpath();
    art.parts.push_back(body);
    AddBase(art, 28);
    QPainterPath crown;
    crown.moveTo(32, 51);
    crown.cubicTo(16, 40, 24, 20, 42, 27);
    crown.cubicTo(46, 28, 49, 31, 50, 35);
    crown.cubicTo(51, 31, 54, 28, 58, 27);
    crown.cubicTo(76, 20, 84, 40, 68, 51);
    crown.closeSubpath();
    art.parts.push_back(crown);
    art.parts.push_back(Rect(30, 47, 70, 55, 3));
    QPainterPath cross;
    cross.addRoundedRect(QRectF(46.5, 5, 7, 24), 1.5, 1.5);
    cross.addRoundedRect(QRectF(41, 10.5, 18, 7), 1.5, 1.5);
    art.parts.push_back(cross.simplified());
    art.details.push_back(Line(36, 66, 64, 66));
    return art;
}

struct Palette {
    QColor light;
    QColor shade;
    QColor outline;
    QColor contrast;
};

const Palette WhitePalette{QColor(255, 253, 246), QColor(214, 206, 190), QColor(28, 24, 20),
                           QColor(28, 24, 20)};
const Palette BlackPalette{QColor(92, 88, 84), QColor(24, 22, 20), QColor(8, 8, 8),
                           QColor(222, 218, 210)};

// The piece on a transparent layer of one cell.
QImage DrawPiece(const PieceArt& art, const Palette& colours, int cell) {
    QImage layer(cell, cell, QImage::Format_ARGB32_Premultiplied);
    layer.fill(Qt::transparent);
    QPainter p(&layer);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(cell / 100.0, cell / 100.0);
    QLinearGradient fill(QPointF(25, 10), QPointF(75, 90));
    fill.setColorAt(0, colours.light);
    fill.setColorAt(1, colours.shade);
    const QPen outline(colours.outline, 3.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    for (const QPainterPath& part : art.parts) {
        p.setPen(outline);
        p.setBrush(fill);
        p.drawPath(part);
    }
    p.setPen(QPen(colours.contrast, 2.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    for (const QPainterPath& line : art.details)
        p.drawPath(line);
    p.setPen(Qt::NoPen);
    p.setBrush(colours.contrast);
    for (const QPainterPath& dot : art.dots)
        p.drawPath(dot);
    return layer;
}

// Splits the layer into an opaque image cell and its mask cell.
void PlaceCell(QImage& sheet, const QImage& layer, int x, int y) {
    const QImage straight = layer.convertToFormat(QImage::Format_ARGB32);
    const QRgb background = qRgb(192, 192, 192);
    for (int j = 0; j < layer.height(); ++j) {
        for (int i = 0; i < layer.width(); ++i) {
            const QRgb px = straight.pixel(i, j);
            const int alpha = qAlpha(px);
            sheet.setPixel(x + i, y + j, alpha == 0 ? background : (px | 0xFF000000u));
            const int m = 255 - alpha;
            sheet.setPixel(x + i, y + layer.height() + j, qRgb(m, m, m));
        }
    }
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: make_pieceset OUT.png [CELL]\n");
        return 2;
    }
    const int cell = argc > 2 ? std::atoi(argv[2]) : 40;
    if (cell < 1)
        return 2;
    const PieceArt pieces[] = {Pawn(), Knight(), Bishop(), Rook(), Queen(), King()};
    QImage sheet(6 * cell, 4 * cell, QImage::Format_RGB32);
    for (int row = 0; row < 2; ++row)
        for (int col = 0; col < 6; ++col)
            PlaceCell(sheet, DrawPiece(pieces[col], row == 0 ? WhitePalette : BlackPalette, cell),
                      col * cell, 2 * row * cell);
    if (!sheet.save(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}

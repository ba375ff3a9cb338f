// makeart: draws every picture the application shows (window backgrounds,
// button and toolbar images, the window icon and the letterhead for printed
// lists) and writes them as PNG files.
//
// Usage: makeart [output-directory]
//
// Without an argument the pictures go to the project's resources/ directory
// (or ./resources when built outside CMake). Runs headless: the offscreen
// platform is chosen unless QT_QPA_PLATFORM says otherwise.
//
// Style: flat colours with soft gradients, a pale blue-grey "store room"
// palette, slate blue as the main colour and cardboard tan for boxes. The
// box mark (an isometric carton with a strip of tape) is the product logo and
// reappears in the buttons and the splash.

#include <QColor>
#include <QDir>
#include <QFont>
#include <QFontInfo>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QRadialGradient>
#include <QTransform>
#include <QtMath>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>

namespace {

// ---------------------------------------------------------------- palette

const QColor kInk(0x2B, 0x3A, 0x48); // text and dark outlines
const QColor kSlate(0x3D, 0x6A, 0x8C); // main colour
const QColor kSlateDark(0x29, 0x4B, 0x66);
const QColor kSlateLight(0x8F, 0xB0, 0xC8);
const QColor kPaper(0xFF, 0xFF, 0xFF);
const QColor kPale(0xF6, 0xF8, 0xFA); // light backgrounds, top
const QColor kPale2(0xE8, 0xEE, 0xF3); // light backgrounds, bottom
const QColor kCardTop(0xEC, 0xCD, 0x96); // cardboard, lit top face
const QColor kCardLeft(0xD8, 0xAA, 0x6C); // cardboard, front-left face
const QColor kCardRight(0xBE, 0x8C, 0x51); // cardboard, shaded face
const QColor kCardEdge(0x7A, 0x58, 0x30);
const QColor kTape(0xF7, 0xE9, 0xC9);
const QColor kGreen(0x3E, 0x9A, 0x62);
const QColor kRed(0xC6, 0x4F, 0x4A);
const QColor kAmber(0xE9, 0xA9, 0x3C);
const QColor kSteel(0x6B, 0x7B, 0x8A);

QColor withAlpha(QColor c, int a)
{
    c.setAlpha(a);
    return c;
}

// ---------------------------------------------------------------- helpers

// A transparent picture of w x h, drawn by draw with antialiasing.
QImage drawn(int w, int h, const std::function<void(QPainter &)> &draw)
{
    QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    draw(p);
    p.end();
    return img;
}

QFont font(const char *family, int pixelSize, bool bold)
{
    QFont f(QString::fromLatin1(family));
    f.setPixelSize(pixelSize);
    f.setBold(bold);
    f.setHintingPreference(QFont::PreferNoHinting);
    f.setStyleStrategy(QFont::PreferAntialias);
    const QFontInfo info(f);
    if (info.family() != f.family())
        std::fprintf(stderr, "makeart: font \"%s\" not found, using \"%s\"\n", family, qPrintable(info.family()));
    return f;
}

// Light background: a soft vertical gradient from near white to pale blue-grey.
void lightBackground(QPainter &p, const QRectF &r, QColor top = kPale, QColor bottom = kPale2)
{
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0.0, top);
    g.setColorAt(1.0, bottom);
    p.fillRect(r, g);
}

// Draws on a layer of the painter's size and blends it in with the given
// opacity. Shapes are drawn on a layer first so that where they overlap they
// do not add up.
void blendLayer(QPainter &p, qreal opacity, const std::function<void(QPainter &)> &draw)
{
    const QImage layer = drawn(p.device()->width(), p.device()->height(), draw);
    p.save();
    p.setOpacity(opacity);
    p.drawImage(0, 0, layer);
    p.restore();
}

// ---------------------------------------------------------------- the box

struct BoxColours {
    QColor top = kCardTop;
    QColor left = kCardLeft;
    QColor right = kCardRight;
    QColor edge = kCardEdge;
    QColor tape = kTape;
};

// An isometric carton. (cx, y0) is the top corner of the lid, w the full
// width, h the height of the side faces. The box covers
// [cx - w/2, cx + w/2] x [y0, y0 + w/2 + h].
void isoBox(QPainter &p, qreal cx, qreal y0, qreal w, qreal h, bool tape = true, const BoxColours &c = BoxColours())
{
    const QPointF T(cx, y0);
    const QPointF R(cx + w / 2, y0 + w / 4);
    const QPointF B(cx, y0 + w / 2);
    const QPointF L(cx - w / 2, y0 + w / 4);
    const QPointF down(0, h);
    const qreal penW = std::max(1.0, w / 26.0);

    p.save();
    p.setPen(Qt::NoPen);

    QLinearGradient gl(L, B + down);
    gl.setColorAt(0, c.left.lighter(104));
    gl.setColorAt(1, c.left.darker(104));
    p.setBrush(gl);
    p.drawPolygon(QPolygonF({L, B, B + down, L + down}));

    QLinearGradient gr(B, R + down);
    gr.setColorAt(0, c.right.lighter(103));
    gr.setColorAt(1, c.right.darker(106));
    p.setBrush(gr);
    p.drawPolygon(QPolygonF({B, R, R + down, B + down}));

    QLinearGradient gt(T, B);
    gt.setColorAt(0, c.top.lighter(106));
    gt.setColorAt(1, c.top);
    p.setBrush(gt);
    p.drawPolygon(QPolygonF({T, R, B, L}));

    if (tape) {
        // The lid seam runs from the middle of edge T-L to the middle of
        // edge B-R; the tape follows it and runs a little way down the side.
        const QPointF m1 = (T + L) / 2;
        const QPointF m2 = (B + R) / 2;
        const QPointF along = (L - T) * 0.14; // half the tape width
        const QPointF side(0, h * 0.42);
        p.setBrush(c.tape);
        p.drawPolygon(QPolygonF({m1 - along, m2 - along, m2 + along, m1 + along}));
        p.setBrush(c.tape.darker(108));
        p.drawPolygon(QPolygonF({m2 - along, m2 + along, m2 + along + side, m2 - along + side}));
        // the seam under the tape
        p.setPen(QPen(withAlpha(c.edge, 90), penW * 0.6));
        p.drawLine(m1, m2);
        p.setPen(Qt::NoPen);
    }

    // outline
    QPen pen(c.edge, penW);
    pen.setJoinStyle(Qt::RoundJoin);
    pen.setCapStyle(Qt::RoundCap);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    p.drawPolygon(QPolygonF({T, R, R + down, B + down, L + down, L}));
    QPen inner(withAlpha(c.edge, 150), penW * 0.8);
    inner.setCapStyle(Qt::RoundCap);
    p.setPen(inner);
    p.drawLine(L, B);
    p.drawLine(B, R);
    p.drawLine(B, B + down);
    p.restore();
}

// The single-box mark fitted into a square-ish rectangle.
void boxMark(QPainter &p, const QRectF &r, bool tape = true)
{
    const qreal ratio = 0.5 + 0.52; // total height / width
    const qreal w = std::min(r.width(), r.height() / ratio);
    const qreal h = w * 0.52;
    const qreal y0 = r.center().y() - w * ratio / 2;
    isoBox(p, r.center().x(), y0, w, h, tape);
}

// Soft elliptical shadow under an object standing on the floor.
void floorShadow(QPainter &p, const QPointF &c, qreal rx, qreal ry, int alpha = 60)
{
    QRadialGradient g(c, rx);
    g.setColorAt(0, QColor(0x20, 0x30, 0x40, alpha));
    g.setColorAt(1, QColor(0x20, 0x30, 0x40, 0));
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.translate(c);
    p.scale(1.0, ry / rx);
    p.translate(-c);
    p.drawEllipse(c, rx, rx);
    p.restore();
}

// Three cartons: two side by side on the floor, one on top of the left one.
// The floor point of the front corner is at (cx, base); s scales the group
// (s = 1 gives a group about 64 px wide and 54 px high).
void boxGroup(QPainter &p, qreal cx, qreal base, qreal s, bool shadow = true)
{
    if (shadow)
        floorShadow(p, QPointF(cx + 2 * s, base - 8 * s), 38 * s, 12 * s);
    // back-right box, smaller
    isoBox(p, cx + 17 * s, base - 13 * s - 15 * s - 8 * s, 26 * s, 15 * s);
    // front-left box
    isoBox(p, cx - 6 * s, base - 17 * s - 19 * s, 34 * s, 19 * s);
    // box on top of the front-left one: its footprint is centred on that lid
    const qreal lidCentre = base - 19 * s - 8.5 * s;
    isoBox(p, cx - 6 * s, lidCentre + 6 * s - 12 * s - 14 * s, 24 * s, 14 * s);
}

// ---------------------------------------------------------------- shelving (front view)

struct ShelfStyle {
    QColor wood = kSlate;
    QColor box = kCardLeft;
    QColor boxEdge = kCardEdge;
    QColor tape = kTape;
};

// A front-view carton standing on a shelf at `floor`.
void flatBox(QPainter &p, qreal x, qreal floor, qreal w, qreal h, const ShelfStyle &s)
{
    const QRectF r(x, floor - h, w, h);
    p.save();
    p.setPen(QPen(s.boxEdge, 1.5));
    p.setBrush(s.box);
    p.drawRect(r);
    // lid line and a strip of tape down the middle
    p.drawLine(QPointF(r.left(), r.top() + h * 0.22), QPointF(r.right(), r.top() + h * 0.22));
    p.setPen(Qt::NoPen);
    p.setBrush(s.tape);
    p.drawRect(QRectF(r.center().x() - w * 0.08, r.top() + 0.75, w * 0.16, h * 0.45));
    p.restore();
}

// A rack: two uprights and a number of boards with cartons on them.
void shelfRack(QPainter &p, const QRectF &r, int boards, const ShelfStyle &s)
{
    const qreal post = 8;
    const qreal board = 7;
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(s.wood);
    p.drawRect(QRectF(r.left(), r.top(), post, r.height()));
    p.drawRect(QRectF(r.right() - post, r.top(), post, r.height()));
    const qreal step = r.height() / boards;
    // cartons of varying sizes, chosen by a fixed pattern so the art is stable
    static const qreal widths[] = {0.34, 0.26, 0.30, 0.22, 0.38, 0.28, 0.24, 0.32};
    static const qreal heights[] = {0.40, 0.30, 0.36, 0.46, 0.28, 0.38, 0.32, 0.42};
    int k = 0;
    for (int i = 0; i < boards; ++i) {
        const qreal y = r.top() + step * (i + 1) - board;
        p.setBrush(s.wood);
        p.drawRect(QRectF(r.left(), y, r.width(), board));
        qreal x = r.left() + post + 6;
        const qreal inner = r.width() - 2 * post - 12;
        while (true) {
            const qreal bw = inner * widths[k % 8];
            const qreal bh = (step - board) * heights[k % 8];
            ++k;
            if (x + bw > r.right() - post - 6)
                break;
            flatBox(p, x, y, bw, bh, s);
            x += bw + inner * 0.04;
        }
    }
    p.restore();
}

// ---------------------------------------------------------------- symbols

// A round badge with a white '+', '-' or 'x' on it, with a white ring so it
// stands out from whatever is under it.
void badge(QPainter &p, const QPointF &c, qreal r, const QColor &col, char sym)
{
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(kPaper);
    p.drawEllipse(c, r + 1.5, r + 1.5);
    QLinearGradient g(c - QPointF(0, r), c + QPointF(0, r));
    g.setColorAt(0, col.lighter(115));
    g.setColorAt(1, col.darker(110));
    p.setBrush(g);
    p.drawEllipse(c, r, r);
    QPen pen(kPaper, r * 0.36, Qt::SolidLine, Qt::RoundCap);
    p.setPen(pen);
    const qreal a = r * 0.5;
    if (sym == '+' || sym == '-')
        p.drawLine(c - QPointF(a, 0), c + QPointF(a, 0));
    if (sym == '+')
        p.drawLine(c - QPointF(0, a), c + QPointF(0, a));
    if (sym == 'x') {
        const qreal d = a * 0.8;
        p.drawLine(c + QPointF(-d, -d), c + QPointF(d, d));
        p.drawLine(c + QPointF(-d, d), c + QPointF(d, -d));
    }
    p.restore();
}

// A solid block arrow from `from` to `to`, with a head at both ends when
// `twoWay` is set.
void blockArrow(QPainter &p, const QPointF &from, const QPointF &to, qreal shaft, qreal head, const QColor &col,
                bool twoWay = false)
{
    const QPointF d = to - from;
    const qreal len = std::hypot(d.x(), d.y());
    const qreal headLen = head * 0.95;
    QPainterPath path;
    if (twoWay) {
        path.moveTo(0, 0);
        path.lineTo(headLen, -head / 2);
        path.lineTo(headLen, -shaft / 2);
    } else {
        path.moveTo(0, -shaft / 2);
    }
    path.lineTo(len - headLen, -shaft / 2);
    path.lineTo(len - headLen, -head / 2);
    path.lineTo(len, 0);
    path.lineTo(len - headLen, head / 2);
    path.lineTo(len - headLen, shaft / 2);
    if (twoWay) {
        path.lineTo(headLen, shaft / 2);
        path.lineTo(headLen, head / 2);
    } else {
        path.lineTo(0, shaft / 2);
    }
    path.closeSubpath();

    p.save();
    p.translate(from);
    p.rotate(qRadiansToDegrees(std::atan2(d.y(), d.x())));
    QLinearGradient g(0, -head / 2, 0, head / 2);
    g.setColorAt(0, col.lighter(118));
    g.setColorAt(1, col.darker(108));
    QPen pen(col.darker(140), 1.0);
    pen.setJoinStyle(Qt::RoundJoin);
    p.setPen(pen);
    p.setBrush(g);
    p.drawPath(path);
    p.restore();
}

// A pencil lying from lower left (tip) to upper right. `tip` is the point,
// `len` the full length and `wd` the width of the body.
void pencil(QPainter &p, const QPointF &tip, qreal len, qreal wd)
{
    p.save();
    p.translate(tip);
    p.rotate(-45);
    const qreal cone = wd * 1.5;
    const qreal ferrule = wd * 0.7;
    const qreal eraser = wd * 0.8;
    const qreal body = len - cone - ferrule - eraser;
    const qreal hw = wd / 2;
    QPen edge(kInk, 1.0);
    edge.setJoinStyle(Qt::RoundJoin);

    // sharpened wood
    p.setPen(edge);
    p.setBrush(QColor(0xF1, 0xD6, 0xA8));
    p.drawPolygon(QPolygonF({QPointF(0, 0), QPointF(cone, -hw), QPointF(cone, hw)}));
    // lead
    p.setPen(Qt::NoPen);
    p.setBrush(kInk);
    p.drawPolygon(QPolygonF({QPointF(0, 0), QPointF(cone * 0.36, -hw * 0.36), QPointF(cone * 0.36, hw * 0.36)}));
    // body with three facets
    const QRectF bodyR(cone, -hw, body, wd);
    p.setBrush(kAmber);
    p.drawRect(bodyR);
    p.setBrush(kAmber.lighter(118));
    p.drawRect(QRectF(cone, -hw, body, wd / 3));
    p.setBrush(kAmber.darker(112));
    p.drawRect(QRectF(cone, hw - wd / 3, body, wd / 3));
    p.setPen(edge);
    p.setBrush(Qt::NoBrush);
    p.drawRect(bodyR);
    // metal ferrule
    QLinearGradient gf(0, -hw, 0, hw);
    gf.setColorAt(0, QColor(0xD5, 0xDC, 0xE2));
    gf.setColorAt(1, kSteel);
    p.setBrush(gf);
    p.drawRect(QRectF(cone + body, -hw, ferrule, wd));
    // eraser
    p.setBrush(QColor(0xE0, 0x8A, 0x86));
    QPainterPath er;
    er.addRoundedRect(QRectF(cone + body + ferrule - 1, -hw, eraser + 1, wd), wd * 0.3, wd * 0.3);
    p.drawPath(er);
    p.setBrush(gf);
    p.drawRect(QRectF(cone + body, -hw, ferrule, wd));
    p.restore();
}

// A sheet of paper with a folded top-right corner and a few ruled lines.
void sheet(QPainter &p, const QRectF &r, int lines)
{
    const qreal fold = r.width() * 0.30;
    QPainterPath path;
    path.moveTo(r.topLeft());
    path.lineTo(r.right() - fold, r.top());
    path.lineTo(r.right(), r.top() + fold);
    path.lineTo(r.bottomRight());
    path.lineTo(r.bottomLeft());
    path.closeSubpath();
    p.save();
    QLinearGradient g(r.topLeft(), r.bottomRight());
    g.setColorAt(0, kPaper);
    g.setColorAt(1, QColor(0xE9, 0xEF, 0xF4));
    QPen edge(kSlateDark, 1.0);
    edge.setJoinStyle(Qt::RoundJoin);
    p.setPen(edge);
    p.setBrush(g);
    p.drawPath(path);
    // folded corner
    p.setBrush(QColor(0xD3, 0xDE, 0xE7));
    p.drawPolygon(QPolygonF({QPointF(r.right() - fold, r.top()), QPointF(r.right() - fold, r.top() + fold),
                             QPointF(r.right(), r.top() + fold)}));
    // ruled lines
    p.setPen(QPen(kSlateLight, 1.0));
    const qreal top = r.top() + fold + 2.5;
    const qreal step = (r.bottom() - 3 - top) / std::max(1, lines);
    for (int i = 0; i < lines; ++i) {
        const qreal y = std::floor(top + i * step) + 0.5;
        const qreal right = (i == lines - 1) ? r.center().x() + 1 : r.right() - 3;
        p.drawLine(QPointF(r.left() + 3, y), QPointF(right, y));
    }
    p.restore();
}

// ---------------------------------------------------------------- 48x48 buttons

void btnAdd(QPainter &p)
{
    floorShadow(p, QPointF(22, 42), 18, 4, 50);
    isoBox(p, 21, 7, 34, 19);
    badge(p, QPointF(36.5, 35.5), 8.5, kGreen, '+');
}

void btnEdit(QPainter &p)
{
    // a short ruled line under the pencil tip, as if writing
    p.setPen(QPen(kSlateLight, 2.0, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(6, 43), QPointF(26, 43));
    pencil(p, QPointF(7, 40), 44, 9);
}

void btnDelete(QPainter &p)
{
    floorShadow(p, QPointF(22, 42), 18, 4, 50);
    isoBox(p, 21, 7, 34, 19);
    badge(p, QPointF(36.5, 35.5), 8.5, kRed, 'x');
}

void btnTrans(QPainter &p)
{
    // stock coming in (to the right) and going out (to the left)
    blockArrow(p, QPointF(4, 15.5), QPointF(44, 15.5), 8, 19, kGreen);
    blockArrow(p, QPointF(44, 33.5), QPointF(4, 33.5), 8, 19, kAmber.darker(112));
}

void btnUpdate(QPainter &p)
{
    floorShadow(p, QPointF(17, 43), 16, 4, 50);
    // two cartons stacked
    isoBox(p, 17, 21, 28, 14, false);
    isoBox(p, 17, 8, 28, 13);
    // up/down arrow at the right
    blockArrow(p, QPointF(40, 45), QPointF(40, 3), 5, 13, kSlate, true);
}

// ---------------------------------------------------------------- 32x32 toolbar images

void tbNew(QPainter &p)
{
    sheet(p, QRectF(5.5, 2.5, 19, 26), 4);
    badge(p, QPointF(24, 24), 6.5, kGreen, '+');
}

void tbView(QPainter &p)
{
    const QPointF c(13, 13);
    const qreal r = 9.5;
    // handle
    p.setPen(QPen(kInk, 5.0, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(c + QPointF(7.5, 7.5), QPointF(28, 28));
    p.setPen(QPen(kSteel, 2.0, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(c + QPointF(7.5, 7.5), c + QPointF(9.5, 9.5));
    // glass
    QRadialGradient g(c - QPointF(3, 3), r * 1.4);
    g.setColorAt(0, QColor(0xFF, 0xFF, 0xFF));
    g.setColorAt(1, QColor(0xBF, 0xD7, 0xE8));
    p.setPen(QPen(kSlateDark, 2.5));
    p.setBrush(g);
    p.drawEllipse(c, r, r);
    // glint
    p.setPen(QPen(QColor(255, 255, 255, 220), 1.6, Qt::SolidLine, Qt::RoundCap));
    p.drawArc(QRectF(c.x() - 6, c.y() - 6, 12, 12), 100 * 16, 70 * 16);
}

void tbPrint(QPainter &p)
{
    QPen edge(kInk, 1.0);
    edge.setJoinStyle(Qt::RoundJoin);
    // paper feeding in at the back
    p.setPen(edge);
    p.setBrush(kPaper);
    p.drawRect(QRectF(8.5, 2.5, 15, 10));
    // printer body
    QLinearGradient g(0, 11, 0, 24);
    g.setColorAt(0, QColor(0x9D, 0xAE, 0xBD));
    g.setColorAt(1, QColor(0x5E, 0x70, 0x80));
    p.setBrush(g);
    p.drawRoundedRect(QRectF(2.5, 10.5, 27, 13), 3, 3);
    // status light
    p.setPen(Qt::NoPen);
    p.setBrush(kGreen.lighter(120));
    p.drawEllipse(QPointF(25, 14.5), 1.4, 1.4);
    // output slot and printed page
    p.setBrush(kInk);
    p.drawRect(QRectF(6, 19, 20, 2));
    p.setPen(edge);
    p.setBrush(kPaper);
    p.drawRect(QRectF(8.5, 20.5, 15, 9));
    p.setPen(QPen(kSlateLight, 1.0));
    p.drawLine(QPointF(11, 24.5), QPointF(21, 24.5));
    p.drawLine(QPointF(11, 27), QPointF(18, 27));
}

void tbHelp(QPainter &p)
{
    const QPointF c(16, 16);
    QLinearGradient g(0, 2, 0, 30);
    g.setColorAt(0, kSlate.lighter(125));
    g.setColorAt(1, kSlateDark);
    p.setPen(QPen(kSlateDark.darker(115), 1.0));
    p.setBrush(g);
    p.drawEllipse(c, 13.5, 13.5);
    // the question mark, centred exactly by its outline
    QPainterPath q;
    q.addText(0, 0, font("Liberation Sans", 21, true), QStringLiteral("?"));
    const QRectF b = q.boundingRect();
    p.setPen(Qt::NoPen);
    p.setBrush(kPaper);
    p.drawPath(q.translated(c - b.center()));
}

void tbLogo(QPainter &p)
{
    boxMark(p, QRectF(2, 2, 28, 28));
}

// ---------------------------------------------------------------- logo tile / icon

// The rich version of the mark: a rounded slate tile with the carton on it.
void logoTile(QPainter &p, const QRectF &r)
{
    const qreal rad = r.width() * 0.2;
    p.save();
    // drop shadow
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x20, 0x30, 0x40, 40));
    p.drawRoundedRect(r.translated(0, r.height() * 0.025), rad, rad);
    // tile
    const QRectF t = r.adjusted(0, 0, 0, -r.height() * 0.025);
    QLinearGradient g(t.topLeft(), t.bottomLeft());
    g.setColorAt(0, kSlate.lighter(122));
    g.setColorAt(1, kSlateDark);
    p.setBrush(g);
    p.drawRoundedRect(t, rad, rad);
    // soft highlight across the upper half
    QLinearGradient h(t.topLeft(), QPointF(t.left(), t.center().y()));
    h.setColorAt(0, QColor(255, 255, 255, 60));
    h.setColorAt(1, QColor(255, 255, 255, 0));
    p.setBrush(h);
    p.drawRoundedRect(t.adjusted(1, 1, -1, -t.height() / 2), rad * 0.9, rad * 0.9);
    // carton with its shadow
    const qreal w = t.width() * 0.64;
    const qreal bh = w * 0.52;
    const qreal y0 = t.center().y() - (w / 2 + bh) / 2 - t.height() * 0.02;
    floorShadow(p, QPointF(t.center().x(), y0 + w / 2 + bh - w * 0.12), w * 0.62, w * 0.16, 110);
    isoBox(p, t.center().x(), y0, w, bh);
    p.restore();
}

void appIcon(QPainter &p)
{
    logoTile(p, QRectF(2, 2, 60, 60));
}

// ---------------------------------------------------------------- backgrounds

void splash(QPainter &p)
{
    const int W = p.device()->width(), H = p.device()->height();
    // light upper part; the progress row and "Loading" label sit at
    // x 56..217, y 88..125 and need a plain background
    lightBackground(p, QRectF(0, 0, W, 128), kPaper, QColor(0xEE, 0xF2, 0xF6));
    // slate accent along the top edge
    QLinearGradient top(0, 0, W, 0);
    top.setColorAt(0, kSlateDark);
    top.setColorAt(1, kSlate.lighter(120));
    p.fillRect(QRectF(0, 0, W, 4), top);
    // the bottom band is covered by a black band; keep it dark in any case
    p.fillRect(QRectF(0, 128, W, H - 128), QColor(0x16, 0x1C, 0x22));

    // the box mark: a small group of cartons
    boxGroup(p, 40, 76, 0.9);

    // title, with a thin tan rule under it
    const QFont f = font("Liberation Sans", 19, true);
    p.setFont(f);
    p.setPen(kSlateDark);
    const QRectF titleR(84, 30, W - 84 - 6, 26);
    p.drawText(titleR, Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Inventory System"));
    QLinearGradient rule(84, 0, W - 8, 0);
    rule.setColorAt(0, kCardLeft);
    rule.setColorAt(1, withAlpha(kCardLeft, 0));
    p.fillRect(QRectF(85, 60, W - 93, 2), rule);
}

void mainBackground(QPainter &p)
{
    const int W = p.device()->width(), H = p.device()->height();
    const QRect lists(176, 72, 960 - 176, 726 - 72);
    lightBackground(p, QRectF(0, 0, W, H), QColor(0xF8, 0xFA, 0xFC), QColor(0xEC, 0xF1, 0xF5));

    // the motif is drawn on its own layer and blended in very faintly,
    // and fainter still where the lists go
    QImage layer = drawn(W, H, [W](QPainter &l) {
        ShelfStyle s;
        s.wood = kSlate;
        s.box = kCardRight;
        s.boxEdge = kCardEdge;
        s.tape = kCardTop;
        // a tall rack at the right edge, partly behind the lists
        shelfRack(l, QRectF(872, 250, 144, 492), 4, s);
        // floor line
        l.fillRect(QRectF(0, 742, W, 3), kSlate);
        // cartons standing on the floor along the bottom
        flatBox(l, 620, 742, 74, 44, s);
        flatBox(l, 700, 742, 54, 30, s);
        flatBox(l, 634, 698, 50, 28, s);
        flatBox(l, 770, 742, 60, 36, s);
    });
    // opacity mask: 11 % around the lists, 4.5 % over them, with a soft
    // change of about 16 px at the border (a small mask scaled up smoothly)
    QImage mask(W / 16, H / 16, QImage::Format_ARGB32_Premultiplied);
    mask.fill(QColor(0, 0, 0, 28));
    {
        QPainter m(&mask);
        m.setRenderHint(QPainter::Antialiasing);
        m.setCompositionMode(QPainter::CompositionMode_Source);
        m.fillRect(QRectF(QRectF(lists).topLeft() / 16, QRectF(lists).size() / 16), QColor(0, 0, 0, 11));
    }
    mask = mask.scaled(W, H, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    {
        QPainter l(&layer);
        l.setCompositionMode(QPainter::CompositionMode_DestinationIn);
        l.drawImage(0, 0, mask);
    }
    p.drawImage(0, 0, layer);

    // a slightly darker floor strip
    QLinearGradient floor(0, 742, 0, H);
    floor.setColorAt(0, QColor(0x3D, 0x6A, 0x8C, 14));
    floor.setColorAt(1, QColor(0x3D, 0x6A, 0x8C, 28));
    p.fillRect(QRectF(0, 745, W, H - 745), floor);
}

void welcome(QPainter &p)
{
    const int W = p.device()->width(), H = p.device()->height();
    lightBackground(p, QRectF(0, 0, W, H), kPaper, kPale2);
    QLinearGradient top(0, 0, W, 0);
    top.setColorAt(0, kSlateDark);
    top.setColorAt(1, kSlate.lighter(120));
    p.fillRect(QRectF(0, 0, W, 5), top);
    // a thin tan rule under the title (which sits at y 48..80)
    QLinearGradient rule(16, 0, W - 16, 0);
    rule.setColorAt(0, withAlpha(kCardLeft, 0));
    rule.setColorAt(0.5, kCardLeft);
    rule.setColorAt(1, withAlpha(kCardLeft, 0));
    p.fillRect(QRectF(16, 86, W - 32, 1.5), rule);
    // cartons, softened, to the right of the buttons and above the bottom-right buttons
    blendLayer(p, 0.40, [](QPainter &l) { boxGroup(l, 190, 186, 1.25); });
}

void login(QPainter &p)
{
    const int W = p.device()->width(), H = p.device()->height();
    lightBackground(p, QRectF(0, 0, W, H), kPaper, QColor(0xEB, 0xF0, 0xF4));
    // the top 17 px get a blue strip over them; give them the same colour
    p.fillRect(QRectF(0, 0, W, 17), kSlate);
    // a faint carton in the bottom-right corner
    blendLayer(p, 0.12, [](QPainter &l) { boxMark(l, QRectF(236, 80, 48, 48)); });
}

void about(QPainter &p)
{
    const int W = p.device()->width(), H = p.device()->height();
    lightBackground(p, QRectF(0, 0, W, H), kPaper, kPale2);
    // logo tile at the top left
    logoTile(p, QRectF(14, 14, 82, 82));
    // a faint carton group lower left
    blendLayer(p, 0.16, [](QPainter &l) { boxGroup(l, 54, 330, 1.05); });
    // thin tan rule above the text box
    QLinearGradient rule(120, 0, 385, 0);
    rule.setColorAt(0, kCardLeft);
    rule.setColorAt(1, withAlpha(kCardLeft, 0));
    p.fillRect(QRectF(120, 110, 265, 1.5), rule);
}

void letterhead(QPainter &p)
{
    // A light-grey band with white lettering: on screen it marks the top
    // inch of the page, kept blank on paper for the store's own letterhead.
    // Drawn at the band's own size (15360 x 1335 twips), so that it spans
    // the window's width.
    const int W = p.device()->width(), H = p.device()->height();
    p.fillRect(QRectF(0, 0, W, H), QColor(0xD3, 0xD3, 0xD3));
    p.fillRect(QRectF(0, H - 4, W, 4), QColor(0xC0, 0xC0, 0xC0));
    QFont big(QStringLiteral("Liberation Sans"));
    big.setPixelSize(30);
    big.setBold(true);
    big.setLetterSpacing(QFont::AbsoluteSpacing, 6);
    p.setFont(big);
    p.setPen(kPaper);
    p.drawText(QRectF(0, 8, W, 46), Qt::AlignCenter, QStringLiteral("LETTERHEAD"));
    QFont small(QStringLiteral("Liberation Sans"));
    small.setPixelSize(14);
    small.setLetterSpacing(QFont::AbsoluteSpacing, 2);
    p.setFont(small);
    p.drawText(QRectF(0, 52, W, 24), Qt::AlignCenter,
               QStringLiteral("this band stays blank on paper: one inch kept for the store's own letterhead"));
}

// ---------------------------------------------------------------- main

struct Art {
    const char *name;
    void (*draw)(QPainter &p);
    int w, h;
};

const Art kArt[] = {
    {"splash.png", splash, 270, 169},
    {"main_background.png", mainBackground, 1024, 768},
    {"welcome.png", welcome, 280, 250},
    {"login.png", login, 293, 134},
    {"about.png", about, 400, 350},
    {"btn_add.png", btnAdd, 48, 48},
    {"btn_edit.png", btnEdit, 48, 48},
    {"btn_delete.png", btnDelete, 48, 48},
    {"btn_trans.png", btnTrans, 48, 48},
    {"btn_update.png", btnUpdate, 48, 48},
    {"tb_new.png", tbNew, 32, 32},
    {"tb_view.png", tbView, 32, 32},
    {"tb_print.png", tbPrint, 32, 32},
    {"tb_help.png", tbHelp, 32, 32},
    {"tb_logo.png", tbLogo, 32, 32},
    {"app_icon.png", appIcon, 64, 64},
    {"letterhead.png", letterhead, 1024, 89},
};

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

#ifdef MAKEART_DEFAULT_OUT
    QString outDir = QStringLiteral(MAKEART_DEFAULT_OUT);
#else
    QString outDir = QStringLiteral("resources");
#endif
    if (argc > 1)
        outDir = QString::fromLocal8Bit(argv[1]);
    QDir dir(outDir);
    if (!dir.exists() && !QDir().mkpath(outDir)) {
        std::fprintf(stderr, "makeart: cannot create %s\n", qPrintable(outDir));
        return 1;
    }

    int failures = 0;
    for (const Art &a : kArt) {
        const QImage img = drawn(a.w, a.h, a.draw);
        const QString path = dir.filePath(QString::fromLatin1(a.name));
        // convert so the files store straight (not premultiplied) alpha
        if (!img.convertToFormat(QImage::Format_ARGB32).save(path, "PNG")) {
            std::fprintf(stderr, "makeart: cannot write %s\n", qPrintable(path));
            ++failures;
            continue;
        }
        std::printf("%s\n", qPrintable(path));
    }
    return failures == 0 ? 0 : 1;
}

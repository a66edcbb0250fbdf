// marvo-stamps: draws Marvo's own stamp pictures (64 x 64, 32-bit Targa with alpha) into a
// folder. The pictures are committed under res/stamp; this program is how they were made.
#include <QGuiApplication>
#include <QPainterPath>

#include <cmath>
#include <cstdio>
#include <functional>
#include <string>

#include "memo/ImageCodec.h"
#include "memo/MemoImage.h"
#include "memo/ui/QtCanvas.h"
#include "rs2/FileStream.h"

using namespace memo;

namespace {

constexpr int kSize = 64;

// A seal-like frame: a rounded red outline with the word inside.
void seal(QPainter& p, const QString& word, const QColor& colour, int pixel_size)
{
    p.setPen(QPen(colour, 4));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(4, 4, kSize - 8, kSize - 8), 10, 10);
    QFont font(QStringLiteral("IPAGothic"));
    font.setPixelSize(pixel_size);
    font.setBold(true);
    p.setFont(font);
    p.drawText(QRectF(0, 0, kSize, kSize), Qt::AlignCenter, word);
}

void star(QPainter& p)
{
    QPolygonF poly;
    for (int i = 0; i < 10; ++i) {
        const double r = i % 2 ? 12.5 : 29.0;
        const double a = -M_PI / 2 + i * M_PI / 5;
        poly << QPointF(32 + r * std::cos(a), 34 + r * std::sin(a));
    }
    p.setPen(QPen(QColor(200, 140, 0), 2));
    p.setBrush(QColor(255, 200, 0));
    p.drawPolygon(poly);
}

void check(QPainter& p)
{
    QPen pen(QColor(0, 160, 60), 9);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    p.setPen(pen);
    QPainterPath path(QPointF(10, 34));
    path.lineTo(26, 50);
    path.lineTo(54, 14);
    p.drawPath(path);
}

void arrow(QPainter& p)
{
    QPolygonF poly;
    poly << QPointF(6, 24) << QPointF(36, 24) << QPointF(36, 10) << QPointF(60, 32) << QPointF(36, 54)
         << QPointF(36, 40) << QPointF(6, 40);
    p.setPen(QPen(QColor(0, 60, 170), 2));
    p.setBrush(QColor(40, 110, 230));
    p.drawPolygon(poly);
}

bool write_stamp(const std::string& folder, const std::string& name, const std::function<void(QPainter&)>& paint)
{
    MemoImage image(kSize, kSize);
    {
        QtCanvas canvas(image);
        QPainter& p = canvas.painter();
        p.setRenderHint(QPainter::Antialiasing, true);
        paint(p);
    }
    try {
        rs2::AtomicFileStream out(folder + "/" + name + ".tga");
        TgaCodec codec(image, 32);
        write_picture(out, codec);
        out.commit();
    } catch (const rs2::IOException& e) {
        std::fprintf(stderr, "%s: %s\n", name.c_str(), e.what());
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fputs("usage: marvo-stamps FOLDER\n", stderr);
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const std::string folder = argv[1];
    const QColor red(220, 30, 30), blue(30, 70, 200);
    // File names stay ASCII: the stamp name stored in packages is the file title, and the
    // model's strings are Shift_JIS.
    bool ok = true;
    ok &= write_stamp(folder, "OK", [&](QPainter& p) { seal(p, QStringLiteral("OK"), blue, 26); });
    ok &= write_stamp(folder, "NG", [&](QPainter& p) { seal(p, QStringLiteral("NG"), red, 26); });
    ok &= write_stamp(folder, "Done", [&](QPainter& p) { seal(p, QStringLiteral("済"), red, 36); });
    ok &= write_stamp(folder, "Important", [&](QPainter& p) { seal(p, QStringLiteral("重要"), red, 22); });
    ok &= write_stamp(folder, "Question", [&](QPainter& p) { seal(p, QStringLiteral("?"), blue, 38); });
    ok &= write_stamp(folder, "Star", star);
    ok &= write_stamp(folder, "Check", check);
    ok &= write_stamp(folder, "Arrow", arrow);
    return ok ? 0 : 1;
}

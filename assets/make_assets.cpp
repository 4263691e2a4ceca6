// Draws the window's background picture and the application icon into assets/.
//   scripts/make-assets
// The pictures are committed; run this again only to change them.

#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cstdio>

namespace {

void cloud(QPainter& p, QPointF at, double scale)
{
    p.setBrush(QColor(255, 255, 255, 235));
    for (const auto& [dx, dy, r] :
         {std::tuple{0.0, 0.0, 26.0}, {28.0, -12.0, 30.0}, {58.0, 0.0, 24.0}, {30.0, 8.0, 26.0}})
        p.drawEllipse(at + QPointF(dx, dy) * scale, r * scale, r * 0.8 * scale);
}

void flower(QPainter& p, QPointF at, QColor petals, double r)
{
    p.setBrush(petals);
    for (int i = 0; i < 5; ++i) {
        const double angle = i * 2 * M_PI / 5;
        p.drawEllipse(at + QPointF(std::cos(angle), std::sin(angle)) * r, r * 0.75, r * 0.75);
    }
    p.setBrush(QColor(255, 236, 150));
    p.drawEllipse(at, r * 0.6, r * 0.6);
}

// A calm sky over green hills: pale enough that nothing competes with the red question box,
// and only the margins around the frames show at the window's own size.
QImage background()
{
    QImage image(850, 531, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);

    QLinearGradient sky(0, 0, 0, 531);
    sky.setColorAt(0, QColor(196, 228, 250));
    sky.setColorAt(0.7, QColor(238, 247, 255));
    sky.setColorAt(1, QColor(250, 252, 240));
    p.fillRect(image.rect(), sky);

    QRadialGradient glow(QPointF(760, 82), 110);
    glow.setColorAt(0, QColor(255, 236, 160, 200));
    glow.setColorAt(1, QColor(255, 236, 160, 0));
    p.setBrush(glow);
    p.drawEllipse(QPointF(760, 82), 110, 110);
    p.setBrush(QColor(255, 214, 90));
    p.drawEllipse(QPointF(760, 82), 46, 46);

    cloud(p, {60, 40}, 0.9);
    cloud(p, {450, 95}, 1.2);
    cloud(p, {640, 220}, 0.8);
    cloud(p, {200, 250}, 0.7);

    QPainterPath far;
    far.moveTo(0, 330);
    far.cubicTo(180, 280, 360, 360, 560, 320);
    far.cubicTo(700, 292, 790, 310, 850, 300);
    far.lineTo(850, 531);
    far.lineTo(0, 531);
    p.setBrush(QColor(190, 226, 176));
    p.drawPath(far);

    QPainterPath near;
    near.moveTo(0, 372);
    near.cubicTo(220, 340, 420, 410, 620, 380);
    near.cubicTo(740, 362, 800, 372, 850, 366);
    near.lineTo(850, 531);
    near.lineTo(0, 531);
    p.setBrush(QColor(156, 208, 148));
    p.drawPath(near);

    const QColor petals[] = {QColor(255, 224, 102), QColor(247, 176, 206), QColor(201, 182, 242),
                             QColor(255, 255, 255)};
    for (int i = 0; i < 34; ++i) {
        const double x = 12 + (i * 173) % 830;
        const double y = 400 + (i * 71) % 120;
        flower(p, {x, y}, petals[i % 4], 4 + (i % 3));
    }
    return image;
}

// A warm tile with the character 字, readable in the title bar and in a menu of programs.
QImage icon(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setPen(Qt::NoPen);
    const QRectF tile =
        QRectF(0, 0, size, size).adjusted(size / 32.0, size / 32.0, -size / 32.0, -size / 32.0);
    QLinearGradient warm(tile.topLeft(), tile.bottomRight());
    warm.setColorAt(0, QColor(255, 184, 77));
    warm.setColorAt(1, QColor(240, 128, 48));
    p.setBrush(warm);
    p.drawRoundedRect(tile, size * 0.2, size * 0.2);

    QFont font(QStringLiteral("Noto Sans CJK SC"));
    font.setWeight(QFont::Bold);
    font.setPixelSize(int(size * 0.74));
    font.setStyleStrategy(QFont::PreferAntialias);
    p.setFont(font);
    p.setPen(QColor(255, 255, 255));
    p.drawText(QRectF(0, 0, size, size * 0.98), Qt::AlignCenter, QStringLiteral("字"));
    return image;
}

} // namespace

int main(int argc, char* argv[])
{
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_assets ASSETS_DIR\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    bool ok = background().save(out.filePath(QStringLiteral("background.jpg")), "JPEG", 90);
    out.mkpath(QStringLiteral("icons"));
    for (int size : {MULO_ICON_SIZES})
        ok = icon(size).save(out.filePath(QStringLiteral("icons/mulo-%1.png").arg(size))) && ok;
    return ok ? 0 : 1;
}

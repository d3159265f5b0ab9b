// Draws the program's icon: the organisation as eight stacked levels, each
// split into men (blue, from the left) and women (red, from the right), the
// men's share growing towards the top as a small bias compounds. Writes the
// scalable SVG and PNGs of the given sizes from the same shapes.
//
// usage: velmora_icon_tool OUTPUT_DIR SIZE...
#include <QColor>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QRectF>
#include <QTextStream>
#include <array>
#include <cstdio>

namespace {

// Drawn on a 64 x 64 grid, scaled to every size.
constexpr double Grid = 64.0;
constexpr QRectF Tile(3.0, 3.0, 58.0, 58.0);
constexpr double TileRadius = 11.0;
constexpr double TileOutline = 2.0;
constexpr double BarTop = 11.0;
constexpr double BarHeight = 4.5;
constexpr double BarPitch = 5.5;
constexpr double Centre = 32.0;

struct TBar {
    double Width;
    double MenShare;
};

// Top level first.
constexpr std::array<TBar, 8> Bars = {{
    {8, 0.88},
    {14, 0.78},
    {20, 0.70},
    {26, 0.64},
    {32, 0.59},
    {38, 0.55},
    {44, 0.52},
    {50, 0.50},
}};

const QColor Paper(0xfd, 0xf6, 0xe3);
const QColor Navy(0x00, 0x00, 0x80);
const QColor Men(0x00, 0x00, 0xff);
const QColor Women(0xff, 0x00, 0x00);

QRectF MenRect(std::size_t level) {
    const TBar& bar = Bars[level];
    return {Centre - bar.Width / 2, BarTop + BarPitch * static_cast<double>(level),
            bar.Width * bar.MenShare, BarHeight};
}

QRectF WomenRect(std::size_t level) {
    const QRectF men = MenRect(level);
    return {men.right(), men.top(), Bars[level].Width - men.width(), BarHeight};
}

bool WriteSvg(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) return false;
    QTextStream out(&file);
    const auto rect = [&out](const QRectF& r, const QColor& fill) {
        out << "  <rect x=\"" << r.x() << "\" y=\"" << r.y() << "\" width=\"" << r.width()
            << "\" height=\"" << r.height() << "\" fill=\"" << fill.name() << "\"/>\n";
    };
    out << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << Grid << "\" height=\"" << Grid
        << "\" viewBox=\"0 0 " << Grid << ' ' << Grid << "\">\n";
    out << "  <rect x=\"" << Tile.x() << "\" y=\"" << Tile.y() << "\" width=\"" << Tile.width()
        << "\" height=\"" << Tile.height() << "\" rx=\"" << TileRadius << "\" fill=\""
        << Paper.name() << "\" stroke=\"" << Navy.name() << "\" stroke-width=\"" << TileOutline
        << "\"/>\n";
    for (std::size_t level = 0; level < Bars.size(); ++level) {
        rect(MenRect(level), Men);
        rect(WomenRect(level), Women);
    }
    out << "</svg>\n";
    return out.status() == QTextStream::Ok;
}

bool WritePng(const QString& path, int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / Grid, size / Grid);
    painter.setPen(QPen(Navy, TileOutline));
    painter.setBrush(Paper);
    painter.drawRoundedRect(Tile, TileRadius, TileRadius);
    painter.setPen(Qt::NoPen);
    for (std::size_t level = 0; level < Bars.size(); ++level) {
        painter.fillRect(MenRect(level), Men);
        painter.fillRect(WomenRect(level), Women);
    }
    painter.end();
    return image.save(path, "PNG");
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 2) {
        std::fputs("usage: velmora_icon_tool OUTPUT_DIR SIZE...\n", stderr);
        return 2;
    }
    const QDir dir(args[1]);
    if (!dir.mkpath(QStringLiteral("."))) return 1;
    if (!WriteSvg(dir.filePath(QStringLiteral("velmora.svg")))) return 1;
    for (qsizetype i = 2; i < args.size(); ++i) {
        bool ok = false;
        const int size = args[i].toInt(&ok);
        if (!ok || size <= 0) {
            std::fprintf(stderr, "not a size: %s\n", qPrintable(args[i]));
            return 2;
        }
        if (!WritePng(dir.filePath(QStringLiteral("velmora-%1.png").arg(size)), size)) return 1;
    }
    return 0;
}

#include "memo/ui/ColorPickers.h"

#include <QCursor>
#include <QGridLayout>
#include <QPainter>
#include <QVBoxLayout>
#include <cmath>

std::function<std::optional<memo::Colour>(memo::Colour)> CColorSelDialog::responder;
std::function<std::optional<std::uint8_t>(std::uint8_t)> CAlphaSelDialog::responder;

memo::Colour CColorSelDialog::palette(int row, int column)
{
    if (row == 7) {
        const int v = column * 255 / 7;
        return memo::rgb(v, v, v);
    }
    const QColor c = QColor::fromHsvF(column * 45 / 360.0, 1.0 - row / 7.0, 1.0);
    return memo::rgb(c.red(), c.green(), c.blue());
}

CColorSelDialog::CColorSelDialog(QWidget* parent, memo::Colour current) : QDialog(parent), colour_(current)
{
    setWindowFlags(Qt::Popup);
    auto* grid = new QGridLayout(this);
    grid->setSpacing(1);
    grid->setContentsMargins(2, 2, 2, 2);
    for (int row = 0; row < 8; ++row)
        for (int column = 0; column < 8; ++column) {
            auto* cell = new QPushButton(this);
            cell->setFixedSize(16, 16);
            const memo::Colour colour = palette(row, column);
            cell->setStyleSheet(QStringLiteral("background:%1;border:1px solid #808080").arg(to_qcolor(colour).name()));
            connect(cell, &QPushButton::clicked, this, [this, colour] {
                colour_ = colour;
                accept();
            });
            grid->addWidget(cell, row, column);
        }
}

std::optional<memo::Colour> CColorSelDialog::pick(QWidget* parent, QPoint global, memo::Colour current)
{
    if (responder)
        return responder(current);
    CColorSelDialog dialog(parent, current);
    dialog.move(global - QPoint(72, 0));
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.colour();
}

QImage CAlphaSelDialog::strip(memo::Colour colour, std::uint8_t opacity, QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    const int a = opacity;
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x) {
            const int ground = ((x / 6) + (y / 6)) % 2 ? 255 : 128;
            const auto mix = [&](int c) { return (c * a + ground * (255 - a)) / 255; };
            image.setPixel(x, y, qRgb(mix(memo::red_of(colour)), mix(memo::green_of(colour)), mix(memo::blue_of(colour))));
        }
    return image;
}

CAlphaSelDialog::CAlphaSelDialog(QWidget* parent, memo::Colour colour, std::uint8_t current)
    : QDialog(parent), opacity_(current)
{
    setWindowFlags(Qt::Popup);
    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(1);
    layout->setContentsMargins(2, 2, 2, 2);
    for (int i = 0; i < 8; ++i) {
        auto* cell = new QPushButton(this);
        cell->setFixedSize(72, 14);
        cell->setIconSize(QSize(72, 14));
        cell->setIcon(QPixmap::fromImage(strip(colour, level(i), QSize(72, 14))));
        connect(cell, &QPushButton::clicked, this, [this, i] {
            opacity_ = level(i);
            accept();
        });
        layout->addWidget(cell);
    }
}

std::optional<std::uint8_t> CAlphaSelDialog::pick(QWidget* parent, QPoint global, memo::Colour colour,
                                                  std::uint8_t current)
{
    if (responder)
        return responder(current);
    CAlphaSelDialog dialog(parent, colour, current);
    dialog.move(global - QPoint(72, 0));
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.opacity();
}

CColourSwatch::CColourSwatch(const QString& text, QWidget* parent) : QPushButton(text, parent)
{
    setMinimumHeight(22);
    connect(this, &QPushButton::clicked, this, [this] {
        if (const auto colour = CColorSelDialog::pick(this, QCursor::pos(), colour_)) {
            set_colour(*colour);
            emit picked(*colour);
        }
    });
}

void CColourSwatch::set_colour(memo::Colour colour)
{
    colour_ = colour;
    update();
}

void CColourSwatch::paintEvent(QPaintEvent* event)
{
    QPushButton::paintEvent(event);
    QPainter p(this);
    const QRect swatch(width() - 22, 4, 16, height() - 8);
    p.fillRect(swatch, to_qcolor(colour_));
    p.setPen(Qt::gray);
    p.drawRect(swatch);
}

COpacitySwatch::COpacitySwatch(const QString& text, QWidget* parent) : QPushButton(text, parent)
{
    setMinimumHeight(22);
    connect(this, &QPushButton::clicked, this, [this] {
        if (const auto opacity = CAlphaSelDialog::pick(this, QCursor::pos(), colour_, opacity_)) {
            opacity_ = *opacity;
            update();
            emit picked(*opacity);
        }
    });
}

void COpacitySwatch::set(memo::Colour colour, std::uint8_t opacity)
{
    colour_ = colour;
    opacity_ = opacity;
    update();
}

void COpacitySwatch::paintEvent(QPaintEvent* event)
{
    QPushButton::paintEvent(event);
    QPainter p(this);
    p.drawImage(QPoint(width() - 28, 4), CAlphaSelDialog::strip(colour_, opacity_, QSize(22, height() - 8)));
}

#pragma once

#include <QDialog>
#include <QPushButton>
#include <cstdint>
#include <functional>
#include <optional>

#include "memo/MemoTypes.h"

// The colour picker: an 8 x 8 palette. Rows 0 to 6 hold the hues 0, 45, ..., 315 degrees at
// full value with saturation 1 - row / 7; row 7 is a grey ramp of value column / 7.
class CColorSelDialog : public QDialog {
    Q_OBJECT
public:
    CColorSelDialog(QWidget* parent, memo::Colour current);
    memo::Colour colour() const { return colour_; }

    static memo::Colour palette(int row, int column);
    // Opens the picker 72 pixels left of a screen point; the chosen colour, or nothing.
    static std::optional<memo::Colour> pick(QWidget* parent, QPoint global, memo::Colour current);
    // Tests answer instead of a person.
    static std::function<std::optional<memo::Colour>(memo::Colour current)> responder;

private:
    memo::Colour colour_;
};

// The opacity picker: eight strips of i x 255 / 7 over a checkerboard of 6-pixel squares.
class CAlphaSelDialog : public QDialog {
    Q_OBJECT
public:
    CAlphaSelDialog(QWidget* parent, memo::Colour colour, std::uint8_t current);
    std::uint8_t opacity() const { return opacity_; }

    static std::uint8_t level(int index) { return std::uint8_t(index * 255 / 7); }
    // One strip as shown: colour blended at the opacity over grey (128) and white squares.
    static QImage strip(memo::Colour colour, std::uint8_t opacity, QSize size);
    static std::optional<std::uint8_t> pick(QWidget* parent, QPoint global, memo::Colour colour,
                                            std::uint8_t current);
    static std::function<std::optional<std::uint8_t>(std::uint8_t current)> responder;

private:
    std::uint8_t opacity_;
};

// A swatch that shows a colour (or an opacity of a colour) and opens its picker.
class CColourSwatch : public QPushButton {
    Q_OBJECT
public:
    CColourSwatch(const QString& text, QWidget* parent);
    void set_colour(memo::Colour colour);
    memo::Colour colour() const { return colour_; }

signals:
    void picked(memo::Colour colour);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    memo::Colour colour_ = 0;
};

class COpacitySwatch : public QPushButton {
    Q_OBJECT
public:
    COpacitySwatch(const QString& text, QWidget* parent);
    void set(memo::Colour colour, std::uint8_t opacity);
    std::uint8_t opacity() const { return opacity_; }

signals:
    void picked(std::uint8_t opacity);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    memo::Colour colour_ = 0;
    std::uint8_t opacity_ = 255;
};

inline QColor to_qcolor(memo::Colour c)
{
    return QColor(memo::red_of(c), memo::green_of(c), memo::blue_of(c));
}

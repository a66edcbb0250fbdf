#pragma once

#include <QCursor>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QPoint>
#include <QProcess>
#include <QScreen>
#include <QStringList>
#include <QWidget>

// The X screen as a person sees it, and input as a person gives it: screenshots are read from
// the X server's root window (not repainted widgets), and mouse and keys are X events sent by
// xdotool, which reach the program through the X server like a real device's.
namespace screen {

// The whole root window as the X server holds it now.
inline QImage shot()
{
    return QGuiApplication::primaryScreen()->grabWindow(0).toImage().convertToFormat(QImage::Format_RGB32);
}

// A widget point in root-window pixels (the screen's device pixels).
inline QPoint on_screen(const QWidget* widget, QPoint at)
{
    return (QPointF(widget->mapToGlobal(at)) * widget->devicePixelRatioF()).toPoint();
}

// Keeps the screen as it is now in MARVO_SCREENSHOT_DIR, when set, as NAME.png.
inline void keep(const QString& name)
{
    const QString dir = qEnvironmentVariable("MARVO_SCREENSHOT_DIR");
    if (!dir.isEmpty())
        shot().save(dir + QLatin1Char('/') + name + QStringLiteral(".png"));
}

inline QRgb pixel(const QWidget* widget, QPoint at)
{
    return shot().pixel(on_screen(widget, at));
}

// Runs xdotool with the arguments and waits for it; false when it failed.
inline bool xdotool(const QStringList& arguments)
{
    QProcess tool;
    tool.start(QStringLiteral("xdotool"), arguments);
    return tool.waitForFinished(10000) && tool.exitStatus() == QProcess::NormalExit && tool.exitCode() == 0;
}

inline bool move(const QWidget* widget, QPoint at)
{
    const QPoint p = on_screen(widget, at);
    // "--sync" waits for the pointer to move, which never happens when it is there already.
    if ((QPointF(QCursor::pos(widget->screen())) * widget->devicePixelRatioF()).toPoint() == p)
        return true;
    return xdotool({"mousemove", "--sync", QString::number(p.x()), QString::number(p.y())});
}

inline bool click(const QWidget* widget, QPoint at, int button = 1)
{
    return move(widget, at) && xdotool({"click", QString::number(button)});
}

// Presses at one point, moves through steps to another and releases there.
inline bool drag(const QWidget* widget, QPoint from, QPoint to, int steps = 8)
{
    if (!move(widget, from) || !xdotool({"mousedown", "1"}))
        return false;
    for (int i = 1; i <= steps; ++i)
        if (!move(widget, from + (to - from) * i / steps))
            return false;
    return xdotool({"mouseup", "1"});
}

// Key names as xdotool knows them: "Return", "ctrl+a", "KP_Enter".
inline bool keys(const QStringList& names)
{
    return xdotool(QStringList{"key", "--clearmodifiers"} + names);
}

inline bool type(const QString& text)
{
    return xdotool({"type", "--delay", "5", text});
}

// The same at root-window points worked out beforehand, safe from any thread (widgets belong
// to the program's thread); each is one xdotool run, so its steps reach the server in order.
inline bool click_at(QPoint p, int button = 1)
{
    return xdotool({"mousemove", QString::number(p.x()), QString::number(p.y()), "click", QString::number(button)});
}

inline bool drag_at(QPoint from, QPoint to, int steps = 8)
{
    QStringList arguments{"mousemove", QString::number(from.x()), QString::number(from.y()), "mousedown", "1"};
    for (int i = 1; i <= steps; ++i) {
        const QPoint p = from + (to - from) * i / steps;
        arguments << "mousemove" << QString::number(p.x()) << QString::number(p.y());
    }
    return xdotool(arguments << "mouseup" << "1");
}

// Colour tests with room for the scaling and blending of a real screen.
inline bool near(QRgb a, QRgb b, int tolerance = 24)
{
    return std::abs(qRed(a) - qRed(b)) <= tolerance && std::abs(qGreen(a) - qGreen(b)) <= tolerance &&
           std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

} // namespace screen

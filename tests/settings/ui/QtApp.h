#pragma once

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <cstdlib>
#include <functional>

// The one application object of the widget tests (offscreen unless told otherwise).
inline QApplication& qt_app()
{
    static int argc = 1;
    static char name[] = "test_settings_ui";
    static char* argv[] = {name, nullptr};
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    // Never destroyed: Qt's own globals may be gone by the time statics are.
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

// Runs `action` and answers every message box it shows with its default button; returns the
// texts of the boxes, in order.
inline QStringList messages_during(const std::function<void()>& action)
{
    QStringList texts;
    QTimer closer;
    closer.setInterval(5);
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            texts << box->text();
            box->done(QMessageBox::Ok);
        }
    });
    closer.start();
    action();
    return texts;
}

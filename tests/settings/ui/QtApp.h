#pragma once

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <cstdlib>
#include <functional>

// The test program's application object (created by its main()).
inline QApplication& qt_app()
{
    return *qApp;
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

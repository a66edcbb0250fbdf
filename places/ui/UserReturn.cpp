#include "places/ui/UserReturn.h"

#include <QGuiApplication>

void on_user_return(QObject* context, std::function<void()> refresh)
{
    const bool active_now = QGuiApplication::applicationState() == Qt::ApplicationActive;
    QObject::connect(qApp, &QGuiApplication::applicationStateChanged, context,
                     [been_active = active_now, refresh = std::move(refresh)](Qt::ApplicationState state) mutable {
                         if (state != Qt::ApplicationActive)
                             return;
                         if (been_active)
                             refresh();
                         been_active = true;
                     });
}

#pragma once

#include <functional>

class QObject;

// Calls `refresh` (while `context` lives) each time the user comes back to the program: it
// becomes the active application again after having been active before. Not on the first
// activation after start-up: what the widget shows was just listed when it was shown, and
// listing it again would relayout the frame around the first page.
void on_user_return(QObject* context, std::function<void()> refresh);

#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace ui {

// The program's message boxes: a text and the buttons the question needs. Tests install a
// responder that answers instead of a person, so no test ever waits on a modal dialog.
enum class Buttons { Ok, YesNo, YesNoCancel };
enum class Answer { Ok, Yes, No, Cancel };

Answer message_box(QWidget* parent, const QString& text, Buttons buttons = Buttons::Ok);

// Replaces the dialog: the responder receives the text and returns the answer. An empty
// function restores the dialog.
using MessageResponder = std::function<Answer(const QString& text, Buttons buttons)>;
void set_message_responder(MessageResponder responder);

} // namespace ui

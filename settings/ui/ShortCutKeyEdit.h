#pragma once

#include <QLineEdit>

#include "settings/Keys.h"

namespace settings::ui {

// An edit that shows the shortcut being pressed ("CTRL + A", "F5") instead of typed text.
// It remembers the modifier of the last key message and the last other key, so pressing a
// modifier after a key shows the modifier with that key.
class CShortCutKeyEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit CShortCutKeyEdit(QWidget* parent = nullptr);

    const KeyCapture& capture() const { return capture_; }
    // Forgets the keys and empties the text.
    void reset();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    bool event(QEvent* event) override;

private:
    KeyCapture capture_;
};

} // namespace settings::ui

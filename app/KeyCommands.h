#pragma once

#include <QObject>

#include "settings/Keys.h"

class QKeyEvent;

// The key commands: after every key message the program handles, the keys held at that
// moment are matched against the configured shortcuts and the first match runs its browser
// command on the active tab. The keys stay with whoever they were meant for; the poll only
// watches. With a drawing tool active, the Delete key asks the tool to delete, once per press.
//
// Qt gives no way to ask a key's state, so the poll keeps it from the key messages of the
// whole application (auto-repeat releases keep the key down) and forgets it when the
// application loses the keyboard.
class KeyCommandPoll : public QObject {
    Q_OBJECT
public:
    explicit KeyCommandPoll(QObject* parent = nullptr);

    const settings::KeyState& held() const { return held_; }
    // One pass over the key commands with the keys held now; true when a command ran.
    bool poll();

signals:
    // The Delete key went down with a drawing tool active: delete the tool's selection.
    void toolDeleteRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void schedule();
    void track(const QKeyEvent& event, bool down);

    settings::KeyState held_;
    // Keys that went down since the last pass: a key pressed and released before the pass
    // still counts as pressed for it.
    settings::KeyState pressed_;
    bool any_pressed_ = false;
    bool scheduled_ = false;
    // The scheduled pass only follows up a quick press (see poll()).
    bool follow_up_ = false;
};

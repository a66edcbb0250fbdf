#pragma once

#include <QObject>
#include <QTimer>
#include <filesystem>
#include <functional>

// Keeps the browsing session on disk while the program runs, so that a crash loses no more
// than the last few seconds: a change asks for a save, and one timer turns the requests of
// a few seconds into one save. A marker file says that a run is under way; a clean exit
// removes it, so the next start can tell that the last run ended without one.
class SessionSaver : public QObject {
public:
    static constexpr int kSaveDelayMs = 3000;

    // Takes note of the marker the previous run left, then sets this run's.
    SessionSaver(std::filesystem::path marker, std::function<void()> save, QObject* parent = nullptr);

    // The previous run never reached a clean exit: it crashed, or was killed.
    bool previous_run_ended_uncleanly() const { return unclean_; }
    // Something the session holds changed: saved within kSaveDelayMs.
    void changed();
    // A clean exit: nothing more is saved, and the marker goes.
    void end();

private:
    std::filesystem::path marker_;
    QTimer timer_;
    bool unclean_ = false;
};
